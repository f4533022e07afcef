#include "platform/d3d9/mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace latticegas_d3d9 {

Mesh::Mesh(IDirect3DDevice9* device, std::vector<Vertex> vertices, std::vector<uint16_t> indices)
    : device_(device), vertices_(std::move(vertices)), indices_(std::move(indices)) {
  // A D3DX mesh keeps its device alive.
  device_->AddRef();
  if (vertices_.empty()) return;
  for (int c = 0; c < 3; ++c) bounds_.min[c] = bounds_.max[c] = vertices_.front().position[c];
  for (const Vertex& v : vertices_) {
    for (int c = 0; c < 3; ++c) {
      bounds_.min[c] = std::min(bounds_.min[c], v.position[c]);
      bounds_.max[c] = std::max(bounds_.max[c], v.position[c]);
    }
  }
}

Mesh::~Mesh() {
  if (onDestroy) onDestroy(*this);
  device_->Release();
}


HRESULT Mesh::DrawSubset(DWORD AttribId) {
  // Every face carries attribute 0: any other subset is empty.
  if (AttribId != 0) return D3D_OK;
  lastSubset_ = AttribId;
  device_->DrawMesh(*this);
  return D3D_OK;
}

HRESULT Mesh::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *ppDevice = device_;
  return D3D_OK;
}

