#include "platform/d3d9/draw_culler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/mesh.h"

namespace latticegas_d3d9 {
namespace {

// The renderer computes in float, we in double from the same float inputs: a
// clip coordinate of ours may differ from its by this much, relative to the
// sum of the magnitudes of the products that make it up (float rounds to 6e-8;
// a few roundings in a row stay far below this).
constexpr double kClipError = 1e-5;
// Window positions: rasterisers compute them in float and then snap them to
// their sub-pixel grid, moving each by up to half a step (see SetRaster). A
// sixty-fourth of a pixel, plus a relative part for places far from the
// origin, covers the float arithmetic of any renderer.
constexpr double kWindowMargin = 1.0 / 64.0;
constexpr double kWindowRelativeError = 2e-6;
// More sub-pixel bits than this change the allowance by nothing that counts.
constexpr int kMostSubpixelBits = 16;
// A triangle whose pixel centres are tested one by one; larger ones are kept.
constexpr int kMaxCentresTested = 64;
// Lists unused for this many frames are dropped.
constexpr unsigned kFramesKept = 2;

// The pixel-centre columns (or rows) that a span [low, high] may reach,
// clamped to the viewport's `size` pixels: centres sit at i + 0.5.
struct CentreRange {
  int first;
  int last;
  bool empty() const { return first > last; }
  int count() const { return last - first + 1; }
};

CentreRange CentresIn(double low, double high, double size) {
  const double first = std::max(0.0, std::ceil(low - 0.5));
  const double last = std::min(size - 1.0, std::floor(high - 0.5));
  if (!(first <= last)) return CentreRange{1, 0};
  return CentreRange{static_cast<int>(first), static_cast<int>(last)};
}

// Cross product of (b - a) and (p - a): positive when p lies to the left of
// a -> b, with y up.
double Cross(double ax, double ay, double bx, double by, double px, double py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

double Manhattan(const ViewportVertex& a, const ViewportVertex& b) {
  return std::fabs(b.x - a.x) + std::fabs(b.y - a.y);
}

// The renderer draws the triangle whose corners lie within `error` (in x and
// in y) of ours. Every point of that triangle then lies within `error` of
// ours too, so it lies inside ours grown by a square of that half-size; and
// its signed area differs from ours by at most the tolerance below.
struct Triangle {
  const ViewportVertex* v[3];
  double error;
  double area;  // twice the signed area, y up: positive when counter-clockwise

  Triangle(const ViewportVertex& a, const ViewportVertex& b, const ViewportVertex& c)
      : v{&a, &b, &c},
        error(std::max({a.error, b.error, c.error})),
        area(Cross(a.x, a.y, b.x, b.y, c.x, c.y)) {}

  double AreaTolerance() const {
    return 2.0 * error * (Manhattan(*v[0], *v[1]) + Manhattan(*v[0], *v[2])) + 8.0 * error * error;
  }

  // True when the renderer's triangle faces the culled way for certain.
  bool ClearlyFacingAway(DWORD cullMode) const {
    if (cullMode == D3DCULL_NONE) return false;
    // Counter-clockwise in window space with y up is counter-clockwise on
    // screen, which Direct3D's default mode culls.
    const double culledSign = cullMode == D3DCULL_CW ? -1.0 : 1.0;
    return area * culledSign > AreaTolerance();
  }

  // True when centre (px, py) lies in our triangle grown by the error square,
  // taken counter-clockwise (orientation 1) or clockwise (-1).
  bool MayCover(double orientation, double px, double py) const {
    for (int k = 0; k < 3; ++k) {
      const ViewportVertex& a = *v[k];
      const ViewportVertex& b = *v[(k + 1) % 3];
      // The square reaches this far across the edge's line.
      const double reach = error * Manhattan(a, b);
      if (Cross(a.x, a.y, b.x, b.y, px, py) * orientation < -reach) return false;
    }
    return true;
  }

  // True when no pixel centre of the viewport can be covered.
  bool CoversNoCentre(double width, double height) const {
    double xLow = v[0]->x, xHigh = xLow, yLow = v[0]->y, yHigh = yLow;
    for (const ViewportVertex* p : v) {
      xLow = std::min(xLow, p->x);
      xHigh = std::max(xHigh, p->x);
      yLow = std::min(yLow, p->y);
      yHigh = std::max(yHigh, p->y);
    }
    const CentreRange columns = CentresIn(xLow - error, xHigh + error, width);
    const CentreRange rows = CentresIn(yLow - error, yHigh + error, height);
    if (columns.empty() || rows.empty()) return true;
    if (columns.count() * rows.count() > kMaxCentresTested) return false;
    // Too thin to be sure of its winding: it could be either way round.
    const bool windingKnown = std::fabs(area) > AreaTolerance();
    for (int row = rows.first; row <= rows.last; ++row) {
      for (int column = columns.first; column <= columns.last; ++column) {
        const double px = column + 0.5;
        const double py = row + 0.5;
        if (windingKnown ? MayCover(area > 0.0 ? 1.0 : -1.0, px, py)
                         : MayCover(1.0, px, py) || MayCover(-1.0, px, py))
          return false;
      }
    }
    return true;
  }
};

// Plane k of the clip volume as coefficients of clip (x, y, z, w): the point
// lies beyond it when the sum is positive.
constexpr double kPlanes[6][4] = {{1, 0, 0, -1}, {-1, 0, 0, -1}, {0, 1, 0, -1},
                                  {0, -1, 0, -1}, {0, 0, 1, -1}, {0, 0, -1, -1}};

}  // namespace

D3DMATRIX GlClipProjection(const D3DMATRIX& projection, const D3DVIEWPORT9& viewport) {
  D3DMATRIX remap = IdentityMatrix();
  remap._33 = 2.0f;
  remap._43 = -1.0f;
  remap._41 = 1.0f / static_cast<float>(viewport.Width);
  remap._42 = -1.0f / static_cast<float>(viewport.Height);
  return MatrixProduct(projection, remap);
}

bool TriangleCannotReachAPixel(const ViewportVertex& a, const ViewportVertex& b,
                               const ViewportVertex& c, double width, double height,
                               DWORD cullMode, bool pixelCentresDecide) {
  if ((a.outside & b.outside & c.outside) != 0) return true;
  if (!a.projectable || !b.projectable || !c.projectable) return false;
  const Triangle t(a, b, c);
  return t.ClearlyFacingAway(cullMode) || (pixelCentresDecide && t.CoversNoCentre(width, height));
}

bool RasterSetup::operator==(const RasterSetup& other) const {
  return std::memcmp(&projection, &other.projection, sizeof projection) == 0 &&
         std::memcmp(&viewport, &other.viewport, sizeof viewport) == 0 &&
         cullMode == other.cullMode && fillMode == other.fillMode &&
         multisampled == other.multisampled && subpixelBits == other.subpixelBits;
}

bool DrawCuller::Key::operator==(const Key& other) const {
  return mesh == other.mesh && std::memcmp(&modelView, &other.modelView, sizeof modelView) == 0;
}

std::size_t DrawCuller::HashOf(const Key& key) {
  uint64_t words[8];
  std::memcpy(words, &key.modelView, sizeof words);
  uint64_t h = reinterpret_cast<uintptr_t>(key.mesh) * 0x9E3779B97F4A7C15ull;
  for (uint64_t w : words) {
    h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  return h == 0 ? 1 : static_cast<std::size_t>(h);  // 0 marks an empty slot
}

void DrawCuller::SetRaster(const RasterSetup& setup) {
  if (haveSetup_ && setup == setup_) return;
  setup_ = setup;
  haveSetup_ = true;
  pixelCentresDecide_ = setup.fillMode == D3DFILL_SOLID && !setup.multisampled;
  const int bits = std::clamp(setup.subpixelBits, 0, kMostSubpixelBits);
  snapAllowance_ = 0.5 / static_cast<double>(1 << bits);
  glProjection_ = GlClipProjection(setup.projection, setup.viewport);
  ForgetAll();
}

void DrawCuller::SetOptions(const CullingOptions& options) {
  // Only the tests whose outcomes are kept make what is kept stale.
  const bool keptStale = options.frustum != options_.frustum ||
                         options.subpixel != options_.subpixel ||
                         options.triangles != options_.triangles ||
                         options.firstSight != options_.firstSight;
  options_ = options;
  if (keptStale) ForgetAll();
}

ViewportVertex DrawCuller::Carry(const ClipTransform& t, const float* position) const {
  const double in[4] = {position[0], position[1], position[2], 1.0};
  double clip[4];
  double error[4];
  for (int j = 0; j < 4; ++j) {
    clip[j] = in[0] * t.clip[0][j] + in[1] * t.clip[1][j] + in[2] * t.clip[2][j] + t.clip[3][j];
    error[j] = kClipError * (std::fabs(in[0]) * t.magnitude[0][j] +
                             std::fabs(in[1]) * t.magnitude[1][j] +
                             std::fabs(in[2]) * t.magnitude[2][j] + t.magnitude[3][j]);
  }
  ViewportVertex v{};
  for (int k = 0; k < 6; ++k) {
    const int axis = k / 2;
    const double beyond = kPlanes[k][axis] * clip[axis] - clip[3];
    if (beyond > error[axis] + error[3]) v.outside |= 1u << k;
  }
  const double w = clip[3];
  v.projectable = w > 2.0 * error[3];
  if (!v.projectable) return v;
  const double halfWidth = setup_.viewport.Width / 2.0;
  const double halfHeight = setup_.viewport.Height / 2.0;
  const double nx = clip[0] / w;
  const double ny = clip[1] / w;
  // How far x / w and y / w move when x, y and w are each off by their bound.
  const double ex = (error[0] + std::fabs(nx) * error[3]) / (w - error[3]);
  const double ey = (error[1] + std::fabs(ny) * error[3]) / (w - error[3]);
  v.x = (nx + 1.0) * halfWidth;
  v.y = (ny + 1.0) * halfHeight;
  v.error = std::max(ex * halfWidth, ey * halfHeight) + kWindowMargin + snapAllowance_ +
            kWindowRelativeError * std::max(std::fabs(v.x), std::fabs(v.y));
  return v;
}

// The box around the mesh against each plane: its least value there (centre
// less spread) beyond the rounding allowance of its largest corner.
bool DrawCuller::BoxBeyondOnePlane(const ClipTransform& t, const Mesh& mesh) const {
  const MeshBounds& b = mesh.bounds();
  double centre[3];
  double half[3];
  for (int i = 0; i < 3; ++i) {
    centre[i] = (static_cast<double>(b.min[i]) + b.max[i]) / 2.0;
    half[i] = (static_cast<double>(b.max[i]) - b.min[i]) / 2.0;
  }
  for (const auto& plane : kPlanes) {
    double least = 0.0;
    double allowance = 0.0;
    for (int i = 0; i < 4; ++i) {
      double coefficient = 0.0;
      double magnitude = 0.0;
      for (int j = 0; j < 4; ++j) {
        coefficient += t.clip[i][j] * plane[j];
        magnitude += t.magnitude[i][j] * std::fabs(plane[j]);
      }
      if (i == 3) {
        least += coefficient;
        allowance += magnitude;
      } else {
        least += coefficient * centre[i] - std::fabs(coefficient) * half[i];
        allowance += magnitude * (std::fabs(centre[i]) + half[i]);
      }
    }
    if (least > kClipError * allowance) return true;
  }
  return false;
}

DrawCuller::WindowBox DrawCuller::BoxInWindow(const ClipTransform& t, const Mesh& mesh) const {
  const MeshBounds& b = mesh.bounds();
  WindowBox box{};
  double edges[3] = {0.0, 0.0, 0.0};
  ViewportVertex first{};
  for (int c = 0; c < 8; ++c) {
    const float p[3] = {(c & 1) ? b.max[0] : b.min[0], (c & 2) ? b.max[1] : b.min[1],
                        (c & 4) ? b.max[2] : b.min[2]};
    const ViewportVertex v = Carry(t, p);
    if (!v.projectable) return WindowBox{};
    if (c == 0) first = v;
    // The box's edges from its first corner, along the mesh's own axes.
    if (c == 1 || c == 2 || c == 4)
      edges[c / 2] = std::hypot(v.x - first.x, v.y - first.y);
    box.xLow = c == 0 ? v.x : std::min(box.xLow, v.x);
    box.xHigh = c == 0 ? v.x : std::max(box.xHigh, v.x);
    box.yLow = c == 0 ? v.y : std::min(box.yLow, v.y);
    box.yHigh = c == 0 ? v.y : std::max(box.yHigh, v.y);
    box.error = std::max(box.error, v.error);
  }
  std::sort(edges, edges + 3);
  box.secondEdge = edges[1];
  box.projectable = true;
  return box;
}

bool DrawCuller::HoldsNoCentre(const WindowBox& box) const {
  return box.projectable &&
         (CentresIn(box.xLow - box.error, box.xHigh + box.error, setup_.viewport.Width).empty() ||
          CentresIn(box.yLow - box.error, box.yHigh + box.error, setup_.viewport.Height).empty());
}

void DrawCuller::BuildList(const ClipTransform& t, const Mesh& mesh, Entry* entry) {
  vertices_.clear();
  for (const Vertex& v : mesh.vertices()) vertices_.push_back(Carry(t, v.position));
  const std::vector<uint16_t>& all = mesh.indices();
  const double width = setup_.viewport.Width;
  const double height = setup_.viewport.Height;
  entry->indices.clear();
  for (std::size_t i = 0; i + 2 < all.size(); i += 3) {
    if (!TriangleCannotReachAPixel(vertices_[all[i]], vertices_[all[i + 1]],
                                   vertices_[all[i + 2]], width, height, setup_.cullMode,
                                   pixelCentresDecide_))
      entry->indices.insert(entry->indices.end(), all.begin() + i, all.begin() + i + 3);
  }
  entry->state = Entry::State::listed;
  entry->whole = entry->indices.size() == all.size();
  if (entry->whole) entry->indices.clear();
}

// The first sight's test: every vertex carried to the window in single
// precision with one allowance for the whole draw, worked out from the mesh's
// box, since over a box wholly in front of the eye x / w and y / w are
// largest at its corners. A triangle is left out when it clearly faces away,
// or when its box, grown by the allowance, holds no pixel centre; larger
// triangles are kept whatever their centres. False when the draw is kept whole
// (no triangle left out, or the box reaches too near the eye to judge).
bool DrawCuller::BuildQuickList(const ClipTransform& t, const Mesh& mesh) {
  const bool facing = setup_.cullMode == D3DCULL_CW || setup_.cullMode == D3DCULL_CCW;
  if (!facing && !pixelCentresDecide_) return false;
  const MeshBounds& b = mesh.bounds();
  double reach[3];
  for (int i = 0; i < 3; ++i) reach[i] = std::max(std::fabs(b.min[i]), std::fabs(b.max[i]));
  double clipError[4];
  for (int j = 0; j < 4; ++j) {
    // Ours in float, the renderer's: each within the clip allowance.
    clipError[j] = 2.0 * kClipError *
                   (reach[0] * t.magnitude[0][j] + reach[1] * t.magnitude[1][j] +
                    reach[2] * t.magnitude[2][j] + t.magnitude[3][j]);
  }
  double wLeast = 0.0, ndcMost = 0.0;
  for (int c = 0; c < 8; ++c) {
    const double p[3] = {(c & 1) ? b.max[0] : b.min[0], (c & 2) ? b.max[1] : b.min[1],
                         (c & 4) ? b.max[2] : b.min[2]};
    double clip[4];
    for (int j = 0; j < 4; ++j)
      clip[j] = p[0] * t.clip[0][j] + p[1] * t.clip[1][j] + p[2] * t.clip[2][j] + t.clip[3][j];
    wLeast = c == 0 ? clip[3] : std::min(wLeast, clip[3]);
    if (clip[3] > 0.0) ndcMost = std::max({ndcMost, std::fabs(clip[0] / clip[3]), std::fabs(clip[1] / clip[3])});
  }
  if (!(wLeast > 4.0 * clipError[3])) return false;
  const double halfWidth = setup_.viewport.Width / 2.0;
  const double halfHeight = setup_.viewport.Height / 2.0;
  const double ndcError = (std::max(clipError[0], clipError[1]) + ndcMost * clipError[3]) /
                          (wLeast - clipError[3]);
  // Window places reach at most this far from the origin; single precision
  // rounds each step there by a few of its units.
  const double farthest = (ndcMost + 1.0 + ndcError) * std::max(halfWidth, halfHeight);
  const double error = ndcError * std::max(halfWidth, halfHeight) + kWindowMargin + snapAllowance_ +
                       kWindowRelativeError * farthest + 1e-6 * farthest;

  float m[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = static_cast<float>(t.clip[i][j]);
  const auto fw = static_cast<float>(halfWidth);
  const auto fh = static_cast<float>(halfHeight);
  const std::vector<Vertex>& vertices = mesh.vertices();
  windowXy_.resize(2 * vertices.size());
  for (std::size_t k = 0; k < vertices.size(); ++k) {
    const float* p = vertices[k].position;
    const float x = p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0];
    const float y = p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1];
    const float w = p[0] * m[0][3] + p[1] * m[1][3] + p[2] * m[2][3] + m[3][3];
    windowXy_[2 * k] = (x / w + 1.0f) * fw;
    windowXy_[2 * k + 1] = (y / w + 1.0f) * fh;
  }

  const auto e = static_cast<float>(error);
  const float culledSign = setup_.cullMode == D3DCULL_CW ? -1.0f : 1.0f;
  const auto width = static_cast<float>(setup_.viewport.Width);
  const auto height = static_cast<float>(setup_.viewport.Height);
  const std::vector<uint16_t>& all = mesh.indices();
  quickList_.clear();
  for (std::size_t i = 0; i + 2 < all.size(); i += 3) {
    const float* a = &windowXy_[2 * all[i]];
    const float* p = &windowXy_[2 * all[i + 1]];
    const float* q = &windowXy_[2 * all[i + 2]];
    const float abx = p[0] - a[0], aby = p[1] - a[1], acx = q[0] - a[0], acy = q[1] - a[1];
    if (facing) {
      const float area = abx * acy - aby * acx;
      // The renderer's corners within e of ours, and single precision's own
      // rounding of the products, allowed for twice over.
      const float spans = std::fabs(abx) + std::fabs(aby) + std::fabs(acx) + std::fabs(acy);
      const float tolerance = 2.0f * e * spans + 8.0f * e * e +
                              2e-6f * (std::fabs(abx * acy) + std::fabs(aby * acx));
      if (area * culledSign > tolerance) continue;
    }
    if (pixelCentresDecide_) {
      const float xLow = std::min({a[0], p[0], q[0]}) - e, xHigh = std::max({a[0], p[0], q[0]}) + e;
      const float yLow = std::min({a[1], p[1], q[1]}) - e, yHigh = std::max({a[1], p[1], q[1]}) + e;
      // Centres at i + 0.5, 0 <= i < the viewport's size.
      const float firstColumn = std::max(0.0f, std::ceil(xLow - 0.5f));
      const float lastColumn = std::min(width - 1.0f, std::floor(xHigh - 0.5f));
      const float firstRow = std::max(0.0f, std::ceil(yLow - 0.5f));
      const float lastRow = std::min(height - 1.0f, std::floor(yHigh - 0.5f));
      if (!(firstColumn <= lastColumn) || !(firstRow <= lastRow)) continue;
    }
    quickList_.insert(quickList_.end(), all.begin() + i, all.begin() + i + 3);
  }
  return quickList_.size() != all.size();
}

CulledDraw DrawCuller::Cull(const Mesh& mesh, const D3DMATRIX& modelView) {
  const std::span<const uint16_t> all(mesh.indices());
  if (!haveSetup_) return CulledDraw{all, true, nullptr};
  // A draw seen before under the same setup needs no test again.
  Entry* entry = nullptr;
  if (options_.triangles) {
    entry = &FindOrAdd(Key{&mesh, modelView});
    if (entry->state == Entry::State::listed) return Listed(mesh, entry);
  }
  const ClipTransform t = ClipTransformOf(modelView);
  const bool seenBefore = entry != nullptr && entry->state == Entry::State::seen;
  if (options_.frustum && BoxBeyondOnePlane(t, mesh)) return Skipped(entry);
  // At a first sight the box in the window decides what is cheap to leave out.
  WindowBox box{};
  if (!seenBefore && ((options_.subpixel && pixelCentresDecide_) || options_.wholeAcross > 0.0))
    box = BoxInWindow(t, mesh);
  if (!seenBefore && options_.subpixel && pixelCentresDecide_ && HoldsNoCentre(box))
    return Skipped(entry);
  if (entry == nullptr) return CulledDraw{all, true, nullptr};
  // Moving things are seldom drawn twice alike: the full list is made the
  // second time, a cheaper one at the first, and none for a draw so large in
  // the window that nearly all its triangles facing the eye reach a pixel.
  if (!seenBefore) {
    entry->state = Entry::State::seen;
    const bool large =
        options_.wholeAcross > 0.0 && box.projectable && box.secondEdge >= options_.wholeAcross;
    if (large) ++largeFirstSights_;
    if (options_.firstSight && !(large && options_.largeWhole) && BuildQuickList(t, mesh))
      return CulledDraw{quickList_, false, nullptr};
    return CulledDraw{all, true, nullptr};
  }
  BuildList(t, mesh, entry);
  return Listed(mesh, entry);
}

// Nothing of it can reach a pixel: so it stays while the setup does.
CulledDraw DrawCuller::Skipped(Entry* entry) {
  if (entry != nullptr) {
    entry->state = Entry::State::listed;
    entry->whole = false;
  }
  return CulledDraw{{}, false, nullptr};
}

CulledDraw DrawCuller::Listed(const Mesh& mesh, Entry* entry) {
  if (entry->whole) return CulledDraw{mesh.indices(), true, &entry->kept};
  if (entry->indices.empty()) return CulledDraw{{}, false, nullptr};
  return CulledDraw{entry->indices, false, &entry->kept};
}

DrawCuller::ClipTransform DrawCuller::ClipTransformOf(const D3DMATRIX& modelView) const {
  ClipTransform t;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      t.clip[i][j] = 0.0;
      t.magnitude[i][j] = 0.0;
      for (int k = 0; k < 4; ++k) {
        const double product = static_cast<double>(modelView.m[i][k]) * glProjection_.m[k][j];
        t.clip[i][j] += product;
        t.magnitude[i][j] += std::fabs(product);
      }
    }
  }
  return t;
}

