// Vectors, 4 x 4 matrices and the camera. Matrices are column-major with
// column vectors: element (row i, column j) is float 4j + i, products apply
// right to left, and the 16 floats go to OpenGL untransposed. Angles are in
// degrees at every interface.
#pragma once

inline constexpr float kDegreesToRadians = 0.017453292f;

struct Vec3 {
  float x, y, z;
};

struct Vec4 {
  float x, y, z, w;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a);
Vec3 operator*(Vec3 a, float s);
Vec3 operator/(Vec3 a, float s);
float Length(Vec3 v);
Vec3 Normalize(Vec3 v);  // v / Length(v); no guard against length 0
Vec3 Cross(Vec3 a, Vec3 b);

struct Mat4 {
  Vec4 columns[4];

  float& At(int row, int column) { return (&columns[column].x)[row]; }
  float At(int row, int column) const { return (&columns[column].x)[row]; }
  const float* Data() const { return &columns[0].x; }
};

Mat4 Identity();
Mat4 operator*(const Mat4& a, const Mat4& b);

Mat4 Ortho(float left, float right, float bottom, float top, float near, float far);
Mat4 LookAt(Vec3 eye, Vec3 target, Vec3 up);
Mat4 Translate(float x, float y, float z);
Mat4 Scale(float x, float y, float z);
Mat4 RotateAxis(float angleDegrees, float x, float y, float z);
// The x rotation applies first, then y, then z.
Mat4 RotateEuler(float ax, float ay, float az);

// An eye looking down -z with five view-matrix slots and a projection.
class GLFWCamera {
 public:
  GLFWCamera(float x, float y, float z);

  void UpdateView(int slot);  // views[slot] = LookAt(eye, target, up); selects it
  void SelectView(int slot);
  void SetProjection(const Mat4& m) { projection = m; }
  Mat4 GetProjection() const { return projection; }
  Mat4 GetView() const { return views[current]; }

  Mat4 views[5];
  int current = 0;
  Vec3 eye;
  Vec3 target;
  Vec3 front{0.0f, 0.0f, -1.0f};
  Vec3 right{1.0f, 0.0f, 0.0f};
  Vec3 up{0.0f, 1.0f, 0.0f};
  Mat4 projection;
};
