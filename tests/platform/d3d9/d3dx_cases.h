#pragma once
// The D3DX cases that d3dx_probe.exe records from the real D3DX9 into
// d3dx_golden.txt and that d3dx_golden_test checks our D3DX against: written
// once, so that a case added here is both recorded and checked. Each matrix
// case is computed by whichever D3DX the program is built with.
#include <string>
#include <vector>

#include "platform/d3d9_api.h"

namespace latticegas_test {

enum class MatrixGroup { elementary, product, cameraAndProjection };

struct MatrixCase {
  MatrixGroup group;
  std::string name;
  D3DXMATRIX value;
};

// Two general matrices for the product's order and rounding.
inline D3DXMATRIX GeneralP() {
  return D3DXMATRIX(1.5f, -2.0f, 0.25f, 3.0f, 0.5f, 4.0f, -1.0f, 0.0f, 2.0f, 0.125f, -3.5f, 1.0f,
                    -6.0f, 7.0f, 0.75f, 1.0f);
}
inline D3DXMATRIX GeneralQ() {
  return D3DXMATRIX(0.3f, 1.1f, -0.7f, 2.0f, -1.3f, 0.2f, 5.0f, -0.5f, 0.9f, -2.2f, 0.4f, 1.5f,
                    3.3f, 0.6f, -0.8f, -1.0f);
}

inline std::vector<MatrixCase> MatrixCases() {
  std::vector<MatrixCase> cases;
  D3DXMATRIX m;
  const auto add = [&](MatrixGroup group, const char* name, const D3DXMATRIX& value) {
    cases.push_back({group, name, value});
  };
  const auto elementary = [&](const char* name, const D3DXMATRIX* value) {
    add(MatrixGroup::elementary, name, *value);
  };
  elementary("identity", D3DXMatrixIdentity(&m));
  elementary("rotx_half_pi", D3DXMatrixRotationX(&m, 1.5707964f));
  elementary("rotx_0", D3DXMatrixRotationX(&m, 0.0f));
  elementary("rotx_0.3", D3DXMatrixRotationX(&m, 0.3f));
  elementary("rotx_-2", D3DXMatrixRotationX(&m, -2.0f));
  elementary("rotx_pi", D3DXMatrixRotationX(&m, 3.14159265f));
  elementary("rotz_-half_pi", D3DXMatrixRotationZ(&m, -1.5707964f));
  elementary("rotz_0.5", D3DXMatrixRotationZ(&m, 0.5f));
  elementary("rotz_2.5", D3DXMatrixRotationZ(&m, 2.5f));
  elementary("rotz_-0.0001", D3DXMatrixRotationZ(&m, -0.0001f));
  elementary("rotz_pi_third", D3DXMatrixRotationZ(&m, 1.0471976f));
  elementary("trans_0_2.5_0", D3DXMatrixTranslation(&m, 0.0f, 2.5f, 0.0f));
  elementary("trans_1_-2_3.5", D3DXMatrixTranslation(&m, 1.0f, -2.0f, 3.5f));
  elementary("trans_-13.587_10.191_0", D3DXMatrixTranslation(&m, -13.587f, 10.191f, 0.0f));
  elementary("scale_1_1_5", D3DXMatrixScaling(&m, 1.0f, 1.0f, 5.0f));
  elementary("scale_2_-3_0.5", D3DXMatrixScaling(&m, 2.0f, -3.0f, 0.5f));

  // The link basis and a link's world as the program makes them, the output
  // aliasing an input as the program's products do.
  D3DXMATRIX a;
  D3DXMATRIX b;
  D3DXMATRIX c;
  D3DXMatrixRotationX(&a, 1.5707964f);
  D3DXMatrixTranslation(&b, 0.0f, 2.5f, 0.0f);
  add(MatrixGroup::product, "rotx_times_trans", *D3DXMatrixMultiply(&m, &a, &b));
  D3DXMatrixRotationZ(&c, -1.5707964f);
  D3DXMATRIX basis;
  add(MatrixGroup::product, "link_basis", *D3DXMatrixMultiply(&basis, &m, &c));
  // A link of length 5 at 60 degrees from the node at (5, 8.660254).
  D3DXMATRIX s;
  D3DXMATRIX r;
  D3DXMATRIX w;
  D3DXMatrixScaling(&s, 1.0f, 1.0f, 5.0f);
  D3DXMatrixRotationZ(&r, 1.0471976f);
  D3DXMatrixTranslation(&w, 5.0f, 8.660254f, 0.0f);
  D3DXMatrixMultiply(&m, &s, &basis);
  D3DXMatrixMultiply(&m, &m, &r);
  add(MatrixGroup::product, "link_world", *D3DXMatrixMultiply(&m, &m, &w));
  const D3DXMATRIX p = GeneralP();
  const D3DXMATRIX q = GeneralQ();
  add(MatrixGroup::product, "general_p_times_q", *D3DXMatrixMultiply(&m, &p, &q));
  add(MatrixGroup::product, "general_q_times_p", *D3DXMatrixMultiply(&m, &q, &p));

  const auto camera = [&](const char* name, const D3DXMATRIX* value) {
    add(MatrixGroup::cameraAndProjection, name, *value);
  };
  camera("proj_system", D3DXMatrixPerspectiveFovLH(&m, 0.94247788f, 1.3333334f, 1.0f, 1000.0f));
  camera("proj_quarter_pi", D3DXMatrixPerspectiveFovLH(&m, 0.785398f, 1.0f, 0.1f, 100.0f));
  camera("proj_wide", D3DXMatrixPerspectiveFovLH(&m, 1.2f, 1.7777778f, 0.5f, 50.0f));
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  const auto view = [&](const char* name, D3DXVECTOR3 eye, D3DXVECTOR3 at, D3DXVECTOR3 upward) {
    camera(name, D3DXMatrixLookAtLH(&m, &eye, &at, &upward));
  };
  view("view_system", {0.0f, 0.0f, -20.0f}, {0.0f, 0.0f, -19.0f}, up);
  view("view_panned", {0.4f, -0.8f, -18.0f}, {0.4f, -0.8f, -17.0f}, up);
  view("view_oblique", {3.0f, 4.0f, -5.0f}, {0.0f, 0.0f, 0.0f}, up);
  view("view_z_up", {-2.0f, 1.0f, 3.0f}, {1.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
  return cases;
}

// The program's meshes, then others of odd sizes.
struct MeshCase {
  const char* name;
  bool cylinder;
  float radius1, radius2, length;  // a sphere uses radius1 only
  UINT slices, stacks;

  HRESULT Create(IDirect3DDevice9* device, ID3DXMesh** mesh) const {
    return cylinder ? D3DXCreateCylinder(device, radius1, radius2, length, slices, stacks, mesh, nullptr)
                    : D3DXCreateSphere(device, radius1, slices, stacks, mesh, nullptr);
  }
};

inline constexpr MeshCase kMeshCases[] = {
    {"sphere_0.1_10_10", false, 0.1f, 0.0f, 0.0f, 10, 10},
    {"sphere_1_10_10", false, 1.0f, 0.0f, 0.0f, 10, 10},
    {"cylinder_0.1_0.1_1_5_1", true, 0.1f, 0.1f, 1.0f, 5, 1},
    {"cylinder_0.5_1_2_6_3", true, 0.5f, 1.0f, 2.0f, 6, 3},
    {"sphere_2_7_4", false, 2.0f, 0.0f, 0.0f, 7, 4},
};

}  // namespace latticegas_test
