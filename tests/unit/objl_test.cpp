#include "render/objl/ObjLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/Resources.h"

namespace objl {
namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// Keeps the loader's progress listing out of the test log; also ends the
// capture when a load throws.
class QuietStdout {
 public:
  QuietStdout() { CaptureStdout(); }
  ~QuietStdout() { GetCapturedStdout(); }
};

void ExpectVector(const Vector3& v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

void ExpectVector(const Vector2& v, float x, float y) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
}

// Loads an OBJ text (and MTL text) with the listing silenced.
bool Load(MeshLoader& loader, const std::string& obj, const std::string& mtl = std::string()) {
  QuietStdout quiet;
  return loader.LoadObjText(obj, mtl);
}

template <typename Exception>
void ExpectThrowWithMessage(MeshLoader& loader, const std::string& obj, const std::string& mtl,
                            const std::string& message) {
  QuietStdout quiet;
  try {
    loader.LoadObjText(obj, mtl);
    ADD_FAILURE() << "no exception for: " << obj;
  } catch (const Exception& error) {
    EXPECT_EQ(std::string(error.what()), message);
  }
}

TEST(ObjlTextHelpers, LeadingWordAndRestOfLine) {
  EXPECT_EQ(LeadingWord(""), "");
  EXPECT_EQ(LeadingWord(" \t "), "");
  EXPECT_EQ(LeadingWord("\tKa 1 2 3\r"), "Ka");
  EXPECT_EQ(LeadingWord("usemtl\r"), "usemtl\r");

  EXPECT_EQ(RestOfLine("v  -2.5000 2.3698 0.0000"), "-2.5000 2.3698 0.0000");
  EXPECT_EQ(RestOfLine("o"), "");
  EXPECT_EQ(RestOfLine("  o  \t"), "");
  EXPECT_EQ(RestOfLine("f 1 2 3 \t "), "1 2 3");
  EXPECT_EQ(RestOfLine("\tNs 32\r"), "32\r");  // a carriage return is no blank
  EXPECT_EQ(RestOfLine("g a  b"), "a  b");
}

TEST(ObjlTextHelpers, SplitText) {
  using List = std::vector<std::string>;
  EXPECT_EQ(SplitText("", ' '), List{});
  EXPECT_EQ(SplitText("1 2 3", ' '), (List{"1", "2", "3"}));
  EXPECT_EQ(SplitText("1  2", ' '), (List{"1", "", "2"}));
  EXPECT_EQ(SplitText(" 1", ' '), (List{"", "1"}));
  EXPECT_EQ(SplitText("1 ", ' '), (List{"1"}));
  EXPECT_EQ(SplitText("1  ", ' '), (List{"1", ""}));
  EXPECT_EQ(SplitText("3//1", '/'), (List{"3", "", "1"}));
  EXPECT_EQ(SplitText("/", '/'), (List{""}));
}

TEST(ObjlTextHelpers, ElementAtCountsFromOneOrBackFromTheEnd) {
  const std::vector<int> list{10, 20, 30};
  ASSERT_NE(ElementAt(list, "1"), nullptr);
  EXPECT_EQ(*ElementAt(list, "1"), 10);
  EXPECT_EQ(*ElementAt(list, "3\r"), 30);
  EXPECT_EQ(*ElementAt(list, "-1"), 30);
  EXPECT_EQ(*ElementAt(list, "-3"), 10);
  EXPECT_EQ(*ElementAt(list, "2.9"), 20);
  EXPECT_EQ(ElementAt(list, "0"), nullptr);
  EXPECT_EQ(ElementAt(list, "4"), nullptr);
  EXPECT_EQ(ElementAt(list, "-4"), nullptr);
  EXPECT_EQ(ElementAt(std::vector<int>{}, "-1"), nullptr);
  EXPECT_THROW(ElementAt(list, ""), std::invalid_argument);
  EXPECT_THROW(ElementAt(list, "99999999999"), std::out_of_range);
}

TEST(ObjlTextHelpers, NumberConversionsUseTheStandardMessages) {
  EXPECT_FLOAT_EQ(ToFloat(" 0.35\r"), 0.35f);
  EXPECT_TRUE(std::signbit(ToFloat("-0.0000")));
  EXPECT_EQ(ToInt("2\r"), 2);
  EXPECT_EQ(ToInt("-7x"), -7);
  struct Case {
    std::string text;
    bool isFloat;
    std::string message;
  };
  const Case invalid[] = {{"", true, "invalid stof argument"},
                          {"x1", true, "invalid stof argument"},
                          {"\r", false, "invalid stoi argument"},
                          {"+", false, "invalid stoi argument"}};
  for (const Case& c : invalid) {
    try {
      if (c.isFloat) ToFloat(c.text); else ToInt(c.text);
      ADD_FAILURE() << "no exception for '" << c.text << "'";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
  const Case outOfRange[] = {{"1e400", true, "stof argument out of range"},
                             {"3000000000", false, "stoi argument out of range"}};
  for (const Case& c : outOfRange) {
    try {
      if (c.isFloat) ToFloat(c.text); else ToInt(c.text);
      ADD_FAILURE() << "no exception for '" << c.text << "'";
    } catch (const std::out_of_range& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

TEST(ObjlTriangles, PointInTriangleIncludesTheBoundsAndNothingOfADegenerateOne) {
  const Vector3 a{0, 0, 0}, b{4, 0, 0}, c{0, 4, 0};
  EXPECT_TRUE(PointInTriangle({1, 1, 0}, a, b, c));
  EXPECT_TRUE(PointInTriangle({2, 0, 0}, a, b, c));  // on an edge
  EXPECT_TRUE(PointInTriangle(c, a, b, c));          // a corner
  EXPECT_FALSE(PointInTriangle({3, 3, 0}, a, b, c));
  EXPECT_FALSE(PointInTriangle({-0.1f, 1, 0}, a, b, c));
  // Out of the plane the point is projected onto it.
  EXPECT_TRUE(PointInTriangle({1, 1, 5}, a, b, c));
  const Vector3 d{8, 0, 0};
  EXPECT_FALSE(PointInTriangle({2, 0, 0}, a, b, d));  // collinear corners
  EXPECT_FALSE(PointInTriangle(a, a, a, a));
}

std::vector<Vertex> Face(const std::vector<Vector3>& positions) {
  std::vector<Vertex> face;
  for (const Vector3& p : positions) face.push_back(Vertex{p, {}, {}});
  return face;
}

TEST(ObjlTriangles, SmallFaces) {
  EXPECT_TRUE(TriangulateFace(Face({{0, 0, 0}, {1, 0, 0}})).empty());
  EXPECT_EQ(TriangulateFace(Face({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}})),
            (std::vector<std::uint32_t>{0, 1, 2}));
  // Four corners: two triangles 0 1 3 and 1 2 3 whatever the winding.
  EXPECT_EQ(TriangulateFace(Face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})),
            (std::vector<std::uint32_t>{0, 1, 3, 1, 2, 3}));
  EXPECT_EQ(TriangulateFace(Face({{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}})),
            (std::vector<std::uint32_t>{0, 1, 3, 1, 2, 3}));
  // A repeated position is matched wherever it stands (in the order of j);
  // with no fourth distinct position the origin stands in for it.
  EXPECT_EQ(TriangulateFace(Face({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}})),
            (std::vector<std::uint32_t>{0, 1, 2, 3, 0, 1, 2, 3}));
  EXPECT_EQ(TriangulateFace(Face({{5, 0, 0}, {1, 0, 0}, {5, 0, 0}, {0, 1, 0}})),
            (std::vector<std::uint32_t>{0, 1, 2, 3, 1, 3}));
}

TEST(ObjlTriangles, ConvexFacesOfFiveAndMoreCorners) {
  // Pentagon: the ear at each scan's first corner; indices in the order of j.
  const std::vector<Vector3> pentagon{{0, 0, 0}, {2, 0, 0}, {3, 2, 0}, {1, 3, 0}, {-1, 2, 0}};
  EXPECT_EQ(TriangulateFace(Face(pentagon)),
            (std::vector<std::uint32_t>{0, 1, 4, 1, 2, 4, 2, 3, 4}));

  // A large regular polygon still gives n - 2 triangles, each of three
  // distinct corners.
  std::vector<Vector3> circle;
  const int n = 600;
  for (int k = 0; k < n; ++k) {
    const float angle = 6.2831853f * static_cast<float>(k) / n;
    circle.push_back({std::cos(angle), std::sin(angle), 0});
  }
  const std::vector<std::uint32_t> indices = TriangulateFace(Face(circle));
  ASSERT_EQ(indices.size(), 3u * (n - 2));
  for (std::size_t t = 0; t < indices.size(); t += 3) {
    EXPECT_LT(indices[t], indices[t + 1]);
    EXPECT_LT(indices[t + 1], indices[t + 2]);
    EXPECT_LT(indices[t + 2], static_cast<std::uint32_t>(n));
  }
}

// Six corners of which every triangle (prev, cur, next) holds another
// corner, on an edge at least: no ear at all.
const std::vector<Vector3> kNoEar{{1, 1, 0}, {3, 1, 0}, {2, 2, 0}, {0, 0, 0}, {2, 1, 0}, {3, 3, 0}};

TEST(ObjlTriangles, AFaceWhoseScanFindsNoEarStopsWithWhatItHas) {
  EXPECT_TRUE(TriangulateFace(Face(kNoEar)).empty());

  // The first corner's triangle is flat (its corners are collinear), so it
  // is clipped; the clipped corner then lies in every triangle left, and the
  // face ends with that one triangle.
  const std::vector<Vector3> stuck{{2, 1, 0}, {4, 0, 0}, {1, 3, 0},
                                   {0, 0, 0}, {4, 1, 0}, {0, 2, 0}};
  EXPECT_EQ(TriangulateFace(Face(stuck)), (std::vector<std::uint32_t>{0, 1, 5}));
}

TEST(ObjlEmbeddedPlane, LoadsOneMeshWithItsMaterial) {
  MeshLoader loader;
  bool loaded = false;
  {
    QuietStdout quiet;
    loaded = loader.LoadObjResource(kPlaneObjText, kPlaneMtlText);
  }
  ASSERT_TRUE(loaded);
  ASSERT_EQ(loader.meshes.size(), 1u);
  const Mesh& mesh = loader.meshes[0];
  EXPECT_EQ(mesh.name, "Plane001");
  ASSERT_EQ(mesh.vertices.size(), 6u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));

  const float positions[6][3] = {{-2.5f, 2.3698f, 0},  {-2.5f, -2.6302f, 0}, {2.5f, 2.3698f, 0},
                                 {2.5f, -2.6302f, 0},  {2.5f, 2.3698f, 0},   {-2.5f, -2.6302f, 0}};
  const float texCoords[6][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}, {1, 1}, {0, 0}};
  const bool negativeZero[6] = {false, true, false, true, false, true};
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const Vertex& v = mesh.vertices[i];
    ExpectVector(v.position, positions[i][0], positions[i][1], positions[i][2]);
    EXPECT_EQ(std::signbit(v.position.z), negativeZero[i]);
    ExpectVector(v.texCoord, texCoords[i][0], texCoords[i][1]);
    ExpectVector(v.normal, 0, 0, 1);
    EXPECT_TRUE(std::signbit(v.normal.y));
  }

  ASSERT_EQ(loader.allVertices.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(loader.allVertices[i].position, mesh.vertices[i].position);
    EXPECT_EQ(loader.allVertices[i].normal, mesh.vertices[i].normal);
  }
  EXPECT_EQ(loader.allIndices, mesh.indices);

  ASSERT_EQ(loader.materials.size(), 1u);
  const Material& m = mesh.material;
  EXPECT_EQ(m.name, "wire_198225087");
  ExpectVector(m.Ka, 0.7765f, 0.8824f, 0.3412f);
  ExpectVector(m.Kd, 0.7765f, 0.8824f, 0.3412f);
  ExpectVector(m.Ks, 0.35f, 0.35f, 0.35f);
  EXPECT_FLOAT_EQ(m.Ns, 32);
  EXPECT_FLOAT_EQ(m.d, 1);
  EXPECT_EQ(m.illum, 2);
  EXPECT_FLOAT_EQ(m.Ni, 0);
  for (const std::string* map : {&m.map_Ka, &m.map_Kd, &m.map_Ks, &m.map_Ns, &m.map_d,
                                 &m.map_bump}) {
    EXPECT_TRUE(map->empty());
  }
}

