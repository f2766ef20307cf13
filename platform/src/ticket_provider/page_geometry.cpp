#include "page_geometry.h"

#include <algorithm>

namespace {

std::int32_t Extent(std::int32_t length, std::int32_t before, std::int32_t after) {
  const std::int64_t extent = static_cast<std::int64_t>(length) - before - after;
  return static_cast<std::int32_t>(std::max<std::int64_t>(extent, 0));
}

}  // namespace

PageArea ImageableArea(std::int32_t media_width, std::int32_t media_height, Orientation orientation,
                       const Margins& m) {
  // The media margin that lies on each edge of the page.
  Margins page = m;
  bool exchanged = false;
  switch (orientation) {
    case Orientation::kPortrait: break;
    case Orientation::kLandscape: page = {m.bottom, m.left, m.top, m.right}, exchanged = true; break;
    case Orientation::kReverseLandscape: page = {m.top, m.right, m.bottom, m.left}, exchanged = true; break;
    case Orientation::kReversePortrait: page = {m.right, m.bottom, m.left, m.top}; break;
  }
  const std::int32_t width = exchanged ? media_height : media_width;
  const std::int32_t height = exchanged ? media_width : media_height;
  return {width, height, page.left, page.top, Extent(width, page.left, page.right),
          Extent(height, page.top, page.bottom)};
}
