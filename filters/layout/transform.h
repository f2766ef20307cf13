// An owned GDI+ matrix with the few operations the sheet geometry composes
// transforms from. Every operation is appended: it applies after what the
// transform already does. Failures of the matrix library throw HResultError.
#pragma once

#include <array>

#include "platform/gdiplus_matrix.h"

class Transform {
 public:
  // The identity.
  Transform();
  Transform(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);
  Transform(const Transform& other);
  Transform& operator=(const Transform& other);
  ~Transform();

  void Rotate(REAL degrees);
  void Scale(REAL sx, REAL sy);
  void Translate(REAL dx, REAL dy);
  void Append(const Transform& other);

  GpPointF Apply(GpPointF point) const;
  // (m11, m12, m21, m22, dx, dy).
  std::array<REAL, 6> Elements() const;
  bool IsIdentity() const;
  const GpMatrix* matrix() const { return matrix_; }

 private:
  GpMatrix* matrix_ = nullptr;
};
