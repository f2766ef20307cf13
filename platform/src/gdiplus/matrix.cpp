#include <array>
#include <cmath>
#include <new>
#include <numbers>

#include "platform/gdiplus_matrix.h"

struct GpMatrix {
  std::array<REAL, 6> e;  // m11, m12, m21, m22, dx, dy
};

namespace {

using Elements = std::array<REAL, 6>;

// Products are formed in double and rounded once; adding +0 turns -0 into +0 so that
// formatted transforms never show "-0.000000".
REAL Round(double v) { return static_cast<REAL>(v) + 0.0f; }

// a*b for row vectors: a is applied first.
Elements Multiply(const Elements& a, const Elements& b) {
  const double a11 = a[0], a12 = a[1], a21 = a[2], a22 = a[3], adx = a[4], ady = a[5];
  const double b11 = b[0], b12 = b[1], b21 = b[2], b22 = b[3], bdx = b[4], bdy = b[5];
  return {Round(a11 * b11 + a12 * b21), Round(a11 * b12 + a12 * b22),
          Round(a21 * b11 + a22 * b21), Round(a21 * b12 + a22 * b22),
          Round(adx * b11 + ady * b21 + bdx), Round(adx * b12 + ady * b22 + bdy)};
}

bool ValidOrder(GpMatrixOrder order) { return order == MatrixOrderPrepend || order == MatrixOrderAppend; }

GpStatus Combine(GpMatrix* matrix, const Elements& t, GpMatrixOrder order) {
  if (!matrix || !ValidOrder(order)) return InvalidParameter;
  matrix->e = order == MatrixOrderAppend ? Multiply(matrix->e, t) : Multiply(t, matrix->e);
  return Ok;
}

// Quarter turns are exact, so a 90 degree rotation has exact zeros.
void CosSin(REAL degrees, double& c, double& s) {
  const double turn = std::fmod(static_cast<double>(degrees), 360.0);
  constexpr double kQuarter[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
  const double quarters = turn / 90.0;
  if (quarters == std::floor(quarters)) {
    const int q = static_cast<int>(quarters + 4) % 4;
    c = kQuarter[q][0];
    s = kQuarter[q][1];
    return;
  }
  const double radians = turn * (std::numbers::pi / 180.0);
  c = std::cos(radians);
  s = std::sin(radians);
}

}  // namespace

GpStatus GdipCreateMatrix(GpMatrix** matrix) { return GdipCreateMatrix2(1, 0, 0, 1, 0, 0, matrix); }

GpStatus GdipCreateMatrix2(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy, GpMatrix** matrix) {
  if (!matrix) return InvalidParameter;
  *matrix = new (std::nothrow) GpMatrix{{m11, m12, m21, m22, dx, dy}};
  return *matrix ? Ok : OutOfMemory;
}

GpStatus GdipCloneMatrix(const GpMatrix* matrix, GpMatrix** clone) {
  if (!matrix || !clone) return InvalidParameter;
  *clone = new (std::nothrow) GpMatrix(*matrix);
  return *clone ? Ok : OutOfMemory;
}

GpStatus GdipDeleteMatrix(GpMatrix* matrix) {
  if (!matrix) return InvalidParameter;
  delete matrix;
  return Ok;
}

GpStatus GdipGetMatrixElements(const GpMatrix* matrix, REAL* elements) {
  if (!matrix || !elements) return InvalidParameter;
  for (std::size_t i = 0; i < matrix->e.size(); ++i) elements[i] = matrix->e[i];
  return Ok;
}

GpStatus GdipSetMatrixElements(GpMatrix* matrix, REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
  if (!matrix) return InvalidParameter;
  matrix->e = {m11, m12, m21, m22, dx, dy};
  return Ok;
}

GpStatus GdipRotateMatrix(GpMatrix* matrix, REAL angle, GpMatrixOrder order) {
  double c = 1, s = 0;
  CosSin(angle, c, s);
  return Combine(matrix, {Round(c), Round(s), Round(-s), Round(c), 0, 0}, order);
}

GpStatus GdipTranslateMatrix(GpMatrix* matrix, REAL dx, REAL dy, GpMatrixOrder order) {
  return Combine(matrix, {1, 0, 0, 1, dx, dy}, order);
}

GpStatus GdipScaleMatrix(GpMatrix* matrix, REAL sx, REAL sy, GpMatrixOrder order) {
  return Combine(matrix, {sx, 0, 0, sy, 0, 0}, order);
}

GpStatus GdipMultiplyMatrix(GpMatrix* matrix, const GpMatrix* other, GpMatrixOrder order) {
  if (!other) return InvalidParameter;
  return Combine(matrix, other->e, order);
}

GpStatus GdipInvertMatrix(GpMatrix* matrix) {
  if (!matrix) return InvalidParameter;
  const Elements& m = matrix->e;
  const double det = static_cast<double>(m[0]) * m[3] - static_cast<double>(m[1]) * m[2];
  if (det == 0 || !std::isfinite(det)) return InvalidParameter;
  const double dx = m[4], dy = m[5];
  matrix->e = {Round(m[3] / det), Round(-m[1] / det), Round(-m[2] / det), Round(m[0] / det),
               Round((m[2] * dy - m[3] * dx) / det), Round((m[1] * dx - m[0] * dy) / det)};
  return Ok;
}

GpStatus GdipTransformMatrixPoints(const GpMatrix* matrix, GpPointF* points, INT count) {
  if (!matrix || !points || count <= 0) return InvalidParameter;
  const Elements& m = matrix->e;
  for (INT i = 0; i < count; ++i) {
    const double x = points[i].X, y = points[i].Y;
    points[i] = {Round(x * m[0] + y * m[2] + m[4]), Round(x * m[1] + y * m[3] + m[5])};
  }
  return Ok;
}
