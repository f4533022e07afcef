#include "platform/d3d9/fixed_function.h"

#include <algorithm>
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

void LightVertex(const VertexLighting& setup, const D3DMATERIAL9& material, const float eye[3],
                 const float normal[3], float rgba[4]) {
  if (!setup.lighting) {
    rgba[0] = rgba[1] = rgba[2] = rgba[3] = 1.0f;
    return;
  }
  float n[3] = {normal[0], normal[1], normal[2]};
  if (setup.normalize) {
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0f)
      for (float& c : n) c /= length;
  }
  const D3DCOLORVALUE& me = material.Emissive;
  const D3DCOLORVALUE& ma = material.Ambient;
  const D3DCOLORVALUE& md = material.Diffuse;
  const D3DCOLORVALUE& ms = material.Specular;
  float colour[3] = {me.r + ma.r * setup.sceneAmbient.r, me.g + ma.g * setup.sceneAmbient.g,
                     me.b + ma.b * setup.sceneAmbient.b};
  if (setup.lightEnabled) {
    const D3DVECTOR& l = setup.towardsLight;
    const float nDotL = n[0] * l.x + n[1] * l.y + n[2] * l.z;
    const float lit = std::max(nDotL, 0.0f);
    colour[0] += ma.r * setup.lightAmbient.r;
    colour[1] += ma.g * setup.lightAmbient.g;
    colour[2] += ma.b * setup.lightAmbient.b;
    colour[0] += lit * md.r * setup.lightDiffuse.r;
    colour[1] += lit * md.g * setup.lightDiffuse.g;
    colour[2] += lit * md.b * setup.lightDiffuse.b;
    if (nDotL > 0.0f && setup.specular) {
      // Towards the eye at the origin, then halfway to the light.
      const float eyeLength = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
      float h[3] = {l.x, l.y, l.z};
      if (eyeLength > 0.0f)
        for (int i = 0; i < 3; ++i) h[i] -= eye[i] / eyeLength;
      const float hLength = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
      const float nDotH = hLength > 0.0f ? (n[0] * h[0] + n[1] * h[1] + n[2] * h[2]) / hLength : 0.0f;
      if (nDotH > 0.0f) {
        const float shine = std::pow(nDotH, SpecularExponent(material.Power));
        colour[0] += shine * ms.r * setup.lightSpecular.r;
        colour[1] += shine * ms.g * setup.lightSpecular.g;
        colour[2] += shine * ms.b * setup.lightSpecular.b;
      }
    }
  }
  for (int i = 0; i < 3; ++i) rgba[i] = std::clamp(colour[i], 0.0f, 1.0f);
  rgba[3] = std::clamp(md.a, 0.0f, 1.0f);
}

}  // namespace latticegas_d3d9
