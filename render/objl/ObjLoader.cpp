#include "render/objl/ObjLoader.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <new>
#include <sstream>
#include <stdexcept>

#include "render/Resources.h"

namespace objl {

bool operator==(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool operator!=(const Vector3& a, const Vector3& b) { return !(a == b); }

Vector3 operator-(const Vector3& a, const Vector3& b) {
  return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 CrossV3(const Vector3& a, const Vector3& b) {
  return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float DotV3(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Mesh::Mesh(const std::vector<Vertex>& vertices, const std::vector<std::uint32_t>& indices)
    : vertices(vertices), indices(indices) {}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string LeadingWord(const std::string& line) {
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  return line.substr(start, end - start);
}

std::string RestOfLine(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;   // the keyword
  while (i < line.size() && !IsBlank(line[i])) ++i;  // the blank after it
  while (i < line.size() && IsBlank(line[i])) ++i;   // the start of the rest
  if (i >= line.size()) return std::string();
  std::size_t last = line.size() - 1;
  while (IsBlank(line[last])) --last;  // stops at line[i] at the latest
  return line.substr(i, last - i + 1);
}

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string piece;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == separator) {
      parts.push_back(piece);
      piece.clear();
    } else if (i + 1 == text.size()) {
      piece += text[i];
      parts.push_back(piece);
    } else {
      piece += text[i];
    }
  }
  return parts;
}

float NarrowToFloat(double value) {
  // Within float's range C++ defines the conversion; beyond it this is
  // IEEE's round to nearest: up to half a unit in the last place above the
  // largest float a value comes back to it, from there on it is an infinity.
  constexpr double kLargest = std::numeric_limits<float>::max();
  constexpr double kHalfwayToInfinity = 0x1.ffffffp127;  // 2^128 - 2^103
  if (std::isnan(value)) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return std::signbit(value) ? -nan : nan;
  }
  const double magnitude = std::fabs(value);
  if (magnitude <= kLargest) return static_cast<float>(value);
  const float rounded =
      magnitude < kHalfwayToInfinity ? std::numeric_limits<float>::max()
                                     : std::numeric_limits<float>::infinity();
  return std::signbit(value) ? -rounded : rounded;
}

float ToFloat(const std::string& text) {
  // A double first, narrowed afterwards: "1e39" is a double like any other
  // and becomes an infinity; only what a double cannot hold is out of range.
  const char* start = text.c_str();
  char* end = nullptr;
  const int savedErrno = errno;
  errno = 0;
  const double value = std::strtod(start, &end);
  const bool outOfRange = errno == ERANGE;
  errno = savedErrno;
  if (end == start) throw std::invalid_argument("invalid stof argument");
  if (outOfRange) throw std::out_of_range("stof argument out of range");
  return NarrowToFloat(value);
}

int ToInt(const std::string& text) {
  const char* start = text.c_str();
  char* end = nullptr;
  const int savedErrno = errno;
  errno = 0;
  const long value = std::strtol(start, &end, 10);
  const bool outOfRange = errno == ERANGE || value < INT_MIN || value > INT_MAX;
  errno = savedErrno;
  if (end == start) throw std::invalid_argument("invalid stoi argument");
  if (outOfRange) throw std::out_of_range("stoi argument out of range");
  return static_cast<int>(value);
}

bool PointInTriangle(const Vector3& point, const Vector3& t1, const Vector3& t2,
                     const Vector3& t3) {
  const Vector3 u = t2 - t1;
  const Vector3 v = t3 - t1;
  const Vector3 w = point - t1;
  const Vector3 n = CrossV3(u, v);
  const float nn = DotV3(n, n);
  if (nn == 0.0f) return false;
  const float gamma = DotV3(CrossV3(u, w), n) / nn;
  const float beta = DotV3(CrossV3(w, v), n) / nn;
  const float alpha = 1.0f - gamma - beta;
  return alpha >= 0.0f && alpha <= 1.0f && beta >= 0.0f && beta <= 1.0f && gamma >= 0.0f &&
         gamma <= 1.0f;
}

namespace {

// Appends, for each face vertex j in order, j once for each of p, q, r that
// its position equals (so one triangle's indices come in the order of j).
void AppendMatches(const std::vector<Vertex>& face, const Vector3& p, const Vector3& q,
                   const Vector3& r, std::vector<std::uint32_t>& out) {
  for (std::size_t j = 0; j < face.size(); ++j) {
    const Vector3& at = face[j].position;
    const auto k = static_cast<std::uint32_t>(j);
    if (at == p) out.push_back(k);
    if (at == q) out.push_back(k);
    if (at == r) out.push_back(k);
  }
}

// A corner is an ear unless some face vertex other than its three corners
// lies in the triangle (prev, cur, next).
bool IsEar(const std::vector<Vertex>& face, const Vector3& prev, const Vector3& cur,
           const Vector3& next) {
  for (const Vertex& vertex : face) {
    const Vector3& p = vertex.position;
    if (PointInTriangle(p, prev, cur, next) && p != prev && p != cur && p != next) return false;
  }
  return true;
}

enum class EarState : unsigned char { kUnknown, kEar, kNotEar };

}  // namespace

bool IsFinite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool IsFinite(const Vector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

std::vector<std::uint32_t> TriangulateFace(const std::vector<Vertex>& face) {
  std::vector<std::uint32_t> indices;
  const std::size_t n = face.size();
  if (n < 3) return indices;
  // Clipping finds corners again by comparing positions, and a NaN equals
  // nothing, itself included; an infinity turns every ear test into NaN.
  // Such a face has no triangles.
  for (const Vertex& vertex : face) {
    if (!IsFinite(vertex.position)) return indices;
  }
  if (n == 3) return {0, 1, 2};

  // The corners still to clip, with the ear test of each kept until one of
  // its neighbours is clipped (the test depends only on prev, cur and next),
  // so a face costs O(n^2) tests however often the scan restarts.
  std::vector<Vector3> corners;
  corners.reserve(n);
  for (const Vertex& vertex : face) corners.push_back(vertex.position);
  std::vector<EarState> states(n, EarState::kUnknown);

  for (;;) {
    const std::size_t size = corners.size();
    if (size == 3) {
      AppendMatches(face, corners[0], corners[2], corners[1], indices);
      return indices;
    }
    if (size == 4) {
      const Vector3 cur = corners[0];
      const Vector3 prev = corners[3];
      const Vector3 next = corners[1];
      AppendMatches(face, cur, prev, next, indices);
      Vector3 fourth;
      for (const Vector3& corner : corners) {
        if (corner != cur && corner != prev && corner != next) {
          fourth = corner;
          break;
        }
      }
      AppendMatches(face, prev, next, fourth, indices);
      return indices;
    }

    bool clipped = false;
    for (std::size_t i = 0; i < size; ++i) {
      const Vector3& prev = corners[i == 0 ? size - 1 : i - 1];
      const Vector3& cur = corners[i];
      const Vector3& next = corners[i + 1 == size ? 0 : i + 1];
      if (states[i] == EarState::kUnknown) {
        states[i] = IsEar(face, prev, cur, next) ? EarState::kEar : EarState::kNotEar;
      }
      if (states[i] == EarState::kNotEar) continue;

      AppendMatches(face, cur, prev, next, indices);
      // The first corner of that position: cur itself at the latest.
      std::size_t k = 0;
      while (k < i && corners[k] != cur) ++k;
      corners.erase(corners.begin() + static_cast<std::ptrdiff_t>(k));
      states.erase(states.begin() + static_cast<std::ptrdiff_t>(k));
      const std::size_t left = corners.size();
      states[k == 0 ? left - 1 : k - 1] = EarState::kUnknown;
      states[k == left ? 0 : k] = EarState::kUnknown;
      clipped = true;
      break;  // the scan starts again from the first corner
    }
    // A scan that finds no ear would find none again: the face ends here,
    // keeping whatever triangles were clipped before.
    if (!clipped) return indices;
  }
}

namespace {

enum class CornerForm { kPosition, kPositionTexture, kPositionNormal, kAll };

// The vertices of one "f" line; false when the line breaks the format's
// limits or reads a non-finite number (see MeshLoader::LoadObjResource).
bool GenerateFaceVertices(const std::string& line, const std::vector<Vector3>& positions,
                          const std::vector<Vector2>& texCoords,
                          const std::vector<Vector3>& normals, std::vector<Vertex>& face) {
  face.clear();
  const std::vector<std::string> corners = SplitText(RestOfLine(line), ' ');
  if (corners.size() < 3) return false;

  Vertex vertex;
  CornerForm form = CornerForm::kPosition;
  bool lacksNormal = false;
  for (std::size_t c = 0; c < corners.size(); ++c) {
    const std::vector<std::string> parts = SplitText(corners[c], '/');
    switch (parts.size()) {
      case 0:
        return false;
      case 1:
        form = CornerForm::kPosition;
        break;
      case 2:
        form = CornerForm::kPositionTexture;
        break;
      case 3:
        form = parts[1].empty() ? CornerForm::kPositionNormal : CornerForm::kAll;
        break;
      default:
        if (c == 0) return false;  // no corner before it to take the form of
        break;
    }

    const Vector3* position = ElementAt(positions, parts[0]);
    if (position == nullptr || !IsFinite(*position)) return false;
    vertex.position = *position;
    switch (form) {
      case CornerForm::kPosition:
        vertex.texCoord = Vector2{};
        lacksNormal = true;
        break;
      case CornerForm::kPositionTexture: {
        const Vector2* texCoord = ElementAt(texCoords, parts[1]);
        if (texCoord == nullptr || !IsFinite(*texCoord)) return false;
        vertex.texCoord = *texCoord;
        lacksNormal = true;
        break;
      }
      case CornerForm::kPositionNormal: {
        vertex.texCoord = Vector2{};
        const Vector3* normal = ElementAt(normals, parts[2]);
        if (normal == nullptr || !IsFinite(*normal)) return false;
        vertex.normal = *normal;
        break;
      }
      case CornerForm::kAll: {
        const Vector2* texCoord = ElementAt(texCoords, parts[1]);
        if (texCoord == nullptr || !IsFinite(*texCoord)) return false;
        vertex.texCoord = *texCoord;
        const Vector3* normal = ElementAt(normals, parts[2]);
        if (normal == nullptr || !IsFinite(*normal)) return false;
        vertex.normal = *normal;
        break;
      }
    }
    face.push_back(vertex);
  }

  if (lacksNormal) {
    const Vector3& p = face[0].position;
    const Vector3& q = face[1].position;
    const Vector3& r = face[2].position;
    const Vector3 normal = CrossV3(p - q, r - q);
    for (Vertex& each : face) each.normal = normal;
  }
  return true;
}

// Reads the first `count` numbers of a "v", "vn" or "vt" line; false when
// the line has fewer.
bool ReadFloats(const std::string& line, std::size_t count, float* out) {
  const std::vector<std::string> parts = SplitText(RestOfLine(line), ' ');
  for (std::size_t i = 0; i < count; ++i) {
    if (i >= parts.size()) return false;
    out[i] = ToFloat(parts[i]);
  }
  return true;
}

// A carriage return takes the character after it with it.
std::string DropCarriageReturns(const std::string& line) {
  std::string kept;
  kept.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\r') {
      ++i;
    } else {
      kept += line[i];
    }
  }
  return kept;
}

bool IsGroupLine(const std::string& line, const std::string& word) {
  return word == "o" || word == "g" || (!line.empty() && line[0] == 'g');
}

}  // namespace

