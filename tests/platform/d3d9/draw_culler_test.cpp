// The draw culler against the rules, worked out here independently in double
// precision: whatever it leaves out, a whole draw or one triangle, must lie
// wholly beyond one plane of the clip volume that OpenGL clips to, face away
// under the cull mode, or (in solid fill) cover no pixel's sample point, which
// Direct3D 9 puts at the pixel's integer corner. Random matrices and viewports
// catch a wrong sign, depth mapping or half-pixel shift; small objects placed
// on and between sample points check that it keeps what it must and drops
// what it can.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "platform/d3d9/draw_culler.h"
#include "support/headless_device.h"
#include "platform/d3d9/mesh.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9_api.h"

namespace {

using latticegas_d3d9::CulledDraw;
using latticegas_d3d9::CullingOptions;
using latticegas_d3d9::DrawCuller;
using latticegas_d3d9::MatrixProduct;
using latticegas_d3d9::Mesh;
using latticegas_d3d9::RasterSetup;

std::vector<uint16_t> ToVector(const CulledDraw& draw) {
  return std::vector<uint16_t>(draw.indices.begin(), draw.indices.end());
}

// One draw's setting, in Direct3D's terms.
struct Scene {
  D3DXMATRIX modelView;
  D3DXMATRIX projection;
  D3DVIEWPORT9 viewport;
  DWORD cullMode;
  DWORD fillMode;
  int subpixelBits = 8;  // the rasteriser's sub-pixel grid: 1 / 2^bits of a pixel

