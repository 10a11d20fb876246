#include "replay.h"

#include <unistd.h>

#include <cerrno>

#include "host/common/catalog.h"
#include "host/common/fd_io.h"
#include "host/common/output_file.h"

namespace kestrin::headless {

Replay::Replay(Sink sink, std::function<bool()> stopped, ProgramObserver* observer)
    : stopped_(std::move(stopped)), program_(*this, clock_, std::string(kProgramTitle)) {
  if (sink) program_.addObserver(trace_.emplace(std::move(sink)));
  if (observer != nullptr) program_.addObserver(*observer);
  addKestrinScreens(program_);
  program_.start(kFirstScreen);
}

// The program has told its observers of the box already: OK at once.
void Replay::messageBox(std::string_view /*text*/, std::string_view /*title*/) {}

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
  if (!addToScriptTime(waited_, micros, error)) return false;
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
        program_.tick();
      }
      if (!program_.ended()) clock_.set(target);
      break;
    }
    default: deliver(program_, c); break;
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
    scriptFd = io::openForReading(argv[1]);
    if (scriptFd < 0) {
      err << "kestrin-replay: " << io::describe(scriptName, errno) << '\n';
      return 1;
    }
  }

  // A trace written over its own script (`>>` on it) would lose the script
  // and read the trace back as script lines.
  if (const auto written = io::regularFileId(out); written && written == io::regularFileId(scriptFd)) {
    err << "kestrin-replay: "
        << io::describe("standard output", io::Failure{.refusal = io::Refusal::IsInput}) << '\n';
    if (argc == 2) ::close(scriptFd);
    return 2;
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
