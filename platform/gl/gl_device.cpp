// Direct3D 9 on OpenGL 2.1, the fixed-function pipeline, drawing into an SDL
// window: straight into it while its client area is the back buffer's size,
// otherwise into an offscreen back buffer stretched onto it at Present, as
// Direct3D stretches the back buffer onto the window.
// The window system's names first: OpenGL's header only fills in what is missing.
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/direct3d_object.h"
#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"
#include "platform/sdl/window_handle.h"

#include "platform/gl/gl_direct3d.h"
#include "platform/gl/offscreen_back_buffer.h"
#include "platform/gl_common/gl_core.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace latticegas_gl {
namespace {

using latticegas_d3d9::CulledDraw;
using latticegas_d3d9::DrawCuller;
using latticegas_d3d9::GlClipProjection;
using latticegas_d3d9::IdentityMatrix;
using latticegas_d3d9::MatrixProduct;
using latticegas_d3d9::Mesh;
using latticegas_d3d9::RasterSetup;
using latticegas_d3d9::StateDevice;
using latticegas_d3d9::Vertex;
using latticegas_gl_common::ApplyCullMode;
using latticegas_gl_common::ClearBuffers;
using latticegas_gl_common::DepthFuncOf;
using latticegas_sdl::SdlWindowOf;

// Software renderers that bin the whole frame before rasterising are told to
// start on what they have every this many draws, so that their raster threads
// work while the frame is still being drawn; each flush makes them load and
// store the frame's tiles again, so it is not done more often.
constexpr unsigned kFlushEvery = 400;

// Entry points beyond OpenGL 1.1, fetched from the driver.
struct GlFunctions : FramebufferFunctions {
  PFNGLGENBUFFERSPROC GenBuffers = nullptr;
  PFNGLDELETEBUFFERSPROC DeleteBuffers = nullptr;
  PFNGLBINDBUFFERPROC BindBuffer = nullptr;
  PFNGLBUFFERDATAPROC BufferData = nullptr;
  // Optional: OpenGL 3.2, or ARB_draw_elements_base_vertex.
  PFNGLDRAWELEMENTSBASEVERTEXPROC DrawElementsBaseVertex = nullptr;

  template <typename F>
  static bool Load(F* out, const char* name) {
    *out = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return *out != nullptr;
  }

  bool LoadAll() {
    return Load(&GenFramebuffers, "glGenFramebuffers") &&
           Load(&DeleteFramebuffers, "glDeleteFramebuffers") &&
           Load(&BindFramebuffer, "glBindFramebuffer") &&
           Load(&CheckFramebufferStatus, "glCheckFramebufferStatus") &&
           Load(&GenRenderbuffers, "glGenRenderbuffers") &&
           Load(&DeleteRenderbuffers, "glDeleteRenderbuffers") &&
           Load(&BindRenderbuffer, "glBindRenderbuffer") &&
           Load(&RenderbufferStorage, "glRenderbufferStorage") &&
           Load(&FramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           Load(&BlitFramebuffer, "glBlitFramebuffer") && Load(&GenBuffers, "glGenBuffers") &&
           Load(&DeleteBuffers, "glDeleteBuffers") && Load(&BindBuffer, "glBindBuffer") &&
           Load(&BufferData, "glBufferData");
  }

  // Called with the context current: the entry point may be there and the
  // driver still not offer it.
  void LoadOptional() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions != nullptr && std::strstr(extensions, "GL_ARB_draw_elements_base_vertex") != nullptr)
      Load(&DrawElementsBaseVertex, "glDrawElementsBaseVertex");
  }
};

void ColourOf(const D3DCOLORVALUE& c, GLfloat out[4]) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

void ColourOf(D3DCOLOR c, GLfloat out[4]) { ColourOf(latticegas_d3d9::ColourValueOf(c), out); }

class GlDevice final : public StateDevice {
 public:
  GlDevice(SDL_Window* window, SDL_GLContext context, const GlFunctions& gl,
           const D3DPRESENT_PARAMETERS& pp, UINT width, UINT height)
      : StateDevice(width, height, pp.EnableAutoDepthStencil != FALSE),
        window_(window),
        windowId_(SDL_GetWindowID(window)),
        context_(context),
        gl_(gl),
        depthBuffer_(pp.EnableAutoDepthStencil != FALSE) {}

