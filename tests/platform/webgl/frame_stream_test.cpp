// The web device's frame stream against the same frames made afresh: whatever
// it draws from its stores, carries anew or hands over as instances, a frame's
// triangles in draw order must be, byte for byte, those carried and lit now
// from the culler's lists by the lighting and material of each draw. Random
// camera moves, edits, material and lighting changes and moving particles
// leave stores partly used, stale or dropped; the renderer here refuses any
// store it does not hold, so a kept draw that outlives its store fails too.
#include "platform/webgl/drawing_way.h"
#include "platform/webgl/frame_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"
#include "support/headless_device.h"

namespace {

using latticegas_d3d9::DrawCuller;
using latticegas_d3d9::Mesh;
using latticegas_d3d9::RasterSetup;
using latticegas_d3d9::VertexLighting;
using latticegas_webgl::FrameStream;
using latticegas_webgl::DrawingWay;
using latticegas_webgl::MeshInstance;
using latticegas_webgl::StreamTarget;
using latticegas_webgl::StreamVertex;
using latticegas_webgl::VertexCarrier;

constexpr UINT kWidth = 1024;
constexpr UINT kHeight = 768;
constexpr float kPi = 3.141592654f;

D3DCOLORVALUE ColourOf(const float* c) { return {c[0], c[1], c[2], c[3]}; }

// A renderer in memory: the stores it was given and the vertices each frame
// draws, instances carried and lit here as the GPU would.
class MemoryTarget final : public StreamTarget {
 public:
  std::vector<StreamVertex> drawn;  // since the last TakeFrame
  std::size_t keptVertices = 0;     // drawn from stores
  std::size_t instancedVertices = 0;

  void DrawInstances(const Mesh& mesh, const VertexLighting& lighting,
                     std::span<const MeshInstance> instances) override {
    for (const MeshInstance& instance : instances) {
      D3DMATRIX modelView;
      for (int i = 0; i < 16; ++i) modelView.m[i / 4][i % 4] = instance.modelView[i];
      D3DMATERIAL9 material{ColourOf(instance.diffuse), ColourOf(instance.ambient),
                            ColourOf(instance.specular), ColourOf(instance.emissive),
                            instance.power};
      const std::size_t before = drawn.size();
      carrier_.Carry(mesh, mesh.indices(), modelView, lighting, material, &drawn);
      instancedVertices += drawn.size() - before;
    }
  }
  void DrawNew(std::span<const StreamVertex> vertices) override {
    drawn.insert(drawn.end(), vertices.begin(), vertices.end());
  }
  void Keep(uint32_t store, std::span<const StreamVertex> vertices) override {
    if (!stores_.emplace(store, Store{{vertices.begin(), vertices.end()}, true}).second)
      ADD_FAILURE() << "store " << store << " kept while held";
  }
  void DrawKept(uint32_t store, uint32_t first, uint32_t count) override {
    const auto found = stores_.find(store);
    if (found == stores_.end()) {
      ADD_FAILURE() << "drawn from store " << store << ", which is not held";
      return;
    }
    found->second.used = true;
    const std::vector<StreamVertex>& kept = found->second.vertices;
    if (uint64_t{first} + count > kept.size()) {
      ADD_FAILURE() << "store " << store << " of " << kept.size() << " drawn to " << first + count;
      return;
    }
    drawn.insert(drawn.end(), kept.begin() + first, kept.begin() + first + count);
    keptVertices += count;
  }
  void Drop(uint32_t store) override {
    if (stores_.erase(store) == 0) ADD_FAILURE() << "dropped store " << store << ", not held";
  }
  // A new context: nothing of the old one's.
  void Lose() {
    stores_.clear();
    drawn.clear();
  }
  std::size_t stores() const { return stores_.size(); }
  // The stores held that were neither kept nor drawn from since the last call.
  std::size_t TakeIdle() {
    std::size_t idle = 0;
    for (auto& [id, store] : stores_) idle += std::exchange(store.used, false) ? 0 : 1;
    return idle;
  }

 private:
  struct Store {
    std::vector<StreamVertex> vertices;
    bool used;
  };
  std::map<uint32_t, Store> stores_;
  VertexCarrier carrier_;
};

// The web device's side, GL aside (its culler, as it sets it up, and the
// stream), beside a culler of its own fed the same calls, whose lists are
// carried and lit afresh for the reference.
struct Device {
  DrawCuller culler;
  DrawCuller freshCuller;
  MemoryTarget target;
  FrameStream stream{&target};
  VertexCarrier freshCarrier;
  std::vector<StreamVertex> expected;
  VertexLighting lighting;

