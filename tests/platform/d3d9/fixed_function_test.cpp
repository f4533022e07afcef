// The lighting inputs a programmable device works out on the CPU: normals
// must stay perpendicular to surfaces under the links' non-uniform scaling,
// and the light must follow the view as Direct3D's world-space light does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/fixed_function.h"

namespace {

D3DXVECTOR3 TimesRows(const D3DXVECTOR3& v, const std::array<D3DVECTOR, 3>& rows) {
  return D3DXVECTOR3(v.x * rows[0].x + v.y * rows[1].x + v.z * rows[2].x,
                     v.x * rows[0].y + v.y * rows[1].y + v.z * rows[2].y,
                     v.x * rows[0].z + v.y * rows[1].z + v.z * rows[2].z);
}

D3DXVECTOR3 TimesMatrix(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  return D3DXVECTOR3(v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
                     v.x * m._13 + v.y * m._23 + v.z * m._33);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(FixedFunctionNormals, StayPerpendicularUnderNonUniformScaling) {
  // A link's world matrix: stretched along z, turned, moved; then the view.
  D3DXMATRIX s, r, t, view, world, modelView;
  D3DXMatrixScaling(&s, 1.0f, 1.0f, 4.3f);
  D3DXMatrixRotationX(&r, 0.7f);
  D3DXMatrixTranslation(&t, 3.0f, -2.0f, 1.0f);
  const D3DXVECTOR3 eye(1.0f, 2.0f, -20.0f), at(0.5f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  using latticegas_d3d9::MatrixProduct;
  world = MatrixProduct(MatrixProduct(s, r), t);
  modelView = MatrixProduct(world, view);
  const std::array<D3DVECTOR, 3> rows = latticegas_d3d9::NormalMatrixRows(modelView);
  // A surface with normal n holds the tangents a and b.
  const D3DXVECTOR3 n(0.6f, 0.0f, 0.8f), a(0.8f, 0.0f, -0.6f), b(0.0f, 1.0f, 0.0f);
  const D3DXVECTOR3 nView = TimesRows(n, rows);
  EXPECT_NEAR(Dot(nView, TimesMatrix(a, modelView)), 0.0f, 1e-4f);
  EXPECT_NEAR(Dot(nView, TimesMatrix(b, modelView)), 0.0f, 1e-4f);
  // Transformed as a point would be, the normal would lean.
  EXPECT_GT(std::fabs(Dot(TimesMatrix(n, modelView), TimesMatrix(a, modelView))), 0.1f);
}

TEST(FixedFunctionNormals, TurnWithARotationAndVanishForASingularMatrix) {
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, 1.1f);
  const std::array<D3DVECTOR, 3> rows = latticegas_d3d9::NormalMatrixRows(r);
  const D3DXVECTOR3 n(0.0f, 1.0f, 0.0f);
  const D3DXVECTOR3 turned = TimesRows(n, rows);
  const D3DXVECTOR3 expected = TimesMatrix(n, r);
  EXPECT_NEAR(turned.x, expected.x, 1e-6f);
  EXPECT_NEAR(turned.y, expected.y, 1e-6f);
  EXPECT_NEAR(turned.z, expected.z, 1e-6f);

  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1.0f, 0.0f, 1.0f);
  for (const D3DVECTOR& row : latticegas_d3d9::NormalMatrixRows(flat)) {
    EXPECT_EQ(row.x, 0.0f);
    EXPECT_EQ(row.y, 0.0f);
    EXPECT_EQ(row.z, 0.0f);
  }
}

TEST(FixedFunctionLight, PointsTowardsTheLightInCameraSpace) {
  const D3DVECTOR direction{1.0f, 0.0f, 0.5f};  // the program's light
  D3DXMATRIX view;
  D3DXMatrixIdentity(&view);
  D3DVECTOR towards = latticegas_d3d9::TowardsLightInView(direction, view);
  const float length = std::sqrt(1.25f);
  EXPECT_NEAR(towards.x, -1.0f / length, 1e-6f);
  EXPECT_NEAR(towards.y, 0.0f, 1e-6f);
  EXPECT_NEAR(towards.z, -0.5f / length, 1e-6f);

  // A view turned a quarter about y: the world's -x lies along the camera's +z.
  D3DXMatrixIdentity(&view);
  view._11 = 0.0f;
  view._13 = -1.0f;
  view._31 = 1.0f;
  view._33 = 0.0f;
  view._41 = 5.0f;  // moving the camera does not move a directional light
  towards = latticegas_d3d9::TowardsLightInView(direction, view);
  EXPECT_NEAR(towards.x, -0.5f / length, 1e-6f);
  EXPECT_NEAR(towards.z, 1.0f / length, 1e-6f);

  const D3DVECTOR none = latticegas_d3d9::TowardsLightInView(D3DVECTOR{0.0f, 0.0f, 0.0f}, view);
  EXPECT_EQ(none.x, 0.0f);
}

TEST(FixedFunctionColour, UnpacksArgb) {
  const D3DCOLORVALUE c = latticegas_d3d9::ColourValueOf(D3DCOLOR_ARGB(128, 255, 51, 0));
  EXPECT_EQ(c.r, 1.0f);
  EXPECT_EQ(c.g, 0.2f);
  EXPECT_EQ(c.b, 0.0f);
  EXPECT_EQ(c.a, 128.0f / 255.0f);
}

}  // namespace

