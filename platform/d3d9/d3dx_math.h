#pragma once
// Our D3DX matrix helpers, the same for every build: the stand-ins' D3DX
// names (d3dx_names.cpp) and, where D3DX9 is missing, the real Windows
// build's (platform/windows) are these. Row vectors (v' = v x M), float
// arithmetic throughout, each entry written as the D3DX reference pages give
// it; every function fills `out` and returns it, as D3DX's do.
#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

D3DXMATRIX* MatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* MatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* MatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* MatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* MatrixRotationZ(D3DXMATRIX* out, float angle);
// The output may be one of the inputs.
D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
D3DXMATRIX* MatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* MatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                           const D3DXVECTOR3* up);

}  // namespace latticegas_d3d9
