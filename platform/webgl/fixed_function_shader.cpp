#include "platform/webgl/fixed_function_shader.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/d3d9/fixed_function.h"

namespace latticegas_d3d9 {
namespace {

// Direct3D's lighting per vertex, in camera space, with the conventions of the
// desktop stand-in (OpenGL's fixed function): the model-view and projection as
// Direct3D's row-major matrices read column-major; a directional light
// contributes specular only to vertices it lights (N.L > 0); the local viewer
// of Direct3D's default; each channel clamped to [0, 1].
constexpr const char* kVertexShader = R"(#version 300 es
precision highp float;
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
// Per instance: model-view, normal matrix, material.
layout(location = 2) in mat4 i_modelView;
layout(location = 6) in mat3 i_normalMatrix;
layout(location = 9) in vec4 i_ambient;
layout(location = 10) in vec4 i_diffuse;
layout(location = 11) in vec4 i_specular;
layout(location = 12) in vec4 i_emissive;
layout(location = 13) in float i_power;
uniform mat4 u_projection;
// (towards the light, enabled), diffuse, specular, ambient.
uniform vec4 u_light[4];
uniform vec4 u_sceneAmbient;
// (lighting, normalize normals).
uniform vec2 u_switches;
out vec4 v_colour;

void main() {
  vec4 eye = i_modelView * vec4(a_position, 1.0);
  gl_Position = u_projection * eye;
  if (u_switches.x == 0.0) {
    v_colour = vec4(1.0);
    return;
  }
  vec3 n = i_normalMatrix * a_normal;
  if (u_switches.y != 0.0) n = normalize(n);
  vec3 colour = i_emissive.rgb + i_ambient.rgb * u_sceneAmbient.rgb;
  if (u_light[0].w != 0.0) {
    vec3 l = u_light[0].xyz;
    float nDotL = dot(n, l);
    colour += i_ambient.rgb * u_light[3].rgb;
    colour += max(nDotL, 0.0) * i_diffuse.rgb * u_light[1].rgb;
    if (nDotL > 0.0) {
      vec3 h = normalize(l + normalize(-eye.xyz));
      float nDotH = dot(n, h);
      if (nDotH > 0.0) colour += pow(nDotH, i_power) * i_specular.rgb * u_light[2].rgb;
    }
  }
  v_colour = vec4(clamp(colour, 0.0, 1.0), clamp(i_diffuse.a, 0.0, 1.0));
}
)";

constexpr const char* kFragmentShader = R"(#version 300 es
precision highp float;
in vec4 v_colour;
out vec4 o_colour;
void main() { o_colour = v_colour; }
)";

// Why a shader or the program failed, from the driver's info log, on
// standard error: the browser's console on the web. Without it a device that
// cannot be made says nothing of its cause.
void ReportFailure(const char* what, GLuint object, bool isShader) {
  GLint length = 0;
  if (isShader) glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  else glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
  GLsizei written = 0;
  if (isShader) glGetShaderInfoLog(object, length, &written, log.data());
  else glGetProgramInfoLog(object, length, &written, log.data());
  log.resize(static_cast<std::size_t>(std::max(written, 0)));
  std::fprintf(stderr, "%s failed: %s\n", what, log.empty() ? "(no log)" : log.c_str());
}

GLuint Compile(GLenum type, const char* source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return shader;
  ReportFailure(type == GL_VERTEX_SHADER ? "compiling the vertex shader"
                                         : "compiling the fragment shader",
                shader, true);
  glDeleteShader(shader);
  return 0;
}

void SetColour(GLfloat* out, const D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

void InstanceAttribute(GLuint slot, GLint size, std::size_t offset) {
  glEnableVertexAttribArray(slot);
  glVertexAttribPointer(slot, size, GL_FLOAT, GL_FALSE, sizeof(InstanceData),
                        reinterpret_cast<const void*>(offset));
  glVertexAttribDivisor(slot, 1);
}

}  // namespace

