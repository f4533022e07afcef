#pragma once
// Decides, per DrawSubset, which triangles of a mesh can reach a pixel, so a
// renderer draws only those: draws wholly outside the view or too small to
// cover a pixel centre are skipped, and for the rest the triangles that face
// away or cover no pixel centre are left out. The picture does not change:
// every test allows for the renderer's own rounding on the drawing side, and
// where in doubt a triangle is kept.
//
// The outcome for one (mesh, model-view matrix) is kept until the projection,
// viewport, cull mode or fill mode changes, or until it goes unused for a few
// frames; a triangle list is made the second time a pair is drawn, since a
// moving particle is seldom drawn twice alike. No window system and no
// graphics API: every renderer shares it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

class Mesh;

// Direct3D's projection as an OpenGL renderer loads it: depth remapped from
// Direct3D's 0 <= z <= w to OpenGL's -w <= z <= w, and shifted half a pixel
// right and down, since Direct3D 9 samples pixels at their corners rather
// than at their centres.
D3DMATRIX GlClipProjection(const D3DMATRIX& projection, const D3DVIEWPORT9& viewport);

// What decides which pixels a triangle covers, besides its own matrices.
struct RasterSetup {
  D3DMATRIX projection;  // Direct3D's, as set on the device
  D3DVIEWPORT9 viewport;
  DWORD cullMode;     // D3DCULL_*
  DWORD fillMode;     // D3DFILL_*
  bool multisampled;  // coverage is then not decided by pixel centres alone
  // The rasteriser snaps vertices to 1 / 2^subpixelBits of a pixel
  // (GL_SUBPIXEL_BITS); OpenGL promises at least 4.
  int subpixelBits = 4;

  bool operator==(const RasterSetup& other) const;
};

// Which tests run: by default all but the first sight's, as the desktop
// device has them; the web's device adds that one.
struct CullingOptions {
  bool frustum = true;    // skip draws wholly outside one clip plane
  bool subpixel = true;   // skip draws whose bounds hold no pixel centre
  bool triangles = true;  // leave out triangles facing away or covering no pixel centre
  // The first sight of a draw (a moving particle's every sight) leaves out,
  // by a cheaper test in single precision, triangles clearly facing away or
  // too small to reach a pixel centre; with `triangles` only. It pays where
  // each triangle costs the renderer dearly (the web's stream); where the
  // renderer takes a mesh's triangles cheaply (the desktop's), the test costs
  // more than it saves.
  bool firstSight = false;
  // A first sight whose box in the window has two of its three edges at
  // least this many pixels long is large: nearly all its triangles facing the
  // eye reach a pixel. Large ones are counted (largeFirstSights), and with
  // `largeWhole` drawn whole, with no list, for a renderer that draws whole
  // meshes on the GPU (the web's, instanced). 0: none is large.
  double wholeAcross = 0.0;
  bool largeWhole = false;
};

// A vertex carried into the viewport: its place in pixels from the viewport's
// lower left corner, y up as OpenGL counts, and how far the renderer's own
// place for it may lie from ours in x and in y. `outside` has bit k set when
// it lies clearly beyond clip plane k (x <= w, x >= -w, y <= w, y >= -w,
// z <= w, z >= -w); x and y mean something only when it is `projectable`,
// clearly in front of the eye.
struct ViewportVertex {
  double x;
  double y;
  double error;
  unsigned outside;
  bool projectable;
};

// What a renderer keeps of a listed draw from one frame to the next (the web's
// stream: where the draw's lit vertices are stored, and what lit them). The
// culler holds it beside the draw's list and starts it blank whenever a list
// is made anew, so it never outlives the triangles it was made from.
struct KeptDraw {
  uint32_t store = 0;  // 0: nothing kept
  uint32_t first = 0;
  uint32_t count = 0;
  unsigned lighting = 0;
  unsigned frame = 0;  // the renderer's frame that last drew it
  D3DMATERIAL9 material{};
};

// The triangles to draw: the mesh's whole index list, or a part of it.
struct CulledDraw {
  std::span<const uint16_t> indices;
  bool whole;
  // A listed draw's record for the renderer; null for one not listed yet (its
  // first sight). Valid until the next Cull.
  KeptDraw* kept;
};

class DrawCuller {
 public:
  void SetRaster(const RasterSetup& setup);
  void SetOptions(const CullingOptions& options);

  // The triangles of `mesh` worth drawing with the model-view matrix
  // `modelView` (world x view, as the renderer loads it); empty when the draw
  // can be skipped. Valid until the next call.
  CulledDraw Cull(const Mesh& mesh, const D3DMATRIX& modelView);

  // Marks the end of a frame: lists unused for a few frames are dropped.
  void EndFrame();

