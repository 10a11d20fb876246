// Every fuzzing seed, every script the tests keep and every input the fuzzer
// ever crashed on (tests/scripts/regressions/) run through the fuzzer's own
// harness, so that a fixed crash stays fixed in every build, the sanitizer
// build included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
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

// The harness must notice what it is there to notice.
TEST(FuzzInputs, TraceCheckFlagsBrokenTraces) {
  struct Case {
    std::vector<std::string> lines;
    const char* problem;  // empty: sound
  };
  const std::string tick = R"({"t":15625,"event":"Timer1_Timer","screen":"frmKestrinDodge"})";
  const Case cases[] = {
      {{tick + "\n", R"({"t":20000,"msgbox":{"text":"Game Over","title":"Kestrin Brick Breaker"}})" "\n",
        R"({"t":20000,"event":"end"})" "\n"},
       ""},
      {{R"({"t":5,"msgbox":{"text":"Overflow","title":"Kestrin"}})" "\n"}, "unexpected message box"},
      {{R"({"t":5,"event":"end"})" "\n", tick + "\n"}, "after the end"},
      {{tick + "\n", R"({"t":100,"event":"none","screen":null})" "\n"}, "earlier"},
      {{tick}, "not one whole line"},
      {{tick + "\n" + tick + "\n"}, "not one whole line"},
      {{R"({"event":"none"})" "\n"}, "without a time"},
  };
  for (const Case& c : cases) {
    std::size_t events = 0;
    fuzz::TraceCheck check(events, 100);
    for (const std::string& line : c.lines) check(line);
    if (std::string(c.problem).empty()) {
      EXPECT_EQ(check.problem(), "");
    } else {
      EXPECT_NE(check.problem().find(c.problem), std::string::npos) << check.problem();
    }
  }
}

TEST(FuzzInputs, BudgetCutsADayOfPlayShort) {
  std::size_t events = 0;
  fuzz::TraceCheck check(events, 100);
  headless::Replay replay([&check](std::string_view line) { check(line); });
  std::string error;
  ASSERT_TRUE(replay.runLine("click Main Image2", error));
  EXPECT_THROW(replay.runLine("ticks 5529600", error), fuzz::BudgetSpent);
  // start, click, then ticks up to the 101st event.
  EXPECT_EQ(replay.clock().now(), 99 * 15'625);
  EXPECT_EQ(check.problem(), "");
  // Both of the harness's runs share the one budget, and a day-long input is
  // no fault.
  EXPECT_EQ(fuzz::runScript("click Main Image2\nbogus\nticks 5529600\n", 50), "");
}

}  // namespace
}  // namespace kestrin::test
