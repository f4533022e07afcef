// The headless device: Direct3D's defaults, state read back as given, COM
// reference counts across meshes, and the draw log the drawing tests rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d9_api.h"
#include "support/headless_device.h"

namespace {

using latticegas_d3d9::CreateHeadlessDevice;
using latticegas_d3d9::HeadlessLogOf;
using latticegas_d3d9::HeadlessRefCount;

bool SameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

TEST(HeadlessDevice, StartsWithDirect3DDefaultsAndTheWholeBackBufferAsViewport) {
  IDirect3DDevice9* device = CreateHeadlessDevice(1024, 768);
  ASSERT_NE(device, nullptr);
  D3DVIEWPORT9 vp{};
  ASSERT_EQ(device->GetViewport(&vp), D3D_OK);
  EXPECT_EQ(vp.X, 0u);
  EXPECT_EQ(vp.Y, 0u);
  EXPECT_EQ(vp.Width, 1024u);
  EXPECT_EQ(vp.Height, 768u);
  EXPECT_EQ(vp.MinZ, 0.0f);
  EXPECT_EQ(vp.MaxZ, 1.0f);

  DWORD value = 12345;
  struct Default {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Default defaults[] = {{D3DRS_LIGHTING, TRUE},          {D3DRS_ZENABLE, D3DZB_TRUE},
                              {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_CULLMODE, D3DCULL_CCW},
                              {D3DRS_AMBIENT, 0},              {D3DRS_SPECULARENABLE, FALSE},
                              {D3DRS_LOCALVIEWER, TRUE},       {D3DRS_NORMALIZENORMALS, FALSE}};
  for (const Default& d : defaults) {
    ASSERT_EQ(device->GetRenderState(d.state, &value), D3D_OK);
    EXPECT_EQ(value, d.value) << "render state " << d.state;
  }
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  D3DMATRIX m;
  for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) {
    ASSERT_EQ(device->GetTransform(t, &m), D3D_OK);
    EXPECT_TRUE(SameBytes(&m, &identity, sizeof m)) << "transform " << t;
  }
  EXPECT_EQ(device->Release(), 0u);
}

TEST(HeadlessDevice, GivesBackTransformsMaterialLightAndStatesAsSet) {
  IDirect3DDevice9* device = CreateHeadlessDevice(640, 480);
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 0.94247788f, 1.3333334f, 1.0f, 1000.0f);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_WORLD, &world);
  D3DMATRIX back;
  device->GetTransform(D3DTS_PROJECTION, &back);
  EXPECT_TRUE(SameBytes(&back, &projection, sizeof back));
  device->GetTransform(D3DTS_WORLD, &back);
  EXPECT_TRUE(SameBytes(&back, &world, sizeof back));
  device->GetTransform(D3DTS_VIEW, &back);
  EXPECT_EQ(back._43, 0.0f);  // setting one transform leaves the others

  D3DMATERIAL9 material{};
  material.Diffuse = {0.1f, 0.2f, 0.3f, 1.0f};
  material.Power = 5.0f;
  device->SetMaterial(&material);
  D3DMATERIAL9 gotMaterial{};
  device->GetMaterial(&gotMaterial);
  EXPECT_TRUE(SameBytes(&gotMaterial, &material, sizeof material));

  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {1.0f, 0.0f, 0.5f};
  BOOL enabled = TRUE;
  EXPECT_NE(device->GetLightEnable(0, &enabled), D3D_OK);  // no light 0 yet
  device->SetLight(0, &light);
  device->GetLightEnable(0, &enabled);
  EXPECT_EQ(enabled, FALSE);  // setting a light does not switch it on
  device->LightEnable(0, TRUE);
  device->GetLightEnable(0, &enabled);
  EXPECT_EQ(enabled, TRUE);
  D3DLIGHT9 gotLight{};
  device->GetLight(0, &gotLight);
  EXPECT_TRUE(SameBytes(&gotLight, &light, sizeof light));

  // Enabling a light never set gives Direct3D's white light along +z.
  device->LightEnable(3, TRUE);
  device->GetLight(3, &gotLight);
  EXPECT_EQ(gotLight.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(gotLight.Diffuse.r, 1.0f);
  EXPECT_EQ(gotLight.Direction.z, 1.0f);

  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  DWORD value = 0;
  device->GetRenderState(D3DRS_NORMALIZENORMALS, &value);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE));
  device->Release();
}

