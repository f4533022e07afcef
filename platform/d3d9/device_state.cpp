#include "platform/d3d9/device_state.h"

namespace latticegas_d3d9 {

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX MatrixProduct(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
  return r;
}

StateDevice::StateDevice(UINT width, UINT height, bool autoDepth)
    : width_(width),
      height_(height),
      world_(IdentityMatrix()),
      view_(IdentityMatrix()),
      projection_(IdentityMatrix()),
      viewport_{0, 0, width, height, 0.0f, 1.0f} {
  // Direct3D 9's initial render states (those the stand-in acts on, and a few
  // neighbours so that reading them back gives the documented value).
  renderStates_[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
  renderStates_[D3DRS_FILLMODE] = D3DFILL_SOLID;
  renderStates_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  renderStates_[D3DRS_ZWRITEENABLE] = TRUE;
  renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
  renderStates_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  renderStates_[D3DRS_DITHERENABLE] = FALSE;
  renderStates_[D3DRS_ALPHABLENDENABLE] = FALSE;
  renderStates_[D3DRS_FOGENABLE] = FALSE;
  renderStates_[D3DRS_SPECULARENABLE] = FALSE;
  renderStates_[D3DRS_LIGHTING] = TRUE;
  renderStates_[D3DRS_AMBIENT] = 0;
  renderStates_[D3DRS_COLORVERTEX] = TRUE;
  renderStates_[D3DRS_LOCALVIEWER] = TRUE;
  renderStates_[D3DRS_NORMALIZENORMALS] = FALSE;
}


HRESULT StateDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (pMatrix == nullptr) return D3DERR_INVALIDCALL;
  switch (static_cast<DWORD>(State)) {
    case D3DTS_WORLD:
      world_ = *pMatrix;
      ++worldVersion;
      break;
    case D3DTS_VIEW:
      view_ = *pMatrix;
      ++viewVersion;
      break;
    case D3DTS_PROJECTION:
      projection_ = *pMatrix;
      ++projectionVersion;
      break;
    default: otherTransforms_[State] = *pMatrix; break;
  }
  return D3D_OK;
}

HRESULT StateDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (pMatrix == nullptr) return D3DERR_INVALIDCALL;
  switch (static_cast<DWORD>(State)) {
    case D3DTS_WORLD: *pMatrix = world_; break;
    case D3DTS_VIEW: *pMatrix = view_; break;
    case D3DTS_PROJECTION: *pMatrix = projection_; break;
    default: {
      auto it = otherTransforms_.find(State);
      *pMatrix = it == otherTransforms_.end() ? IdentityMatrix() : it->second;
      break;
    }
  }
  return D3D_OK;
}

HRESULT StateDevice::SetViewport(const D3DVIEWPORT9* pViewport) {
  if (pViewport == nullptr || pViewport->X + pViewport->Width > width_ ||
      pViewport->Y + pViewport->Height > height_)
    return D3DERR_INVALIDCALL;
  viewport_ = *pViewport;
  ++viewportVersion;
  return D3D_OK;
}

HRESULT StateDevice::GetViewport(D3DVIEWPORT9* pViewport) {
  if (pViewport == nullptr) return D3DERR_INVALIDCALL;
  *pViewport = viewport_;
  return D3D_OK;
}

HRESULT StateDevice::SetMaterial(const D3DMATERIAL9* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  material_ = *pMaterial;
  ++materialVersion;
  return D3D_OK;
}

HRESULT StateDevice::GetMaterial(D3DMATERIAL9* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  *pMaterial = material_;
  return D3D_OK;
}

HRESULT StateDevice::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
  if (pLight == nullptr) return D3DERR_INVALIDCALL;
  auto it = lights_.find(Index);
  if (it == lights_.end()) {
    lights_[Index] = LightSlot{*pLight, false};
  } else {
    it->second.light = *pLight;
  }
  ++lightVersion;
  return D3D_OK;
}

HRESULT StateDevice::GetLight(DWORD Index, D3DLIGHT9* pLight) {
  auto it = lights_.find(Index);
  if (pLight == nullptr || it == lights_.end()) return D3DERR_INVALIDCALL;
  *pLight = it->second.light;
  return D3D_OK;
}

HRESULT StateDevice::LightEnable(DWORD Index, BOOL Enable) {
  auto it = lights_.find(Index);
  if (it == lights_.end()) {
    // Enabling a light never set gives Direct3D's default: white, shining along +z.
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
    it = lights_.emplace(Index, LightSlot{light, false}).first;
  }
  it->second.enabled = Enable != FALSE;
  ++lightVersion;
  return D3D_OK;
}

HRESULT StateDevice::GetLightEnable(DWORD Index, BOOL* pEnable) {
  auto it = lights_.find(Index);
  if (pEnable == nullptr || it == lights_.end()) return D3DERR_INVALIDCALL;
  *pEnable = it->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT StateDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (static_cast<DWORD>(State) >= kRenderStates) return D3DERR_INVALIDCALL;
  renderStates_[State] = Value;
  ++renderStateVersion;
  return D3D_OK;
}

HRESULT StateDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (pValue == nullptr || static_cast<DWORD>(State) >= kRenderStates) return D3DERR_INVALIDCALL;
  *pValue = renderStates_[State];
  return D3D_OK;
}

HRESULT StateDevice::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT StateDevice::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

}  // namespace latticegas_d3d9