TEST(ObjlEmbeddedPlane, WritesTheProgressListing) {
  MeshLoader loader;
  CaptureStdout();
  const bool loaded = loader.LoadObjResource(kPlaneObjText, kPlaneMtlText);
  const std::string listing = GetCapturedStdout();
  EXPECT_TRUE(loaded);
  const std::string record =
      "\r- Plane001\t| vertices > 4\t| texcoords > 4\t| normals > 1\t| triangles > 0";
  EXPECT_EQ(listing, "\n" + record + "\n" + record + record +
                         "\t| material: wire_198225087" + "\n");
}

TEST(ObjlListing, CounterWrapsEveryThousandLinesAndRestartsAtGroups) {
  // The group line is line 2; records fall on the first line after it and
  // then every 1000 lines; "usemtl" restarts the count too.
  std::string obj = "# head\r\ng box\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n";
  for (int i = 0; i < 998; ++i) obj += "#\r\n";  // a record at line 1003
  obj += "usemtl red\n#\n";
  MeshLoader loader;
  CaptureStdout();
  loader.LoadObjText(obj, "");
  const std::string listing = GetCapturedStdout();
  const std::string head = "\r- box\t| vertices > 0\t| texcoords > 0\t| normals > 0\t| triangles > 0";
  const std::string later = "\r- box\t| vertices > 3\t| texcoords > 0\t| normals > 0\t| triangles > 1";
  // The last record follows the "usemtl" line, which closed the mesh "box_2".
  const std::string last = "\r- box\t| vertices > 3\t| texcoords > 0\t| normals > 0\t| triangles > 0";
  EXPECT_EQ(listing, "\n" + head + later + last + "\t| material: red" + "\n");
  ASSERT_EQ(loader.meshes.size(), 1u);
  EXPECT_EQ(loader.meshes[0].name, "box_2");
}

