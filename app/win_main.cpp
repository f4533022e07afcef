// Start-up, the window and the frame loop.
#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kRings = 25;
// A failed start is not a success: the program ends at once with this code.
constexpr int kStartFailed = 1;

bool RegisterWindowClass() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = nullptr;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = "Lattice";
  return RegisterClassA(&windowClass) != 0;
}

// Drains the queue one message per turn and draws a frame in every turn that
// finds it empty; ends on the turn that retrieves the quit message.
int RunFrameLoop() {
  MSG message{};
  message.message = 0;
  while (true) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else {
      DrawFrame();
    }
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
  if (!RegisterWindowClass()) {
    MessageBoxA(nullptr, "Failure: RegisterClass", nullptr, MB_ICONERROR);
    return kStartFailed;
  }
  HWND window = CreateWindowExA(0, "Lattice", "Lattice gas simulation", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr,
                                instance, nullptr);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  if (!graphics.InitD3D(window, kWidth, kHeight)) {
    // The box has been shown; without a device nothing can be drawn.
    DestroyWindow(window);
    return kStartFailed;
  }
  BuildHexGrid(lattice, gridCentre, kRings);
  return RunFrameLoop();
}
