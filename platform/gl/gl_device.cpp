// Direct3D 9 on OpenGL 2.1: the fixed-function pipeline drawn into an
// offscreen back buffer of the requested size, stretched onto the window at
// Present as Direct3D does.
// The window system's names first: OpenGL's header only fills in what is missing.
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"
#include "platform/gl/gl_device_testing.h"
#include "platform/gl/gl_direct3d.h"
#include "platform/sdl/window_handle.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <utility>
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

// Entry points beyond OpenGL 1.1, fetched from the driver.
struct GlFunctions {
  PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
  PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;
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

GLenum DepthFunc(DWORD cmp) {
  switch (cmp) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    case D3DCMP_ALWAYS: return GL_ALWAYS;
    default: return GL_LEQUAL;
  }
}

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
    windowHasDepthStencil_ = WindowHasDepthStencil();
    return glGetError() == GL_NO_ERROR;
  }

  bool CreateOffscreenBackBuffer() {
    gl_.GenFramebuffers(1, &framebuffer_);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.GenRenderbuffers(1, &colour_);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, colour_);
    gl_.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(backBufferWidth()),
                            static_cast<GLsizei>(backBufferHeight()));
    gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    gl_.GenRenderbuffers(1, &depth_);
    gl_.BindRenderbuffer(GL_RENDERBUFFER, depth_);
    gl_.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8,
                            static_cast<GLsizei>(backBufferWidth()),
                            static_cast<GLsizei>(backBufferHeight()));
    gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
    return gl_.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override {
    if (Count != 0 && pRects == nullptr) return D3DERR_INVALIDCALL;
    if (!MakeCurrent()) return D3DERR_INVALIDCALL;
    ChooseTarget();
    GLbitfield mask = 0;
    if ((Flags & D3DCLEAR_TARGET) != 0) {
      GLfloat c[4];
      ColourOf(Color, c);
      glClearColor(c[0], c[1], c[2], c[3]);
      mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((Flags & D3DCLEAR_ZBUFFER) != 0) {
      glClearDepth(Z);
      mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((Flags & D3DCLEAR_STENCIL) != 0) {
      glClearStencil(static_cast<GLint>(Stencil));
      mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Direct3D clears the depth buffer whatever the write mask.
    glDepthMask(GL_TRUE);
    if (Count == 0) {
      glClear(mask);
    } else {
      glEnable(GL_SCISSOR_TEST);
      for (DWORD i = 0; i < Count; ++i) {
        const D3DRECT& r = pRects[i];
        // Rectangles count rows from the top, OpenGL from the bottom.
        glScissor(r.x1, static_cast<GLint>(backBufferHeight()) - r.y2, r.x2 - r.x1, r.y2 - r.y1);
        glClear(mask);
      }
      glDisable(GL_SCISSOR_TEST);
    }
    appliedRenderStates_ = ~0u;  // the depth mask changed
    return D3D_OK;
  }

  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    if (!MakeCurrent()) return D3DERR_INVALIDCALL;
    ChooseTarget();
    if (presentHook) presentHook();
    culler_.EndFrame();
    ++counters.frames;
    drawsSinceFlush_ = 0;
    if (!drawingToWindow_) {
      int drawableWidth = 0;
      int drawableHeight = 0;
      SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
      gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
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
                                  renderState(D3DRS_FILLMODE), false});
    const CulledDraw draw = culler_.Cull(mesh, modelView);
    if (draw.indices.empty()) {
      ++counters.skipped;
      return;
    }
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
    ++counters.draws;
    if (options.flushEvery != 0 && softwareBinning_ && ++drawsSinceFlush_ >= options.flushEvery) {
      // Let the raster threads start on what is binned while we go on.
      glFlush();
      drawsSinceFlush_ = 0;
    }
  }

  void SetOptions(const DeviceOptions& newOptions) {
    options = newOptions;
    culler_.SetOptions(options.culling);
  }

  std::vector<uint8_t> ReadPixels() {
    std::vector<uint8_t> pixels;
    if (!MakeCurrent()) return pixels;
    const GLsizei width = static_cast<GLsizei>(backBufferWidth());
    const GLsizei height = static_cast<GLsizei>(backBufferHeight());
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    ChooseTarget();
    gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, drawingToWindow_ ? 0 : framebuffer_);
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

  DeviceOptions options;
  DeviceCounters counters;
  std::function<void()> presentHook;

 private:
  ~GlDevice() override {
    if (ContextUsable()) {
      SDL_GL_MakeCurrent(window_, context_);
      DeleteOffscreenBackBuffer();
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
    drawingToWindow_ = options.directToWindow && windowHasDepthStencil_ &&
                       width == static_cast<int>(backBufferWidth()) &&
                       height == static_cast<int>(backBufferHeight());
    if (!drawingToWindow_ && framebuffer_ == 0 && !CreateOffscreenBackBuffer()) {
      // Without one, the window is all there is to draw in.
      DeleteOffscreenBackBuffer();
      drawingToWindow_ = true;
    }
    gl_.BindFramebuffer(GL_FRAMEBUFFER, drawingToWindow_ ? 0 : framebuffer_);
  }

  bool WindowHasDepthStencil() {
    gl_.BindFramebuffer(GL_FRAMEBUFFER, 0);
    GLint depthBits = 0;
    GLint stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    return depthBits == 24 && stencilBits == 8;
  }

  void DeleteOffscreenBackBuffer() {
    gl_.BindFramebuffer(GL_FRAMEBUFFER, 0);
    if (framebuffer_ != 0) gl_.DeleteFramebuffers(1, &framebuffer_);
    if (colour_ != 0) gl_.DeleteRenderbuffers(1, &colour_);
    if (depth_ != 0) gl_.DeleteRenderbuffers(1, &depth_);
    framebuffer_ = colour_ = depth_ = 0;
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

  void ApplyState(const D3DMATRIX& modelView) {
    if (appliedRenderStates_ != renderStateVersion) {
      appliedRenderStates_ = renderStateVersion;
      ApplyRenderStates();
      appliedMaterial_ = ~0u;  // specular depends on a render state
      materialValid_ = false;
    }
    if (appliedTransforms_ != transformVersion || appliedLights_ != lightVersion) {
      if (appliedProjection_ != transformVersion) {
        appliedProjection_ = transformVersion;
        ApplyProjection();
      }
      // Lights are placed with the view matrix current, as Direct3D gives
      // them in world space and OpenGL moves them by the model-view matrix.
      glMatrixMode(GL_MODELVIEW);
      if (appliedLights_ != lightVersion || viewChanged()) {
        appliedLights_ = lightVersion;
        glLoadMatrixf(&view().m[0][0]);
        ApplyLights();
      }
      glLoadMatrixf(&modelView.m[0][0]);
      appliedTransforms_ = transformVersion;
    }
    if (appliedMaterial_ != materialVersion) {
      appliedMaterial_ = materialVersion;
      // The particles set a material each, mostly the one already applied.
      if (std::memcmp(&material(), &lastMaterial_, sizeof lastMaterial_) != 0 || !materialValid_) {
        lastMaterial_ = material();
        materialValid_ = true;
        ApplyMaterial();
      }
    }
  }

  bool viewChanged() {
    if (std::memcmp(&lastView_, &view(), sizeof(D3DMATRIX)) == 0) return false;
    lastView_ = view();
    return true;
  }

  void ApplyProjection() {
    D3DMATRIX p = GlClipProjection(projection(), viewport());
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&p.m[0][0]);
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
    glDepthMask(renderState(D3DRS_ZWRITEENABLE) != FALSE ? GL_TRUE : GL_FALSE);
    glDepthFunc(DepthFunc(renderState(D3DRS_ZFUNC)));
    switch (renderState(D3DRS_CULLMODE)) {
      case D3DCULL_NONE:
        glDisable(GL_CULL_FACE);
        break;
      case D3DCULL_CW:
        // Cull the clockwise ones: counter-clockwise faces are kept.
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        break;
      default:
        // Direct3D's default: front faces run clockwise; cull the others.
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_BACK);
        break;
    }
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
    float power = m.Power < 0.0f ? 0.0f : (m.Power > 128.0f ? 128.0f : m.Power);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, power);
  }

  SDL_Window* window_;
  Uint32 windowId_;
  SDL_GLContext context_;
  GlFunctions gl_;
  bool depthBuffer_;
  GLuint framebuffer_ = 0;
  GLuint colour_ = 0;
  GLuint depth_ = 0;
  unsigned appliedRenderStates_ = ~0u;
  unsigned appliedTransforms_ = ~0u;
  unsigned appliedProjection_ = ~0u;
  unsigned appliedLights_ = ~0u;
  unsigned appliedMaterial_ = ~0u;
  D3DMATRIX lastView_{};
  D3DMATERIAL9 lastMaterial_{};
  bool materialValid_ = false;
  DrawCuller culler_;
  // A renderer that bins the whole frame before rasterising (Mesa's llvmpipe).
  std::vector<Vertex> vertices_;
  std::unordered_map<const Mesh*, GLint> placements_;
  std::size_t unusedVertices_ = 0;
  GLuint vertexBuffer_ = 0;
  GLint arraysAt_ = -1;  // the first vertex the arrays point at; -1 not set
  bool softwareBinning_ = false;
  bool windowHasDepthStencil_ = false;
  bool targetChosen_ = false;
  bool drawingToWindow_ = false;
  unsigned drawsSinceFlush_ = 0;
};

