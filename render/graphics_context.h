#pragma once

#include "platform/d3d9_api.h"

// The Direct3D device and every drawing resource that stays fixed for the life
// of the program. Starts with every field zero; Release runs at teardown.
struct GraphicsContext {
  int width = 0;   // back buffer, pixels
  int height = 0;
  IDirect3DDevice9* device = nullptr;
  D3DXMATRIX linkBasis{};  // lays the link cylinder along +x, centred half a spacing out
  ID3DXMesh* linkMesh = nullptr;
  ID3DXMesh* nodeMesh = nullptr;
  D3DMATERIAL9 nodeMaterial{};
  D3DMATERIAL9 selectionMaterial{};
  D3DMATERIAL9 taggedMaterial{};
  D3DMATERIAL9 particleMaterial{};
  ID3DXMesh* particleMesh = nullptr;

  GraphicsContext() = default;
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;
  ~GraphicsContext() { Release(); }

  // Creates the device for the window and loads the resources; on failure
  // shows the reason in a message box and returns false.
  bool InitD3D(HWND window, int backBufferWidth, int backBufferHeight);
  // Materials, meshes, link basis, projection, light and render states.
  bool LoadResources();
  // Gives back the meshes, then the device; safe on a context that never started.
  void Release();
  // False unless InitD3D succeeded: nothing may be drawn through this context then.
  bool CanDraw() const;

  static D3DMATERIAL9 MakeMaterial(D3DCOLORVALUE ambient, D3DCOLORVALUE diffuse,
                                   D3DCOLORVALUE specular, D3DCOLORVALUE emissive, float power);
};
