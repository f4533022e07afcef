#pragma once
// For tests and benchmarks only (the latticegas_gl_testing library, which
// links in place of the program's Direct3DCreate9): the program's own
// Direct3D on OpenGL, each device it makes handed out behind one of ours that
// passes every call on, so that a test can watch the frames, read them back,
// and have a frame's meshes drawn by a reference instead of the device. It
// reaches the program's device only through the Direct3D 9 interface, and
// OpenGL only as any program may.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9_api.h"

namespace latticegas_gl {

// Runs `hook` with every device our CreateDevice makes, as soon as it is made;
// so a test can reach the device of a program it starts whole.
void SetDeviceCreatedHook(std::function<void(IDirect3DDevice9*)> hook);

// Runs `hook` in every Present, after the frame is drawn and before it is
// shown: the back buffer then holds the finished frame. False for a device
// that is not ours (a headless one, say).
bool SetPresentHook(IDirect3DDevice9* device, std::function<void()> hook);

// The back buffer's pixels, RGBA, rows from the top, read from the
// framebuffer the frame was drawn in: call it from a present hook. Empty for a
// device that is not ours.
std::vector<uint8_t> ReadBackBuffer(IDirect3DDevice9* device);

// Who draws the meshes drawn on one of our devices, from the next draw on:
//   kDevice           the device, as in the program
//   kReference        the reference: each mesh sent to OpenGL whole, with
//                     plain fixed-function OpenGL, from the state the device
//                     holds (read back through IDirect3DDevice9) and with
//                     nothing kept from one draw to the next
//   kReferenceCulled  the reference, sending only the triangles that a draw
//                     culler of its own keeps (SetReferenceCulling)
// The device still clears and presents, and sees no draw the reference makes.
enum class Drawer { kDevice, kReference, kReferenceCulled };
bool SetDrawer(IDirect3DDevice9* device, Drawer drawer);

// The tests the reference's culler makes; it starts with the defaults, and
// forgets what it kept when they change.
bool SetReferenceCulling(IDirect3DDevice9* device, const latticegas_d3d9::CullingOptions& options);

}  // namespace latticegas_gl
