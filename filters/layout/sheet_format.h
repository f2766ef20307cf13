// The paper of a logical page or an output sheet as the tickets describe it,
// and the conversion of ticket lengths to page units.
#pragma once

#include "platform/gdiplus_matrix.h"
#include "ticket/imageable_area.h"
#include "ticket/media_size_settings.h"
#include "ticket/mirror_settings.h"

struct SheetFormat {
  MediaSizeSettings media;
  ImageableArea area;
  MirrorSettings mirror;
};

// Microns to XPS units (1/96 inch), in single precision.
inline REAL ToXpsUnits(LONG microns) { return static_cast<REAL>(microns) / 264.58f; }

inline bool IsPortraitKind(Orientation o) { return o == Orientation::Portrait || o == Orientation::ReversePortrait; }
inline bool IsReverseKind(Orientation o) {
  return o == Orientation::ReverseLandscape || o == Orientation::ReversePortrait;
}
// Quarter turns from Portrait: Portrait 0, Landscape 1, ReversePortrait 2, ReverseLandscape 3.
LONG QuarterTurns(Orientation orientation);

// A rectangle in page units: (x0, y0) top left, (x1, y1) bottom right.
struct ClipRect {
  REAL x0 = 0;
  REAL y0 = 0;
  REAL x1 = 0;
  REAL y1 = 0;
};

// The printable rectangle of an imageable area, in page units.
ClipRect PrintableRect(const ImageableArea& area);

// The whole paper as its printable area, for a printer that gives none.
ImageableArea WholePaper(const MediaSizeSettings& media);
