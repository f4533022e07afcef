#pragma once
// The draws of a frame as one stream of triangles in camera space, lit on the
// CPU by the device's equations (LightVertex), in draw order, for a renderer
// that only projects them and so never sees the triangles the culler leaves
// out (software WebGL pays for every triangle it is given). Where two draws
// meet at the same depth the later one still wins under LESSEQUAL.
//
// Most of a frame is as it was in the last one: with the camera still, the
// nodes and links come again with the same mesh, matrices and material. A
// draw the culler has listed (seen twice alike) has its lit vertices kept, at
// its second sight, in a store the renderer holds; when it comes again with
// the same material and lighting it is neither carried nor lit again, and a
// run of such draws, one after another in a store, is drawn as one range.
// Draws are matched by what they are (the culler's mesh and model-view), not
// by their place in the frame, so deleting a node leaves the draws after it
// kept. A draw seen for the first time and to be drawn whole (one large in the
// window, such as a moving particle near the eye) goes to the GPU instead, as
// an instance of its mesh: carrying and lighting all its vertices here would
// cost far more, and consecutive ones of a mesh are drawn in one call.
// No GL here: the renderer is a StreamTarget.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"

namespace latticegas_webgl {

// Camera-space position and RGBA colour, 8 bits a channel: the frame buffer
// keeps no more, and the browser copies every byte it is handed.
struct StreamVertex {
  float eye[3];
  uint8_t colour[4];
};
static_assert(sizeof(StreamVertex) == 16, "no padding: streams are compared and copied as bytes");

// A draw of a whole mesh, lit on the GPU: what its vertices are carried to
// camera space and lit by. Laid out as the GPU reads it.
struct MeshInstance {
  float modelView[16];    // Direct3D's row-major matrix
  float normalMatrix[9];  // rows of NormalMatrixRows
  float ambient[4];
  float diffuse[4];
  float specular[4];  // zero when specular light is off
  float emissive[4];
  float power;  // SpecularExponent's
};

MeshInstance MakeInstance(const D3DMATRIX& modelView, const D3DMATERIAL9& material,
                          bool specular);

// Makes the vertices of a draw's triangles as the stream carries them: each
// vertex the triangles use carried to camera space and lit once, then one
// vertex per corner.
class VertexCarrier {
 public:
  // The triangles `indices` of `mesh`, drawn with `modelView` and `material`
  // and lit by `lighting`, appended to `out`.
  void Carry(const latticegas_d3d9::Mesh& mesh, std::span<const uint16_t> indices,
             const D3DMATRIX& modelView, const latticegas_d3d9::VertexLighting& lighting,
             const D3DMATERIAL9& material, std::vector<StreamVertex>* out);

 private:
  std::vector<StreamVertex> meshScratch_;  // the vertices of the mesh in hand
  std::vector<unsigned> carriedIn_;        // the Carry that last carried each
  unsigned carry_ = 0;
};

// Where a FrameStream's triangles go, three vertices to a triangle, in the
// order they are to be drawn.
class StreamTarget {
 public:
  // Draws the whole of `mesh` once for each instance, in their order, lit by
  // `lighting` as LightVertex would.
  virtual void DrawInstances(const latticegas_d3d9::Mesh& mesh,
                             const latticegas_d3d9::VertexLighting& lighting,
                             std::span<const MeshInstance> instances) = 0;
  // Draws these vertices now.
  virtual void DrawNew(std::span<const StreamVertex> vertices) = 0;
  // Takes a copy of these vertices as the store `store`, for later frames.
  virtual void Keep(uint32_t store, std::span<const StreamVertex> vertices) = 0;
  // Draws `count` vertices of the store `store` from its `first`.
  virtual void DrawKept(uint32_t store, uint32_t first, uint32_t count) = 0;
  // The store `store` will not be drawn from again.
  virtual void Drop(uint32_t store) = 0;

 protected:
  ~StreamTarget() = default;
};

class FrameStream {
 public:
  explicit FrameStream(StreamTarget* target) : target_(target) {}

  // Whether first sights to be drawn whole go to the GPU as instances (else
  // they are carried and lit here, as the rest).
  void SetInstancing(bool instancing);

  // What the draws from here on are lit by.
  void SetLighting(const latticegas_d3d9::VertexLighting& lighting);

  // The culled triangles `draw` of `mesh`, drawn with `modelView` and
  // `material`.
  void Append(const latticegas_d3d9::Mesh& mesh, const latticegas_d3d9::CulledDraw& draw,
              const D3DMATRIX& modelView, const D3DMATERIAL9& material);

  // Draws everything pending.
  void Flush();

  // The frame is drawn: what this frame kept becomes a store, and stores it
  // did not draw from are dropped.
  void EndFrame();

  // The target's stores are gone (with a lost context): nothing pending,
  // nothing kept, and no Drop for any of them.
  void ForgetStores();

 private:
  struct Store {
    uint32_t id;
    uint32_t size;  // vertices
    uint32_t used;  // vertices drawn from it this frame
  };
  // Handed over in parts of about this many vertices, so that a renderer
  // starts on the first while the rest is still being made.
  static constexpr std::size_t kChunkVertices = 12288;
  // More stores than this, stores more than half unused, or kept draws in
  // more runs than this in a frame (scattered over the stores), and the next
  // frame keeps everything anew in one.
  static constexpr std::size_t kMostStores = 8;
  static constexpr unsigned kMostKeptRuns = 64;
  static constexpr uint32_t kSpareVertices = 65536;

  bool Usable(const latticegas_d3d9::KeptDraw& kept, const D3DMATERIAL9& material);
  Store* StoreNamed(uint32_t id);
  void DrawKeptRange(uint32_t store, uint32_t first, uint32_t count);
  void FlushNew();
  void FlushKept();
  void FlushInstances();
  void DropAll();

  StreamTarget* target_;
  latticegas_d3d9::VertexLighting lighting_;
  unsigned lightingVersion_ = 1;
  unsigned frame_ = 1;
  std::vector<Store> stores_;
  unsigned keptRuns_ = 0;  // kept ranges drawn this frame
  uint32_t nextStore_ = 1;  // the store this frame is filling; 0 names none
  std::vector<StreamVertex> filling_;
  std::vector<StreamVertex> pending_;  // new vertices not yet handed over
  // The kept range not yet drawn: `count` vertices of `store` from `first`.
  struct Range {
    uint32_t store = 0;
    uint32_t first = 0;
    uint32_t count = 0;
  } run_;
  // The instances not yet drawn, all of `instanced_`.
  const latticegas_d3d9::Mesh* instanced_ = nullptr;
  std::vector<MeshInstance> instances_;
  bool instancing_ = true;
  VertexCarrier carrier_;
};

}  // namespace latticegas_webgl
