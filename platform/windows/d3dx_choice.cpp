// The one place that chooses the program's D3DX9 on Windows. D3DX9 is not
// part of Windows (only the DirectX End-User Runtime installs d3dx9_43.dll),
// so the .exe does not import it: the D3DX functions the program calls are
// defined here (the SDK headers declare them without dllimport). The first
// call looks for d3dx9_43.dll once. Where it is found with every one of
// these functions, all calls go to it; otherwise all go to our own, the
// matrix helpers and mesh geometry every build shares (platform/d3d9) on the
// real device (d3dx_mesh.h). Never a mix.
#include "platform/d3d9_api.h"

#include "platform/d3d9/d3dx_math.h"
#include "platform/windows/d3dx_mesh.h"

namespace {

using CreateSphereFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, float, UINT, UINT, ID3DXMesh**,
                                              ID3DXBuffer**);
using CreateCylinderFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, float, float, float, UINT,
                                                UINT, ID3DXMesh**, ID3DXBuffer**);
using ThreeFloatsFunction = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, float, float, float);
using RotationFunction = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, float);
using MultiplyFunction = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*);
using PerspectiveFunction = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, float, float, float, float);
using LookAtFunction = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXVECTOR3*, const D3DXVECTOR3*,
                                            const D3DXVECTOR3*);

// Every D3DX function the program calls.
struct D3dx {
  CreateSphereFunction createSphere;
  CreateCylinderFunction createCylinder;
  ThreeFloatsFunction matrixTranslation;
  ThreeFloatsFunction matrixScaling;
  RotationFunction matrixRotationX;
  RotationFunction matrixRotationZ;
  MultiplyFunction matrixMultiply;
  PerspectiveFunction matrixPerspectiveFovLH;
  LookAtFunction matrixLookAtLH;
};

// Ours, in the D3DX functions' own calling convention.
HRESULT WINAPI OwnCreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                               ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  return latticegas_windows::CreateSphere(device, radius, slices, stacks, mesh, adjacency);
}
HRESULT WINAPI OwnCreateCylinder(IDirect3DDevice9* device, float radius1, float radius2,
                                 float length, UINT slices, UINT stacks, ID3DXMesh** mesh,
                                 ID3DXBuffer** adjacency) {
  return latticegas_windows::CreateCylinder(device, radius1, radius2, length, slices, stacks, mesh,
                                            adjacency);
}
D3DXMATRIX* WINAPI OwnTranslation(D3DXMATRIX* out, float x, float y, float z) {
  return latticegas_d3d9::MatrixTranslation(out, x, y, z);
}
D3DXMATRIX* WINAPI OwnScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  return latticegas_d3d9::MatrixScaling(out, sx, sy, sz);
}
D3DXMATRIX* WINAPI OwnRotationX(D3DXMATRIX* out, float angle) {
  return latticegas_d3d9::MatrixRotationX(out, angle);
}
D3DXMATRIX* WINAPI OwnRotationZ(D3DXMATRIX* out, float angle) {
  return latticegas_d3d9::MatrixRotationZ(out, angle);
}
D3DXMATRIX* WINAPI OwnMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
  return latticegas_d3d9::MatrixMultiply(out, m1, m2);
}
D3DXMATRIX* WINAPI OwnPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf) {
  return latticegas_d3d9::MatrixPerspectiveFovLH(out, fovy, aspect, zn, zf);
}
D3DXMATRIX* WINAPI OwnLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  return latticegas_d3d9::MatrixLookAtLH(out, eye, at, up);
}

constexpr D3dx kOwn = {OwnCreateSphere, OwnCreateCylinder, OwnTranslation, OwnScaling,
                       OwnRotationX,    OwnRotationZ,      OwnMultiply,    OwnPerspectiveFovLH,
                       OwnLookAtLH};

// The exported function `name` of `dll` as `*function`; false if it has none.
template <typename Function>
bool Find(HMODULE dll, const char* name, Function* function) {
  const FARPROC found = GetProcAddress(dll, name);
  if (found == nullptr) return false;
  // Through the generic function type, which converts to any other.
  *function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
  return true;
}

D3dx Choose() {
  const HMODULE dll = LoadLibraryA("d3dx9_43.dll");
  if (dll == nullptr) return kOwn;
  D3dx real{};
  if (Find(dll, "D3DXCreateSphere", &real.createSphere) &&
      Find(dll, "D3DXCreateCylinder", &real.createCylinder) &&
      Find(dll, "D3DXMatrixTranslation", &real.matrixTranslation) &&
      Find(dll, "D3DXMatrixScaling", &real.matrixScaling) &&
      Find(dll, "D3DXMatrixRotationX", &real.matrixRotationX) &&
      Find(dll, "D3DXMatrixRotationZ", &real.matrixRotationZ) &&
      Find(dll, "D3DXMatrixMultiply", &real.matrixMultiply) &&
      Find(dll, "D3DXMatrixPerspectiveFovLH", &real.matrixPerspectiveFovLH) &&
      Find(dll, "D3DXMatrixLookAtLH", &real.matrixLookAtLH)) {
    // Kept loaded for the life of the process: its meshes and functions are in use to the end.
    return real;
  }
  FreeLibrary(dll);
  return kOwn;
}

// Chosen on the first D3DX call, before it runs, and never again. The
// program calls D3DX from its one thread only, so no lock guards the choice.
D3dx chosen{};
bool choiceMade = false;

const D3dx& Chosen() {
  if (!choiceMade) {
    chosen = Choose();
    choiceMade = true;
  }
  return chosen;
}

}  // namespace

HRESULT WINAPI D3DXCreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                                ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  return Chosen().createSphere(device, radius, slices, stacks, mesh, adjacency);
}

HRESULT WINAPI D3DXCreateCylinder(IDirect3DDevice9* device, float radius1, float radius2,
                                  float length, UINT slices, UINT stacks, ID3DXMesh** mesh,
                                  ID3DXBuffer** adjacency) {
  return Chosen().createCylinder(device, radius1, radius2, length, slices, stacks, mesh,
                                 adjacency);
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  return Chosen().matrixTranslation(out, x, y, z);
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  return Chosen().matrixScaling(out, sx, sy, sz);
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
  return Chosen().matrixRotationX(out, angle);
}

D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  return Chosen().matrixRotationZ(out, angle);
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
  return Chosen().matrixMultiply(out, m1, m2);
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                              float zf) {
  return Chosen().matrixPerspectiveFovLH(out, fovy, aspect, zn, zf);
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye,
                                      const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
  return Chosen().matrixLookAtLH(out, eye, at, up);
}
