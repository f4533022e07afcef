#pragma once
// The geometry of D3DX's sphere and cylinder, as D3DX lays it out: the same
// vertices and faces for every build, whether our stand-in devices draw them
// or a real Direct3D 9 device does (platform/windows) where D3DX9 is missing.
#include <cstdint>
#include <vector>

#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

// A vertex as D3DX's shapes hold it: D3DFVF_XYZ | D3DFVF_NORMAL.
struct Vertex {
  float position[3];
  float normal[3];
};
static_assert(sizeof(Vertex) == 24, "laid out as the vertex format D3DFVF_XYZ | D3DFVF_NORMAL");

// D3DERR_INVALIDCALL for the sizes D3DX refuses (too few slices or stacks, a
// negative size, more vertices than 16-bit indices reach), else D3D_OK.
HRESULT CheckSphere(float radius, UINT slices, UINT stacks);
HRESULT CheckCylinder(float radius1, float radius2, float length, UINT slices, UINT stacks);

// Geometry as D3DX builds it, for sizes the checks above accept.
void BuildSphere(float radius, UINT slices, UINT stacks, std::vector<Vertex>* vertices,
                 std::vector<uint16_t>* indices);
void BuildCylinder(float radius1, float radius2, float length, UINT slices, UINT stacks,
                   std::vector<Vertex>* vertices, std::vector<uint16_t>* indices);

}  // namespace latticegas_d3d9
