#include "render/Drawable.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "render/objl/ObjLoader.h"
#include "shell/MessageBox.h"

// ---------------------------------------------------------------------------
// GLFWMeshArrays

GLFWMeshArrays::GLFWMeshArrays(int objTextId, int mtlTextId, float meshScale) : scale(meshScale) {
  objl::MeshLoader loader;
  if (!loader.LoadObjResource(static_cast<std::uint16_t>(objTextId),
                              static_cast<std::uint16_t>(mtlTextId))) {
    ShowMessageBox("Failed to load mesh", "Debug", MessageIcon::Information);
    glfwTerminate();
    std::exit(0);
  }

  std::size_t vertices = 0;
  std::size_t indices = 0;
  for (const objl::Mesh& m : loader.meshes) {
    vertices += m.vertices.size();
    indices += m.indices.size();
  }
  vertexCount = static_cast<std::int32_t>(vertices);
  indexCount = static_cast<std::int32_t>(indices);

  positions = new float[vertices * 3];
  texCoords = new float[vertices * 2];
  normals = new float[vertices * 3];
  tangents = new float[vertices * 3]();
  bitangents = new float[vertices * 3]();
  ambient = new float[vertices * 3];
  diffuse = new float[vertices * 3];
  specular = new float[vertices * 4];
  indexList = new std::uint32_t[indices];

  std::size_t vb = 0;
  std::size_t ib = 0;
  for (const objl::Mesh& m : loader.meshes) {
    const objl::Material& material = m.material;
    for (std::size_t i = 0; i < m.vertices.size(); ++i) {
      const objl::Vertex& v = m.vertices[i];
      const std::size_t s = vb + i;
      positions[s * 3 + 0] = v.position.x * scale;
      positions[s * 3 + 1] = v.position.y * scale;
      positions[s * 3 + 2] = v.position.z * scale;
      texCoords[s * 2 + 0] = v.texCoord.x;
      texCoords[s * 2 + 1] = v.texCoord.y;
      const float length =
          std::sqrt(v.normal.x * v.normal.x + v.normal.y * v.normal.y + v.normal.z * v.normal.z);
      normals[s * 3 + 0] = v.normal.x / length;
      normals[s * 3 + 1] = v.normal.y / length;
      normals[s * 3 + 2] = v.normal.z / length;
      ambient[s * 3 + 0] = material.Ka.x;
      ambient[s * 3 + 1] = material.Ka.y;
      ambient[s * 3 + 2] = material.Ka.z;
      diffuse[s * 3 + 0] = material.Kd.x;
      diffuse[s * 3 + 1] = material.Kd.y;
      diffuse[s * 3 + 2] = material.Kd.z;
      specular[s * 4 + 0] = material.Ks.x;
      specular[s * 4 + 1] = material.Ks.y;
      specular[s * 4 + 2] = material.Ks.z;
      specular[s * 4 + 3] = material.Ns;
    }
    for (std::size_t k = 0; k < m.indices.size(); ++k) {
      indexList[ib + k] = static_cast<std::uint32_t>(vb + m.indices[k]);
    }
    vb += m.vertices.size();
    ib += m.indices.size();
  }

  // Tangent frames per triangle; a corner shared by several triangles keeps
  // the last one's. A triangle naming a vertex that does not exist is left
  // out rather than read past the arrays.
  for (std::size_t t = 0; t + 2 < indices; t += 3) {
    const std::uint32_t c[3] = {indexList[t], indexList[t + 1], indexList[t + 2]};
    if (c[0] >= vertices || c[1] >= vertices || c[2] >= vertices) continue;
    const float* p1 = positions + c[0] * 3;
    const float* p2 = positions + c[1] * 3;
    const float* p3 = positions + c[2] * 3;
    const float* t1 = texCoords + c[0] * 2;
    const float* t2 = texCoords + c[1] * 2;
    const float* t3 = texCoords + c[2] * 2;
    const Vec3 e1{p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    const Vec3 e2{p3[0] - p1[0], p3[1] - p1[1], p3[2] - p1[2]};
    const float d1u = t2[0] - t1[0];
    const float d1v = t2[1] - t1[1];
    const float d2u = t3[0] - t1[0];
    const float d2v = t3[1] - t1[1];
    // Degenerate texture coordinates make f infinite and the frame not
    // finite; no shader attribute reads it.
    const float f = 1.0f / (d1u * d2v - d2u * d1v);
    const Vec3 tangent = Normalize((e1 * d2v - e2 * d1v) * f);
    const Vec3 bitangent = Normalize((e2 * d1u - e1 * d2u) * f);
    for (std::uint32_t corner : c) {
      tangents[corner * 3 + 0] = tangent.x;
      tangents[corner * 3 + 1] = tangent.y;
      tangents[corner * 3 + 2] = tangent.z;
      bitangents[corner * 3 + 0] = bitangent.x;
      bitangents[corner * 3 + 1] = bitangent.y;
      bitangents[corner * 3 + 2] = bitangent.z;
    }
  }
}

// ---------------------------------------------------------------------------
// GLFWMesh

GLFWMesh::GLFWMesh(int objTextId, int mtlTextId, float scale)
    : arrays(new GLFWMeshArrays(objTextId, mtlTextId, scale)) {
  vertexCount = arrays->vertexCount;
  indexCount = arrays->indexCount;
  const auto vertices = static_cast<std::size_t>(vertexCount);
  const auto indices = static_cast<std::size_t>(indexCount);

  vertexData = new float[vertices * kStride];
  for (std::size_t v = 0; v < vertices; ++v) {
    float* record = vertexData + v * kStride;
    const struct {
      const float* source;
      std::size_t floats;
    } blocks[8] = {
        {arrays->positions, 3}, {arrays->texCoords, 2}, {arrays->normals, 3},
        {arrays->tangents, 3},  {arrays->bitangents, 3}, {arrays->ambient, 3},
        {arrays->diffuse, 3},   {arrays->specular, 4},
    };
    for (int b = 0; b < 8; ++b) {
      for (std::size_t i = 0; i < blocks[b].floats; ++i) {
        record[offsets[b] + static_cast<std::ptrdiff_t>(i)] =
            blocks[b].source[v * blocks[b].floats + i];
      }
    }
  }

  indexData = new std::uint32_t[indices];
  for (std::size_t i = 0; i < indices; ++i) indexData[i] = arrays->indexList[i];
}

// ---------------------------------------------------------------------------
// GLFWVertexBuffer

GLFWVertexBuffer::GLFWVertexBuffer(GLFWProgramRegistry* programRegistry)
    : registry(programRegistry) {
  glGenBuffers(1, &arrayBuffer);
  glGenBuffers(1, &elementBuffer);
}

void GLFWVertexBuffer::SetVertexData(std::int32_t bytes, float* data, std::int32_t floatsPerVertex) {
  vertexBytes = bytes;
  vertexData = data;
  stride = floatsPerVertex;
}

void GLFWVertexBuffer::SetIndexData(std::int32_t bytes, std::uint32_t* data, std::int32_t count) {
  indexBytes = bytes;
  indexData = data;
  indexCount = count;
}

void GLFWVertexBuffer::AddAttribute(const char* programName, const char* name,
                                    std::int32_t components, std::int32_t offset) {
  GLFWProgram* program = registry->GetProgram(programName);
  const std::int32_t location = program != nullptr ? program->GetAttribLocation(name) : -1;
  // The three maps always hold the same names, so they can be walked side
  // by side.
  locations[name] = location;
  sizes[name] = components;
  offsets[name] = offset;
}

void GLFWVertexBuffer::BindBuffers() const {
  glBindBuffer(GL_ARRAY_BUFFER, arrayBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer);
}

void GLFWVertexBuffer::EnableAttributes() const {
  auto size = sizes.begin();
  auto offset = offsets.begin();
  for (auto location = locations.begin(); location != locations.end();
       ++location, ++size, ++offset) {
    if (location->second == -1) continue;  // not used by the program
    const auto index = static_cast<GLuint>(location->second);
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, size->second, GL_FLOAT, GL_FALSE, stride * 4,
                          reinterpret_cast<const void*>(
                              static_cast<std::uintptr_t>(offset->second) * 4));
  }
}

