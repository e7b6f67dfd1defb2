#include "render/Program.h"

#include <cstdlib>
#include <vector>

#include "render/Resources.h"
#include "shell/MessageBox.h"

namespace {

// Shows the info log of a shader or program object (caption "Debug"), then
// `failureText`.
template <typename GetParameter, typename GetLog>
void ShowInfoLog(GLuint object, GetParameter getParameter, GetLog getLog, const char* failureText) {
  GLint length = 0;
  getParameter(object, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
  getLog(object, length, nullptr, log.data());
  ShowMessageBox(log.data(), "Debug", MessageIcon::Information);
  ShowMessageBox(failureText, "Debug", MessageIcon::Information);
}

// Compiles one stage. A stage that does not compile shows the compiler's
// log, then `failureText`, deletes the shader and ends the process.
GLuint CompileStage(GLenum kind, const char* source, const char* failureText) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status == 0) {
    ShowInfoLog(shader, glGetShaderiv, glGetShaderInfoLog, failureText);
    glDeleteShader(shader);
    std::exit(0);
  }
  return shader;
}

}  // namespace

GLFWProgram::GLFWProgram(int vertexTextId, int fragmentTextId)
    : vertexSource(new char[kShaderBufferSize]()), fragmentSource(new char[kShaderBufferSize]()) {
  LoadShaderText(static_cast<std::uint16_t>(vertexTextId), vertexSource);
  LoadShaderText(static_cast<std::uint16_t>(fragmentTextId), fragmentSource);

  programId = glCreateProgram();
  // The fragment stage is not touched when the vertex stage fails.
  vertexShader = CompileStage(GL_VERTEX_SHADER, vertexSource, "Vertex shader compilation error");
  fragmentShader =
      CompileStage(GL_FRAGMENT_SHADER, fragmentSource, "Fragment shader compilation error");

  glAttachShader(programId, vertexShader);
  glAttachShader(programId, fragmentShader);
  glLinkProgram(programId);

  // A program that does not link draws nothing at all, which on a screensaver
  // reads as a silently black screen. Say why, then carry on: the program is
  // registered all the same and its draws are simply ignored by OpenGL.
  GLint linked = 0;
  glGetProgramiv(programId, GL_LINK_STATUS, &linked);
  if (linked == 0) {
    ShowInfoLog(programId, glGetProgramiv, glGetProgramInfoLog, "Shader program link error");
  }
}

namespace {

// One cache for both kinds of location: the first answer for a name stands.
// The look-up takes the name as it comes (std::less<> compares a const char*
// against the stored strings), so only the first look-up of a name builds a
// string.
template <typename Query>
GLint CachedLocation(std::map<std::string, GLint, std::less<>>& cache, const char* name,
                     Query query) {
  const auto found = cache.find(name);
  if (found != cache.end()) return found->second;
  const GLint location = query();
  cache.emplace(name, location);
  return location;
}

}  // namespace

GLint GLFWProgram::GetUniformLocation(const char* name) {
  return CachedLocation(locationCache, name,
                        [&] { return glGetUniformLocation(programId, name); });
}

GLint GLFWProgram::GetAttribLocation(const char* name) {
  return CachedLocation(locationCache, name, [&] { return glGetAttribLocation(programId, name); });
}

void GLFWProgram::Use() const { glUseProgram(programId); }

void GLFWProgramRegistry::AddProgram(const char* name, int vertexTextId, int fragmentTextId) {
  if (programs.find(name) != programs.end()) {
    // The first registration stands; the second program is not even built,
    // so no shader objects are made for it.
    return;
  }
  programs.emplace(name, new GLFWProgram(vertexTextId, fragmentTextId));
}

GLFWProgram* GLFWProgramRegistry::GetProgram(const char* name) const {
  const auto found = programs.find(name);
  return found == programs.end() ? nullptr : found->second;
}

void GLFWProgramRegistry::UseProgram(const char* name) const {
  if (GLFWProgram* program = GetProgram(name)) program->Use();
}
