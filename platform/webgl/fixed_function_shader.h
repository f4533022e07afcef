#pragma once
// The GLSL ES 3.00 program that draws as Direct3D 9's fixed-function pipeline
// does for the subset the program uses: positions and normals, per-vertex
// lighting by one directional light with ambient, diffuse, specular and
// emissive terms, and the scene's ambient level.
#include <GLES3/gl3.h>

#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

// Vertex attribute slots.
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kNormalAttribute = 1;

class FixedFunctionShader {
 public:
  // Compiles and links; false (and nothing made) when the browser refuses.
  bool Build();
  void Delete();
  void Use() const { glUseProgram(program_); }

  void SetProjection(const D3DMATRIX& clipProjection) const;
  // World x view, and the rows of its normal matrix.
  void SetTransform(const D3DMATRIX& modelView) const;
  // Specular is left out (zero) unless `specular`.
  void SetMaterial(const D3DMATERIAL9& material, bool specular) const;
  // The light in camera space; `enabled` false leaves only ambient and emissive.
  void SetLight(const D3DLIGHT9& light, const D3DVECTOR& towardsLight, bool enabled) const;
  void SetLighting(bool lighting, bool normalize, D3DCOLOR sceneAmbient) const;

 private:
  GLuint program_ = 0;
  GLint projection_ = -1;
  GLint transform_ = -1;
  GLint material_ = -1;
  GLint light_ = -1;
  GLint sceneAmbient_ = -1;
  GLint switches_ = -1;
};

}  // namespace latticegas_d3d9
