// D3DX matrix helpers: row vectors (v' = v x M), float arithmetic throughout,
// each entry written as the D3DX reference pages give it.
#include <cmath>

#include "platform/d3d9_api.h"

namespace {

D3DXMATRIX Product(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length == 0.0f) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return D3DXVECTOR3(v.x / length, v.y / length, v.z / length);
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  D3DXMatrixIdentity(pOut);
  pOut->_41 = x;
  pOut->_42 = y;
  pOut->_43 = z;
  return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = sx;
  pOut->_22 = sy;
  pOut->_33 = sz;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float Angle) {
  float c = std::cos(Angle);
  float s = std::sin(Angle);
  D3DXMatrixIdentity(pOut);
  pOut->_22 = c;
  pOut->_23 = s;
  pOut->_32 = -s;
  pOut->_33 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float Angle) {
  float c = std::cos(Angle);
  float s = std::sin(Angle);
  D3DXMatrixIdentity(pOut);
  pOut->_11 = c;
  pOut->_12 = s;
  pOut->_21 = -s;
  pOut->_22 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  // The output may be one of the inputs.
  *pOut = Product(*pM1, *pM2);
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf) {
  float yScale = 1.0f / std::tan(fovy / 2.0f);
  float xScale = yScale / Aspect;
  *pOut = D3DXMATRIX(xScale, 0, 0, 0,  //
                     0, yScale, 0, 0,  //
                     0, 0, zf / (zf - zn), 1, 0, 0, zn * zf / (zn - zf), 0);
  return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  D3DXVECTOR3 zaxis = Normalized(*pAt - *pEye);
  D3DXVECTOR3 xaxis = Normalized(Cross(*pUp, zaxis));
  D3DXVECTOR3 yaxis = Cross(zaxis, xaxis);
  *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0,  //
                     xaxis.y, yaxis.y, zaxis.y, 0,  //
                     xaxis.z, yaxis.z, zaxis.z, 0,  //
                     -Dot(xaxis, *pEye), -Dot(yaxis, *pEye), -Dot(zaxis, *pEye), 1);
  return pOut;
}
