#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/session.h"

namespace kestrin::test {
namespace {

// One script line and what its trace line must say: the handler reached,
// the screen it went to and the focus after it.
struct Step {
  const char* line;
  const char* event;
  const char* screen;
  const char* focus;
};

// The launcher without a mouse, session by session from start-up, as the
// rule reads: Tab goes round the cards (Shift+Tab the other way), Left
// gives the left card the focus and Right the right one, Space or Enter
// opens the focused card's game as its click does, and nothing else on the
// launcher reaches a handler.
const std::vector<std::vector<Step>> kSessions = {
    {
        {"keydown 9", "none", "Main", "Main.Image1"},
        {"keyup 9", "none", "Main", "Main.Image1"},
        {"keydown 9", "none", "Main", "Main.Image2"},
        {"keydown 9", "none", "Main", "Main.Image1"},  // round again
        {"keydown 9 2", "none", "Main", "Main.Image2"},  // Ctrl is no Shift
        {"keydown 9 1", "none", "Main", "Main.Image1"},
        {"keydown 9 3", "none", "Main", "Main.Image2"},  // the shift bit with Ctrl
        {"keydown 38", "none", "Main", "Main.Image2"},
        {"keydown 40", "none", "Main", "Main.Image2"},
        {"keyup 32", "none", "Main", "Main.Image2"},  // only a key going down clicks
        {"keydown 32", "Image2_Click", "Main", "frmKestrinDodge"},
    },
    {
        {"keydown 32", "none", "Main", "Main"},  // no card has the focus yet
        {"keydown 13", "none", "Main", "Main"},
        {"keydown 9 1", "none", "Main", "Main.Image2"},
        {"keydown 9 1", "none", "Main", "Main.Image1"},
        {"keydown 9 1", "none", "Main", "Main.Image2"},
        {"keydown 37", "none", "Main", "Main.Image1"},
        {"keydown 37", "none", "Main", "Main.Image1"},  // Left stops at the left card
        {"click Main lblMain", "none", "Main", "Main.Image1"},
        {"keydown 13", "Image1_Click", "Main", "frmKestrinBrickBreaker"},
        // The game shows; the launcher, hidden, kept no card.
        {"close frmKestrinBrickBreaker", "close", "frmKestrinBrickBreaker", "Main"},
        {"keydown 39", "none", "Main", "Main.Image2"},
        {"keydown 39", "none", "Main", "Main.Image2"},  // Right stops at the right card
        {"keydown 37", "none", "Main", "Main.Image1"},
        {"keydown 39", "none", "Main", "Main.Image2"},
        {"keydown 13", "Image2_Click", "Main", "frmKestrinDodge"},
        // The game's own keys reach its handler, Tab too while "Reset" is hidden.
        {"keydown 9", "Form_KeyDown", "frmKestrinDodge", "frmKestrinDodge"},
        {"close frmKestrinDodge", "close", "frmKestrinDodge", "Main"},
        {"keydown 9", "none", "Main", "Main.Image1"},
    },
    {
        {"keydown 39", "none", "Main", "Main.Image2"},  // Right first: the right card
        {"wait 1000", nullptr, nullptr, "Main.Image2"},  // no timer: nothing happens
        {"keydown 32", "Image2_Click", "Main", "frmKestrinDodge"},
    },
};

TEST(LauncherKeys, TabArrowsSpaceAndEnterChooseAndOpenAGameAsTheRuleReads) {
  for (std::size_t n = 0; n < kSessions.size(); ++n) {
    Session session;
    for (const Step& step : kSessions[n]) {
      SCOPED_TRACE("session " + std::to_string(n) + ", " + step.line);
      const std::size_t mark = session.mark();
      session.run(step.line);
      const std::vector<Json> lines = session.since(mark);
      if (step.event == nullptr) {
        ASSERT_TRUE(lines.empty());
        EXPECT_EQ(session.lines().size(), mark);
        continue;
      }
      ASSERT_EQ(lines.size(), 1U);
      EXPECT_EQ(lines[0]["event"].get<std::string>(), step.event);
      EXPECT_EQ(lines[0]["screen"].get<std::string>(), step.screen);
      EXPECT_EQ(lines[0]["focus"].get<std::string>(), step.focus);
    }
  }
}

}  // namespace
}  // namespace kestrin::test