  explicit Device(DrawingWay way = DrawingWay::kInstanced) {
    culler.SetOptions(latticegas_webgl::StreamCulling(way));
    freshCuller.SetOptions(latticegas_webgl::StreamCulling(way));
    stream.SetInstancing(way == DrawingWay::kInstanced);
  }
  void SetRaster(const D3DMATRIX& projection) {
    const RasterSetup setup{projection,  D3DVIEWPORT9{0, 0, kWidth, kHeight, 0.0f, 1.0f},
                            D3DCULL_CCW, D3DFILL_SOLID,
                            false,       8};
    culler.SetRaster(setup);
    freshCuller.SetRaster(setup);
  }
  void SetLighting(const VertexLighting& setup) {
    lighting = setup;
    stream.SetLighting(setup);
  }
  void Draw(const Mesh& mesh, const D3DMATRIX& modelView, const D3DMATERIAL9& material) {
    const latticegas_d3d9::CulledDraw fresh = freshCuller.Cull(mesh, modelView);
    freshCarrier.Carry(mesh, fresh.indices, modelView, lighting, material, &expected);
    stream.Append(mesh, culler.Cull(mesh, modelView), modelView, material);
  }
  void EndFrame() {
    stream.EndFrame();
    culler.EndFrame();
    freshCuller.EndFrame();
  }
  // The frame drawn is the frame made afresh, and stores it did not draw
  // from are gone; both start anew.
  testing::AssertionResult TakeFrame() {
    if (const std::size_t idle = target.TakeIdle(); idle != 0)
      return testing::AssertionFailure() << idle << " stores held that the frame did not use";
    std::vector<StreamVertex> drawn;
    drawn.swap(target.drawn);
    std::vector<StreamVertex> fresh;
    fresh.swap(expected);
    if (drawn.size() != fresh.size())
      return testing::AssertionFailure()
             << drawn.size() << " vertices drawn, " << fresh.size() << " made afresh";
    for (std::size_t i = 0; i < drawn.size(); ++i)
      if (std::memcmp(&drawn[i], &fresh[i], sizeof(StreamVertex)) != 0)
        return testing::AssertionFailure()
               << "vertex " << i << " of " << drawn.size() << " differs";
    return testing::AssertionSuccess();
  }
};

struct Draw {
  const Mesh* mesh;
  D3DXMATRIX world;
  int material;
};

// The program's kinds of draw on a headless device: nodes, links and particles
// in and around the view, selection highlights drawn over a node with another
// material, and draws repeated exactly.
class FrameStreamTest : public testing::Test {
 protected:
  FrameStreamTest() {
    device_ = latticegas_d3d9::CreateHeadlessDevice(kWidth, kHeight);
    D3DXCreateSphere(device_, 0.1f, 10, 10, &made_[0], nullptr);
    D3DXCreateCylinder(device_, 0.1f, 0.1f, 1.0f, 5, 1, &made_[1], nullptr);
    D3DXCreateSphere(device_, 1.0f, 10, 10, &made_[2], nullptr);
    for (int i = 0; i < 3; ++i) meshes_[i] = dynamic_cast<Mesh*>(made_[i]);
    const D3DCOLORVALUE grey{0.78f, 0.78f, 0.78f, 1.0f}, red{1, 0, 0, 1}, blue{0, 0, 1, 1},
        black{0, 0, 0, 1}, glow{0.2f, 0.3f, 0.1f, 1};
    materials_ = {
        D3DMATERIAL9{grey, grey, grey, black, 5.0f}, D3DMATERIAL9{red, red, red, black, 5.0f},
        D3DMATERIAL9{blue, blue, blue, black, 5.0f}, D3DMATERIAL9{grey, blue, red, glow, 40.0f},
        D3DMATERIAL9{red, grey, grey, black, 0.0f}};
    for (int i = 0; i < 150; ++i) draws_.push_back(Node());
    for (int i = 0; i < 100; ++i) draws_.push_back(Link());
    for (int i = 0; i < 4; ++i) {  // a highlight over a draw, and a draw repeated elsewhere
      const std::size_t at = Index(draws_.size());
      Draw highlight = draws_[at];
      highlight.material = 1;
      draws_.insert(draws_.begin() + static_cast<long>(at) + 1, highlight);
      const Draw again = draws_[Index(draws_.size())];
      draws_.insert(draws_.begin() + static_cast<long>(Index(draws_.size())), again);
    }
    for (int i = 0; i < 40; ++i) draws_.push_back(Particle());
  }
  ~FrameStreamTest() override {
    for (ID3DXMesh* mesh : made_) mesh->Release();
    device_->Release();
  }

