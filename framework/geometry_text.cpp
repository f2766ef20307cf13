#include "framework/geometry_text.h"

#include <string>

#include "platform/format.h"
#include "ticket/hresult_error.h"

namespace {

Bstr ToBstr(const Formatted<std::u16string>& formatted) {
  ThrowIfFailed(formatted.hr);
  Bstr text(formatted.text);
  if (!text.Get()) throw HResultError(E_OUTOFMEMORY);
  return text;
}

}  // namespace

Bstr FormatMatrix(const GpMatrix* matrix) {
  REAL m[6];
  if (GdipGetMatrixElements(matrix, m) != Ok) throw HResultError(E_FAIL);
  return ToBstr(FormatWide(u"%.6f,%.6f,%.6f,%.6f,%.3f,%.3f", m[0], m[1], m[2], m[3], m[4], m[5]));
}

Bstr FormatRectPath(REAL x1, REAL y1, REAL x2, REAL y2) {
  return ToBstr(FormatWide(u"M %.2f,%.2f L %.2f,%.2f L %.2f,%.2f L %.2f,%.2f Z", x1, y1, x2, y1, x2, y2, x1, y2));
}
