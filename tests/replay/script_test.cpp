#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "host/headless/replay.h"
#include "tests/support/session.h"

namespace kestrin::test {
namespace {

struct Outcome {
  int status;
  std::string trace;
  std::string errors;
};

Outcome replay(const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out;
  std::ostringstream err;
  const char* argv[] = {"kestrin-replay"};
  const int status = headless::replayMain(1, const_cast<char**>(argv), in, out, err);
  return {status, out.str(), err.str()};
}

std::size_t lineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ReplayScript, AcceptsEveryCommandFormAndWritesOneLinePerEvent) {
  const Outcome o = replay(
      "# a comment\n"
      "   \n"
      "\t# an indented comment\r\n"
      "click Main Image1\r\n"
      "keydown 39\n"
      "keydown 39 0\n"
      "keyup\t39   1\n"
      "wait 15.625\n"
      "wait 0\n"
      "ticks 2\n"
      "click frmKestrinBrickBreaker cmdReset\n"
      "click frmKestrinBrickBreakerLvl3 Brick(47)\n"
      "close frmKestrinDodge\n");
  EXPECT_EQ(o.status, 0) << o.errors;
  EXPECT_EQ(o.errors, "");
  // start, click, 3 keys, 3 ticks, 3 clicks/closes
  EXPECT_EQ(lineCount(o.trace), 11u);
}

TEST(ReplayScript, InvalidLinesStopTheRunWithTheirNumberAndExitTwo) {
  struct Case {
    std::string_view line;  // may hold NUL bytes
    const char* reason;     // a word the reason must contain
  };
  using namespace std::literals;
  const Case cases[] = {
      {"jump 3", "unknown command"},
      {"Wait 10", "unknown command"},
      {"wait", "usage"},
      {"wait 10 # later", "usage"},
      {"wait -1", "wait"},
      {"wait .5", "wait"},
      {"wait 1e3", "wait"},
      {"wait 1.2345", "wait"},
      {"wait 1.", "wait"},
      {"wait 86400000.001", "one day"},
      {"wait 99999999999999999999999999", "one day"},
      {"ticks 1.5", "whole number"},
      {"ticks 5529601", "one day"},
      {"keydown", "usage"},
      {"keydown x", "integer"},
      {"keydown 32768", "range"},
      {"keydown -32769", "range"},
      {"keydown 1 2 3", "usage"},
      {"keyup +5", "integer"},
      {"click Main", "usage"},
      {"click Main Image9", "no control"},
      {"click Nowhere Image1", "unknown screen"},
      {"click frmKestrinBrickBreaker Brick", "needs an index"},
      {"click frmKestrinBrickBreaker Brick(8)", "no control"},
      {"click frmKestrinBrickBreaker Brick(-1)", "index"},
      {"click frmKestrinBrickBreaker Brick(99999999999)", "no control"},
      {"click Main Image1(0)", "no control"},
      {"close", "usage"},
      {"close main", "unknown screen"},
      {"\x01\xff\xfe", "unknown command"},
      // Huge numbers are refused, never wrapped.
      {"ticks 99999999999999999999999999", "one day"},
      {"keydown 99999999999999999999", "range"},
      {"keyup 1 -99999999999999999999", "range"},
      {"click frmKestrinDodge cmdReset(99999999999999999999)", "no control"},
      {"click frmKestrinBrickBreaker Brick(3", "bad control"},
      {"click frmKestrinBrickBreaker Brick(a)", "index"},
      {"click frmKestrinDodge NoSuchControl", "no control"},
      {"close frmKestrinBrickBreakerLvl4", "unknown screen"},
      // NUL bytes and carriage returns inside a line are part of its words.
      {"wait\0 10"sv, "unknown command"},
      {"wait 1\0"sv, "wait"},
      {"\0"sv, "unknown command"},
      {"wait 1\r0", "wait"},
      {"wait 1\r\r", "wait"},  // one carriage return ends a line, not two
      {"click Main\rImage1", "usage"},
      {"keydown 3\r2", "integer"},
  };
  for (const Case& c : cases) {
    const Outcome o = replay("click Main Image1\n" + std::string(c.line) + "\nticks 5\n");
    EXPECT_EQ(o.status, 2) << c.line;
    EXPECT_EQ(o.errors.rfind("line 2: ", 0), 0u) << c.line << " -> " << o.errors;
    EXPECT_NE(o.errors.find(c.reason), std::string::npos) << c.line << " -> " << o.errors;
    // The lines before it ran; nothing after it did, and no end line.
    EXPECT_EQ(lineCount(o.trace), 2u) << c.line;
    EXPECT_EQ(o.trace.find("\"end\""), std::string::npos);
  }
}

TEST(ReplayScript, LongestValidWaitsAreOneDay) {
  Session s;
  s.run("wait 86400000\nticks 5529600\nwait 86399999.999");
  EXPECT_EQ(s.now(), 3 * 86'400'000'000LL - 1);
}

TEST(ReplayScript, OverlongLineIsRejectedNotRead) {
  const Outcome o = replay("ticks 1\n" + std::string(100000, 'x') + "\nticks 1\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.errors.rfind("line 2: line longer than", 0), 0u) << o.errors;
}

TEST(ReplayScript, AfterTheEndTheRestIsCheckedButNotRun) {
  // Three lost balls end the program; a later invalid line still fails the script.
  const std::string play =
      "click Main Image1\nkeydown 32\nticks 200\nclick frmKestrinBrickBreaker cmdReset\n"
      "ticks 200\nclick frmKestrinBrickBreaker cmdReset\nticks 200\n";
  const Outcome ended = replay(play + "click Main Image1\nticks 10\n");
  EXPECT_EQ(ended.status, 0) << ended.errors;
  EXPECT_NE(ended.trace.find("{\"t\":"), std::string::npos);
  const std::string lastLine =
      ended.trace.substr(ended.trace.rfind('\n', ended.trace.size() - 2) + 1);
  EXPECT_NE(lastLine.find("\"event\":\"end\""), std::string::npos) << lastLine;

  const Outcome invalid = replay(play + "ticks 10\nbogus\n");
  EXPECT_EQ(invalid.status, 2);
  EXPECT_EQ(invalid.errors.rfind("line 9: ", 0), 0u) << invalid.errors;
}

// The real tool on files: the bad ones exit 2 with one "line N: reason" on
// stderr, and an empty file is a script with nothing to do.
TEST(ReplayScript, ToolAnswersBadFilesWithStatusTwoAndTheLine) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("kestrin-bad-scripts-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  struct Case {
    const char* name;
    std::string bytes;
    int status;
    std::string error;  // how stderr starts
  };
  const Case cases[] = {
      {"empty", "", 0, ""},
      {"unknown-word", "ticks 1\nfly 3\n", 2, "line 2: unknown command 'fly'"},
      {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), 2, "line 1: unknown command"},
      {"overlong", "ticks 1\n\n" + std::string(5000, '9') + "\n", 2, "line 3: line longer than 4096"},
      {"unterminated", "ticks 1\nkeydown", 2, "line 2: usage"},
  };
  for (const Case& c : cases) {
    const fs::path file = dir / c.name;
    std::ofstream(file, std::ios::binary) << c.bytes;
    const std::string errFile = (dir / (std::string(c.name) + ".err")).string();
    const std::string command = std::string(KESTRIN_REPLAY) + " '" + file.string() + "' >/dev/null 2>'" + errFile + "'";
    const int raw = std::system(command.c_str());
    std::stringstream read;
    read << std::ifstream(errFile).rdbuf();
    const std::string err = read.str();
    EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.name << ": " << err;
    EXPECT_EQ(err.substr(0, c.error.size()), c.error) << c.name;
    EXPECT_EQ(lineCount(err), c.error.empty() ? 0u : 1u) << c.name;
  }
  const std::string missing = std::string(KESTRIN_REPLAY) + " '" + (dir / "missing").string() + "' 2>/dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(missing.c_str())), 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kestrin::test
