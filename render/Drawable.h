// Drawables: the embedded plane mesh uploaded once, drawn with a named
// program, a model matrix and per-draw uniform values.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "render/FrameState.h"
#include "render/Math.h"
#include "render/Program.h"

// Per-attribute arrays built from the loader's meshes.
struct GLFWMeshArrays {
  GLFWMeshArrays(int objTextId, int mtlTextId, float scale);

  float* positions = nullptr;   // 3 per vertex, scaled
  float* texCoords = nullptr;   // 2 per vertex
  float* normals = nullptr;     // 3 per vertex, unit length
  float* tangents = nullptr;    // 3 per vertex
  float* bitangents = nullptr;  // 3 per vertex
  float* ambient = nullptr;     // 3 per vertex (Ka)
  float* diffuse = nullptr;     // 3 per vertex (Kd)
  float* specular = nullptr;    // 4 per vertex (Ks, Ns)
  std::uint32_t* indexList = nullptr;
  std::int32_t vertexCount = 0;
  std::int32_t indexCount = 0;
  float scale = 1.0f;
};

// The arrays interleaved into 24-float vertex records.
struct GLFWMesh {
  static constexpr int kStride = 24;
  GLFWMesh(int objTextId, int mtlTextId, float scale);

  float* vertexData = nullptr;
  std::int32_t stride = kStride;
  std::int32_t offsets[8] = {0, 3, 5, 8, 11, 14, 17, 20};
  std::uint32_t* indexData = nullptr;
  GLFWMeshArrays* arrays = nullptr;
  std::int32_t vertexCount = 0;
  std::int32_t indexCount = 0;

  std::int32_t VertexBytes() const { return vertexCount * stride * 4; }
  std::int32_t IndexBytes() const { return indexCount * 4; }
};

class GLFWVertexBuffer {
 public:
  explicit GLFWVertexBuffer(GLFWProgramRegistry* registry);

  void SetVertexData(std::int32_t bytes, float* data, std::int32_t stride);
  void SetIndexData(std::int32_t bytes, std::uint32_t* data, std::int32_t count);
  void AddAttribute(const char* programName, const char* name, std::int32_t components,
                    std::int32_t offset);
  void BindBuffers() const;
  void EnableAttributes() const;  // in key order; location -1 skipped
  void Upload() const;
  std::int32_t GetIndexCount() const { return indexCount; }

  GLFWProgramRegistry* registry;
  GLuint arrayBuffer = 0;
  GLuint elementBuffer = 0;
  float* vertexData = nullptr;
  std::int32_t vertexBytes = 0;
  std::int32_t stride = 0;
  std::map<std::string, std::int32_t, std::less<>> locations;
  std::map<std::string, std::int32_t, std::less<>> sizes;
  std::map<std::string, std::int32_t, std::less<>> offsets;
  std::uint32_t* indexData = nullptr;
  std::int32_t indexBytes = 0;
  std::int32_t indexCount = 0;
};

class GLFWDrawableObject {
 public:
  GLFWDrawableObject(FrameState* frameState, GLFWCamera* camera, GLFWProgramRegistry* registry,
                     const char* programName, int objTextId, int mtlTextId, float scale);

  void Init();
  void SetModel(const Mat4& m) { model = m; }
  void Draw();
  void UploadMatrices();

  virtual void BindAttributeNames() = 0;
  virtual void SetUniforms() = 0;
  virtual void PrepareDraw() = 0;

  FrameState* frameState;
  GLFWProgramRegistry* registry;
  GLFWMesh* mesh;
  GLFWVertexBuffer* buffer;
  GLFWCamera* camera;
  const char* programName;
  Mat4 model;

 protected:
  ~GLFWDrawableObject() = default;  // drawables live until the process ends
};

class GLFWDrawableSky final : public GLFWDrawableObject {
 public:
  GLFWDrawableSky(FrameState* frameState, GLFWCamera* camera, GLFWProgramRegistry* registry,
                  const char* programName, int objTextId, int mtlTextId, float scale);

  void SetTile(std::int32_t is_animator, std::int32_t index, float tile_top, float tile_left,
               float tile_mode, float tile_angle);

  void BindAttributeNames() override;
  void SetUniforms() override;
  void PrepareDraw() override {}

  float tile_top = 0.0f;
  float tile_left = 0.0f;
  float tile_mode = 1.0f;
  float tile_angle = 0.0f;
  std::int32_t index = 0;
  std::int32_t is_animator = 0;
};
