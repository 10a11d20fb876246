#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
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

std::string bytesOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

// The built tools on bad scripts and hostile streams and files: directories,
// closed and failing streams, a full disk, endless lines, the end of time,
// outputs that are the script, a recording there already or being written,
// pipes no one reads, a display that goes away, signals. Each ends in
// bounded time (timeout: 124) with its status and its one line on stderr,
// never by a signal (128 + N), and what it wrote before a failure is whole
// lines. $R, $SOAK, $SHOT, $ANIM, $PROBE, $REC, $WATCH are the tools, $D a
// directory, $S the case's script; `kept FILE` fails the case if FILE is
// no longer the script (99), `onX` starts a private X server (killed with
// the case) for the cases that need one.
TEST(ReplayScript, ToolsAnswerBadScriptsAndFailingStreamsWithTheirStatusAndOneLine) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("kestrin-bad-scripts-" + std::to_string(::getpid()));
  fs::create_directories(dir / "xdg");
  fs::permissions(dir / "xdg", fs::perms::owner_all);
  const std::string d = dir.string();
  std::string prelude = "R='" + std::string(KESTRIN_REPLAY) + "' SOAK='" + KESTRIN_SOAK + "' D='" +
                        d + "' S='" + d + "/script'; export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$D/xdg\n";
#ifdef KESTRIN_SCREENSHOT
  prelude += "SHOT='" + std::string(KESTRIN_SCREENSHOT) + "' PROBE='" + KESTRIN_PROBE + "' REC='" +
             KESTRIN_RECORD + "' WATCH='" + KESTRIN_WATCH + "' ANIM='" + KESTRIN_ANIMATE + "'\n";
