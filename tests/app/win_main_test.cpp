// WinMain as the program runs it: the real window procedure, lattice and
// camera, a Win32 window without a screen and a headless Direct3D. Each test
// acts between frames (after a Present) through the message queue, as input
// would, and reads the calls the layers logged.
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "support/win32_call_log.h"

namespace {

class StartUp : public ::testing::Test {
 protected:
  latticegas_d3d9::HeadlessDirect3DSetup direct3d;
  // What to do after the numbered frame is presented.
  std::map<unsigned, std::function<void()>> afterFrame;
  std::vector<std::string> calls;

  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EmptyGlobals();
  }

  void TearDown() override {
    latticegas_win32::RecordCalls(nullptr);
    latticegas_d3d9::StopUsingHeadlessDirect3D();
    DestroyWindow(Window());
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassA("Lattice", nullptr);
    EmptyGlobals();
  }

  // The globals as the process starts them: nothing built, nothing created.
  static void EmptyGlobals() {
    selectedNode = nullptr;
    lattice.nodes.clear();
    lattice.byX.clear();
    lattice.byY.clear();
    camera = Camera(20.0f);
    stepClock = StepClock(20);
    graphics.Release();
    graphics.width = 0;
    graphics.height = 0;
  }

  // Runs WinMain until its loop ends; a loop that would not end is ended
  // after many frames with an exit code no test expects.
  int RunWinMain() {
    direct3d.calls = &calls;
    direct3d.onPresent = [this](unsigned frame) {
      if (auto action = afterFrame.find(frame); action != afterFrame.end()) action->second();
      if (frame == 5000) PostQuitMessage(99);
      DeviceLog().draws.clear();  // each frame's draws alone
    };
    latticegas_d3d9::UseHeadlessDirect3D(direct3d);
    latticegas_win32::RecordCalls(&calls);
    static HINSTANCE__ module{};
    char commandLine[] = "";
    testing::internal::CaptureStderr();
    const int exitCode = WinMain(&module, nullptr, commandLine, SW_SHOWDEFAULT);
    testing::internal::GetCapturedStderr();
    latticegas_win32::RecordCalls(nullptr);
    return exitCode;
  }

  // The window WinMain made, as the device was created for it; null before.
  static HWND Window() {
    const auto& requests = latticegas_d3d9::HeadlessDeviceRequests();
    return requests.empty() ? nullptr : requests.back().parameters.hDeviceWindow;
  }

  static void Post(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    EXPECT_TRUE(PostMessageA(Window(), message, wParam, lParam));
  }

  static latticegas_d3d9::HeadlessLog& DeviceLog() {
    return *latticegas_d3d9::HeadlessLogOf(graphics.device);
  }

  // The draws of one mesh in the frame just presented.
  static std::vector<latticegas_d3d9::DrawRecord> DrawsOf(const ID3DXMesh* mesh) {
    std::vector<latticegas_d3d9::DrawRecord> out;
    for (const auto& draw : DeviceLog().draws)
      if (draw.mesh == mesh) out.push_back(draw);
    return out;
  }

  long Count(const std::string& call) const { return std::count(calls.begin(), calls.end(), call); }
};

TEST_F(StartUp, RegistersOpensShowsStartsGraphicsBuildsTheGridThenLoops) {
  std::size_t nodesDrawnFirst = 0;
  afterFrame[1] = [&] {
    nodesDrawnFirst = DrawsOf(graphics.nodeMesh).size();
    PostQuitMessage(7);
  };
  EXPECT_EQ(RunWinMain(), 7) << "the quit message's wParam";
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "RegisterClassA(\"Lattice\")",
                       "CreateWindowExA(\"Lattice\", \"Lattice gas simulation\", 0xcf0000, 1024, 768)",
                       "ShowWindow(10)",
                       "UpdateWindow()",
                       "Direct3DCreate9(32)",
                       "GetDeviceCaps(0, 1)",
                       "CreateDevice(0x40)",
                       "IDirect3D9::Release()",
                       "PeekMessageA -> none",
                       "Present()",
                       "PostQuitMessage(7)",
                       "PeekMessageA -> 0x12",
                       "TranslateMessage(0x12)",
                       "DispatchMessageA(0x12)",
                   }))
      << "the quit message too passes through TranslateMessage and DispatchMessageA";
  EXPECT_EQ(nodesDrawnFirst, 1951u) << "the first frame shows the whole grid";
  const latticegas_d3d9::CreateDeviceRequest& request =
      latticegas_d3d9::HeadlessDeviceRequests().back();
  EXPECT_NE(request.focusWindow, nullptr);
  EXPECT_EQ(request.parameters.hDeviceWindow, request.focusWindow) << "the window just made";
  EXPECT_EQ(request.parameters.BackBufferWidth, 1024u);
  EXPECT_EQ(request.parameters.BackBufferHeight, 768u);
}

// A failed start is no success: exit code 1, and nothing after the failure.
TEST_F(StartUp, ClassThatCannotBeRegisteredEndsWithOneBeforeAnyWindowOrDevice) {
  WNDCLASSA taken{};
  taken.lpfnWndProc = DefWindowProcA;
  taken.lpszClassName = "Lattice";
  ASSERT_NE(RegisterClassA(&taken), 0);
  EXPECT_EQ(RunWinMain(), 1);
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "RegisterClassA(\"Lattice\")",
                       "MessageBoxA(null, \"Failure: RegisterClass\", null, 0x10)",
                   }));
  EXPECT_TRUE(latticegas_d3d9::HeadlessDeviceRequests().empty());
  EXPECT_EQ(graphics.device, nullptr);
  EXPECT_TRUE(lattice.nodes.empty());
}

