#pragma once
// The GL side of the frame's stream (FrameStream): a program that only
// projects camera-space vertices lit on the CPU and passes their colour on,
// a buffer the new vertices are handed over in, and a GPU buffer for each
// store of kept vertices; and for whole meshes, a program that carries and
// lights them as LightVertex does, their vertices and indices, and a buffer
// of instances.
#include <GLES3/gl3.h>

#include <cstdint>
#include <span>
#include <vector>

#include "platform/webgl/frame_stream.h"

namespace latticegas_webgl {

class TriangleStream final : public StreamTarget {
 public:
  // Made once the context exists; false when the browser refuses the shaders.
  bool Create();
  // Everything made in GL, stores included.
  void Delete();

  // Clip space from camera space (the projection as OpenGL takes it).
  void SetProjection(const D3DMATRIX& clipProjection);

  void DrawNew(std::span<const StreamVertex> vertices) override;
  void Keep(uint32_t store, std::span<const StreamVertex> vertices) override;
  void DrawKept(uint32_t store, uint32_t first, uint32_t count) override;
  void Drop(uint32_t store) override;
  void DrawInstances(const latticegas_d3d9::Mesh& mesh,
                     const latticegas_d3d9::VertexLighting& lighting,
                     std::span<const MeshInstance> instances) override;
  // The mesh is going away: its buffers go with it.
  void Forget(const latticegas_d3d9::Mesh& mesh);

 private:
  struct Buffer {
    uint32_t store = 0;
    GLuint vertexArray = 0;
    GLuint buffer = 0;
  };
  static Buffer MakeBuffer(uint32_t store);
  static void DeleteBuffer(const Buffer& buffer);
  void Draw(const Buffer& buffer, GLint first, GLsizei count);

  // A mesh's vertices and indices, with the instance attributes read from
  // `instances_`.
  struct MeshArrays {
    const latticegas_d3d9::Mesh* mesh = nullptr;
    GLuint vertexArray = 0;
    GLuint vertices = 0;
    GLuint indices = 0;
  };
  const MeshArrays& ArraysOf(const latticegas_d3d9::Mesh& mesh);
  static void DeleteArrays(const MeshArrays& arrays);
  void SetLighting(const latticegas_d3d9::VertexLighting& lighting);

  GLuint program_ = 0;
  GLint projection_ = -1;
  GLuint litProgram_ = 0;
  GLint litProjection_ = -1;
  GLint light_ = -1;
  GLint sceneAmbient_ = -1;
  GLint switches_ = -1;
  GLuint instances_ = 0;
  std::vector<MeshArrays> meshes_;
  Buffer stream_;               // the new vertices, a new store each time
  std::vector<Buffer> stores_;  // the kept ones
};

}  // namespace latticegas_webgl
