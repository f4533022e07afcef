#include "platform/d3d9/mesh.h"

#include <algorithm>
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

HRESULT CreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                     ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (adjacency != nullptr) *adjacency = nullptr;
  if (device == nullptr || mesh == nullptr) return D3DERR_INVALIDCALL;
  if (const HRESULT invalid = CheckSphere(radius, slices, stacks); invalid != D3D_OK) return invalid;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  BuildSphere(radius, slices, stacks, &vertices, &indices);
  *mesh = new Mesh(device, std::move(vertices), std::move(indices));
  return D3D_OK;
}

HRESULT CreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                       UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (adjacency != nullptr) *adjacency = nullptr;
  if (device == nullptr || mesh == nullptr) return D3DERR_INVALIDCALL;
  if (const HRESULT invalid = CheckCylinder(radius1, radius2, length, slices, stacks);
      invalid != D3D_OK)
    return invalid;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  BuildCylinder(radius1, radius2, length, slices, stacks, &vertices, &indices);
  *mesh = new Mesh(device, std::move(vertices), std::move(indices));
  return D3D_OK;
}

}  // namespace latticegas_d3d9
