// The web device's own work per frame, natively and without a browser: the
// program's frames (the start-up grid, particles randomised, the clock
// running) as the device receives them, each draw culled with the first
// sight's test and made into the frame's stream, kept draws and all, handed to
// a target that only counts. The draws come from a headless device's record of
// the program's own DrawFrame calls, so the program's side is left out
// (BM_SceneCalls times it alone). Views: the start, 8 and 25 zoom-outs; the
// camera still, or panned every frame (nothing kept); the large first sights
// streamed or instanced.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "lattice/hex_grid.h"
#include "lattice/lattice.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"
#include "platform/webgl/drawing_way.h"
#include "platform/webgl/frame_stream.h"
#include "render/camera.h"
#include "render/graphics_context.h"
#include "render/scene.h"
#include "support/headless_device.h"

namespace {

using latticegas_d3d9::DrawCuller;
using latticegas_d3d9::Mesh;
using latticegas_d3d9::RasterSetup;
using latticegas_webgl::DrawingWay;
using latticegas_webgl::FrameStream;
using latticegas_webgl::StreamTarget;
using latticegas_webgl::StreamVertex;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kFramesPerGeneration = 21;

struct CountingTarget final : StreamTarget {
  uint64_t newBytes = 0;
  uint64_t keptBytes = 0;
  uint64_t calls = 0;
  void DrawNew(std::span<const StreamVertex> v) override {
    newBytes += v.size_bytes();
    ++calls;
  }
  void Keep(uint32_t, std::span<const StreamVertex> v) override { keptBytes += v.size_bytes(); }
  void DrawKept(uint32_t, uint32_t, uint32_t) override { ++calls; }
  void Drop(uint32_t) override {}
  void DrawInstances(const latticegas_d3d9::Mesh&, const latticegas_d3d9::VertexLighting&,
                     std::span<const latticegas_webgl::MeshInstance> instances) override {
    newBytes += instances.size_bytes();
    ++calls;
  }
};

// The program's scene on a headless device, whose record of draws is what the
// web device would have been given.
struct Scene {
  GraphicsContext graphics;
  Lattice lattice;
  Camera camera{20.0f};
  int frame = 0;

  Scene() {
    graphics.width = kWidth;
    graphics.height = kHeight;
    graphics.device = latticegas_d3d9::CreateHeadlessDevice(kWidth, kHeight);
    graphics.LoadResources();
    BuildHexGrid(lattice, PlanePoint{0.0f, 0.0f}, 25);
    std::srand(1);
    lattice.RandomizeParticles();
  }

  // One frame's draws, the particles a frame further on.
  const std::vector<latticegas_d3d9::DrawRecord>& Frame(bool pan) {
    if (pan) camera.PanX(0.05f);
    D3DXMATRIX view;
    camera.ViewMatrix(&view);
    graphics.device->SetTransform(D3DTS_VIEW, &view);
    latticegas_d3d9::HeadlessLog& log = *latticegas_d3d9::HeadlessLogOf(graphics.device);
    log.draws.clear();
    DrawLinksAndNodes(graphics, lattice);
    if (++frame % kFramesPerGeneration == 0) lattice.Step();
    const float phase = static_cast<float>(frame % kFramesPerGeneration + 1) / kFramesPerGeneration;
    DrawParticles(graphics, lattice, phase);
    return log.draws;
  }
};

// What the web device does with a frame's draws, GL aside.
struct Device {
  DrawCuller culler;
  CountingTarget target;
  FrameStream stream{&target};

  Device(IDirect3DDevice9* source, DrawingWay way) {
    culler.SetOptions(latticegas_webgl::StreamCulling(way));
    stream.SetInstancing(way == DrawingWay::kInstanced);
    D3DMATRIX projection;
    source->GetTransform(D3DTS_PROJECTION, &projection);
    D3DVIEWPORT9 viewport;
    source->GetViewport(&viewport);
    culler.SetRaster(RasterSetup{projection, viewport, D3DCULL_CCW, D3DFILL_SOLID, false, 8});
  }

  // The source's light and switches, as the device lights by them.
  void Light(IDirect3DDevice9* source, const D3DMATRIX& view) {
    DWORD value = 0;
    latticegas_d3d9::VertexLighting lighting;
    source->GetRenderState(D3DRS_LIGHTING, &value);
    lighting.lighting = value != FALSE;
    source->GetRenderState(D3DRS_NORMALIZENORMALS, &value);
    lighting.normalize = value != FALSE;
    source->GetRenderState(D3DRS_SPECULARENABLE, &value);
    lighting.specular = value != FALSE;
    source->GetRenderState(D3DRS_AMBIENT, &value);
    lighting.sceneAmbient = latticegas_d3d9::ColourValueOf(value);
    D3DLIGHT9 light{};
    source->GetLight(0, &light);
    lighting.lightEnabled = true;
    lighting.towardsLight = latticegas_d3d9::TowardsLightInView(light.Direction, view);
    lighting.lightDiffuse = light.Diffuse;
    lighting.lightSpecular = light.Specular;
    lighting.lightAmbient = light.Ambient;
    stream.SetLighting(lighting);
  }

  void Draw(IDirect3DDevice9* source, const std::vector<latticegas_d3d9::DrawRecord>& draws) {
    D3DMATRIX view;
    source->GetTransform(D3DTS_VIEW, &view);
    Light(source, view);
    for (const latticegas_d3d9::DrawRecord& d : draws) {
      const Mesh& mesh = *dynamic_cast<const Mesh*>(d.mesh);
      const D3DMATRIX modelView = latticegas_d3d9::MatrixProduct(d.world, view);
      stream.Append(mesh, culler.Cull(mesh, modelView), modelView, d.material);
    }

    stream.EndFrame();
    culler.EndFrame();
  }
};

Scene& SceneAt(int zoomOuts) {
  static Scene scene;
  scene.camera = Camera(20.0f);
  for (int i = 0; i < zoomOuts; ++i) scene.camera.Zoom(-1.0f);
  return scene;
}

void BM_StreamFrame(benchmark::State& state) {
  Scene& scene = SceneAt(static_cast<int>(state.range(0)));
  const bool pan = state.range(1) != 0;
  Device device(scene.graphics.device,
                state.range(2) != 0 ? DrawingWay::kInstanced : DrawingWay::kStreamed);
  IDirect3DDevice9* source = scene.graphics.device;
  for (int i = 0; i < 3; ++i) device.Draw(source, scene.Frame(pan));
  device.target = CountingTarget{};
  for (auto _ : state) {
    state.PauseTiming();
    const auto& draws = scene.Frame(pan);
    state.ResumeTiming();
    device.Draw(source, draws);
  }
  const auto frames = static_cast<double>(state.iterations());
  state.counters["newKiB"] = static_cast<double>(device.target.newBytes) / 1024.0 / frames;
  state.counters["keptKiB"] = static_cast<double>(device.target.keptBytes) / 1024.0 / frames;
  state.counters["calls"] = static_cast<double>(device.target.calls) / frames;
}
BENCHMARK(BM_StreamFrame)
    ->ArgNames({"zoomOuts", "pan", "instanced"})
    ->ArgsProduct({{0, 8, 25}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The program's own side of the same frames, on the headless device.
void BM_SceneCalls(benchmark::State& state) {
  Scene& scene = SceneAt(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(scene.Frame(false).size());
}
BENCHMARK(BM_SceneCalls)->ArgName("zoomOuts")->Arg(25)->Unit(benchmark::kMillisecond);

}  // namespace
