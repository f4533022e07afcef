// The stand-ins' D3DX matrix names (d3d9_sdk.h) on our helpers. Only the
// stand-ins have these: the real SDK headers define D3DXMatrixIdentity
// inline, and on Windows the helpers' names are platform/windows' to define.
#include "platform/d3d9/d3dx_math.h"

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  return latticegas_d3d9::MatrixTranslation(pOut, x, y, z);
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
  return latticegas_d3d9::MatrixScaling(pOut, sx, sy, sz);
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float Angle) {
  return latticegas_d3d9::MatrixRotationX(pOut, Angle);
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float Angle) {
  return latticegas_d3d9::MatrixRotationZ(pOut, Angle);
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  return latticegas_d3d9::MatrixMultiply(pOut, pM1, pM2);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf) {
  return latticegas_d3d9::MatrixPerspectiveFovLH(pOut, fovy, Aspect, zn, zf);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  return latticegas_d3d9::MatrixLookAtLH(pOut, pEye, pAt, pUp);
}
