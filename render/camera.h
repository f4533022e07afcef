#pragma once

#include "lattice/node.h"
#include "platform/d3d9_api.h"

// The viewpoint: always looking along +z with +y up at the lattice plane
// z = 0; only the eye moves, sideways (pan) or towards the plane (zoom).
struct Camera {
  D3DXVECTOR3 up;
  D3DXVECTOR3 lookDir;
  D3DXVECTOR3 eye;

  explicit Camera(float distance);

  // Each step scales with the eye's distance from the plane. A step whose
  // result would not be a finite float is not taken.
  void PanX(float amount);
  void PanY(float amount);
  void Zoom(float amount);

  D3DXMATRIX* ViewMatrix(D3DXMATRIX* out) const;

  // The plane point under a client-area pixel. The back buffer is stretched
  // onto the client area, so the pixel is first scaled by back-buffer size
  // over client size; reads the viewport and projection back from the device.
  PlanePoint ScreenToPlane(IDirect3DDevice9& device, int x, int y, int clientWidth,
                           int clientHeight) const;
};