namespace {

Vertex MakeVertex(float px, float py, float pz, float nx, float ny, float nz) {
  return Vertex{{px, py, pz}, {nx, ny, nz}};
}

void AddFace(std::vector<uint16_t>* indices, UINT a, UINT b, UINT c) {
  indices->push_back(static_cast<uint16_t>(a));
  indices->push_back(static_cast<uint16_t>(b));
  indices->push_back(static_cast<uint16_t>(c));
}

// Rings run around z, clockwise as seen from +z as in D3DX; `upper` and
// `lower` are the first vertices of two rings of `slices` vertices, upper having
// the larger z. Faces are listed clockwise as seen from outside, which is
// Direct3D's front.
void Band(std::vector<uint16_t>* indices, UINT upper, UINT lower, UINT slices) {
  for (UINT j = 0; j < slices; ++j) {
    UINT next = (j + 1) % slices;
    AddFace(indices, upper + j, lower + next, lower + j);
    AddFace(indices, upper + j, upper + next, lower + next);
  }
}

void FanDown(std::vector<uint16_t>* indices, UINT pole, UINT ring, UINT slices) {
  for (UINT j = 0; j < slices; ++j) AddFace(indices, pole, ring + (j + 1) % slices, ring + j);
}

void FanUp(std::vector<uint16_t>* indices, UINT ring, UINT pole, UINT slices) {
  for (UINT j = 0; j < slices; ++j) AddFace(indices, ring + j, ring + (j + 1) % slices, pole);
}

// D3DX starts each ring on +y and goes towards +x.
float SliceAngle(UINT j, UINT slices) {
  return std::numbers::pi_v<float> / 2.0f -
         static_cast<float>(j) * (2.0f * std::numbers::pi_v<float> / static_cast<float>(slices));
}

void BuildSphere(float radius, UINT slices, UINT stacks, std::vector<Vertex>* vertices,
                 std::vector<uint16_t>* indices) {
  vertices->clear();
  indices->clear();
  vertices->push_back(MakeVertex(0.0f, 0.0f, radius, 0.0f, 0.0f, 1.0f));
  float stackStep = std::numbers::pi_v<float> / static_cast<float>(stacks);
  for (UINT i = 1; i < stacks; ++i) {
    float theta = static_cast<float>(i) * stackStep;
    float sinTheta = std::sin(theta);
    float cosTheta = std::cos(theta);
    for (UINT j = 0; j < slices; ++j) {
      float phi = SliceAngle(j, slices);
      float nx = sinTheta * std::cos(phi);
      float ny = sinTheta * std::sin(phi);
      vertices->push_back(MakeVertex(radius * nx, radius * ny, radius * cosTheta, nx, ny, cosTheta));
    }
  }
  vertices->push_back(MakeVertex(0.0f, 0.0f, -radius, 0.0f, 0.0f, -1.0f));
  UINT bottom = static_cast<UINT>(vertices->size()) - 1;

  FanDown(indices, 0, 1, slices);
  for (UINT i = 1; i + 1 < stacks; ++i) Band(indices, 1 + (i - 1) * slices, 1 + i * slices, slices);
  FanUp(indices, 1 + (stacks - 2) * slices, bottom, slices);
}

void BuildCylinder(float radius1, float radius2, float length, UINT slices, UINT stacks,
                   std::vector<Vertex>* vertices, std::vector<uint16_t>* indices) {
  vertices->clear();
  indices->clear();
  float half = length / 2.0f;
  // The side leans when the radii differ; its normal leans with it.
  float slope = (radius1 - radius2) / length;
  float normalScale = 1.0f / std::sqrt(1.0f + slope * slope);

  // Top cap (+z, radius2), side rings from top to bottom, bottom cap.
  vertices->push_back(MakeVertex(0.0f, 0.0f, half, 0.0f, 0.0f, 1.0f));
  UINT topRing = static_cast<UINT>(vertices->size());
  for (UINT j = 0; j < slices; ++j) {
    float phi = SliceAngle(j, slices);
    vertices->push_back(MakeVertex(radius2 * std::cos(phi), radius2 * std::sin(phi), half, 0.0f,
                                   0.0f, 1.0f));
  }
  UINT firstSide = static_cast<UINT>(vertices->size());
  for (UINT i = 0; i <= stacks; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(stacks);
    float z = half - t * length;
    float r = radius2 + t * (radius1 - radius2);
    for (UINT j = 0; j < slices; ++j) {
      float phi = SliceAngle(j, slices);
      float c = std::cos(phi);
      float s = std::sin(phi);
      vertices->push_back(MakeVertex(r * c, r * s, z, c * normalScale, s * normalScale,
                                     slope * normalScale));
    }
  }
  UINT bottomRing = static_cast<UINT>(vertices->size());
  for (UINT j = 0; j < slices; ++j) {
    float phi = SliceAngle(j, slices);
    vertices->push_back(MakeVertex(radius1 * std::cos(phi), radius1 * std::sin(phi), -half, 0.0f,
                                   0.0f, -1.0f));
  }
  vertices->push_back(MakeVertex(0.0f, 0.0f, -half, 0.0f, 0.0f, -1.0f));
  UINT bottom = static_cast<UINT>(vertices->size()) - 1;

  FanDown(indices, 0, topRing, slices);
  for (UINT i = 0; i < stacks; ++i) Band(indices, firstSide + i * slices, firstSide + (i + 1) * slices, slices);
  FanUp(indices, bottomRing, bottom, slices);
}

}  // namespace

HRESULT CreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                     ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (adjacency != nullptr) *adjacency = nullptr;
  if (device == nullptr || mesh == nullptr || radius < 0.0f || slices < 2 || stacks < 2)
    return D3DERR_INVALIDCALL;
  if (2 + slices * (stacks - 1) > 65535u) return D3DERR_INVALIDCALL;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  BuildSphere(radius, slices, stacks, &vertices, &indices);
  *mesh = new Mesh(device, std::move(vertices), std::move(indices));
  return D3D_OK;
}

HRESULT CreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                       UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (adjacency != nullptr) *adjacency = nullptr;
  if (device == nullptr || mesh == nullptr || radius1 < 0.0f || radius2 < 0.0f || length < 0.0f ||
      slices < 2 || stacks < 1)
    return D3DERR_INVALIDCALL;
  if (2 + slices * (stacks + 3) > 65535u) return D3DERR_INVALIDCALL;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  BuildCylinder(radius1, radius2, length, slices, stacks, &vertices, &indices);
  *mesh = new Mesh(device, std::move(vertices), std::move(indices));
  return D3D_OK;
}

}  // namespace latticegas_d3d9

