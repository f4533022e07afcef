// Frames per second of the program's own frame loop turn (messages, then
// DrawFrame: clear, links and nodes, particles, present) on a real window with
// the program's OpenGL device: the start-up grid with randomised particles,
// seen from the start, after 8 and after 25 zoom-outs (the whole grid), and
// from so close that nothing is drawn. The simulation is paced by frames, so
// this is its speed; each turn presents one frame.
// Needs a display. To compare two versions of the device, run the builds of
// both turn about (bench/e2e/frames.sh takes a second build folder).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// The program's start-up, without its loop: window, device, grid, then
// particles from a fixed seed.
bool StartProgram() {
  static const bool started = [] {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "Lattice";
    if (RegisterClassA(&windowClass) == 0) return false;
    HWND window = CreateWindowExA(0, "Lattice", "Lattice gas simulation", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr,
                                  nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (!graphics.InitD3D(window, kWidth, kHeight)) return false;
    BuildHexGrid(lattice, gridCentre, 25);
    std::srand(1);
    lattice.RandomizeParticles();
    return true;
  }();
  return started;
}

double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Turn() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DrawFrame();
}

// Argument: zoom steps from the start view, out when positive, in when
// negative (40 in puts the plane nearer than the near clipping plane, so
// nothing is drawn: a frame's fixed cost).
void BM_Frame(benchmark::State& state) {
  if (!StartProgram()) {
    state.SkipWithError("no window or device: run on a display with OpenGL");
    return;
  }
  camera = Camera(20.0f);
  for (int i = 0; i < state.range(0); ++i) camera.Zoom(-1.0f);
  for (int i = 0; i > state.range(0); --i) camera.Zoom(+1.0f);
  for (int i = 0; i < 5; ++i) Turn();

  // OpenGL calls and triangles per frame: run one view at a time with
  // bench/gl_calls' counter preloaded. CPU per frame, ms: this thread's (the
  // program's and the driver's work on it) and the rest of the process (the
  // renderer's raster threads).
  const double threadBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  for (auto _ : state) Turn();
  const double thread = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore;
  const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
  const auto frames = static_cast<double>(state.iterations());
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["mainMs"] = 1e3 * thread / frames;
  state.counters["otherMs"] = 1e3 * (process - thread) / frames;
}
BENCHMARK(BM_Frame)
    ->ArgName("zoomOuts")
    ->Arg(-40)
    ->Arg(0)
    ->Arg(8)
    ->Arg(25)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

}  // namespace