  RasterSetup Raster() const {
    return RasterSetup{projection, viewport, cullMode, fillMode, false, subpixelBits};
  }
};

struct ScreenVertex {
  double clip[4];  // OpenGL's, as our device hands Direct3D's to it
  double x;        // Direct3D screen pixels, y down, where the rasteriser puts them
  double y;
};

// The rasteriser's place for a window position: the nearest point of its
// sub-pixel grid. Direct3D's sample points and OpenGL's pixel centres, half a
// pixel apart, both lie on that grid, so either counts alike.
double Snapped(double at, int subpixelBits) {
  const double steps = std::ldexp(1.0, subpixelBits);
  return std::nearbyint(at * steps) / steps;
}

ScreenVertex ToScreen(const Scene& s, const float* p) {
  ScreenVertex v{};
  double view[4];
  for (int j = 0; j < 4; ++j) {
    view[j] = p[0] * static_cast<double>(s.modelView.m[0][j]) +
              p[1] * static_cast<double>(s.modelView.m[1][j]) +
              p[2] * static_cast<double>(s.modelView.m[2][j]) + s.modelView.m[3][j];
  }
  double clip[4];
  for (int j = 0; j < 4; ++j) {
    clip[j] = 0.0;
    for (int k = 0; k < 4; ++k) clip[j] += view[k] * static_cast<double>(s.projection.m[k][j]);
  }
  const double w = clip[3];
  if (w > 0.0) {
    v.x = Snapped(s.viewport.X + (clip[0] / w + 1.0) * s.viewport.Width / 2.0, s.subpixelBits);
    v.y = Snapped(s.viewport.Y + (1.0 - clip[1] / w) * s.viewport.Height / 2.0, s.subpixelBits);
  }
  // OpenGL's depth runs from -w to w where Direct3D's runs from 0 to w, and
  // its pixel centres lie half a pixel right of and below Direct3D's samples:
  // the device moves the picture by that much, and OpenGL clips there.
  v.clip[0] = clip[0] + w / s.viewport.Width;
  v.clip[1] = clip[1] - w / s.viewport.Height;
  v.clip[2] = 2.0 * clip[2] - w;
  v.clip[3] = w;
  return v;
}

// OpenGL's clip volume: -w <= x, y, z <= w.
bool AllBeyondOnePlane(const ScreenVertex* v[3]) {
  auto all = [&](auto beyond) { return beyond(*v[0]) && beyond(*v[1]) && beyond(*v[2]); };
  return all([](const ScreenVertex& p) { return p.clip[0] > p.clip[3]; }) ||
         all([](const ScreenVertex& p) { return -p.clip[0] > p.clip[3]; }) ||
         all([](const ScreenVertex& p) { return p.clip[1] > p.clip[3]; }) ||
         all([](const ScreenVertex& p) { return -p.clip[1] > p.clip[3]; }) ||
         all([](const ScreenVertex& p) { return p.clip[2] > p.clip[3]; }) ||
         all([](const ScreenVertex& p) { return -p.clip[2] > p.clip[3]; });
}

double Cross(const ScreenVertex& a, const ScreenVertex& b, double px, double py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// On screen (y down) a negative cross product turns counter-clockwise.
bool FacesAway(const ScreenVertex* v[3], DWORD cullMode) {
  const double cross = Cross(*v[0], *v[1], v[2]->x, v[2]->y);
  if (cullMode == D3DCULL_CCW) return cross < 0.0;
  if (cullMode == D3DCULL_CW) return cross > 0.0;
  return false;
}

bool Inside(const ScreenVertex* v[3], double px, double py) {
  const double a = Cross(*v[0], *v[1], px, py);
  const double b = Cross(*v[1], *v[2], px, py);
  const double c = Cross(*v[2], *v[0], px, py);
  return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
}

bool CoversASample(const ScreenVertex* v[3], const D3DVIEWPORT9& vp) {
  double xLow = v[0]->x, xHigh = xLow, yLow = v[0]->y, yHigh = yLow;
  for (int k = 1; k < 3; ++k) {
    xLow = std::min(xLow, v[k]->x);
    xHigh = std::max(xHigh, v[k]->x);
    yLow = std::min(yLow, v[k]->y);
    yHigh = std::max(yHigh, v[k]->y);
  }
  const double x0 = std::max<double>(vp.X, std::ceil(xLow));
  const double x1 = std::min<double>(vp.X + vp.Width - 1.0, std::floor(xHigh));
  const double y0 = std::max<double>(vp.Y, std::ceil(yLow));
  const double y1 = std::min<double>(vp.Y + vp.Height - 1.0, std::floor(yHigh));
  for (double y = y0; y <= y1; ++y)
    for (double x = x0; x <= x1; ++x)
      if (Inside(v, x, y)) return true;
  return false;
}

// Why a triangle may be left out, or null when it may not.
const char* ReasonToLeaveOut(const Scene& s, const Mesh& mesh, std::size_t first) {
  ScreenVertex corners[3];
  const ScreenVertex* v[3];
  for (int k = 0; k < 3; ++k) {
    corners[k] = ToScreen(s, mesh.vertices()[mesh.indices()[first + k]].position);
    v[k] = &corners[k];
  }
  if (AllBeyondOnePlane(v)) return "beyond a clip plane";
  if (v[0]->clip[3] <= 0.0 || v[1]->clip[3] <= 0.0 || v[2]->clip[3] <= 0.0) return nullptr;
  if (FacesAway(v, s.cullMode)) return "facing away";
  if (s.fillMode == D3DFILL_SOLID && !CoversASample(v, s.viewport)) return "covering no sample";
  return nullptr;
}

class DrawCullerTest : public ::testing::Test {
 protected:
  IDirect3DDevice9* device = nullptr;
  ID3DXMesh* sphere = nullptr;
  ID3DXMesh* cylinder = nullptr;

  void SetUp() override {
    device = latticegas_d3d9::CreateHeadlessDevice(1024, 768);
    D3DXCreateSphere(device, 1.0f, 10, 10, &sphere, nullptr);
    D3DXCreateCylinder(device, 0.1f, 0.1f, 1.0f, 5, 1, &cylinder, nullptr);
  }
  void TearDown() override {
    sphere->Release();
    cylinder->Release();
    device->Release();
  }

  static const Mesh& Of(ID3DXMesh* mesh) { return *dynamic_cast<Mesh*>(mesh); }

  // Every triangle the culler leaves out has a reason; returns how many it left out.
  static std::size_t CheckLeftOut(const Scene& s, const Mesh& mesh, const CulledDraw& draw) {
    const std::vector<uint16_t>& all = mesh.indices();
    std::vector<bool> kept(all.size() / 3, draw.whole);
    if (!draw.whole) {
      // The kept triangles appear in their own order, each as a whole.
      std::size_t next = 0;
      for (std::size_t i = 0; i < draw.indices.size(); i += 3) {
        while (next < kept.size() && !std::equal(all.begin() + 3 * next, all.begin() + 3 * next + 3,
                                                 draw.indices.begin() + i))
          ++next;
        EXPECT_LT(next, kept.size()) << "a kept triangle is not one of the mesh's, in order";
        if (next < kept.size()) kept[next++] = true;
      }
    }
    std::size_t leftOut = 0;
    for (std::size_t t = 0; t < kept.size(); ++t) {
      if (kept[t]) continue;
      ++leftOut;
      EXPECT_NE(ReasonToLeaveOut(s, mesh, 3 * t), nullptr) << "triangle " << t << " was left out";
    }
    return leftOut;
  }

  void LeavesOutOnlyWhatCannotReachAPixel(int subpixelBits);
};

D3DXMATRIX RandomWorld(std::mt19937& rng, const D3DXVECTOR3& at, float size) {
  std::uniform_real_distribution<float> angle(-3.2f, 3.2f);
  std::uniform_real_distribution<float> stretch(0.3f, 3.0f);
  D3DXMATRIX scaling, rx, rz, translation;
  D3DXMatrixScaling(&scaling, size * stretch(rng), size * stretch(rng), size * stretch(rng));
  D3DXMatrixRotationX(&rx, angle(rng));
  D3DXMatrixRotationZ(&rz, angle(rng));
  D3DXMatrixTranslation(&translation, at.x, at.y, at.z);
  return MatrixProduct(MatrixProduct(MatrixProduct(scaling, rx), rz), translation);
}

// Scenes from anywhere, looking anywhere, with objects from far below a pixel
// to larger than the view, in and around the view, some through the near plane.
Scene RandomScene(std::mt19937& rng) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> zero_one(0.0f, 1.0f);
  Scene s{};
  const D3DXVECTOR3 eye(50 * unit(rng), 50 * unit(rng), 50 * unit(rng));
  D3DXVECTOR3 direction(unit(rng), unit(rng), unit(rng));
  if (direction == D3DXVECTOR3(0, 0, 0)) direction = D3DXVECTOR3(0, 0, 1);
  const D3DXVECTOR3 at = eye + direction;
  const D3DXVECTOR3 up(unit(rng), 1.0f, unit(rng));
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  const float fov = 0.3f + 2.2f * zero_one(rng);
  const float zn = 0.1f + 5.0f * zero_one(rng);
  const float zf = zn * (2.0f + 1000.0f * zero_one(rng));
  D3DXMatrixPerspectiveFovLH(&s.projection, fov, 0.5f + 1.5f * zero_one(rng), zn, zf);
  const DWORD width = 1 + static_cast<DWORD>(1023 * zero_one(rng));
  const DWORD height = 1 + static_cast<DWORD>(767 * zero_one(rng));
  const DWORD x = static_cast<DWORD>((1024 - width) * zero_one(rng));
  const DWORD y = static_cast<DWORD>((768 - height) * zero_one(rng));
  s.viewport = D3DVIEWPORT9{x, y, width, height, 0.0f, 1.0f};
  const DWORD culls[] = {D3DCULL_CCW, D3DCULL_CW, D3DCULL_NONE};
  s.cullMode = culls[rng() % 3];
  s.fillMode = rng() % 4 == 0 ? D3DFILL_WIREFRAME : D3DFILL_SOLID;

  // An object on a ray within about the field of view, from in front of the
  // near plane to beyond the far one, of any size up to a good part of its distance.
  D3DXVECTOR3 forward = at - eye;
  forward *= 1.0f / std::sqrt(forward.x * forward.x + forward.y * forward.y + forward.z * forward.z);
  const float spread = std::tan(fov / 2.0f) * 1.6f;
  const float distance = zn * std::pow(zf / zn * 1.5f, zero_one(rng)) * (rng() % 8 == 0 ? 0.5f : 1.0f);
  D3DXMATRIX inverseView = view;  // rotation part transposed gives camera axes in world space
  const D3DXVECTOR3 right(inverseView._11, inverseView._21, inverseView._31);
  const D3DXVECTOR3 upward(inverseView._12, inverseView._22, inverseView._32);
  const D3DXVECTOR3 centre = eye + distance * forward + (distance * spread * unit(rng)) * right +
                             (distance * spread * unit(rng)) * upward;
  const float size = distance * std::pow(10.0f, -4.0f + 4.0f * zero_one(rng));
  s.modelView = MatrixProduct(RandomWorld(rng, centre, size), view);
  return s;
}

// For OpenGL's least sub-pixel precision and for llvmpipe's (and most GPUs').
TEST_F(DrawCullerTest, LeavesOutOnlyWhatCannotReachAPixel) {
  for (int bits : {4, 8}) {
    SCOPED_TRACE(testing::Message() << bits << " sub-pixel bits");
    LeavesOutOnlyWhatCannotReachAPixel(bits);
    if (HasFailure()) return;
  }
}

void DrawCullerTest::LeavesOutOnlyWhatCannotReachAPixel(int subpixelBits) {
  std::mt19937 rng(20261208);
  std::size_t draws = 0, skipped = 0, trianglesLeftOut = 0, leftOutAtFirstSight = 0;
  for (int i = 0; i < 4000; ++i) {
    Scene s = RandomScene(rng);
    s.subpixelBits = subpixelBits;
    const Mesh& mesh = Of(i % 2 == 0 ? sphere : cylinder);
    DrawCuller culler;
    latticegas_d3d9::CullingOptions quickFirstSight;
    quickFirstSight.firstSight = true;
    culler.SetOptions(quickFirstSight);
    culler.SetRaster(s.Raster());
    // The first sight of a draw takes the quick test in single precision;
    // the second makes its list.
    for (int sight = 0; sight < 2; ++sight) {
      const CulledDraw draw = culler.Cull(mesh, s.modelView);
      ++draws;
      if (draw.indices.empty()) ++skipped;
      const std::size_t leftOut = CheckLeftOut(s, mesh, draw);
      trianglesLeftOut += leftOut;
      if (sight == 0 && !draw.indices.empty()) leftOutAtFirstSight += leftOut;
      if (HasFailure()) {
        ADD_FAILURE() << "scene " << i << ", sight " << sight;
        return;
      }
    }
  }
  // The scenes exercise every kind of leaving out, not only the keeping.
  EXPECT_GT(skipped, draws / 10);
  EXPECT_LT(skipped, draws * 9 / 10);
  EXPECT_GT(trianglesLeftOut, 10000u);
  EXPECT_GT(leftOutAtFirstSight, 5000u);
}

// A point straight ahead of an eye at the origin looking along +z, at `depth`,
// under Direct3D screen point (sx, sy) of the scene's viewport.
D3DXVECTOR3 Under(const Scene& s, double sx, double sy, float depth) {
  const double nx = 2.0 * (sx - s.viewport.X) / s.viewport.Width - 1.0;
  const double ny = 1.0 - 2.0 * (sy - s.viewport.Y) / s.viewport.Height;
  return D3DXVECTOR3(static_cast<float>(nx * depth / s.projection._11),
                     static_cast<float>(ny * depth / s.projection._22), depth);
}

TEST_F(DrawCullerTest, KeepsASpeckOnASamplePointAndDropsOneBetweenSamples) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> column(0, 1023), row(0, 767);
  std::uniform_real_distribution<float> depth(2.0f, 500.0f);
  Scene s{};
  D3DXMatrixPerspectiveFovLH(&s.projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
  s.viewport = D3DVIEWPORT9{0, 0, 1024, 768, 0.0f, 1.0f};
  s.cullMode = D3DCULL_CCW;
  s.fillMode = D3DFILL_SOLID;
  for (int i = 0; i < 500; ++i) {
    const float z = depth(rng);
    const double pixel = z / s.projection._22 * 2.0 / 768.0;  // one pixel at that depth
    const int cx = column(rng), cy = row(rng);
    for (bool onSample : {true, false}) {
      const double offset = onSample ? 0.0 : 0.5;
      D3DXMATRIX scaling, translation;
      // A quarter pixel across: whether it shows depends on where it sits.
      const float radius = static_cast<float>(pixel * 0.125);
      D3DXMatrixScaling(&scaling, radius, radius, radius);
      const D3DXVECTOR3 c = Under(s, cx + offset, cy + offset, z);
      D3DXMatrixTranslation(&translation, c.x, c.y, c.z);
      s.modelView = MatrixProduct(scaling, translation);
      DrawCuller culler;
      culler.SetRaster(s.Raster());
      for (int sight = 0; sight < 2; ++sight) {
        const bool drawn = !culler.Cull(Of(sphere), s.modelView).indices.empty();
        EXPECT_EQ(drawn, onSample) << "speck at pixel " << cx << "," << cy << " + " << offset
                                   << ", depth " << z << ", sight " << sight;
      }
    }
  }
}

TEST_F(DrawCullerTest, ListsFollowTheRasterSetupAndAreDroppedWhenUnused) {
  std::mt19937 rng(99);
  Scene s = RandomScene(rng);
  // A sphere filling part of the view, with many triangles facing away.
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, 0.0f, 0.0f, 5.0f);
  s.modelView = translation;
  s.viewport = D3DVIEWPORT9{0, 0, 1024, 768, 0.0f, 1.0f};
  D3DXMatrixPerspectiveFovLH(&s.projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
  s.cullMode = D3DCULL_CCW;
  s.fillMode = D3DFILL_SOLID;
  const Mesh& mesh = Of(sphere);

  DrawCuller culler;
  auto listUnder = [&](const Scene& scene) {
    culler.SetRaster(scene.Raster());
    culler.Cull(mesh, scene.modelView);
    return ToVector(culler.Cull(mesh, scene.modelView));
  };
  auto fresh = [&](const Scene& scene) {
    DrawCuller other;
    other.SetRaster(scene.Raster());
    other.Cull(mesh, scene.modelView);
    return ToVector(other.Cull(mesh, scene.modelView));
  };
  const std::vector<uint16_t> front = listUnder(s);
  EXPECT_LT(front.size(), mesh.indices().size());

  Scene changed = s;
  changed.cullMode = D3DCULL_CW;
  EXPECT_EQ(listUnder(changed), fresh(changed)) << "cull mode";
  changed = s;
  changed.fillMode = D3DFILL_WIREFRAME;
  EXPECT_EQ(listUnder(changed), fresh(changed)) << "fill mode";
  changed = s;
  changed.viewport = D3DVIEWPORT9{0, 0, 300, 200, 0.0f, 1.0f};
  EXPECT_EQ(listUnder(changed), fresh(changed)) << "viewport";
  changed = s;
  D3DXMatrixPerspectiveFovLH(&changed.projection, 0.2f, 1.3333334f, 1.0f, 1000.0f);
  EXPECT_EQ(listUnder(changed), fresh(changed)) << "projection";
  EXPECT_EQ(listUnder(s), front);

  // Used in every frame, a list stays; unused for a few frames, it goes, and
  // the draw is a first sight again: whole.
  for (int frame = 0; frame < 5; ++frame) {
    culler.Cull(mesh, s.modelView);
    culler.EndFrame();
  }
  EXPECT_EQ(ToVector(culler.Cull(mesh, s.modelView)), front) << "the list went while in use";
  for (int frame = 0; frame < 5; ++frame) culler.EndFrame();
  EXPECT_TRUE(culler.Cull(mesh, s.modelView).whole) << "the list stayed unused";
}

TEST_F(DrawCullerTest, KeepsEveryListInUseWhileOthersComeAndGo) {
  Scene s{};
  s.viewport = D3DVIEWPORT9{0, 0, 1024, 768, 0.0f, 1.0f};
  D3DXMatrixPerspectiveFovLH(&s.projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
  s.cullMode = D3DCULL_CCW;
  s.fillMode = D3DFILL_SOLID;
  const Mesh& mesh = Of(sphere);
  // Spheres in view, each listed without its far side: a list that was lost
  // shows as a whole draw again (the first sight of a draw).
  auto at = [](int i) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, static_cast<float>(i % 40) - 20.0f, static_cast<float>(i / 40) - 12.0f, 60.0f);
    return m;
  };
  DrawCuller culler;
  culler.SetRaster(s.Raster());
  std::mt19937 rng(3);
  // A list stays while it was used in one of the last two frames.
  std::vector<int> lastUsed(1000, -100);
  for (int frame = 0; frame < 40; ++frame) {
    for (int i = 0; i < 1000; ++i) {
      if (rng() % 3 == 0) continue;  // not drawn in this frame
      const CulledDraw first = culler.Cull(mesh, at(i));
      const CulledDraw second = culler.Cull(mesh, at(i));
      ASSERT_FALSE(second.whole) << "sphere " << i << " in frame " << frame;
      if (lastUsed[i] >= frame - 2) {
        ASSERT_FALSE(first.whole) << "the list of sphere " << i << " was lost in frame " << frame;
      } else {
        ASSERT_TRUE(first.whole) << "the list of sphere " << i << ", unused since frame "
                                 << lastUsed[i] << ", was still kept in frame " << frame;
      }
      lastUsed[i] = frame;
    }
    culler.EndFrame();
  }
  // Unused for a few frames, every list is gone.
  for (int frame = 0; frame < 4; ++frame) culler.EndFrame();
  for (int i = 0; i < 1000; ++i)
    ASSERT_TRUE(culler.Cull(mesh, at(i)).whole) << "the list of sphere " << i << " was kept";
}

