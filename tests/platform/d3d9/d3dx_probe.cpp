// Prints what D3DX9 returns for the matrix helpers and the meshes the program
// uses, one record per line, for comparison with the OpenGL stand-in:
//   matrix <name> <16 floats, row by row>
//   mesh <name> <vertices> <faces> <min x y z> <max x y z>
//   vertex <name> <index> <position x y z> <normal x y z>
//   face <name> <index> <three vertex indices>
// Usage: d3dx_probe.exe [output file]   (default: standard output)
#include <cstdio>

#include "platform/d3d9_api.h"
#include "d3dx_cases.h"

namespace {

FILE* out = stdout;

void Print(const char* name, const D3DXMATRIX& m) {
  std::fprintf(out, "matrix %s", name);
  for (int i = 0; i < 16; ++i) std::fprintf(out, " %.9g", static_cast<double>(m.m[i / 4][i % 4]));
  std::fprintf(out, "\n");
}

void Matrices() {
  for (const latticegas_test::MatrixCase& c : latticegas_test::MatrixCases()) Print(c.name.c_str(), c.value);
}

void PrintMesh(const char* name, ID3DXMesh* mesh) {
  if (mesh == nullptr) {
    std::fprintf(out, "# mesh %s could not be created\n", name);
    return;
  }
  DWORD vertices = mesh->GetNumVertices();
  DWORD faces = mesh->GetNumFaces();
  DWORD stride = mesh->GetNumBytesPerVertex();
  BYTE* data = nullptr;
  if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&data)))) {
    std::fprintf(out, "# mesh %s vertex buffer could not be read\n", name);
    return;
  }
  float lo[3] = {0, 0, 0};
  float hi[3] = {0, 0, 0};
  for (DWORD v = 0; v < vertices; ++v) {
    const float* f = reinterpret_cast<const float*>(data + v * stride);
    for (int k = 0; k < 3; ++k) {
      if (v == 0 || f[k] < lo[k]) lo[k] = f[k];
      if (v == 0 || f[k] > hi[k]) hi[k] = f[k];
    }
  }
  std::fprintf(out, "mesh %s %lu %lu %.9g %.9g %.9g %.9g %.9g %.9g\n", name,
               static_cast<unsigned long>(vertices), static_cast<unsigned long>(faces),
               static_cast<double>(lo[0]), static_cast<double>(lo[1]), static_cast<double>(lo[2]),
               static_cast<double>(hi[0]), static_cast<double>(hi[1]), static_cast<double>(hi[2]));
  for (DWORD v = 0; v < vertices; ++v) {
    const float* f = reinterpret_cast<const float*>(data + v * stride);
    std::fprintf(out, "vertex %s %lu %.9g %.9g %.9g %.9g %.9g %.9g\n", name,
                 static_cast<unsigned long>(v), static_cast<double>(f[0]),
                 static_cast<double>(f[1]), static_cast<double>(f[2]), static_cast<double>(f[3]),
                 static_cast<double>(f[4]), static_cast<double>(f[5]));
  }
  mesh->UnlockVertexBuffer();
  WORD* indices = nullptr;
  if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&indices)))) {
    for (DWORD i = 0; i < faces; ++i) {
      std::fprintf(out, "face %s %lu %u %u %u\n", name, static_cast<unsigned long>(i),
                   indices[3 * i], indices[3 * i + 1], indices[3 * i + 2]);
    }
    mesh->UnlockIndexBuffer();
  }
  mesh->Release();
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

IDirect3DDevice9* MakeDevice(HWND window) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (d3d == nullptr) return nullptr;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 64;
  pp.BackBufferHeight = 64;
  pp.BackBufferFormat = D3DFMT_UNKNOWN;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  IDirect3DDevice9* device = nullptr;
  // Mesh creation only needs some device: try the hardware one first.
  const D3DDEVTYPE types[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF, D3DDEVTYPE_NULLREF};
  for (D3DDEVTYPE type : types) {
    d3d->CreateDevice(D3DADAPTER_DEFAULT, type, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                      &device);
    if (device != nullptr) break;
  }
  d3d->Release();
  return device;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 2;
  }
  std::fprintf(out, "# D3DX9 reference values, written by d3dx_probe.exe.\n");
  std::fprintf(out, "# Regenerate with tests/platform/d3d9/d3dx_regen_golden.sh.\n");
  Matrices();

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ProbeProc;
  windowClass.lpszClassName = "D3dxProbe";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "D3dxProbe", "D3DX probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                                nullptr, nullptr, nullptr, nullptr);
  IDirect3DDevice9* device = window == nullptr ? nullptr : MakeDevice(window);
  if (device == nullptr) {
    std::fprintf(out, "# no device: meshes not written\n");
  } else {
    for (const latticegas_test::MeshCase& c : latticegas_test::kMeshCases) {
      ID3DXMesh* mesh = nullptr;
      c.Create(device, &mesh);
      PrintMesh(c.name, mesh);
    }
    device->Release();
  }
  if (window != nullptr) DestroyWindow(window);
  if (out != stdout) std::fclose(out);
  return device == nullptr ? 1 : 0;
}
