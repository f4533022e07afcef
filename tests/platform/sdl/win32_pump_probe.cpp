// A window that logs every message its procedure receives, one line each, to
// standard output, and ends on Escape or a close request, the way the program
// does. Title: LATTICEGAS_PROBE_TITLE, or "Lattice pump probe".
//   create | paint | destroy | close      the message itself
//   key <vk> / syskey <vk>                WM_KEYDOWN / WM_SYSKEYDOWN
//   lbutton <x> <y> / rbutton <x> <y>     client pixel of the click
//   wheel <delta>                         signed high word of wParam
//   client <width> <height>               GetClientRect, after showing
//   exit <code>                           the quit message's wParam
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/win32_api.h"

namespace {

void Log(const char* format, long long a = 0, long long b = 0) {
  std::printf(format, a, b);
  std::printf("\n");
  std::fflush(stdout);
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: Log("create"); break;
    case WM_PAINT: Log("paint"); break;
    case WM_CLOSE: Log("close"); break;
    case WM_DESTROY:
      Log("destroy");
      PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      Log("key %lld", static_cast<long long>(wParam));
      if (wParam == VK_ESCAPE) DestroyWindow(window);  // then on with a dead handle
      break;
    case WM_SYSKEYDOWN: Log("syskey %lld", static_cast<long long>(wParam)); break;
    case WM_LBUTTONDOWN: Log("lbutton %lld %lld", LOWORD(lParam), HIWORD(lParam)); break;
    case WM_RBUTTONDOWN: Log("rbutton %lld %lld", LOWORD(lParam), HIWORD(lParam)); break;
    case WM_MOUSEWHEEL: Log("wheel %lld", GET_WHEEL_DELTA_WPARAM(wParam)); break;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ProbeProc;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "Lattice";
  if (RegisterClassA(&windowClass) == 0) {
    MessageBoxA(nullptr, "Failure: RegisterClass", nullptr, MB_ICONERROR);
    return 1;
  }
  const char* title = std::getenv("LATTICEGAS_PROBE_TITLE");
  const HWND window =
      CreateWindowExA(0, "Lattice", title != nullptr ? title : "Lattice pump probe",
                      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768, nullptr,
                      nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  RECT client{};
  GetClientRect(window, &client);
  Log("client %lld %lld", client.right - client.left, client.bottom - client.top);

  MSG msg{};
  msg.message = WM_NULL;
  while (msg.message != WM_QUIT) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      // Nothing to draw here; spare the shared CPU while idle.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  Log("exit %lld", static_cast<long long>(msg.wParam));
  return static_cast<int>(msg.wParam);
}
