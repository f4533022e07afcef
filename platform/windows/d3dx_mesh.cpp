// The mesh is a complete ID3DXMesh as far as COM goes (QueryInterface,
// AddRef, Release); of the rest it does what the buffers give cheaply (sizes,
// format, device, buffers, locks, the one subset) and answers E_NOTIMPL to
// what would need D3DX's own mesh algorithms.
// The mesh's interface identifiers are defined here, from the SDK headers.
#include <initguid.h>

#include "platform/windows/d3dx_mesh.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/d3d9/mesh_geometry.h"

namespace latticegas_windows {

namespace {

using latticegas_d3d9::Vertex;

constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL;
constexpr DWORD kStride = sizeof(Vertex);

class Mesh final : public ID3DXMesh {
 public:
  // Takes the buffers' references and one of the device.
  Mesh(IDirect3DDevice9* device, IDirect3DVertexBuffer9* vertices, IDirect3DIndexBuffer9* indices,
       DWORD vertexCount, DWORD faceCount)
      : device_(device),
        vertices_(vertices),
        indices_(indices),
        vertexCount_(vertexCount),
        faceCount_(faceCount) {
    device_->AddRef();
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ID3DXBaseMesh) ||
        IsEqualGUID(riid, IID_ID3DXMesh)) {
      AddRef();
      *out = static_cast<ID3DXMesh*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // ID3DXBaseMesh
  HRESULT STDMETHODCALLTYPE DrawSubset(DWORD attribute) override {
    // Every face carries attribute 0: any other subset is empty.
    if (attribute != 0) return D3D_OK;
    device_->SetFVF(kFvf);
    device_->SetStreamSource(0, vertices_, 0, kStride);
    device_->SetIndices(indices_);
    return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount_, 0, faceCount_);
  }
  DWORD STDMETHODCALLTYPE GetNumFaces() override { return faceCount_; }
  DWORD STDMETHODCALLTYPE GetNumVertices() override { return vertexCount_; }
  DWORD STDMETHODCALLTYPE GetFVF() override { return kFvf; }
  HRESULT STDMETHODCALLTYPE GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) override {
    if (declaration == nullptr) return D3DERR_INVALIDCALL;
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        D3DDECL_END()};
    std::memcpy(declaration, elements, sizeof(elements));
    return D3D_OK;
  }
  DWORD STDMETHODCALLTYPE GetNumBytesPerVertex() override { return kStride; }
  DWORD STDMETHODCALLTYPE GetOptions() override { return D3DXMESH_MANAGED; }
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override {
    return Hand(device_, device);
  }
  HRESULT STDMETHODCALLTYPE CloneMeshFVF(DWORD, DWORD, IDirect3DDevice9*, ID3DXMesh** clone) override {
    return NotMade(clone);
  }
  HRESULT STDMETHODCALLTYPE CloneMesh(DWORD, const D3DVERTEXELEMENT9*, IDirect3DDevice9*,
                                      ID3DXMesh** clone) override {
    return NotMade(clone);
  }
  HRESULT STDMETHODCALLTYPE GetVertexBuffer(IDirect3DVertexBuffer9** buffer) override {
    return Hand(vertices_, buffer);
  }
  HRESULT STDMETHODCALLTYPE GetIndexBuffer(IDirect3DIndexBuffer9** buffer) override {
    return Hand(indices_, buffer);
  }
  HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD flags, void** data) override {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    return vertices_->Lock(0, 0, data, flags);
  }
  HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() override { return vertices_->Unlock(); }
  HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD flags, void** data) override {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    return indices_->Lock(0, 0, data, flags);
  }
  HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() override { return indices_->Unlock(); }
  HRESULT STDMETHODCALLTYPE GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
    if (size == nullptr) return D3DERR_INVALIDCALL;
    // One range: every face, every vertex, attribute 0.
    if (table != nullptr) *table = D3DXATTRIBUTERANGE{0, 0, faceCount_, 0, vertexCount_};
    *size = 1;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE ConvertPointRepsToAdjacency(const DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConvertAdjacencyToPointReps(const DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GenerateAdjacency(FLOAT, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UpdateSemantics(D3DVERTEXELEMENT9[MAX_FVF_DECL_SIZE]) override {
    return E_NOTIMPL;
  }

  // ID3DXMesh
  HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD, DWORD** data) override {
    if (data != nullptr) *data = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Optimize(DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer** remap,
                                     ID3DXMesh** optimized) override {
    if (remap != nullptr) *remap = nullptr;
    return NotMade(optimized);
  }
  HRESULT STDMETHODCALLTYPE OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*,
                                            ID3DXBuffer** remap) override {
    if (remap != nullptr) *remap = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetAttributeTable(const D3DXATTRIBUTERANGE*, DWORD) override {
    return E_NOTIMPL;
  }

 private:
  ~Mesh() {
    indices_->Release();
    vertices_->Release();
    device_->Release();
  }

  // A reference for the caller, as COM's getters give one.
  template <typename Object>
  static HRESULT Hand(Object* object, Object** out) {
    if (out == nullptr) return D3DERR_INVALIDCALL;
    object->AddRef();
    *out = object;
    return D3D_OK;
  }

  static HRESULT NotMade(ID3DXMesh** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }

  LONG refs_ = 1;
  IDirect3DDevice9* device_;
  IDirect3DVertexBuffer9* vertices_;
  IDirect3DIndexBuffer9* indices_;
  DWORD vertexCount_;
  DWORD faceCount_;
};

// Copies `bytes` from `source` into a buffer through its Lock and Unlock.
template <typename Buffer>
HRESULT Fill(Buffer* buffer, const void* source, UINT bytes) {
  void* data = nullptr;
  if (const HRESULT locked = buffer->Lock(0, bytes, &data, 0); FAILED(locked)) return locked;
  std::memcpy(data, source, bytes);
  return buffer->Unlock();
}

// The geometry in managed buffers of the device (kept by Direct3D, as D3DX's
// shapes are), wrapped in a mesh. On any failure nothing is kept and *mesh is
// null.
HRESULT MakeMesh(IDirect3DDevice9* device, const std::vector<Vertex>& vertices,
                 const std::vector<uint16_t>& indices, ID3DXMesh** mesh) {
  const UINT vertexBytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
  const UINT indexBytes = static_cast<UINT>(indices.size() * sizeof(uint16_t));
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  HRESULT result =
      device->CreateVertexBuffer(vertexBytes, 0, kFvf, D3DPOOL_MANAGED, &vertexBuffer, nullptr);
  if (SUCCEEDED(result)) result = Fill(vertexBuffer, vertices.data(), vertexBytes);
  if (SUCCEEDED(result)) {
    result = device->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indexBuffer,
                                       nullptr);
  }
  if (SUCCEEDED(result)) result = Fill(indexBuffer, indices.data(), indexBytes);
  Mesh* made = nullptr;
  if (SUCCEEDED(result)) {
    made = new (std::nothrow) Mesh(device, vertexBuffer, indexBuffer,
                                   static_cast<DWORD>(vertices.size()),
                                   static_cast<DWORD>(indices.size() / 3));
    if (made == nullptr) result = E_OUTOFMEMORY;
  }
  if (made == nullptr) {
    if (indexBuffer != nullptr) indexBuffer->Release();
    if (vertexBuffer != nullptr) vertexBuffer->Release();
    // Direct3D's own failures, whatever they say, are failures here.
    if (SUCCEEDED(result)) result = E_FAIL;
  }
  *mesh = made;
  return result;
}

// The common start of both shapes: no adjacency, no mesh until one is made.
HRESULT Begin(IDirect3DDevice9* device, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (adjacency != nullptr) *adjacency = nullptr;
  if (mesh != nullptr) *mesh = nullptr;
  return device == nullptr || mesh == nullptr ? D3DERR_INVALIDCALL : D3D_OK;
}

}  // namespace

HRESULT CreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                     ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  HRESULT result = Begin(device, mesh, adjacency);
  if (SUCCEEDED(result)) result = latticegas_d3d9::CheckSphere(radius, slices, stacks);
  if (FAILED(result)) return result;
  try {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    latticegas_d3d9::BuildSphere(radius, slices, stacks, &vertices, &indices);
    return MakeMesh(device, vertices, indices, mesh);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                       UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  HRESULT result = Begin(device, mesh, adjacency);
  if (SUCCEEDED(result)) {
    result = latticegas_d3d9::CheckCylinder(radius1, radius2, length, slices, stacks);
  }
  if (FAILED(result)) return result;
  try {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    latticegas_d3d9::BuildCylinder(radius1, radius2, length, slices, stacks, &vertices, &indices);
    return MakeMesh(device, vertices, indices, mesh);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace latticegas_windows
