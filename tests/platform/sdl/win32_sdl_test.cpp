// Window classes, windows, the message queue and message boxes without a
// display: the window records and the message machinery must work alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/win32_call_log.h"
#include "platform/sdl/window_handle.h"
#include "platform/win32_api.h"


using namespace latticegas_sdl;
namespace {

// No display for this whole process, whatever the caller's environment. SDL
// then falls back to a driver that shows nothing, which must count as none.
const bool kHeadless = [] {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  return true;
}();

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Received> received;
// What the procedure does besides recording: lets a test act inside a message.
void (*onMessage)(HWND, UINT) = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({window, message, wParam, lParam});
  if (onMessage != nullptr) onMessage(window, message);
  if (message == WM_KEYDOWN) return 42;
  return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA ClassNamed(const char* name) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = name;
  return windowClass;
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kHeadless);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    received.clear();
    onMessage = nullptr;
  }

  // A fresh class per test: registrations outlive a test in this process.
  HWND Open() {
    const std::string name = std::string("Lattice.") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    className_ = name;
    const WNDCLASSA windowClass = ClassNamed(className_.c_str());
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, className_.c_str(), "Lattice gas simulation",
                                        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 1024,
                                        768, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    return window;
  }

  std::vector<UINT> Messages() const {
    std::vector<UINT> out;
    for (const Received& r : received) out.push_back(r.message);
    return out;
  }

  std::string className_;
};

TEST_F(Win32Window, ClassRegistersOnceAndNeedsAName) {
  const WNDCLASSA windowClass = ClassNamed("Lattice.register");
  EXPECT_NE(RegisterClassA(&windowClass), 0);
  EXPECT_EQ(RegisterClassA(&windowClass), 0) << "a class registered twice";
  const WNDCLASSA otherCase = ClassNamed("LATTICE.Register");
  EXPECT_EQ(RegisterClassA(&otherCase), 0) << "class names ignore case";
  const WNDCLASSA nameless = ClassNamed(nullptr);
  EXPECT_EQ(RegisterClassA(&nameless), 0);
  EXPECT_EQ(RegisterClassA(nullptr), 0);
  EXPECT_EQ(CreateWindowExA(0, "Lattice.never registered", "x", WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
}

TEST_F(Win32Window, HeadlessWindowHasItsClientSizeAndNoSdlWindow) {
  const HWND window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SdlWindowOf(window), nullptr);
  EXPECT_EQ(SdlWindowOf(nullptr), nullptr);
  RECT client{-1, -1, -1, -1};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.top, 0);
  EXPECT_EQ(client.right, 1024);
  EXPECT_EQ(client.bottom, 768);
  EXPECT_FALSE(GetClientRect(nullptr, &client));

  // Creation and the first show and update reach the procedure directly.
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_PAINT}));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "nothing was posted";
}

TEST_F(Win32Window, QueueIsFirstInFirstOutAndEmptiesToFalse) {
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  PostQuitMessage(3);
  PostQuitMessage(-1);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 3u) << "looking does not remove";
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 3u);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<int>(msg.wParam), -1) << "the exit code survives the round trip";
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Window, DispatchReachesOnlyLiveWindowsAndNeverForQuit) {
  const HWND window = Open();
  received.clear();
  const MSG key{window, WM_KEYDOWN, 'A', 1, 0, {}};
  EXPECT_EQ(DispatchMessageA(&key), 42) << "the procedure's result comes back";
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].window, window);
  EXPECT_EQ(received[0].wParam, WPARAM{'A'});

  received.clear();
  PostQuitMessage(0);
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE));
  TranslateMessage(&quit);
  EXPECT_EQ(DispatchMessageA(&quit), 0);
  const MSG quitForWindow{window, WM_QUIT, 0, 0, 0, {}};
  DispatchMessageA(&quitForWindow);
  const MSG noWindow{nullptr, WM_KEYDOWN, 'A', 1, 0, {}};
  DispatchMessageA(&noWindow);
  EXPECT_TRUE(received.empty());
}

TEST_F(Win32Window, DestroyDeliversWmDestroyBeforeReturning) {
  const HWND window = Open();
  received.clear();
  onMessage = [](HWND, UINT message) {
    if (message == WM_DESTROY) PostQuitMessage(0);
  };
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_DESTROY}));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << "only queued, so seen on a later turn";
}

TEST_F(Win32Window, DefaultCloseDestroysTheWindow) {
  const HWND window = Open();
  received.clear();
  EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_DESTROY}));
  RECT client;
  EXPECT_FALSE(GetClientRect(window, &client));
  EXPECT_EQ(DefWindowProcA(window, WM_KEYDOWN, VK_ESCAPE, 1), 0);
}

