// The embedded resource store, the shader-text cut and the GL entry-point list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "render/Resources.h"
#include "shell/GlEntryPoints.h"

namespace {

TEST(Resources, TheTableOfResourcesIsEmbeddedWithItsSizes) {
  const struct {
    const char* type;
    std::uint16_t id;
    std::size_t size;
  } expected[] = {
      {kTextFileResource, kPlaneObjText, 553},       {kTextFileResource, kPlaneMtlText, 242},
      {kBitmapResource, kBackgroundBitmap, 12582954}, {kBitmapResource, kDigitAtlasBitmap, 12582954},
      {kBitmapResource, kAboutBitmap, 36562},         {kWaveResource, kFlipClickWave, 8828},
  };
  for (const auto& e : expected) {
    const auto view = FindEmbeddedResource(e.type, e.id);
    ASSERT_TRUE(view.has_value()) << e.type << " " << e.id;
    EXPECT_EQ(view->size, e.size) << e.type << " " << e.id;
  }
  // Bitmaps are stored from their info header on, as windres stores them.
  const auto atlas = FindEmbeddedResource(kBitmapResource, kDigitAtlasBitmap);
  ASSERT_TRUE(atlas);
  EXPECT_EQ(atlas->data[0], 40);
  // A type is part of the key.
  EXPECT_FALSE(FindEmbeddedResource(kWaveResource, kPlaneObjText));
  EXPECT_FALSE(FindEmbeddedResource(kTextFileResource, 999));
}

TEST(Resources, MeshTextsAreByteExactWithWindowsLineEnds) {
  const std::string obj = LoadResourceText(kPlaneObjText);
  ASSERT_EQ(obj.size(), 553u);
  EXPECT_NE(obj.find("\r\nmtllib rectangle_object.mtl\r\n"), std::string::npos);
  EXPECT_NE(obj.find("\r\nv  -2.5000 -2.6302 -0.0000\r\n"), std::string::npos);
  EXPECT_NE(obj.find("\r\no Plane001\r\ng Plane001\r\nusemtl wire_198225087\r\nf 1/1/1 2/2/1 3/3/1 \r\n"
                     "f 4/4/1 3/3/1 2/2/1 \r\n"),
            std::string::npos);
  EXPECT_EQ(obj.substr(obj.size() - 6), "\r\n\r\n\r\n");  // two empty lines end it
  EXPECT_EQ(obj.find('~'), std::string::npos);

  const std::string mtl = LoadResourceText(kPlaneMtlText);
  ASSERT_EQ(mtl.size(), 242u);
  EXPECT_NE(mtl.find("\r\n\r\nnewmtl wire_198225087\r\n\tNs 32\r\n\td 1\r\n\tTr 0\r\n\tTf 1 1 1\r\n"
                     "\tillum 2\r\n\tKa 0.7765 0.8824 0.3412\r\n\tKd 0.7765 0.8824 0.3412\r\n"
                     "\tKs 0.3500 0.3500 0.3500\r\n"),
            std::string::npos);
  EXPECT_EQ(mtl.compare(mtl.size() - 2, 2, "\r\n"), 0);
  EXPECT_EQ(LoadResourceText(4242), "");
}

TEST(Resources, ShaderTextsEndAtTheirOnlyMarker) {
  for (std::uint16_t id : {kBackgroundVertexShader, kBackgroundFragmentShader, kPanelVertexShader,
                           kPanelFragmentShader, kDigitVertexShader, kDigitFragmentShader}) {
    const std::string whole = LoadResourceText(id);
    ASSERT_EQ(std::count(whole.begin(), whole.end(), '~'), 1) << id;
    EXPECT_EQ(whole.rfind("//~"), whole.find('~') - 2) << id;
    EXPECT_EQ(whole.compare(0, 14, "#version 130\r\n"), 0) << id;

    std::vector<char> buffer(kShaderBufferSize, 'x');
    EXPECT_TRUE(LoadShaderText(id, buffer.data()));
    const std::string text(buffer.data());
    EXPECT_EQ(text, whole.substr(0, whole.find('~'))) << id;
    EXPECT_EQ(text.substr(text.size() - 2), "//");
    EXPECT_EQ(std::memcmp(buffer.data() + text.size(), "\0\0\0\0", 4), 0);
  }
}

std::string Cut(const std::string& text, bool* marked, std::vector<char>* buffer) {
  buffer->assign(kShaderBufferSize, 'x');
  // An exact-size copy, so reading past the text trips the sanitizer.
  std::vector<unsigned char> bytes(text.begin(), text.end());
  *marked = CutShaderText(ResourceView{bytes.data(), bytes.size()}, buffer->data());
  return std::string(buffer->data());
}

TEST(Resources, ShaderCutIsBoundedByTheTextAndTheBuffer) {
  std::vector<char> buffer;
  bool marked = false;
  EXPECT_EQ(Cut("~rest", &marked, &buffer), "");
  EXPECT_TRUE(marked);
  EXPECT_EQ(Cut("void main(){}\r\n//~\r\n", &marked, &buffer), "void main(){}\r\n//");
  EXPECT_TRUE(marked);
  // No marker: the whole text, terminated, and no read past its bytes.
  EXPECT_EQ(Cut("no marker here", &marked, &buffer), "no marker here");
  EXPECT_FALSE(marked);
  // A text longer than the buffer holds is cut at 16,384 bytes, with the
  // four zero bytes still inside the buffer.
  const std::string huge(40000, 'a');
  EXPECT_EQ(Cut(huge, &marked, &buffer).size(), kShaderTextCapacity);
  EXPECT_FALSE(marked);
  EXPECT_EQ(buffer[kShaderBufferSize - 1], '\0');
  // A marker just beyond the capacity is not reached.
  EXPECT_EQ(Cut(std::string(kShaderTextCapacity, 'b') + "~", &marked, &buffer).size(),
            kShaderTextCapacity);
  EXPECT_FALSE(marked);
  // A missing resource gives the empty text.
  buffer.assign(kShaderBufferSize, 'x');
  EXPECT_FALSE(LoadShaderText(4242, buffer.data()));
  EXPECT_EQ(buffer[0], '\0');
}

TEST(GlEntryPoints, SevenHundredInTheOrderOfTheVersions) {
  int count = 0;
  const gl::GlEntryPoint* table = gl::GlEntryPointTable(&count);
  ASSERT_EQ(count, 700);
  EXPECT_STREQ(table[0].name, "glCullFace");
  EXPECT_STREQ(table[699].name, "glTexPageCommitmentARB");

  struct Group {
    int count;
    const char* first;
    const char* last;
  };
  const std::vector<std::pair<std::string, Group>> expected = {
      {"OpenGL 1.0", {48, "glCullFace", "glViewport"}},
      {"OpenGL 1.1", {14, "glDrawArrays", "glIsTexture"}},
      {"OpenGL 1.2", {4, "glDrawRangeElements", "glCopyTexSubImage3D"}},
      {"OpenGL 1.3", {9, "glActiveTexture", "glGetCompressedTexImage"}},
      {"OpenGL 1.4", {9, "glBlendFuncSeparate", "glBlendEquation"}},
      {"OpenGL 1.5", {19, "glGenQueries", "glGetBufferPointerv"}},
      {"OpenGL 2.0", {93, "glBlendEquationSeparate", "glVertexAttribPointer"}},
      {"OpenGL 2.1", {6, "glUniformMatrix2x3fv", "glUniformMatrix4x3fv"}},
      {"OpenGL 3.0", {84, "glColorMaski", "glIsVertexArray"}},
      {"OpenGL 3.1", {12, "glDrawArraysInstanced", "glUniformBlockBinding"}},
      {"OpenGL 3.2", {19, "glDrawElementsBaseVertex", "glSampleMaski"}},
      {"OpenGL 3.3", {28, "glBindFragDataLocationIndexed", "glVertexAttribP4uiv"}},
      {"OpenGL 4.0", {46, "glMinSampleShading", "glGetQueryIndexediv"}},
      {"OpenGL 4.1", {88, "glReleaseShaderCompiler", "glGetDoublei_v"}},
      {"OpenGL 4.2", {12, "glDrawArraysInstancedBaseInstance", "glDrawTransformFeedbackStreamInstanced"}},
      {"OpenGL 4.3", {43, "glClearBufferData", "glGetObjectPtrLabel"}},
      {"OpenGL 4.4", {9, "glBufferStorage", "glBindVertexBuffers"}},
      {"OpenGL 4.5", {110, "glClipControl", "glTextureBarrier"}},
      {"Extensions", {47, "glGetTextureHandleARB", "glTexPageCommitmentARB"}},
  };
  int row = 0;
  for (const auto& [label, group] : expected) {
    ASSERT_LT(row + group.count - 1, count);
    EXPECT_STREQ(table[row].group, label.c_str());
    EXPECT_STREQ(table[row].name, group.first) << label;
    EXPECT_STREQ(table[row + group.count - 1].name, group.last) << label;
    EXPECT_STREQ(table[row + group.count - 1].group, label.c_str());
    if (row + group.count < count) {
      EXPECT_STRNE(table[row + group.count].group, label.c_str());
    }
    row += group.count;
  }
  EXPECT_EQ(row, 700);

  // Each name once; the sparse-buffer group carries the EXT variant.
  std::map<std::string, int> seen;
  for (int i = 0; i < count; ++i) ++seen[table[i].name];
  EXPECT_EQ(seen.size(), 700u);
  EXPECT_EQ(seen.count("glNamedBufferPageCommitmentEXT"), 1u);
  for (const char* used : {"glTexStorage2D", "glUniformMatrix4fv", "glDrawElements", "glGetFloatv"}) {
    EXPECT_EQ(seen.count(used), 1u) << used;
  }
}

}  // namespace