TEST_F(StartUp, GraphicsThatCannotLoadEndWithOneAndKeepWhatWasMadeUntilRelease) {
  direct3d.failingMesh = 2;
  EXPECT_EQ(RunWinMain(), 1);
  EXPECT_EQ(Count("MessageBoxA(null, \"Failed: LoadResources (called from InitD3D)\", null, 0x0)"), 1);
  EXPECT_EQ(Count("Present()"), 0);
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.starts_with("PeekMessageA"); }),
            0)
      << "no loop";
  ASSERT_NE(graphics.device, nullptr);
  EXPECT_NE(graphics.nodeMesh, nullptr);
  EXPECT_EQ(graphics.particleMesh, nullptr);
  EXPECT_NE(graphics.linkMesh, nullptr);
  EXPECT_EQ(DeviceLog().clearCount + DeviceLog().beginSceneCount, 0u) << "nothing drawn";
  EXPECT_TRUE(lattice.nodes.empty());
}

// Input first: a frame is drawn only in a turn that found the queue empty.
TEST_F(StartUp, FramesWaitUntilTheQueueIsEmptyAndEscapeEndsWithZero) {
  afterFrame[1] = [] {
    Post(WM_KEYDOWN, 'R');
    Post(WM_NULL, 0);
    Post(WM_KEYDOWN, 'F');
  };
  afterFrame[2] = [] { Post(WM_KEYDOWN, VK_ESCAPE); };
  EXPECT_EQ(RunWinMain(), 0);
  const auto firstFrame = std::find(calls.begin(), calls.end(), "Present()");
  ASSERT_NE(firstFrame, calls.end());
  EXPECT_EQ(std::vector<std::string>(firstFrame, calls.end()),
            (std::vector<std::string>{
                "Present()",
                "PostMessageA(0x100, 0x52)",
                "PostMessageA(0x0, 0x0)",
                "PostMessageA(0x100, 0x46)",
                "PeekMessageA -> 0x100",
                "TranslateMessage(0x100)",
                "DispatchMessageA(0x100)",
                "PeekMessageA -> 0x0",
                "TranslateMessage(0x0)",
                "DispatchMessageA(0x0)",
                "PeekMessageA -> 0x100",
                "TranslateMessage(0x100)",
                "DispatchMessageA(0x100)",
                "PeekMessageA -> none",
                "Present()",
                "PostMessageA(0x100, 0x1b)",
                "PeekMessageA -> 0x100",
                "TranslateMessage(0x100)",
                "DispatchMessageA(0x100)",
                "DestroyWindow()",
                "PostQuitMessage(0)",
                "PeekMessageA -> 0x12",
                "TranslateMessage(0x12)",
                "DispatchMessageA(0x12)",
            }));
}

TEST_F(StartUp, EnterRunsAGenerationBetweenFramesWithoutTouchingTheClock) {
  Node* centre = nullptr;
  afterFrame[1] = [&] {
    centre = lattice.NearestNode({0.0f, 0.0f});
    centre->state = directionBit[0];
    Post(WM_KEYDOWN, VK_RETURN);
  };
  afterFrame[2] = [&] {
    EXPECT_EQ(centre->state, 0);
    EXPECT_EQ(centre->neighbours[0]->state, directionBit[0]) << "one generation, at once";
    EXPECT_EQ(stepClock.count, 2) << "one tick per frame, none for Enter";
    PostQuitMessage(0);
  };
  EXPECT_EQ(RunWinMain(), 0);
}

// A particle that arrives at a node moved by keys starts its glide one
// direction step behind that node, not at the node it came from.
TEST_F(StartUp, ParticleGlidesOneDirectionStepBehindANodeMovedByKeys) {
  Node* moved = nullptr;
  afterFrame[1] = [&] {
    moved = lattice.NearestNode({0.0f, 0.0f});
    Node* behind = lattice.NearestNode({-5.0f, 0.0f});
    behind->state = directionBit[0];
    Post(WM_LBUTTONDOWN, MK_LBUTTON, PixelOf({0.0f, 0.0f}));
    for (int i = 0; i < 3; ++i) Post(WM_KEYDOWN, 'D');
    Post(WM_LBUTTONDOWN, MK_LBUTTON, PixelOf({2.5f, 1.4f}));  // away from every node
  };
  // The clock stood at 1 while the node moved; the frame whose tick returns
  // 20 runs the generation that brings the particle to the moved node, and
  // draws it at phase 0.
  auto particleAt = [](float x) {
    const auto particles = DrawsOf(graphics.particleMesh);
    ASSERT_EQ(particles.size(), 1u);
    EXPECT_FLOAT_EQ(particles[0].world._41, x);
    EXPECT_FLOAT_EQ(particles[0].world._42, 0.0f);
  };
  afterFrame[21] = [&] {
    ASSERT_EQ(moved->state, directionBit[0]);
    EXPECT_FLOAT_EQ(moved->x, 0.15f);
    EXPECT_EQ(stepClock.Phase(), 0.0f);
    particleAt(moved->x - DirectionTable[0].x);  // -4.85, not the -5 it came from
  };
  afterFrame[31] = [&] { particleAt(moved->x - DirectionTable[0].x * 0.5f); };
  afterFrame[41] = [&] {
    particleAt(moved->x);
    PostQuitMessage(0);
  };
  EXPECT_EQ(RunWinMain(), 0);
  EXPECT_EQ(selectedNode, nullptr);
}

}  // namespace