// A view straight ahead as the program's camera has it, with spheres of the
// fixture's mesh and thin rods (its cylinder drawn narrower and longer) at a
// depth where one unit is about 12.5 pixels.
class LargeFirstSightTest : public DrawCullerTest {
 protected:
  static constexpr float kDepth = 60.0f;
  Scene s{};

  void SetUp() override {
    DrawCullerTest::SetUp();
    s.viewport = D3DVIEWPORT9{0, 0, 1024, 768, 0.0f, 1.0f};
    D3DXMatrixPerspectiveFovLH(&s.projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
    s.cullMode = D3DCULL_CCW;
    s.fillMode = D3DFILL_SOLID;
  }

  // The web's options: the quick first-sight test, and draws with two box
  // edges of 3 pixels or more large.
  static CullingOptions WebOptions(bool largeWhole) {
    CullingOptions options;
    options.firstSight = true;
    options.wholeAcross = 3.0;
    options.largeWhole = largeWhole;
    return options;
  }

  // Draw i of a few dozen spread over the view, moved by `shift` units.
  static D3DXMATRIX At(int i, float shift = 0.0f) {
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, static_cast<float>(i % 8 - 4) * 3.0f + shift,
                          static_cast<float>(i / 8 - 2) * 3.0f, kDepth);
    return translation;
  }

