#include <fcntl.h>
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

// An unnamed file on disk, open for reading and writing from its start.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes = "") : file_(std::tmpfile()) {
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    std::fflush(file_);
    ::lseek(fd(), 0, SEEK_SET);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { std::fclose(file_); }
  int fd() const { return fileno(file_); }
  std::string bytes() const {
    std::string out(static_cast<std::size_t>(::lseek(fd(), 0, SEEK_END)), '\0');
    const ssize_t n = ::pread(fd(), out.data(), out.size(), 0);
    out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return out;
  }

 private:
  std::FILE* file_;
};

// The tool's whole run in this process, on real file descriptors.
Outcome replay(const std::string& script) {
  const TempFile in(script);
  const TempFile out;
  std::ostringstream err;
  const char* argv[] = {"kestrin-replay"};
  const int status = headless::replayMain(1, const_cast<char**>(argv), in.fd(), out.fd(), err);
  return {status, out.bytes(), err.str()};
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
      // Comments hold any bytes, up to the line limit like any line.
      + std::string("#\0\x01\xff\xfe binary, NUL\r and CR inside\r\n", 34) +
      "#" + std::string(4095, '\x80') + "\r\n" +
      "close frmKestrinDodge");  // the last line needs no newline
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
  const std::string overlong[] = {
      std::string(4097, ' '),
      "#" + std::string(4096, '#'),
      "#" + std::string(4095, 'x') + "\r\r",
      "#" + std::string(4095, 'x') + "\rx",
  };
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
      // The line limit holds for every line, comments too, counted before
      // the newline and one carriage return.
      {overlong[0], "line longer than 4096 characters"},
      {overlong[1], "line longer than 4096 characters"},
      {overlong[2], "line longer than 4096 characters"},
      {overlong[3], "line longer than 4096 characters"},
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
  fs::remove_all(dir);
}

// What a shell command did: its exit status, or the signal that ended it
// (as 128 + N), and what it wrote to stderr.
struct Ran {
  int status;
  std::string errors;
};

Ran sh(const std::filesystem::path& dir, const std::string& command) {
  const std::string script = (dir / "case.sh").string();
  std::ofstream(script) << command << "\n";
  // A hang is a failure too: timeout ends it with status 124.
  const std::string run = "timeout 60 sh '" + script + "' 2>'" + (dir / "err").string() + "'";
  const int raw = std::system(run.c_str());
  std::stringstream err;
  err << std::ifstream(dir / "err").rdbuf();
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), err.str()};
}

