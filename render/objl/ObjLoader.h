// The OBJ/MTL mesh loader: Wavefront texts from the "TEXTFILE" resources
// become meshes of vertices, triangle indices and a material.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace objl {

struct Vector2 {
  float x = 0.0f;
  float y = 0.0f;
};

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

bool operator==(const Vector3& a, const Vector3& b);
bool operator!=(const Vector3& a, const Vector3& b);
Vector3 operator-(const Vector3& a, const Vector3& b);
Vector3 CrossV3(const Vector3& a, const Vector3& b);
float DotV3(const Vector3& a, const Vector3& b);

struct Vertex {
  Vector3 position;
  Vector3 normal;
  Vector2 texCoord;
};

struct Material {
  std::string name;
  Vector3 Ka;
  Vector3 Kd;
  Vector3 Ks;
  float Ns = 0.0f;
  float Ni = 0.0f;
  float d = 0.0f;
  int illum = 0;
  std::string map_Ka;
  std::string map_Kd;
  std::string map_Ks;
  std::string map_Ns;
  std::string map_d;
  std::string map_bump;
};

struct Mesh {
  Mesh() = default;
  Mesh(const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices);

  std::string name;
  std::vector<Vertex> vertices;
  std::vector<std::uint32_t> indices;
  Material material;
};

// Text helpers shared by both reads.
std::string LeadingWord(const std::string& line);
std::string RestOfLine(const std::string& line);
std::vector<std::string> SplitText(const std::string& text, char separator);

bool PointInTriangle(const Vector3& point, const Vector3& t1, const Vector3& t2,
                     const Vector3& t3);

class MeshLoader {
 public:
  // Reads the OBJ text of resource objId; every "mtllib" line reads the MTL
  // text of resource mtlId. False when nothing was loaded.
  bool LoadObjResource(std::uint16_t objId, std::uint16_t mtlId);
  bool LoadMtlResource(std::uint16_t mtlId);

  // The same reads over texts in memory (the resource reads use these).
  bool LoadObjText(const std::string& objText, const std::string& mtlText);
  bool LoadMtlText(const std::string& mtlText);

  std::vector<Mesh> meshes;
  std::vector<Vertex> allVertices;
  std::vector<std::uint32_t> allIndices;
  std::vector<Material> materials;
};

}  // namespace objl
