#pragma once
// The program's own globals with a window that has no screen and a device
// that records every draw, so commands and frames can be driven as a user
// would, without a display.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"
#include "support/headless_device.h"

// The client pixel over a plane point, from the current camera and the
// projection on the graphics device (a 1024 by 768 client area).
inline LPARAM PixelOf(PlanePoint p) {
  D3DMATRIX projection;
  graphics.device->GetTransform(D3DTS_PROJECTION, &projection);
  const float d = -camera.eye.z;
  const double px = ((p.x - camera.eye.x) / d * projection._11 + 1.0) * 512.0;
  const double py = (1.0 - (p.y - camera.eye.y) / d * projection._22) * 384.0;
  return MAKELPARAM(static_cast<WORD>(px + 0.5), static_cast<WORD>(py + 0.5));
}

class AppTest : public ::testing::Test {
 protected:
  HWND window = nullptr;

  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    static const bool registered = [] {
      WNDCLASSA windowClass{};
      windowClass.lpfnWndProc = WindowProc;
      windowClass.lpszClassName = "LatticeTest";
      return RegisterClassA(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
    window = CreateWindowExA(0, "LatticeTest", "test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ResetGlobals(3);
  }

  void TearDown() override {
    DestroyWindow(window);
    Drain();
    selectedNode = nullptr;
  }

  static void ResetGlobals(int rings) {
    selectedNode = nullptr;
    lattice.nodes.clear();
    lattice.byX.clear();
    lattice.byY.clear();
    BuildHexGrid(lattice, gridCentre, rings);
    camera = Camera(20.0f);
    stepClock = StepClock(20);
    generation = 0;
    graphics.Release();
    graphics.width = 1024;
    graphics.height = 768;
    graphics.device = latticegas_d3d9::CreateHeadlessDevice(1024, 768);
    ASSERT_TRUE(graphics.LoadResources());
  }

  // Removes every queued message; true when one of them was the quit message.
  static bool Drain() {
    MSG message{};
    bool quit = false;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) quit |= message.message == WM_QUIT;
    return quit;
  }

  LRESULT Key(WPARAM code) { return WindowProc(window, WM_KEYDOWN, code, 1); }

  void LeftClick(PlanePoint p) { WindowProc(window, WM_LBUTTONDOWN, MK_LBUTTON, PixelOf(p)); }
  void RightClick(PlanePoint p) { WindowProc(window, WM_RBUTTONDOWN, MK_RBUTTON, PixelOf(p)); }
  void Wheel(short delta) {
    WindowProc(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
  }

  latticegas_d3d9::HeadlessLog& Log() { return *latticegas_d3d9::HeadlessLogOf(graphics.device); }

  static Node* NodeAt(float x, float y) {
    for (Node& n : lattice.nodes) {
      if (n.x == x && n.y == y) return &n;
    }
    return nullptr;
  }
};