  float Uniform(float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(random_);
  }
  std::size_t Index(std::size_t size) {
    return std::uniform_int_distribution<std::size_t>(0, size - 1)(random_);
  }
  bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
  D3DXMATRIX Place(float spread) {
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, Uniform(-spread, spread), Uniform(-spread, spread), Uniform(-3, 3));
    return at;
  }
  Draw Node() { return Draw{meshes_[0], Place(14.0f), static_cast<int>(Index(materials_.size()))}; }
  Draw Link() {
    D3DXMATRIX turn, world;
    D3DXMatrixRotationZ(&turn, Uniform(0.0f, 2.0f * kPi));
    const D3DXMATRIX at = Place(12.0f);
    D3DXMatrixMultiply(&world, &turn, &at);
    return Draw{meshes_[1], world, 0};
  }
  Draw Particle() {
    D3DXMATRIX size, world;
    D3DXMatrixScaling(&size, 0.15f, 0.15f, 0.15f);
    const D3DXMATRIX at = Place(10.0f);
    D3DXMatrixMultiply(&world, &size, &at);
    return Draw{meshes_[2], world, 2};
  }
  void LookFrom(const D3DXVECTOR3& eye, const D3DXVECTOR3& at) {
    const D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};
    D3DXMatrixLookAtLH(&view_, &eye, &at, &up);
  }
  void Project(float fieldOfView, Device* device) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, 4.0f / 3.0f, 1.0f, 1000.0f);
    device->SetRaster(projection);
  }
  // The light follows the view, as the device has it.
  VertexLighting Lighting() const {
    VertexLighting l;
    l.normalize = true;
    l.specular = specular_;
    l.sceneAmbient = {ambient_, ambient_, ambient_, 1.0f};
    l.lightEnabled = true;
    l.towardsLight = latticegas_d3d9::TowardsLightInView(lightDirection_, view_);
    l.lightDiffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    l.lightSpecular = {0.3f, 0.3f, 0.3f, 0.3f};
    l.lightAmbient = {0.6f, 0.6f, 0.6f, 0.6f};
    return l;
  }
  // The scene's draws from `first` to before `last`.
  void DrawScene(Device* device, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i)
      device->Draw(*draws_[i].mesh, latticegas_d3d9::MatrixProduct(draws_[i].world, view_),
                   materials_[static_cast<std::size_t>(draws_[i].material)]);
  }
  void DrawFrame(Device* device) {
    device->SetLighting(Lighting());
    DrawScene(device, 0, draws_.size());
    device->EndFrame();
  }

  IDirect3DDevice9* device_ = nullptr;
  ID3DXMesh* made_[3] = {};
  const Mesh* meshes_[3] = {};
  std::vector<D3DMATERIAL9> materials_;
  std::mt19937 random_{20240611};
  std::vector<Draw> draws_;
  D3DXMATRIX view_;
  D3DVECTOR lightDirection_{1.0f, 0.0f, 0.5f};
  bool specular_ = true;
  float ambient_ = 0.0f;
};

// Either way of drawing the large first sights.
class FrameStreamWays : public FrameStreamTest, public ::testing::WithParamInterface<DrawingWay> {};