bool MeshLoader::LoadObjResource(std::uint16_t objId, std::uint16_t mtlId) {
  std::string objText;
  std::string mtlText;
  try {
    objText = LoadResourceText(objId);
    mtlText = LoadResourceText(mtlId);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return LoadObjText(objText, mtlText);
}

bool MeshLoader::LoadMtlResource(std::uint16_t mtlId) {
  std::string mtlText;
  try {
    mtlText = LoadResourceText(mtlId);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return LoadMtlText(mtlText);
}

bool MeshLoader::LoadObjText(const std::string& objText, const std::string& mtlText) {
  std::istringstream stream;
  try {
    stream.str(objText);
  } catch (const std::bad_alloc&) {
    return false;
  }
  meshes.clear();
  allVertices.clear();
  allIndices.clear();

  std::vector<Vector3> positions;
  std::vector<Vector2> texCoords;
  std::vector<Vector3> normals;
  std::vector<Vertex> vertices;
  std::vector<std::uint32_t> indices;
  std::vector<std::string> materialNames;
  std::vector<Vertex> face;
  std::string meshName;
  bool grouped = false;
  unsigned counter = 1000;
  bool withinLimits = true;

  auto closeMesh = [&](const std::string& name) {
    Mesh mesh(vertices, indices);
    mesh.name = name;
    meshes.push_back(std::move(mesh));
    vertices.clear();
    indices.clear();
  };

  std::string rawLine;
  while (withinLimits && std::getline(stream, rawLine)) {
    const std::string line = DropCarriageReturns(rawLine);

    counter = (counter + 1) % 1000;
    if (counter == 1 && !meshName.empty()) {
      std::cout << "\r- " << meshName << "\t| vertices > " << positions.size()
                << "\t| texcoords > " << texCoords.size() << "\t| normals > " << normals.size()
                << "\t| triangles > " << vertices.size() / 3;
      if (!materialNames.empty()) std::cout << "\t| material: " << materialNames.back();
    }

    const std::string word = LeadingWord(line);
    if (IsGroupLine(line, word)) {
      const bool named = word == "o" || word == "g";
      if (!grouped) {
        grouped = true;
        meshName = named ? RestOfLine(line) : "unnamed";
      } else if (!vertices.empty() && !indices.empty()) {
        closeMesh(meshName);
        meshName = RestOfLine(line);
      } else {
        meshName = named ? RestOfLine(line) : "unnamed";
      }
      std::cout << std::endl;
      counter = 0;
    } else if (word == "v" || word == "vn") {
      float xyz[3];
      withinLimits = ReadFloats(line, 3, xyz);
      if (withinLimits) (word == "v" ? positions : normals).push_back(Vector3{xyz[0], xyz[1], xyz[2]});
    } else if (word == "vt") {
      float xy[2] = {};
      withinLimits = ReadFloats(line, 2, xy);
      if (withinLimits) texCoords.push_back(Vector2{xy[0], xy[1]});
    } else if (word == "f") {
      withinLimits = GenerateFaceVertices(line, positions, texCoords, normals, face);
      if (withinLimits) {
        vertices.insert(vertices.end(), face.begin(), face.end());
        allVertices.insert(allVertices.end(), face.begin(), face.end());
        const std::vector<std::uint32_t> faceIndices = TriangulateFace(face);
        const auto meshBase = static_cast<std::uint32_t>(vertices.size() - face.size());
        const auto allBase = static_cast<std::uint32_t>(allVertices.size() - face.size());
        for (std::uint32_t k : faceIndices) {
          indices.push_back(meshBase + k);
          allIndices.push_back(allBase + k);
        }
      }
    } else if (word == "usemtl") {
      materialNames.push_back(RestOfLine(line));
      if (!vertices.empty() && !indices.empty()) closeMesh(meshName + "_2");
      counter = 0;
    } else if (word == "mtllib") {
      LoadMtlText(mtlText);
    }
  }
  std::cout << '\n' << std::flush;

  if (!withinLimits) {
    meshes.clear();
    allVertices.clear();
    allIndices.clear();
    return false;
  }

  if (!vertices.empty() && !indices.empty()) closeMesh(meshName);

  // The i-th "usemtl" name serves the i-th mesh closed; names beyond the
  // meshes have no mesh to serve and are passed over.
  for (std::size_t i = 0; i < materialNames.size() && i < meshes.size(); ++i) {
    for (const Material& material : materials) {
      if (material.name == materialNames[i]) {
        meshes[i].material = material;
        break;
      }
    }
  }

  return !(meshes.empty() && allVertices.empty() && allIndices.empty());
}

bool MeshLoader::LoadMtlText(const std::string& mtlText) {
  std::istringstream stream;
  try {
    stream.str(mtlText);
  } catch (const std::bad_alloc&) {
    return false;
  }

  Material material;
  bool named = false;
  std::string line;
  while (std::getline(stream, line)) {
    const std::string word = LeadingWord(line);
    if (word == "newmtl") {
      if (named) {
        materials.push_back(material);
        material = Material();
      } else {
        named = true;
      }
      if (line.size() < 8) {
        material.name = "none";
      } else {
        std::string name = RestOfLine(line);
        while (!name.empty() && (name.back() == '\r' || name.back() == '\n')) name.pop_back();
        material.name = name;
      }
    } else if (word == "Ka" || word == "Kd" || word == "Ks") {
      const std::vector<std::string> parts = SplitText(RestOfLine(line), ' ');
      if (parts.size() != 3) continue;
      const Vector3 colour{ToFloat(parts[0]), ToFloat(parts[1]), ToFloat(parts[2])};
      (word == "Ka" ? material.Ka : word == "Kd" ? material.Kd : material.Ks) = colour;
    } else if (word == "Ns") {
      material.Ns = ToFloat(RestOfLine(line));
    } else if (word == "Ni") {
      material.Ni = ToFloat(RestOfLine(line));
    } else if (word == "d") {
      material.d = ToFloat(RestOfLine(line));
    } else if (word == "illum") {
      material.illum = ToInt(RestOfLine(line));
    } else if (word == "map_Ka") {
      material.map_Ka = RestOfLine(line);
    } else if (word == "map_Kd") {
      material.map_Kd = RestOfLine(line);
    } else if (word == "map_Ks") {
      material.map_Ks = RestOfLine(line);
    } else if (word == "map_Ns") {
      material.map_Ns = RestOfLine(line);
    } else if (word == "map_d") {
      material.map_d = RestOfLine(line);
    } else if (word == "map_Bump" || word == "map_bump" || word == "bump") {
      material.map_bump = RestOfLine(line);
    }
  }
  materials.push_back(material);
  return true;
}

}  // namespace objl
