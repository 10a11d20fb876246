// kestrin-watch shows a script's run in real windows: its trace of what it
// showed is the replay tool's of the same script, whatever the speed, and
// it refuses what the replay tool refuses.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Finished {
  int status = -1;
  std::string out, err;
};

Finished run(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(60'000)) << program.toStdString();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string written(const std::string& name, const std::string& text) {
  const std::string path = std::string(KESTRIN_QT_TEST_OUTPUT) + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(Watch, ShowsTheRunTheReplayToolTracesAtAnySpeed) {
  const std::string scripts = KESTRIN_TEST_SCRIPTS;
  // A drop, a close box back to the launcher and the second game; a game
  // to its "Game Over" box; lost balls with the script's own waits.
  const std::string closed = written("watch-closed.replay",
                                     "click Main Image1\nkeydown 32\nwait 100.5\n"
                                     "drop frmKestrinBrickBreaker Timer1 3\nwait 200\n"
                                     "close frmKestrinBrickBreaker\nwait 20\nclick Main Image2\n"
                                     "keydown 38\nticks 30\nkeyup 38\nticks 10\n");
  const struct {
    std::string script;
    const char* speed;
  } rows[] = {
      {closed, "5.5"},
      {scripts + "/dodge/corner_game.txt", "100"},
      {scripts + "/brickbreaker/three_lost_balls.script", "100"},
  };
  // On a German desktop too, where the toolkit's C locale writes 5,5: the
  // speed is read as the program reads numbers (where de_DE is installed).
  QProcessEnvironment german = QProcessEnvironment::systemEnvironment();
  german.insert("LC_ALL", "de_DE.UTF-8");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    const std::string trace = std::string(KESTRIN_QT_TEST_OUTPUT) + "/watch.trace";
    const Finished watch = run(KESTRIN_WATCH, {QString::fromStdString(row.script), "--speed", row.speed,
                                          "--trace", QString::fromStdString(trace)}, german);
    ASSERT_EQ(watch.status, 0) << watch.err;
    const Finished replay = run(KESTRIN_REPLAY, {QString::fromStdString(row.script)});
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(slurp(trace), replay.out);
  }
}

TEST(Watch, RefusesWhatTheReplayToolRefuses) {
  const struct {
    std::string script;
    int status;
    const char* says;
  } rows[] = {
      {written("watch-bad.replay", "wait 5\nclick Main Image9\n"), 2, "line 2: "},
      {written("watch-drop.replay", "drop Main Timer1 1\n"), 2, "line 1: no timer"},
      {"/nonexistent/script", 1, "kestrin-watch: /nonexistent/script: "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    const Finished watch = run(KESTRIN_WATCH, {QString::fromStdString(row.script)});
    EXPECT_EQ(watch.status, row.status);
    EXPECT_NE(watch.err.find(row.says), std::string::npos) << watch.err;
  }
}

}  // namespace
