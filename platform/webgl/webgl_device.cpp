// Direct3D 9 on WebGL2: the fixed-function subset, lit on the CPU and drawn
// as one stream of the culled triangles (FrameStream, with what did not change
// since the last frame kept in GPU buffers by TriangleStream) straight into
// the canvas's drawing buffer, which is the back buffer.
//
// The browser may take the context away between two frames (a phone's
// sleep, a GPU reset, too many pages with contexts) and give it back later.
// The program never resets its device, so the device outlives the loss on
// its own: it asks for the context back, touches no GL while it is gone,
// and once it is back makes anew everything it keeps in GL and sends the
// whole Direct3D state again from its record. The program sees none of it.
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/direct3d_object.h"
#include "platform/d3d9/draw_culler.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/mesh.h"
#include "platform/gl_common/gl_core.h"
#include "platform/web/window_canvas.h"
#include "platform/webgl/way_chooser.h"
#include "platform/webgl/frame_stream.h"
#include "platform/webgl/triangle_stream.h"

namespace latticegas_webgl {
namespace {

using latticegas_d3d9::ColourValueOf;
using latticegas_d3d9::CulledDraw;
using latticegas_d3d9::Direct3DObject;
using latticegas_d3d9::DrawCuller;
using latticegas_d3d9::GlClipProjection;
using latticegas_d3d9::MatrixProduct;
using latticegas_d3d9::Mesh;
using latticegas_d3d9::RasterSetup;
using latticegas_d3d9::StateDevice;
using latticegas_d3d9::TowardsLightInView;
using latticegas_d3d9::VertexLighting;
using latticegas_gl_common::ApplyCullMode;
using latticegas_gl_common::ClearBuffers;
using latticegas_gl_common::DepthFuncOf;

// Whether this browser gives WebGL2 at all (it may be missing, or switched off).
EM_JS(int, BrowserHasWebGl2, (), {
  try {
    const gl = document.createElement('canvas').getContext('webgl2');
    if (!gl) return 0;
    const lose = gl.getExtension('WEBGL_lose_context');
    if (lose) lose.loseContext();
    return 1;
  } catch (e) {
    return 0;
  }
});

// Yields to the browser until its next animation frame: the frame just drawn
// is shown then, and input that came meanwhile is queued.
EM_ASYNC_JS(void, WaitForAnimationFrame, (), {
  await new Promise(resolve => requestAnimationFrame(resolve));
});

// Every triangle the stream carries costs the browser's renderer, so the
// culler's cheaper first-sight test pays here; but a first sight large in the
// window keeps nearly all its triangles that face the eye, and is cheaper
// drawn whole as an instance, carried and lit on the GPU.
class WebGlDevice final : public StateDevice {
 public:
  WebGlDevice(const char* canvas, EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context,
              const D3DPRESENT_PARAMETERS& pp, UINT width, UINT height)
      : StateDevice(width, height, pp.EnableAutoDepthStencil != FALSE),
        canvas_(canvas),
        context_(context),
        depthBuffer_(pp.EnableAutoDepthStencil != FALSE) {
    DrawTheWayChosen();
  }

  // The canvas's drawing buffer at the back buffer's size, and the stream;
  // false when the browser refuses them. From here on the device follows
  // the context's losses and restorations.
  bool Prepare() {
    emscripten_webgl_make_context_current(context_);
    // The culler's allowance follows the rasteriser's sub-pixel grid; a
    // browser that will not say is taken at OpenGL's least.
    GLint bits = 0;
    glGetIntegerv(GL_SUBPIXEL_BITS, &bits);
    subpixelBits_ = bits > 0 ? bits : 4;
    if (!MakeGlSide()) return false;
    emscripten_set_webglcontextlost_callback(canvas_, this, EM_FALSE, &WebGlDevice::OnContextLost);
    emscripten_set_webglcontextrestored_callback(canvas_, this, EM_FALSE,
                                                 &WebGlDevice::OnContextRestored);
    following_ = true;
    return true;
  }

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override {
    if (Count != 0 && pRects == nullptr) return D3DERR_INVALIDCALL;
    NoticeLoss();
    // As on a lost Direct3D device, the call succeeds and does nothing.
    if (!GlReady()) return D3D_OK;
    frameStartMs_ = emscripten_get_now();
    stream_.Flush();
    ClearBuffers(Count, pRects, Flags, Color, Z, Stencil, static_cast<GLint>(backBufferHeight()));
    glDepthMask(depthMask_);
    return D3D_OK;
  }

