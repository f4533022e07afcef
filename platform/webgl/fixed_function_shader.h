#pragma once
// The GLSL ES 3.00 program that draws as Direct3D 9's fixed-function pipeline
// does for the subset the program uses: positions and normals, per-vertex
// lighting by one directional light with ambient, diffuse, specular and
// emissive terms, and the scene's ambient level.
#include <GLES3/gl3.h>

#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

// Vertex attribute slots: per vertex, then per instance (one drawn mesh).
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kNormalAttribute = 1;
constexpr GLuint kFirstInstanceAttribute = 2;

// What one draw of a mesh brings: world x view, the rows of its normal matrix,
// and the material (specular zero when it is switched off). The shader reads
// it per instance, so that many draws of a mesh go in one call.
struct InstanceData {
  float modelView[16];
  float normalMatrix[9];
  float ambient[4];
  float diffuse[4];
  float specular[4];
  float emissive[4];
  float power;
};
static_assert(sizeof(InstanceData) == 42 * sizeof(float));

InstanceData MakeInstance(const D3DMATRIX& modelView, const D3DMATERIAL9& material, bool specular);

// Points the instance attributes of the bound vertex array at the bound
// array buffer, one InstanceData per instance.
void SetInstanceAttributes();

// A program of the two shaders' sources; 0 (with the browser's reasons on
// standard error) when either fails to compile or they fail to link.
GLuint LinkProgram(const char* vertexSource, const char* fragmentSource);

class FixedFunctionShader {
 public:
  // Compiles and links; false (and nothing made) when the browser refuses.
  bool Build();
  void Delete();
  void Use() const { glUseProgram(program_); }

  void SetProjection(const D3DMATRIX& clipProjection) const;
  // The light in camera space; `enabled` false leaves only ambient and emissive.
  void SetLight(const D3DLIGHT9& light, const D3DVECTOR& towardsLight, bool enabled) const;
  void SetLighting(bool lighting, bool normalize, D3DCOLOR sceneAmbient) const;

 private:
  GLuint program_ = 0;
  GLint projection_ = -1;
  GLint light_ = -1;
  GLint sceneAmbient_ = -1;
  GLint switches_ = -1;
};

}  // namespace latticegas_d3d9
