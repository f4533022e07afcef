#include "lattice/node.h"

#include <cmath>

namespace {

// k * pi / 3 as floats, exactly as listed: the last is one float step above
// the nearest float to 5 pi / 3, so it must not be computed.
constexpr float kAngle1 = 1.0471975803375244f;
constexpr float kAngle2 = 2.094395160675049f;
constexpr float kAngle4 = 4.188790321350098f;
constexpr float kAngle5 = 5.235988140106201f;

// Cosine and sine in double on the float angle, each rounded to float, then
// scaled by the spacing in float.
PlanePoint Offset(float angle) {
  const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
  const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
  return {kSpacing * c, kSpacing * s};
}

}  // namespace

DirectionOffsets ComputeDirectionTable() {
  const float zero = kSpacing * 0.0f;
  return {{{kSpacing, zero},
           Offset(kAngle1),
           Offset(kAngle2),
           {kSpacing * -1.0f, zero},
           Offset(kAngle4),
           Offset(kAngle5)}};
}

const DirectionOffsets DirectionTable = ComputeDirectionTable();
