#pragma once
// Reached only by tests and benchmarks: switches and read-back of a device
// made by our Direct3DCreate9 on OpenGL. The program never calls these; it
// always draws with every culling on.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9_api.h"

namespace latticegas_gl {

struct DeviceOptions {
  latticegas_d3d9::CullingOptions culling;
  // Software renderers that bin the whole frame before rasterising are told
  // to start on what they have every this many draws (0: only at Present),
  // so that their raster threads work while the frame is still being drawn.
  // Measured with Mesa's llvmpipe on two cores, whole grid in view: 400 draws
  // gave about 15 % more frames than none, 1000 a little less, 150 fewer
  // than none (each flush makes it load and store the frame's tiles again).
  unsigned flushEvery = 400;
  // Draw straight into the window when it is the back buffer's size.
  bool directToWindow = true;
};

// False for a device that is not ours (a headless one, say).
bool GetDeviceOptions(IDirect3DDevice9* device, DeviceOptions* options);
bool SetDeviceOptions(IDirect3DDevice9* device, const DeviceOptions& options);

// Runs `hook` with every device our CreateDevice makes, as soon as it is made;
// so a test can reach the device of a program it starts whole.
void SetDeviceCreatedHook(std::function<void(IDirect3DDevice9*)> hook);

// Runs `hook` in every Present, after the frame is drawn and before it is
// shown: the back buffer then holds the finished frame.
bool SetPresentHook(IDirect3DDevice9* device, std::function<void()> hook);

// The back buffer's pixels, RGBA, rows from the top; empty for a device that
// is not ours.
std::vector<uint8_t> ReadBackBuffer(IDirect3DDevice9* device);

// Frames presented so far, and draws handed to OpenGL / skipped whole since
// the device was made.
struct DeviceCounters {
  uint64_t frames = 0;
  uint64_t draws = 0;
  uint64_t skipped = 0;
};
bool GetDeviceCounters(IDirect3DDevice9* device, DeviceCounters* counters);

}  // namespace latticegas_gl
