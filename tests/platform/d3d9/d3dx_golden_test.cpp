// The stand-in's D3DX against numbers the real D3DX9 gave (d3dx_golden.txt,
// written by d3dx_probe.exe): matrices, mesh counts and bounds, and the
// winding convention of the real meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3d9_api.h"
#include "support/headless_device.h"

namespace {

struct GoldenMesh {
  unsigned vertices = 0;
  unsigned faces = 0;
  float lo[3] = {0, 0, 0};
  float hi[3] = {0, 0, 0};
  std::vector<D3DXVECTOR3> positions;
  std::vector<D3DXVECTOR3> normals;
  std::vector<unsigned> indices;
};

struct Golden {
  std::map<std::string, std::vector<float>> matrices;
  std::map<std::string, GoldenMesh> meshes;
};

const Golden& LoadGolden() {
  static Golden golden = [] {
    Golden g;
    std::ifstream in(LATTICEGAS_D3DX_GOLDEN);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::istringstream fields(line);
      std::string kind;
      std::string name;
      fields >> kind >> name;
      if (kind == "matrix") {
        std::vector<float>& m = g.matrices[name];
        float f;
        while (fields >> f) m.push_back(f);
      } else if (kind == "mesh") {
        GoldenMesh& mesh = g.meshes[name];
        fields >> mesh.vertices >> mesh.faces >> mesh.lo[0] >> mesh.lo[1] >> mesh.lo[2] >>
            mesh.hi[0] >> mesh.hi[1] >> mesh.hi[2];
      } else if (kind == "vertex") {
        unsigned index;
        D3DXVECTOR3 p;
        D3DXVECTOR3 n;
        fields >> index >> p.x >> p.y >> p.z >> n.x >> n.y >> n.z;
        g.meshes[name].positions.push_back(p);
        g.meshes[name].normals.push_back(n);
      } else if (kind == "face") {
        unsigned index;
        unsigned a;
        unsigned b;
        unsigned c;
        fields >> index >> a >> b >> c;
        g.meshes[name].indices.insert(g.meshes[name].indices.end(), {a, b, c});
      }
    }
    return g;
  }();
  return golden;
}

void ExpectMatrix(const std::string& name, const D3DXMATRIX& ours) {
  SCOPED_TRACE(name);
  auto it = LoadGolden().matrices.find(name);
  ASSERT_NE(it, LoadGolden().matrices.end()) << "missing from the golden data";
  ASSERT_EQ(it->second.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    float want = it->second[static_cast<size_t>(i)];
    float got = ours.m[i / 4][i % 4];
    // Relative, with entries that should be zero (cos of a float pi/2) taken absolutely.
    EXPECT_NEAR(got, want, 1e-6 * std::fmax(1.0, std::fabs(want))) << "entry " << i / 4 + 1 << i % 4 + 1;
  }
}

TEST(D3dxGolden, ElementaryMatricesMatch) {
  D3DXMATRIX m;
  ExpectMatrix("identity", *D3DXMatrixIdentity(&m));
  ExpectMatrix("rotx_half_pi", *D3DXMatrixRotationX(&m, 1.5707964f));
  ExpectMatrix("rotx_0", *D3DXMatrixRotationX(&m, 0.0f));
  ExpectMatrix("rotx_0.3", *D3DXMatrixRotationX(&m, 0.3f));
  ExpectMatrix("rotx_-2", *D3DXMatrixRotationX(&m, -2.0f));
  ExpectMatrix("rotx_pi", *D3DXMatrixRotationX(&m, 3.14159265f));
  ExpectMatrix("rotz_-half_pi", *D3DXMatrixRotationZ(&m, -1.5707964f));
  ExpectMatrix("rotz_0.5", *D3DXMatrixRotationZ(&m, 0.5f));
  ExpectMatrix("rotz_2.5", *D3DXMatrixRotationZ(&m, 2.5f));
  ExpectMatrix("rotz_-0.0001", *D3DXMatrixRotationZ(&m, -0.0001f));
  ExpectMatrix("rotz_pi_third", *D3DXMatrixRotationZ(&m, 1.0471976f));
  ExpectMatrix("trans_0_2.5_0", *D3DXMatrixTranslation(&m, 0.0f, 2.5f, 0.0f));
  ExpectMatrix("trans_1_-2_3.5", *D3DXMatrixTranslation(&m, 1.0f, -2.0f, 3.5f));
  ExpectMatrix("trans_-13.587_10.191_0", *D3DXMatrixTranslation(&m, -13.587f, 10.191f, 0.0f));
  ExpectMatrix("scale_1_1_5", *D3DXMatrixScaling(&m, 1.0f, 1.0f, 5.0f));
  ExpectMatrix("scale_2_-3_0.5", *D3DXMatrixScaling(&m, 2.0f, -3.0f, 0.5f));
}