TEST(ObjlFaces, FourCornersGetTwoTrianglesAndTheFaceNormal) {
  MeshLoader loader;
  ASSERT_TRUE(Load(loader, "v 0 0 0\nv 2 0 0\nv 2 3 0\nv 0 3 0\nf 1 2 3 4\n"));
  ASSERT_EQ(loader.meshes.size(), 1u);
  const Mesh& mesh = loader.meshes[0];
  EXPECT_EQ(mesh.name, "");
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 3, 1, 2, 3}));
  ASSERT_EQ(mesh.vertices.size(), 4u);
  // (P - Q) x (R - Q) = (-2, 0, 0) x (0, 3, 0), not normalised.
  for (const Vertex& v : mesh.vertices) {
    ExpectVector(v.normal, 0, 0, -6);
    ExpectVector(v.texCoord, 0, 0);
  }
  ExpectVector(mesh.vertices[2].position, 2, 3, 0);
}

TEST(ObjlFaces, CornerForms) {
  const std::string lists =
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0.5\nvt 0.75 0.5\nvt 0.5 1 9\n"
      "vn 0 0 1\nvn 0 1 0\n";
  {
    MeshLoader loader;
    ASSERT_TRUE(Load(loader, lists + "f 1/1 2/2 3/3\n"));
    const std::vector<Vertex>& v = loader.meshes.at(0).vertices;
    ASSERT_EQ(v.size(), 3u);
    ExpectVector(v[0].texCoord, 0.25f, 0.5f);
    ExpectVector(v[2].texCoord, 0.5f, 1);
    for (const Vertex& each : v) ExpectVector(each.normal, 0, 0, -1);  // computed
  }
  {
    MeshLoader loader;
    ASSERT_TRUE(Load(loader, lists + "f 1//2 2//2 3//2\n"));
    for (const Vertex& each : loader.meshes.at(0).vertices) {
      ExpectVector(each.normal, 0, 1, 0);  // listed
      ExpectVector(each.texCoord, 0, 0);
    }
  }
  {
    // Full corners, and a corner of four parts taking the form before it;
    // one position-only corner gives the whole face the computed normal.
    MeshLoader loader;
    ASSERT_TRUE(Load(loader, lists + "f 1/2/2 2/1/2/7 3/3/2\nf 1/1/2 2 3/3/2\n"));
    const std::vector<Vertex>& v = loader.meshes.at(0).vertices;
    ASSERT_EQ(v.size(), 6u);
    ExpectVector(v[0].texCoord, 0.75f, 0.5f);
    ExpectVector(v[1].texCoord, 0.25f, 0.5f);
    ExpectVector(v[1].normal, 0, 1, 0);
    ExpectVector(v[4].texCoord, 0, 0);
    for (std::size_t i = 3; i < 6; ++i) ExpectVector(v[i].normal, 0, 0, -1);
  }
}