  // A sphere of `radius`: 1 is about 25 pixels across, 0.2 about 5, 0.08 about 2.
  static D3DXMATRIX Sphere(float radius, const D3DXMATRIX& at) {
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, radius, radius, radius);
    return MatrixProduct(scaling, at);
  }

  // A rod 1.5 pixels thick and 38 long, lying in the view plane at 45
  // degrees: its box in the window is large both ways, and yet it is thin.
  static D3DXMATRIX Rod(const D3DXMATRIX& at) {
    D3DXMATRIX scaling, lieDown, turn;
    D3DXMatrixScaling(&scaling, 0.6f, 0.6f, 3.0f);
    D3DXMatrixRotationX(&lieDown, 1.5707964f);
    D3DXMatrixRotationZ(&turn, 0.7853982f);
    return MatrixProduct(MatrixProduct(MatrixProduct(scaling, lieDown), turn), at);
  }

  // Width and height in pixels of the window's box around the mesh's box.
  std::pair<double, double> WindowBoxOf(const Mesh& mesh, const D3DXMATRIX& modelView) const {
    Scene at = s;
    at.modelView = modelView;
    const latticegas_d3d9::MeshBounds& b = mesh.bounds();
    double xLow = 1e9, xHigh = -1e9, yLow = 1e9, yHigh = -1e9;
    for (int c = 0; c < 8; ++c) {
      const float p[3] = {(c & 1) ? b.max[0] : b.min[0], (c & 2) ? b.max[1] : b.min[1],
                          (c & 4) ? b.max[2] : b.min[2]};
      const ScreenVertex v = ToScreen(at, p);
      xLow = std::min(xLow, v.x);
      xHigh = std::max(xHigh, v.x);
      yLow = std::min(yLow, v.y);
      yHigh = std::max(yHigh, v.y);
    }
    return {xHigh - xLow, yHigh - yLow};
  }

  // Draws each of `count` draws; all are drawn, none skipped.
  template <typename Place>
  void DrawAll(DrawCuller& culler, const Mesh& mesh, int count, Place place) {
    for (int i = 0; i < count; ++i)
      EXPECT_FALSE(culler.Cull(mesh, place(i)).indices.empty()) << "draw " << i << " was skipped";
  }
};

