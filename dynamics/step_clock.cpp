#include "dynamics/step_clock.h"

std::int32_t StepClock::Tick() {
  const std::int32_t before = count;
  count = (count + 1 <= period) ? count + 1 : 0;
  return before;
}

// The quotient of the two integers in floating point, rounded to float.
float StepClock::Phase() const {
  return static_cast<float>(static_cast<double>(count) / static_cast<double>(period));
}
