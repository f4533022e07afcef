// Frames per second of the program's own frame loop turn (messages, then
// DrawFrame: clear, links and nodes, particles, present) on a real window with
// the OpenGL device: the start-up grid with randomised particles, seen from the
// start, after 8 and after 25 zoom-outs (the whole grid), and from so close
// that nothing is drawn; with the device as it was and as it is now. The simulation is paced by frames, so this is its speed.
// Needs a display (bench/e2e/frames.sh makes one); compare the pairs from one
// run, with --benchmark_enable_random_interleaving and repetitions.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "lattice/hex_grid.h"
#include "support/gl_device_testing.h"

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

// The device as it was (no culling, drawing offscreen and copying the frame
// at Present), with culling only, as the program has it, and as it has it
// with the quick single-precision test at every draw's first sight (a moving
// particle's every sight), which the web's stream uses.
enum Device { kBefore = 0, kCullingOnly = 1, kShipped = 2, kQuickFirstSight = 3 };

latticegas_gl::DeviceOptions OptionsFor(Device device) {
  latticegas_gl::DeviceOptions options;  // what the program gets
  if (device == kShipped) return options;
  if (device == kQuickFirstSight) {
    options.culling.firstSight = true;
    return options;
  }
  options.directToWindow = false;
  options.flushEvery = 0;
  if (device == kBefore) options.culling = latticegas_d3d9::CullingOptions{false, false, false};
  return options;
}

void Measure(benchmark::State& state, const latticegas_gl::DeviceOptions& options) {
  if (!StartProgram()) {
    state.SkipWithError("no window or device: run on a display with OpenGL");
    return;
  }
  camera = Camera(20.0f);
  for (int i = 0; i < state.range(0); ++i) camera.Zoom(-1.0f);
  for (int i = 0; i > state.range(0); --i) camera.Zoom(+1.0f);
  latticegas_gl::SetDeviceOptions(graphics.device, options);
  for (int i = 0; i < 5; ++i) Turn();

  // Frames counted where they are presented. OpenGL calls and triangles per
  // frame: run one benchmark at a time with bench/gl_calls' counter preloaded.
  // CPU per frame, ms: this thread's (the program's and the driver's work
  // on it) and the rest of the process (the renderer's raster threads).
  const uint64_t before = latticegas_gl::PresentedFrames(graphics.device);
  const double threadBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  for (auto _ : state) Turn();
  const double thread = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore;
  const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
  const double frames = static_cast<double>(latticegas_gl::PresentedFrames(graphics.device) - before);
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["mainMs"] = 1e3 * thread / frames;
  state.counters["otherMs"] = 1e3 * (process - thread) / frames;
}

// Arguments: zoom steps from the start view, out when positive, in when
// negative (40 in puts the plane nearer than the near clipping plane, so
// nothing is drawn: a frame's fixed cost); the device.
void BM_Device(benchmark::State& state) {
  Measure(state, OptionsFor(static_cast<Device>(state.range(1))));
}
BENCHMARK(BM_Device)
    ->ArgNames({"zoomOuts", "device"})
    ->ArgsProduct({{-40, 0, 8, 25}, {kBefore, kCullingOnly, kShipped, kQuickFirstSight}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

// For tuning: every how many draws the software renderer is told to start
// rasterising (0: only at Present), with everything else as shipped.
void BM_FlushEvery(benchmark::State& state) {
  latticegas_gl::DeviceOptions options;
  options.flushEvery = static_cast<unsigned>(state.range(1));
  Measure(state, options);
}
BENCHMARK(BM_FlushEvery)
    ->ArgNames({"zoomOuts", "flushEvery"})
    ->ArgsProduct({{0, 8, 25}, {0, 150, 400, 1000}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

}  // namespace
