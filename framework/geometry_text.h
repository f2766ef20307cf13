// The text forms of geometry in page markup: a RenderTransform and the path
// of a rectangle, as clip geometry.
#pragma once

#include "platform/bstr.h"
#include "platform/gdiplus_matrix.h"

// "m11,m12,m21,m22,dx,dy" with six decimals for the four factors and three for
// the offsets. Throws HResultError(E_FAIL) when the elements cannot be read.
Bstr FormatMatrix(const GpMatrix* matrix);

// "M x1,y1 L x2,y1 L x2,y2 L x1,y2 Z" with two decimals.
Bstr FormatRectPath(REAL x1, REAL y1, REAL x2, REAL y2);
