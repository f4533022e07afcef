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

}  // namespace latticegas_d3d9

using latticegas_d3d9::Mesh;
using latticegas_d3d9::Vertex;

HRESULT D3DXCreateSphere(IDirect3DDevice9* pDevice, float Radius, UINT Slices, UINT Stacks,
                         ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
  if (ppAdjacency != nullptr) *ppAdjacency = nullptr;
  if (pDevice == nullptr || ppMesh == nullptr) return D3DERR_INVALIDCALL;
  if (const HRESULT invalid = latticegas_d3d9::CheckSphere(Radius, Slices, Stacks); invalid != D3D_OK)
    return invalid;
  if (const HRESULT refused = pDevice->ReserveMesh(); refused != D3D_OK) return refused;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  latticegas_d3d9::BuildSphere(Radius, Slices, Stacks, &vertices, &indices);
  *ppMesh = new Mesh(pDevice, std::move(vertices), std::move(indices));
  return D3D_OK;
}

HRESULT D3DXCreateCylinder(IDirect3DDevice9* pDevice, float Radius1, float Radius2, float Length,
                           UINT Slices, UINT Stacks, ID3DXMesh** ppMesh,
                           ID3DXBuffer** ppAdjacency) {
  if (ppAdjacency != nullptr) *ppAdjacency = nullptr;
  if (pDevice == nullptr || ppMesh == nullptr) return D3DERR_INVALIDCALL;
  if (const HRESULT invalid =
          latticegas_d3d9::CheckCylinder(Radius1, Radius2, Length, Slices, Stacks);
      invalid != D3D_OK)
    return invalid;
  if (const HRESULT refused = pDevice->ReserveMesh(); refused != D3D_OK) return refused;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  latticegas_d3d9::BuildCylinder(Radius1, Radius2, Length, Slices, Stacks, &vertices, &indices);
  *ppMesh = new Mesh(pDevice, std::move(vertices), std::move(indices));
  return D3D_OK;
}
