// kestrin-record SCRIPT [--trace TRACE] [--overwrite]: the game, played in
// its real windows exactly as `kestrin` runs it, written down as it is
// played: every input the program takes, at the time it takes it, as a
// replay script (docs/replay-format.md), and with --trace the session's own
// trace, by the same writer as the replay tool's. kestrin-replay SCRIPT then
// prints that trace again, line for line.
//
// A recording is never lost: an existing file is written over only with
// --overwrite, and each output is locked while it is written, so a second
// recorder on it is refused; every line is whole or absent; and the end of
// the session (the wait to its last event) is written however it ends: the
// game ending, a signal, a failed write, or the display going away.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QCoreApplication>

#include "host/common/output_file.h"
#include "host/common/script_writer.h"
#include "host/common/trace.h"
#include "host/qt/window/application.h"
#include "host/qt/window/run_game.h"
#include "tools/support/command_line.h"
#include "tools/support/session_output.h"

namespace {

constexpr std::string_view kTool = "kestrin-record";

void say(std::string_view message) { kestrin::tools::say(kTool, message); }

}  // namespace

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  kestrin::qt::SteadyClock clock;
  kestrin::qt::Application app(argc, argv);  // takes Qt's own options first

  kestrin::tools::CommandLine line(
      kTool, "usage: kestrin-record SCRIPT [--trace TRACE] [--overwrite]\n",
      {{"trace", "TRACE", "also write the session's trace to TRACE"},
       {"overwrite", nullptr, "write over SCRIPT and TRACE if they are there"}},
      1, 1);
  if (!line.parse(argc, argv)) return line.status();

  // Every output checked before any is written to or emptied: a refused one
  // leaves the others as they were.
  kestrin::io::OutputRules rules{.keepExisting = !line.isSet("overwrite"), .lock = true};
  auto scriptFile = kestrin::io::OutputFile::open(line.words()[0], rules);
  if (!scriptFile.ok()) {
    say(kestrin::io::describe(scriptFile.path(), scriptFile.failure()));
    return kestrin::io::exitStatus(scriptFile.failure());
  }
  if (scriptFile.id()) rules.otherOutputs.push_back(*scriptFile.id());
  std::optional<kestrin::io::OutputFile> traceFile;
  if (const auto tracePath = line.value("trace")) {
    traceFile = kestrin::io::OutputFile::open(*tracePath, rules);
    if (!traceFile->ok()) {
      say(kestrin::io::describe(traceFile->path(), traceFile->failure()));
      return kestrin::io::exitStatus(traceFile->failure());
    }
  }
  for (kestrin::io::OutputFile* file : {&scriptFile, traceFile ? &*traceFile : nullptr}) {
    if (file != nullptr && !file->begin()) {
      say(kestrin::io::describe(file->path(), file->failure()));
      return 1;
    }
  }

  // Each line goes out as soon as it is made: whatever stops the program,
  // what was recorded up to then is on disk.
  kestrin::tools::SessionOutput script(kTool, std::move(scriptFile));
  std::optional<kestrin::tools::SessionOutput> trace;
  if (traceFile) trace.emplace(kTool, std::move(*traceFile));
  kestrin::ScriptWriter scriptWriter(
      [&script](std::string_view text) {
        script.line(text);
        script.flush();
      },
      [](std::int64_t t, std::string_view what) {
        say("the replay of the script parts from the session from " + std::to_string(t / 1000) +
            " ms on: " + std::string(what));
      });
  std::optional<kestrin::TraceWriter> traceWriter;
  if (trace) {
    traceWriter.emplace([&trace](std::string_view text) {
      trace->line(text);
      trace->flush();
    });
  }
  // The end of the session, written however it ends.
  const auto finish = [&] {
    scriptWriter.finish();
    bool written = script.close();
    if (trace && !trace->close()) written = false;
    return written;
  };
  kestrin::qt::Application::onDisplayLost([&] {
    finish();
    say("the display went away");
    std::_Exit(1);
  });
  const auto stop = kestrin::tools::endOnStopSignals();

  int status = kestrin::qt::runGame(app, clock, [&](kestrin::qt::QtHost& host) {
    host.program().addObserver(scriptWriter);
    if (traceWriter) host.program().addObserver(*traceWriter);
  });
  kestrin::qt::Application::onDisplayLost({});
  if (!finish()) status = 1;
  return status;
}