void GLFWVertexBuffer::Upload() const {
  BindBuffers();
  EnableAttributes();
  glBufferData(GL_ARRAY_BUFFER, vertexBytes, vertexData, GL_STATIC_DRAW);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, indexBytes, indexData, GL_STATIC_DRAW);
}

// ---------------------------------------------------------------------------
// GLFWDrawableObject

GLFWDrawableObject::GLFWDrawableObject(FrameState* frame, GLFWCamera* eye,
                                       GLFWProgramRegistry* programs, const char* program,
                                       int objTextId, int mtlTextId, float scale)
    : frameState(frame),
      registry(programs),
      mesh(new GLFWMesh(objTextId, mtlTextId, scale)),
      buffer(new GLFWVertexBuffer(programs)),
      camera(eye),
      programName(program),
      model(Identity()) {
  buffer->SetVertexData(mesh->VertexBytes(), mesh->vertexData, mesh->stride);
  buffer->SetIndexData(mesh->IndexBytes(), mesh->indexData, mesh->indexCount);
}

void GLFWDrawableObject::Init() {
  BindAttributeNames();
  buffer->Upload();
}

// No vertex array object is made: the context we ask for (3.0, not a core
// profile) has a default one, and the attribute pointers are set on it again
// before every draw, so drawables sharing it never see each other's layout.
void GLFWDrawableObject::Draw() {
  // The program is found by name, as every upload below finds it; names are
  // compared in place, so a draw builds no strings.
  registry->UseProgram(programName);
  PrepareDraw();
  UploadMatrices();
  SetUniforms();
  buffer->BindBuffers();
  buffer->EnableAttributes();
  glDrawElements(GL_TRIANGLES, buffer->GetIndexCount(), GL_UNSIGNED_INT, nullptr);
}

