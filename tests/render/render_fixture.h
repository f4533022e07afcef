#pragma once
// A graphics context on a headless device that records every draw, and a
// lattice to draw; plus helpers to read the records back.

#include <gtest/gtest.h>

#include <cstring>

#include "lattice_fixture.h"
#include "support/headless_device.h"
#include "render/camera.h"
#include "render/graphics_context.h"

class RenderTest : public LatticeTest {
 protected:
  GraphicsContext graphics;

  void SetUp() override {
    graphics.width = 1024;
    graphics.height = 768;
    graphics.device = latticegas_d3d9::CreateHeadlessDevice(1024, 768);
    ASSERT_TRUE(graphics.LoadResources());
  }

  latticegas_d3d9::HeadlessLog& Log() { return *latticegas_d3d9::HeadlessLogOf(graphics.device); }

  std::vector<latticegas_d3d9::DrawRecord> DrawsOf(const ID3DXMesh* mesh) {
    std::vector<latticegas_d3d9::DrawRecord> out;
    for (const auto& d : Log().draws) {
      if (d.mesh == mesh) out.push_back(d);
    }
    return out;
  }
};

// A point through a D3DX row-vector matrix.
inline D3DXVECTOR3 Transform(const D3DMATRIX& m, float x, float y, float z) {
  return D3DXVECTOR3(x * m._11 + y * m._21 + z * m._31 + m._41,
                     x * m._12 + y * m._22 + z * m._32 + m._42,
                     x * m._13 + y * m._23 + z * m._33 + m._43);
}

inline bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b) {
  for (int i = 0; i < 16; ++i) {
    if (a.m[i / 4][i % 4] != b.m[i / 4][i % 4]) return false;
  }
  return true;
}

inline bool SameMaterial(const D3DMATERIAL9& a, const D3DMATERIAL9& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
