#include "replay.h"

#include <fstream>

#include "host/common/catalog.h"
#include "host/headless/trace.h"

namespace kestrin::headless {

Replay::Replay(Sink sink)
    : sink_(std::move(sink)), program_(*this, clock_, std::string(kProgramTitle)) {
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
  ParseResult parsed = parseLine(line, program_.designs());
  if (!parsed.error.empty()) {
    error = std::move(parsed.error);
    return false;
  }
  // After the end the rest of the script is still checked, but not run.
  if (parsed.command && !program_.ended()) run(*parsed.command);
  return true;
}

void Replay::run(const Command& c) {
  switch (c.kind) {
    case Command::Kind::Wait: {
      const std::int64_t target = clock_.now() + c.micros;
      while (!program_.ended()) {
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

int Replay::run(std::istream& script, std::ostream& errors) {
  std::string line;
  std::string error;
  std::streambuf* in = script.rdbuf();
  for (long number = 1;; ++number) {
    line.clear();
    bool tooLong = false;
    int ch = in == nullptr ? EOF : in->sbumpc();
    if (ch == EOF) break;
    // Read to the end of the line, keeping at most kMaxLineLength bytes.
    while (ch != EOF && ch != '\n') {
      if (line.size() < kMaxLineLength + 1) {
        line += static_cast<char>(ch);
      } else {
        tooLong = true;
      }
      ch = in->sbumpc();
    }
    // One carriage return before the newline is not part of the line; the
    // parser drops it, and exactly one.
    const std::size_t length = line.size() - (!line.empty() && line.back() == '\r' ? 1 : 0);
    if (tooLong || length > kMaxLineLength) {
      errors << "line " << number << ": line longer than " << kMaxLineLength << " characters\n";
      return 2;
    }
    if (!runLine(line, error)) {
      errors << "line " << number << ": " << error << '\n';
      return 2;
    }
    if (ch == EOF) break;
  }
  return 0;
}

int replayMain(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err) {
  if (argc > 2) {
    err << "usage: kestrin-replay [SCRIPT]\n";
    return 2;
  }
  std::ifstream file;
  if (argc == 2) {
    file.open(argv[1], std::ios::binary);
    if (!file) {
      err << "kestrin-replay: cannot read " << argv[1] << '\n';
      return 2;
    }
  }
  Replay replay([&out](std::string_view line) { out << line; });
  const int status = replay.run(argc == 2 ? static_cast<std::istream&>(file) : in, err);
  out.flush();
  return status;
}

}  // namespace kestrin::headless
