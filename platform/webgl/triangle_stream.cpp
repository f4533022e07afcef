#include "platform/webgl/triangle_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

namespace latticegas_webgl {
namespace {

// The vertices come in camera space, lit: the shaders only project them and
// pass their colour on.
constexpr const char* kVertexShader = R"(#version 300 es
precision highp float;
layout(location = 0) in vec3 a_eye;
layout(location = 1) in vec4 a_colour;
uniform mat4 u_projection;
out vec4 v_colour;
void main() {
  gl_Position = u_projection * vec4(a_eye, 1.0);
  v_colour = a_colour;
}
)";

// Direct3D's lighting per vertex, in camera space, as LightVertex has it: the
// model-view and normal matrices as Direct3D's row-major ones read
// column-major; a directional light gives specular only to vertices it
// lights (N.L > 0); a local viewer; each channel clamped to [0, 1].
constexpr const char* kLitVertexShader = R"(#version 300 es
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
  if (u_switches.y != 0.0 && dot(n, n) > 0.0) n = normalize(n);
  vec3 colour = i_emissive.rgb + i_ambient.rgb * u_sceneAmbient.rgb;
  if (u_light[0].w != 0.0) {
    vec3 l = u_light[0].xyz;
    float nDotL = dot(n, l);
    colour += i_ambient.rgb * u_light[3].rgb;
    colour += max(nDotL, 0.0) * i_diffuse.rgb * u_light[1].rgb;
    if (nDotL > 0.0) {
      vec3 h = l;
      if (dot(eye.xyz, eye.xyz) > 0.0) h -= normalize(eye.xyz);
      float nDotH = dot(h, h) > 0.0 ? dot(n, normalize(h)) : 0.0;
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

// A program of the two shaders' sources; 0 (with the browser's reasons on
// standard error) when either fails to compile or they fail to link.
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

void SetColour(GLfloat* out, const D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

void InstanceAttribute(GLuint slot, GLint size, std::size_t offset) {
  glEnableVertexAttribArray(slot);
  glVertexAttribPointer(slot, size, GL_FLOAT, GL_FALSE, sizeof(MeshInstance),
                        reinterpret_cast<const void*>(offset));
  glVertexAttribDivisor(slot, 1);
}

// The shader's attributes 2 to 13 from the instance buffer bound.
void SetInstanceAttributes() {
  for (GLuint column = 0; column < 4; ++column)
    InstanceAttribute(2 + column, 4, offsetof(MeshInstance, modelView) + 4 * column * sizeof(float));
  for (GLuint column = 0; column < 3; ++column)
    InstanceAttribute(6 + column, 3, offsetof(MeshInstance, normalMatrix) + 3 * column * sizeof(float));
  InstanceAttribute(9, 4, offsetof(MeshInstance, ambient));
  InstanceAttribute(10, 4, offsetof(MeshInstance, diffuse));
  InstanceAttribute(11, 4, offsetof(MeshInstance, specular));
  InstanceAttribute(12, 4, offsetof(MeshInstance, emissive));
  InstanceAttribute(13, 1, offsetof(MeshInstance, power));
}

}  // namespace

bool TriangleStream::Create() {
  program_ = LinkProgram(kVertexShader, kFragmentShader);
  litProgram_ = LinkProgram(kLitVertexShader, kFragmentShader);
  if (program_ == 0 || litProgram_ == 0) return false;
  projection_ = glGetUniformLocation(program_, "u_projection");
  litProjection_ = glGetUniformLocation(litProgram_, "u_projection");
  light_ = glGetUniformLocation(litProgram_, "u_light");
  sceneAmbient_ = glGetUniformLocation(litProgram_, "u_sceneAmbient");
  switches_ = glGetUniformLocation(litProgram_, "u_switches");
  stream_ = MakeBuffer(0);
  glGenBuffers(1, &instances_);
  return true;
}

TriangleStream::Buffer TriangleStream::MakeBuffer(uint32_t store) {
  Buffer made{store, 0, 0};
  glGenVertexArrays(1, &made.vertexArray);
  glBindVertexArray(made.vertexArray);
  glGenBuffers(1, &made.buffer);
  glBindBuffer(GL_ARRAY_BUFFER, made.buffer);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(StreamVertex),
                        reinterpret_cast<const void*>(offsetof(StreamVertex, eye)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(StreamVertex),
                        reinterpret_cast<const void*>(offsetof(StreamVertex, colour)));
  glBindVertexArray(0);
  return made;
}

void TriangleStream::DeleteBuffer(const Buffer& buffer) {
  if (buffer.buffer != 0) glDeleteBuffers(1, &buffer.buffer);
  if (buffer.vertexArray != 0) glDeleteVertexArrays(1, &buffer.vertexArray);
}

void TriangleStream::Delete() {
  DeleteBuffer(stream_);
  stream_ = Buffer{};
  for (const Buffer& store : stores_) DeleteBuffer(store);
  stores_.clear();
  for (const MeshArrays& arrays : meshes_) DeleteArrays(arrays);
  meshes_.clear();
  if (instances_ != 0) glDeleteBuffers(1, &instances_);
  instances_ = 0;
  if (program_ != 0) glDeleteProgram(program_);
  if (litProgram_ != 0) glDeleteProgram(litProgram_);
  program_ = litProgram_ = 0;
}

void TriangleStream::SetProjection(const D3DMATRIX& clipProjection) {
  glUseProgram(program_);
  glUniformMatrix4fv(projection_, 1, GL_FALSE, &clipProjection.m[0][0]);
  glUseProgram(litProgram_);
  glUniformMatrix4fv(litProjection_, 1, GL_FALSE, &clipProjection.m[0][0]);
}

const TriangleStream::MeshArrays& TriangleStream::ArraysOf(const latticegas_d3d9::Mesh& mesh) {
  for (const MeshArrays& arrays : meshes_)
    if (arrays.mesh == &mesh) return arrays;
  MeshArrays made;
  made.mesh = &mesh;
  glGenVertexArrays(1, &made.vertexArray);
  glBindVertexArray(made.vertexArray);
  glGenBuffers(1, &made.vertices);
  glBindBuffer(GL_ARRAY_BUFFER, made.vertices);
  const std::vector<latticegas_d3d9::Vertex>& vertices = mesh.vertices();
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof vertices[0]),
               vertices.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(latticegas_d3d9::Vertex),
                        reinterpret_cast<const void*>(offsetof(latticegas_d3d9::Vertex, position)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(latticegas_d3d9::Vertex),
                        reinterpret_cast<const void*>(offsetof(latticegas_d3d9::Vertex, normal)));
  glGenBuffers(1, &made.indices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, made.indices);
  const std::vector<uint16_t>& indices = mesh.indices();
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof indices[0]),
               indices.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, instances_);
  SetInstanceAttributes();
  glBindVertexArray(0);
  meshes_.push_back(made);
  return meshes_.back();
}