TEST_F(LargeFirstSightTest, CountsFirstSightsLargeBothWaysUntilTheFrameEnds) {
  const Mesh& ball = Of(sphere);
  const Mesh& rod = Of(cylinder);
  const auto [rodWide, rodHigh] = WindowBoxOf(rod, Rod(At(0)));
  ASSERT_GT(rodWide, 20.0);
  ASSERT_GT(rodHigh, 20.0);
  auto large = [](int i) { return Sphere(i % 2 == 0 ? 1.0f : 0.2f, At(i)); };
  auto small = [](int i) { return Sphere(0.08f, At(i, 1.5f)); };
  auto thin = [](int i) { return Rod(At(i, 1.5f)); };
  for (bool largeWhole : {false, true}) {
    SCOPED_TRACE(largeWhole ? "large ones drawn whole" : "large ones listed");
    DrawCuller culler;
    culler.SetOptions(WebOptions(largeWhole));
    culler.SetRaster(s.Raster());
    // Each twice in the first frame: the second sight makes its list.
    DrawAll(culler, ball, 30, large);
    EXPECT_EQ(culler.largeFirstSights(), 30u);
    DrawAll(culler, ball, 30, large);
    EXPECT_EQ(culler.largeFirstSights(), 30u) << "second sights counted";
    DrawAll(culler, ball, 30, small);
    DrawAll(culler, rod, 30, thin);
    EXPECT_EQ(culler.largeFirstSights(), 30u) << "small draws or thin rods counted";
    // Wholly outside the view: not drawn, and not counted.
    EXPECT_TRUE(culler.Cull(ball, Sphere(1.0f, At(1, 100.0f))).indices.empty());
    EXPECT_EQ(culler.largeFirstSights(), 30u);
    culler.EndFrame();
    EXPECT_EQ(culler.largeFirstSights(), 0u);
    // Listed by now, none is a first sight; moved a little, each is again.
    DrawAll(culler, ball, 30, large);
    EXPECT_EQ(culler.largeFirstSights(), 0u);
    DrawAll(culler, ball, 30, [&](int i) { return Sphere(i % 2 == 0 ? 1.0f : 0.2f, At(i, 0.01f)); });
    EXPECT_EQ(culler.largeFirstSights(), 30u);
    culler.EndFrame();
  }
  // Large from 8 pixels, only the larger half is; where no size is large,
  // none is.
  for (const auto& [across, counted] : {std::pair{8.0, 15u}, std::pair{0.0, 0u}}) {
    SCOPED_TRACE(testing::Message() << "large from " << across << " pixels");
    DrawCuller culler;
    CullingOptions options = WebOptions(false);
    options.wholeAcross = across;
    culler.SetOptions(options);
    culler.SetRaster(s.Raster());
    DrawAll(culler, ball, 30, large);
    EXPECT_EQ(culler.largeFirstSights(), counted);
  }
}

