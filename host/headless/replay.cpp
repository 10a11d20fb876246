#include "replay.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "host/common/catalog.h"
#include "host/common/fd_io.h"
#include "host/headless/trace.h"

namespace kestrin::headless {

Replay::Replay(Sink sink, std::function<bool()> stopped)
    : sink_(std::move(sink)),
      stopped_(std::move(stopped)),
      program_(*this, clock_, std::string(kProgramTitle)) {
  addKestrinScreens(program_);
  program_.start(kFirstScreen);
  if (!sink_) return;
  appendStart(line_, program_);
  flush();
}

void Replay::flush() {
  if (!line_.empty()) sink_(line_);
  line_.clear();
}

void Replay::messageBox(std::string_view text, std::string_view title) {
  if (!sink_) return;
  appendMessageBox(line_, clock_.now(), text, title);
  flush();
}

void Replay::emit(const Delivery& delivery) {
  if (endWritten_ || !sink_) return;
  if (program_.ended()) {
    // The event that ended the program writes the end line in its place.
    appendEnd(line_, clock_.now());
    endWritten_ = true;
  } else {
    appendEvent(line_, clock_.now(), delivery, program_);
  }
  flush();
}

bool Replay::runLine(std::string_view line, std::string& error) {
  ParseResult parsed = parseLine(line, program_);
  if (!parsed.error.empty()) {
    error = std::move(parsed.error);
    return false;
  }
  if (!parsed.command) return true;
  if (parsed.command->kind == Command::Kind::Wait) return wait(parsed.command->micros, error);
  // After the end the rest of the script is still checked, but not run.
  if (!program_.ended()) run(*parsed.command);
  return true;
}

bool Replay::wait(std::int64_t micros, std::string& error) {
  // The waits of a script bound its clock, whether or not they run, so a
  // script is valid or not whatever the games do; both terms are at most
  // kMaxScriptMicros, so neither the check nor the sum can overflow.
  if (micros < 0) {
    error = "a wait cannot take the clock back";
    return false;
  }
  if (micros > kMaxScriptMicros - waited_) {
    error = "the waits of the script pass 10^15 microseconds (about 31.7 years)";
    return false;
  }
  waited_ += micros;
  if (!program_.ended()) run(Command{.kind = Command::Kind::Wait, .micros = micros});
  return true;
}

void Replay::run(const Command& c) {
  switch (c.kind) {
    case Command::Kind::Wait: {
      // The clock only moves by waits, so it is at most waited_: in range.
      const std::int64_t target = clock_.now() + c.micros;
      while (!program_.ended() && !stopped()) {
        const std::optional<std::int64_t> due = program_.nextTickDue();
        if (!due || *due > target) break;
        clock_.set(*due);
        if (const std::optional<Delivery> d = program_.tick()) emit(*d);
      }
      if (!program_.ended()) clock_.set(target);
      break;
    }
    case Command::Kind::KeyDown: emit(program_.keyDown(c.code, c.shift)); break;
    case Command::Kind::KeyUp: emit(program_.keyUp(c.code, c.shift)); break;
    case Command::Kind::Click: emit(program_.click(c.screen, c.control, c.index)); break;
    case Command::Kind::Close: emit(program_.close(c.screen)); break;
  }
}

int Replay::run(LineReader& script, std::ostream& errors) {
  std::string error;
  for (;;) {
    if (stopped()) return 1;
    std::string_view line;
    switch (script.next(line)) {
      case LineReader::Next::End: return 0;
      case LineReader::Next::ReadFailed: return 1;
      case LineReader::Next::TooLong:
        errors << "line " << script.number() << ": line longer than " << kMaxLineLength
               << " characters\n";
        return 2;
      case LineReader::Next::Line: break;
    }
    if (!runLine(line, error)) {
      errors << "line " << script.number() << ": " << error << '\n';
      return 2;
    }
  }
}

int replayMain(int argc, char** argv, int in, int out, std::ostream& err) {
  if (argc > 2) {
    err << "usage: kestrin-replay [SCRIPT]\n";
    return 2;
  }
  const char* scriptName = argc == 2 ? argv[1] : "standard input";
  int scriptFd = in;
  if (argc == 2) {
    do {
      scriptFd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    } while (scriptFd < 0 && errno == EINTR);
    if (scriptFd < 0) {
      err << "kestrin-replay: " << io::describe(scriptName, errno) << '\n';
      return 1;
    }
  }

  io::FdWriter trace(out);
  // The trace written so far goes out before each read that may wait: a
  // reader sees each line's events as the script arrives, and a script that
  // fails part-way still leaves whole what was written before it.
  LineReader script(scriptFd, [&trace] { trace.flush(); });
  Replay replay([&trace](std::string_view line) { trace.write(line); },
                [&trace] { return trace.failed(); });
  int status = replay.run(script, err);
  if (script.error() != 0) err << "kestrin-replay: " << io::describe(scriptName, script.error()) << '\n';
  if (!trace.flush()) {
    err << "kestrin-replay: " << io::describe("standard output", trace.error()) << '\n';
    status = 1;
  }
  if (argc == 2) ::close(scriptFd);
  return status;
}

}  // namespace kestrin::headless
