// On a real display with the OpenGL device: the program's own frames, drawn
// with the device's culling off and on, leave the same pixels in the back
// buffer, byte for byte. Particles are fixed (a seeded V) and the clock's
// phase is held, so every frame of a scene is the same picture. Each scene is
// drawn three times with culling on: the first sight of a draw is tested
// whole, the second makes its triangle list, the third takes it from the
// cache. After the view, projection, viewport, cull mode, fill mode or a
// node's place changes, the first frame must already be right. All of it
// holds for both places the device draws in: straight into the window, and
// the offscreen back buffer it uses when the window's size differs; and the
// two places give almost the same picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"
#include "platform/gl/gl_device_testing.h"

namespace {

using Pixels = std::vector<uint8_t>;
constexpr int kHeldCount = 7;  // a phase part-way along the links

class CullingDisplayTest : public ::testing::Test {
 protected:
  static HWND window;

  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X display";
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = "Lattice";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    window = CreateWindowExA(0, "Lattice", "Lattice gas simulation", WS_OVERLAPPEDWINDOW,
                             CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr,
                             nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    ASSERT_TRUE(graphics.InitD3D(window, 1024, 768));
  }

  void SetUp() override {
    ASSERT_TRUE(graphics.CanDraw());
    selectedNode = nullptr;
    lattice.nodes.clear();
    lattice.byX.clear();
    lattice.byY.clear();
    BuildHexGrid(lattice, gridCentre, 25);
    std::srand(5);
    lattice.RandomizeParticles();
    camera = Camera(20.0f);
  }

  void TearDown() override {
    // Back to what the program sets, for the next test.
    SetCulling(true);
    SetDirect(true);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
    graphics.device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DVIEWPORT9 whole{0, 0, 1024, 768, 0.0f, 1.0f};
    graphics.device->SetViewport(&whole);
    graphics.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    graphics.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  }

  static void SetCulling(bool on) {
    latticegas_gl::DeviceOptions options;
    ASSERT_TRUE(latticegas_gl::GetDeviceOptions(graphics.device, &options));
    options.culling = latticegas_d3d9::CullingOptions{on, on, on};
    ASSERT_TRUE(latticegas_gl::SetDeviceOptions(graphics.device, options));
  }

  static void SetDirect(bool direct) {
    latticegas_gl::DeviceOptions options;
    ASSERT_TRUE(latticegas_gl::GetDeviceOptions(graphics.device, &options));
    options.directToWindow = direct;
    ASSERT_TRUE(latticegas_gl::SetDeviceOptions(graphics.device, options));
  }

  // One frame of the program, its back buffer as it is presented.
  static Pixels Frame() {
    Pixels pixels;
    latticegas_gl::SetPresentHook(graphics.device,
                                  [&] { pixels = latticegas_gl::ReadBackBuffer(graphics.device); });
    stepClock.count = kHeldCount;
    DrawFrame();
    latticegas_gl::SetPresentHook(graphics.device, nullptr);
    return pixels;
  }

  static Pixels FrameWithCulling(bool on) {
    SetCulling(on);
    return Frame();
  }

  static std::size_t Differing(const Pixels& a, const Pixels& b) {
    if (a.size() != b.size()) return a.size() + b.size();
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.size(); i += 4) n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n;
  }