TEST_F(LargeFirstSightTest, LargeFirstSightsComeWholeOnlyWhenAskedFor) {
  const Mesh& ball = Of(sphere);
  const Mesh& rod = Of(cylinder);
  const std::size_t all = ball.indices().size();
  for (bool largeWhole : {false, true}) {
    SCOPED_TRACE(largeWhole ? "large ones drawn whole" : "large ones listed");
    DrawCuller culler;
    culler.SetOptions(WebOptions(largeWhole));
    culler.SetRaster(s.Raster());
    const CulledDraw big = culler.Cull(ball, Sphere(1.0f, At(3)));
    EXPECT_EQ(big.kept, nullptr);
    if (largeWhole) {
      EXPECT_TRUE(big.whole);
      EXPECT_EQ(big.indices.size(), all);
    } else {
      // A quick list: nearly the far half left out.
      EXPECT_FALSE(big.whole);
      EXPECT_LT(big.indices.size(), all * 3 / 4);
      CheckLeftOut(Scene{Sphere(1.0f, At(3)), s.projection, s.viewport, s.cullMode, s.fillMode},
                   ball, big);
    }
    // Small or thin ones take the quick list either way.
    for (const auto& [mesh, modelView] :
         {std::pair{&ball, Sphere(0.08f, At(5))}, std::pair{&rod, Rod(At(6))}}) {
      const CulledDraw draw = culler.Cull(*mesh, modelView);
      EXPECT_FALSE(draw.whole);
      EXPECT_FALSE(draw.indices.empty());
      EXPECT_LT(draw.indices.size(), mesh->indices().size());
      EXPECT_EQ(draw.kept, nullptr);
    }
  }
}

