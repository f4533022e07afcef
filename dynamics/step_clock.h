#pragma once

#include <cstdint>

// Paces generations by counting frames: one cycle is period + 1 ticks, and the
// phase tells drawing how far along its link every particle is.
struct StepClock {
  std::int32_t count = 0;  // 0 to period inclusive
  std::int32_t period;

  explicit StepClock(std::int32_t period) : period(period) {}

  // Returns the count before advancing it; a generation is due when that equals Period().
  std::int32_t Tick();
  float Phase() const;
  std::int32_t Period() const { return period; }
};
