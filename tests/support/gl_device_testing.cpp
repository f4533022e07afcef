// The program's Direct3D on OpenGL behind a Direct3DCreate9 of our own, which
// links in place of the program's: every device it makes is handed out
// behind a WatchedDevice, which passes each call on.
#include "support/gl_device_testing.h"

// The window system's names first: OpenGL's header only fills in what is missing.
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"
#include "platform/d3d9/ref_counted.h"
#include "platform/gl/gl_direct3d.h"
#include "platform/gl_common/gl_core.h"

#include <SDL.h>

#include <span>
#include <utility>

namespace latticegas_gl {
namespace {

using latticegas_d3d9::Mesh;
using latticegas_d3d9::Vertex;

// Direct3D's lights as OpenGL takes them: only the first eight indices, which
// is all the program uses.
constexpr DWORD kLights = 8;

struct Rgba {
  explicit Rgba(const D3DCOLORVALUE& c) : v{c.r, c.g, c.b, c.a} {}
  GLfloat v[4];
};

class WatchedDevice final : public latticegas_d3d9::RefCounted<IDirect3DDevice9> {
 public:
  WatchedDevice(IDirect3DDevice9* device, const D3DPRESENT_PARAMETERS& pp)
      : device_(device),
        width_(pp.BackBufferWidth),
        height_(pp.BackBufferHeight),
        depthBuffer_(pp.EnableAutoDepthStencil != FALSE) {
    BindBuffer_ = reinterpret_cast<PFNGLBINDBUFFERPROC>(SDL_GL_GetProcAddress("glBindBuffer"));
  }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE s, const D3DMATRIX* m) override { return device_->SetTransform(s, m); }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE s, D3DMATRIX* m) override { return device_->GetTransform(s, m); }
  HRESULT SetViewport(const D3DVIEWPORT9* v) override { return device_->SetViewport(v); }
  HRESULT GetViewport(D3DVIEWPORT9* v) override { return device_->GetViewport(v); }
  HRESULT SetMaterial(const D3DMATERIAL9* m) override { return device_->SetMaterial(m); }
  HRESULT GetMaterial(D3DMATERIAL9* m) override { return device_->GetMaterial(m); }
  HRESULT SetLight(DWORD i, const D3DLIGHT9* l) override { return device_->SetLight(i, l); }
  HRESULT GetLight(DWORD i, D3DLIGHT9* l) override { return device_->GetLight(i, l); }
  HRESULT LightEnable(DWORD i, BOOL on) override { return device_->LightEnable(i, on); }
  HRESULT GetLightEnable(DWORD i, BOOL* on) override { return device_->GetLightEnable(i, on); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override { return device_->SetRenderState(s, v); }
  HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override { return device_->GetRenderState(s, v); }
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                DWORD stencil) override {
    return device_->Clear(count, rects, flags, colour, z, stencil);
  }
  HRESULT BeginScene() override { return device_->BeginScene(); }
  HRESULT EndScene() override { return device_->EndScene(); }

  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* dirty) override {
    if (referenceDrew_) {
      RestoreDeviceState();
      culler_.EndFrame();
    }
    if (presentHook) presentHook();
    return device_->Present(source, dest, window, dirty);
  }

  void DrawMesh(Mesh& mesh) override {
    if (drawer == Drawer::kDevice) {
      device_->DrawMesh(mesh);
    } else {
      DrawReference(mesh);
    }
  }

  // Rows from the bottom, as OpenGL reads them; the frame's Clear bound its
  // framebuffer for reading and drawing.
  std::vector<uint8_t> ReadPixels() const {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width_) * height_ * 4);
    GLint framebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &framebuffer);
    if (framebuffer == 0) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels.data());
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    for (UINT y = 0; y < height_ / 2; ++y)
      std::swap_ranges(pixels.begin() + y * row, pixels.begin() + (y + 1) * row,
                       pixels.begin() + (height_ - 1 - y) * row);
    return pixels;
  }

  void SetReferenceCulling(const latticegas_d3d9::CullingOptions& options) { culler_.SetOptions(options); }

  std::function<void()> presentHook;
  Drawer drawer = Drawer::kDevice;

 private:
  ~WatchedDevice() override { device_->Release(); }

  DWORD State(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    device_->GetRenderState(state, &value);
    return value;
  }

  // The device sends OpenGL only what changed since its last draw: what the
  // reference sets is put back before the device draws again.
  void SaveDeviceState() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer_);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    referenceDrew_ = true;
  }

  void RestoreDeviceState() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    BindBuffer_(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer_));
    glPopClientAttrib();
    glPopAttrib();
    referenceDrew_ = false;
  }

  // Direct3D's fixed-function state in OpenGL's terms, all of it at every
  // draw: the projection with Direct3D's depth range and sample points, the
  // viewport with rows from the bottom, lights placed in world space, the
  // material, then world x view.
  void DrawReference(Mesh& mesh) {
    if (BindBuffer_ == nullptr) return;
    if (!referenceDrew_) SaveDeviceState();
    D3DMATRIX world, view, projection;
    D3DVIEWPORT9 viewport;
    device_->GetTransform(D3DTS_WORLD, &world);
    device_->GetTransform(D3DTS_VIEW, &view);
    device_->GetTransform(D3DTS_PROJECTION, &projection);
    device_->GetViewport(&viewport);
    const D3DMATRIX modelView = latticegas_d3d9::MatrixProduct(world, view);

    std::span<const uint16_t> triangles(mesh.indices());
    if (drawer == Drawer::kReferenceCulled) {
      GLint subpixelBits = 0;
      glGetIntegerv(GL_SUBPIXEL_BITS, &subpixelBits);
      culler_.SetRaster(latticegas_d3d9::RasterSetup{projection, viewport, State(D3DRS_CULLMODE),
                                                     State(D3DRS_FILLMODE), false,
                                                     subpixelBits > 0 ? subpixelBits : 4});
      triangles = culler_.Cull(mesh, modelView).indices;
    }
    if (triangles.empty()) return;

    const D3DMATRIX clip = latticegas_d3d9::GlClipProjection(projection, viewport);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&clip.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    glViewport(static_cast<GLint>(viewport.X),
               static_cast<GLint>(height_ - viewport.Y - viewport.Height),
               static_cast<GLsizei>(viewport.Width), static_cast<GLsizei>(viewport.Height));
    glDepthRange(viewport.MinZ, viewport.MaxZ);

    Enable(GL_LIGHTING, State(D3DRS_LIGHTING) != FALSE);
    Enable(GL_NORMALIZE, State(D3DRS_NORMALIZENORMALS) != FALSE);
    Enable(GL_DEPTH_TEST, depthBuffer_ && State(D3DRS_ZENABLE) != D3DZB_FALSE);
    glDepthMask(State(D3DRS_ZWRITEENABLE) != FALSE ? GL_TRUE : GL_FALSE);
    glDepthFunc(latticegas_gl_common::DepthFuncOf(State(D3DRS_ZFUNC)));
    latticegas_gl_common::ApplyCullMode(State(D3DRS_CULLMODE));
    glShadeModel(State(D3DRS_SHADEMODE) == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    const DWORD fill = State(D3DRS_FILLMODE);
    glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_WIREFRAME ? GL_LINE
                                     : fill == D3DFILL_POINT   ? GL_POINT
                                                               : GL_FILL);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, Rgba(latticegas_d3d9::ColourValueOf(State(D3DRS_AMBIENT))).v);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, State(D3DRS_LOCALVIEWER) != FALSE ? 1 : 0);

    glLoadMatrixf(&view.m[0][0]);
    LoadLights();
    LoadMaterial(State(D3DRS_SPECULARENABLE) != FALSE);
    glLoadMatrixf(&modelView.m[0][0]);

    BindBuffer_(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    const Vertex* vertices = mesh.vertices().data();
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices->position);
    glNormalPointer(GL_FLOAT, sizeof(Vertex), vertices->normal);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_SHORT,
                   triangles.data());
  }

  static void Enable(GLenum capability, bool on) {
    if (on) glEnable(capability); else glDisable(capability);
  }

  // With the view matrix loaded: Direct3D gives lights in world space.
  void LoadLights() {
    GLenum next = GL_LIGHT0;
    for (DWORD index = 0; index < kLights; ++index) {
      D3DLIGHT9 l{};
      BOOL enabled = FALSE;
      if (device_->GetLight(index, &l) != D3D_OK || device_->GetLightEnable(index, &enabled) != D3D_OK ||
          enabled == FALSE)
        continue;
      glLightfv(next, GL_DIFFUSE, Rgba(l.Diffuse).v);
      glLightfv(next, GL_SPECULAR, Rgba(l.Specular).v);
      glLightfv(next, GL_AMBIENT, Rgba(l.Ambient).v);
      if (l.Type == D3DLIGHT_DIRECTIONAL) {
        // Direct3D names the way the light travels; OpenGL the way towards it.
        const GLfloat towards[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0.0f};
        glLightfv(next, GL_POSITION, towards);
        glLightf(next, GL_SPOT_CUTOFF, 180.0f);
        glLightf(next, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(next, GL_LINEAR_ATTENUATION, 0.0f);
        glLightf(next, GL_QUADRATIC_ATTENUATION, 0.0f);
      } else {
        const GLfloat at[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
        glLightfv(next, GL_POSITION, at);
        glLightf(next, GL_CONSTANT_ATTENUATION, l.Attenuation0);
        glLightf(next, GL_LINEAR_ATTENUATION, l.Attenuation1);
        glLightf(next, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
        if (l.Type == D3DLIGHT_SPOT) {
          const GLfloat direction[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
          glLightfv(next, GL_SPOT_DIRECTION, direction);
          glLightf(next, GL_SPOT_CUTOFF, l.Phi * 0.5f * 57.29578f);
        } else {
          glLightf(next, GL_SPOT_CUTOFF, 180.0f);
        }
      }
      glEnable(next++);
    }
    for (; next <= GL_LIGHT7; ++next) glDisable(next);
  }

  void LoadMaterial(bool specular) {
    D3DMATERIAL9 m{};
    device_->GetMaterial(&m);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, Rgba(m.Ambient).v);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, Rgba(m.Diffuse).v);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, Rgba(m.Emissive).v);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR,
                 Rgba(specular ? m.Specular : D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 0.0f}).v);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, latticegas_d3d9::SpecularExponent(m.Power));
  }

  IDirect3DDevice9* device_;
  UINT width_;
  UINT height_;
  bool depthBuffer_;
  PFNGLBINDBUFFERPROC BindBuffer_ = nullptr;
  latticegas_d3d9::DrawCuller culler_;  // the reference's
  bool referenceDrew_ = false;          // in this frame: the device's state is saved
  GLint arrayBuffer_ = 0;
};

