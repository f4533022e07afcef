// The Win32 core on a window system that only keeps a diary: the order in
// which the window procedure and the window system are called, the queue's
// filter rules, and what posted messages carry, with no display at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/window_registry.h"

namespace {

using latticegas_win32::ClassNames;
using latticegas_win32::ClientSize;
using latticegas_win32::WindowRegistry;
using latticegas_win32::WindowRequest;

// What the procedure and the window system did, in order; one diary at a time.
std::vector<std::string> diary;
WindowRegistry* registry = nullptr;
// What the procedure does besides writing the diary.
void (*onMessage)(HWND, UINT) = nullptr;

std::string Name(UINT message) {
  switch (message) {
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_PAINT: return "WM_PAINT";
    case WM_CLOSE: return "WM_CLOSE";
    default: return std::to_string(message);
  }
}

LRESULT CALLBACK DiaryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  diary.push_back(Name(message));
  if (onMessage != nullptr) onMessage(window, message);
  return registry->DefWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK RefusingProc(HWND window, UINT message, WPARAM, LPARAM) {
  diary.push_back(Name(message));
  return message == WM_CREATE ? -1 : registry->DefWindowProc(window, message, 0, 0);
}

class DiarySystem final : public latticegas_win32::WindowSystem {
 public:
  void MakeNative(HWND, const WindowRequest& request) override {
    diary.push_back(std::string("make ") + request.className + " \"" + request.title + "\"");
    made.push_back(request);
  }
  void ShowNative(HWND, bool visible) override { diary.push_back(visible ? "show" : "hide"); }
  void DestroyNative(HWND window) override {
    diary.push_back(registry->Live(window) == nullptr ? "destroy dead" : "destroy live");
  }
  ClientSize ClientSizeOf(HWND) override { return ClientSize{800, 600}; }
  void PumpInput(WindowRegistry& into) override {
    ++pumps;
    for (const MSG& message : input) into.Post(message);
    input.clear();
  }
  DWORD Now() override { return 1000; }
  POINT CursorOnScreen() override { return POINT{12, 34}; }
  void ShowMessageBox(HWND, const char*, const char*, UINT) override {}

  std::vector<WindowRequest> made;
  std::vector<MSG> input;  // posted at the next pump
  int pumps = 0;
};

class Win32Core : public ::testing::Test {
 protected:
  void SetUp() override {
    registry = &registry_;
    diary.clear();
    onMessage = nullptr;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DiaryProc;
    windowClass.lpszClassName = "Lattice.core";
    atom_ = registry_.RegisterClass(&windowClass);
    ASSERT_NE(atom_, 0);
  }
  void TearDown() override { registry = nullptr; }

  HWND Open(DWORD style = WS_OVERLAPPEDWINDOW) {
    const HWND window = registry_.CreateWindow("Lattice.core", "Lattice", style, CW_USEDEFAULT,
                                               CW_USEDEFAULT, 1024, 768);
    EXPECT_NE(window, nullptr);
    return window;
  }

  void Post(HWND window, UINT message, WPARAM wParam = 0) {
    EXPECT_TRUE(registry_.PostMessage(window, message, wParam, 0));
  }

  // What PeekMessageA finds with that filter: window and message, or "none".
  std::string Peek(HWND window, UINT first, UINT last, UINT remove = PM_NOREMOVE) {
    MSG msg{};
    if (!registry_.PeekMessage(&msg, window, first, last, remove)) return "none";
    return Label(msg.hwnd) + " " + Name(msg.message);
  }

  std::string Label(HWND window) const {
    if (window == nullptr) return "thread";
    return window == a_ ? "a" : window == b_ ? "b" : "other";
  }

