#include "platform/webgl/instance_batch.h"

#include <algorithm>

namespace latticegas_d3d9 {

void InstanceBatch::Create() { glGenBuffers(1, &buffer_); }

void InstanceBatch::Delete() {
  if (buffer_ != 0) glDeleteBuffers(1, &buffer_);
  buffer_ = 0;
  groups_.clear();
  order_.clear();
}

void InstanceBatch::Add(const Mesh& mesh, const InstanceData& instance) {
  // A frame draws few meshes: a short search beats a map.
  auto it = std::find_if(groups_.begin(), groups_.end(),
                         [&](const Group& g) { return g.mesh.vertexArray == mesh.vertexArray; });
  if (it == groups_.end()) it = groups_.insert(groups_.end(), Group{mesh, {}});
  if (it->instances.empty()) order_.push_back(static_cast<std::size_t>(it - groups_.begin()));
  it->instances.push_back(instance);
}

void InstanceBatch::Flush() {
  for (std::size_t index : order_) {
    // The groups stay, with their storage, for the next batch.
    Group& group = groups_[index];
    glBindVertexArray(group.mesh.vertexArray);
    bound_ = group.mesh.vertexArray;
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(group.instances.size() * sizeof(InstanceData)),
                 group.instances.data(), GL_STREAM_DRAW);
    glDrawElementsInstanced(GL_TRIANGLES, group.mesh.indexCount, GL_UNSIGNED_SHORT, nullptr,
                            static_cast<GLsizei>(group.instances.size()));
    group.instances.clear();
  }
  order_.clear();
}

void InstanceBatch::Forget(GLuint vertexArray) {
  Flush();
  std::erase_if(groups_, [&](const Group& g) { return g.mesh.vertexArray == vertexArray; });
  if (bound_ == vertexArray) bound_ = 0;
}

}  // namespace latticegas_d3d9
