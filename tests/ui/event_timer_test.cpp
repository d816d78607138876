#include "ui/event_timer.h"

#include <gtest/gtest.h>

#include <QTest>
#include <stdexcept>
#include <thread>

#include "ui/message_boxes.h"

namespace kal::ui {
namespace {

TEST(EventTimer, SettingTheValueItHasKeepsThePeriod) {
  EventTimer timer(10000, true);
  timer.SetOnTimer([] {});
  QTest::qWait(60);
  timer.SetInterval(10000);
  timer.SetEnabled(true);
  EXPECT_LE(timer.RemainingTime(), 9950);

  timer.SetInterval(20000);  // a change starts a new period
  EXPECT_GT(timer.RemainingTime(), 15000);
}

TEST(EventTimer, RunsWhenEnabledWithAnIntervalAndAHandler) {
  EventTimer timer(100, true);
  EXPECT_FALSE(timer.Running());  // no handler yet
  timer.SetOnTimer([] {});
  EXPECT_TRUE(timer.Running());
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
}

TEST(EventTimer, SlowTicksDoNotPileUp) {
  EventTimer timer(1, true);
  int ticks = 0;
  timer.SetOnTimer([&] {
    ++ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  });
  QTest::qWait(200);
  timer.SetEnabled(false);
  EXPECT_GE(ticks, 1);
  EXPECT_LE(ticks, 10);  // one per handler run, not one per millisecond
}

TEST(EventTimer, AFailingTickIsShownAndTheTimerRunsOn) {
  testing::MessageBoxes boxes;
  EventTimer timer(1, true);
  int ticks = 0;
  timer.SetOnTimer([&] {
    if (++ticks == 1) throw std::runtime_error("Not enough timers available");
  });
  QTRY_VERIFY(ticks >= 3);
  timer.SetEnabled(false);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, "Not enough timers available.");
}

}  // namespace
}  // namespace kal::ui