  DiarySystem system_;
  WindowRegistry registry_{system_, ClassNames::namesOrAtoms};
  ATOM atom_ = 0;
  HWND a_ = nullptr;
  HWND b_ = nullptr;
};

TEST_F(Win32Core, WindowIsMadeBeforeWmCreateAndShownAndPaintedOnlyWhenAsked) {
  a_ = registry_.CreateWindow("LATTICE.CORE", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 5, 6,
                              CW_USEDEFAULT, 0);
  ASSERT_NE(a_, nullptr);
  EXPECT_EQ(diary, (std::vector<std::string>{"make Lattice.core \"\"", "WM_CREATE", "show"}))
      << "the class as registered, no title as empty";
  ASSERT_EQ(system_.made.size(), 1u);
  const WindowRequest& request = system_.made[0];
  EXPECT_EQ(request.style, DWORD{WS_OVERLAPPEDWINDOW | WS_VISIBLE});
  EXPECT_EQ(request.x, 5);
  EXPECT_EQ(request.y, 6);
  EXPECT_EQ(request.width, CW_USEDEFAULT) << "sizes reach the window system as passed";
  EXPECT_EQ(request.height, 0);

  diary.clear();
  EXPECT_TRUE(registry_.UpdateWindow(a_));
  EXPECT_TRUE(registry_.UpdateWindow(a_));
  EXPECT_EQ(registry_.ShowWindow(a_, SW_HIDE), TRUE) << "it was visible";
  EXPECT_EQ(registry_.ShowWindow(a_, SW_HIDE), FALSE);
  EXPECT_EQ(diary, (std::vector<std::string>{"WM_PAINT", "hide", "hide"})) << "one first paint";

  RECT client{};
  ASSERT_TRUE(registry_.GetClientRect(a_, &client));
  EXPECT_EQ(client.right, 800) << "the window system's size";
  EXPECT_EQ(client.bottom, 600);

  diary.clear();
  b_ = Open(WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(registry_.UpdateWindow(b_));
  EXPECT_EQ(diary, (std::vector<std::string>{"make Lattice.core \"Lattice\"", "WM_CREATE"}))
      << "a hidden window is not painted";
}

TEST_F(Win32Core, RefusedWindowIsDestroyedWithItsNativeWindow) {
  WNDCLASSA refusing{};
  refusing.lpfnWndProc = RefusingProc;
  refusing.lpszClassName = "Lattice.refusing";
  ASSERT_NE(registry_.RegisterClass(&refusing), 0);
  EXPECT_EQ(registry_.CreateWindow("Lattice.refusing", "x", WS_VISIBLE, 0, 0, 10, 10), nullptr);
  EXPECT_EQ(diary, (std::vector<std::string>{"make Lattice.refusing \"x\"", "WM_CREATE",
                                             "WM_DESTROY", "destroy dead"}))
      << "nor shown";
}

// In WM_DESTROY the window is still alive (its device may still be released
// through it) and marked; then it dies, its queued messages go, even those
// posted in WM_DESTROY, and only then its native window.
TEST_F(Win32Core, DestroyWindowSendsWmDestroyThenDropsTheQueueThenTheNativeWindow) {
  a_ = Open();
  b_ = Open();
  Post(a_, WM_KEYDOWN, 'A');
  Post(nullptr, WM_NULL);
  Post(b_, WM_KEYDOWN, 'B');
  Post(a_, WM_LBUTTONDOWN);
  onMessage = [](HWND self, UINT message) {
    if (message != WM_DESTROY) return;
    const latticegas_win32::Window* window = registry->Live(self);
    diary.push_back(window != nullptr && window->destroying ? "alive, destroying" : "wrong");
    EXPECT_TRUE(registry->PostMessage(self, WM_KEYDOWN, 'C', 0));
    EXPECT_FALSE(registry->DestroyWindow(self)) << "no second destruction";
  };
  diary.clear();
  ASSERT_TRUE(registry_.DestroyWindow(a_));
  EXPECT_EQ(diary,
            (std::vector<std::string>{"WM_DESTROY", "alive, destroying", "destroy dead"}));

  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "thread 0");
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "b 256") << "other windows keep theirs";
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "none");
  EXPECT_EQ(registry_.Live(a_), nullptr);
  EXPECT_NE(registry_.Live(b_), nullptr);
  EXPECT_FALSE(registry_.PostMessage(a_, WM_KEYDOWN, 'D', 0));
}

