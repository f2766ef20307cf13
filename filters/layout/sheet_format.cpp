#include "sheet_format.h"

LONG QuarterTurns(Orientation orientation) {
  switch (orientation) {
    case Orientation::Landscape: return 1;
    case Orientation::ReverseLandscape: return 3;
    case Orientation::ReversePortrait: return 2;
    default: return 0;
  }
}

ClipRect PrintableRect(const ImageableArea& area) {
  const REAL ox = ToXpsUnits(area.originWidth), oy = ToXpsUnits(area.originHeight);
  return {ox, oy, ox + ToXpsUnits(area.extentWidth), oy + ToXpsUnits(area.extentHeight)};
}

ImageableArea WholePaper(const MediaSizeSettings& media) {
  const bool portrait = IsPortraitKind(media.orientation);
  const LONG w = portrait ? media.width : media.height, h = portrait ? media.height : media.width;
  return {w, h, 0, 0, w, h};
}