TEST_F(LargeFirstSightTest, AListedDrawsRecordLastsAsLongAsItsList) {
  const Mesh& ball = Of(sphere);
  DrawCuller culler;
  culler.SetOptions(WebOptions(true));
  culler.SetRaster(s.Raster());
  // The second sight is listed, with a blank record for the renderer to
  // fill; the record stays with the list while it is used.
  auto place = [](int i) { return Sphere(1.0f, At(i)); };
  for (int i = 0; i < 30; ++i) {
    culler.Cull(ball, place(i));
    const CulledDraw listed = culler.Cull(ball, place(i));
    EXPECT_FALSE(listed.whole);
    ASSERT_NE(listed.kept, nullptr);
    EXPECT_EQ(listed.kept->store, 0u);
    listed.kept->store = 100 + i;
  }
  for (int frame = 0; frame < 4; ++frame) {
    culler.EndFrame();
    for (int i = 0; i < 30; ++i) {
      const CulledDraw listed = culler.Cull(ball, place(i));
      ASSERT_NE(listed.kept, nullptr);
      EXPECT_EQ(listed.kept->store, 100u + i) << "draw " << i << " in frame " << frame;
    }
  }
  // Unused for a few frames, the lists go; made anew, for the same draws or
  // for others in the places they left, every record starts blank.
  for (float shift : {0.0f, 0.5f, 0.25f}) {
    for (int frame = 0; frame < 4; ++frame) culler.EndFrame();
    for (int i = 0; i < 30; ++i) {
      const D3DXMATRIX modelView = Sphere(1.0f, At(i, shift));
      EXPECT_EQ(culler.Cull(ball, modelView).kept, nullptr) << "draw " << i << " + " << shift;
      const CulledDraw listed = culler.Cull(ball, modelView);
      ASSERT_NE(listed.kept, nullptr);
      EXPECT_EQ(listed.kept->store, 0u) << "draw " << i << " + " << shift;
      listed.kept->store = 200 + i;
    }
  }
}

