#pragma once
// Our own D3DXCreateSphere and D3DXCreateCylinder for the real Direct3D 9,
// used where D3DX9 is missing (d3dx_choice.cpp): the mesh builder's geometry
// (platform/d3d9/mesh_geometry.h) in the device's own vertex and index
// buffers, drawn by the device. Same parameters and results as D3DX's; no
// adjacency is made (null where asked for).
#include "platform/d3d9_api.h"

namespace latticegas_windows {

HRESULT CreateSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks,
                     ID3DXMesh** mesh, ID3DXBuffer** adjacency);
HRESULT CreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                       UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency);

}  // namespace latticegas_windows
