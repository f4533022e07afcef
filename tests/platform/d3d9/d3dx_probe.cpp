// Prints what D3DX9 returns for the matrix helpers and the meshes the program
// uses, one record per line, for comparison with the OpenGL stand-in:
//   matrix <name> <16 floats, row by row>
//   mesh <name> <vertices> <faces> <min x y z> <max x y z>
//   vertex <name> <index> <position x y z> <normal x y z>
//   face <name> <index> <three vertex indices>
// Usage: d3dx_probe.exe [output file]   (default: standard output)
#include <cstdio>

#include "platform/d3d9_api.h"

namespace {

FILE* out = stdout;

void Print(const char* name, const D3DXMATRIX& m) {
  std::fprintf(out, "matrix %s", name);
  for (int i = 0; i < 16; ++i) std::fprintf(out, " %.9g", static_cast<double>(m.m[i / 4][i % 4]));
  std::fprintf(out, "\n");
}

void Matrices() {
  D3DXMATRIX m;
  D3DXMATRIX a;
  D3DXMATRIX b;
  D3DXMATRIX c;
  Print("identity", *D3DXMatrixIdentity(&m));
  Print("rotx_half_pi", *D3DXMatrixRotationX(&m, 1.5707964f));
  Print("rotx_0", *D3DXMatrixRotationX(&m, 0.0f));
  Print("rotx_0.3", *D3DXMatrixRotationX(&m, 0.3f));
  Print("rotx_-2", *D3DXMatrixRotationX(&m, -2.0f));
  Print("rotx_pi", *D3DXMatrixRotationX(&m, 3.14159265f));
  Print("rotz_-half_pi", *D3DXMatrixRotationZ(&m, -1.5707964f));
  Print("rotz_0.5", *D3DXMatrixRotationZ(&m, 0.5f));
  Print("rotz_2.5", *D3DXMatrixRotationZ(&m, 2.5f));
  Print("rotz_-0.0001", *D3DXMatrixRotationZ(&m, -0.0001f));
  Print("rotz_pi_third", *D3DXMatrixRotationZ(&m, 1.0471976f));
  Print("trans_0_2.5_0", *D3DXMatrixTranslation(&m, 0.0f, 2.5f, 0.0f));
  Print("trans_1_-2_3.5", *D3DXMatrixTranslation(&m, 1.0f, -2.0f, 3.5f));
  Print("trans_-13.587_10.191_0", *D3DXMatrixTranslation(&m, -13.587f, 10.191f, 0.0f));
  Print("scale_1_1_5", *D3DXMatrixScaling(&m, 1.0f, 1.0f, 5.0f));
  Print("scale_2_-3_0.5", *D3DXMatrixScaling(&m, 2.0f, -3.0f, 0.5f));

  D3DXMatrixRotationX(&a, 1.5707964f);
  D3DXMatrixTranslation(&b, 0.0f, 2.5f, 0.0f);
  D3DXMatrixMultiply(&m, &a, &b);
  Print("rotx_times_trans", m);
  D3DXMatrixRotationZ(&c, -1.5707964f);
  D3DXMATRIX basis;
  D3DXMatrixMultiply(&basis, &m, &c);
  Print("link_basis", basis);

  // A link of length 5 at 60 degrees from the node at (5, 8.660254).
  D3DXMATRIX s;
  D3DXMATRIX r;
  D3DXMATRIX w;
  D3DXMatrixScaling(&s, 1.0f, 1.0f, 5.0f);
  D3DXMatrixRotationZ(&r, 1.0471976f);
  D3DXMatrixTranslation(&w, 5.0f, 8.660254f, 0.0f);
  D3DXMatrixMultiply(&m, &s, &basis);
  D3DXMatrixMultiply(&m, &m, &r);
  D3DXMatrixMultiply(&m, &m, &w);
  Print("link_world", m);

  D3DXMATRIX p(1.5f, -2.0f, 0.25f, 3.0f, 0.5f, 4.0f, -1.0f, 0.0f, 2.0f, 0.125f, -3.5f, 1.0f, -6.0f,
               7.0f, 0.75f, 1.0f);
  D3DXMATRIX q(0.3f, 1.1f, -0.7f, 2.0f, -1.3f, 0.2f, 5.0f, -0.5f, 0.9f, -2.2f, 0.4f, 1.5f, 3.3f,
               0.6f, -0.8f, -1.0f);
  D3DXMatrixMultiply(&m, &p, &q);
  Print("general_p_times_q", m);
  D3DXMatrixMultiply(&m, &q, &p);
  Print("general_q_times_p", m);

  Print("proj_system", *D3DXMatrixPerspectiveFovLH(&m, 0.94247788f, 1.3333334f, 1.0f, 1000.0f));
  Print("proj_quarter_pi", *D3DXMatrixPerspectiveFovLH(&m, 0.785398f, 1.0f, 0.1f, 100.0f));
  Print("proj_wide", *D3DXMatrixPerspectiveFovLH(&m, 1.2f, 1.7777778f, 0.5f, 50.0f));

  D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXVECTOR3 eye(0.0f, 0.0f, -20.0f);
  D3DXVECTOR3 at(0.0f, 0.0f, -19.0f);
  Print("view_system", *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  eye = D3DXVECTOR3(0.4f, -0.8f, -18.0f);
  at = D3DXVECTOR3(0.4f, -0.8f, -17.0f);
  Print("view_panned", *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  eye = D3DXVECTOR3(3.0f, 4.0f, -5.0f);
  at = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  Print("view_oblique", *D3DXMatrixLookAtLH(&m, &eye, &at, &up));
  eye = D3DXVECTOR3(-2.0f, 1.0f, 3.0f);
  at = D3DXVECTOR3(1.0f, -1.0f, 0.0f);
  D3DXVECTOR3 zUp(0.0f, 0.0f, 1.0f);
  Print("view_z_up", *D3DXMatrixLookAtLH(&m, &eye, &at, &zUp));
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
    ID3DXMesh* mesh = nullptr;
    D3DXCreateSphere(device, 0.1f, 10, 10, &mesh, nullptr);
    PrintMesh("sphere_0.1_10_10", mesh);
    mesh = nullptr;
    D3DXCreateSphere(device, 1.0f, 10, 10, &mesh, nullptr);
    PrintMesh("sphere_1_10_10", mesh);
    mesh = nullptr;
    D3DXCreateCylinder(device, 0.1f, 0.1f, 1.0f, 5, 1, &mesh, nullptr);
    PrintMesh("cylinder_0.1_0.1_1_5_1", mesh);
    mesh = nullptr;
    D3DXCreateCylinder(device, 0.5f, 1.0f, 2.0f, 6, 3, &mesh, nullptr);
    PrintMesh("cylinder_0.5_1_2_6_3", mesh);
    mesh = nullptr;
    D3DXCreateSphere(device, 2.0f, 7, 4, &mesh, nullptr);
    PrintMesh("sphere_2_7_4", mesh);
    device->Release();
  }
  if (window != nullptr) DestroyWindow(window);
  if (out != stdout) std::fclose(out);
  return device == nullptr ? 1 : 0;
}
