// The stand-in's D3DX against numbers the real D3DX9 gave (d3dx_golden.txt,
// written by d3dx_probe.exe): matrices, mesh counts and bounds, and the
// winding convention of the real meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3d9_api.h"
#include "support/headless_device.h"
#include "d3dx_cases.h"

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

void ExpectGroup(latticegas_test::MatrixGroup group) {
  int checked = 0;
  for (const latticegas_test::MatrixCase& c : latticegas_test::MatrixCases()) {
    if (c.group != group) continue;
    ExpectMatrix(c.name, c.value);
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST(D3dxGolden, ElementaryMatricesMatch) { ExpectGroup(latticegas_test::MatrixGroup::elementary); }

TEST(D3dxGolden, ProductsMatchInOrderAndWithAliasedOutput) {
  ExpectGroup(latticegas_test::MatrixGroup::product);
}

TEST(D3dxGolden, ProjectionAndViewMatch) {
  ExpectGroup(latticegas_test::MatrixGroup::cameraAndProjection);
}

// Every case the probe records is one the test checks, and the other way round.
TEST(D3dxGolden, GoldenDataHoldsExactlyTheCases) {
  std::set<std::string> cases;
  for (const latticegas_test::MatrixCase& c : latticegas_test::MatrixCases()) {
    EXPECT_TRUE(cases.insert(c.name).second) << "twice: " << c.name;
  }
  std::set<std::string> golden;
  for (const auto& [name, values] : LoadGolden().matrices) golden.insert(name);
  EXPECT_EQ(golden, cases);
  std::set<std::string> meshCases;
  for (const latticegas_test::MeshCase& c : latticegas_test::kMeshCases) meshCases.insert(c.name);
  std::set<std::string> goldenMeshes;
  for (const auto& [name, mesh] : LoadGolden().meshes) goldenMeshes.insert(name);
  EXPECT_EQ(goldenMeshes, meshCases);
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
  for (const latticegas_test::MeshCase& c : latticegas_test::kMeshCases) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(c.Create(device, &mesh), D3D_OK) << c.name;
    CompareMesh(c.name, mesh);
  }
  EXPECT_EQ(device->Release(), 0u);
}

}  // namespace
