#include "platform/d3d9/headless_device.h"

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/mesh.h"

namespace latticegas_d3d9 {
namespace {

class HeadlessDevice final : public StateDevice {
 public:
  HeadlessDevice(UINT width, UINT height) : StateDevice(width, height, true) {}

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override {
    if (Count != 0 && pRects == nullptr) return D3DERR_INVALIDCALL;
    ++log.clearCount;
    log.lastClearFlags = Flags;
    log.lastClearColor = Color;
    log.lastClearZ = Z;
    log.lastClearStencil = Stencil;
    log.lastClearRectCount = Count;
    return D3D_OK;
  }
  HRESULT BeginScene() override {
    // As in Direct3D, a scene cannot be begun twice.
    if (log.inScene) return D3DERR_INVALIDCALL;
    log.inScene = true;
    ++log.beginSceneCount;
    return D3D_OK;
  }
  HRESULT EndScene() override {
    if (!log.inScene) return D3DERR_INVALIDCALL;
    log.inScene = false;
    ++log.endSceneCount;
    return D3D_OK;
  }
  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    ++log.presentCount;
    return D3D_OK;
  }
  void DrawMesh(Mesh& mesh) override {
    if (!log.inScene) ++log.drawsOutsideScene;
    log.draws.push_back(DrawRecord{&mesh, mesh.lastSubset(), world(), material()});
  }

  HeadlessLog log;

 private:
  ~HeadlessDevice() override = default;
};

}  // namespace

IDirect3DDevice9* CreateHeadlessDevice(UINT width, UINT height) {
  return new HeadlessDevice(width, height);
}

HeadlessLog* HeadlessLogOf(IDirect3DDevice9* device) {
  auto* headless = dynamic_cast<HeadlessDevice*>(device);
  return headless == nullptr ? nullptr : &headless->log;
}

ULONG HeadlessRefCount(IDirect3DDevice9* device) {
  auto* headless = dynamic_cast<HeadlessDevice*>(device);
  return headless == nullptr ? 0 : headless->refCount();
}

bool ReadMeshGeometry(ID3DXMesh* mesh, MeshGeometry* out) {
  auto* ours = dynamic_cast<Mesh*>(mesh);
  if (ours == nullptr || out == nullptr) return false;
  out->positions.clear();
  out->normals.clear();
  out->indices.assign(ours->indices().begin(), ours->indices().end());
  for (const Vertex& v : ours->vertices()) {
    out->positions.emplace_back(v.position[0], v.position[1], v.position[2]);
    out->normals.emplace_back(v.normal[0], v.normal[1], v.normal[2]);
  }
  if (out->positions.empty()) {
    out->boundsMin = out->boundsMax = D3DXVECTOR3(0, 0, 0);
    return true;
  }
  out->boundsMin = out->boundsMax = out->positions.front();
  for (const D3DXVECTOR3& p : out->positions) {
    for (int c = 0; c < 3; ++c) {
      const float* pf = p;
      float* lo = out->boundsMin;
      float* hi = out->boundsMax;
      if (pf[c] < lo[c]) lo[c] = pf[c];
      if (pf[c] > hi[c]) hi[c] = pf[c];
    }
  }
  return true;
}

}  // namespace latticegas_d3d9
