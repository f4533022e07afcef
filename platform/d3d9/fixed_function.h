#pragma once
// What a device without OpenGL's fixed function (the WebGL device) needs to
// light as Direct3D 9's fixed-function pipeline does, worked out on the CPU
// from the device's state; no GL here.
// (The projection for OpenGL's clip space is the culler's GlClipProjection.)
#include <array>

#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

// The rows of the matrix that takes a normal (a row vector) to camera space:
// the inverse transpose of the model-view's upper 3 x 3, so that normals stay
// perpendicular to surfaces under non-uniform scaling. Zero for a singular matrix.
std::array<D3DVECTOR, 3> NormalMatrixRows(const D3DMATRIX& modelView);

// The unit vector towards a directional light shining along `direction`
// (world space), in camera space.
D3DVECTOR TowardsLightInView(const D3DVECTOR& direction, const D3DMATRIX& view);

// A packed D3DCOLOR (ARGB) as four floats 0..1.
D3DCOLORVALUE ColourValueOf(D3DCOLOR colour);

// What lights a vertex besides its material: the device's switches, the
// scene's ambient level and the one directional light, towards it in camera
// space.
struct VertexLighting {
  bool lighting = true;
  bool normalize = false;
  bool specular = false;  // D3DRS_SPECULARENABLE
  D3DCOLORVALUE sceneAmbient{};
  bool lightEnabled = false;
  D3DVECTOR towardsLight{};
  D3DCOLORVALUE lightDiffuse{};
  D3DCOLORVALUE lightSpecular{};
  D3DCOLORVALUE lightAmbient{};
};

// The colour of a vertex at `eye` with normal `normal` (camera space), RGBA,
// as Direct3D lights it per vertex, with the desktop device's (OpenGL's)
// conventions: a directional light gives specular only to vertices it lights
// (N.L > 0), seen by a local viewer (Direct3D's default), each channel clamped
// to [0, 1]. The WebGL device lights the vertices it streams with it.
void LightVertex(const VertexLighting& setup, const D3DMATERIAL9& material, const float eye[3],
                 const float normal[3], float rgba[4]);

// A material's specular power within OpenGL's range for the exponent, 0..128.
inline float SpecularExponent(float power) {
  return power < 0.0f ? 0.0f : (power > 128.0f ? 128.0f : power);
}

}  // namespace latticegas_d3d9
