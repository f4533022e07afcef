#pragma once
// Fingers on the window turned into the mouse input the program already
// takes, as Windows itself turns touch into mouse messages: a tap is a left
// click, a press and hold a right click, and a pinch turns the wheel. Plain
// logic over pointer events, so that it can be checked without a browser;
// the caller supplies the times, and calls Wake when a hold falls due.
#include <optional>
#include <vector>

namespace latticegas_win32 {

struct TouchPoint {
  double x = 0.0;
  double y = 0.0;

  friend bool operator==(const TouchPoint&, const TouchPoint&) = default;
};

// What the fingers have done. A tap and a hold land where the finger first
// touched; a notch is one wheel notch, in (spreading the fingers) or out,
// at the point midway between them.
struct TouchGesture {
  enum class Kind { tap, hold, notchIn, notchOut };
  Kind kind;
  TouchPoint at;

  friend bool operator==(const TouchGesture&, const TouchGesture&) = default;
};

class TouchGestures {
 public:
  // A finger lifted this soon, having moved less than kSlop, is a tap.
  static constexpr double kTapMs = 300.0;
  // A finger resting this long, having moved less than kSlop, is a hold.
  static constexpr double kHoldMs = 500.0;
  // Movement in CSS pixels below which a finger counts as resting.
  static constexpr double kSlop = 10.0;
  // The fingers' distance changes by this factor per wheel notch: one zoom
  // step of the camera.
  static constexpr double kNotchFactor = 1.1;

  // Times are in milliseconds on any clock that does not go back.
  std::vector<TouchGesture> Down(int id, TouchPoint at, double time);
  std::vector<TouchGesture> Move(int id, TouchPoint at, double time);
  std::vector<TouchGesture> Up(int id, TouchPoint at, double time);
  // The browser took the touch back (a system gesture, a lost pointer): the
  // finger is gone and says nothing.
  std::vector<TouchGesture> Cancel(int id);
  // Called at or after HoldDue: the hold, if it is still pending.
  std::vector<TouchGesture> Wake(double time);

  // When a resting finger becomes a hold, for the caller's timer (and for
  // showing where it will land while the finger rests); none when no hold is
  // pending.
  std::optional<double> HoldDue() const;

 private:
  struct Finger {
    int id;
    TouchPoint at;
  };
  enum class State {
    idle,
    // One finger down; a tap or hold until it moves too far.
    resting,
    // One finger down, that has moved or has already made its hold.
    spent,
    // Two fingers down, turning the wheel.
    pinching,
    // The gesture is over; fingers still down say nothing until all are up.
    finished,
  };

  Finger* Find(int id);
  void Lift(int id);
  double Spread() const;
  TouchPoint Midpoint() const;

  State state_ = State::idle;
  std::vector<Finger> fingers_;
  TouchPoint start_{};
  double startTime_ = 0.0;
  // The spread at the last notch (or at the pinch's start).
  double notchSpread_ = 0.0;
};

}  // namespace latticegas_win32
