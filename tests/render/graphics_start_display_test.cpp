// Start-up failures that need a display to get as far as device creation.
#include <gtest/gtest.h>

#include <cstdlib>

#include "render/graphics_context.h"

// With a display the box could be shown; the tests' own boxes go to standard
// error instead, where no click is waited for.
TEST(GraphicsStartFailure, DeviceNeedsAWindow) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X display";
  GraphicsContext context;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(context.InitD3D(nullptr, 1024, 768));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Error: Failed: CreateDevice (in InitD3D)"), std::string::npos) << said;
  EXPECT_EQ(said.find("Direct3DCreate9"), std::string::npos);
  EXPECT_EQ(context.device, nullptr);
  EXPECT_FALSE(context.CanDraw());
  context.Release();
  EXPECT_EQ(context.nodeMesh, nullptr);
}
