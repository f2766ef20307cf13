// Affine 2-D matrices of the GDI+ flat API, in single precision.
// Elements are (m11, m12, m21, m22, dx, dy), the order of an XPS RenderTransform, and
// points are row vectors: x' = x*m11 + y*m21 + dx, y' = x*m12 + y*m22 + dy.
// Appending T applies T after the matrix (M' = M*T); prepending applies it before (M' = T*M).
#pragma once

#include "platform/gdiplus_status.h"
#include "platform/types.h"

using REAL = float;

struct GpPointF {
  REAL X;
  REAL Y;
};

enum MatrixOrder : int { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
using GpMatrixOrder = MatrixOrder;

struct GpMatrix;  // opaque; made by GdipCreateMatrix*, freed by GdipDeleteMatrix

GpStatus GdipCreateMatrix(GpMatrix** matrix);  // identity
GpStatus GdipCreateMatrix2(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy, GpMatrix** matrix);
GpStatus GdipCloneMatrix(const GpMatrix* matrix, GpMatrix** clone);
GpStatus GdipDeleteMatrix(GpMatrix* matrix);

// elements receives six values in the order above.
GpStatus GdipGetMatrixElements(const GpMatrix* matrix, REAL* elements);
GpStatus GdipSetMatrixElements(GpMatrix* matrix, REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);

// Positive angles (degrees) turn +x towards +y: 90 maps (x, y) to (-y, x).
GpStatus GdipRotateMatrix(GpMatrix* matrix, REAL angle, GpMatrixOrder order);
GpStatus GdipTranslateMatrix(GpMatrix* matrix, REAL dx, REAL dy, GpMatrixOrder order);
GpStatus GdipScaleMatrix(GpMatrix* matrix, REAL sx, REAL sy, GpMatrixOrder order);
GpStatus GdipMultiplyMatrix(GpMatrix* matrix, const GpMatrix* other, GpMatrixOrder order);

// InvalidParameter for a singular matrix, which stays unchanged.
GpStatus GdipInvertMatrix(GpMatrix* matrix);

// Transforms count points in place; count must be positive.
GpStatus GdipTransformMatrixPoints(const GpMatrix* matrix, GpPointF* points, INT count);