// The stream's lighting on the CPU against Direct3D's equation for one
// directional light, worked out here in double: emissive, ambient from the
// scene and the light, diffuse by N.L, and specular by N.H to the power (with
// the local viewer, only where the light reaches), each channel clamped.
TEST(FixedFunctionLighting, VertexColourFollowsDirect3DsEquation) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f), level(0.0f, 1.0f);
  auto colour = [&] { return D3DCOLORVALUE{level(rng), level(rng), level(rng), level(rng)}; };
  auto direction = [&] {
    D3DXVECTOR3 v(unit(rng), unit(rng), unit(rng));
    const float length = std::sqrt(Dot(v, v));
    return length > 0.1f ? v * (1.0f / length) : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
  };
  int lit = 0, shining = 0;
  for (int i = 0; i < 2000; ++i) {
    latticegas_d3d9::VertexLighting setup;
    setup.normalize = i % 3 != 0;
    setup.specular = i % 4 != 0;
    setup.sceneAmbient = colour();
    setup.lightEnabled = i % 7 != 0;
    const D3DXVECTOR3 l = direction();
    setup.towardsLight = D3DVECTOR{l.x, l.y, l.z};
    setup.lightDiffuse = colour();
    setup.lightSpecular = colour();
    setup.lightAmbient = colour();
    D3DMATERIAL9 m{colour(), colour(), colour(), colour(), 1.0f + 60.0f * level(rng)};
    // Normals of any length when the device normalises, unit ones otherwise.
    D3DXVECTOR3 n = direction();
    if (setup.normalize) n *= 0.2f + 3.0f * level(rng);
    const D3DXVECTOR3 eye(10.0f * unit(rng), 10.0f * unit(rng), 2.0f + 30.0f * level(rng));
    const float eyeArray[3] = {eye.x, eye.y, eye.z}, normalArray[3] = {n.x, n.y, n.z};
    float got[4];
    latticegas_d3d9::LightVertex(setup, m, eyeArray, normalArray, got);

    const double nl = std::sqrt(static_cast<double>(Dot(n, n)));
    const double nx = n.x / nl, ny = n.y / nl, nz = n.z / nl;
    const double nDotL = nx * l.x + ny * l.y + nz * l.z;
    double hx = l.x, hy = l.y, hz = l.z;
    const double el = std::sqrt(static_cast<double>(Dot(eye, eye)));
    hx -= eye.x / el;
    hy -= eye.y / el;
    hz -= eye.z / el;
    const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    const double nDotH = (nx * hx + ny * hy + nz * hz) / hl;
    auto expect = [&](int c, float D3DCOLORVALUE::*k) {
      double want = (m.Emissive.*k) + (m.Ambient.*k) * static_cast<double>(setup.sceneAmbient.*k);
      if (setup.lightEnabled) {
        want += (m.Ambient.*k) * static_cast<double>(setup.lightAmbient.*k);
        want += std::max(nDotL, 0.0) * (m.Diffuse.*k) * (setup.lightDiffuse.*k);
        if (setup.specular && nDotL > 0.0 && nDotH > 0.0)
          want += std::pow(nDotH, static_cast<double>(m.Power)) * (m.Specular.*k) *
                  (setup.lightSpecular.*k);
      }
      want = std::clamp(want, 0.0, 1.0);
      EXPECT_NEAR(got[c], want, 2e-4) << "vertex " << i << ", channel " << c;
      lit += want > 0.0 && want < 1.0;
    };
    expect(0, &D3DCOLORVALUE::r);
    expect(1, &D3DCOLORVALUE::g);
    expect(2, &D3DCOLORVALUE::b);
    EXPECT_NEAR(got[3], std::clamp(m.Diffuse.a, 0.0f, 1.0f), 1e-6);
    shining += setup.specular && setup.lightEnabled && nDotL > 0.0 && nDotH > 0.0;
    if (HasFailure()) return;
  }
  // Most cases fall between the clamps, and many carry a highlight.
  EXPECT_GT(lit, 2000);
  EXPECT_GT(shining, 300);
}

TEST(FixedFunctionLighting, UnlitVerticesAreWhite) {
  latticegas_d3d9::VertexLighting setup;
  setup.lighting = false;
  const D3DMATERIAL9 m{{0.1f, 0.2f, 0.3f, 0.4f}, {}, {}, {}, 5.0f};
  const float eye[3] = {0.0f, 0.0f, 5.0f}, normal[3] = {0.0f, 0.0f, -1.0f};
  float got[4];
  latticegas_d3d9::LightVertex(setup, m, eye, normal, got);
  for (float c : got) EXPECT_EQ(c, 1.0f);
}
