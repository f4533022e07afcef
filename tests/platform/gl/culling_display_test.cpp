// On a real display with the OpenGL device: the program's own frames, culled,
// leave the same pixels in the back buffer, byte for byte, as the same frames
// with every triangle sent to OpenGL by the test support's reference (plain
// fixed-function OpenGL from the device's Direct3D state, nothing kept from
// draw to draw). Particles are fixed (a seeded V) and the clock's phase is
// held, so every frame of a scene is the same picture. Each scene is culled
// three times, by the device and by the reference with the culling the web's
// device has: the first sight of a draw is tested whole (or, on the web, by
// the quick test), the second makes its triangle list, the third takes it
// from the cache. After the view, projection, viewport, cull mode, fill mode
// or a node's place changes, the first frame must already be right. All of
// it holds for both places the device draws in: straight into the window, and
// the offscreen back buffer it uses when the window's size differs from the
// back buffer's; and the two places give almost the same picture.
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
#include <SDL.h>
#include <SDL_opengl.h>

namespace {

using latticegas_gl::Drawer;
using Pixels = std::vector<uint8_t>;
constexpr int kHeldCount = 7;  // a phase part-way along the links
// The back buffer, and the window while the device draws straight into it.
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
// The culling of the web's device: with the quick test at a draw's first sight.
constexpr latticegas_d3d9::CullingOptions kWebCulling{true, true, true, true};

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
                             CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, nullptr,
                             nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    ASSERT_TRUE(graphics.InitD3D(window, kWidth, kHeight));
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &width, &height);
    ASSERT_TRUE(width == kWidth && height == kHeight)
        << "the window is " << width << " x " << height << ", not the back buffer's size";
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
    latticegas_gl::SetDrawer(graphics.device, Drawer::kDevice);
    DrawInWindow(true);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
    graphics.device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DVIEWPORT9 whole{0, 0, kWidth, kHeight, 0.0f, 1.0f};
    graphics.device->SetViewport(&whole);
    graphics.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    graphics.device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  }

  // The device draws straight into the window while its client area is the
  // back buffer's size, and into its offscreen back buffer otherwise.
  static void DrawInWindow(bool inWindow) {
    SDL_Window* sdlWindow = SDL_GL_GetCurrentWindow();
    ASSERT_NE(sdlWindow, nullptr);
    SDL_SetWindowSize(sdlWindow, inWindow ? kWidth : kWidth + 16, inWindow ? kHeight : kHeight + 12);
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(sdlWindow, &width, &height);
    ASSERT_EQ(width == kWidth && height == kHeight, inWindow) << width << " x " << height;
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

  // The same, its meshes drawn by `drawer`.
  static Pixels FrameBy(Drawer drawer) {
    latticegas_gl::SetDrawer(graphics.device, drawer);
    const Pixels pixels = Frame();
    latticegas_gl::SetDrawer(graphics.device, Drawer::kDevice);
    return pixels;
  }

  // The device drops what it kept of a draw after a few frames without it
  // (two): the next frame is every draw's first sight, for the device and,
  // with its culling set again, for the reference.
  static void ForgetKeptDraws() {
    for (int i = 0; i < 4; ++i) {
      graphics.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
      graphics.device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    latticegas_gl::SetReferenceCulling(graphics.device, kWebCulling);
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

  // The scene as it stands, every triangle drawn, then three frames culled
  // by the device and as on the web, turn about; in the window and offscreen.
  static void ExpectSamePixels(const std::string& scene) {
    for (bool inWindow : {true, false}) {
      DrawInWindow(inWindow);
      const char* place = inWindow ? "window" : "offscreen";
      const Pixels all = FrameBy(Drawer::kReference);
      ASSERT_EQ(all.size(), std::size_t{kWidth} * kHeight * 4) << scene;
      EXPECT_GT(Lit(all), 1000u) << scene << ": too little on screen to compare";
      ForgetKeptDraws();
      for (const char* sight : {"first", "second", "third"}) {
        EXPECT_EQ(Differing(Frame(), all), 0u)
            << scene << ", " << sight << " frame culled by the device, " << place;
        EXPECT_EQ(Differing(FrameBy(Drawer::kReferenceCulled), all), 0u)
            << scene << ", " << sight << " frame culled as on the web, " << place;
      }
    }
    DrawInWindow(true);
  }

  // A changed setting must show in the first culled frame after it: draws kept
  // from before the change would draw the old picture's triangles.
  static void ExpectFirstFrameAfterChangeRight(const std::string& change, void (*apply)()) {
    ForgetKeptDraws();
    for (int i = 0; i < 3; ++i) {
      Frame();
      FrameBy(Drawer::kReferenceCulled);
    }
    apply();
    const Pixels byDevice = Frame();
    const Pixels asOnTheWeb = FrameBy(Drawer::kReferenceCulled);
    const Pixels all = FrameBy(Drawer::kReference);
    EXPECT_EQ(Differing(byDevice, all), 0u) << "after changing the " << change << ", culled by the device";
    EXPECT_EQ(Differing(asOnTheWeb, all), 0u) << "after changing the " << change << ", culled as on the web";
  }

  // The window's buffer is stored upside down, which turns the rasteriser's
  // rule for pixel centres exactly on an edge: a few edge pixels may differ.
  static void ExpectWindowLikeOffscreen(const std::string& scene) {
    DrawInWindow(false);
    const Pixels offscreen = Frame();
    DrawInWindow(true);
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
    const GLint wantViewport[4] = {static_cast<GLint>(vp.X), static_cast<GLint>(kHeight - vp.Y - vp.Height),
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
  IDirect3DDevice9* device = graphics.device;
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> level(0.0f, 1.0f);
  // Affine, as world and view are: a rotation after a linear map near the
  // identity (stretching by 0.55 to 1.45), and a move of up to 1 each way.
  auto randomMatrix = [&] {
    float q[4];
    float norm = 0.0f;
    do {
      for (float& c : q) c = unit(rng);
      norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    } while (norm < 0.1f || norm > 1.0f);
    const float w = q[0] / norm, x = q[1] / norm, y = q[2] / norm, z = q[3] / norm;
    const float rotation[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
                                  {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
                                  {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}};
    float nearIdentity[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) nearIdentity[i][j] = (i == j ? 1.0f : 0.0f) + 0.15f * unit(rng);
    D3DMATRIX m{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) m.m[i][j] += nearIdentity[i][k] * rotation[k][j];
    for (int j = 0; j < 3; ++j) m.m[3][j] = unit(rng);
    m._44 = 1.0f;
    return m;
  };
  // Every draw must reach OpenGL, culled or not: a sphere of radius 30, moved
  // and stretched so, is about the eye, its faces about 4 to 68 away in every
  // direction (beyond every near plane below and short of every far one);
  // seen from inside with no face culled, it reaches every pixel.
  ID3DXMesh* around = nullptr;
  ASSERT_EQ(D3DXCreateSphere(device, 30.0f, 16, 8, &around, nullptr), D3D_OK);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
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
    around->DrawSubset(0);
    ExpectGlStateFor(device, "step " + std::to_string(step));
    if (HasFatalFailure()) break;
  }
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  around->Release();
  // Back to the program's light; the fixture restores the rest.
  device->SetLight(0, &light);
  camera = Camera(20.0f);
}

}  // namespace
