#include "platform/webgl/frame_stream.h"

#include <algorithm>
#include <cstring>

namespace latticegas_webgl {
namespace {

using latticegas_d3d9::KeptDraw;
using latticegas_d3d9::LightVertex;
using latticegas_d3d9::NormalMatrixRows;
using latticegas_d3d9::Vertex;
using latticegas_d3d9::VertexLighting;

bool SameBytes(const void* a, const void* b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

bool SameColour(const D3DCOLORVALUE& a, const D3DCOLORVALUE& b) { return SameBytes(&a, &b, sizeof a); }

// Field by field, as the record has padding between its switches.
bool SameLighting(const VertexLighting& a, const VertexLighting& b) {
  return a.lighting == b.lighting && a.normalize == b.normalize && a.specular == b.specular &&
         SameColour(a.sceneAmbient, b.sceneAmbient) && a.lightEnabled == b.lightEnabled &&
         SameBytes(&a.towardsLight, &b.towardsLight, sizeof a.towardsLight) &&
         SameColour(a.lightDiffuse, b.lightDiffuse) && SameColour(a.lightSpecular, b.lightSpecular) &&
         SameColour(a.lightAmbient, b.lightAmbient);
}

void SetColour(float* out, const D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

}  // namespace

MeshInstance MakeInstance(const D3DMATRIX& modelView, const D3DMATERIAL9& material,
                          bool specular) {
  MeshInstance instance{};
  for (int i = 0; i < 16; ++i) instance.modelView[i] = modelView.m[i / 4][i % 4];
  const std::array<D3DVECTOR, 3> rows = NormalMatrixRows(modelView);
  for (int i = 0; i < 3; ++i) {
    instance.normalMatrix[3 * i] = rows[i].x;
    instance.normalMatrix[3 * i + 1] = rows[i].y;
    instance.normalMatrix[3 * i + 2] = rows[i].z;
  }
  SetColour(instance.ambient, material.Ambient);
  SetColour(instance.diffuse, material.Diffuse);
  if (specular) SetColour(instance.specular, material.Specular);
  SetColour(instance.emissive, material.Emissive);
  instance.power = latticegas_d3d9::SpecularExponent(material.Power);
  return instance;
}

void FrameStream::SetInstancing(bool instancing) {
  if (!instancing) FlushInstances();
  instancing_ = instancing;
}

void FrameStream::SetLighting(const VertexLighting& lighting) {
  if (SameLighting(lighting, lighting_)) return;
  FlushInstances();  // lit on the GPU when drawn, by what lights them now
  lighting_ = lighting;
  ++lightingVersion_;
}

void FrameStream::Append(const latticegas_d3d9::Mesh& mesh,
                         const latticegas_d3d9::CulledDraw& draw, const D3DMATRIX& modelView,
                         const D3DMATERIAL9& material) {
  if (draw.indices.empty()) return;
  KeptDraw* kept = draw.kept;
  if (kept != nullptr && Usable(*kept, material)) {
    kept->frame = frame_;
    DrawKeptRange(kept->store, kept->first, kept->count);
    return;
  }
  if (kept == nullptr && draw.whole && instancing_) {
    // What came before goes first, in its order.
    FlushNew();
    FlushKept();
    if (instanced_ != &mesh) FlushInstances();
    instanced_ = &mesh;
    instances_.push_back(MakeInstance(modelView, material, lighting_.specular));
    return;
  }
  FlushKept();
  FlushInstances();
  const std::size_t start = pending_.size();
  carrier_.Carry(mesh, draw.indices, modelView, lighting_, material, &pending_);
  // Seen twice alike: kept from now on, unless another draw of the same mesh
  // and place (a selected node's highlight over the node) already keeps it
  // in this frame.
  if (kept != nullptr && kept->frame != frame_) {
    const auto count = static_cast<uint32_t>(pending_.size() - start);
    *kept = KeptDraw{nextStore_, static_cast<uint32_t>(filling_.size()), count, lightingVersion_,
                     frame_, material};
    filling_.insert(filling_.end(), pending_.begin() + static_cast<std::ptrdiff_t>(start),
                    pending_.end());
  }
  if (pending_.size() >= kChunkVertices) FlushNew();
}

bool FrameStream::Usable(const KeptDraw& kept, const D3DMATERIAL9& material) {
  if (kept.lighting != lightingVersion_ || !SameBytes(&kept.material, &material, sizeof material))
    return false;
  return StoreNamed(kept.store) != nullptr;
}

FrameStream::Store* FrameStream::StoreNamed(uint32_t id) {
  for (Store& store : stores_)
    if (store.id == id) return &store;
  return nullptr;
}

void FrameStream::DrawKeptRange(uint32_t store, uint32_t first, uint32_t count) {
  FlushNew();
  FlushInstances();
  if (run_.count != 0 && run_.store == store && run_.first + run_.count == first) {
    run_.count += count;
  } else {
    FlushKept();
    run_ = Range{store, first, count};
  }
  StoreNamed(store)->used += count;
}

void VertexCarrier::Carry(const latticegas_d3d9::Mesh& mesh, std::span<const uint16_t> indices,
                          const D3DMATRIX& modelView, const VertexLighting& lighting,
                          const D3DMATERIAL9& material, std::vector<StreamVertex>* out) {
  // Each vertex the kept triangles use, once, as the shader would: position
  // and normal to camera space (row vectors, Direct3D's order), then lit.
  // With the whole grid in view most triangles are left out, and with them
  // most vertices.
  const auto& m = modelView.m;
  const std::array<D3DVECTOR, 3> normalRows = NormalMatrixRows(modelView);
  const std::vector<Vertex>& vertices = mesh.vertices();
  if (meshScratch_.size() < vertices.size()) {
    meshScratch_.resize(vertices.size());
    carriedIn_.resize(vertices.size(), 0);
  }
  if (++carry_ == 0) {  // the count wrapped: no mark may look current
    std::fill(carriedIn_.begin(), carriedIn_.end(), 0);
    carry_ = 1;
  }
  for (uint16_t k : indices) {
    if (carriedIn_[k] == carry_) continue;
    carriedIn_[k] = carry_;
    const float* p = vertices[k].position;
    const float* n = vertices[k].normal;
    StreamVertex& made = meshScratch_[k];
    for (int j = 0; j < 3; ++j) made.eye[j] = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];
    const float normal[3] = {
        n[0] * normalRows[0].x + n[1] * normalRows[1].x + n[2] * normalRows[2].x,
        n[0] * normalRows[0].y + n[1] * normalRows[1].y + n[2] * normalRows[2].y,
        n[0] * normalRows[0].z + n[1] * normalRows[1].z + n[2] * normalRows[2].z};
    float colour[4];
    LightVertex(lighting, material, made.eye, normal, colour);
    for (int c = 0; c < 4; ++c) made.colour[c] = static_cast<uint8_t>(colour[c] * 255.0f + 0.5f);
  }
  for (uint16_t index : indices) out->push_back(meshScratch_[index]);
}

void FrameStream::FlushNew() {
  if (pending_.empty()) return;
  target_->DrawNew(pending_);
  pending_.clear();
}

void FrameStream::FlushKept() {
  if (run_.count == 0) return;
  target_->DrawKept(run_.store, run_.first, run_.count);
  run_ = Range{};
  ++keptRuns_;
}

void FrameStream::FlushInstances() {
  if (instances_.empty()) return;
  target_->DrawInstances(*instanced_, lighting_, instances_);
  instances_.clear();
}

void FrameStream::Flush() {
  FlushNew();
  FlushKept();
  FlushInstances();
}

void FrameStream::EndFrame() {
  Flush();
  uint64_t size = 0;
  uint64_t used = 0;
  for (const Store& store : stores_) {
    size += store.size;
    used += store.used;
  }
  if (stores_.size() >= kMostStores || size > 2 * used + kSpareVertices ||
      keptRuns_ > kMostKeptRuns) {
    // Scattered over too many stores or runs, or mostly what is no longer
    // drawn: the next frame keeps its draws anew, together.
    DropAll();
  } else {
    std::erase_if(stores_, [this](const Store& store) {
      if (store.used != 0) return false;
      target_->Drop(store.id);
      return true;
    });
  }
  if (!filling_.empty()) {
    target_->Keep(nextStore_, filling_);
    stores_.push_back(Store{nextStore_, static_cast<uint32_t>(filling_.size()), 0});
    filling_.clear();
    if (++nextStore_ == 0) nextStore_ = 1;
  }
  for (Store& store : stores_) store.used = 0;
  keptRuns_ = 0;
  ++frame_;
}

void FrameStream::DropAll() {
  for (const Store& store : stores_) target_->Drop(store.id);
  stores_.clear();
}

void FrameStream::ForgetStores() {
  stores_.clear();
  filling_.clear();
  pending_.clear();
  instances_.clear();
  run_ = Range{};
  keptRuns_ = 0;
  if (++nextStore_ == 0) nextStore_ = 1;
}

}  // namespace latticegas_webgl
