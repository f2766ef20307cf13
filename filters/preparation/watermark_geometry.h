// Where a watermark's centre lies on a page: position -100 is the left (or
// bottom) edge, 0 the centre, 100 the right (or top) edge.
#pragma once

#include "platform/gdiplus_matrix.h"
#include "ticket/watermark_settings.h"

struct WatermarkCentre {
  REAL x;
  REAL y;
};

// In floating point throughout, so no position overflows.
inline WatermarkCentre WatermarkCentreOnPage(const WatermarkItem& item, REAL pageWidth, REAL pageHeight) {
  return {(static_cast<REAL>(item.positionX) + 100) * pageWidth / 200,
          (100 - static_cast<REAL>(item.positionY)) * pageHeight / 200};
}
