// The real clock: the timerfd alarm, and the whole host at 64 ticks a second.
#include <QElapsedTimer>

#include "host/common/catalog.h"
#include "host/qt/qt_host.h"
#include "host/qt/tick_alarm.h"
#include "shell/caption_number.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

TEST(TimerFdAlarm, WakesAtTheArmedTimeNotBefore) {
  const SteadyClock clock;
  TimerFdAlarm alarm(clock);
  std::optional<std::int64_t> woke;
  alarm.setWakeHandler([&] { woke = clock.now(); });
  const std::int64_t due = clock.now() + 30'000;
  alarm.arm(due);
  ASSERT_TRUE(QTest::qWaitFor([&] { return woke.has_value(); }, 1000));
  EXPECT_GE(*woke, due);  // how late it may be is the pacing probe's figure
}

TEST(TimerFdAlarm, DisarmedOrMovedAlarmDoesNotGoOffEarly) {
  const SteadyClock clock;
  TimerFdAlarm alarm(clock);
  int wakes = 0;
  alarm.setWakeHandler([&] { ++wakes; });
  alarm.arm(clock.now() + 10'000);
  alarm.arm(std::nullopt);
  QTest::qWait(40);
  EXPECT_EQ(wakes, 0);
  alarm.arm(clock.now() + 10'000);
  alarm.arm(clock.now() + 200'000);  // re-arming replaces the earlier deadline
  QTest::qWait(60);
  EXPECT_EQ(wakes, 0);
}

// Dodge scores a point a tick: its score is the number of ticks delivered.
// How close to 64 a second they come is the pacing probe's figure, not a
// test's: a loaded machine may drop ticks, but none may come early.
TEST(RealTime, RealClockTicksNeverAheadOfTheGrid) {
  const SteadyClock clock;
  TimerFdAlarm alarm(clock);
  QtHost host(clock, alarm);
  alarm.setWakeHandler([&host] { host.wake(); });
  host.start();
  const std::int64_t opened = clock.now();  // the game's timer starts after this
  QTest::mouseClick(host.window("Main")->windowHandle(), Qt::LeftButton, {},
                    QPoint(5520 / 15 + 10, 4080 / 15 + 10));
  ASSERT_NE(host.window("frmKestrinDodge"), nullptr);

  QTest::qWait(1000);
  const double score =
      captionNumber(host.program().findScreen("frmKestrinDodge")->form()->find("lblScore")->Caption);
  const auto due = (clock.now() - opened) / Program::kTimerGranularity;
  EXPECT_LE(score, static_cast<double>(due)) << "never a tick before its time";
  EXPECT_GE(score, 1.0) << "the timerfd alarm delivers ticks";
}

}  // namespace
}  // namespace kestrin::qt::test