  // The browser shows the canvas at most once per display refresh, and only
  // while the program yields to it: Present waits for the next animation
  // frame, at which the browser shows the drawing buffer as it is, so that
  // every frame drawn is a frame shown. (Drawing more frames between two
  // refreshes was tried: with software WebGL they queue up behind one another
  // and fewer are shown.)
  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    NoticeLoss();
    if (!GlReady()) {
      // Nothing can be drawn while the context is gone, but the program
      // still yields at the browser's pace, or the page would hang in its
      // frame loop; its messages and its clock go on as before.
      WaitForAnimationFrame();
      return D3DERR_DEVICELOST;
    }
    stream_.EndFrame();
    const unsigned large = culler_.largeFirstSights();
    culler_.EndFrame();
    KeepCanvasAtBackBufferSize();
    const double workMs = emscripten_get_now() - frameStartMs_;
    WaitForAnimationFrame();
    chooser_.FrameShown(emscripten_get_now(), workMs, large);
    DrawTheWayChosen();
    return D3D_OK;
  }

  void DrawMesh(Mesh& mesh) override {
    if (!GlReady()) return;
    if (SceneStateChanged()) {
      stream_.Flush();
      ApplySceneState();
    }
    const D3DMATRIX modelView = MatrixProduct(world(), view());
    const CulledDraw draw = culler_.Cull(mesh, modelView);
    if (draw.whole && draw.kept == nullptr && !mesh.onDestroy)
      mesh.onDestroy = [this](Mesh& gone) { ForgetMesh(gone); };
    stream_.Append(mesh, draw, modelView, material());
  }

 private:
  // The context, as far as the device goes: drawn with, gone (from its loss,
  // which the browser may report a little after the fact, to its
  // restoration), or given back with nothing of the device's in it yet.
  enum class Context { kLive, kLost, kRestored };

  ~WebGlDevice() override {
    if (following_) {
      emscripten_set_webglcontextlost_callback(canvas_, nullptr, EM_FALSE, nullptr);
      emscripten_set_webglcontextrestored_callback(canvas_, nullptr, EM_FALSE, nullptr);
    }
    if (contextState_ != Context::kLive || emscripten_is_webgl_context_lost(context_)) return;
    emscripten_webgl_make_context_current(context_);
    triangles_.Delete();
  }

  // Asked to, the browser gives a lost context back: the callback's true
  // makes Emscripten call preventDefault() on the event, which is that
  // request. Without it the loss is for good.
  static EM_BOOL OnContextLost(int, const void*, void* device) {
    static_cast<WebGlDevice*>(device)->Lose();
    return EM_TRUE;
  }

  // The same WebGL context object comes back, so Emscripten's handle still
  // names it; but it is blank, and every GL name the device holds is dead.
  // The device makes its GL side anew at its next use, in the frame loop.
  static EM_BOOL OnContextRestored(int, const void*, void* device) {
    static_cast<WebGlDevice*>(device)->contextState_ = Context::kRestored;
    return EM_TRUE;
  }

  // The next frame's large first sights drawn as the chooser says.
  void DrawTheWayChosen() {
    const DrawingWay way = chooser_.way();
    culler_.SetOptions(StreamCulling(way));
    stream_.SetInstancing(way == DrawingWay::kInstanced);
  }

  // A mesh drawn whole has buffers of its own in GL; anything of it still
  // pending is drawn before they go.
  void ForgetMesh(const Mesh& mesh) {
    if (contextState_ != Context::kLive) return;  // its buffers went with the context
    emscripten_webgl_make_context_current(context_);
    stream_.Flush();
    triangles_.Forget(mesh);
  }

  // Once a frame, at its Clear and at its Present: a context the browser has
  // taken away is gone from then on, even before the browser says so.
  void NoticeLoss() {
    if (contextState_ == Context::kLive && emscripten_is_webgl_context_lost(context_)) Lose();
  }

  // The lost context's objects are gone with it. Deleting them now, while
  // WebGL ignores every call, only has Emscripten forget their names;
  // after the restoration it would be an error, as they are not the new
  // context's.
  void Lose() {
    if (contextState_ == Context::kLive) {
      emscripten_webgl_make_context_current(context_);
      triangles_.Delete();
    }
    stream_.ForgetStores();
    contextState_ = Context::kLost;
  }

  // Whether the device may issue GL now; a context given back is first made
  // ready again.
  bool GlReady() {
    if (contextState_ == Context::kRestored) RemakeGlSide();
    return contextState_ == Context::kLive;
  }

