#include "platform/win32/touch_gestures.h"

#include <algorithm>
#include <cmath>

namespace latticegas_win32 {

namespace {

double Distance(TouchPoint a, TouchPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

bool Finite(TouchPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Fingers closer than a pixel would make notches out of nothing.
constexpr double kLeastSpread = 1.0;
// 100 * 1.1 is a hair above 110 in doubles: a spread of exactly 110 is a notch.
constexpr double kNotchTolerance = 1e-9;

}  // namespace

TouchGestures::Finger* TouchGestures::Find(int id) {
  const auto it = std::find_if(fingers_.begin(), fingers_.end(),
                               [id](const Finger& f) { return f.id == id; });
  return it == fingers_.end() ? nullptr : &*it;
}

void TouchGestures::Lift(int id) {
  std::erase_if(fingers_, [id](const Finger& f) { return f.id == id; });
  if (fingers_.empty()) state_ = State::idle;
}

// The first two fingers make the pinch; a third one down changes nothing.
double TouchGestures::Spread() const {
  return std::max(Distance(fingers_[0].at, fingers_[1].at), kLeastSpread);
}

TouchPoint TouchGestures::Midpoint() const {
  return TouchPoint{(fingers_[0].at.x + fingers_[1].at.x) / 2.0,
                    (fingers_[0].at.y + fingers_[1].at.y) / 2.0};
}

std::vector<TouchGesture> TouchGestures::Down(int id, TouchPoint at, double time) {
  if (Find(id) != nullptr || !Finite(at)) return {};
  fingers_.push_back(Finger{id, at});
  switch (state_) {
    case State::idle:
      state_ = State::resting;
      start_ = at;
      startTime_ = time;
      break;
    case State::resting:
    case State::spent:
      // A second finger makes a pinch: the first one's tap or hold is off.
      state_ = State::pinching;
      notchSpread_ = Spread();
      break;
    case State::pinching:
    case State::finished:
      break;
  }
  return {};
}

std::vector<TouchGesture> TouchGestures::Move(int id, TouchPoint at, double time) {
  Finger* finger = Find(id);
  if (finger == nullptr || !Finite(at)) return {};
  finger->at = at;
  std::vector<TouchGesture> out;
  switch (state_) {
    case State::resting:
      // The hold fell due before this move, whatever the move does.
      out = Wake(time);
      if (state_ == State::resting && Distance(at, start_) >= kSlop) state_ = State::spent;
      break;
    case State::pinching: {
      if (finger != &fingers_[0] && finger != &fingers_[1]) break;
      const double spread = Spread();
      const TouchPoint middle = Midpoint();
      while (spread >= notchSpread_ * kNotchFactor * (1.0 - kNotchTolerance)) {
        out.push_back(TouchGesture{TouchGesture::Kind::notchIn, middle});
        notchSpread_ *= kNotchFactor;
      }
      while (spread <= notchSpread_ / kNotchFactor * (1.0 + kNotchTolerance)) {
        out.push_back(TouchGesture{TouchGesture::Kind::notchOut, middle});
        notchSpread_ /= kNotchFactor;
      }
      break;
    }
    case State::idle:
    case State::spent:
    case State::finished:
      break;
  }
  return out;
}

std::vector<TouchGesture> TouchGestures::Up(int id, TouchPoint at, double time) {
  if (Find(id) == nullptr) return {};
  std::vector<TouchGesture> out;
  switch (state_) {
    case State::resting:
      out = Wake(time);
      if (state_ == State::resting && time - startTime_ <= kTapMs && Finite(at) &&
          Distance(at, start_) < kSlop)
        out.push_back(TouchGesture{TouchGesture::Kind::tap, start_});
      break;
    case State::pinching:
      // One finger up ends the pinch; the other says nothing more.
      state_ = State::finished;
      break;
    case State::idle:
    case State::spent:
    case State::finished:
      break;
  }
  Lift(id);
  return out;
}

std::vector<TouchGesture> TouchGestures::Cancel(int id) {
  if (Find(id) == nullptr) return {};
  state_ = State::finished;
  Lift(id);
  return {};
}

std::vector<TouchGesture> TouchGestures::Wake(double time) {
  if (state_ != State::resting || time < startTime_ + kHoldMs) return {};
  state_ = State::spent;
  return {TouchGesture{TouchGesture::Kind::hold, start_}};
}

std::optional<double> TouchGestures::HoldDue() const {
  if (state_ != State::resting) return std::nullopt;
  return startTime_ + kHoldMs;
}

}  // namespace latticegas_win32
