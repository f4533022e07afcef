#pragma once
// What every stand-in device keeps: transforms, viewport, material, lights and
// render states in plain memory, with Direct3D 9's defaults, and a COM count.
#include <array>
#include <map>

#include "platform/d3d9/ref_counted.h"
#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

class StateDevice : public RefCounted<IDirect3DDevice9> {
 public:
  StateDevice(UINT width, UINT height, bool autoDepth);

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
  HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
  HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
  HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
  HRESULT LightEnable(DWORD Index, BOOL Enable) override;
  HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  // As in Direct3D, a scene cannot be begun twice nor ended unbegun.
  HRESULT BeginScene() override;
  HRESULT EndScene() override;

  UINT backBufferWidth() const { return width_; }
  UINT backBufferHeight() const { return height_; }
  bool inScene() const { return inScene_; }

 protected:
  ~StateDevice() override = default;

  static constexpr DWORD kRenderStates = 256;
  struct LightSlot {
    D3DLIGHT9 light;
    bool enabled;
  };

  const D3DMATRIX& world() const { return world_; }
  const D3DMATRIX& view() const { return view_; }
  const D3DMATRIX& projection() const { return projection_; }
  const D3DMATERIAL9& material() const { return material_; }
  const D3DVIEWPORT9& viewport() const { return viewport_; }
  const std::map<DWORD, LightSlot>& lights() const { return lights_; }
  DWORD renderState(D3DRENDERSTATETYPE state) const { return renderStates_[state]; }

  // Bumped on every change so a drawing device can tell what to send again:
  // one count per state, since a draw mostly changes only the world transform.
  unsigned worldVersion = 0;
  unsigned viewVersion = 0;
  unsigned projectionVersion = 0;
  unsigned viewportVersion = 0;
  unsigned lightVersion = 0;
  unsigned materialVersion = 0;
  unsigned renderStateVersion = 0;

 private:
  UINT width_;
  UINT height_;
  D3DMATRIX world_;
  D3DMATRIX view_;
  D3DMATRIX projection_;
  std::map<DWORD, D3DMATRIX> otherTransforms_;
  D3DVIEWPORT9 viewport_;
  D3DMATERIAL9 material_{};
  std::map<DWORD, LightSlot> lights_;
  std::array<DWORD, kRenderStates> renderStates_{};
  bool inScene_ = false;
};

D3DMATRIX IdentityMatrix();
// a x b in float, a applying first, as D3DXMatrixMultiply.
D3DMATRIX MatrixProduct(const D3DMATRIX& a, const D3DMATRIX& b);

}  // namespace latticegas_d3d9
