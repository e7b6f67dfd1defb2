// The OBJ/MTL loader over arbitrary text: the input is an OBJ text, then a
// zero byte, then the MTL text that its "mtllib" lines read. Only the number
// conversion errors may leave the loader; whatever it loads must index
// inside its own vertex lists, and no face may carry a non-finite position
// or texture coordinate into them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "render/objl/ObjLoader.h"

namespace {

// Swallows the progress listing (still formatted, never written).
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

DiscardBuffer discard;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckResults(const objl::MeshLoader& loader, bool loaded) {
  for (const objl::Mesh& mesh : loader.meshes) {
    Check(!mesh.vertices.empty() && !mesh.indices.empty());
    for (std::uint32_t index : mesh.indices) Check(index < mesh.vertices.size());
  }
  for (std::uint32_t index : loader.allIndices) Check(index < loader.allVertices.size());
  for (const objl::Vertex& vertex : loader.allVertices) {
    Check(std::isfinite(vertex.position.x) && std::isfinite(vertex.position.y) &&
          std::isfinite(vertex.position.z));
    Check(std::isfinite(vertex.texCoord.x) && std::isfinite(vertex.texCoord.y));
  }
  const bool empty =
      loader.meshes.empty() && loader.allVertices.empty() && loader.allIndices.empty();
  Check(loaded != empty);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cout.rdbuf(&discard);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const void* zero = std::memchr(text, 0, size);
  const std::size_t objSize = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : size;
  const std::string obj(text, objSize);
  const std::string mtl = objSize < size ? std::string(text + objSize + 1, size - objSize - 1)
                                         : std::string();

  objl::MeshLoader loader;
  try {
    CheckResults(loader, loader.LoadObjText(obj, mtl));
  } catch (const std::invalid_argument&) {
  } catch (const std::out_of_range&) {
  }

  objl::MeshLoader materials;
  try {
    Check(materials.LoadMtlText(mtl));
    Check(!materials.materials.empty());
  } catch (const std::invalid_argument&) {
  } catch (const std::out_of_range&) {
  }
  return 0;
}