TEST(ObjlFaces, NegativeIndicesCountBackFromWhatWasReadSoFar) {
  MeshLoader loader;
  ASSERT_TRUE(Load(loader, "v 9 9 9\nv 1 0 0\nv 2 0 0\nv 3 0 0\nf -1 -2 -3\nv 4 0 0\nf -1 -2 -3\n"));
  const std::vector<Vertex>& v = loader.meshes.at(0).vertices;
  ASSERT_EQ(v.size(), 6u);
  const float xs[6] = {3, 2, 1, 4, 3, 2};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(v[i].position.x, xs[i]);
  EXPECT_EQ(loader.allIndices, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(ObjlNumbers, ConversionErrorsReachTheCaller) {
  MeshLoader loader;
  // Two spaces after the keyword are harmless, two between numbers are not.
  EXPECT_NO_THROW(Load(loader, "v  1 2 3\r\n"));
  ExpectThrowWithMessage<std::invalid_argument>(loader, "v 1  2 3\r\n", "",
                                                "invalid stof argument");
  ExpectThrowWithMessage<std::invalid_argument>(loader, "v 0 0 0\nf 1 x 1\n", "",
                                                "invalid stoi argument");
  ExpectThrowWithMessage<std::out_of_range>(loader, "vn 0 1e400 0\n", "",
                                            "stof argument out of range");
  ExpectThrowWithMessage<std::invalid_argument>(loader, "mtllib a\n", "illum high\n",
                                                "invalid stoi argument");
  ExpectThrowWithMessage<std::invalid_argument>(loader, "mtllib a\n", "Ns\n",
                                                "invalid stof argument");
}

// A float exactly, sign and all, in hexadecimal.
std::string Hex(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
  return text;
}

// What ToFloat makes of a text: the float in hexadecimal, or the error.
std::string Converted(const std::string& text) {
  try {
    return Hex(ToFloat(text));
  } catch (const std::out_of_range& error) {
    return std::string("out_of_range: ") + error.what();
  } catch (const std::invalid_argument& error) {
    return std::string("invalid_argument: ") + error.what();
  }
}

TEST(ObjlNumbers, ADoubleNarrowedToFloat) {
  // Double rounding: this decimal lies just above the midpoint between 1 and
  // the next float, within half a double's ulp of it. The double is that
  // midpoint, which then narrows to the even neighbour, 1; strtof, rounding
  // once, goes up.
  const std::string nearMidpoint = "1.0000000596046448";
  EXPECT_EQ(Converted(nearMidpoint), Hex(1.0f));
  EXPECT_EQ(Hex(std::strtof(nearMidpoint.c_str(), nullptr)), Hex(std::nextafter(1.0f, 2.0f)));

  const float largest = std::numeric_limits<float>::max();
  const float infinity = std::numeric_limits<float>::infinity();
  const struct {
    const char* text;
    float value;
  } converts[] = {
      // Beyond float's range but a double: an infinity, no error.
      {"1e39", infinity},
      {"-1e39", -infinity},
      {"1e308", infinity},
      // The largest float, and the decimals on either side of the halfway
      // point to the next power of two, 2^128 - 2^103: below it a value
      // rounds back to the largest float, from it on it is an infinity.
      {"3.40282346638528859811704183484516925440e38", largest},
      {"3.4028235677973362e38", largest},
      {"-3.4028235677973362e38", -largest},
      {"3.4028235677973366e38", infinity},  // strtof: the largest float
      // Below float's normal range: its subnormals, then zero.
      {"1e-45", 0x1p-149f},  // strtof: out of range
      {"1.1754942e-38", 0x1.fffffcp-127f},
      {"1e-46", 0.0f},
      {"-1e-300", -0.0f},
      {"-0", -0.0f},
      {"inf", infinity},
      {"-Infinity", -infinity},
      {"0x1p-149", 0x1p-149f},
  };
  for (const auto& c : converts) EXPECT_EQ(Converted(c.text), Hex(c.value)) << c.text;
  EXPECT_EQ(Converted("nan"), Hex(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ(Converted("-nan"), Hex(-std::numeric_limits<float>::quiet_NaN()));

  // Only what a double cannot hold is out of range: overflow, and values
  // below the double's normal range.
  for (const char* text : {"1e309", "-1.8e308", "1e-320", "-4e-324"}) {
    EXPECT_EQ(Converted(text), "out_of_range: stof argument out of range") << text;
  }

  // NarrowToFloat itself at the edges, from exact doubles.
  const double halfway = 0x1.ffffffp127;
  EXPECT_EQ(Hex(NarrowToFloat(std::nextafter(halfway, 0.0))), Hex(largest));
  EXPECT_EQ(Hex(NarrowToFloat(-std::nextafter(halfway, 0.0))), Hex(-largest));
  EXPECT_EQ(Hex(NarrowToFloat(halfway)), Hex(infinity));
  EXPECT_EQ(Hex(NarrowToFloat(-halfway)), Hex(-infinity));
  EXPECT_EQ(Hex(NarrowToFloat(std::numeric_limits<double>::max())), Hex(infinity));
  EXPECT_EQ(Hex(NarrowToFloat(-std::numeric_limits<double>::infinity())), Hex(-infinity));
  EXPECT_EQ(Hex(NarrowToFloat(static_cast<double>(largest))), Hex(largest));
  EXPECT_EQ(Hex(NarrowToFloat(0.1)), Hex(0.1f));
}

// Every spelling of a non-finite number the conversion takes, and finite
// texts beyond float's range, which narrow to an infinity.
const char* const kNonFinite[] = {"nan", "-nan", "NaN", "nan(12)", "inf", "-inf",
                                  "Infinity", "-INF", "1e39", "-1e39"};

TEST(ObjlNonFinite, TheFaceThatTakesANonFiniteNumberEndsTheLoad) {
  // The first text that read past the ear-clipping list: a NaN corner is
  // never found again by comparison and passes every ear test.
  {
    MeshLoader loader;
    EXPECT_FALSE(Load(loader, "v nan 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 2 0\nf 1 2 3 4 5\n"));
    EXPECT_TRUE(loader.meshes.empty());
  }

  // One non-finite number in one list (a position, texture coordinate or
  // normal, in any of its coordinates), faces of 3 to 12 corners in every
  // index form, counted from the start or back from the end. A face that
  // takes the number ends the load as any input beyond the format does; a
  // face whose form never reads that list loads as usual.
  enum List { kPosition, kTexCoord, kNormal };
  const struct {
    List list;
    int coordinates;
  } lists[] = {{kPosition, 3}, {kTexCoord, 2}, {kNormal, 3}};
  const struct {
    const char* pattern;  // P, T, N: the corner's indices
    bool texCoord, normal;
  } forms[] = {{"P", false, false}, {"P/T", true, false}, {"P//N", false, true},
               {"P/T/N", true, true}};
  int failedLoads = 0;
  int loads = 0;
  for (const char* number : kNonFinite) {
    for (const auto& bad : lists) {
      for (int coordinate = 0; coordinate < bad.coordinates; ++coordinate) {
        for (int corners : {3, 4, 5, 6, 8, 12}) {
          // A convex polygon; the bad number goes into the first element
          // of its list.
          std::string obj = "mtllib m\n";
          for (int k = 0; k < corners; ++k) {
            const float angle = 6.2831853f * static_cast<float>(k) / static_cast<float>(corners);
            std::string xyz[3] = {std::to_string(std::cos(angle)), std::to_string(std::sin(angle)),
                                  "0"};
            if (bad.list == kPosition && k == 0) xyz[coordinate] = number;
            obj += "v " + xyz[0] + " " + xyz[1] + " " + xyz[2] + "\n";
          }
          std::string uv[2] = {"0.5", "0.25"};
          if (bad.list == kTexCoord) uv[coordinate] = number;
          obj += "vt " + uv[0] + " " + uv[1] + "\nvt 1 1\n";
          std::string n[3] = {"0", "0", "1"};
          if (bad.list == kNormal) n[coordinate] = number;
          obj += "vn " + n[0] + " " + n[1] + " " + n[2] + "\nvn 0 1 0\n";

          for (const auto& form : forms) {
            for (bool fromTheEnd : {false, true}) {
              std::string face = "f";
              for (int k = 0; k < corners; ++k) {
                // Corner k takes position k + 1, texture coordinate and
                // normal 1 (-2 from the end: two of each were read).
                const std::string p = std::to_string(fromTheEnd ? k - corners : k + 1);
                const std::string tn = fromTheEnd ? "-2" : "1";
                std::string corner = form.pattern;
                corner.replace(corner.find('P'), 1, p);
                if (form.texCoord) corner.replace(corner.find('T'), 1, tn);
                if (form.normal) corner.replace(corner.find('N'), 1, tn);
                face += " " + corner;
              }
              const bool takesIt = bad.list == kPosition || (bad.list == kTexCoord && form.texCoord) ||
                                   (bad.list == kNormal && form.normal);
              const std::string text = obj + "g first\nf 1 2 3\ng second\n" + face + "\n";
              MeshLoader loader;
              const bool loaded = Load(loader, text, "newmtl m\n");
              ++loads;
              if (takesIt) {
                ++failedLoads;
                EXPECT_FALSE(loaded) << text;
                // Faces loaded before it are dropped with it; materials stay.
                EXPECT_TRUE(loader.meshes.empty() && loader.allVertices.empty() &&
                            loader.allIndices.empty())
                    << text;
                EXPECT_EQ(loader.materials.size(), 1u) << text;
              } else {
                ASSERT_TRUE(loaded) << text;
                ASSERT_EQ(loader.meshes.size(), 2u) << text;
                EXPECT_EQ(loader.meshes[1].indices.size(), 3u * (corners - 2)) << text;
              }
            }
          }
        }
      }
    }
  }
  // Per number, corner count and counting direction: 8 coordinates in 4
  // forms, of which 12 + 4 + 6 take the bad number.
  EXPECT_EQ(loads, 10 * 6 * 2 * 8 * 4);
  EXPECT_EQ(failedLoads, 10 * 6 * 2 * (3 * 4 + 2 * 2 + 3 * 2));
}

TEST(ObjlNonFinite, AFaceWithANonFinitePositionGivesNoTriangles) {
  // Called directly, the triangulation refuses such a face whatever its
  // size and wherever the number stands.
  const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                          -std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()};
  for (float value : values) {
    for (std::size_t n = 3; n <= 12; ++n) {
      for (std::size_t at = 0; at < n; ++at) {
        for (int coordinate = 0; coordinate < 3; ++coordinate) {
          std::vector<Vector3> positions;
          for (std::size_t k = 0; k < n; ++k) {
            const float angle = 6.2831853f * static_cast<float>(k) / static_cast<float>(n);
            positions.push_back({std::cos(angle), std::sin(angle), 0});
          }
          (&positions[at].x)[coordinate] = value;
          EXPECT_TRUE(TriangulateFace(Face(positions)).empty())
              << value << " at corner " << at << " of " << n << ", coordinate " << coordinate;
        }
      }
    }
  }
}

TEST(ObjlGroups, AWordBeginningWithGNamesTheFirstMeshUnnamed) {
  MeshLoader loader;
  ASSERT_TRUE(Load(loader, "gear\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
  ASSERT_EQ(loader.meshes.size(), 1u);
  EXPECT_EQ(loader.meshes[0].name, "unnamed");
}

TEST(ObjlGroups, GroupsAndMaterialNamesCloseMeshes) {
  const std::string mtl =
      "newmtl red\r\nKd 1 0 0\r\nnewmtl blue\r\nKd 0 0 1\r\n";
  const std::string tri = "f 1 2 3\r\n";
  {
    MeshLoader loader;
    ASSERT_TRUE(Load(loader,
                     "mtllib x.mtl\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\ng G\r\n" + tri + tri +
                         "usemtl blue\r\n" + tri,
                     mtl));
    ASSERT_EQ(loader.meshes.size(), 2u);
    EXPECT_EQ(loader.meshes[0].name, "G_2");
    EXPECT_EQ(loader.meshes[0].vertices.size(), 6u);
    EXPECT_EQ(loader.meshes[0].material.name, "blue");
    ExpectVector(loader.meshes[0].material.Kd, 0, 0, 1);
    EXPECT_EQ(loader.meshes[1].name, "G");
    EXPECT_EQ(loader.meshes[1].indices, (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(loader.meshes[1].material.name, "");
    EXPECT_EQ(loader.allIndices.size(), 9u);
    EXPECT_EQ(loader.allIndices.back(), 8u);
    EXPECT_EQ(loader.materials.size(), 2u);
  }
  {
    // A later group closes the faces under the earlier name; names that
    // match no material, and names beyond the meshes, change nothing.
    MeshLoader loader;
    ASSERT_TRUE(Load(loader,
                     "mtllib x.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\no A\nusemtl red\n" + tri +
                         "g B\nusemtl green\n" + tri + "g\nusemtl blue\nusemtl red\n",
                     mtl));
    ASSERT_EQ(loader.meshes.size(), 2u);
    EXPECT_EQ(loader.meshes[0].name, "A");
    EXPECT_EQ(loader.meshes[0].material.name, "red");
    EXPECT_EQ(loader.meshes[1].name, "B");
    EXPECT_EQ(loader.meshes[1].material.name, "");
  }
}

TEST(ObjlMaterials, MtlRules) {
  {
    MeshLoader loader;
    // MTL lines keep their carriage return: "newmtl\r" is no keyword.
    ASSERT_TRUE(loader.LoadMtlText(
        "newmtl\nKa 1 2\nKd 0.5 0.25 0.125\r\nKs 1 1 1 1\nnewmtl\r\n"
        "newmtl \n"
        "newmtl  \r\n"
        "newmtl  x \t\r\r\nmap_Kd  a b.bmp \r\nmap_Bump bump1\nbump bump2\nmap_d d\n"
        "Tr 0\nTf 1 1 1\n"));
    ASSERT_EQ(loader.materials.size(), 4u);
    EXPECT_EQ(loader.materials[0].name, "none");
    ExpectVector(loader.materials[0].Ka, 0, 0, 0);  // two parts: ignored
    ExpectVector(loader.materials[0].Kd, 0.5f, 0.25f, 0.125f);
    ExpectVector(loader.materials[0].Ks, 0, 0, 0);  // four parts: ignored
    EXPECT_EQ(loader.materials[1].name, "none");
    EXPECT_EQ(loader.materials[2].name, "");
    ExpectVector(loader.materials[2].Kd, 0, 0, 0);  // reset to the defaults
    EXPECT_EQ(loader.materials[3].name, "x \t");
    EXPECT_EQ(loader.materials[3].map_Kd, "a b.bmp \r");
    EXPECT_EQ(loader.materials[3].map_bump, "bump2");
    EXPECT_EQ(loader.materials[3].map_d, "d");
  }
  {
    MeshLoader loader;
    ASSERT_TRUE(loader.LoadMtlText("# nothing\r\nNs 5\r\nmap_bump b\r\n"));
    ASSERT_EQ(loader.materials.size(), 1u);
    EXPECT_EQ(loader.materials[0].name, "");
    EXPECT_FLOAT_EQ(loader.materials[0].Ns, 5);
    EXPECT_EQ(loader.materials[0].map_bump, "b\r");
    ASSERT_TRUE(loader.LoadMtlText(""));
    EXPECT_EQ(loader.materials.size(), 2u);  // a further read extends the list
  }
  {
    MeshLoader loader;
    EXPECT_TRUE(loader.LoadMtlResource(kPlaneMtlText));
    ASSERT_EQ(loader.materials.size(), 1u);
    EXPECT_EQ(loader.materials[0].name, "wire_198225087");
  }
}

TEST(ObjlLoads, TextsWithoutFacesLoadNothing) {
  MeshLoader loader;
  EXPECT_FALSE(Load(loader, ""));
  EXPECT_FALSE(Load(loader, "v 1 2 3\nvt 0 0\nvn 0 0 1\ng none\n# f 1 1 1\n"));
  EXPECT_TRUE(loader.meshes.empty());
  EXPECT_TRUE(loader.allVertices.empty());
}

TEST(ObjlLoads, InputBeyondTheFormatFailsCleanly) {
  const std::string lists = "mtllib m\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
  const std::string good = "f 1 2 3\n";
  const char* const bad[] = {
      "v 1 2\n",            "v\n",            "vn 1\n",          "vt 1\n",
      "f 1 2\n",            "f\n",            "f 1  2 3\n",      "f 1 2 3 1 0\n",
      "f 0 1 2\n",          "f 1 2 4\n",      "f -4 1 2\n",      "f 1/2 2/1 3/1\n",
      "f 1//2 2//1 3//1\n", "f 1/1/2 2 3\n",  "f 1/1/1/1 2 3\n", "f 1 2 3 99 4\n",
  };
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    MeshLoader loader;
    // Faces loaded before the bad line are dropped with it.
    EXPECT_FALSE(Load(loader, lists + good + "g next\n" + good + line + good, "newmtl m\n"));
    EXPECT_TRUE(loader.meshes.empty());
    EXPECT_TRUE(loader.allVertices.empty());
    EXPECT_TRUE(loader.allIndices.empty());
    EXPECT_EQ(loader.materials.size(), 1u);
    // The same loader reads a good text afterwards.
    EXPECT_TRUE(Load(loader, lists + good));
    EXPECT_EQ(loader.meshes.size(), 1u);
  }
}

TEST(ObjlLoads, AFaceWithoutTrianglesKeepsItsVertices) {
  // A face that clips no ear: its vertices are read, but no mesh closes.
  std::string obj;
  for (const Vector3& p : kNoEar) {
    obj += "v " + std::to_string(p.x) + " " + std::to_string(p.y) + " 0\n";
  }
  obj += "f 1 2 3 4 5 6\n";
  MeshLoader loader;
  EXPECT_TRUE(Load(loader, obj));
  EXPECT_TRUE(loader.meshes.empty());
  EXPECT_EQ(loader.allVertices.size(), 6u);
  EXPECT_TRUE(loader.allIndices.empty());
}

TEST(ObjlLoads, CarriageReturnsTakeTheNextCharacterWithThem) {
  MeshLoader loader;
  // "v 1 2 3\rX" loses "\rX"; "f 1 2 3\r4" loses the fourth corner.
  ASSERT_TRUE(Load(loader, "v 1 2 3\rX\nv 0 1 0\nv 0 0 1\nv 5 5 5\nf 1 2 3\r4\n"));
  ASSERT_EQ(loader.meshes.at(0).vertices.size(), 3u);
  ExpectVector(loader.meshes[0].vertices[0].position, 1, 2, 3);
  EXPECT_EQ(loader.meshes[0].name, "");
}

}  // namespace
}  // namespace objl
