// A rectangle of page markup (a FixedPage's BleedBox or ContentBox) and the
// numbers of its attributes read leniently: markup from any producer must not
// stop a page, so what cannot be read counts as 0.
#pragma once

#include <string_view>

#include "platform/gdiplus_matrix.h"

// A rectangle in XPS units (1/96 inch).
struct PageBox {
  REAL x = 0;
  REAL y = 0;
  REAL width = 0;
  REAL height = 0;
};

// A decimal number as a float; 0 for text that is not one or does not fit.
REAL ParseMarkupNumber(std::u16string_view text);

// Up to four comma-separated numbers x, y, width, height; missing ones stay 0.
PageBox ParsePageBox(std::u16string_view text);
