// The matrix layer: projections, views and the model matrices the clock
// builds, checked by where they send points.
#include <gtest/gtest.h>

#include <cmath>

#include "clock/FlipTiles.h"
#include "render/Math.h"

namespace {

Vec4 Apply(const Mat4& m, Vec4 p) {
  Vec4 r{};
  float* out = &r.x;
  const float* in = &p.x;
  for (int row = 0; row < 4; ++row) {
    float sum = 0.0f;
    for (int k = 0; k < 4; ++k) sum += m.At(row, k) * in[k];
    out[row] = sum;
  }
  return r;
}

Vec4 Point(float x, float y, float z) { return {x, y, z, 1.0f}; }

void ExpectPoint(Vec4 actual, float x, float y, float z, float tolerance = 1e-4f) {
  EXPECT_NEAR(actual.x, x, tolerance);
  EXPECT_NEAR(actual.y, y, tolerance);
  EXPECT_NEAR(actual.z, z, tolerance);
  EXPECT_FLOAT_EQ(actual.w, 1.0f);
}

void ExpectMatrixEq(const Mat4& a, const Mat4& b) {
  for (int i = 0; i < 16; ++i) EXPECT_EQ(a.Data()[i], b.Data()[i]) << "float " << i;
}

// A matrix with no two equal elements, so that a transposition or a swapped
// operand shows.
Mat4 Distinct() {
  Mat4 m;
  for (int i = 0; i < 16; ++i) (&m.columns[0].x)[i] = 1.5f + static_cast<float>(i * i) * 0.25f;
  return m;
}

TEST(MathLayout, ElementRowIColumnJIsFloat4JPlusI) {
  const Mat4 t = Translate(7.0f, 8.0f, 9.0f);
  // The translation is the last column, i.e. floats 12, 13, 14.
  EXPECT_EQ(t.Data()[12], 7.0f);
  EXPECT_EQ(t.Data()[13], 8.0f);
  EXPECT_EQ(t.Data()[14], 9.0f);
  EXPECT_EQ(t.At(0, 3), 7.0f);
  EXPECT_EQ(t.Data()[3], 0.0f);
}

TEST(MathProducts, IdentityLeavesTheOtherFactorUnchanged) {
  const Mat4 m = Distinct();
  ExpectMatrixEq(Identity() * m, m);
  ExpectMatrixEq(m * Identity(), m);
}

TEST(MathProducts, RightHandFactorAppliesFirst) {
  // Scale then translate: (1, 1, 1) -> (2, 2, 2) -> (12, 2, 2).
  const Mat4 m = Translate(10.0f, 0.0f, 0.0f) * Scale(2.0f, 2.0f, 2.0f);
  ExpectPoint(Apply(m, Point(1, 1, 1)), 12.0f, 2.0f, 2.0f);
  // The other order translates first: (11, 1, 1) -> (22, 2, 2).
  const Mat4 n = Scale(2.0f, 2.0f, 2.0f) * Translate(10.0f, 0.0f, 0.0f);
  ExpectPoint(Apply(n, Point(1, 1, 1)), 22.0f, 2.0f, 2.0f);
}

TEST(MathProjection, OrthoMapsTheScreenBoxToClipSpace) {
  const float a = 1920.0f / 1080.0f;
  const Mat4 p = Ortho(-500.0f * a, 500.0f * a, -500.0f, 500.0f, -1000.0f, 1000.0f);
  ExpectPoint(Apply(p, Point(-500.0f * a, -500.0f, 0.0f)), -1.0f, -1.0f, 0.0f);
  ExpectPoint(Apply(p, Point(500.0f * a, 500.0f, 0.0f)), 1.0f, 1.0f, 0.0f);
  ExpectPoint(Apply(p, Point(500.0f * a, -500.0f, 0.0f)), 1.0f, -1.0f, 0.0f);
  ExpectPoint(Apply(p, Point(0.0f, 0.0f, 0.0f)), 0.0f, 0.0f, 0.0f);
  // Eye-space z runs towards the viewer: the far plane z = -1000 is depth +1.
  ExpectPoint(Apply(p, Point(0.0f, 0.0f, -1000.0f)), 0.0f, 0.0f, 1.0f);
  ExpectPoint(Apply(p, Point(0.0f, 0.0f, 1000.0f)), 0.0f, 0.0f, -1.0f);
}

TEST(MathProjection, OrthoOffCentre) {
  const Mat4 p = Ortho(0.0f, 200.0f, 10.0f, 50.0f, 1.0f, 3.0f);
  ExpectPoint(Apply(p, Point(0.0f, 10.0f, -1.0f)), -1.0f, -1.0f, -1.0f);
  ExpectPoint(Apply(p, Point(200.0f, 50.0f, -3.0f)), 1.0f, 1.0f, 1.0f);
  ExpectPoint(Apply(p, Point(50.0f, 40.0f, -2.0f)), -0.5f, 0.5f, 0.0f);
}

TEST(MathView, LookAtDownMinusZIsAPureTranslation) {
  const Mat4 v = LookAt({0.0f, 0.0f, 100.0f}, {0.0f, 0.0f, 99.0f}, {0.0f, 1.0f, 0.0f});
  ExpectMatrixEq(v, Translate(0.0f, 0.0f, -100.0f));
}

TEST(MathView, LookAtPutsTheTargetOnTheMinusZAxis) {
  // Looking from +x towards the origin, with y up.
  const Mat4 v = LookAt({10.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  ExpectPoint(Apply(v, Point(0.0f, 0.0f, 0.0f)), 0.0f, 0.0f, -10.0f);
  ExpectPoint(Apply(v, Point(10.0f, 5.0f, 0.0f)), 0.0f, 5.0f, 0.0f);
  // World -z lies to the eye's right.
  ExpectPoint(Apply(v, Point(10.0f, 0.0f, -3.0f)), 3.0f, 0.0f, 0.0f);
}

TEST(MathView, CameraStartsLookingDownMinusZ) {
  GLFWCamera camera(0.0f, 0.0f, 100.0f);
  EXPECT_EQ(camera.current, 0);
  EXPECT_EQ(camera.target.z, 99.0f);
  camera.UpdateView(0);
  ExpectMatrixEq(camera.GetView(), Translate(0.0f, 0.0f, -100.0f));
  camera.eye = {5.0f, 0.0f, 50.0f};
  camera.target = {5.0f, 0.0f, 0.0f};
  camera.UpdateView(2);
  EXPECT_EQ(camera.current, 2);
  ExpectMatrixEq(camera.GetView(), Translate(-5.0f, 0.0f, -50.0f));
  camera.SelectView(0);  // no recompute: slot 0 keeps its first matrix
  ExpectMatrixEq(camera.GetView(), Translate(0.0f, 0.0f, -100.0f));
}

TEST(MathRotation, RotateAxisZ90MapsXToY) {
  const Mat4 r = RotateAxis(90.0f, 0.0f, 0.0f, 1.0f);
  const Vec4 x = Apply(r, Point(1, 0, 0));
  ExpectPoint(x, 0.0f, 1.0f, 0.0f, 1e-6f);
  ExpectPoint(Apply(r, Point(0, 1, 0)), -1.0f, 0.0f, 0.0f, 1e-6f);
}

TEST(MathRotation, RotateAxisXAndYFollowTheRightHandRule) {
  ExpectPoint(Apply(RotateAxis(90.0f, 1.0f, 0.0f, 0.0f), Point(0, 1, 0)), 0.0f, 0.0f, 1.0f, 1e-6f);
  ExpectPoint(Apply(RotateAxis(90.0f, 0.0f, 1.0f, 0.0f), Point(0, 0, 1)), 1.0f, 0.0f, 0.0f, 1e-6f);
  ExpectPoint(Apply(RotateAxis(180.0f, 0.0f, 0.0f, 1.0f), Point(2, 3, 4)), -2.0f, -3.0f, 4.0f,
              1e-5f);
}

TEST(MathRotation, EulerAppliesXThenYThenZ) {
  // x by 90 sends y to z; y by 90 then sends z to x; z by 90 sends x to y.
  const Mat4 r = RotateEuler(90.0f, 90.0f, 90.0f);
  ExpectPoint(Apply(r, Point(0, 1, 0)), 0.0f, 1.0f, 0.0f, 1e-6f);
  ExpectMatrixEq(r, RotateAxis(90.0f, 0, 0, 1) * RotateAxis(90.0f, 0, 1, 0) *
                        RotateAxis(90.0f, 1, 0, 0));
}

// The clock's model matrix of a tile half (TileHalfModel): the plane is
// lifted so that its hinge line sits at the origin, turned about x by the
// flap angle, stretched to the tile's size and moved to the hinge.

constexpr float kPlaneTop = 2.3698f;
constexpr float kPlaneBottom = -2.6302f;
constexpr float kPlaneHalfWidth = 2.5f;

TEST(MathTileHalf, UprightHalfStandsAboveTheHinge) {
  const float f = 7.0f;
  const float sx = f * 20.0f / 3.6f;  // 38.889
  const float sy = f * 16.0f / 3.6f;  // 31.111
  const Mat4 m = TileHalfModel(120.0f, 40.0f, 5.0f, f, 0.0f);
  ExpectPoint(Apply(m, Point(-kPlaneHalfWidth, kPlaneTop, 0)), 120.0f - sx * 2.5f,
              40.0f + sy * (kPlaneTop + 2.66f), 5.0f, 1e-3f);
  ExpectPoint(Apply(m, Point(kPlaneHalfWidth, kPlaneBottom, 0)), 120.0f + sx * 2.5f,
              40.0f + sy * (kPlaneBottom + 2.66f), 5.0f, 1e-3f);
  // The same corner in plain numbers: 31.111 x 5.0298 above the hinge.
  ExpectPoint(Apply(m, Point(-kPlaneHalfWidth, kPlaneTop, 0)), 22.778f, 196.483f, 5.0f, 2e-3f);
}

TEST(MathTileHalf, QuarterTurnLaysTheHalfTowardsTheViewer) {
  const float f = 7.0f;
  const float sy = f * 16.0f / 3.6f;
  const Mat4 m = TileHalfModel(0.0f, 40.0f, 5.0f, f, 90.0f);
  // The top edge no longer rises: it comes out of the screen by the
  // unscaled height above the hinge (z is not scaled).
  const Vec4 top = Apply(m, Point(0, kPlaneTop, 0));
  EXPECT_NEAR(top.y, 40.0f, 1e-3f * sy);
  EXPECT_NEAR(top.z, 5.0f + (kPlaneTop + 2.66f), 1e-4f);
}

TEST(MathTileHalf, HalfTurnHangsTheHalfBelowTheHinge) {
  const float f = 7.0f;
  const float sx = f * 20.0f / 3.6f;
  const float sy = f * 16.0f / 3.6f;
  const Mat4 m = TileHalfModel(120.0f, 40.0f, 5.0f, f, 180.0f);
  ExpectPoint(Apply(m, Point(-kPlaneHalfWidth, kPlaneTop, 0)), 120.0f - sx * 2.5f,
              40.0f - sy * (kPlaneTop + 2.66f), 5.0f, 2e-3f);
  // The plane's bottom edge stays next to the hinge, just below it.
  const Vec4 bottom = Apply(m, Point(0, kPlaneBottom, 0));
  EXPECT_NEAR(bottom.y, 40.0f - sy * (kPlaneBottom + 2.66f), 1e-3f);
  EXPECT_LT(bottom.y, 40.0f);
}

TEST(MathVectors, CrossNormalizeLength) {
  const Vec3 c = Cross({1, 0, 0}, {0, 1, 0});
  EXPECT_EQ(c.z, 1.0f);
  EXPECT_EQ(c.x, 0.0f);
  const Vec3 n = Normalize({3.0f, 0.0f, 4.0f});
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.z, 0.8f);
  EXPECT_FLOAT_EQ(Length({3.0f, 0.0f, 4.0f}), 5.0f);
  const Vec3 d = Vec3{1, 2, 3} - Vec3{3, 2, 1};
  EXPECT_EQ(d.x, -2.0f);
  EXPECT_EQ(d.z, 2.0f);
}

}  // namespace