TEST(D3dxGolden, ProductsMatchInOrderAndWithAliasedOutput) {
  D3DXMATRIX a;
  D3DXMATRIX b;
  D3DXMATRIX c;
  D3DXMATRIX m;
  D3DXMatrixRotationX(&a, 1.5707964f);
  D3DXMatrixTranslation(&b, 0.0f, 2.5f, 0.0f);
  D3DXMatrixMultiply(&m, &a, &b);
  ExpectMatrix("rotx_times_trans", m);
  D3DXMatrixRotationZ(&c, -1.5707964f);
  D3DXMATRIX basis;
  ExpectMatrix("link_basis", *D3DXMatrixMultiply(&basis, &m, &c));

  D3DXMATRIX s;
  D3DXMATRIX r;
  D3DXMATRIX w;
  D3DXMatrixScaling(&s, 1.0f, 1.0f, 5.0f);
  D3DXMatrixRotationZ(&r, 1.0471976f);
  D3DXMatrixTranslation(&w, 5.0f, 8.660254f, 0.0f);
  D3DXMatrixMultiply(&m, &s, &basis);
  D3DXMatrixMultiply(&m, &m, &r);
  D3DXMatrixMultiply(&m, &m, &w);
  ExpectMatrix("link_world", m);

  D3DXMATRIX p(1.5f, -2.0f, 0.25f, 3.0f, 0.5f, 4.0f, -1.0f, 0.0f, 2.0f, 0.125f, -3.5f, 1.0f, -6.0f,
               7.0f, 0.75f, 1.0f);
  D3DXMATRIX q(0.3f, 1.1f, -0.7f, 2.0f, -1.3f, 0.2f, 5.0f, -0.5f, 0.9f, -2.2f, 0.4f, 1.5f, 3.3f,
               0.6f, -0.8f, -1.0f);
  ExpectMatrix("general_p_times_q", *D3DXMatrixMultiply(&m, &p, &q));
  ExpectMatrix("general_q_times_p", *D3DXMatrixMultiply(&m, &q, &p));
}