std::function<void(IDirect3DDevice9*)>& DeviceCreatedHook() {
  static std::function<void(IDirect3DDevice9*)> hook;
  return hook;
}

class GlDirect3D final : public IDirect3D9 {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override {
    if (pCaps == nullptr || Adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    *pCaps = D3DCAPS9{};
    pCaps->DeviceType = DeviceType;
    pCaps->AdapterOrdinal = Adapter;
    pCaps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    pCaps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    pCaps->MaxActiveLights = 8;
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE, HWND hFocusWindow, DWORD,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) override {
    if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
    *ppDevice = nullptr;
    if (pp == nullptr || Adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    HWND target = pp->hDeviceWindow != nullptr ? pp->hDeviceWindow : hFocusWindow;
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

    // A windowed back buffer of size 0 takes the window's client size.
    UINT width = pp->BackBufferWidth;
    UINT height = pp->BackBufferHeight;
    if (width == 0 || height == 0) {
      int w = 0;
      int h = 0;
      SDL_GL_GetDrawableSize(window, &w, &h);
      if (width == 0) width = static_cast<UINT>(w > 0 ? w : 1);
      if (height == 0) height = static_cast<UINT>(h > 0 ? h : 1);
      pp->BackBufferWidth = width;
      pp->BackBufferHeight = height;
    }
    auto* device = new GlDevice(window, context, gl, *pp, width, height);
    if (!device->PrepareContext()) {
      device->Release();
      return D3DERR_NOTAVAILABLE;
    }
    *ppDevice = device;
    if (DeviceCreatedHook()) DeviceCreatedHook()(device);
    return D3D_OK;
  }

 private:
  ~GlDirect3D() override = default;
  ULONG refs_ = 1;
};

}  // namespace
}  // namespace latticegas_gl

