// Fingers on the canvas as the program's mouse input: the tap, hold and
// movement thresholds, the pinch's notches both ways, and the touches that
// must say nothing (a second finger during a hold, a cancelled pointer).
#include "platform/win32/touch_gestures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using latticegas_win32::TouchGesture;
using latticegas_win32::TouchGestures;
using latticegas_win32::TouchPoint;
using Kind = TouchGesture::Kind;
using Gestures = std::vector<TouchGesture>;

constexpr TouchPoint kAt{200.0, 150.0};

TouchPoint Offset(TouchPoint p, double dx, double dy) { return TouchPoint{p.x + dx, p.y + dy}; }

TEST(TouchTap, LiftedSoonAndNearIsOneTapWhereTheFingerLanded) {
  TouchGestures g;
  g.Down(1, kAt, 1000.0);
  EXPECT_TRUE(g.Move(1, Offset(kAt, 6.0, 7.9), 1100.0).empty());  // 9.97 px away
  EXPECT_EQ(g.Up(1, Offset(kAt, 3.0, 0.0), 1300.0), (Gestures{{Kind::tap, kAt}}));
  // The next touch starts afresh.
  g.Down(2, Offset(kAt, 50.0, 0.0), 2000.0);
  EXPECT_EQ(g.Up(2, Offset(kAt, 50.0, 0.0), 2010.0), (Gestures{{Kind::tap, Offset(kAt, 50.0, 0.0)}}));
}

TEST(TouchTap, TooLongOrTooFarIsNoTap) {
  TouchGestures slow;
  slow.Down(1, kAt, 0.0);
  EXPECT_TRUE(slow.Up(1, kAt, 301.0).empty());

  TouchGestures moved;  // ten pixels is a drag, even back where it started
  moved.Down(1, kAt, 0.0);
  EXPECT_TRUE(moved.Move(1, Offset(kAt, 0.0, 10.0), 50.0).empty());
  EXPECT_TRUE(moved.Move(1, kAt, 100.0).empty());
  EXPECT_TRUE(moved.Up(1, kAt, 150.0).empty());
  EXPECT_TRUE(moved.Wake(1000.0).empty());

  TouchGestures liftedAway;
  liftedAway.Down(1, kAt, 0.0);
  EXPECT_TRUE(liftedAway.Up(1, Offset(kAt, -10.0, 0.0), 100.0).empty());
}

TEST(TouchHold, RestingHalfASecondIsOneHoldAndNoTap) {
  TouchGestures g;
  g.Down(7, kAt, 1000.0);
  ASSERT_EQ(g.HoldDue(), 1500.0);
  EXPECT_TRUE(g.Move(7, Offset(kAt, 9.0, 0.0), 1200.0).empty());
  EXPECT_TRUE(g.Wake(1499.0).empty());
  EXPECT_EQ(g.Wake(1500.0), (Gestures{{Kind::hold, kAt}}));
  EXPECT_FALSE(g.HoldDue().has_value());
  EXPECT_TRUE(g.Wake(2000.0).empty());
  EXPECT_TRUE(g.Up(7, kAt, 2100.0).empty());
}

TEST(TouchHold, ALateTimerStillHoldsAtTheNextEvent) {
  // The page's timer may fire after the finger has moved or lifted.
  TouchGestures moved;
  moved.Down(1, kAt, 0.0);
  EXPECT_EQ(moved.Move(1, Offset(kAt, 40.0, 0.0), 520.0), (Gestures{{Kind::hold, kAt}}));
  TouchGestures lifted;
  lifted.Down(1, kAt, 0.0);
  EXPECT_EQ(lifted.Up(1, kAt, 600.0), (Gestures{{Kind::hold, kAt}}));
}

TEST(TouchHold, MovingOffCancelsIt) {
  TouchGestures g;
  g.Down(1, kAt, 0.0);
  g.Move(1, Offset(kAt, 6.0, 8.0), 100.0);  // exactly 10 px
  EXPECT_FALSE(g.HoldDue().has_value());
  EXPECT_TRUE(g.Wake(600.0).empty());
}

std::vector<Kind> Kinds(const Gestures& gestures) {
  std::vector<Kind> kinds;
  for (const TouchGesture& g : gestures) kinds.push_back(g.kind);
  return kinds;
}

// Two fingers `from` apart, moved in `steps` to `to` apart, about (300, 200).
Gestures Pinch(TouchGestures& g, double from, double to, int steps) {
  const TouchPoint centre{300.0, 200.0};
  g.Down(1, Offset(centre, -from / 2, 0.0), 0.0);
  g.Down(2, Offset(centre, from / 2, 0.0), 10.0);
  Gestures out;
  for (int i = 1; i <= steps; ++i) {
    const double d = from + (to - from) * i / steps;
    for (const auto& [id, side] : {std::pair{1, -1.0}, std::pair{2, 1.0}})
      for (const TouchGesture& t : g.Move(id, Offset(centre, side * d / 2, 0.0), 20.0 + i))
        out.push_back(t);
  }
  g.Up(1, centre, 100.0);
  g.Up(2, centre, 100.0);
  return out;
}