TEST_F(LargeFirstSightTest, OnlyOptionsThatDecideTheListsForgetThem) {
  const Mesh& ball = Of(sphere);
  const D3DXMATRIX modelView = Sphere(1.0f, At(3));
  using Change = void (*)(CullingOptions&);
  struct Case {
    const char* name;
    Change change;
    bool forgets;
  };
  const Case cases[] = {
      {"wholeAcross", [](CullingOptions& o) { o.wholeAcross = 0.0; }, false},
      {"largeWhole", [](CullingOptions& o) { o.largeWhole = !o.largeWhole; }, false},
      {"triangles", [](CullingOptions& o) { o.triangles = false; }, true},
      {"firstSight", [](CullingOptions& o) { o.firstSight = false; }, true},
      {"frustum", [](CullingOptions& o) { o.frustum = false; }, true},
      {"subpixel", [](CullingOptions& o) { o.subpixel = false; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DrawCuller culler;
    const CullingOptions before = WebOptions(false);
    culler.SetOptions(before);
    culler.SetRaster(s.Raster());
    culler.Cull(ball, modelView);
    const CulledDraw listed = culler.Cull(ball, modelView);
    ASSERT_NE(listed.kept, nullptr);
    listed.kept->store = 7;
    const std::vector<uint16_t> list = ToVector(listed);
    // Changed, and back as the device changes between frames.
    CullingOptions changed = before;
    c.change(changed);
    culler.SetOptions(changed);
    if (!c.forgets) {
      const CulledDraw again = culler.Cull(ball, modelView);
      ASSERT_NE(again.kept, nullptr) << "the list was forgotten";
      EXPECT_EQ(again.kept->store, 7u);
      EXPECT_EQ(ToVector(again), list);
    }
    culler.SetOptions(before);
    const CulledDraw first = culler.Cull(ball, modelView);
    if (c.forgets) {
      EXPECT_EQ(first.kept, nullptr) << "the list was kept";
      const CulledDraw second = culler.Cull(ball, modelView);
      ASSERT_NE(second.kept, nullptr);
      EXPECT_EQ(second.kept->store, 0u);
      EXPECT_EQ(ToVector(second), list);
    } else {
      ASSERT_NE(first.kept, nullptr) << "the list was forgotten";
      EXPECT_EQ(first.kept->store, 7u);
      EXPECT_EQ(ToVector(first), list);
    }
  }
}

}  // namespace
