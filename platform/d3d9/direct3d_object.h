#pragma once
// What our Direct3D objects share, whatever they draw with: one adapter, its
// caps, and how CreateDevice reads its arguments.
#include "platform/d3d9/ref_counted.h"
#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

class Direct3DObject : public RefCounted<IDirect3D9> {
 public:
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override {
    if (pCaps == nullptr || Adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    *pCaps = D3DCAPS9{};
    pCaps->DeviceType = DeviceType;
    pCaps->AdapterOrdinal = Adapter;
    pCaps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    pCaps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    pCaps->MaxActiveLights = maxActiveLights_;
    return D3D_OK;
  }

 protected:
  explicit Direct3DObject(DWORD maxActiveLights) : maxActiveLights_(maxActiveLights) {}
  ~Direct3DObject() override = default;

  // CreateDevice's window, or null when its arguments cannot make a device
  // (`*ppDevice` is cleared whenever there is one).
  static HWND TargetOf(UINT adapter, HWND focusWindow, const D3DPRESENT_PARAMETERS* pp,
                       IDirect3DDevice9** ppDevice) {
    if (ppDevice == nullptr) return nullptr;
    *ppDevice = nullptr;
    if (pp == nullptr || adapter != D3DADAPTER_DEFAULT) return nullptr;
    return pp->hDeviceWindow != nullptr ? pp->hDeviceWindow : focusWindow;
  }

  // A windowed back buffer of size 0 takes the window's client size.
  static void FillBackBufferSize(D3DPRESENT_PARAMETERS* pp, int clientWidth, int clientHeight) {
    if (pp->BackBufferWidth == 0) pp->BackBufferWidth = static_cast<UINT>(clientWidth > 0 ? clientWidth : 1);
    if (pp->BackBufferHeight == 0)
      pp->BackBufferHeight = static_cast<UINT>(clientHeight > 0 ? clientHeight : 1);
  }

 private:
  DWORD maxActiveLights_;
};

}  // namespace latticegas_d3d9
