#include "render/Math.h"

#include <cmath>

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
Vec3 operator/(Vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }
float Length(Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
Vec3 Normalize(Vec3 v) { return v / Length(v); }
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y};
}

Mat4 Identity() { return Scale(1.0f, 1.0f, 1.0f); }

Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.At(i, k) * b.At(k, j);
      r.At(i, j) = sum;
    }
  }
  return r;
}

Mat4 Ortho(float left, float right, float bottom, float top, float near, float far) {
  Mat4 m = Identity();
  m.At(0, 0) = 2.0f / (right - left);
  m.At(1, 1) = 2.0f / (top - bottom);
  m.At(2, 2) = -2.0f / (far - near);
  m.At(0, 3) = -(right + left) / (right - left);
  m.At(1, 3) = -(top + bottom) / (top - bottom);
  m.At(2, 3) = -(far + near) / (far - near);
  return m;
}

Mat4 LookAt(Vec3 eye, Vec3 target, Vec3 up) {
  const Vec3 f = Normalize(target - eye);
  const Vec3 u1 = Normalize(up);
  const Vec3 s = Cross(f, u1);
  const Vec3 u = Cross(s, f);
  Mat4 r;
  r.columns[0] = {s.x, u.x, -f.x, 0.0f};
  r.columns[1] = {s.y, u.y, -f.y, 0.0f};
  r.columns[2] = {s.z, u.z, -f.z, 0.0f};
  r.columns[3] = {0.0f, 0.0f, 0.0f, 1.0f};
  return r * Translate(-eye.x, -eye.y, -eye.z);
}

Mat4 Translate(float x, float y, float z) {
  Mat4 m = Identity();
  m.columns[3] = {x, y, z, 1.0f};
  return m;
}

Mat4 Scale(float x, float y, float z) {
  Mat4 m;
  m.columns[0] = {x, 0.0f, 0.0f, 0.0f};
  m.columns[1] = {0.0f, y, 0.0f, 0.0f};
  m.columns[2] = {0.0f, 0.0f, z, 0.0f};
  m.columns[3] = {0.0f, 0.0f, 0.0f, 1.0f};
  return m;
}

Mat4 RotateAxis(float angleDegrees, float x, float y, float z) {
  const float radians = angleDegrees * kDegreesToRadians;
  const float co = std::cos(radians);
  const float si = std::sin(radians);
  const float c1 = 1.0f - co;
  Mat4 m;
  m.columns[0] = {x * x * c1 + co, x * y * c1 + z * si, x * z * c1 - y * si, 0.0f};
  m.columns[1] = {x * y * c1 - z * si, y * y * c1 + co, y * z * c1 + x * si, 0.0f};
  m.columns[2] = {x * z * c1 + y * si, y * z * c1 - x * si, z * z * c1 + co, 0.0f};
  m.columns[3] = {0.0f, 0.0f, 0.0f, 1.0f};
  return m;
}

Mat4 RotateEuler(float ax, float ay, float az) {
  return RotateAxis(az, 0.0f, 0.0f, 1.0f) * RotateAxis(ay, 0.0f, 1.0f, 0.0f) *
         RotateAxis(ax, 1.0f, 0.0f, 0.0f);
}

GLFWCamera::GLFWCamera(float x, float y, float z) : eye{x, y, z} {
  target = eye + front;
  projection = Identity();
  for (Mat4& view : views) view = Identity();
}

void GLFWCamera::UpdateView(int slot) {
  views[slot] = LookAt(eye, target, up);
  current = slot;
}

void GLFWCamera::SelectView(int slot) { current = slot; }
