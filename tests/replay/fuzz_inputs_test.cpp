// Every fuzzing seed, every script the tests keep and every input the fuzzer
// ever crashed on (tests/scripts/regressions/) run through the fuzzer's own
// harness, so that a fixed crash stays fixed in every build, the sanitizer
// build included.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/headless/replay.h"
#include "tools/fuzz/fuzz_script.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(FuzzInputs, SeedsScriptsAndRegressionsRunClean) {
  int files = 0;
  for (const char* root : {KESTRIN_FUZZ_CORPUS, KESTRIN_TEST_SCRIPTS}) {
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
      if (!e.is_regular_file() || e.path().filename() == "README.md") continue;
      ++files;
      EXPECT_EQ(fuzz::runScript(bytesOf(e.path())), "") << e.path();
    }
  }
  EXPECT_GE(files, 8);  // the seeds and the kept scripts were found
}

// The harness must notice what it is there to notice: in the run as the
// program reports it, and in the trace written of it.
TEST(FuzzInputs, RunCheckFlagsBrokenRunsAndTraces) {
  struct Step {
    enum Kind : std::uint8_t { Line, Start, Event, Box, End } kind;
    std::int64_t t = 0;
    std::string_view text = "";  // Line: the bytes written; Box: its text
  };
  const Step start[] = {{Step::Line, 0, "{\"t\":0,}\n"}, {Step::Start}};
  struct Case {
    std::vector<Step> steps;  // after start
    const char* problem;      // empty: sound
  };
  const Case cases[] = {
      {{{Step::Line, 0, "{\"t\":15625,}\n"}, {Step::Event, 15625}, {Step::Line, 0, "{\"t\":20000,}\n"},
        {Step::Box, 20000, "Game Over"}, {Step::Line, 0, "{\"t\":20000,}\n"}, {Step::End, 20000}},
       ""},
      {{{Step::Line, 0, "{\"t\":5,}\n"}, {Step::Box, 5, "Overflow"}}, "unexpected message box: 'Overflow'"},
      {{{Step::Line, 0, "{\"t\":5,}\n"}, {Step::End, 5}, {Step::Line, 0, "{\"t\":5,}\n"}, {Step::Event, 5}},
       "after the end"},
      {{{Step::Line, 0, "{\"t\":200,}\n"}, {Step::Event, 200}, {Step::Line, 0, "{\"t\":100,}\n"}, {Step::Event, 100}},
       "earlier"},
      {{{Step::Line, 0, "{\"t\":5,}"}}, "not one whole line"},
      {{{Step::Line, 0, "{\"t\":5,}\n{\"t\":5,}\n"}}, "not one whole line"},
      {{{Step::Line, 0, "{\"t\":x}\n"}}, "does not begin with its time"},
      {{{Step::Line, 0, "{\"t\":7,}\n"}, {Step::Event, 5}}, "another time than its report"},
      {{{Step::Event, 5}}, "not one line a report"},
      {{{Step::Line, 0, "{\"t\":5,}\n"}, {Step::Line, 0, "{\"t\":5,}\n"}, {Step::Event, 5}}, "not one line a report"},
  };
  headless::Replay replay{headless::Replay::Sink()};  // a program to report about
  const Program& program = replay.program();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    std::size_t events = 0;
    fuzz::RunCheck check(events, 100);
    std::vector<Step> steps(std::begin(start), std::end(start));
    steps.insert(steps.end(), c.steps.begin(), c.steps.end());
    for (const Step& step : steps) {
      switch (step.kind) {
        case Step::Line: check.line(step.text); break;
        case Step::Start: check.started(step.t, program); break;
        case Step::Event: check.delivered(step.t, {}, program); break;
        case Step::Box: check.messageBox(step.t, step.text, "Kestrin"); break;
        case Step::End: check.ended(step.t, {}); break;
      }
    }
    if (std::string(c.problem).empty()) {
      EXPECT_EQ(check.problem(), "");
    } else {
      EXPECT_NE(check.problem().find(c.problem), std::string::npos) << check.problem();
    }
  }
}

TEST(FuzzInputs, BudgetCutsADayOfPlayShort) {
  std::size_t events = 0;
  fuzz::RunCheck check(events, 100);
  headless::Replay replay([&check](std::string_view line) { check.line(line); }, {}, &check);
  std::string error;
  ASSERT_TRUE(replay.runLine("click Main Image2", error));
  EXPECT_THROW(replay.runLine("ticks 5529600", error), fuzz::BudgetSpent);
  // start, click, then ticks up to the 101st event.
  EXPECT_EQ(replay.clock().now(), 99 * 15'625);
  EXPECT_EQ(check.problem(), "");
  // The lines after a bad one run on the same budget, and a day-long input
  // is no fault; nor is a budget spent exactly at the bad line.
  EXPECT_EQ(fuzz::runScript("click Main Image2\nbogus\nticks 5529600\n", 50), "");
  EXPECT_EQ(fuzz::runScript("keyup 0\nkeyup 0\nbogus\n", 3), "");
}

// Without its trace a run is still checked by its own account, which must
// catch a fault alone.
TEST(FuzzInputs, AnUntracedRunIsCheckedByItsAccount) {
  std::size_t events = 0;
  fuzz::RunCheck check(events, 100, false);
  headless::Replay replay{check};
  std::string error;
  ASSERT_TRUE(replay.runLine("click Main Image2", error));
  ASSERT_TRUE(replay.runLine("ticks 64", error));
  EXPECT_EQ(check.problem(), "");
  check.delivered(0, {}, replay.program());  // a report back in time
  EXPECT_NE(check.problem().find("earlier"), std::string::npos) << check.problem();
}

}  // namespace
}  // namespace kestrin::test
