#include <cmath>
#include <limits>

#include "render_fixture.h"

using CameraTest = RenderTest;

TEST_F(CameraTest, StartsTwentyUnitsInFrontOfThePlane) {
  const Camera camera(20.0f);
  EXPECT_EQ(camera.eye, D3DXVECTOR3(0, 0, -20));
  EXPECT_EQ(camera.up, D3DXVECTOR3(0, 1, 0));
  EXPECT_EQ(camera.lookDir, D3DXVECTOR3(0, 0, 1));
  D3DXMATRIX view, expected;
  camera.ViewMatrix(&view);
  const D3DXVECTOR3 eye(0, 0, -20), at(0, 0, -19), up(0, 1, 0);
  D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
  EXPECT_TRUE(SameMatrix(view, expected));
}

TEST_F(CameraTest, PanAndZoomScaleWithTheDistance) {
  Camera camera(20.0f);
  camera.Zoom(+1.0f);
  EXPECT_EQ(camera.eye.z, -18.0f);
  camera.Zoom(-1.0f);
  EXPECT_EQ(camera.eye.z, -19.8f);
  Camera panned(20.0f);
  panned.PanX(+1.0f);
  EXPECT_EQ(panned.eye.x, 0.4f);
  panned.PanY(-1.0f);
  EXPECT_EQ(panned.eye.y, -0.4f);
  for (int i = 0; i < 29; ++i) panned.Zoom(+1.0f);
  EXPECT_GT(panned.eye.z, -1.0f);  // nearer than the near clipping plane
  EXPECT_LT(panned.eye.z, 0.0f);   // but never on or past the plane
}

TEST_F(CameraTest, StepsThatWouldLeaveTheFloatRangeAreNotTaken) {
  Camera camera(20.0f);
  for (int i = 0; i < 2000; ++i) camera.Zoom(-1.0f);
  const float farthest = camera.eye.z;
  EXPECT_TRUE(std::isfinite(farthest));
  EXPECT_LT(farthest, -1e38f);
  camera.Zoom(-1.0f);
  EXPECT_EQ(camera.eye.z, farthest);
  for (int i = 0; i < 200; ++i) camera.PanX(+1.0f);
  EXPECT_TRUE(std::isfinite(camera.eye.x));
  camera.Zoom(+1.0f);  // back towards the plane still works
  EXPECT_GT(camera.eye.z, farthest);
}

TEST_F(CameraTest, ScreenToPlaneFromTheStart) {
  const Camera camera(20.0f);
  const PlanePoint centre = camera.ScreenToPlane(*graphics.device, 512, 384, 1024, 768);
  EXPECT_EQ(centre.x, 0.0f);
  EXPECT_EQ(centre.y, 0.0f);
  const PlanePoint corner = camera.ScreenToPlane(*graphics.device, 0, 0, 1024, 768);
  EXPECT_NEAR(corner.x, -13.587f, 1e-3f);
  EXPECT_NEAR(corner.y, 10.191f, 1e-3f);
  const PlanePoint opposite = camera.ScreenToPlane(*graphics.device, 1024, 768, 1024, 768);
  EXPECT_NEAR(opposite.x - corner.x, 27.17f, 1e-2f);
  EXPECT_NEAR(corner.y - opposite.y, 20.38f, 1e-2f);
}

TEST_F(CameraTest, ScreenToPlaneFollowsZoomAndPan) {
  Camera camera(20.0f);
  camera.Zoom(+1.0f);
  camera.PanX(+1.0f);  // 18 / 50
  const PlanePoint centre = camera.ScreenToPlane(*graphics.device, 512, 384, 1024, 768);
  EXPECT_EQ(centre.x, 0.36f);
  EXPECT_EQ(centre.y, 0.0f);
  const PlanePoint corner = camera.ScreenToPlane(*graphics.device, 0, 0, 1024, 768);
  EXPECT_NEAR(corner.x, 0.36f - 13.587f * 0.9f, 1e-3f);
  EXPECT_NEAR(corner.y, 10.191f * 0.9f, 1e-3f);
}

TEST_F(CameraTest, ClicksAreScaledFromTheClientAreaToTheBackBuffer) {
  const Camera camera(20.0f);
  const PlanePoint full = camera.ScreenToPlane(*graphics.device, 100, 600, 1024, 768);
  const PlanePoint half = camera.ScreenToPlane(*graphics.device, 50, 300, 512, 384);
  EXPECT_EQ(full.x, half.x);
  EXPECT_EQ(full.y, half.y);
  // A client area as Windows gives a 1024 by 768 window: its centre is the view's centre.
  const PlanePoint centre = camera.ScreenToPlane(*graphics.device, 508, 370, 1016, 740);
  EXPECT_EQ(centre.x, 0.0f);
  EXPECT_EQ(centre.y, 0.0f);
}