namespace latticegas_gl {

namespace {
GlDevice* Ours(IDirect3DDevice9* device) { return dynamic_cast<GlDevice*>(device); }
}  // namespace

bool GetDeviceOptions(IDirect3DDevice9* device, DeviceOptions* options) {
  GlDevice* gl = Ours(device);
  if (gl == nullptr || options == nullptr) return false;
  *options = gl->options;
  return true;
}

bool SetDeviceOptions(IDirect3DDevice9* device, const DeviceOptions& options) {
  GlDevice* gl = Ours(device);
  if (gl == nullptr) return false;
  gl->SetOptions(options);
  return true;
}

void SetDeviceCreatedHook(std::function<void(IDirect3DDevice9*)> hook) {
  DeviceCreatedHook() = std::move(hook);
}

bool SetPresentHook(IDirect3DDevice9* device, std::function<void()> hook) {
  GlDevice* gl = Ours(device);
  if (gl == nullptr) return false;
  gl->presentHook = std::move(hook);
  return true;
}

std::vector<uint8_t> ReadBackBuffer(IDirect3DDevice9* device) {
  GlDevice* gl = Ours(device);
  return gl == nullptr ? std::vector<uint8_t>{} : gl->ReadPixels();
}

bool GetDeviceCounters(IDirect3DDevice9* device, DeviceCounters* counters) {
  GlDevice* gl = Ours(device);
  if (gl == nullptr || counters == nullptr) return false;
  *counters = gl->counters;
  return true;
}

}  // namespace latticegas_gl

IDirect3D9* latticegas_gl::CreateDirect3D(UINT sdkVersion) {
  if ((sdkVersion & 0x7fffffffu) != D3D_SDK_VERSION) return nullptr;
  // Without a video system that can give OpenGL there is no Direct3D.
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  const char* driver = SDL_GetCurrentVideoDriver();
  // SDL falls back to drivers that draw nowhere when there is no display.
  if (driver == nullptr || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0) {
    return nullptr;
  }
  return new latticegas_gl::GlDirect3D();
}