// The built tools against hostile input and output: directories, closed and
// failing streams, a full disk, endless lines, the end of time. Each ends in
// bounded time with its status and one message, never by a signal, and
// what it wrote before the failure is whole.
TEST(ReplayScript, HostileStreamsEndWithTheirStatusAndMessage) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("kestrin-hostile-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string d = dir.string();
  std::ofstream(dir / "short") << "click Main Image2\nticks 3\n";
  std::ofstream(dir / "day") << "click Main Image1\nticks 5529600\n";  // a day of play, never over
  {
    std::ofstream end(dir / "end-of-time");
    for (int i = 0; i < 11'575; ++i) end << "wait 86400000\n";  // 11,574 days fit in 10^15 us
  }
  std::string prelude = "R='" + std::string(KESTRIN_REPLAY) + "'; SOAK='" + KESTRIN_SOAK +
                        "'; D='" + d + "'; export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$D/xdg\n";
#ifdef KESTRIN_SCREENSHOT
  prelude += "SHOT='" + std::string(KESTRIN_SCREENSHOT) + "'; PROBE='" + KESTRIN_PROBE + "'\n";
#endif
  fs::create_directories(dir / "xdg");
  fs::permissions(dir / "xdg", fs::perms::owner_all);

  struct Case {
    const char* name;
    const char* command;  // $R, $SOAK, $SHOT, $PROBE the tools; $D the directory
    int status;
    std::string error;     // the last line on stderr ($D replaced)
    int traceLines = -1;   // whole lines in $D/out, where it is written
  };
  const std::string line1 = "line 1: line longer than 4096 characters";
  const std::vector<Case> cases = {
      // The script cannot be read: the start line is out, whole, first.
      {"directory as SCRIPT", "$R $D >$D/out", 1, "kestrin-replay: $D: Is a directory", 1},
      {"stdin closed", "$R <&- >$D/out", 1, "kestrin-replay: standard input: Bad file descriptor", 1},
      {"stdin on a directory", "$R <$D >$D/out", 1, "kestrin-replay: standard input: Is a directory", 1},
      {"missing SCRIPT", "$R $D/missing >$D/out", 1, "kestrin-replay: $D/missing: No such file or directory", 0},
      // The trace cannot be written whole.
      {"full device", "$R $D/short >/dev/full", 1, "kestrin-replay: standard output: No space left on device"},
      {"stdout closed", "$R $D/short >&-", 1, "kestrin-replay: standard output: Bad file descriptor"},
      {"full disk (file size limit)", "ulimit -f 64; $R $D/day >$D/out", 1,
       "kestrin-replay: standard output: File too large"},
      {"reader gone", "($R $D/day; echo $? >$D/rc) | head -c 1 >/dev/null; exit $(cat $D/rc)", 1,
       "kestrin-replay: standard output: Broken pipe"},
      {"reader gone, SIGPIPE ignored", "trap '' PIPE; ($R $D/day; echo $? >$D/rc) | head -c 1 >/dev/null; exit $(cat $D/rc)", 1,
       "kestrin-replay: standard output: Broken pipe"},
      // Endless lines: refused at the byte past the limit.
      {"/dev/zero", "$R /dev/zero >$D/out", 2, line1, 1},
      {"endless line on a pipe", "yes | tr -d '\\n' | $R >$D/out", 2, line1, 1},
      {"endless comment on a pipe", "(printf '#'; yes | tr -d '\\n') | $R >$D/out", 2, line1, 1},
      {"the end of time", "$R $D/end-of-time >$D/out", 2,
       "line 11575: the waits of the script pass 10^15 microseconds (about 31.7 years)", 1},
      // The other tools that write.
      {"soak report to a full device", "$SOAK --ticks 2000 >/dev/full", 1,
       "kestrin-soak: standard output: No space left on device"},
      {"soak report, stdout closed", "$SOAK --ticks 2000 >&-", 1,
       "kestrin-soak: standard output: Bad file descriptor"},
#ifdef KESTRIN_SCREENSHOT
      {"screenshot of a directory", "$SHOT $D Main $D/x.png", 1, "kestrin-screenshot: $D: Is a directory"},
      {"screenshot to a full device", "$SHOT $D/short frmKestrinDodge /dev/full", 1,
       "kestrin-screenshot: /dev/full: No space left on device"},
      {"screenshot to a full disk", "ulimit -f 8; $SHOT $D/short frmKestrinDodge $D/x.png", 1,
       "kestrin-screenshot: $D/x.png: File too large"},
      {"screenshot report to a full device", "$SHOT $D/short frmKestrinDodge $D/x.png >/dev/full", 1,
       "kestrin-screenshot: standard output: No space left on device"},
      {"probe report to a full device", "$PROBE startup >/dev/full", 1,
       "kestrin-probe: standard output: No space left on device"},
#endif
  };
  for (const Case& c : cases) {
    fs::remove(dir / "out");
    const Ran ran = sh(dir, prelude + c.command);
    std::string expected = c.error;
    for (std::size_t at; (at = expected.find("$D")) != std::string::npos;) expected.replace(at, 2, d);
    EXPECT_EQ(ran.status, c.status) << c.name << ": " << ran.errors;
    // The message ends stderr (Qt may have warned before it), and only
    // the replay tool's lines are the tool's alone.
    EXPECT_TRUE(ran.errors.ends_with(expected + "\n")) << c.name << ": " << ran.errors;
    if (std::string_view(c.command).find("$R") != std::string_view::npos) {
      EXPECT_EQ(lineCount(ran.errors), 1u) << c.name;
    }
    if (c.traceLines < 0) continue;
    std::stringstream out;
    out << std::ifstream(dir / "out").rdbuf();
    const std::string trace = out.str();
    EXPECT_EQ(lineCount(trace), static_cast<std::size_t>(c.traceLines)) << c.name;
    EXPECT_TRUE(trace.empty() || trace.back() == '\n') << c.name << ": a line cut short";
  }
  fs::remove_all(dir);
}

// A line is refused as soon as a byte past the limit arrives, and a read
// that fails part-way ends the lines there.
TEST(ReplayScript, LineReaderRefusesALongLineAtTheByteItPassesTheLimit) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  // 4097 bytes and no newline, the writer still open: waiting for more would hang.
  ASSERT_EQ(::write(fds[1], std::string(4097, 'x').data(), 4097), 4097);
  int reads = 0;
  headless::LineReader reader(fds[0], [&] {
    if (++reads > 1) ::close(fds[1]);  // asked for more than it needed: end the input
  });
  std::string_view line;
  EXPECT_EQ(reader.next(line), headless::LineReader::Next::TooLong);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(reader.number(), 1);
  if (reads == 1) ::close(fds[1]);

  // Two lines arrive, then the input fails (it becomes a directory).
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "ticks 1\nticks", 13), 13);
  const int directory = ::open("/", O_RDONLY | O_DIRECTORY);
  headless::LineReader failing(fds[0], [&, calls = 0]() mutable {
    if (++calls == 2) ::dup2(directory, fds[0]);
  });
  EXPECT_EQ(failing.next(line), headless::LineReader::Next::Line);
  EXPECT_EQ(line, "ticks 1");
  EXPECT_EQ(failing.next(line), headless::LineReader::Next::ReadFailed);  // half a line is never run
  EXPECT_EQ(failing.error(), EISDIR);
  EXPECT_EQ(failing.next(line), headless::LineReader::Next::ReadFailed);
  for (int fd : {fds[0], fds[1], directory}) ::close(fd);
}