  // After a restoration: everything made again as at creation. A context
  // lost again before this waits for its next restoration; one the browser
  // will not draw with (it refuses the shaders) leaves the device blank, as
  // lost.
  void RemakeGlSide() {
    if (emscripten_is_webgl_context_lost(context_)) return;
    emscripten_webgl_make_context_current(context_);
    // The loss's own error, and any from calls made before it was noticed.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    if (MakeGlSide()) {
      contextState_ = Context::kLive;
      return;
    }
    triangles_.Delete();
    contextState_ = Context::kLost;
  }

  // What the device keeps in GL (the stream's program, vertex arrays and
  // buffers; the kept draws are kept again as they are drawn), the drawing buffer at the back buffer's size, and the whole
  // Direct3D state sent from the record; false when the browser refuses any
  // of it.
  bool MakeGlSide() {
    KeepCanvasAtBackBufferSize();
    stream_.ForgetStores();
    if (!triangles_.Create()) return false;
    glViewport(0, 0, static_cast<GLsizei>(backBufferWidth()),
               static_cast<GLsizei>(backBufferHeight()));
    appliedRenderStates_ = ~0u;
    appliedLights_ = ~0u;
    lastView_ = D3DMATRIX{};
    lastProjection_ = D3DMATRIX{};
    lastViewport_ = D3DVIEWPORT9{};
    ApplySceneState();
    return glGetError() == GL_NO_ERROR;
  }

  // The canvas's drawing buffer is the back buffer, stretched to the page by
  // the browser (CSS) as Direct3D stretches it onto a window; the browser
  // then composites it with no copy of ours. The page may change the
  // canvas's displayed size, never the buffer's.
  void KeepCanvasAtBackBufferSize() {
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size(canvas_, &width, &height);
    if (width != static_cast<int>(backBufferWidth()) || height != static_cast<int>(backBufferHeight()))
      emscripten_set_canvas_element_size(canvas_, static_cast<int>(backBufferWidth()),
                                         static_cast<int>(backBufferHeight()));
  }

  // Everything but the world transform and the material: what changes
  // seldom, applied when it does, once the triangles pending are drawn.
  bool SceneStateChanged() {
    if (appliedRenderStates_ != renderStateVersion || appliedLights_ != lightVersion) return true;
    if (seenView_ == viewVersion && seenProjection_ == projectionVersion &&
        seenViewport_ == viewportVersion)
      return false;
    // Set again, perhaps as they were: the program sets its view every frame.
    const bool changed = std::memcmp(&lastView_, &view(), sizeof(D3DMATRIX)) != 0 ||
                         std::memcmp(&lastProjection_, &projection(), sizeof(D3DMATRIX)) != 0 ||
                         std::memcmp(&lastViewport_, &viewport(), sizeof(D3DVIEWPORT9)) != 0;
    if (!changed) SeeTransforms();
    return changed;
  }

  void SeeTransforms() {
    seenView_ = viewVersion;
    seenProjection_ = projectionVersion;
    seenViewport_ = viewportVersion;
  }


  void ApplySceneState() {
    culler_.SetRaster(RasterSetup{projection(), viewport(), renderState(D3DRS_CULLMODE),
                                  renderState(D3DRS_FILLMODE), false, subpixelBits_});
    if (appliedRenderStates_ != renderStateVersion) {
      appliedRenderStates_ = renderStateVersion;
      ApplyRenderStates();
    }
    const D3DVIEWPORT9& vp = viewport();
    if (std::memcmp(&lastProjection_, &projection(), sizeof(D3DMATRIX)) != 0 ||
        std::memcmp(&lastViewport_, &vp, sizeof(D3DVIEWPORT9)) != 0) {
      lastProjection_ = projection();
      lastViewport_ = vp;
      const D3DMATRIX clip = GlClipProjection(projection(), vp);
      triangles_.SetProjection(clip);
      glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(backBufferHeight() - vp.Y - vp.Height),
                 static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
      glDepthRangef(vp.MinZ, vp.MaxZ);
    }
    if (appliedLights_ != lightVersion || std::memcmp(&lastView_, &view(), sizeof(D3DMATRIX)) != 0) {
      appliedLights_ = lightVersion;
      lastView_ = view();
      ApplyLight();
    }
    stream_.SetLighting(lighting_);
    SeeTransforms();
  }

