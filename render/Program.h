// Shader programs made of a vertex and a fragment text from the resources,
// and the registry that owns them by name.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "shell/GlEntryPoints.h"

class GLFWProgram {
 public:
  // Loads both texts, compiles the vertex stage, then the fragment stage, and
  // links. A stage that does not compile shows the compiler's log and
  // "Vertex shader compilation error" / "Fragment shader compilation error"
  // (caption "Debug") and ends the process with status 0.
  GLFWProgram(int vertexTextId, int fragmentTextId);

  // Locations through one cache shared by both kinds, keyed by name only;
  // OpenGL is asked once per name (-1 included). No allocation after the
  // first look-up of a name.
  GLint GetUniformLocation(const char* name);
  GLint GetAttribLocation(const char* name);
  void Use() const;

  char* vertexSource;
  char* fragmentSource;
  GLuint vertexShader = 0;
  GLuint fragmentShader = 0;
  GLuint programId = 0;
  std::map<std::string, GLint, std::less<>> locationCache;
};

class GLFWProgramRegistry {
 public:
  // The first registration of a name wins.
  void AddProgram(const char* name, int vertexTextId, int fragmentTextId);
  GLFWProgram* GetProgram(const char* name) const;  // null when not registered
  void UseProgram(const char* name) const;          // an unknown name: nothing

  std::map<std::string, GLFWProgram*, std::less<>> programs;
};