InstanceData MakeInstance(const D3DMATRIX& modelView, const D3DMATERIAL9& material, bool specular) {
  InstanceData instance{};
  for (int i = 0; i < 16; ++i) instance.modelView[i] = modelView.m[i / 4][i % 4];
  // A row vector times the normal matrix: its rows become the shader's columns.
  const std::array<D3DVECTOR, 3> rows = NormalMatrixRows(modelView);
  for (int i = 0; i < 3; ++i) {
    instance.normalMatrix[3 * i] = rows[i].x;
    instance.normalMatrix[3 * i + 1] = rows[i].y;
    instance.normalMatrix[3 * i + 2] = rows[i].z;
  }
  SetColour(instance.ambient, material.Ambient);
  SetColour(instance.diffuse, material.Diffuse);
  if (specular) SetColour(instance.specular, material.Specular);
  SetColour(instance.emissive, material.Emissive);
  // OpenGL's range for the exponent, as the desktop device clamps it.
  instance.power = SpecularExponent(material.Power);
  return instance;
}

void SetInstanceAttributes() {
  const GLuint first = kFirstInstanceAttribute;
  for (GLuint column = 0; column < 4; ++column)
    InstanceAttribute(first + column, 4, offsetof(InstanceData, modelView) + 4 * column * sizeof(float));
  for (GLuint column = 0; column < 3; ++column)
    InstanceAttribute(first + 4 + column, 3,
                      offsetof(InstanceData, normalMatrix) + 3 * column * sizeof(float));
  InstanceAttribute(first + 7, 4, offsetof(InstanceData, ambient));
  InstanceAttribute(first + 8, 4, offsetof(InstanceData, diffuse));
  InstanceAttribute(first + 9, 4, offsetof(InstanceData, specular));
  InstanceAttribute(first + 10, 4, offsetof(InstanceData, emissive));
  InstanceAttribute(first + 11, 1, offsetof(InstanceData, power));
}

GLuint LinkProgram(const char* vertexSource, const char* fragmentSource) {
  const GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource);
  const GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentSource);
  GLuint program = 0;
  if (vertex != 0 && fragment != 0) {
    program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
  }
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  if (program != 0) glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (program != 0 && linked != GL_TRUE) ReportFailure("linking the shaders", program, false);
  if (linked != GL_TRUE) {
    if (program != 0) glDeleteProgram(program);
    return 0;
  }
  return program;
}

bool FixedFunctionShader::Build() {
  program_ = LinkProgram(kVertexShader, kFragmentShader);
  if (program_ == 0) return false;
  projection_ = glGetUniformLocation(program_, "u_projection");
  light_ = glGetUniformLocation(program_, "u_light");
  sceneAmbient_ = glGetUniformLocation(program_, "u_sceneAmbient");
  switches_ = glGetUniformLocation(program_, "u_switches");
  return true;
}

void FixedFunctionShader::Delete() {
  if (program_ != 0) glDeleteProgram(program_);
  program_ = 0;
}

void FixedFunctionShader::SetProjection(const D3DMATRIX& clipProjection) const {
  glUniformMatrix4fv(projection_, 1, GL_FALSE, &clipProjection.m[0][0]);
}

void FixedFunctionShader::SetLight(const D3DLIGHT9& light, const D3DVECTOR& towardsLight,
                                   bool enabled) const {
  GLfloat packed[4 * 4] = {towardsLight.x, towardsLight.y, towardsLight.z, enabled ? 1.0f : 0.0f};
  SetColour(packed + 4, light.Diffuse);
  SetColour(packed + 8, light.Specular);
  SetColour(packed + 12, light.Ambient);
  glUniform4fv(light_, 4, packed);
}

void FixedFunctionShader::SetLighting(bool lighting, bool normalize, D3DCOLOR sceneAmbient) const {
  GLfloat ambient[4];
  SetColour(ambient, ColourValueOf(sceneAmbient));
  glUniform4fv(sceneAmbient_, 1, ambient);
  glUniform2f(switches_, lighting ? 1.0f : 0.0f, normalize ? 1.0f : 0.0f);
}

}  // namespace latticegas_d3d9
