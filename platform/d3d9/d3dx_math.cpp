#include "platform/d3d9/d3dx_math.h"

#include <cmath>

namespace latticegas_d3d9 {

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

D3DXVECTOR3 Difference(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

}  // namespace

D3DXMATRIX* MatrixIdentity(D3DXMATRIX* out) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  MatrixIdentity(out);
  out->_41 = x;
  out->_42 = y;
  out->_43 = z;
  return out;
}

D3DXMATRIX* MatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  MatrixIdentity(out);
  out->_11 = sx;
  out->_22 = sy;
  out->_33 = sz;
  return out;
}

D3DXMATRIX* MatrixRotationX(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle);
  float s = std::sin(angle);
  MatrixIdentity(out);
  out->_22 = c;
  out->_23 = s;
  out->_32 = -s;
  out->_33 = c;
  return out;
}

D3DXMATRIX* MatrixRotationZ(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle);
  float s = std::sin(angle);
  MatrixIdentity(out);
  out->_11 = c;
  out->_12 = s;
  out->_21 = -s;
  out->_22 = c;
  return out;
}

D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
  *out = Product(*m1, *m2);
  return out;
}

D3DXMATRIX* MatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
  float yScale = 1.0f / std::tan(fovy / 2.0f);
  float xScale = yScale / aspect;
  *out = D3DXMATRIX(xScale, 0, 0, 0,  //
                    0, yScale, 0, 0,  //
                    0, 0, zf / (zf - zn), 1, 0, 0, zn * zf / (zn - zf), 0);
  return out;
}

D3DXMATRIX* MatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                           const D3DXVECTOR3* up) {
  D3DXVECTOR3 zaxis = Normalized(Difference(*at, *eye));
  D3DXVECTOR3 xaxis = Normalized(Cross(*up, zaxis));
  D3DXVECTOR3 yaxis = Cross(zaxis, xaxis);
  *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0,  //
                    xaxis.y, yaxis.y, zaxis.y, 0,  //
                    xaxis.z, yaxis.z, zaxis.z, 0,  //
                    -Dot(xaxis, *eye), -Dot(yaxis, *eye), -Dot(zaxis, *eye), 1);
  return out;
}

}  // namespace latticegas_d3d9