  // The context's fixed state. The offscreen back buffer is made only when a
  // frame first needs it: while the window is the back buffer's size, frames
  // are drawn straight into it, and making the buffer would only slow the start.
  bool PrepareContext() {
    glViewport(0, 0, static_cast<GLsizei>(backBufferWidth()),
               static_cast<GLsizei>(backBufferHeight()));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    softwareBinning_ = renderer != nullptr && std::strstr(renderer, "llvmpipe") != nullptr;
    subpixelBits_ = SubpixelBits();
    windowHasDepthStencil_ = WindowHasDepthStencil();
    return glGetError() == GL_NO_ERROR;
  }

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override {
    if (Count != 0 && pRects == nullptr) return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_INVALIDCALL;
    ChooseTarget();
    ClearBuffers(Count, pRects, Flags, Color, Z, Stencil, static_cast<GLint>(backBufferHeight()));
    glDepthMask(depthMask_);
    return D3D_OK;
  }

  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    if (!MakeCurrent()) return D3DERR_INVALIDCALL;
    ChooseTarget();
    culler_.EndFrame();
    drawsSinceFlush_ = 0;
    if (!drawingToWindow_) {
      int drawableWidth = 0;
      int drawableHeight = 0;
      SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
      gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, backBuffer_.framebuffer());
      gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      // Both buffers count rows from the bottom, so the copy keeps the picture upright.
      gl_.BlitFramebuffer(0, 0, static_cast<GLint>(backBufferWidth()),
                          static_cast<GLint>(backBufferHeight()), 0, 0, drawableWidth,
                          drawableHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }
    SDL_GL_SwapWindow(window_);
    targetChosen_ = false;
    return D3D_OK;
  }

  void DrawMesh(Mesh& mesh) override {
    if (!MakeCurrent()) return;
    ChooseTarget();
    const D3DMATRIX modelView = MatrixProduct(world(), view());
    culler_.SetRaster(RasterSetup{projection(), viewport(), renderState(D3DRS_CULLMODE),
                                  renderState(D3DRS_FILLMODE), false, subpixelBits_});
    const CulledDraw draw = culler_.Cull(mesh, modelView);
    if (draw.indices.empty()) return;
    const GLint first = Place(mesh);
    ApplyState(modelView);
    const GLsizei count = static_cast<GLsizei>(draw.indices.size());
    // The indices (the whole list or a part) are handed over from memory.
    if (gl_.DrawElementsBaseVertex != nullptr) {
      PointArraysAt(0);
      gl_.DrawElementsBaseVertex(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, draw.indices.data(), first);
    } else {
      PointArraysAt(first);
      glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, draw.indices.data());
    }
    if (softwareBinning_ && ++drawsSinceFlush_ >= kFlushEvery) {
      // Let the raster threads start on what is binned while we go on.
      glFlush();
      drawsSinceFlush_ = 0;
    }
  }


 private:
  ~GlDevice() override {
    if (ContextUsable()) {
      SDL_GL_MakeCurrent(window_, context_);
      backBuffer_.Delete(gl_);
      if (vertexBuffer_ != 0) gl_.DeleteBuffers(1, &vertexBuffer_);
    }
    // With the window gone the objects went with nothing to draw on; the
    // context itself can still be given back while SDL's video is up.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_GL_DeleteContext(context_);
  }

  // True while the window this device draws on still exists: after it is
  // destroyed (at process exit the program releases the device late) no GL
  // call may be made.
  bool ContextUsable() const {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetWindowFromID(windowId_) == window_;
  }

  // Where a frame is drawn, chosen when it begins: straight into the window
  // when its client area is the back buffer's size and it has a depth and
  // stencil buffer like the automatic one, which spares copying the frame at
  // Present; otherwise into the offscreen back buffer, stretched onto the
  // window at Present as Direct3D does.
  void ChooseTarget() {
    if (targetChosen_) return;
    targetChosen_ = true;
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    drawingToWindow_ = windowHasDepthStencil_ &&
                       width == static_cast<int>(backBufferWidth()) &&
                       height == static_cast<int>(backBufferHeight());
    if (!drawingToWindow_ && backBuffer_.framebuffer() == 0 &&
        !backBuffer_.Create(gl_, static_cast<GLsizei>(backBufferWidth()),
                            static_cast<GLsizei>(backBufferHeight()))) {
      // Without one, the window is all there is to draw in.
      backBuffer_.Delete(gl_);
      drawingToWindow_ = true;
    }
    gl_.BindFramebuffer(GL_FRAMEBUFFER, drawingToWindow_ ? 0 : backBuffer_.framebuffer());
  }

  // The culler's allowance follows the rasteriser's sub-pixel grid; a driver
  // that will not say is taken at OpenGL's least.
  static int SubpixelBits() {
    GLint bits = 0;
    glGetIntegerv(GL_SUBPIXEL_BITS, &bits);
    return bits > 0 ? bits : 4;
  }

  bool WindowHasDepthStencil() {
    gl_.BindFramebuffer(GL_FRAMEBUFFER, 0);
    GLint depthBits = 0;
    GLint stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    return depthBits == 24 && stencilBits == 8;
  }

  bool MakeCurrent() {
    if (!ContextUsable()) return false;
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
    return true;
  }

  // Every mesh's vertices live in one buffer, each mesh from its own first
  // vertex, so the vertex arrays need not be set again for every draw.
  GLint Place(Mesh& mesh) {
    auto it = placements_.find(&mesh);
    if (it != placements_.end()) return it->second;
    // Meshes that went leave gaps; close them once they are most of the buffer.
    if (unusedVertices_ > vertices_.size() / 2) Compact();
    const auto first = static_cast<GLint>(vertices_.size());
    vertices_.insert(vertices_.end(), mesh.vertices().begin(), mesh.vertices().end());
    placements_.emplace(&mesh, first);
    // The mesh holds a reference to this device, so the device outlives it.
    mesh.onDestroy = [this](Mesh& m) {
      if (placements_.erase(&m) != 0) unusedVertices_ += m.vertices().size();
    };
    Upload();
    return first;
  }

  void Compact() {
    std::vector<Vertex> kept;
    for (auto& [mesh, first] : placements_) {
      first = static_cast<GLint>(kept.size());
      kept.insert(kept.end(), mesh->vertices().begin(), mesh->vertices().end());
    }
    vertices_.swap(kept);
    unusedVertices_ = 0;
  }

  void Upload() {
    if (vertexBuffer_ == 0) gl_.GenBuffers(1, &vertexBuffer_);
    gl_.BindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    gl_.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)),
                   vertices_.data(), GL_STATIC_DRAW);
    arraysAt_ = -1;
  }

  void PointArraysAt(GLint first) {
    if (arraysAt_ == first) return;
    arraysAt_ = first;
    const auto offset = static_cast<std::size_t>(first) * sizeof(Vertex);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offset));
    glNormalPointer(GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offset + 3 * sizeof(float)));
  }

  // Each piece of state is sent again only when it changed: from one draw to
  // the next mostly only the world transform does, sometimes the material.
  void ApplyState(const D3DMATRIX& modelView) {
    if (appliedRenderStates_ != renderStateVersion) {
      appliedRenderStates_ = renderStateVersion;
      ApplyRenderStates();
      materialValid_ = false;  // specular depends on a render state
    }
    if (appliedProjection_ != projectionVersion || appliedViewport_ != viewportVersion) {
      appliedProjection_ = projectionVersion;
      appliedViewport_ = viewportVersion;
      // The program sets them again unchanged now and then.
      const bool projectionMoved = Update(&lastProjection_, projection());
      if (Update(&lastViewport_, viewport()) || projectionMoved || !projectionValid_) {
        projectionValid_ = true;
        ApplyProjection();
      }
    }
    // Lights are placed with the view matrix loaded, as Direct3D gives them
    // in world space and OpenGL moves them by the model-view matrix.
    const bool viewMoved = appliedView_ != viewVersion && Update(&lastView_, view());
    appliedView_ = viewVersion;
    if (appliedLights_ != lightVersion || viewMoved) {
      appliedLights_ = lightVersion;
      glLoadMatrixf(&view().m[0][0]);
      ApplyLights();
      modelViewValid_ = false;
    }
    if (Update(&lastModelView_, modelView) || !modelViewValid_) {
      modelViewValid_ = true;
      glLoadMatrixf(&modelView.m[0][0]);
    }
    // The particles set a material each, mostly the one already applied.
    if (appliedMaterial_ != materialVersion || !materialValid_) {
      appliedMaterial_ = materialVersion;
      if (Update(&lastMaterial_, material()) || !materialValid_) {
        materialValid_ = true;
        ApplyMaterial();
      }
    }
  }

  // Copies `now` over `*last`; true when that changed it.
  template <typename T>
  static bool Update(T* last, const T& now) {
    if (std::memcmp(last, &now, sizeof(T)) == 0) return false;
    std::memcpy(static_cast<void*>(last), &now, sizeof(T));
    return true;
  }

  void ApplyProjection() {
    D3DMATRIX p = GlClipProjection(projection(), viewport());
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&p.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    const D3DVIEWPORT9& vp = viewport();
    glViewport(static_cast<GLint>(vp.X),
               static_cast<GLint>(backBufferHeight() - vp.Y - vp.Height),
               static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
    glDepthRange(vp.MinZ, vp.MaxZ);
  }

  void ApplyRenderStates() {
    bool lighting = renderState(D3DRS_LIGHTING) != FALSE;
    if (lighting) glEnable(GL_LIGHTING); else glDisable(GL_LIGHTING);
    if (renderState(D3DRS_NORMALIZENORMALS) != FALSE) glEnable(GL_NORMALIZE);
    else glDisable(GL_NORMALIZE);
    if (depthBuffer_ && renderState(D3DRS_ZENABLE) != D3DZB_FALSE) glEnable(GL_DEPTH_TEST);
    else glDisable(GL_DEPTH_TEST);
    depthMask_ = renderState(D3DRS_ZWRITEENABLE) != FALSE ? GL_TRUE : GL_FALSE;
    glDepthMask(depthMask_);
    glDepthFunc(DepthFuncOf(renderState(D3DRS_ZFUNC)));
    ApplyCullMode(renderState(D3DRS_CULLMODE));
    glShadeModel(renderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    GLenum fill = renderState(D3DRS_FILLMODE) == D3DFILL_WIREFRAME ? GL_LINE
                  : renderState(D3DRS_FILLMODE) == D3DFILL_POINT   ? GL_POINT
                                                                   : GL_FILL;
    glPolygonMode(GL_FRONT_AND_BACK, fill);
    GLfloat ambient[4];
    ColourOf(static_cast<D3DCOLOR>(renderState(D3DRS_AMBIENT)), ambient);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, renderState(D3DRS_LOCALVIEWER) != FALSE ? 1 : 0);
  }

  void ApplyLights() {
    for (GLenum i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
    GLenum next = GL_LIGHT0;
    for (const auto& [index, slot] : lights()) {
      if (!slot.enabled || next > GL_LIGHT7) continue;
      const D3DLIGHT9& l = slot.light;
      GLfloat c[4];
      ColourOf(l.Diffuse, c);
      glLightfv(next, GL_DIFFUSE, c);
      ColourOf(l.Specular, c);
      glLightfv(next, GL_SPECULAR, c);
      ColourOf(l.Ambient, c);
      glLightfv(next, GL_AMBIENT, c);
      if (l.Type == D3DLIGHT_DIRECTIONAL) {
        // Direct3D names the way the light travels; OpenGL the way towards it.
        GLfloat towards[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0.0f};
        glLightfv(next, GL_POSITION, towards);
        glLightf(next, GL_SPOT_CUTOFF, 180.0f);
        glLightf(next, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(next, GL_LINEAR_ATTENUATION, 0.0f);
        glLightf(next, GL_QUADRATIC_ATTENUATION, 0.0f);
      } else {
        GLfloat at[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
        glLightfv(next, GL_POSITION, at);
        glLightf(next, GL_CONSTANT_ATTENUATION, l.Attenuation0);
        glLightf(next, GL_LINEAR_ATTENUATION, l.Attenuation1);
        glLightf(next, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
        if (l.Type == D3DLIGHT_SPOT) {
          GLfloat dir[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
          glLightfv(next, GL_SPOT_DIRECTION, dir);
          glLightf(next, GL_SPOT_CUTOFF, l.Phi * 0.5f * 57.29578f);
        } else {
          glLightf(next, GL_SPOT_CUTOFF, 180.0f);
        }
      }
      glEnable(next);
      ++next;
    }
  }

  void ApplyMaterial() {
    const D3DMATERIAL9& m = material();
    GLfloat c[4];
    ColourOf(m.Ambient, c);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, c);
    ColourOf(m.Diffuse, c);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
    ColourOf(m.Emissive, c);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, c);
    if (renderState(D3DRS_SPECULARENABLE) != FALSE) {
      ColourOf(m.Specular, c);
    } else {
      c[0] = c[1] = c[2] = c[3] = 0.0f;
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, latticegas_d3d9::SpecularExponent(m.Power));
  }

  SDL_Window* window_;
  Uint32 windowId_;
  SDL_GLContext context_;
  GlFunctions gl_;
  bool depthBuffer_;
  OffscreenBackBuffer backBuffer_;  // made when a frame first needs it
  // The state as last sent to OpenGL: the version of each that was sent,
  // and, for those the program sets again unchanged, its value.
  unsigned appliedRenderStates_ = ~0u;
  unsigned appliedProjection_ = ~0u;
  unsigned appliedViewport_ = ~0u;
  unsigned appliedView_ = ~0u;
  unsigned appliedLights_ = ~0u;
  unsigned appliedMaterial_ = ~0u;
  D3DMATRIX lastProjection_{};
  D3DVIEWPORT9 lastViewport_{};
  D3DMATRIX lastView_{};
  D3DMATRIX lastModelView_{};
  D3DMATERIAL9 lastMaterial_{};
  bool projectionValid_ = false;
  bool modelViewValid_ = false;
  bool materialValid_ = false;
  GLboolean depthMask_ = GL_TRUE;
  DrawCuller culler_;
  // Every mesh's vertices, as in the one vertex buffer, and where each mesh
  // starts there (see Place).
  std::vector<Vertex> vertices_;
  std::unordered_map<const Mesh*, GLint> placements_;
  std::size_t unusedVertices_ = 0;
  GLuint vertexBuffer_ = 0;
  GLint arraysAt_ = -1;  // the first vertex the arrays point at; -1 not set
  // A renderer that bins the whole frame before rasterising (Mesa's llvmpipe).
  bool softwareBinning_ = false;
  int subpixelBits_ = 4;
  bool windowHasDepthStencil_ = false;
  bool targetChosen_ = false;
  bool drawingToWindow_ = false;
  unsigned drawsSinceFlush_ = 0;
};

class GlDirect3D final : public latticegas_d3d9::Direct3DObject {
 public:
  GlDirect3D() : Direct3DObject(8) {}

  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE, HWND hFocusWindow, DWORD,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) override {
    const HWND target = TargetOf(Adapter, hFocusWindow, pp, ppDevice);
    SDL_Window* window = target == nullptr ? nullptr : SdlWindowOf(target);
    if (window == nullptr) return D3DERR_INVALIDCALL;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) return D3DERR_NOTAVAILABLE;
    GlFunctions gl;
    if (SDL_GL_MakeCurrent(window, context) != 0 || !gl.LoadAll()) {
      SDL_GL_DeleteContext(context);
      return D3DERR_NOTAVAILABLE;
    }
    gl.LoadOptional();
    SDL_GL_SetSwapInterval(pp->PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

    int clientWidth = 0;
    int clientHeight = 0;
    SDL_GL_GetDrawableSize(window, &clientWidth, &clientHeight);
    FillBackBufferSize(pp, clientWidth, clientHeight);
    auto* device = new GlDevice(window, context, gl, *pp, pp->BackBufferWidth, pp->BackBufferHeight);
    if (!device->PrepareContext()) {
      device->Release();
      return D3DERR_NOTAVAILABLE;
    }
    *ppDevice = device;
    return D3D_OK;
  }

 private:
  ~GlDirect3D() override = default;
};

// Whether this process can have Direct3D on OpenGL: the SDK version is ours
// and a video system that gives OpenGL is up.
bool OpenGlAvailable(UINT sdkVersion) {
  if ((sdkVersion & 0x7fffffffu) != D3D_SDK_VERSION) return false;
  // Without a video system that can give OpenGL there is no Direct3D.
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  // SDL falls back to drivers that draw nowhere when there is no display.
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

}  // namespace

IDirect3D9* CreateDirect3D(UINT sdkVersion) {
  if (!OpenGlAvailable(sdkVersion)) return nullptr;
  return new GlDirect3D();
}

}  // namespace latticegas_gl
