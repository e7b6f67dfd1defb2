// The OBJ/MTL mesh loader: Wavefront texts from the "TEXTFILE" resources
// become meshes of vertices, triangle indices and a material.
#pragma once

#include <cstddef>
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

// The element named by a 1-based OBJ index text ("3", "-1" = the last one);
// null when the index names no element (0, or beyond either end). A text
// with no number at its start raises std::invalid_argument.
template <typename T>
const T* ElementAt(const std::vector<T>& list, const std::string& indexText);

// Number conversions of the OBJ/MTL texts: leading whitespace skipped, text
// after the number ignored. No number raises std::invalid_argument ("invalid
// stof argument" / "invalid stoi argument"), a value out of range
// std::out_of_range ("stof argument out of range" / "stoi argument out of range").
// ToFloat reads a double (strtod) and narrows it with NarrowToFloat, so only
// what a double cannot hold (beyond about 1.8e308, or below its normal range)
// is out of range; "1e39" gives an infinity, "nan" and "inf" convert too.
float ToFloat(const std::string& text);
int ToInt(const std::string& text);

// A double as a float, rounded to nearest; beyond float's range as IEEE
// rounds: FLT_MAX up to half an ulp above it, an infinity from there on.
// NaN stays NaN with its sign.
float NarrowToFloat(double value);

// Barycentric test, bounds included; a degenerate triangle contains nothing.
bool PointInTriangle(const Vector3& point, const Vector3& t1, const Vector3& t2,
                     const Vector3& t3);

// Triangle indices into the vertex list of one face (ear clipping, vertices
// compared by position). Always ends: when a pass over the remaining corners
// finds no ear, the triangles found so far are kept and the face stops there.
// A face with a non-finite position (NaN or an infinity in any coordinate)
// gives no indices at all, whatever its size.
std::vector<std::uint32_t> TriangulateFace(const std::vector<Vertex>& face);

bool IsFinite(const Vector3& v);
bool IsFinite(const Vector2& v);

template <typename T>
const T* ElementAt(const std::vector<T>& list, const std::string& indexText) {
  const long long n = ToInt(indexText);
  const long long size = static_cast<long long>(list.size());
  const long long at = n < 0 ? size + n : n - 1;
  if (at < 0 || at >= size) return nullptr;
  return &list[static_cast<std::size_t>(at)];
}

class MeshLoader {
 public:
  // Reads the OBJ text of resource objId; every "mtllib" line reads the MTL
  // text of resource mtlId. False when nothing was loaded.
  //
  // Text the mesh format does not allow ("v"/"vn" with fewer than three
  // numbers, "vt" with fewer than two, a face of fewer than three corners, an
  // empty corner, a first corner of more than three parts, an index naming
  // no element, a face corner whose position, texture coordinate or listed
  // normal holds a non-finite number) ends the load at that line: false,
  // with meshes, allVertices and allIndices emptied (materials read so far
  // stay). Non-finite numbers themselves convert ("nan", "inf", and "1e39",
  // which narrows to an infinity); only a face that reads one ends the load. Material names
  // beyond the meshes closed are skipped. Unconvertible numbers raise the
  // conversion errors of ToFloat/ToInt and are not caught here.
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
