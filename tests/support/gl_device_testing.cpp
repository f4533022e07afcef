// Devices of our Direct3D on OpenGL that tests can reach into: made by this
// Direct3DCreate9, which links in place of the program's own.
#include "platform/gl/gl_device.h"
#include "support/gl_device_testing.h"

#include <utility>

namespace latticegas_gl {
namespace {

class TestedDevice final : public GlDevice {
 public:
  using GlDevice::GlDevice;

  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* dirty) override {
    if (presentHook && MakeCurrent()) {
      ChooseTarget();
      presentHook();
    }
    ++frames;
    return GlDevice::Present(source, dest, window, dirty);
  }

  std::vector<uint8_t> ReadPixels() {
    std::vector<uint8_t> pixels;
    if (!MakeCurrent()) return pixels;
    const GLsizei width = static_cast<GLsizei>(backBufferWidth());
    const GLsizei height = static_cast<GLsizei>(backBufferHeight());
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    ChooseTarget();
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, drawingToWindow_ ? 0 : backBuffer_.framebuffer());
    if (drawingToWindow_) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL counts rows from the bottom.
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    for (GLsizei y = 0; y < height / 2; ++y)
      std::swap_ranges(pixels.begin() + y * row, pixels.begin() + (y + 1) * row,
                       pixels.begin() + (height - 1 - y) * row);
    return pixels;
  }

  std::function<void()> presentHook;
  uint64_t frames = 0;
};

std::function<void(IDirect3DDevice9*)>& DeviceCreatedHook() {
  static std::function<void(IDirect3DDevice9*)> hook;
  return hook;
}

class TestedDirect3D final : public GlDirect3D {
 public:
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** device) override {
    const HRESULT result = GlDirect3D::CreateDevice(adapter, type, focus, flags, pp, device);
    if (result == D3D_OK && DeviceCreatedHook()) DeviceCreatedHook()(*device);
    return result;
  }

 private:
  GlDevice* NewDevice(SDL_Window* window, SDL_GLContext context, const GlFunctions& gl,
                      const D3DPRESENT_PARAMETERS& pp, UINT width, UINT height) override {
    return new TestedDevice(window, context, gl, pp, width, height);
  }
};

TestedDevice* Ours(IDirect3DDevice9* device) { return dynamic_cast<TestedDevice*>(device); }

}  // namespace

bool GetDeviceOptions(IDirect3DDevice9* device, DeviceOptions* options) {
  TestedDevice* gl = Ours(device);
  if (gl == nullptr || options == nullptr) return false;
  *options = gl->options();
  return true;
}

bool SetDeviceOptions(IDirect3DDevice9* device, const DeviceOptions& options) {
  TestedDevice* gl = Ours(device);
  if (gl == nullptr) return false;
  gl->SetOptions(options);
  return true;
}

void SetDeviceCreatedHook(std::function<void(IDirect3DDevice9*)> hook) {
  DeviceCreatedHook() = std::move(hook);
}

bool SetPresentHook(IDirect3DDevice9* device, std::function<void()> hook) {
  TestedDevice* gl = Ours(device);
  if (gl == nullptr) return false;
  gl->presentHook = std::move(hook);
  return true;
}

std::vector<uint8_t> ReadBackBuffer(IDirect3DDevice9* device) {
  TestedDevice* gl = Ours(device);
  return gl == nullptr ? std::vector<uint8_t>{} : gl->ReadPixels();
}

uint64_t PresentedFrames(IDirect3DDevice9* device) {
  TestedDevice* gl = Ours(device);
  return gl == nullptr ? 0 : gl->frames;
}

}  // namespace latticegas_gl

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
  if (!latticegas_gl::OpenGlAvailable(SDKVersion)) return nullptr;
  return new latticegas_gl::TestedDirect3D();
}
