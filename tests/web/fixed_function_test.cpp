// The lighting inputs a programmable device works out on the CPU: normals
// must stay perpendicular to surfaces under the links' non-uniform scaling,
// and the light must follow the view as Direct3D's world-space light does.
#include <gtest/gtest.h>

#include <cmath>

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
  world = s * r * t;
  modelView = world * view;
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