void DrawCuller::EndFrame() {
  ++frame_;
  largeFirstSights_ = 0;
  for (uint32_t slot = 0; slot < slotUsed_.size(); ++slot)
    if (slotUsed_[slot] != kFreeSlot && frame_ - slotUsed_[slot] > kFramesKept) EraseSlot(slot);
  // This frame's order is the next one's guess.
  for (uint32_t slot : lastOrder_) slotPlace_[slot] = kNoPlace;
  lastOrder_.swap(order_);
  order_.clear();
  for (std::size_t k = 0; k < lastOrder_.size(); ++k)
    if (slotUsed_[lastOrder_[k]] != kFreeSlot) slotPlace_[lastOrder_[k]] = static_cast<uint32_t>(k);
  cursor_ = 0;
}

DrawCuller::Entry& DrawCuller::FindOrAdd(const Key& key) {
  // A still view draws what it drew the frame before, in the same order:
  // the draw that came next then is tried first, with no hashing or probing.
  if (cursor_ < lastOrder_.size()) {
    const uint32_t guess = lastOrder_[cursor_];
    if (slotUsed_[guess] != kFreeSlot && slots_[guess].key == key) {
      ++cursor_;
      return Use(guess);
    }
  }
  if ((used_ + 1) * 2 > heads_.size()) Grow();
  const std::size_t hash = HashOf(key);
  const std::size_t mask = heads_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    SlotHead& head = heads_[i];
    if (head.hash == hash && slots_[head.slot].key == key) {
      // Drawn last frame too, elsewhere in it (draws before it came or went):
      // the guesses go on from there.
      if (slotPlace_[head.slot] != kNoPlace) cursor_ = slotPlace_[head.slot] + std::size_t{1};
      return Use(head.slot);
    }
    if (head.hash != 0) continue;
    head.hash = hash;
    if (freeSlots_.empty()) {
      head.slot = static_cast<uint32_t>(slots_.size());
      slots_.emplace_back();
      slotUsed_.push_back(kFreeSlot);
      slotPlace_.push_back(kNoPlace);
    } else {
      head.slot = freeSlots_.back();
      freeSlots_.pop_back();
    }
    Slot& slot = slots_[head.slot];
    slot.key = key;
    slot.hash = hash;
    slot.entry.state = Entry::State::fresh;
    slot.entry.whole = false;
    slot.entry.indices.clear();  // keeps its storage
    slot.entry.kept = KeptDraw{};
    ++used_;
    return Use(head.slot);
  }
}

