// On their own, so that tests can link creation functions of their own (ones
// that may fail as when memory runs out) in place of these.
#include "platform/d3d9/mesh.h"

HRESULT D3DXCreateSphere(IDirect3DDevice9* pDevice, float Radius, UINT Slices, UINT Stacks,
                         ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency) {
  return latticegas_d3d9::CreateSphere(pDevice, Radius, Slices, Stacks, ppMesh, ppAdjacency);
}

HRESULT D3DXCreateCylinder(IDirect3DDevice9* pDevice, float Radius1, float Radius2, float Length,
                           UINT Slices, UINT Stacks, ID3DXMesh** ppMesh,
                           ID3DXBuffer** ppAdjacency) {
  return latticegas_d3d9::CreateCylinder(pDevice, Radius1, Radius2, Length, Slices, Stacks, ppMesh,
                                         ppAdjacency);
}