void GLFWDrawableObject::UploadMatrices() {
  GLFWProgram* program = registry->GetProgram(programName);
  if (program == nullptr) return;
  const Mat4 projection = camera->GetProjection();
  const Mat4 view = camera->GetView();
  const Mat4 worldProjection = projection * view;
  const Mat4 modelProjection = worldProjection * model;
  glUniformMatrix4fv(program->GetUniformLocation("model_world"), 1, GL_FALSE, model.Data());
  glUniformMatrix4fv(program->GetUniformLocation("world_projection"), 1, GL_FALSE,
                     worldProjection.Data());
  glUniformMatrix4fv(program->GetUniformLocation("model_projection"), 1, GL_FALSE,
                     modelProjection.Data());
}

// ---------------------------------------------------------------------------
// GLFWDrawableSky

GLFWDrawableSky::GLFWDrawableSky(FrameState* frame, GLFWCamera* eye,
                                 GLFWProgramRegistry* programs, const char* program,
                                 int objTextId, int mtlTextId, float scale)
    : GLFWDrawableObject(frame, eye, programs, program, objTextId, mtlTextId, scale) {}

void GLFWDrawableSky::SetTile(std::int32_t animator, std::int32_t slot, float top, float left,
                              float mode, float angle) {
  is_animator = animator;
  index = slot;
  tile_top = top;
  tile_left = left;
  tile_mode = mode;
  tile_angle = angle;
}

void GLFWDrawableSky::BindAttributeNames() {
  buffer->AddAttribute(programName, "position", 3, 0);
  buffer->AddAttribute(programName, "position_tex", 2, 3);
  buffer->AddAttribute(programName, "position_normal", 3, 5);
}

void GLFWDrawableSky::SetUniforms() {
  GLFWProgram* program = registry->GetProgram(programName);
  if (program == nullptr) return;
  glUniform1f(program->GetUniformLocation("tile_top"), tile_top);
  glUniform1f(program->GetUniformLocation("tile_left"), tile_left);
  glUniform1f(program->GetUniformLocation("tile_mode"), tile_mode);
  glUniform1f(program->GetUniformLocation("tile_angle"), tile_angle);
  glUniform1i(program->GetUniformLocation("index"), index);
  glUniform1i(program->GetUniformLocation("is_animator"), is_animator);
  glUniform1f(program->GetUniformLocation("iTime"), frameState->time);
  glUniform1f(program->GetUniformLocation("viewportWidth"), frameState->viewportWidth);
  glUniform1f(program->GetUniformLocation("viewportHeight"), frameState->viewportHeight);
}