TEST(TouchPinch, OneNotchPerTenthOfSpreadBothWays) {
  const std::vector<Kind> in{Kind::notchIn, Kind::notchIn};
  const std::vector<Kind> out{Kind::notchOut, Kind::notchOut};
  for (int steps : {1, 5, 40}) {
    TouchGestures g;
    EXPECT_EQ(Kinds(Pinch(g, 100.0, 125.0, steps)), in) << steps << " steps";
    EXPECT_EQ(Kinds(Pinch(g, 125.0, 100.0, steps)), out) << steps << " steps";
  }
  TouchGestures g;
  EXPECT_EQ(Pinch(g, 100.0, 110.0, 3).size(), 1u);
  EXPECT_EQ(Pinch(g, 100.0, 109.0, 3).size(), 0u);
  // There and back: each notch counts from the last one, so none is lost.
  g.Down(1, TouchPoint{0.0, 0.0}, 0.0);
  g.Down(2, TouchPoint{100.0, 0.0}, 0.0);
  EXPECT_EQ(g.Move(2, TouchPoint{121.0, 0.0}, 1.0).size(), 2u);
  const Gestures back = g.Move(2, TouchPoint{100.0, 0.0}, 2.0);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].kind, Kind::notchOut);
  EXPECT_EQ(back[0].at.x, 50.0);
}

TEST(TouchPinch, FingersTogetherMakeNoEndlessNotches) {
  TouchGestures g;
  g.Down(1, kAt, 0.0);
  g.Down(2, kAt, 0.0);
  EXPECT_EQ(g.Move(2, Offset(kAt, 1.0, 0.0), 1.0).size(), 0u);
  EXPECT_EQ(g.Move(2, Offset(kAt, 1.3, 0.0), 2.0).size(), 2u);
}

TEST(TouchPinch, SecondFingerMidHoldCancelsHoldAndTap) {
  TouchGestures g;
  g.Down(1, kAt, 0.0);
  g.Down(2, Offset(kAt, 100.0, 0.0), 300.0);
  EXPECT_FALSE(g.HoldDue().has_value());
  EXPECT_TRUE(g.Wake(600.0).empty());
  EXPECT_TRUE(g.Up(2, Offset(kAt, 100.0, 0.0), 320.0).empty());
  // The first finger, left alone, is no tap and no hold either.
  EXPECT_TRUE(g.Wake(2000.0).empty());
  EXPECT_TRUE(g.Up(1, kAt, 2000.0).empty());
}

TEST(TouchPinch, EndsWithTheFirstFingerUpAndIgnoresAThird) {
  TouchGestures g;
  g.Down(1, TouchPoint{0.0, 0.0}, 0.0);
  g.Down(2, TouchPoint{100.0, 0.0}, 0.0);
  g.Down(3, TouchPoint{500.0, 0.0}, 0.0);
  EXPECT_TRUE(g.Move(3, TouchPoint{900.0, 0.0}, 1.0).empty());
  g.Up(1, TouchPoint{0.0, 0.0}, 2.0);
  EXPECT_TRUE(g.Move(2, TouchPoint{300.0, 0.0}, 3.0).empty());
  EXPECT_TRUE(g.Up(3, TouchPoint{900.0, 0.0}, 4.0).empty());
  EXPECT_TRUE(g.Up(2, TouchPoint{300.0, 0.0}, 5.0).empty());
}

TEST(TouchCancel, ACancelledPointerSendsNothing) {
  TouchGestures held;
  held.Down(1, kAt, 0.0);
  EXPECT_TRUE(held.Cancel(1).empty());
  EXPECT_FALSE(held.HoldDue().has_value());
  EXPECT_TRUE(held.Wake(1000.0).empty());
  EXPECT_TRUE(held.Up(1, kAt, 100.0).empty());

  TouchGestures pinch;
  pinch.Down(1, TouchPoint{0.0, 0.0}, 0.0);
  pinch.Down(2, TouchPoint{100.0, 0.0}, 0.0);
  pinch.Cancel(1);
  EXPECT_TRUE(pinch.Move(2, TouchPoint{200.0, 0.0}, 1.0).empty());
  EXPECT_TRUE(pinch.Up(2, TouchPoint{200.0, 0.0}, 2.0).empty());
  // All fingers gone: the next touch is a tap again.
  pinch.Down(4, kAt, 10.0);
  EXPECT_EQ(pinch.Up(4, kAt, 20.0), (Gestures{{Kind::tap, kAt}}));
}

TEST(TouchEvents, UnknownAndBrokenPointsAreIgnored) {
  TouchGestures g;
  EXPECT_TRUE(g.Up(9, kAt, 0.0).empty());
  EXPECT_TRUE(g.Move(9, kAt, 0.0).empty());
  g.Down(1, TouchPoint{NAN, 0.0}, 0.0);
  EXPECT_FALSE(g.HoldDue().has_value());
  g.Down(1, kAt, 0.0);
  g.Down(1, Offset(kAt, 50.0, 0.0), 10.0);  // the same finger twice is still one
  EXPECT_TRUE(g.Move(1, TouchPoint{INFINITY, 0.0}, 20.0).empty());
  EXPECT_EQ(g.Up(1, kAt, 30.0), (Gestures{{Kind::tap, kAt}}));
}

}  // namespace
