#pragma once
// The draws of a frame as one stream of triangles in camera space, lit on the
// CPU by the device's equations (LightVertex), handed to WebGL in a few large
// calls. Only the triangles the culler keeps go in, so the browser's renderer
// never sees the hidden ones (software WebGL pays for every triangle it is
// given); and the draws keep their order, so where two meet at the same depth
// the later one still wins under LESSEQUAL.
#include <GLES3/gl3.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"

namespace latticegas_webgl {

class TriangleStream {
 public:
  // Made once the context exists; false when the browser refuses the shaders.
  bool Create();
  void Delete();

  // Clip space from camera space (the projection as OpenGL takes it). Draws
  // what is pending first.
  void SetProjection(const D3DMATRIX& clipProjection);

  // The triangles `indices` of `mesh`, drawn with `modelView`, lit by `lighting`
  // and `material`.
  void Append(const latticegas_d3d9::Mesh& mesh, std::span<const uint16_t> indices,
              const D3DMATRIX& modelView, const latticegas_d3d9::VertexLighting& lighting,
              const D3DMATERIAL9& material);

  // Draws everything pending.
  void Flush();

 private:
  // Camera-space position and RGBA colour, 8 bits a channel: the frame
  // buffer keeps no more, and the browser copies every byte of the stream.
  struct StreamVertex {
    float eye[3];
    uint8_t colour[4];
  };
  // Handed over in parts of about this many vertices, so that a renderer
  // starts on the first while the rest is still being made.
  static constexpr std::size_t kChunkVertices = 12288;

  std::vector<StreamVertex> pending_;
  std::vector<StreamVertex> meshScratch_;  // the vertices of the mesh in hand
  std::vector<unsigned> carriedIn_;        // the Append that last carried each
  unsigned append_ = 0;
  GLuint program_ = 0;
  GLint projection_ = -1;
  GLuint vertexArray_ = 0;
  GLuint buffer_ = 0;
};

}  // namespace latticegas_webgl