TEST(D3dxGolden, ProjectionAndViewMatch) {
  D3DXMATRIX m;
  ExpectMatrix("proj_system", *D3DXMatrixPerspectiveFovLH(&m, 0.94247788f, 1.3333334f, 1.0f, 1000.0f));
  ExpectMatrix("proj_quarter_pi", *D3DXMatrixPerspectiveFovLH(&m, 0.785398f, 1.0f, 0.1f, 100.0f));
  ExpectMatrix("proj_wide", *D3DXMatrixPerspectiveFovLH(&m, 1.2f, 1.7777778f, 0.5f, 50.0f));
  D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXVECTOR3 eye(0.0f, 0.0f, -20.0f);
  D3DXVECTOR3 at(0.0f, 0.0f, -19.0f);
  ExpectMatrix("view_system", *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  eye = D3DXVECTOR3(0.4f, -0.8f, -18.0f);
  at = D3DXVECTOR3(0.4f, -0.8f, -17.0f);
  ExpectMatrix("view_panned", *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  eye = D3DXVECTOR3(3.0f, 4.0f, -5.0f);
  at = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  ExpectMatrix("view_oblique", *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  eye = D3DXVECTOR3(-2.0f, 1.0f, 3.0f);
  at = D3DXVECTOR3(1.0f, -1.0f, 0.0f);
  D3DXVECTOR3 zUp(0.0f, 0.0f, 1.0f);
  ExpectMatrix("view_z_up", *D3DXMatrixLookAtLH(&m, &eye, &at, &zUp));
}

// Every face is clockwise seen from outside: its geometric normal (b-a)x(c-a)
// points away from the axis (or the centre), and agrees with its vertex normals.
void ExpectOutwardClockwise(const std::vector<D3DXVECTOR3>& p, const std::vector<D3DXVECTOR3>& n,
                            const std::vector<unsigned>& indices) {
  ASSERT_EQ(indices.size() % 3, 0u);
  for (size_t f = 0; f < indices.size(); f += 3) {
    const D3DXVECTOR3& a = p[indices[f]];
    const D3DXVECTOR3& b = p[indices[f + 1]];
    const D3DXVECTOR3& c = p[indices[f + 2]];
    D3DXVECTOR3 u = b - a;
    D3DXVECTOR3 v = c - a;
    D3DXVECTOR3 cross(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
    D3DXVECTOR3 normal = n[indices[f]] + n[indices[f + 1]] + n[indices[f + 2]];
    float along = cross.x * normal.x + cross.y * normal.y + cross.z * normal.z;
    EXPECT_GT(along, 0.0f) << "face " << f / 3;
  }
}

void CompareMesh(const std::string& name, ID3DXMesh* mesh) {
  SCOPED_TRACE(name);
  ASSERT_NE(mesh, nullptr);
  auto it = LoadGolden().meshes.find(name);
  ASSERT_NE(it, LoadGolden().meshes.end()) << "missing from the golden data";
  const GoldenMesh& want = it->second;
  EXPECT_EQ(mesh->GetNumVertices(), want.vertices);
  EXPECT_EQ(mesh->GetNumFaces(), want.faces);
  latticegas_d3d9::MeshGeometry ours;
  ASSERT_TRUE(latticegas_d3d9::ReadMeshGeometry(mesh, &ours));
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(static_cast<const float*>(ours.boundsMin)[k], want.lo[k], 1e-5) << "min " << k;
    EXPECT_NEAR(static_cast<const float*>(ours.boundsMax)[k], want.hi[k], 1e-5) << "max " << k;
  }
  {
    SCOPED_TRACE("real D3DX");
    ExpectOutwardClockwise(want.positions, want.normals, want.indices);
  }
  {
    SCOPED_TRACE("stand-in");
    ExpectOutwardClockwise(ours.positions, ours.normals, ours.indices);
  }
  // Every vertex of D3DX's mesh is one of ours, normal included.
  for (size_t v = 0; v < want.positions.size(); ++v) {
    bool found = false;
    for (size_t w = 0; w < ours.positions.size() && !found; ++w) {
      D3DXVECTOR3 dp = ours.positions[w] - want.positions[v];
      D3DXVECTOR3 dn = ours.normals[w] - want.normals[v];
      found = std::fabs(dp.x) + std::fabs(dp.y) + std::fabs(dp.z) < 3e-5f &&
              std::fabs(dn.x) + std::fabs(dn.y) + std::fabs(dn.z) < 3e-5f;
    }
    EXPECT_TRUE(found) << "D3DX vertex " << v << " (" << want.positions[v].x << ", "
                       << want.positions[v].y << ", " << want.positions[v].z << ")";
  }
  mesh->Release();
}

TEST(D3dxGolden, MeshesMatchCountsBoundsVerticesAndWinding) {
  IDirect3DDevice9* device = latticegas_d3d9::CreateHeadlessDevice(1024, 768);
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateSphere(device, 0.1f, 10, 10, &mesh, nullptr), D3D_OK);
  CompareMesh("sphere_0.1_10_10", mesh);
  ASSERT_EQ(D3DXCreateSphere(device, 1.0f, 10, 10, &mesh, nullptr), D3D_OK);
  CompareMesh("sphere_1_10_10", mesh);
  ASSERT_EQ(D3DXCreateCylinder(device, 0.1f, 0.1f, 1.0f, 5, 1, &mesh, nullptr), D3D_OK);
  CompareMesh("cylinder_0.1_0.1_1_5_1", mesh);
  ASSERT_EQ(D3DXCreateCylinder(device, 0.5f, 1.0f, 2.0f, 6, 3, &mesh, nullptr), D3D_OK);
  CompareMesh("cylinder_0.5_1_2_6_3", mesh);
  ASSERT_EQ(D3DXCreateSphere(device, 2.0f, 7, 4, &mesh, nullptr), D3D_OK);
  CompareMesh("sphere_2_7_4", mesh);
  EXPECT_EQ(device->Release(), 0u);
}

}  // namespace
