// A small lit scene drawn the way the program draws, with the program's own
// graphics context (device, meshes, materials, light, projection) and camera. Its window is photographed on
// the real Direct3D 9 (under Wine) and on the OpenGL stand-in, and the two
// pictures compared. Objects sit off-centre, overlap in depth and include a
// cylinder turned as the links are, so that a wrong matrix order, winding,
// depth mapping or light direction shows. Runs until Escape or closed (on the
// web, drawing as many frames as its address says: probe_frames.h).
#include "platform/win32_api.h"
#include "probe_frames.h"
#include "platform/d3d9_api.h"
#include "render/camera.h"
#include "render/graphics_context.h"

namespace {

// The program's own device, meshes, materials, link basis, projection and
// light, and its camera at its start-up distance.
GraphicsContext graphics;
constexpr float kStartDistance = 20.0f;

// a, then b.
D3DXMATRIX Times(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX product;
  return *D3DXMatrixMultiply(&product, &a, &b);
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_KEYDOWN && w == VK_ESCAPE) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

struct Scene {
  IDirect3DDevice9* device = graphics.device;
  ID3DXMesh* node = graphics.nodeMesh;
  ID3DXMesh* particle = graphics.particleMesh;
  ID3DXMesh* link = graphics.linkMesh;
  const D3DMATERIAL9& grey = graphics.nodeMaterial;
  const D3DMATERIAL9& red = graphics.taggedMaterial;
  const D3DMATERIAL9& blue = graphics.particleMaterial;

  void Draw(ID3DXMesh* mesh, const D3DXMATRIX& world) {
    device->SetTransform(D3DTS_WORLD, &world);
    mesh->DrawSubset(0);
  }

  // A link from (x, y) at `angle` (radians), `length` long and `thickness`
  // times as thick as the program's: S x basis x R x W, as the program's links.
  void Link(float x, float y, float angle, float length, float thickness) {
    D3DXMATRIX s;
    D3DXMATRIX r;
    D3DXMATRIX w;
    D3DXMATRIX world;
    D3DXMatrixScaling(&s, thickness, thickness, length);
    D3DXMatrixRotationZ(&r, angle);
    D3DXMatrixTranslation(&w, x, y, 0.0f);
    D3DXMatrixMultiply(&world, &s, &graphics.linkBasis);
    D3DXMatrixMultiply(&world, &world, &r);
    D3DXMatrixMultiply(&world, &world, &w);
    Draw(link, world);
  }

  void Frame() {
    const Camera camera(kStartDistance);
    D3DXMATRIX view;
    device->SetTransform(D3DTS_VIEW, camera.ViewMatrix(&view));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    D3DXMATRIX m;
    D3DXMATRIX s;

    device->SetMaterial(&grey);
    // A row of nodes with their links, low on the left.
    for (int i = 0; i < 4; ++i) {
      float x = -11.0f + 5.0f * static_cast<float>(i);
      Draw(node, *D3DXMatrixTranslation(&m, x, -7.0f, 0.0f));
      if (i < 3) Link(x, -7.0f, 0.0f, 5.0f, 1.0f);
      Link(x, -7.0f, 1.0471976f, 5.0f, 1.0f);
    }
    // A thick link turned by 30 degrees, and a big grey ball it passes through.
    Link(-9.0f, 1.0f, 0.5235988f, 9.0f, 8.0f);
    D3DXMatrixScaling(&s, 1.6f, 1.6f, 1.6f);
    D3DXMatrixTranslation(&m, -4.0f, 3.5f, 0.0f);
    Draw(particle, Times(s, m));

    // Blue and red particles overlapping, the red one nearer the eye.
    device->SetMaterial(&blue);
    Draw(particle, *D3DXMatrixTranslation(&m, 4.0f, -1.0f, 0.0f));
    device->SetMaterial(&red);
    Draw(particle, *D3DXMatrixTranslation(&m, 5.2f, -0.3f, -1.0f));
    // A red particle far off to the upper right, behind the plane.
    Draw(particle, *D3DXMatrixTranslation(&m, 9.0f, 6.5f, 4.0f));
    // A blue one low on the right, in front of a thick vertical link.
    device->SetMaterial(&grey);
    Link(9.5f, -9.0f, 1.5707964f, 8.0f, 5.0f);
    device->SetMaterial(&blue);
    Draw(particle, *D3DXMatrixTranslation(&m, 9.5f, -4.0f, -0.5f));

    // Equal depths, where the later draw must win (LESSEQUAL): a node drawn
    // grey then red, as the selection is; a particle drawn red then blue in
    // the same place, as coinciding particles are.
    D3DXMatrixScaling(&s, 6.0f, 6.0f, 6.0f);
    D3DXMatrixTranslation(&m, -1.0f, -3.0f, 0.0f);
    device->SetMaterial(&grey);
    Draw(node, Times(s, m));
    device->SetMaterial(&red);
    Draw(node, Times(s, m));
    D3DXMatrixTranslation(&m, 1.5f, 5.5f, 0.0f);
    Draw(particle, m);
    device->SetMaterial(&blue);
    Draw(particle, m);

    // A grey ball cut by the near plane (1 unit from the eye), as the
    // lattice is when zoomed in close: only its far part is drawn.
    device->SetMaterial(&grey);
    D3DXMatrixScaling(&s, 0.15f, 0.15f, 0.15f);
    D3DXMatrixTranslation(&m, 0.3f, 0.25f, -19.0f);
    Draw(particle, Times(s, m));

    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ProbeProc;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "SceneProbe";
  if (RegisterClassA(&windowClass) == 0) return 1;
  HWND window = CreateWindowExA(0, "SceneProbe", "D3D9 scene probe", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768, nullptr, nullptr,
                                instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  if (!graphics.InitD3D(window, 1024, 768)) return 2;
  Scene scene;
  const int frames = ProbeFrames();
  MSG message{};
  for (int drawn = 0; message.message != WM_QUIT;) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else if (frames == 0 || drawn < frames) {
      scene.Frame();
      ++drawn;
    } else {
      // Nothing drawn, so the last frame stays; Present waits as a frame would.
      graphics.device->Present(nullptr, nullptr, nullptr, nullptr);
    }
  }
  graphics.Release();
  return 0;
}