#endif
  prelude +=
      "export QT_LOGGING_RULES='*=false'\n"
      "kept() { s=$?; cmp -s $S \"$1\" || { echo \"$1 was written over\" >&2; exit 99; }; exit $s; }\n"
      "onX() { Xvfb -displayfd 3 -nolisten tcp 3>$D/display 2>/dev/null & x=$!; trap 'kill $x 2>/dev/null' EXIT;"
      " while [ ! -s $D/display ]; do sleep 0.1; done;"
      " export DISPLAY=:$(cat $D/display) QT_QPA_PLATFORM=xcb; }\n"
      // The launcher's window once it shows, given the keyboard.
      "launcher() { w=$(xdotool search --sync --name '^Form1$' | head -1); xdotool windowfocus $w; }\n";
  const bool haveX = std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") == 0;
  const std::string day = "click Main Image1\nticks 5529600\n";  // a day of play, never over
  std::string endOfTime;
  for (int i = 0; i < 11'575; ++i) endOfTime += "wait 86400000\n";  // 11,574 days fit in 10^15 us

  struct Case {
    const char* name;
    std::string script;
    const char* command;
    int status;
    std::string error;    // the last line on stderr, $D replaced; none for status 0
    int traceLines = -1;  // whole lines in $D/out, where the trace goes; kWhole: any number
    bool needsX = false;  // skipped without Xvfb and xdotool
  };
  constexpr int kWhole = -2;
  const char* run = "$R $S >$D/out";
  const char* pipeRc = "($R $S; echo $? >$D/rc) | head -c 1 >/dev/null; exit $(cat $D/rc)";
  const std::string tooLong = "line 1: line longer than 4096 characters";
  const std::string watchUsage = "usage: kestrin-watch SCRIPT [--speed X] [--trace TRACE]";
  const std::string animateUsage =
      "usage: kestrin-animate SCRIPT SCREEN OUT.gif [--every N] [--from MS] [--to MS]";
  const std::vector<Case> cases = {
      {"empty", "", run, 0, "", 1},
      {"unknown word", "ticks 1\nfly 3\n", run, 2, "line 2: unknown command 'fly'", 1},
      {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), run, 2, "line 1: unknown command '?ELF" + std::string(6, '?') + "'", 1},
      {"overlong", "ticks 1\n\n" + std::string(5000, '9') + "\n", run, 2, "line 3: line longer than 4096 characters", 1},
      {"unterminated", "ticks 1\nkeydown", run, 2, "line 2: usage: keydown CODE [SHIFT]", 1},
      {"usage", "", "$R $S $S", 2, "usage: kestrin-replay [SCRIPT]"},
      // The script cannot be read: the start line is out first, whole.
      {"directory as SCRIPT", "", "$R $D >$D/out", 1, "kestrin-replay: $D: Is a directory", 1},
      {"missing SCRIPT", "", "$R $D/no >$D/out", 1, "kestrin-replay: $D/no: No such file or directory", 0},
      {"stdin closed", "", "$R <&- >$D/out", 1, "kestrin-replay: standard input: Bad file descriptor", 1},
      {"stdin on a directory", "", "$R <$D >$D/out", 1, "kestrin-replay: standard input: Is a directory", 1},
      // The trace cannot be written whole.
      {"full device", day, "$R $S >/dev/full", 1, "kestrin-replay: standard output: No space left on device"},
      {"stdout closed", day, "$R $S >&-", 1, "kestrin-replay: standard output: Bad file descriptor"},
      // A disk that fills mid-line leaves whole lines, the half line cut away.
      {"full disk", day, "ulimit -f 64; $R $S >$D/out", 1, "kestrin-replay: standard output: File too large", kWhole},
      {"reader gone", day, pipeRc, 1, "kestrin-replay: standard output: Broken pipe"},
      {"reader gone, SIGPIPE ignored", day, "trap '' PIPE; ($R $S; echo $? >$D/rc) | head -c 1 >/dev/null; exit $(cat $D/rc)", 1,
       "kestrin-replay: standard output: Broken pipe"},
      // Endless lines end at the byte past the limit; time at 10^15 us.
      {"/dev/zero", "", "$R /dev/zero >$D/out", 2, tooLong, 1},
      {"endless line on a pipe", "", "yes | tr -d '\\n' | $R >$D/out", 2, tooLong, 1},
      {"endless comment on a pipe", "", "(printf '#'; yes | tr -d '\\n') | $R >$D/out", 2, tooLong, 1},
      {"the end of time", endOfTime, run, 2,
       "line 11575: the waits of the script pass 10^15 microseconds (about 31.7 years)", 1},
      {"the trace appended to its script", day, "cp $S $D/v; $R $D/v >>$D/v; kept $D/v", 2,
       "kestrin-replay: standard output: is the script being read"},
      // The other tools that write.
      {"soak report to a full device", "", "$SOAK --ticks 2000 >/dev/full", 1,
       "kestrin-soak: standard output: No space left on device"},
      {"soak report, stdout closed", "", "$SOAK --ticks 2000 >&-", 1,
       "kestrin-soak: standard output: Bad file descriptor"},
      // Every tool reads its command line by the same rules: numbers in
      // decimal only, an option at most once, 2 for any mistake.
      {"soak ticks with a blank", "", "$SOAK --ticks ' 10'", 2,
       "usage: kestrin-soak [--seed N] [--ticks N] [--script-out FILE]"},
      {"soak ticks twice", "", "$SOAK --ticks 10 --ticks 20", 2,
       "kestrin-soak: --ticks given twice\nusage: kestrin-soak [--seed N] [--ticks N] [--script-out FILE]"},
#ifdef KESTRIN_SCREENSHOT
      {"screenshot of a directory", "", "$SHOT $D Main $D/x.png", 1, "kestrin-screenshot: $D: Is a directory"},
      {"screenshot to a full device", "", "$SHOT $S Main /dev/full", 1,
       "kestrin-screenshot: /dev/full: No space left on device"},
      {"screenshot to a full disk", "", "ulimit -f 8; $SHOT $S Main $D/x.png", 1,
       "kestrin-screenshot: $D/x.png: File too large"},
      {"screenshot report, stdout closed", "", "$SHOT $S Main $D/x.png >&-", 1,
       "kestrin-screenshot: standard output: Bad file descriptor"},
      {"probe report to a full device", "", "$PROBE startup >/dev/full", 1,
       "kestrin-probe: standard output: No space left on device"},
      // Qt's own warnings (no raise() on this platform, no display) are not
      // the recorder's line.
      {"recording to a full device", "", "export QT_LOGGING_RULES='*=false'; $REC /dev/full", 1,
       "kestrin-record: /dev/full: No space left on device"},
      {"recording's trace to a full device", "", "export QT_LOGGING_RULES='*=false'; $REC $D/s --trace /dev/full", 1,
       "kestrin-record: /dev/full: No space left on device"},
      {"recording with no display", "",
       "export QT_LOGGING_RULES='*=false'; DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb $REC $D/s", 1,
       "kestrin-record: This application failed to start because no Qt platform plugin could be "
       "initialized. Reinstalling the application may fix this problem."},
      {"watching a directory", "", "$WATCH $D", 1, "kestrin-watch: $D: Is a directory"},
      {"watch's trace to a full device", "wait 10\n", "$WATCH $S --speed 1000 --trace /dev/full", 1,
       "kestrin-watch: /dev/full: No space left on device"},
      {"a speed in hexadecimal", "", "$WATCH $S --speed 0x10", 2,
       "kestrin-watch: --speed takes a decimal number from 0.01 to 1000, not '0x10'\n" + watchUsage},
      {"a speed with a blank", "", "$WATCH $S --speed ' 10'", 2,
       "kestrin-watch: --speed takes a decimal number from 0.01 to 1000, not ' 10'\n" + watchUsage},
      {"a speed twice", "", "$WATCH $S --speed 2 --speed 3", 2, "kestrin-watch: --speed given twice\n" + watchUsage},
      {"frames every so often, twice", "", "$ANIM $S Main $D/a.gif --every 2 --every 3", 2,
       "kestrin-animate: --every given twice\n" + animateUsage},
      {"a trace twice", "", "$REC $D/new --trace $D/t1 --trace $D/t2", 2,
       "kestrin-record: --trace given twice\nusage: kestrin-record SCRIPT [--trace TRACE] [--overwrite]"},
      {"an unknown screen to render", "", "$SHOT $S Nowhere $D/x.png", 2,
       "kestrin-screenshot: Nowhere: no such screen\nusage: kestrin-screenshot [--scale RATIO] [--played SCRIPT] SCRIPT SCREEN OUT.png"},
      {"an unknown screen to animate", "", "$ANIM $S Nowhere $D/x.gif", 2,
       "kestrin-animate: Nowhere: no such screen\n" + animateUsage},
      // Outputs that are the script, by its name, a link or another name.
      {"a trace over its script", day, "cp $S $D/v; $WATCH $D/v --trace $D/v; kept $D/v", 2,
       "kestrin-watch: $D/v: is the script being read"},
      {"a trace over its script through a link", day,
       "cp $S $D/v; ln -sf $D/v $D/l; $WATCH $D/v --trace $D/l; kept $D/v", 2,
       "kestrin-watch: $D/l: is the script being read"},
      {"a picture over its script", "", "cp $S $D/v; $SHOT $D/v Main $D/v; kept $D/v", 2,
       "kestrin-screenshot: $D/v: is the script being read"},
      {"an animation over its script by another name", "",
       "cp $S $D/v; ln -f $D/v $D/h; $ANIM $D/v Main $D/h; kept $D/v", 2,
       "kestrin-animate: $D/h: is the script being read"},
      {"a recording and its trace in one file", "",
       "$REC $D/new --trace $D/new; s=$?; [ ! -e $D/new ] || exit 99; exit $s", 2,
       "kestrin-record: $D/new: is the script being written"},
      {"an existing recording", day, "cp $S $D/v; $REC $D/v; kept $D/v", 2,
       "kestrin-record: $D/v: exists; --overwrite writes over it"},
      {"a recording another recorder writes", day,
       "cp $S $D/v; exec 9<$D/v; flock 9; $REC $D/v --overwrite; kept $D/v", 1,
       "kestrin-record: $D/v: is being written by another program"},
      // Pipes no one reads are refused at once, not waited on in open().
      {"a recording into a pipe no one reads", "", "mkfifo $D/f; $REC $D/f", 1,
       "kestrin-record: $D/f: is a pipe that no program reads"},
      {"a trace into a pipe no one reads", day, "mkfifo $D/f; $WATCH $S --trace $D/f", 1,
       "kestrin-watch: $D/f: is a pipe that no program reads"},
      {"a picture into a pipe no one reads", "", "mkfifo $D/f; $SHOT $S Main $D/f", 1,
       "kestrin-screenshot: $D/f: is a pipe that no program reads"},
      {"a script from a pipe, to watch", "", "mkfifo $D/f; $WATCH $D/f", 1,
       "kestrin-watch: $D/f: is not a file; the script is read twice, to check it and to play it"},
      // A signal ends a watch as it ends a recording: the trace whole.
      {"a watch sent SIGTERM", day, "$WATCH $S --trace $D/out & sleep 2; kill -TERM $!; wait $!", 0, "", kWhole},
      {"a watch sent SIGHUP", day, "$WATCH $S --trace $D/out & sleep 2; kill -HUP $!; wait $!", 0, "", kWhole},
      {"a watch sent SIGINT", day, "$WATCH $S --trace $D/out & sleep 2; kill -INT $!; wait $!", 0, "", kWhole},
      // The display going away: the script ends with its wait to the last
      // event, and replays to the session's trace, whole.
      {"the display gone during a recording", "",
       "onX; $REC $D/s --trace $D/out & r=$!; launcher; xdotool mousemove --window $w 182 372 click 1;"
       " sleep 1; kill $x; wait $r; s=$?; $R $D/s | cmp -s - $D/out || exit 99; exit $s",
       1, "kestrin-record: the display went away", kWhole, true},
      {"the display gone during a watch", day,
       "onX; $WATCH $S --trace $D/out & r=$!; until grep -q Timer1_Timer $D/out; do sleep 0.1; done;"
       " kill $x; wait $r", 1,
       "kestrin-watch: the display went away", kWhole, true},
      // A disk that fills mid-line during a recording: the script keeps its
      // whole lines, and they replay.
      {"a full disk during a recording", "",
       "onX; (ulimit -f 1; exec $REC $D/out) & r=$!; launcher; xdotool key --delay 5 --repeat 60 Left;"
       " wait $r; s=$?; $R $D/out >/dev/null || exit 99; exit $s",
       1, "kestrin-record: $D/out: File too large", kWhole, true},
#endif
  };
  for (const Case& c : cases) {
    if (c.needsX && !haveX) {
      std::cout << "skipped without Xvfb and xdotool: " << c.name << '\n';
      continue;
    }
    for (const char* file : {"v", "l", "h", "f", "new", "s", "display"}) fs::remove(dir / file);
    std::ofstream(dir / "script", std::ios::binary) << c.script;
    std::ofstream(dir / "case.sh") << prelude << c.command << "\n";
    fs::remove(dir / "out");
    const std::string command = "timeout 60 sh '" + d + "/case.sh' 2>'" + d + "/err'";
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    const std::string err = bytesOf(dir / "err");
    std::string expected = c.error.empty() ? "" : c.error + "\n";
    for (std::size_t at; (at = expected.find("$D")) != std::string::npos;) expected.replace(at, 2, d);
    EXPECT_EQ(status, c.status) << c.name << ": " << err;
    // Qt may warn before the message; the replay tool says nothing else.
    EXPECT_TRUE(err.ends_with(expected)) << c.name << ": " << err;
    if (std::string_view(c.command).find("$R") != std::string_view::npos) {
      EXPECT_EQ(err, expected) << c.name;
    }
    if (c.traceLines == -1) continue;
    const std::string trace = bytesOf(dir / "out");
    if (c.traceLines == kWhole) {
      EXPECT_FALSE(trace.empty()) << c.name;
    } else {
      EXPECT_EQ(lineCount(trace), static_cast<std::size_t>(c.traceLines)) << c.name;
    }
    EXPECT_TRUE(trace.empty() || trace.back() == '\n') << c.name << ": a line cut short";
  }
  fs::remove_all(dir);
}

// A read that fails part-way ends the lines there: half a line is never run.
TEST(ReplayScript, ALineReaderStopsAtAFailedRead) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "ticks 1\nticks", 13), 13);
  const int directory = ::open("/", O_RDONLY | O_DIRECTORY);
  headless::LineReader reader(fds[0], [&, calls = 0]() mutable {
    if (++calls == 2) ::dup2(directory, fds[0]);  // the input turns into a directory
  });
  std::string_view line;
  EXPECT_EQ(reader.next(line), headless::LineReader::Next::Line);
  EXPECT_EQ(line, "ticks 1");
  EXPECT_EQ(reader.next(line), headless::LineReader::Next::ReadFailed);
  EXPECT_EQ(reader.error(), EISDIR);
  EXPECT_EQ(reader.next(line), headless::LineReader::Next::ReadFailed);
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
    EXPECT_EQ(lines[i]["t"].get<double>(), double(late + std::int64_t(i) * 15'625));
  }
  EXPECT_NE(s.rejected("wait 0.001").find("10^15"), std::string::npos);
}

}  // namespace
}  // namespace kestrin::test