TEST_P(FrameStreamWays, FramesMatchTrianglesMadeAfreshAndKeepWhatStaysStill) {
  Device device(GetParam());
  Project(0.3f * kPi, &device);
  LookFrom({0.0f, 0.0f, -20.0f}, {0.0f, 0.0f, 0.0f});
  std::vector<D3DXMATRIX> twoBack;  // where the particles were
  bool moving = false;
  bool stillBefore = false;
  std::size_t stillVertices = 0, stillKept = 0, mostStores = 0;
  for (int frame = 0; frame < 200; ++frame) {
    const double roll = Uniform(0.0f, 1.0f);
    bool changed = true;
    if (roll < 0.05) {  // the camera moves: every draw is new
      LookFrom({Uniform(-4, 4), Uniform(-4, 4), Uniform(-22, -6)},
               {Uniform(-2, 2), Uniform(-2, 2), 0});
    } else if (roll < 0.07) {
      Project(Uniform(0.2f, 0.4f) * kPi, &device);
    } else if (roll < 0.15) {  // a node deleted, one added, one moved
      draws_.erase(draws_.begin() + static_cast<long>(Index(draws_.size())));
      draws_.insert(draws_.begin() + static_cast<long>(Index(draws_.size())), Node());
      draws_[Index(draws_.size())].world = Place(12.0f);
    } else if (roll < 0.20) {
      draws_[Index(draws_.size())].material = static_cast<int>(Index(materials_.size()));
    } else if (roll < 0.24) {
      if (Chance(0.5))
        specular_ = !specular_;
      else
        lightDirection_ = {Uniform(-1, 1), Uniform(-1, 1), 1.0f};
    } else {
      changed = false;
    }
    if (moving ? Chance(0.25) : Chance(0.08)) moving = !moving;
    if (moving) {  // now and then back where they were two frames ago
      std::vector<D3DXMATRIX> places;
      for (Draw& d : draws_) {
        if (d.mesh != meshes_[2]) continue;
        const std::size_t k = places.size();
        places.push_back(d.world);
        d.world = k < twoBack.size() && Chance(0.3) ? twoBack[k] : Particle().world;
      }
      twoBack = places;
      changed = true;
    }
    device.SetLighting(Lighting());
    const std::size_t keptBefore = device.target.keptVertices;
    // Now and then the lights or the pending draws change in mid frame.
    const std::size_t middle = Index(draws_.size());
    DrawScene(&device, 0, middle);
    if (Chance(0.05)) {
      ambient_ = ambient_ == 0.0f ? 0.25f : 0.0f;
      device.SetLighting(Lighting());
      changed = true;
    } else if (Chance(0.05)) {
      device.stream.Flush();
    }
    DrawScene(&device, middle, draws_.size());
    device.EndFrame();
    if (!changed && stillBefore) {
      stillVertices += device.target.drawn.size();
      stillKept += device.target.keptVertices - keptBefore;
    }
    stillBefore = !changed;
    mostStores = std::max(mostStores, device.target.stores());
    ASSERT_TRUE(device.TakeFrame()) << "frame " << frame;
  }
  // Else the test could pass by making everything afresh.
  EXPECT_GT(stillKept, stillVertices * 8 / 10) << "of " << stillVertices << " vertices";
  if (GetParam() == DrawingWay::kInstanced)
    EXPECT_GT(device.target.instancedVertices, 0u);
  else
    EXPECT_EQ(device.target.instancedVertices, 0u);
  EXPECT_GT(mostStores, 1u);
}

INSTANTIATE_TEST_SUITE_P(BothWays, FrameStreamWays,
                         ::testing::Values(DrawingWay::kStreamed, DrawingWay::kInstanced),
                         [](const ::testing::TestParamInfo<DrawingWay>& info) {
                           return info.param == DrawingWay::kStreamed ? "Streamed" : "Instanced";
                         });

// A lost context takes the stores with it: the stream keeps its draws anew,
// whether the loss came between frames or in the middle of one (whose draws
// up to then are gone, and which the device never ends).
TEST_F(FrameStreamTest, AfterALostContextNothingComesFromOldStores) {
  Device device;
  Project(0.3f * kPi, &device);
  LookFrom({0.0f, 0.0f, -20.0f}, {0.0f, 0.0f, 0.0f});
  for (int frame = 0; frame < 3; ++frame) {
    DrawFrame(&device);
    ASSERT_TRUE(device.TakeFrame());
  }
  ASSERT_GT(device.target.keptVertices, 0u);

  device.stream.ForgetStores();
  device.target.Lose();
  const std::size_t keptBefore = device.target.keptVertices;
  DrawFrame(&device);
  EXPECT_TRUE(device.TakeFrame());
  EXPECT_EQ(device.target.keptVertices, keptBefore);
  DrawFrame(&device);
  EXPECT_TRUE(device.TakeFrame());
  EXPECT_GT(device.target.keptVertices, keptBefore);

  // Lost while the draws seen a second time are being kept.
  LookFrom({1.0f, 2.0f, -18.0f}, {0.0f, 0.0f, 0.0f});
  DrawFrame(&device);
  EXPECT_TRUE(device.TakeFrame());
  device.SetLighting(Lighting());
  DrawScene(&device, 0, draws_.size() / 2);
  device.stream.ForgetStores();
  device.target.Lose();
  device.expected.clear();
  for (int frame = 0; frame < 3; ++frame) {
    DrawFrame(&device);
    EXPECT_TRUE(device.TakeFrame()) << "frame " << frame << " after the loss";
  }
}

}  // namespace