std::function<void(IDirect3DDevice9*)>& DeviceCreatedHook() {
  static std::function<void(IDirect3DDevice9*)> hook;
  return hook;
}

class WatchedDirect3D final : public latticegas_d3d9::RefCounted<IDirect3D9> {
 public:
  explicit WatchedDirect3D(IDirect3D9* direct3d) : direct3d_(direct3d) {}

  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    return direct3d_->GetDeviceCaps(adapter, type, caps);
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** device) override {
    IDirect3DDevice9* made = nullptr;
    const HRESULT result = direct3d_->CreateDevice(adapter, type, focus, flags, pp, &made);
    if (device != nullptr) *device = nullptr;
    if (result != D3D_OK) return result;
    // The device's CreateDevice filled in the back buffer's size.
    *device = new WatchedDevice(made, *pp);
    if (DeviceCreatedHook()) DeviceCreatedHook()(*device);
    return D3D_OK;
  }

 private:
  ~WatchedDirect3D() override { direct3d_->Release(); }

  IDirect3D9* direct3d_;
};

WatchedDevice* Ours(IDirect3DDevice9* device) { return dynamic_cast<WatchedDevice*>(device); }

}  // namespace

void SetDeviceCreatedHook(std::function<void(IDirect3DDevice9*)> hook) {
  DeviceCreatedHook() = std::move(hook);
}

bool SetPresentHook(IDirect3DDevice9* device, std::function<void()> hook) {
  WatchedDevice* watched = Ours(device);
  if (watched == nullptr) return false;
  watched->presentHook = std::move(hook);
  return true;
}

std::vector<uint8_t> ReadBackBuffer(IDirect3DDevice9* device) {
  const WatchedDevice* watched = Ours(device);
  return watched == nullptr ? std::vector<uint8_t>{} : watched->ReadPixels();
}

bool SetDrawer(IDirect3DDevice9* device, Drawer drawer) {
  WatchedDevice* watched = Ours(device);
  if (watched == nullptr) return false;
  watched->drawer = drawer;
  return true;
}

bool SetReferenceCulling(IDirect3DDevice9* device, const latticegas_d3d9::CullingOptions& options) {
  WatchedDevice* watched = Ours(device);
  if (watched == nullptr) return false;
  watched->SetReferenceCulling(options);
  return true;
}

}  // namespace latticegas_gl

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
  IDirect3D9* direct3d = latticegas_gl::CreateDirect3D(SDKVersion);
  return direct3d == nullptr ? nullptr : new latticegas_gl::WatchedDirect3D(direct3d);
}