// The program destroys its window inside WM_KEYDOWN (Escape) and then still
// hands that message, with the dead handle, to DefWindowProcA.
TEST_F(Win32Window, DestroyedHandleStaysSafeToPass) {
  const HWND window = Open();
  received.clear();
  onMessage = [](HWND self, UINT message) {
    if (message == WM_KEYDOWN) {
      EXPECT_TRUE(DestroyWindow(self));
      EXPECT_EQ(DefWindowProcA(self, WM_KEYDOWN, VK_ESCAPE, 1), 0);
    }
    if (message == WM_DESTROY) {
      EXPECT_FALSE(DestroyWindow(self)) << "no second destruction";
    }
  };
  const MSG escape{window, WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
  DispatchMessageA(&escape);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_KEYDOWN, WM_DESTROY}));

  received.clear();
  onMessage = nullptr;
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
  RECT client{1, 2, 3, 4};
  EXPECT_FALSE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 3) << "a failed call leaves the rectangle alone";
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_FALSE(UpdateWindow(window));
  EXPECT_EQ(SdlWindowOf(window), nullptr);
  DispatchMessageA(&escape);
  EXPECT_TRUE(received.empty()) << "a destroyed window gets nothing";
}

TEST_F(Win32Window, WindowRefusedAtCreationIsDestroyed) {
  const WNDCLASSA windowClass{0, [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
                                received.push_back({window, message, wParam, lParam});
                                return LRESULT{message == WM_CREATE ? -1 : 0};
                              },
                              0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                              "Lattice.refused"};
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  EXPECT_EQ(CreateWindowExA(0, "Lattice.refused", "x", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
}

TEST_F(Win32Window, MessageBoxWithoutDisplayWritesToStandardError) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Failure: RegisterClass", nullptr, MB_ICONERROR), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Failure: RegisterClass\n")
      << "no caption means Windows' own, Error";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "text", "Caption", MB_OK), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Caption: text\n");
}

TEST_F(Win32Window, ClassesCanBeUnregisteredOnceTheirWindowsAreGone) {
  const HWND window = Open();
  EXPECT_FALSE(UnregisterClassA(className_.c_str(), nullptr)) << "a window of it still exists";
  DestroyWindow(window);
  EXPECT_TRUE(UnregisterClassA(className_.c_str(), nullptr));
  EXPECT_FALSE(UnregisterClassA(className_.c_str(), nullptr)) << "already gone";
  EXPECT_EQ(CreateWindowExA(0, className_.c_str(), "x", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  const WNDCLASSA again = ClassNamed(className_.c_str());
  EXPECT_NE(RegisterClassA(&again), 0) << "the name is free again";
  EXPECT_FALSE(UnregisterClassA("Lattice.never registered", nullptr));
}

TEST_F(Win32Window, PostedMessagesQueueInOrderForLiveWindowsOrTheThread) {
  const HWND window = Open();
  received.clear();
  EXPECT_TRUE(PostMessageA(window, WM_KEYDOWN, VK_RETURN, 1));
  EXPECT_TRUE(PostMessageA(nullptr, WM_NULL, 5, 0));
  PostQuitMessage(2);
  EXPECT_TRUE(received.empty()) << "posting does not call the procedure";
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(msg.wParam, WPARAM{VK_RETURN});
  DispatchMessageA(&msg);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 5u);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_KEYDOWN}));

  DestroyWindow(window);
  EXPECT_FALSE(PostMessageA(window, WM_KEYDOWN, VK_RETURN, 1)) << "no queue for a dead window";
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

// The log names each call as it was made, the box with its style, until the
// test stops it.
TEST_F(Win32Window, CallLogRecordsCallsInOrderWithTheirArguments) {
  std::vector<std::string> log;
  latticegas_win32::RecordCalls(&log);
  const HWND window = Open();
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  PostMessageA(window, WM_KEYDOWN, VK_DELETE, 1);
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  ::testing::internal::CaptureStderr();
  MessageBoxA(nullptr, "Failure: RegisterClass", nullptr, MB_ICONERROR);
  MessageBoxA(window, "text", "Caption", MB_OK);
  ::testing::internal::GetCapturedStderr();
  DestroyWindow(window);
  latticegas_win32::RecordCalls(nullptr);
  PostQuitMessage(0);
  const std::string name = '"' + className_ + '"';
  EXPECT_EQ(log, (std::vector<std::string>{
                     "RegisterClassA(" + name + ")",
                     "CreateWindowExA(" + name + ", \"Lattice gas simulation\", 0xcf0000, 1024, 768)",
                     "ShowWindow(1)",
                     "UpdateWindow()",
                     "PostMessageA(0x100, 0x2e)",
                     "PeekMessageA -> 0x100",
                     "TranslateMessage(0x100)",
                     "DispatchMessageA(0x100)",
                     "PeekMessageA -> none",
                     "MessageBoxA(null, \"Failure: RegisterClass\", null, 0x10)",
                     "MessageBoxA(window, \"text\", \"Caption\", 0x0)",
                     "DestroyWindow()",
                 }));
}

// Tests' own boxes (the support library's): standard error at once, even
// where a display could show them.
TEST_F(Win32Window, BoxesInTestsGoToStandardError) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Failed: CreateDevice (in InitD3D)", nullptr, MB_OK), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Failed: CreateDevice (in InitD3D)\n");
}

}  // namespace
