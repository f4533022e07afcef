#pragma once
// For tests and benchmarks only (the latticegas_gl_testing library, which
// links in place of the program's Direct3DCreate9): devices made by our
// Direct3D on OpenGL, with switches, read-back and a frame count. The program
// never has these; it always draws with the default options.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/d3d9_api.h"
#include "platform/gl/device_options.h"

namespace latticegas_gl {

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

// Frames presented since the device was made; 0 for a device not ours.
uint64_t PresentedFrames(IDirect3DDevice9* device);

}  // namespace latticegas_gl
