// Keys from the window system to the key handlers: codes, Shift masks, the
// focused button, and held keys.
#include <QApplication>

#include "host/qt/window/key_codes.h"
#include "host/qt/window/key_repeat.h"
#include "host_fixture.h"
#include "probe_screen.h"

namespace kestrin::qt::test {
namespace {

using Events = std::vector<std::string>;

TEST(KeyMap, KeypadAndShiftedKeysGiveTheirKeysCode) {
  const auto code = [](int key, Qt::KeyboardModifiers mods = {}) {
    return virtualKeyCode(key, mods).value_or(-1);
  };
  EXPECT_EQ(code(Qt::Key_Enter, Qt::KeypadModifier), 13);  // the same as Return
  EXPECT_EQ(code(Qt::Key_7, Qt::KeypadModifier), 103);      // a keypad digit
  EXPECT_EQ(code(Qt::Key_7), 55);
  EXPECT_EQ(code(Qt::Key_Left, Qt::KeypadModifier), 37);    // keypad 4 without Num Lock
  EXPECT_EQ(code(Qt::Key_Exclam, Qt::ShiftModifier), 49);   // Shift+1
  EXPECT_EQ(code(Qt::Key_Colon, Qt::ShiftModifier), 186);
  EXPECT_EQ(code(Qt::Key_Z), 90);
  EXPECT_EQ(code(Qt::Key_F12), 123);
  EXPECT_EQ(code(Qt::Key_unknown), -1);
}

TEST(KeyMap, ShiftMaskFollowsTheModifierKeysThemselves) {
  EXPECT_EQ(shiftMask(Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier, true), 5);
  EXPECT_EQ(shiftMask(Qt::Key_A, Qt::ControlModifier, false), 2);
  EXPECT_EQ(shiftMask(Qt::Key_Shift, {}, true), 1);
  EXPECT_EQ(shiftMask(Qt::Key_Shift, Qt::ShiftModifier, false), 0);
  EXPECT_EQ(shiftMask(Qt::Key_Control, Qt::ShiftModifier, true), 3);
}

TEST(KeyRepeatFilter, HeldKeyGivesRepeatedDownsAndOneUp) {
  Events out;
  KeyRepeatFilter filter([&out](const KeyStroke& s) {
    out.push_back((s.down ? "down " : "up ") + std::to_string(s.code));
  });
  filter.press(37, 0, 100);
  filter.release(37, 0, 130, true);  // marked repeat
  EXPECT_FALSE(filter.holding()) << "a marked repeat is no release at all";
  filter.press(37, 0, 131);  // its press need not share the timestamp
  filter.release(37, 0, 160, false);  // unmarked repeat: the press has its timestamp
  EXPECT_TRUE(filter.holding());
  filter.press(37, 0, 160);
  EXPECT_FALSE(filter.holding());
  filter.release(37, 0, 190, false);
  EXPECT_EQ(out, (Events{"down 37", "down 37", "down 37"}));
  filter.flush();
  EXPECT_EQ(out, (Events{"down 37", "down 37", "down 37", "up 37"}));
}

TEST(KeyRepeatFilter, RealReleaseGoesOutBeforeTheNextKey) {
  Events out;
  KeyRepeatFilter filter([&out](const KeyStroke& s) {
    out.push_back((s.down ? "down " : "up ") + std::to_string(s.code));
  });
  filter.press(37, 0, 100);
  filter.release(37, 0, 200, false);
  filter.press(37, 0, 250);  // pressed again later: a new press, not a repeat
  filter.release(37, 0, 300, false);
  filter.press(39, 0, 300);  // another key at the same time
  EXPECT_EQ(out, (Events{"down 37", "up 37", "down 37", "up 37", "down 39"}));
}

class ProbeKeys : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    start([this](Program& p) { addProbeScreens(p, log); }, "frmProbe");
    ASSERT_NE(window("frmOther"), nullptr);
    ASSERT_EQ(program().activeScreen()->name(), "frmProbe");
  }
  Events take() { return std::exchange(log.events, {}); }

  ProbeLog log;
};

TEST_F(ProbeKeys, KeysReachActiveScreenWithCodeAndShift) {
  keyClick("frmProbe", Qt::Key_A, Qt::ShiftModifier);
  EXPECT_EQ(take(), (Events{"frmProbe down 16/1", "frmProbe down 65/1", "frmProbe up 65/1",
                            "frmProbe up 16/0"}));
  // Tab goes to the model too, not to Qt's focus chain: the model gives the
  // shown button the focus, and the window follows.
  keyClick("frmProbe", Qt::Key_Tab);
  EXPECT_TRUE(take().empty());
  EXPECT_EQ(window("frmProbe")->focusWidget(),
            window("frmProbe")->button(control("frmProbe", "cmdGo")));
  // A key sent to the other window still goes where the model's focus is.
  keyClick("frmOther", Qt::Key_Space);
  EXPECT_EQ(take(), (Events{"frmProbe click"}));
}