  // The large first sights (CullingOptions::wholeAcross) since EndFrame.
  unsigned largeFirstSights() const { return largeFirstSights_; }

 private:
  struct Key {
    const Mesh* mesh;
    D3DMATRIX modelView;
    bool operator==(const Key& other) const;
  };
  static std::size_t HashOf(const Key& key);
  struct Entry {
    // fresh: not drawn before; seen: drawn whole once; listed: `indices` (or
    // the whole mesh, or nothing) is what to draw.
    enum class State { fresh, seen, listed };
    State state = State::fresh;
    std::vector<uint16_t> indices;
    bool whole = false;
    KeptDraw kept;
  };
  // The outcomes: a hash table of small heads, with open addressing and
  // linear probing, each naming the slot that holds its key and list. Slots
  // never move: one freed keeps its list's storage for the next key that
  // takes it, so a view full of moving particles, whose keys come and go
  // every frame, allocates nothing once the table has grown to fit. And a
  // still view, which draws what it drew the frame before in the same order,
  // is matched against last frame's order first, slot after slot, without
  // hashing or probing.
  struct SlotHead {
    std::size_t hash = 0;  // 0: empty
    uint32_t slot = 0;
  };
  struct Slot {
    Key key{};
    std::size_t hash = 0;
    Entry entry;
  };
  static constexpr unsigned kFreeSlot = ~0u;
  static constexpr uint32_t kNoPlace = ~0u;
  Entry& FindOrAdd(const Key& key);  // marks it used in this frame
  Entry& Use(uint32_t slot);
  void EraseSlot(uint32_t slot);
  void Grow();
  void ForgetAll();
  static CulledDraw Listed(const Mesh& mesh, Entry* entry);
  static CulledDraw Skipped(Entry* entry);

  // Clip coordinates of a point are the point x `clip`; `magnitude` bounds
  // the size of the products that make up each, for the rounding allowance.
  struct ClipTransform {
    double clip[4][4];
    double magnitude[4][4];
  };

  ClipTransform ClipTransformOf(const D3DMATRIX& modelView) const;
  ViewportVertex Carry(const ClipTransform& t, const float* position) const;
  bool BoxBeyondOnePlane(const ClipTransform& t, const Mesh& mesh) const;
  // The box around a mesh carried into the window; nothing in it means
  // anything unless it is `projectable`.
  struct WindowBox {
    bool projectable = false;
    double xLow = 0.0, xHigh = 0.0, yLow = 0.0, yHigh = 0.0;
    double error = 0.0;
    // The box's middle edge in the window, in pixels: how far it spreads
    // where it spreads least but one (a sphere seen face on: its width; a
    // thin cylinder: its thickness).
    double secondEdge = 0.0;
  };
  WindowBox BoxInWindow(const ClipTransform& t, const Mesh& mesh) const;
  bool HoldsNoCentre(const WindowBox& box) const;
  void BuildList(const ClipTransform& t, const Mesh& mesh, Entry* entry);
  bool BuildQuickList(const ClipTransform& t, const Mesh& mesh);

  RasterSetup setup_{};
  bool haveSetup_ = false;
  bool pixelCentresDecide_ = false;
  double snapAllowance_ = 0.0;  // half a sub-pixel step, in pixels
  D3DMATRIX glProjection_{};
  CullingOptions options_;
  std::vector<SlotHead> heads_;  // a power of two in size, at most half used
  std::vector<Slot> slots_;
  std::vector<unsigned> slotUsed_;   // per slot, the frame it was last used in; kFreeSlot
  std::vector<uint32_t> slotPlace_;  // per slot, its place in lastOrder_, or kNoPlace
  std::vector<uint32_t> freeSlots_;  // taken from the back
  std::vector<uint32_t> order_;      // the slots this frame used, in order
  std::vector<uint32_t> lastOrder_;  // and last frame
  std::size_t cursor_ = 0;           // the place in lastOrder_ of the next guess
  std::size_t used_ = 0;
  unsigned frame_ = 0;
  unsigned largeFirstSights_ = 0;
  std::vector<ViewportVertex> vertices_;  // scratch for one mesh
  std::vector<float> windowXy_;           // the same, in single precision
  std::vector<uint16_t> quickList_;       // a first sight's triangles
};

// The triangle test on its own, for renderers and tests: true when the
// triangle a, b, c (viewport vertices) clearly cannot colour a pixel of a
// viewport `width` x `height` pixels, under `cullMode`; pixel centres decide
// only when `pixelCentresDecide` (solid fill, one sample per pixel).
bool TriangleCannotReachAPixel(const ViewportVertex& a, const ViewportVertex& b,
                               const ViewportVertex& c, double width, double height,
                               DWORD cullMode, bool pixelCentresDecide);

}  // namespace latticegas_d3d9
