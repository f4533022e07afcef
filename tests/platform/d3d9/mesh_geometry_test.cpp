// The sizes D3DX's shapes accept, which every build's D3DX checks alike: the
// stand-ins' and the real Windows build's own where D3DX9 is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/d3d9/mesh_geometry.h"
#include "platform/d3d9_api.h"
#include "support/headless_device.h"

namespace {

using latticegas_d3d9::CheckCylinder;
using latticegas_d3d9::CheckSphere;

TEST(MeshGeometry, ShapesNeedTwoSlicesAndEnoughStacksAndNoNegativeSize) {
  EXPECT_EQ(CheckSphere(1.0f, 2, 2), D3D_OK);
  EXPECT_EQ(CheckSphere(0.0f, 10, 10), D3D_OK);
  EXPECT_EQ(CheckSphere(1.0f, 1, 10), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckSphere(1.0f, 10, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckSphere(-0.1f, 10, 10), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(0.1f, 0.1f, 1.0f, 2, 1), D3D_OK);
  EXPECT_EQ(CheckCylinder(0.0f, 0.0f, 0.0f, 5, 1), D3D_OK);
  EXPECT_EQ(CheckCylinder(0.1f, 0.1f, 1.0f, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(0.1f, 0.1f, 1.0f, 5, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(-0.1f, 0.1f, 1.0f, 5, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(0.1f, -0.1f, 1.0f, 5, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(0.1f, 0.1f, -1.0f, 5, 1), D3DERR_INVALIDCALL);
}

// Up to 65535 vertices, the most a 16-bit index reaches; the accepted
// largest builds exactly that many, each index in range.
TEST(MeshGeometry, VerticesStopAtTheSixteenBitIndexLimit) {
  // Sphere: 2 + slices x (stacks - 1); cylinder: 2 + slices x (stacks + 3).
  EXPECT_EQ(CheckSphere(1.0f, 13, 5042), D3D_OK);  // 65535
  EXPECT_EQ(CheckSphere(1.0f, 13, 5043), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(1.0f, 1.0f, 1.0f, 13, 5038), D3D_OK);  // 65535
  EXPECT_EQ(CheckCylinder(1.0f, 1.0f, 1.0f, 13, 5039), D3DERR_INVALIDCALL);
  std::vector<latticegas_d3d9::Vertex> vertices;
  std::vector<uint16_t> indices;
  latticegas_d3d9::BuildCylinder(1.0f, 1.0f, 1.0f, 13, 5038, &vertices, &indices);
  ASSERT_EQ(vertices.size(), 65535u);
  uint16_t highest = 0;
  for (uint16_t i : indices) highest = std::max(highest, i);
  EXPECT_EQ(highest, 65534u);
}

// Counts whose vertex total wraps around in 32 bits are refused, not built.
TEST(MeshGeometry, CountsThatWrapInThirtyTwoBitsAreRefused) {
  // 2 + 65536 x 65536 is 2 in 32 bits.
  EXPECT_EQ(CheckSphere(1.0f, 65536, 65537), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(1.0f, 1.0f, 1.0f, 65536, 65533), D3DERR_INVALIDCALL);
  EXPECT_EQ(CheckCylinder(1.0f, 1.0f, 1.0f, 2, 0xffffffffu), D3DERR_INVALIDCALL);
  IDirect3DDevice9* device = latticegas_d3d9::CreateHeadlessDevice(64, 64);
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateSphere(device, 1.0f, 65536, 65537, &mesh, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(D3DXCreateCylinder(device, 1.0f, 1.0f, 1.0f, 65536, 65533, &mesh, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(device->Release(), 0u);
}

}  // namespace