TEST_F(ProbeKeys, SpaceAndEnterOnFocusedButtonClickItOnce) {
  ScreenWindow* probe = window("frmProbe");
  QPushButton* go = probe->button(control("frmProbe", "cmdGo"));
  EXPECT_EQ(highlightPixels(*go), 0);
  clickButton("frmProbe", "cmdGo");
  EXPECT_EQ(take(), (Events{"frmProbe click"}));
  EXPECT_EQ(probe->focusWidget(), go);
  EXPECT_GT(highlightPixels(*go), go->width()) << "a clicked button shows its focus too";

  keyClick("frmProbe", Qt::Key_Space);
  keyClick("frmProbe", Qt::Key_Return);
  keyClick("frmProbe", Qt::Key_Enter, Qt::KeypadModifier);
  keyClick("frmProbe", Qt::Key_Left);  // goes nowhere while the button has the focus
  EXPECT_EQ(take(), (Events{"frmProbe click", "frmProbe click", "frmProbe click"}));

  log.hideButtonOnClick = true;
  keyClick("frmProbe", Qt::Key_Space);
  // The button hid itself on the way down: the screen holds the focus again
  // and gets the key's way up.
  EXPECT_EQ(take(), (Events{"frmProbe click", "frmProbe up 32/0"}));
  EXPECT_FALSE(go->isVisible());
  EXPECT_EQ(probe->focusWidget(), probe);
  keyClick("frmProbe", Qt::Key_Space);
  EXPECT_EQ(take(), (Events{"frmProbe down 32/0", "frmProbe up 32/0"}));
}

TEST_F(ProbeKeys, QtFocusOnButtonDoesNotOverruleModel) {
  // Qt may put the focus on the button by itself; the model still says the
  // screen has it, and the button must not click itself.
  window("frmProbe")->button(control("frmProbe", "cmdGo"))->setFocus();
  keyClick("frmProbe", Qt::Key_Space);
  EXPECT_EQ(take(), (Events{"frmProbe down 32/0", "frmProbe up 32/0"}));
  EXPECT_EQ(window("frmProbe")->focusWidget(), window("frmProbe"));
}

TEST_F(ProbeKeys, WindowSystemActivationMovesTheKeys) {
  ScreenWindow* other = window("frmOther");
  other->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(other));
  EXPECT_EQ(program().activeScreen()->name(), "frmOther");
  EXPECT_TRUE(log.events.empty()) << "activation runs no handler";
  keyClick("frmOther", Qt::Key_Up);
  EXPECT_EQ(take(), (Events{"frmOther down 38/0", "frmOther up 38/0"}));
}

// Counts the events the program takes.
struct EventCount final : ProgramObserver {
  void started(std::int64_t, const Program&) override {}
  void delivered(std::int64_t, const Delivery&, const Program&) override { ++events; }
  void messageBox(std::int64_t, std::string_view, std::string_view) override {}
  void ended(std::int64_t, const Delivery&) override {}
  int events = 0;
};

using GameKeys = HostTest;

// The launcher and a game by keyboard alone; then P and Pause, which reach
// no handler and hold every tick back until pressed again; then the
// keyboard lost with an arrow held: the arrow goes up, and the game stands
// still until the keyboard is back.
TEST_F(GameKeys, TheLauncherByKeysThenPausedByPAndByLosingTheKeyboard) {
  EventCount count;
  start([&count](Program& p) {
    addKestrinScreens(p);
    p.addObserver(count);
  });
  keyClick("Main", Qt::Key_Tab);
  keyClick("Main", Qt::Key_Right);
  ASSERT_NE(program().activeScreen()->focused(), nullptr);
  EXPECT_EQ(program().activeScreen()->focused()->name(), "Image2");
  keyClick("Main", Qt::Key_Return);
  ASSERT_NE(window("frmKestrinDodge"), nullptr);
  const auto paddleStepX = [this] {
    for (const Form::Variable& v : program().findScreen("frmKestrinDodge")->form()->variables()) {
      if (v.name == "PaddleStepX") return int{*v.value};
    }
    return -1;
  };
  QTest::keyPress(handle("frmKestrinDodge"), Qt::Key_Right);  // and held
  settleKeys();
  EXPECT_GT(paddleStepX(), 0);
  tick(3);
  const std::optional<std::int64_t> due = alarm.armed;
  ASSERT_TRUE(due);

  const int events = count.events;
  for (Qt::Key key : {Qt::Key_P, Qt::Key_Pause}) {
    keyClick("frmKestrinDodge", key);
    EXPECT_TRUE(host->paused());
    EXPECT_FALSE(alarm.armed) << "a tick fell due while paused";
    keyClick("frmKestrinDodge", key);
    EXPECT_FALSE(host->paused());
    EXPECT_EQ(alarm.armed, due) << "the next tick is where it stood";
  }
  EXPECT_EQ(count.events, events) << "P or Pause reached the program";

  host->keyboard(false);
  EXPECT_TRUE(host->paused());
  EXPECT_FALSE(alarm.armed);
  EXPECT_EQ(paddleStepX(), 0) << "the held arrow was not let go";
  EXPECT_EQ(count.events, events + 1);
  host->keyboard(true);
  EXPECT_FALSE(host->paused());
  EXPECT_EQ(alarm.armed, due);
}

}  // namespace
}  // namespace kestrin::qt::test