TEST_F(Win32Core, PeekFiltersByWindowAndRangeButAlwaysFindsTheQuitMessage) {
  a_ = Open();
  b_ = Open();
  Post(a_, WM_KEYDOWN);
  Post(b_, WM_LBUTTONDOWN);
  Post(nullptr, WM_KEYUP);
  Post(a_, WM_MOUSEWHEEL);

  EXPECT_EQ(Peek(a_, 0, 0), "a 256");
  EXPECT_EQ(Peek(b_, 0, 0), "b 513");
  EXPECT_EQ(Peek(nullptr, WM_MOUSEMOVE, WM_MOUSEWHEEL), "b 513") << "the first in the range";
  EXPECT_EQ(Peek(a_, WM_MOUSEMOVE, WM_MOUSEWHEEL, PM_REMOVE), "a 522");
  EXPECT_EQ(Peek(a_, WM_MOUSEMOVE, WM_MOUSEWHEEL), "none") << "taken";
  EXPECT_EQ(Peek(a_, WM_KEYUP, WM_KEYUP), "none") << "the thread's messages are no window's";
  EXPECT_EQ(Peek(nullptr, WM_KEYUP, WM_KEYUP), "thread 257");
  EXPECT_EQ(Peek(b_, WM_CLOSE, WM_CLOSE), "none");

  registry_.PostQuitMessage(0);
  EXPECT_EQ(Peek(b_, WM_CLOSE, WM_CLOSE), "thread 18") << "WM_QUIT matches any filter";
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "a 256");
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "b 513");
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "thread 257");
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "thread 18") << "looking left the order alone";
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "none");
}

TEST_F(Win32Core, EveryLookAtTheQueuePumpsAndMessagesCarryTheTimeAndCursor) {
  a_ = Open();
  system_.input = {MSG{a_, WM_KEYDOWN, 'A', 0, 0, {}}, MSG{a_, WM_KEYDOWN, 'B', 0, 77, {}}};
  MSG msg{};
  ASSERT_TRUE(registry_.PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(system_.pumps, 1);
  EXPECT_EQ(msg.time, 1000u) << "the window system's time when the input had none";
  EXPECT_EQ(msg.pt.x, 12);
  EXPECT_EQ(msg.pt.y, 34);
  ASSERT_TRUE(registry_.PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.time, 77u) << "the input's own time";
  EXPECT_EQ(msg.pt.x, 12);
  EXPECT_FALSE(registry_.PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(system_.pumps, 3) << "also when nothing is found";

  registry_.PostQuitMessage(-2);
  ASSERT_TRUE(registry_.PeekMessage(&msg, a_, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(msg.time, 1000u);
  EXPECT_EQ(static_cast<int>(msg.wParam), -2);
}

// SDL's quit after its last window's close request: every live window is
// asked once, whatever came before.
TEST_F(Win32Core, CloseRequestToEveryWindowAsksEachLiveWindowOnce) {
  a_ = Open();
  b_ = Open();
  const HWND gone = Open();
  registry_.DestroyWindow(gone);
  Post(b_, WM_CLOSE);
  registry_.PostCloseToEveryWindow();
  registry_.PostCloseToEveryWindow();
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "b WM_CLOSE");
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "a WM_CLOSE");
  EXPECT_EQ(Peek(nullptr, 0, 0, PM_REMOVE), "none");
}

TEST_F(Win32Core, ClassesAreFoundByNameInAnyCaseOrByTheirAtom) {
  const LPCSTR byAtom = MAKEINTRESOURCEA(atom_);
  a_ = registry_.CreateWindow(byAtom, "x", 0, 0, 0, 10, 10);
  ASSERT_NE(a_, nullptr);
  EXPECT_STREQ(system_.made.back().className, "Lattice.core");
  EXPECT_EQ(registry_.CreateWindow(MAKEINTRESOURCEA(5), "x", 0, 0, 0, 10, 10), nullptr);
  EXPECT_EQ(registry_.CreateWindow(MAKEINTRESOURCEA(atom_ + 1), "x", 0, 0, 0, 10, 10), nullptr);
  WNDCLASSA named{};
  named.lpszClassName = MAKEINTRESOURCEA(7);
  EXPECT_EQ(registry_.RegisterClass(&named), 0) << "an atom is no name";

  registry_.DestroyWindow(a_);
  EXPECT_TRUE(registry_.UnregisterClass(byAtom));
  EXPECT_EQ(registry_.CreateWindow(byAtom, "x", 0, 0, 0, 10, 10), nullptr)
      << "an unregistered class's atom";
  named.lpszClassName = "lattice.CORE";
  const ATOM again = registry_.RegisterClass(&named);
  EXPECT_NE(again, 0);
  EXPECT_NE(again, atom_) << "a new class, a new atom";
  EXPECT_NE(registry_.CreateWindow(MAKEINTRESOURCEA(again), "x", 0, 0, 0, 10, 10), nullptr);
}

}  // namespace
