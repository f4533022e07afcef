#include "support/headless_device.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/mesh.h"
#include "platform/gl/gl_direct3d.h"

namespace latticegas_d3d9 {
namespace {

void Note(const HeadlessDirect3DSetup& setup, std::string call) {
  if (setup.calls != nullptr) setup.calls->push_back(std::move(call));
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

class HeadlessDevice final : public StateDevice {
 public:
  HeadlessDevice(UINT width, UINT height, HeadlessDirect3DSetup setup)
      : StateDevice(width, height, true), setup_(std::move(setup)) {}

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
    const HRESULT result = StateDevice::BeginScene();
    if (result != D3D_OK) return result;
    log.inScene = true;
    ++log.beginSceneCount;
    return D3D_OK;
  }
  HRESULT EndScene() override {
    const HRESULT result = StateDevice::EndScene();
    if (result != D3D_OK) return result;
    log.inScene = false;
    ++log.endSceneCount;
    return D3D_OK;
  }
  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    Note(setup_, "Present()");
    ++log.presentCount;
    if (setup_.onPresent) setup_.onPresent(log.presentCount);
    return D3D_OK;
  }
  // Asked by our D3DX creation functions below before they make a mesh.
  bool RefusesMesh() { return ++meshesAsked_ == setup_.failingMesh; }
  void DrawMesh(Mesh& mesh) override {
    if (!log.inScene) ++log.drawsOutsideScene;
    log.draws.push_back(DrawRecord{&mesh, mesh.lastSubset(), world(), material()});
  }

  HeadlessLog log;

 private:
  ~HeadlessDevice() override = default;

  HeadlessDirect3DSetup setup_;
  int meshesAsked_ = 0;
};

// True when `device` is a headless one set up to fail this mesh.
bool RefusesMesh(IDirect3DDevice9* device) {
  auto* headless = dynamic_cast<HeadlessDevice*>(device);
  return headless != nullptr && headless->RefusesMesh();
}

std::optional<HeadlessDirect3DSetup> headlessInUse;
std::vector<CreateDeviceRequest> deviceRequests;

class HeadlessDirect3D final : public IDirect3D9 {
 public:
  explicit HeadlessDirect3D(HeadlessDirect3DSetup setup) : setup_(std::move(setup)) {}

  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    Note(setup_, "IDirect3D9::Release()");
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override {
    Note(setup_, "GetDeviceCaps(" + std::to_string(Adapter) + ", " +
                     std::to_string(DeviceType) + ")");
    if (pCaps == nullptr || Adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    *pCaps = D3DCAPS9{};
    pCaps->DeviceType = DeviceType;
    pCaps->AdapterOrdinal = Adapter;
    pCaps->DevCaps = setup_.devCaps;
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) override {
    Note(setup_, "CreateDevice(" + Hex(BehaviorFlags) + ")");
    deviceRequests.push_back(CreateDeviceRequest{Adapter, DeviceType, hFocusWindow, BehaviorFlags,
                                                 pp != nullptr ? *pp : D3DPRESENT_PARAMETERS{}});
    if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
    *ppDevice = nullptr;
    if (pp == nullptr || Adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    // As Direct3D: a windowed device needs a window to present to. With no
    // window to measure, a back buffer must say its size.
    if (pp->hDeviceWindow == nullptr && hFocusWindow == nullptr) return D3DERR_INVALIDCALL;
    if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    *ppDevice = new HeadlessDevice(pp->BackBufferWidth, pp->BackBufferHeight, setup_);
    return D3D_OK;
  }

 private:
  ~HeadlessDirect3D() override = default;

  HeadlessDirect3DSetup setup_;
  ULONG refs_ = 1;
};

}  // namespace

IDirect3DDevice9* CreateHeadlessDevice(UINT width, UINT height) {
  return new HeadlessDevice(width, height, HeadlessDirect3DSetup{});
}

void UseHeadlessDirect3D(HeadlessDirect3DSetup setup) {
  headlessInUse = std::move(setup);
  deviceRequests.clear();
}

void StopUsingHeadlessDirect3D() { headlessInUse.reset(); }

const std::vector<CreateDeviceRequest>& HeadlessDeviceRequests() { return deviceRequests; }


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

// A headless Direct3D while a test has one in place (null when it is set up
// unavailable, or for another SDK version), otherwise the program's own.
IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
  namespace d3d9 = latticegas_d3d9;
  if (!d3d9::headlessInUse) return latticegas_gl::CreateDirect3D(SDKVersion);
  d3d9::Note(*d3d9::headlessInUse, "Direct3DCreate9(" + std::to_string(SDKVersion) + ")");
  if (!d3d9::headlessInUse->available || (SDKVersion & 0x7fffffffu) != D3D_SDK_VERSION) return nullptr;
  return new d3d9::HeadlessDirect3D(*d3d9::headlessInUse);
}

// The D3DX creation functions in place of the program's (platform/d3d9/
// d3dx_shapes.cpp): a headless device's mesh fails as when memory runs out
// when its setup says so; every other is made as the program makes it.
HRESULT D3DXCreateSphere(IDirect3DDevice9* pDevice, float Radius, UINT Slices, UINT Stacks,
                         ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
  if (latticegas_d3d9::RefusesMesh(pDevice)) return E_OUTOFMEMORY;
  return latticegas_d3d9::CreateSphere(pDevice, Radius, Slices, Stacks, ppMesh, ppAdjacency);
}

HRESULT D3DXCreateCylinder(IDirect3DDevice9* pDevice, float Radius1, float Radius2, float Length,
                           UINT Slices, UINT Stacks, ID3DXMesh** ppMesh,
                           ID3DXBuffer** ppAdjacency) {
  if (latticegas_d3d9::RefusesMesh(pDevice)) return E_OUTOFMEMORY;
  return latticegas_d3d9::CreateCylinder(pDevice, Radius1, Radius2, Length, Slices, Stacks, ppMesh,
                                         ppAdjacency);
}
