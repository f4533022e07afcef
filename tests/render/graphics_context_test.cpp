#include <cstdlib>
#include <cstring>

#include "render_fixture.h"

using GraphicsContextTest = RenderTest;

TEST_F(GraphicsContextTest, MaterialsAreGreyRedAndBlue) {
  const float grey = 200.0f / 255.0f;
  EXPECT_FLOAT_EQ(grey, 0.7843138f);
  const D3DMATERIAL9& node = graphics.nodeMaterial;
  for (const D3DCOLORVALUE& c : {node.Ambient, node.Diffuse, node.Specular}) {
    EXPECT_EQ(c.r, grey);
    EXPECT_EQ(c.g, grey);
    EXPECT_EQ(c.b, grey);
    EXPECT_EQ(c.a, 1.0f);
  }
  EXPECT_EQ(node.Emissive.r + node.Emissive.g + node.Emissive.b, 0.0f);
  EXPECT_EQ(node.Emissive.a, 1.0f);
  EXPECT_EQ(node.Power, 5.0f);
  EXPECT_EQ(graphics.taggedMaterial.Diffuse.r, 1.0f);
  EXPECT_EQ(graphics.taggedMaterial.Diffuse.b, 0.0f);
  EXPECT_EQ(graphics.particleMaterial.Specular.b, 1.0f);
  EXPECT_EQ(graphics.particleMaterial.Specular.r, 0.0f);
  EXPECT_TRUE(SameMaterial(graphics.selectionMaterial, graphics.taggedMaterial));
}

TEST_F(GraphicsContextTest, MakeMaterialKeepsEachColourInItsPlace) {
  const D3DMATERIAL9 m = GraphicsContext::MakeMaterial({1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1},
                                                       {0.5f, 0.5f, 0.5f, 1}, 7.0f);
  EXPECT_EQ(m.Ambient.r, 1.0f);
  EXPECT_EQ(m.Diffuse.g, 1.0f);
  EXPECT_EQ(m.Specular.b, 1.0f);
  EXPECT_EQ(m.Emissive.r, 0.5f);
  EXPECT_EQ(m.Power, 7.0f);
}

TEST_F(GraphicsContextTest, LinkBasisLaysTheCylinderFromZeroToFiveAlongX) {
  const D3DXMATRIX& b = graphics.linkBasis;
  const float expected[16] = {0, -1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0, 2.5f, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(b.m[i / 4][i % 4], expected[i], 2e-7f) << i;
  D3DXMATRIX scaling, world;
  D3DXMatrixScaling(&scaling, 1.0f, 1.0f, kSpacing);
  D3DXMatrixMultiply(&world, &scaling, &b);
  const D3DXVECTOR3 start = Transform(world, 0, 0, 0.5f);
  const D3DXVECTOR3 end = Transform(world, 0, 0, -0.5f);
  EXPECT_NEAR(start.x, 0.0f, 1e-6f);
  EXPECT_NEAR(end.x, 5.0f, 1e-6f);
  EXPECT_NEAR(start.y, 0.0f, 1e-6f);
  EXPECT_NEAR(end.y, 0.0f, 1e-6f);
}

TEST_F(GraphicsContextTest, DeviceGetsProjectionLightAndRenderStates) {
  D3DMATRIX projection;
  graphics.device->GetTransform(D3DTS_PROJECTION, &projection);
  D3DXMATRIX expected;
  D3DXMatrixPerspectiveFovLH(&expected, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
  EXPECT_EQ(0, std::memcmp(&projection, &expected, sizeof projection));

  D3DLIGHT9 light;
  graphics.device->GetLight(0, &light);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Diffuse.r, 1.0f);
  EXPECT_EQ(light.Specular.g, 0.3f);
  EXPECT_EQ(light.Ambient.b, 0.6f);
  EXPECT_EQ(light.Ambient.a, 0.6f);
  EXPECT_EQ(light.Direction.x, 1.0f);
  EXPECT_EQ(light.Direction.y, 0.0f);
  EXPECT_EQ(light.Direction.z, 0.5f);
  EXPECT_EQ(light.Range + light.Falloff + light.Theta + light.Phi + light.Attenuation0, 0.0f);
  BOOL enabled = FALSE;
  graphics.device->GetLightEnable(0, &enabled);
  EXPECT_TRUE(enabled);
  DWORD value = 0;
  graphics.device->GetRenderState(D3DRS_NORMALIZENORMALS, &value);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE));
  graphics.device->GetRenderState(D3DRS_SPECULARENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE));
  graphics.device->GetRenderState(D3DRS_AMBIENT, &value);
  EXPECT_EQ(value, 0u);  // left at the device default
}

TEST_F(GraphicsContextTest, MeshesHaveTheirSizes) {
  latticegas_d3d9::MeshGeometry node, particle, link;
  ASSERT_TRUE(latticegas_d3d9::ReadMeshGeometry(graphics.nodeMesh, &node));
  ASSERT_TRUE(latticegas_d3d9::ReadMeshGeometry(graphics.particleMesh, &particle));
  ASSERT_TRUE(latticegas_d3d9::ReadMeshGeometry(graphics.linkMesh, &link));
  EXPECT_NEAR(node.boundsMax.z, 0.1f, 1e-6f);
  EXPECT_NEAR(particle.boundsMax.z, 1.0f, 1e-6f);
  EXPECT_NEAR(link.boundsMin.z, -0.5f, 1e-6f);
  EXPECT_NEAR(link.boundsMax.z, 0.5f, 1e-6f);
  EXPECT_EQ(graphics.linkMesh->GetNumVertices(), 2u + 5u * (1u + 3u));
}

TEST_F(GraphicsContextTest, ReleaseGivesEverythingBackOnce) {
  EXPECT_TRUE(graphics.CanDraw());
  graphics.Release();
  EXPECT_EQ(graphics.device, nullptr);
  EXPECT_EQ(graphics.nodeMesh, nullptr);
  EXPECT_EQ(graphics.particleMesh, nullptr);
  EXPECT_EQ(graphics.linkMesh, nullptr);
  EXPECT_FALSE(graphics.CanDraw());
  graphics.Release();  // and again at teardown: nothing left to give back
}

// Without a display no Direct3D object can be had: the first box, sizes kept,
// and nothing to release. The box goes where a user without a display reads it.
TEST(GraphicsStartFailure, NoDisplayReportsDirect3DCreate9) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  GraphicsContext context;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(context.InitD3D(nullptr, 1024, 768));
  const std::string said = testing::internal::GetCapturedStderr();
  if (display) setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_NE(said.find("Error: Failed: Direct3DCreate9 (in InitD3D)"), std::string::npos) << said;
  EXPECT_EQ(context.width, 1024);
  EXPECT_EQ(context.height, 768);
  EXPECT_FALSE(context.CanDraw());
  context.Release();
  EXPECT_EQ(context.device, nullptr);
  EXPECT_EQ(context.nodeMesh, nullptr);
}
