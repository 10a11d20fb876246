// The real clock: both alarms (the timerfd where the system has one, and
// Qt's timer), and the whole host at 64 ticks a second on the alarm the
// build chose.
#include <limits>
#include <ostream>
#include <random>

#include <QElapsedTimer>

#include "host/common/catalog.h"
#include "host/qt/window/qt_host.h"
#include "host/qt/window/tick_alarm.h"
#include "shell/caption_number.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

struct AlarmKind {
  const char* name;
  std::unique_ptr<TickAlarm> (*make)(const SteadyClock&);
};

void PrintTo(const AlarmKind& kind, std::ostream* os) { *os << kind.name; }

const AlarmKind kAlarms[] = {
    {"Qt", [](const SteadyClock& c) -> std::unique_ptr<TickAlarm> {
       return std::make_unique<QtTimerAlarm>(c);
     }},
#ifdef KESTRIN_HAVE_TIMERFD
    {"TimerFd", [](const SteadyClock& c) -> std::unique_ptr<TickAlarm> {
       return std::make_unique<TimerFdAlarm>(c);
     }},
#endif
};

class EachAlarm : public testing::TestWithParam<AlarmKind> {
 protected:
  const SteadyClock clock;
  std::unique_ptr<TickAlarm> alarm = GetParam().make(clock);
};

TEST_P(EachAlarm, WakesAtTheArmedTimeNotBefore) {
  std::optional<std::int64_t> woke;
  alarm->setWakeHandler([&] { woke = clock.now(); });
  const std::int64_t due = clock.now() + 30'000;
  alarm->arm(due);
  ASSERT_TRUE(QTest::qWaitFor([&] { return woke.has_value(); }, 1000));
  EXPECT_GE(*woke, due);  // how late it may be is the pacing probe's figure
}

TEST_P(EachAlarm, DisarmedOrMovedAlarmDoesNotGoOffEarly) {
  int wakes = 0;
  alarm->setWakeHandler([&] { ++wakes; });
  alarm->arm(clock.now() + 10'000);
  alarm->arm(std::nullopt);
  QTest::qWait(40);
  EXPECT_EQ(wakes, 0);
  alarm->arm(clock.now() + 10'000);
  alarm->arm(clock.now() + 200'000);  // re-arming replaces the earlier deadline
  QTest::qWait(60);
  EXPECT_EQ(wakes, 0);
}

// Armed as the host arms it, to each next point of a 64 Hz grid from the
// wake handler: every deadline wakes once, in order, never before it is
// due. How late is the pacing probe's figure, not a test's.
TEST_P(EachAlarm, GridOfDeadlinesWakesOnceEachInOrderNeverEarly) {
  constexpr int kTicks = 32;
  const std::int64_t start = clock.now();
  std::vector<std::pair<std::int64_t, std::int64_t>> wakes;  // due, woke
  std::int64_t due = start + Program::kTimerGranularity;
  alarm->setWakeHandler([&] {
    wakes.emplace_back(due, clock.now());
    due += Program::kTimerGranularity;  // the grid, not the wake, sets the next
    if (wakes.size() < kTicks) alarm->arm(due);
  });
  alarm->arm(due);
  ASSERT_TRUE(QTest::qWaitFor([&] { return wakes.size() == kTicks; }, 30'000));
  QTest::qWait(30);
  ASSERT_EQ(wakes.size(), std::size_t{kTicks}) << "a wake after the alarm was left unarmed";
  for (std::size_t i = 0; i < wakes.size(); ++i) {
    EXPECT_EQ(wakes[i].first, start + std::int64_t(i + 1) * Program::kTimerGranularity);
    EXPECT_GE(wakes[i].second, wakes[i].first) << "tick " << i << " woke early";
    if (i > 0) {
      EXPECT_GE(wakes[i].second, wakes[i - 1].second);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Alarms, EachAlarm, testing::ValuesIn(kAlarms),
                         [](const testing::TestParamInfo<AlarmKind>& kind) {
                           return std::string(kind.param.name);
                         });

// Qt waits in whole milliseconds: the wait is rounded up, never down.
TEST(QtTimerAlarm, WaitIsTheTimeLeftRoundedUpToWholeMilliseconds) {
  const struct {
    std::int64_t due, now;
    int ms;
  } cases[] = {
      {1000, 1000, 0},         {999, 1000, 0},         {-5, 1000, 0},  // due or past: at once
      {1001, 1000, 1},         {2000, 1000, 1},        {2001, 1000, 2},
      {15'625, 0, 16},         {31'250, 15'900, 16},   {31'250, 16'250, 15},
      {std::int64_t{1} << 50, 0, std::numeric_limits<int>::max()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(millisecondsUntil(c.due, c.now), c.ms) << c.due << " at " << c.now;
  }
}

// On a clock the test moves: a timer that goes off while the program's clock
// is still short of the deadline waits again rather than waking the host,
// however often; once the clock has reached it, the host wakes once. Each
// tick is woken late by a random amount, and the next deadline stays on the
// grid.
TEST(QtTimerAlarm, NeverWakesBeforeTheProgramsClockReachesTheDeadline) {
  headless::VirtualClock clock;
  QtTimerAlarm alarm(clock);
  std::vector<std::int64_t> woke;
  alarm.setWakeHandler([&] { woke.push_back(clock.now()); });
  std::mt19937 random(14);
  std::int64_t due = Program::kTimerGranularity;
  for (int tick = 0; tick < 8; ++tick) {
    clock.set(due - 3000);
    alarm.arm(due);
    QTest::qWait(12);  // the timer has gone off, some 3 ms each, and found it early
    ASSERT_EQ(woke.size(), std::size_t(tick)) << "woke before " << due;
    const std::int64_t late = std::uniform_int_distribution<std::int64_t>(0, 2000)(random);
    clock.set(due + late);
    ASSERT_TRUE(QTest::qWaitFor([&] { return woke.size() == std::size_t(tick + 1); }, 1000));
    EXPECT_EQ(woke.back(), due + late);
    due += Program::kTimerGranularity;
  }
  QTest::qWait(10);
  EXPECT_EQ(woke.size(), 8u) << "one wake for each arming";
}

// Dodge scores a point a tick: its score is the number of ticks delivered.
// How close to 64 a second they come is the pacing probe's figure, not a
// test's: a loaded machine may drop ticks, but none may come early.
TEST(RealTime, RealClockTicksNeverAheadOfTheGrid) {
  const SteadyClock clock;
  const std::unique_ptr<TickAlarm> alarm = makeTickAlarm(clock);
  QtHost host(clock, *alarm);
  alarm->setWakeHandler([&host] { host.wake(); });
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
  EXPECT_GE(score, 1.0) << "the " << tickAlarmName() << " alarm delivers ticks";
}

}  // namespace
}  // namespace kestrin::qt::test
