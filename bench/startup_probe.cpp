// The program timed from inside, from process start to its first frame.
//
//   startup_probe START_NS           the program's own WinMain; the first
//                                    Present ends it
//   startup_probe START_NS phases    the same start-up steps one by one
//
// START_NS is the caller's CLOCK_MONOTONIC time, in nanoseconds, when it
// started the process. Prints each moment in milliseconds from then: main
// entered, and either the device made, the first frame drawn and shown; or
// the window made and shown, the device ready, the grid built, the first
// frame drawn and shown. bench/e2e/startup.sh runs it on a virtual display,
// with Mesa's shader cache cold and warm.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"
#include "support/gl_device_testing.h"
#include "platform/win32_api.h"

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

HINSTANCE__ module{};
double started = 0.0;
double frameDrawn = 0.0;

void Report(const char* moment, double at) { std::printf(" %s %.1f", moment, at - started); }

// Ends the frame loop after the first frame.
void StopAtFirstPresent(IDirect3DDevice9* device) {
  latticegas_gl::SetPresentHook(device, [] {
    if (frameDrawn != 0.0) return;
    frameDrawn = Now();
    PostQuitMessage(0);
  });
}

int Whole() {
  double deviceMade = 0.0;
  latticegas_gl::SetDeviceCreatedHook([&](IDirect3DDevice9* device) {
    deviceMade = Now();
    StopAtFirstPresent(device);
  });
  char commandLine[] = "";
  const int code = WinMain(&module, nullptr, commandLine, SW_SHOWNORMAL);
  const double shown = Now();
  if (code != 0 || frameDrawn == 0.0) return 1;
  Report("device", deviceMade);
  Report("drawn", frameDrawn);
  Report("shown", shown);
  return 0;
}

// WinMain's steps, each timed.
int Phases() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "Lattice";
  if (RegisterClassA(&windowClass) == 0) return 1;
  HWND window = CreateWindowExA(0, "Lattice", "Lattice gas simulation", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768, nullptr, nullptr,
                                &module, nullptr);
  Report("window", Now());
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  Report("shown", Now());
  if (!graphics.InitD3D(window, 1024, 768)) return 1;
  Report("device", Now());
  BuildHexGrid(lattice, gridCentre, 25);
  Report("grid", Now());
  StopAtFirstPresent(graphics.device);
  DrawFrame();
  Report("drawn", frameDrawn);
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  Report("presented", Now());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const double entered = Now();
  started = argc > 1 ? std::strtod(argv[1], nullptr) / 1e6 : entered;
  Report("main", entered);
  const int code = argc > 2 && std::strcmp(argv[2], "phases") == 0 ? Phases() : Whole();
  std::printf("\n");
  if (code != 0) std::fprintf(stderr, "the program ended before its first frame\n");
  return code;
}
