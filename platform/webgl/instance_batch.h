#pragma once
// Draws collected while only the world transform and the material change,
// then drawn with one instanced call per mesh: a WebGL call costs far more
// than the little a draw of a small mesh needs. Meshes are drawn in the order
// they first came and each mesh's draws keep their order, so where two draws
// of a mesh cover a pixel at the same depth the later one still wins, as it
// does drawn one by one.
#include <GLES3/gl3.h>

#include <cstddef>
#include <vector>

#include "platform/webgl/fixed_function_shader.h"

namespace latticegas_d3d9 {

class InstanceBatch {
 public:
  // A mesh as drawn: its vertex array (with the instance attributes pointed at
  // the batch's buffer) and the number of indices of its triangles.
  struct Mesh {
    GLuint vertexArray;
    GLsizei indexCount;
  };

  // The buffer the instance attributes read; made once the context exists.
  void Create();
  void Delete();
  GLuint buffer() const { return buffer_; }

  void Add(const Mesh& mesh, const InstanceData& instance);
  // Draws everything collected, then forgets it.
  void Flush();
  // Forgets a mesh that is going away.
  void Forget(GLuint vertexArray);
  // The vertex array bound by the last Flush, 0 for none.
  GLuint boundVertexArray() const { return bound_; }

 private:
  struct Group {
    Mesh mesh;
    std::vector<InstanceData> instances;
  };
  std::vector<Group> groups_;
  std::vector<std::size_t> order_;  // groups with draws in this batch, first come first
  GLuint buffer_ = 0;
  GLuint bound_ = 0;
};

}  // namespace latticegas_d3d9
