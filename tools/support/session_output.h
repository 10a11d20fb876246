#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QSocketNotifier>

#include "host/common/fd_io.h"
#include "host/common/output_file.h"

namespace kestrin::tools {

// What the tools that play a session in real windows share (kestrin-record,
// kestrin-watch): how it ends on a signal, and how its outputs are written.

// SIGINT, SIGTERM and SIGHUP end the session as its own end would: the event
// loop is left with status 0, and the tool then writes the end of what it
// writes. The notifier watches for them; keep it while the session runs.
// Null if the pipe it needs could not be made (the signals then kill).
std::unique_ptr<QSocketNotifier> endOnStopSignals();

// One output of such a session, lines written as the session goes. The
// first failed write is said ("TOOL: FILE: reason") and leaves the event
// loop with status 1: what the session would play past it would not be
// kept. The file holds whole lines only (FdWriter cuts a line that failed
// half-way back out).
class SessionOutput {
 public:
  SessionOutput(std::string_view tool, io::OutputFile file);
  SessionOutput(const SessionOutput&) = delete;
  SessionOutput& operator=(const SessionOutput&) = delete;

  void line(std::string_view text);  // kept until flush()
  void flush();                      // out now
  // Written whole and closed: true; else said why (once).
  bool close();
  bool failed() const { return failed_; }

 private:
  void fail(const io::Failure& failure);

  std::string tool_;
  io::OutputFile file_;
  std::optional<io::FdWriter> writer_;
  bool failed_ = false;
};

// "TOOL: message" on stderr, at once.
void say(std::string_view tool, std::string_view message);

}  // namespace kestrin::tools
