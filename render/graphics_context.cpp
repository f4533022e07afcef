#include "render/graphics_context.h"

#include "lattice/node.h"

namespace {

// D3DX's own value of pi, as a float; the angles below derive from it.
constexpr float kPi = 3.141592654f;
constexpr float kFieldOfView = 0.3f * kPi;  // 0.94247788
constexpr float kQuarterTurn = kPi / 2.0f;  // 1.5707964
constexpr float kLinkCentre = kSpacing * 0.5f;
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1000.0f;

// Colours are 8-bit levels used as n / 255.
constexpr float Level(int n) { return static_cast<float>(n) / 255.0f; }

constexpr D3DCOLORVALUE Colour(float r, float g, float b) { return {r, g, b, 1.0f}; }

void ShowFailure(const char* text, UINT style) { MessageBoxA(nullptr, text, nullptr, style); }

template <typename T>
void ReleaseAndClear(T*& resource) {
  if (resource != nullptr) {
    resource->Release();
    resource = nullptr;
  }
}

}  // namespace

D3DMATERIAL9 GraphicsContext::MakeMaterial(D3DCOLORVALUE ambient, D3DCOLORVALUE diffuse,
                                           D3DCOLORVALUE specular, D3DCOLORVALUE emissive,
                                           float power) {
  D3DMATERIAL9 material{};
  material.Diffuse = diffuse;
  material.Ambient = ambient;
  material.Specular = specular;
  material.Emissive = emissive;
  material.Power = power;
  return material;
}

bool GraphicsContext::InitD3D(HWND window, int backBufferWidth, int backBufferHeight) {
  width = backBufferWidth;
  height = backBufferHeight;

  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (d3d == nullptr) {
    ShowFailure("Failed: Direct3DCreate9 (in InitD3D)", MB_OK | MB_ICONERROR);
    return false;
  }

  D3DCAPS9 caps{};
  d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
  const DWORD vertexProcessing = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                                     ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                     : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = static_cast<UINT>(width);
  params.BackBufferHeight = static_cast<UINT>(height);
  params.BackBufferFormat = D3DFMT_UNKNOWN;
  params.BackBufferCount = 1;
  params.MultiSampleType = D3DMULTISAMPLE_NONE;
  params.MultiSampleQuality = 0;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.hDeviceWindow = window;
  params.Windowed = TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D24S8;
  params.Flags = 0;
  params.FullScreen_RefreshRateInHz = 0;
  params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

  d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, vertexProcessing, &params, &device);
  d3d->Release();
  // The pointer decides, not the returned code.
  if (device == nullptr) {
    ShowFailure("Failed: CreateDevice (in InitD3D)", MB_OK);
    return false;
  }
  if (!LoadResources()) {
    ShowFailure("Failed: LoadResources (called from InitD3D)", MB_OK);
    return false;
  }
  return true;
}

bool GraphicsContext::LoadResources() {
  const D3DCOLORVALUE grey = Colour(Level(200), Level(200), Level(200));
  const D3DCOLORVALUE red = Colour(1.0f, 0.0f, 0.0f);
  const D3DCOLORVALUE blue = Colour(0.0f, 0.0f, 1.0f);
  const D3DCOLORVALUE black = Colour(0.0f, 0.0f, 0.0f);
  nodeMaterial = MakeMaterial(grey, grey, grey, black, 5.0f);
  taggedMaterial = MakeMaterial(red, red, red, black, 5.0f);
  particleMaterial = MakeMaterial(blue, blue, blue, black, 5.0f);
  selectionMaterial = taggedMaterial;

  D3DXCreateSphere(device, 0.1f, 10, 10, &nodeMesh, nullptr);
  D3DXCreateSphere(device, 1.0f, 10, 10, &particleMesh, nullptr);
  D3DXCreateCylinder(device, 0.1f, 0.1f, 1.0f, 5, 1, &linkMesh, nullptr);

  // The cylinder's axis turns from z to y, moves half a spacing up, then turns
  // from y to +x.
  D3DXMATRIX rotationX, translation, rotationZ, turnedAndMoved;
  D3DXMatrixRotationX(&rotationX, kQuarterTurn);
  D3DXMatrixTranslation(&translation, 0.0f, kLinkCentre, 0.0f);
  D3DXMatrixRotationZ(&rotationZ, -kQuarterTurn);
  D3DXMatrixMultiply(&turnedAndMoved, &rotationX, &translation);
  D3DXMatrixMultiply(&linkBasis, &turnedAndMoved, &rotationZ);

  const float aspect = static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect, kNearPlane, kFarPlane);
  device->SetTransform(D3DTS_PROJECTION, &projection);

  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  light.Specular = {0.3f, 0.3f, 0.3f, 0.3f};
  light.Ambient = {0.6f, 0.6f, 0.6f, 0.6f};
  light.Direction = {1.0f, 0.0f, 0.5f};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);

  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);

  return CanDraw();
}

void GraphicsContext::Release() {
  ReleaseAndClear(nodeMesh);
  ReleaseAndClear(particleMesh);
  ReleaseAndClear(linkMesh);
  ReleaseAndClear(device);
}

bool GraphicsContext::CanDraw() const {
  return device != nullptr && nodeMesh != nullptr && particleMesh != nullptr && linkMesh != nullptr;
}
