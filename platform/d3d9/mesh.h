#pragma once
// The stand-ins' meshes, which D3DXCreateSphere and D3DXCreateCylinder
// return: positions and normals on the CPU, drawn by asking the device they
// were made on.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/d3d9/mesh_geometry.h"
#include "platform/d3d9/ref_counted.h"
#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

// The box around a mesh's vertices, in its own space.
struct MeshBounds {
  float min[3];
  float max[3];
};

class Mesh final : public RefCounted<ID3DXMesh> {
 public:
  Mesh(IDirect3DDevice9* device, std::vector<Vertex> vertices, std::vector<uint16_t> indices);

  HRESULT DrawSubset(DWORD AttribId) override;
  DWORD GetNumFaces() override { return static_cast<DWORD>(indices_.size() / 3); }
  DWORD GetNumVertices() override { return static_cast<DWORD>(vertices_.size()); }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;

  const std::vector<Vertex>& vertices() const { return vertices_; }
  const std::vector<uint16_t>& indices() const { return indices_; }
  const MeshBounds& bounds() const { return bounds_; }
  DWORD lastSubset() const { return lastSubset_; }

  // Buffers a drawing device made for this mesh, and how to give them back;
  // run once when the mesh goes away.
  unsigned vertexBuffer = 0;
  unsigned indexBuffer = 0;
  std::function<void(Mesh&)> onDestroy;

 private:
  ~Mesh() override;

  IDirect3DDevice9* device_;
  std::vector<Vertex> vertices_;
  std::vector<uint16_t> indices_;
  MeshBounds bounds_{};
  DWORD lastSubset_ = 0;
};

// D3DXCreateSphere and D3DXCreateCylinder, which hand them out from a file of
// their own (d3dx_shapes.cpp), so that tests can link creation functions of
// their own in place of those.
HRESULT CreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                     ID3DXMesh** mesh, ID3DXBuffer** adjacency);
HRESULT CreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                       UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency);

}  // namespace latticegas_d3d9
