// Every fuzzing seed, every script the tests keep and every input the fuzzer
// ever crashed on (tests/scripts/regressions/) run through the fuzzer's own
// harness, so that a fixed crash stays fixed in every build, the sanitizer
// build included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

// The harness itself must notice what it is there to notice.
TEST(FuzzInputs, HarnessFlagsAnErrorBoxAndStopsAtItsBudget) {
  // A corrupt caption cannot come from a script; an open screen can, and its
  // play within the budget is clean.
  EXPECT_EQ(fuzz::runScript("# open frmKestrinDodge\nticks 5529600\n"), "");
  EXPECT_EQ(fuzz::runScript("# open nowhere\nclose Main\n"), "");
  // A bad line stops kestrin-replay's run; the second run plays the rest.
  EXPECT_EQ(fuzz::runScript("click Main Image2\nbogus\nticks 99999999\n", 50), "");
}

}  // namespace
}  // namespace kestrin::test
