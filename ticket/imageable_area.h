// The printable area of the page that the printer reports in its print
// capabilities (PageImageableSize), in microns.
#pragma once

#include "ticket/print_ticket_dom.h"

struct ImageableArea {
  LONG imageableWidth = 0;
  LONG imageableHeight = 0;
  LONG originWidth = 0;   // left edge of the imageable area
  LONG originHeight = 0;  // top edge
  LONG extentWidth = 0;
  LONG extentHeight = 0;
};

// capabilities wraps a PrintCapabilities document. The fields are read in
// declaration order; the first that cannot be read stops the reader with its
// result (kTicketItemNotFound too), the fields read before it stay stored.
HRESULT ReadImageableArea(const PrintTicketDom& capabilities, ImageableArea& area);
