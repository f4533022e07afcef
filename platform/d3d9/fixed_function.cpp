#include "platform/d3d9/fixed_function.h"

#include <cmath>


namespace latticegas_d3d9 {

std::array<D3DVECTOR, 3> NormalMatrixRows(const D3DMATRIX& modelView) {
  const auto& m = modelView.m;
  // Cofactors of the upper 3 x 3; the inverse is their transpose over the
  // determinant, so the inverse transpose is the cofactors over it.
  const float c[3][3] = {
      {m[1][1] * m[2][2] - m[1][2] * m[2][1], m[1][2] * m[2][0] - m[1][0] * m[2][2],
       m[1][0] * m[2][1] - m[1][1] * m[2][0]},
      {m[0][2] * m[2][1] - m[0][1] * m[2][2], m[0][0] * m[2][2] - m[0][2] * m[2][0],
       m[0][1] * m[2][0] - m[0][0] * m[2][1]},
      {m[0][1] * m[1][2] - m[0][2] * m[1][1], m[0][2] * m[1][0] - m[0][0] * m[1][2],
       m[0][0] * m[1][1] - m[0][1] * m[1][0]},
  };
  const float det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
  std::array<D3DVECTOR, 3> rows{};
  if (det == 0.0f || !std::isfinite(det)) return rows;
  for (int i = 0; i < 3; ++i) rows[i] = D3DVECTOR{c[i][0] / det, c[i][1] / det, c[i][2] / det};
  return rows;
}

D3DVECTOR TowardsLightInView(const D3DVECTOR& direction, const D3DMATRIX& view) {
  const float d[3] = {-direction.x, -direction.y, -direction.z};
  float v[3];
  for (int j = 0; j < 3; ++j) v[j] = d[0] * view.m[0][j] + d[1] * view.m[1][j] + d[2] * view.m[2][j];
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0f) return D3DVECTOR{0.0f, 0.0f, 0.0f};
  return D3DVECTOR{v[0] / length, v[1] / length, v[2] / length};
}

D3DCOLORVALUE ColourValueOf(D3DCOLOR colour) {
  return D3DCOLORVALUE{static_cast<float>((colour >> 16) & 0xffu) / 255.0f,
                       static_cast<float>((colour >> 8) & 0xffu) / 255.0f,
                       static_cast<float>(colour & 0xffu) / 255.0f,
                       static_cast<float>((colour >> 24) & 0xffu) / 255.0f};
}

}  // namespace latticegas_d3d9
