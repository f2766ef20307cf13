#include "transform.h"

#include "ticket/hresult_error.h"

namespace {

void Check(GpStatus status) {
  if (status == Gdiplus::OutOfMemory) throw HResultError(E_OUTOFMEMORY);
  if (status != Gdiplus::Ok) throw HResultError(E_FAIL);
}

}  // namespace

Transform::Transform() { Check(GdipCreateMatrix(&matrix_)); }

Transform::Transform(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
  Check(GdipCreateMatrix2(m11, m12, m21, m22, dx, dy, &matrix_));
}

Transform::Transform(const Transform& other) { Check(GdipCloneMatrix(other.matrix_, &matrix_)); }

Transform& Transform::operator=(const Transform& other) {
  if (this != &other) {
    const std::array<REAL, 6> e = other.Elements();
    Check(GdipSetMatrixElements(matrix_, e[0], e[1], e[2], e[3], e[4], e[5]));
  }
  return *this;
}

Transform::~Transform() { GdipDeleteMatrix(matrix_); }

void Transform::Rotate(REAL degrees) { Check(GdipRotateMatrix(matrix_, degrees, MatrixOrderAppend)); }

void Transform::Scale(REAL sx, REAL sy) { Check(GdipScaleMatrix(matrix_, sx, sy, MatrixOrderAppend)); }

void Transform::Translate(REAL dx, REAL dy) { Check(GdipTranslateMatrix(matrix_, dx, dy, MatrixOrderAppend)); }

void Transform::Append(const Transform& other) { Check(GdipMultiplyMatrix(matrix_, other.matrix_, MatrixOrderAppend)); }

GpPointF Transform::Apply(GpPointF point) const {
  Check(GdipTransformMatrixPoints(matrix_, &point, 1));
  return point;
}

std::array<REAL, 6> Transform::Elements() const {
  std::array<REAL, 6> e{};
  Check(GdipGetMatrixElements(matrix_, e.data()));
  return e;
}

bool Transform::IsIdentity() const { return Elements() == std::array<REAL, 6>{1, 0, 0, 1, 0, 0}; }