DrawCuller::Entry& DrawCuller::Use(uint32_t slot) {
  if (slotUsed_[slot] != frame_) {
    slotUsed_[slot] = frame_;
    order_.push_back(slot);
  }
  return slots_[slot].entry;
}

// Linear probing's deletion: later heads of the same run move back into the
// hole unless that would put them before their home place. Slots stay where
// they are.
void DrawCuller::EraseSlot(uint32_t slot) {
  const std::size_t mask = heads_.size() - 1;
  std::size_t hole = slots_[slot].hash & mask;
  while (heads_[hole].slot != slot || heads_[hole].hash != slots_[slot].hash) hole = (hole + 1) & mask;
  for (std::size_t next = (hole + 1) & mask; heads_[next].hash != 0; next = (next + 1) & mask) {
    const std::size_t home = heads_[next].hash & mask;
    const bool homeAfterHole =
        hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
    if (homeAfterHole) continue;
    std::swap(heads_[hole], heads_[next]);
    hole = next;
  }
  heads_[hole].hash = 0;
  slotUsed_[slot] = kFreeSlot;
  slotPlace_[slot] = kNoPlace;
  freeSlots_.push_back(slot);
  --used_;
}

void DrawCuller::Grow() {
  const std::size_t size = std::max<std::size_t>(64, heads_.size() * 2);
  std::vector<SlotHead> oldHeads(size);
  oldHeads.swap(heads_);
  const std::size_t mask = size - 1;
  for (const SlotHead& head : oldHeads) {
    if (head.hash == 0) continue;
    std::size_t i = head.hash & mask;
    while (heads_[i].hash != 0) i = (i + 1) & mask;
    heads_[i] = head;
  }
}

void DrawCuller::ForgetAll() {
  for (SlotHead& head : heads_) head.hash = 0;
  used_ = 0;
  std::fill(slotUsed_.begin(), slotUsed_.end(), kFreeSlot);
  std::fill(slotPlace_.begin(), slotPlace_.end(), kNoPlace);
  order_.clear();
  lastOrder_.clear();
  cursor_ = 0;
  // Taken again from the first, so that the draws of the next frames lie in
  // their slots in the order they come.
  freeSlots_.clear();
  for (std::size_t k = slots_.size(); k-- > 0;) freeSlots_.push_back(static_cast<uint32_t>(k));
}

}  // namespace latticegas_d3d9