  static std::size_t Lit(const Pixels& p) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < p.size(); i += 4) n += (p[i] | p[i + 1] | p[i + 2]) != 0;
    return n;
  }

  // The scene as it stands, culling off, then three frames with it on; in the
  // window and offscreen.
  static void ExpectSamePixels(const std::string& scene) {
    for (bool direct : {true, false}) {
      SetDirect(direct);
      const Pixels off = FrameWithCulling(false);
      ASSERT_EQ(off.size(), 1024u * 768u * 4u) << scene;
      EXPECT_GT(Lit(off), 1000u) << scene << ": too little on screen to compare";
      SetCulling(true);
      for (const char* sight : {"first", "second", "third"}) {
        EXPECT_EQ(Differing(Frame(), off), 0u)
            << scene << ", " << sight << " frame with culling, " << (direct ? "window" : "offscreen");
      }
    }
    SetDirect(true);
  }

  // A changed setting must show in the first culled frame after it: draws kept
  // from before the change would draw the old picture's triangles.
  static void ExpectFirstFrameAfterChangeRight(const std::string& change, void (*apply)()) {
    SetCulling(true);
    for (int i = 0; i < 3; ++i) Frame();
    apply();
    const Pixels culled = Frame();
    EXPECT_EQ(Differing(culled, FrameWithCulling(false)), 0u) << "after changing the " << change;
  }

  // The window's buffer is stored upside down, which turns the rasteriser's
  // rule for pixel centres exactly on an edge: a few edge pixels may differ.
  static void ExpectWindowLikeOffscreen(const std::string& scene) {
    SetDirect(false);
    const Pixels offscreen = Frame();
    SetDirect(true);
    const Pixels window = Frame();
    const std::size_t differing = Differing(window, offscreen);
    EXPECT_LT(differing, offscreen.size() / 4 / 1000) << scene;
    std::printf("%s: %zu pixels differ between window and offscreen\n", scene.c_str(), differing);
  }

  static void Click(UINT message, float x, float y) {
    D3DMATRIX projection;
    graphics.device->GetTransform(D3DTS_PROJECTION, &projection);
    const float d = -camera.eye.z;
    const double px = ((x - camera.eye.x) / d * projection._11 + 1.0) * 512.0;
    const double py = (1.0 - (y - camera.eye.y) / d * projection._22) * 384.0;
    WindowProc(window, message, 0, MAKELPARAM(static_cast<WORD>(px + 0.5), static_cast<WORD>(py + 0.5)));
  }
};

HWND CullingDisplayTest::window = nullptr;

TEST_F(CullingDisplayTest, SamePixelsFromNearToTheWholeGrid) {
  int zoomedOut = 0;
  for (int target : {0, 3, 8, 25}) {
    for (; zoomedOut < target; ++zoomedOut) WindowProc(window, WM_KEYDOWN, 'F', 1);
    ExpectSamePixels(std::to_string(target) + " x F");
  }
}

TEST_F(CullingDisplayTest, WindowAndOffscreenDifferInFewerThanAThousandthOfThePixels) {
  int zoomedOut = 0;
  for (int target : {0, 3, 8, 25}) {
    for (; zoomedOut < target; ++zoomedOut) WindowProc(window, WM_KEYDOWN, 'F', 1);
    ExpectWindowLikeOffscreen(std::to_string(target) + " x F");
  }
}

TEST_F(CullingDisplayTest, SamePixelsForASelectedAndAMovedNode) {
  Click(WM_LBUTTONDOWN, 0.0f, 0.0f);
  ASSERT_NE(selectedNode, nullptr);
  // The red sphere drawn again over the grey one, passing the depth test only
  // by being equal: both must come out of the same triangles.
  ExpectSamePixels("the centre node selected");
  for (int i = 0; i < 7; ++i) WindowProc(window, WM_KEYDOWN, 'D', 1);
  for (int i = 0; i < 4; ++i) WindowProc(window, WM_KEYDOWN, 'W', 1);
  ExpectSamePixels("the selected node moved by keys");
}

TEST_F(CullingDisplayTest, FirstFrameAfterEveryChangeIsRight) {
  ExpectFirstFrameAfterChangeRight("view", [] { camera.PanX(+1.0f); });
  ExpectFirstFrameAfterChangeRight("projection", [] {
    D3DXMATRIX wider;
    D3DXMatrixPerspectiveFovLH(&wider, 1.4f, 1.3333334f, 1.0f, 1000.0f);
    graphics.device->SetTransform(D3DTS_PROJECTION, &wider);
  });
  ExpectFirstFrameAfterChangeRight("viewport", [] {
    D3DVIEWPORT9 part{100, 50, 600, 500, 0.0f, 1.0f};
    graphics.device->SetViewport(&part);
  });
  ExpectFirstFrameAfterChangeRight("cull mode", [] {
    graphics.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  });
  ExpectFirstFrameAfterChangeRight("fill mode", [] {
    graphics.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  });
  Click(WM_LBUTTONDOWN, 5.0f, 0.0f);
  ASSERT_NE(selectedNode, nullptr);
  ExpectFirstFrameAfterChangeRight("place of a node", [] {
    WindowProc(window, WM_KEYDOWN, 'S', 1);
  });
}

}  // namespace
