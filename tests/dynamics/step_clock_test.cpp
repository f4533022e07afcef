#include <gtest/gtest.h>

#include "dynamics/step_clock.h"

TEST(StepClockTest, CycleIsPeriodPlusOneTicks) {
  StepClock clock(20);
  EXPECT_EQ(clock.Tick(), 0);
  EXPECT_FLOAT_EQ(clock.Phase(), 0.05f);
  int due = 0, atOne = 0;
  for (int i = 1; i < 21 * 10; ++i) {
    const int t = clock.Tick();
    EXPECT_EQ(t, i % 21);
    due += t == clock.Period();
    const float phase = clock.Phase();
    EXPECT_LE(phase, 1.0f);
    atOne += phase == 1.0f;
    if (t == clock.Period()) {
      EXPECT_EQ(phase, 0.0f);
    }
  }
  EXPECT_EQ(due, 10);
  EXPECT_EQ(atOne, 10);
}

TEST(StepClockTest, PhaseIsTheRoundedQuotient) {
  StepClock clock(20);
  for (int i = 0; i < 7; ++i) clock.Tick();
  EXPECT_EQ(clock.count, 7);
  EXPECT_EQ(clock.Phase(), 0.35f);
  StepClock one(1);
  EXPECT_EQ(one.Tick(), 0);
  EXPECT_EQ(one.Tick(), 1);
  EXPECT_EQ(one.Tick(), 0);
}