void TriangleStream::DeleteArrays(const MeshArrays& arrays) {
  glDeleteVertexArrays(1, &arrays.vertexArray);
  glDeleteBuffers(1, &arrays.vertices);
  glDeleteBuffers(1, &arrays.indices);
}

void TriangleStream::Forget(const latticegas_d3d9::Mesh& mesh) {
  std::erase_if(meshes_, [&mesh](const MeshArrays& arrays) {
    if (arrays.mesh != &mesh) return false;
    DeleteArrays(arrays);
    return true;
  });
}

void TriangleStream::SetLighting(const latticegas_d3d9::VertexLighting& lighting) {
  GLfloat light[4 * 4] = {lighting.towardsLight.x, lighting.towardsLight.y,
                          lighting.towardsLight.z, lighting.lightEnabled ? 1.0f : 0.0f};
  SetColour(light + 4, lighting.lightDiffuse);
  SetColour(light + 8, lighting.lightSpecular);
  SetColour(light + 12, lighting.lightAmbient);
  glUniform4fv(light_, 4, light);
  GLfloat ambient[4];
  SetColour(ambient, lighting.sceneAmbient);
  glUniform4fv(sceneAmbient_, 1, ambient);
  glUniform2f(switches_, lighting.lighting ? 1.0f : 0.0f, lighting.normalize ? 1.0f : 0.0f);
}

void TriangleStream::DrawInstances(const latticegas_d3d9::Mesh& mesh,
                                   const latticegas_d3d9::VertexLighting& lighting,
                                   std::span<const MeshInstance> instances) {
  const MeshArrays& arrays = ArraysOf(mesh);
  glUseProgram(litProgram_);
  SetLighting(lighting);
  glBindVertexArray(arrays.vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, instances_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instances.size_bytes()), instances.data(),
               GL_STREAM_DRAW);
  glDrawElementsInstanced(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices().size()),
                          GL_UNSIGNED_SHORT, nullptr, static_cast<GLsizei>(instances.size()));
}

void TriangleStream::Draw(const Buffer& buffer, GLint first, GLsizei count) {
  glUseProgram(program_);
  glBindVertexArray(buffer.vertexArray);
  glDrawArrays(GL_TRIANGLES, first, count);
}

void TriangleStream::DrawNew(std::span<const StreamVertex> vertices) {
  glBindBuffer(GL_ARRAY_BUFFER, stream_.buffer);
  // A new store each time, so the browser need not wait for the last draw.
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size_bytes()), vertices.data(),
               GL_STREAM_DRAW);
  Draw(stream_, 0, static_cast<GLsizei>(vertices.size()));
}

void TriangleStream::Keep(uint32_t store, std::span<const StreamVertex> vertices) {
  const Buffer made = MakeBuffer(store);
  glBindBuffer(GL_ARRAY_BUFFER, made.buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size_bytes()), vertices.data(),
               GL_STATIC_DRAW);
  stores_.push_back(made);
}

void TriangleStream::DrawKept(uint32_t store, uint32_t first, uint32_t count) {
  for (const Buffer& kept : stores_) {
    if (kept.store != store) continue;
    Draw(kept, static_cast<GLint>(first), static_cast<GLsizei>(count));
    return;
  }
}

void TriangleStream::Drop(uint32_t store) {
  std::erase_if(stores_, [store](const Buffer& kept) {
    if (kept.store != store) return false;
    DeleteBuffer(kept);
    return true;
  });
}

}  // namespace latticegas_webgl
