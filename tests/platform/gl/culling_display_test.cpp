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

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"
#include "support/gl_device_testing.h"
// OpenGL's header after the window system's names, as the device has it.
#include <SDL_opengl.h>

namespace {

using Pixels = std::vector<uint8_t>;
constexpr int kHeldCount = 7;  // a phase part-way along the links

class CullingDisplayTest : public ::testing::Test {
 protected:
  static HWND window;

  static void SetUpTestSuite() {
    if (window != nullptr) return;  // one window and device for every suite here
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
    options.culling = latticegas_d3d9::CullingOptions{on, on, on, on};
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

// The device sends OpenGL only the state that changed since the last draw.
// Whatever changed, alone or together, unchanged values set again included,
// OpenGL's state at each draw must be what Direct3D's asks for, worked out
// here independently: projection with Direct3D's depth range and sample
// points, viewport rows from the bottom, world x view, light towards its
// source in eye space, the material.
class StateDisplayTest : public CullingDisplayTest {
 protected:
  static void ExpectNear(const float* got, const double* want, int n, const std::string& what) {
    for (int i = 0; i < n; ++i) {
      const double allowed = 1e-5 * (1.0 + std::fabs(want[i]));
      ASSERT_NEAR(got[i], want[i], allowed) << what << " [" << i << "]";
    }
  }

  static void ExpectGlStateFor(IDirect3DDevice9* device, const std::string& step) {
    D3DMATRIX world, view, projection;
    D3DVIEWPORT9 vp;
    D3DMATERIAL9 material;
    D3DLIGHT9 light;
    device->GetTransform(D3DTS_WORLD, &world);
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    device->GetViewport(&vp);
    device->GetMaterial(&material);
    device->GetLight(0, &light);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const GLint wantViewport[4] = {static_cast<GLint>(vp.X), static_cast<GLint>(768 - vp.Y - vp.Height),
                                   static_cast<GLint>(vp.Width), static_cast<GLint>(vp.Height)};
    for (int i = 0; i < 4; ++i) ASSERT_EQ(viewport[i], wantViewport[i]) << step << ": viewport";

    // Clip z from Direct3D's 0..w to OpenGL's -w..w; x and y half a pixel
    // over, as Direct3D samples at pixel corners.
    double want[16];
    for (int i = 0; i < 4; ++i) {
      const double x = projection.m[i][0], y = projection.m[i][1], z = projection.m[i][2],
                   w = projection.m[i][3];
      want[4 * i + 0] = x + w / vp.Width;
      want[4 * i + 1] = y - w / vp.Height;
      want[4 * i + 2] = 2.0 * z - w;
      want[4 * i + 3] = w;
    }
    GLfloat got[16];
    glGetFloatv(GL_PROJECTION_MATRIX, got);
    ExpectNear(got, want, 16, step + ": projection");

    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        want[4 * i + j] = 0.0;
        for (int k = 0; k < 4; ++k) want[4 * i + j] += static_cast<double>(world.m[i][k]) * view.m[k][j];
      }
    glGetFloatv(GL_MODELVIEW_MATRIX, got);
    ExpectNear(got, want, 16, step + ": model-view");

    const double towards[3] = {-light.Direction.x, -light.Direction.y, -light.Direction.z};
    for (int j = 0; j < 3; ++j)
      want[j] = towards[0] * view.m[0][j] + towards[1] * view.m[1][j] + towards[2] * view.m[2][j];
    want[3] = 0.0;
    glGetLightfv(GL_LIGHT0, GL_POSITION, got);
    ExpectNear(got, want, 4, step + ": light");

    const D3DCOLORVALUE& d = material.Diffuse;
    const double diffuse[4] = {d.r, d.g, d.b, d.a};
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, got);
    ExpectNear(got, diffuse, 4, step + ": diffuse");
    const double power = material.Power;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, got);
    ExpectNear(got, &power, 1, step + ": power");
  }
};

TEST_F(StateDisplayTest, EveryDrawSeesTheStateDirect3DHas) {
  SetCulling(false);  // every draw reaches OpenGL
  IDirect3DDevice9* device = graphics.device;
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> level(0.0f, 1.0f);
  auto randomMatrix = [&] {
    D3DMATRIX m;
    for (auto& row : m.m)
      for (float& e : row) e = unit(rng);
    m._14 = m._24 = m._34 = 0.0f;  // affine, as world and view are
    m._44 = 1.0f;
    return m;
  };
  D3DLIGHT9 light{};
  device->GetLight(0, &light);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  device->BeginScene();
  for (int step = 0; step < 400; ++step) {
    // Mostly one change, now and then the same value again, or several.
    const int changes = rng() % 4 == 0 ? 3 : 1;
    for (int c = 0; c < changes; ++c) {
      const bool same = rng() % 5 == 0;
      switch (rng() % 6) {
        case 0: {
          D3DMATRIX m;
          device->GetTransform(D3DTS_WORLD, &m);
          if (!same) m = randomMatrix();
          device->SetTransform(D3DTS_WORLD, &m);
          break;
        }
        case 1: {
          D3DMATRIX m;
          device->GetTransform(D3DTS_VIEW, &m);
          if (!same) m = randomMatrix();
          device->SetTransform(D3DTS_VIEW, &m);
          break;
        }
        case 2: {
          D3DXMATRIX m;
          D3DXMatrixPerspectiveFovLH(&m, 0.3f + level(rng), 0.5f + level(rng), 0.5f + level(rng),
                                     100.0f + 1000.0f * level(rng));
          if (same) device->GetTransform(D3DTS_PROJECTION, &m);
          device->SetTransform(D3DTS_PROJECTION, &m);
          break;
        }
        case 3: {
          D3DVIEWPORT9 vp{static_cast<DWORD>(rng() % 500), static_cast<DWORD>(rng() % 300),
                          static_cast<DWORD>(1 + rng() % 500), static_cast<DWORD>(1 + rng() % 400),
                          0.0f, 1.0f};
          if (same) device->GetViewport(&vp);
          device->SetViewport(&vp);
          break;
        }
        case 4: {
          D3DMATERIAL9 m{};
          device->GetMaterial(&m);
          if (!same) {
            m.Diffuse = {level(rng), level(rng), level(rng), 1.0f};
            m.Power = 100.0f * level(rng);
          }
          device->SetMaterial(&m);
          break;
        }
        default:
          if (!same) light.Direction = {unit(rng), unit(rng), unit(rng)};
          device->SetLight(0, &light);
          break;
      }
    }
    graphics.nodeMesh->DrawSubset(0);
    ExpectGlStateFor(device, "step " + std::to_string(step));
    if (HasFatalFailure()) break;
  }
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  // Back to the program's light; the fixture restores the rest.
  device->SetLight(0, &light);
  camera = Camera(20.0f);
}

}  // namespace
