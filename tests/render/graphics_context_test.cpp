#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/win32_call_log.h"
#include "render_fixture.h"

using GraphicsContextTest = RenderTest;

TEST_F(GraphicsContextTest, MaterialsAreGreyRedAndBlue) {
  const float grey = 0.7843138f;  // level 200 of 255, as a 32-bit float
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

// InitD3D against a headless Direct3D whose capabilities and failures the test
// chooses, with a window of the Win32 layer that has no screen.
class GraphicsStart : public ::testing::Test {
 protected:
  GraphicsContext context;
  std::vector<std::string> calls;
  HWND window = nullptr;

  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    static const bool registered = [] {
      WNDCLASSA windowClass{};
      windowClass.lpfnWndProc = DefWindowProcA;
      windowClass.lpszClassName = "GraphicsStart";
      return RegisterClassA(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
    window = CreateWindowExA(0, "GraphicsStart", "test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }

  void TearDown() override {
    latticegas_win32::RecordCalls(nullptr);
    latticegas_d3d9::StopUsingHeadlessDirect3D();
    context.Release();
    DestroyWindow(window);
  }

  // InitD3D on a Direct3D set up so; the calls it made, boxes included.
  bool Start(latticegas_d3d9::HeadlessDirect3DSetup setup, HWND target) {
    setup.calls = &calls;
    latticegas_d3d9::UseHeadlessDirect3D(std::move(setup));
    latticegas_win32::RecordCalls(&calls);
    testing::internal::CaptureStderr();
    const bool ready = context.InitD3D(target, 1024, 768);
    testing::internal::GetCapturedStderr();
    latticegas_win32::RecordCalls(nullptr);
    return ready;
  }

  const latticegas_d3d9::CreateDeviceRequest& OnlyRequest() {
    const auto& requests = latticegas_d3d9::HeadlessDeviceRequests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.back();
  }
};

TEST_F(GraphicsStart, CreatesAWindowedImmediateDeviceWithHardwareVertexProcessing) {
  ASSERT_TRUE(Start({}, window));
  EXPECT_TRUE(context.CanDraw());
  EXPECT_EQ(calls, (std::vector<std::string>{"Direct3DCreate9(32)", "GetDeviceCaps(0, 1)",
                                             "CreateDevice(0x40)", "IDirect3D9::Release()"}))
      << "no box; the Direct3D object is not kept";
  const latticegas_d3d9::CreateDeviceRequest& request = OnlyRequest();
  EXPECT_EQ(request.adapter, 0u);
  EXPECT_EQ(request.deviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(request.focusWindow, window);
  EXPECT_EQ(request.behaviorFlags, D3DCREATE_HARDWARE_VERTEXPROCESSING);
  const D3DPRESENT_PARAMETERS& p = request.parameters;
  EXPECT_EQ(p.BackBufferWidth, 1024u);
  EXPECT_EQ(p.BackBufferHeight, 768u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_UNKNOWN);
  EXPECT_EQ(p.BackBufferCount, 1u);
  EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(p.MultiSampleQuality, 0u);
  EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_EQ(p.hDeviceWindow, window);
  EXPECT_EQ(p.Windowed, TRUE);
  EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D24S8);
  EXPECT_EQ(p.Flags, 0u);
  EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
  EXPECT_EQ(p.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

TEST_F(GraphicsStart, WithoutHardwareTransformAndLightingTheDeviceProcessesVerticesInSoftware) {
  latticegas_d3d9::HeadlessDirect3DSetup noTransformAndLighting;
  noTransformAndLighting.devCaps = 0;
  ASSERT_TRUE(Start(noTransformAndLighting, window));
  EXPECT_EQ(OnlyRequest().behaviorFlags, D3DCREATE_SOFTWARE_VERTEXPROCESSING)
      << "the one flag, nothing added";
  EXPECT_TRUE(context.CanDraw());
}

// The boxes of the three failures, their styles, and what each leaves behind.
TEST_F(GraphicsStart, NoDirect3DShowsAnErrorBoxAndKeepsOnlyTheSize) {
  latticegas_d3d9::HeadlessDirect3DSetup none;
  none.available = false;
  EXPECT_FALSE(Start(none, window));
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "Direct3DCreate9(32)",
                       "MessageBoxA(null, \"Failed: Direct3DCreate9 (in InitD3D)\", null, 0x10)"}));
  EXPECT_EQ(context.width, 1024);
  EXPECT_EQ(context.height, 768);
  EXPECT_EQ(context.device, nullptr);
}

TEST_F(GraphicsStart, NoDeviceShowsAPlainBoxAfterGivingBackDirect3D) {
  EXPECT_FALSE(Start({}, nullptr));  // a windowed device needs a window
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "Direct3DCreate9(32)", "GetDeviceCaps(0, 1)", "CreateDevice(0x40)",
                       "IDirect3D9::Release()",
                       "MessageBoxA(null, \"Failed: CreateDevice (in InitD3D)\", null, 0x0)"}));
  EXPECT_EQ(context.device, nullptr);
  EXPECT_FALSE(context.CanDraw());
}

// Whichever mesh cannot be made, the box says LoadResources, and the device
// and the meshes made keep their references until Release.
TEST_F(GraphicsStart, AnyMeshFailingShowsTheLoadResourcesBoxAndKeepsWhatWasMade) {
  for (int failing = 1; failing <= 3; ++failing) {
    SCOPED_TRACE("mesh " + std::to_string(failing) + " fails");
    calls.clear();
    latticegas_d3d9::HeadlessDirect3DSetup setup;
    setup.failingMesh = failing;
    EXPECT_FALSE(Start(setup, window));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(),
              "MessageBoxA(null, \"Failed: LoadResources (called from InitD3D)\", null, 0x0)");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.starts_with("MessageBoxA"); }),
              1);
    EXPECT_FALSE(context.CanDraw());
    // Made in the order node, particle, link.
    const ID3DXMesh* meshes[] = {context.nodeMesh, context.particleMesh, context.linkMesh};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(meshes[i] == nullptr, i + 1 == failing) << i;
    IDirect3DDevice9* device = context.device;
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(latticegas_d3d9::HeadlessRefCount(device), 3u) << "the context's and two meshes'";
    device->AddRef();
    context.Release();
    EXPECT_EQ(latticegas_d3d9::HeadlessRefCount(device), 1u) << "every mesh given back";
    EXPECT_EQ(context.device, nullptr);
    EXPECT_EQ(context.nodeMesh, nullptr);
    EXPECT_EQ(context.particleMesh, nullptr);
    EXPECT_EQ(context.linkMesh, nullptr);
    device->Release();
  }
}
