// A running game whose numbers leave their range shows the error's box,
// titled with the program's title, and ends cleanly: the end line follows
// the box, nothing runs after it, and nothing crashes on the way.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/session.h"

namespace kestrin::test {
namespace {

struct ErrorCase {
  const char* name;
  const char* open;  // script that starts the game
  std::function<void(Session&)> spoil;
  const char* box;
};

const char* const kBrickBreaker = "click Main Image1\nkeydown 32\nticks 2";
const char* const kDodge = "click Main Image2\nticks 2";
const char* const kLvl1 = "frmKestrinBrickBreaker";
const char* const kDodgeScreen = "frmKestrinDodge";

TEST(RunTimeErrors, ShowTheirBoxThenEndTheProgram) {
  const ErrorCase cases[] = {
      {"lives that are not a number", kBrickBreaker,
       [](Session& s) { s.control(kLvl1, "lbllives").Caption = "three"; }, "Type mismatch"},
      {"an empty score", kDodge, [](Session& s) { s.control(kDodgeScreen, "lblScore").Caption = ""; },
       "Type mismatch"},
      {"lives beyond a double", kDodge,
       [](Session& s) { s.control(kDodgeScreen, "lbllives").Caption = std::string(400, '9'); },
       "Overflow"},
      {"a step of -32768 turned at the wall", kBrickBreaker,
       [](Session& s) { s.setVar(kLvl1, "BallStepX", -32768); }, "Overflow"},
      {"a ball beyond 32-bit twips", kBrickBreaker,
       [](Session& s) { s.control(kLvl1, "shpBall").Left = 3e9f; }, "Overflow"},
      {"a Dodge ball beyond 32-bit twips", kDodge,
       [](Session& s) { s.control(kDodgeScreen, "shpBall").Top = -1e10f; }, "Overflow"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    s.run(c.open);
    c.spoil(s);
    const std::size_t mark = s.mark();
    s.run("ticks 1");
    const std::vector<Json> after = s.since(mark);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0]["msgbox"]["text"].get<std::string>(), c.box);
    EXPECT_EQ(after[0]["msgbox"]["title"].get<std::string>(), "Kestrin");
    EXPECT_EQ(after[1]["event"].get<std::string>(), "end");
    EXPECT_TRUE(s.ended());
    // Ended means ended: later input is read, but nothing runs or is written.
    s.run("ticks 100\nkeydown 32\nclick Main Image1\nclose Main");
    EXPECT_EQ(s.lines().size(), mark + 2);
  }
}

// The largest step the 16-bit variables hold is no error in itself: the ball
// flies out, turns at the wall and comes back.
TEST(RunTimeErrors, TheLargestStepIsNoError) {
  Session s;
  s.run(kBrickBreaker);
  s.setVar(kLvl1, "BallStepX", 32767);
  s.run("ticks 1");
  EXPECT_EQ(s.var(kLvl1, "BallStepX"), -32767);  // past the right wall: turned
  s.run("ticks 2");
  EXPECT_EQ(s.var(kLvl1, "BallStepX"), 32767);  // past the left wall: turned again
  EXPECT_FALSE(s.ended());
}

}  // namespace
}  // namespace kestrin::test
