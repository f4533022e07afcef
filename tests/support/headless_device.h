#pragma once
// A Direct3D 9 device that keeps every state in plain memory and draws nothing,
// so that drawing code can be checked without a display, plus read access to
// what it was given. Meshes created on it (D3DXCreateSphere, D3DXCreateCylinder)
// hold their geometry on the CPU only. Linking this library also puts a
// Direct3DCreate9 of its own in place of the program's (platform/gl/
// direct3d_create9.cpp), which tests can have hand out a headless Direct3D
// object whose devices are such devices, and otherwise makes the real one;
// and D3DXCreateSphere and D3DXCreateCylinder of its own in place of the
// program's (platform/d3d9/d3dx_shapes.cpp), which fail a headless device's
// mesh when its setup says so (failingMesh) and otherwise make it alike.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

// One DrawSubset call as the device saw it.
struct DrawRecord {
  const ID3DXMesh* mesh;
  DWORD subset;
  D3DMATRIX world;
  D3DMATERIAL9 material;
};

struct HeadlessLog {
  std::vector<DrawRecord> draws;
  unsigned clearCount = 0;
  unsigned beginSceneCount = 0;
  unsigned endSceneCount = 0;
  unsigned presentCount = 0;
  // Arguments of the last Clear.
  DWORD lastClearFlags = 0;
  D3DCOLOR lastClearColor = 0;
  float lastClearZ = 0.0f;
  DWORD lastClearStencil = 0;
  DWORD lastClearRectCount = 0;
  // True between BeginScene and EndScene.
  bool inScene = false;
  // Draws made outside BeginScene/EndScene.
  unsigned drawsOutsideScene = 0;
};

// A new headless device with a back buffer (and viewport) of width x height,
// holding one reference. Direct3D's defaults apply to every state.
IDirect3DDevice9* CreateHeadlessDevice(UINT width, UINT height);

// What the headless Direct3D object reports, and what its devices do.
struct HeadlessDirect3DSetup {
  // False: Direct3DCreate9 gives no object, as without a display.
  bool available = true;
  // The DevCaps that GetDeviceCaps reports.
  DWORD devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  // 1, 2 or 3: the first, second or third mesh made on one of its devices
  // fails for lack of memory; 0: none does.
  int failingMesh = 0;
  // Where the object and its devices note their calls in call form
  // (`CreateDevice(0x40)`, `Present()`), beside the Win32 layer's; or null.
  std::vector<std::string>* calls = nullptr;
  // Run after each Present of its devices, with the number of frames
  // presented by that device so far: lets a test act between frames.
  std::function<void(unsigned frame)> onPresent;
};

// The arguments of one CreateDevice call.
struct CreateDeviceRequest {
  UINT adapter;
  D3DDEVTYPE deviceType;
  HWND focusWindow;
  DWORD behaviorFlags;
  D3DPRESENT_PARAMETERS parameters;
};

// For tests only: from now on Direct3DCreate9 hands out headless Direct3D
// objects set up so; the requests made of them start afresh.
void UseHeadlessDirect3D(HeadlessDirect3DSetup setup);
// Direct3DCreate9 gives the real Direct3D again.
void StopUsingHeadlessDirect3D();
// Every CreateDevice call made of headless Direct3D objects since
// UseHeadlessDirect3D, oldest first.
const std::vector<CreateDeviceRequest>& HeadlessDeviceRequests();

// The log of a device made by CreateHeadlessDevice; null for any other device.
HeadlessLog* HeadlessLogOf(IDirect3DDevice9* device);

// The references the device currently holds (its COM count), 0 for another device.
ULONG HeadlessRefCount(IDirect3DDevice9* device);

// Geometry of a mesh made by D3DXCreateSphere or D3DXCreateCylinder: positions
// and normals per vertex, three indices per face.
struct MeshGeometry {
  std::vector<D3DXVECTOR3> positions;
  std::vector<D3DXVECTOR3> normals;
  std::vector<unsigned> indices;
  D3DXVECTOR3 boundsMin;
  D3DXVECTOR3 boundsMax;
};

// False when the mesh did not come from our D3DX functions.
bool ReadMeshGeometry(ID3DXMesh* mesh, MeshGeometry* out);

}  // namespace latticegas_d3d9
