#include "platform/webgl/triangle_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

namespace latticegas_webgl {
namespace {

using latticegas_d3d9::LightVertex;
using latticegas_d3d9::NormalMatrixRows;
using latticegas_d3d9::Vertex;

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

}  // namespace

bool TriangleStream::Create() {
  program_ = LinkProgram(kVertexShader, kFragmentShader);
  if (program_ == 0) return false;
  projection_ = glGetUniformLocation(program_, "u_projection");
  glGenVertexArrays(1, &vertexArray_);
  glBindVertexArray(vertexArray_);
  glGenBuffers(1, &buffer_);
  glBindBuffer(GL_ARRAY_BUFFER, buffer_);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(StreamVertex),
                        reinterpret_cast<const void*>(offsetof(StreamVertex, eye)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(StreamVertex),
                        reinterpret_cast<const void*>(offsetof(StreamVertex, colour)));
  glBindVertexArray(0);
  pending_.reserve(kChunkVertices + 3 * 1024);
  return true;
}

void TriangleStream::Delete() {
  if (buffer_ != 0) glDeleteBuffers(1, &buffer_);
  if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
  if (program_ != 0) glDeleteProgram(program_);
  buffer_ = vertexArray_ = program_ = 0;
  pending_.clear();
}

void TriangleStream::SetProjection(const D3DMATRIX& clipProjection) {
  Flush();
  glUseProgram(program_);
  glUniformMatrix4fv(projection_, 1, GL_FALSE, &clipProjection.m[0][0]);
}

void TriangleStream::Append(const latticegas_d3d9::Mesh& mesh, std::span<const uint16_t> indices,
                            const D3DMATRIX& modelView,
                            const latticegas_d3d9::VertexLighting& lighting,
                            const D3DMATERIAL9& material) {
  // Each vertex the kept triangles use, once, as the shader would: position
  // and normal to camera space (row vectors, Direct3D's order), then lit.
  // With the whole grid in view most triangles are left out, and with them
  // most vertices.
  const auto& m = modelView.m;
  const std::array<D3DVECTOR, 3> normalRows = NormalMatrixRows(modelView);
  const std::vector<Vertex>& vertices = mesh.vertices();
  if (meshScratch_.size() < vertices.size()) {
    meshScratch_.resize(vertices.size());
    carriedIn_.resize(vertices.size(), 0);
  }
  if (++append_ == 0) {  // the count wrapped: no mark may look current
    std::fill(carriedIn_.begin(), carriedIn_.end(), 0);
    append_ = 1;
  }
  for (uint16_t k : indices) {
    if (carriedIn_[k] == append_) continue;
    carriedIn_[k] = append_;
    const float* p = vertices[k].position;
    const float* n = vertices[k].normal;
    StreamVertex& out = meshScratch_[k];
    for (int j = 0; j < 3; ++j) out.eye[j] = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];
    const float normal[3] = {
        n[0] * normalRows[0].x + n[1] * normalRows[1].x + n[2] * normalRows[2].x,
        n[0] * normalRows[0].y + n[1] * normalRows[1].y + n[2] * normalRows[2].y,
        n[0] * normalRows[0].z + n[1] * normalRows[1].z + n[2] * normalRows[2].z};
    float colour[4];
    LightVertex(lighting, material, out.eye, normal, colour);
    for (int c = 0; c < 4; ++c) out.colour[c] = static_cast<uint8_t>(colour[c] * 255.0f + 0.5f);
  }
  for (uint16_t index : indices) pending_.push_back(meshScratch_[index]);
  if (pending_.size() >= kChunkVertices) Flush();
}

void TriangleStream::Flush() {
  if (pending_.empty()) return;
  glUseProgram(program_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, buffer_);
  // A new store each time, so the browser need not wait for the last draw.
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(pending_.size() * sizeof(StreamVertex)),
               pending_.data(), GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(pending_.size()));
  pending_.clear();
}

}  // namespace latticegas_webgl