TEST(HeadlessDevice, MeshesHoldTheirDeviceUntilReleasedAsCOMDoes) {
  IDirect3DDevice9* device = CreateHeadlessDevice(64, 64);
  ID3DXMesh* sphere = nullptr;
  ID3DXMesh* cylinder = nullptr;
  ASSERT_EQ(D3DXCreateSphere(device, 0.1f, 10, 10, &sphere, nullptr), D3D_OK);
  ASSERT_EQ(D3DXCreateCylinder(device, 0.1f, 0.1f, 1.0f, 5, 1, &cylinder, nullptr), D3D_OK);
  EXPECT_EQ(HeadlessRefCount(device), 3u);
  EXPECT_EQ(sphere->AddRef(), 2u);
  EXPECT_EQ(sphere->Release(), 1u);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(sphere->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device);
  EXPECT_EQ(owner->Release(), 3u);
  // The program releases its device last, but the order must not matter.
  EXPECT_EQ(device->Release(), 2u);
  EXPECT_NE(HeadlessLogOf(device), nullptr);
  EXPECT_EQ(sphere->Release(), 0u);
  EXPECT_EQ(HeadlessRefCount(device), 1u);
  EXPECT_EQ(cylinder->Release(), 0u);  // the device goes with its last mesh
}

TEST(HeadlessDevice, BadArgumentsGiveNoMesh) {
  IDirect3DDevice9* device = CreateHeadlessDevice(64, 64);
  ID3DXMesh* mesh = nullptr;
  EXPECT_NE(D3DXCreateSphere(nullptr, 1.0f, 10, 10, &mesh, nullptr), D3D_OK);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_NE(D3DXCreateSphere(device, 1.0f, 1, 10, &mesh, nullptr), D3D_OK);
  EXPECT_NE(D3DXCreateCylinder(device, 1.0f, 1.0f, 1.0f, 5, 0, &mesh, nullptr), D3D_OK);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(device->Release(), 0u);
}

TEST(HeadlessDevice, LogsEachDrawWithTheWorldAndMaterialCurrentThen) {
  IDirect3DDevice9* device = CreateHeadlessDevice(1024, 768);
  latticegas_d3d9::HeadlessLog* log = HeadlessLogOf(device);
  ASSERT_NE(log, nullptr);
  ID3DXMesh* node = nullptr;
  ID3DXMesh* link = nullptr;
  D3DXCreateSphere(device, 0.1f, 10, 10, &node, nullptr);
  D3DXCreateCylinder(device, 0.1f, 0.1f, 1.0f, 5, 1, &link, nullptr);

  D3DMATERIAL9 grey{};
  grey.Diffuse = {0.7843138f, 0.7843138f, 0.7843138f, 1.0f};
  D3DMATERIAL9 red{};
  red.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
  D3DXMATRIX first;
  D3DXMATRIX second;
  D3DXMatrixTranslation(&first, 5.0f, 0.0f, 0.0f);
  D3DXMatrixScaling(&second, 1.0f, 1.0f, 5.0f);

  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  device->BeginScene();
  device->SetMaterial(&grey);
  device->SetTransform(D3DTS_WORLD, &first);
  node->DrawSubset(0);
  device->SetTransform(D3DTS_WORLD, &second);
  link->DrawSubset(0);
  device->SetMaterial(&red);
  node->DrawSubset(0);
  node->DrawSubset(1);  // D3DX meshes have one subset: nothing is drawn
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);

  ASSERT_EQ(log->draws.size(), 3u);
  EXPECT_EQ(log->draws[0].mesh, node);
  EXPECT_EQ(log->draws[1].mesh, link);
  EXPECT_EQ(log->draws[2].mesh, node);
  EXPECT_TRUE(SameBytes(&log->draws[0].world, &first, sizeof(D3DMATRIX)));
  EXPECT_TRUE(SameBytes(&log->draws[1].world, &second, sizeof(D3DMATRIX)));
  EXPECT_TRUE(SameBytes(&log->draws[2].world, &second, sizeof(D3DMATRIX)));
  EXPECT_TRUE(SameBytes(&log->draws[1].material, &grey, sizeof grey));
  EXPECT_TRUE(SameBytes(&log->draws[2].material, &red, sizeof red));
  EXPECT_EQ(log->clearCount, 1u);
  EXPECT_EQ(log->lastClearFlags, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
  EXPECT_EQ(log->lastClearZ, 1.0f);
  EXPECT_EQ(log->beginSceneCount, 1u);
  EXPECT_EQ(log->endSceneCount, 1u);
  EXPECT_EQ(log->presentCount, 1u);
  EXPECT_EQ(log->drawsOutsideScene, 0u);

  node->DrawSubset(0);
  EXPECT_EQ(log->drawsOutsideScene, 1u);
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);  // no scene open

  node->Release();
  link->Release();
  EXPECT_EQ(device->Release(), 0u);
}

TEST(HeadlessDevice, OtherDevicesHaveNoLog) {
  IDirect3DDevice9* device = CreateHeadlessDevice(8, 8);
  EXPECT_EQ(HeadlessLogOf(nullptr), nullptr);
  EXPECT_EQ(HeadlessRefCount(nullptr), 0u);
  device->Release();
}

}  // namespace