TEST(ReplayScript, TheWaitsOfAScriptEndAt10To15Microseconds) {
  // Up to the limit to the microsecond, whether or not the program still runs.
  const std::string day = "wait 86400000\n";
  std::string script = "click Main Image1\nkeydown 32\n";
  for (int i = 0; i < 11'574; ++i) script += day;  // the ball is lost on the first day
  const std::string rest = "wait 6400000.000\nwait 0\n";  // 10^15 us less 11,574 days
  Outcome o = replay(script + rest);
  EXPECT_EQ(o.status, 0) << o.errors;
  o = replay(script + rest + "wait 0.001\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.errors, "line 11579: the waits of the script pass 10^15 microseconds (about 31.7 years)\n");
  o = replay(script + "close frmKestrinBrickBreaker\nclose Main\n" + rest + "ticks 1\n");
  EXPECT_EQ(o.status, 2) << "a wait after the end still counts";
  EXPECT_NE(o.errors.find("line 11581: the waits"), std::string::npos) << o.errors;

  // A life lost, a wait to a second before the end, "Reset": ticks on the
  // grid from there, at the right times, up to the end of time.
  Session s;
  s.run("click Main Image1\nkeydown 32\nticks 300");
  ASSERT_TRUE(s.control("frmKestrinBrickBreaker", "cmdReset").Visible);
  const std::int64_t late = headless::kMaxScriptMicros - 1'000'000;
  while (s.now() + headless::kMaxWaitMicros <= late) s.run("wait 86400000");
  char last[32];
  std::snprintf(last, sizeof last, "wait %lld.%03lld", static_cast<long long>((late - s.now()) / 1000),
                static_cast<long long>((late - s.now()) % 1000));
  s.run(last);
  ASSERT_EQ(s.now(), late);
  const std::size_t mark = s.mark();
  s.run("click frmKestrinBrickBreaker cmdReset\nwait 1000");
  const std::vector<Json> lines = s.since(mark);
  ASSERT_EQ(lines.size(), 65u);  // the click, then 64 ticks in the last second
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i]["t"].number(), double(late + std::int64_t(i) * 15'625));
  }
  EXPECT_NE(s.rejected("wait 0.001").find("10^15"), std::string::npos);
}

}  // namespace
}  // namespace kestrin::test