  // Direct3D gives lights in world space; the stream lights in camera space,
  // so the light follows the view.
  void ApplyLight() {
    D3DLIGHT9 light{};
    D3DVECTOR towards{0.0f, 0.0f, 0.0f};
    bool enabled = false;
    for (const auto& [index, slot] : lights()) {
      if (!slot.enabled || slot.light.Type != D3DLIGHT_DIRECTIONAL) continue;
      light = slot.light;
      towards = TowardsLightInView(slot.light.Direction, view());
      enabled = true;
      break;
    }
    lighting_.lightEnabled = enabled;
    lighting_.towardsLight = towards;
    lighting_.lightDiffuse = light.Diffuse;
    lighting_.lightSpecular = light.Specular;
    lighting_.lightAmbient = light.Ambient;
  }

  void ApplyRenderStates() {
    if (depthBuffer_ && renderState(D3DRS_ZENABLE) != D3DZB_FALSE)
      glEnable(GL_DEPTH_TEST);
    else
      glDisable(GL_DEPTH_TEST);
    depthMask_ = renderState(D3DRS_ZWRITEENABLE) != FALSE ? GL_TRUE : GL_FALSE;
    glDepthMask(depthMask_);
    glDepthFunc(DepthFuncOf(renderState(D3DRS_ZFUNC)));
    ApplyCullMode(renderState(D3DRS_CULLMODE));
    lighting_.lighting = renderState(D3DRS_LIGHTING) != FALSE;
    lighting_.normalize = renderState(D3DRS_NORMALIZENORMALS) != FALSE;
    lighting_.specular = renderState(D3DRS_SPECULARENABLE) != FALSE;
    lighting_.sceneAmbient = ColourValueOf(static_cast<D3DCOLOR>(renderState(D3DRS_AMBIENT)));
  }

  const char* canvas_;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_;
  bool depthBuffer_;
  Context contextState_ = Context::kLive;
  bool following_ = false;  // the loss and restoration callbacks are set
  TriangleStream triangles_;
  FrameStream stream_{&triangles_};
  VertexLighting lighting_;  // what the stream lights by
  DrawCuller culler_;
  WayChooser chooser_;
  double frameStartMs_ = 0.0;  // the frame's Clear
  int subpixelBits_ = 4;
  unsigned appliedRenderStates_ = ~0u;
  GLboolean depthMask_ = GL_TRUE;  // as last applied
  unsigned appliedLights_ = ~0u;
  // Never a matrix a program sets: MakeGlSide applies everything.
  D3DMATRIX lastView_{};
  D3DMATRIX lastProjection_{};
  D3DVIEWPORT9 lastViewport_{};
  // The versions of view, projection and viewport last seen to be as applied.
  unsigned seenView_ = ~0u;
  unsigned seenProjection_ = ~0u;
  unsigned seenViewport_ = ~0u;
};

class WebGlDirect3D final : public Direct3DObject {
 public:
  WebGlDirect3D() : Direct3DObject(1) {}

  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE, HWND hFocusWindow, DWORD,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) override {
    const HWND target = TargetOf(Adapter, hFocusWindow, pp, ppDevice);
    const char* canvas = target == nullptr ? nullptr : latticegas_web::CanvasOf(target);
    if (canvas == nullptr) return D3DERR_INVALIDCALL;

    int canvasWidth = 0;
    int canvasHeight = 0;
    emscripten_get_canvas_element_size(canvas, &canvasWidth, &canvasHeight);
    FillBackBufferSize(pp, canvasWidth, canvasHeight);

    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    // The canvas's buffer is the back buffer, with the automatic depth and
    // stencil buffer.
    const bool depthStencil = pp->EnableAutoDepthStencil != FALSE;
    attributes.depth = depthStencil ? EM_TRUE : EM_FALSE;
    attributes.stencil = depthStencil ? EM_TRUE : EM_FALSE;
    attributes.antialias = EM_FALSE;
    emscripten_set_canvas_element_size(canvas, static_cast<int>(pp->BackBufferWidth),
                                       static_cast<int>(pp->BackBufferHeight));
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(canvas, &attributes);
    if (context <= 0) return D3DERR_NOTAVAILABLE;
    auto* device =
        new WebGlDevice(canvas, context, *pp, pp->BackBufferWidth, pp->BackBufferHeight);
    if (!device->Prepare()) {
      device->Release();
      emscripten_webgl_destroy_context(context);
      return D3DERR_NOTAVAILABLE;
    }
    *ppDevice = device;
    return D3D_OK;
  }

 private:
  ~WebGlDirect3D() override = default;
};

}  // namespace
}  // namespace latticegas_webgl

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
  if ((SDKVersion & 0x7fffffffu) != D3D_SDK_VERSION) return nullptr;
  if (latticegas_webgl::BrowserHasWebGl2() == 0) return nullptr;
  return new latticegas_webgl::WebGlDirect3D();
}
