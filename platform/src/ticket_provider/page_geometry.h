// The printable area of a page.
//
// The hardware margins lie on the edges of the media as it is fed. Portrait keeps them;
// Landscape turns the page a quarter turn counter-clockwise on the media (the page's top
// is the media's left edge, its left the media's bottom), ReverseLandscape a quarter turn
// clockwise (page top = media right, page left = media top), ReversePortrait half a turn
// (page top = media bottom, page left = media right). Both landscape orientations
// exchange the page's width and height.
#pragma once

#include <cstdint>

#include "platform/devmode_extension.h"
#include "printer_description.h"

using Orientation = PrintOrientation;

// Microns, in the page's orientation.
struct PageArea {
  std::int32_t width = 0;  // the page, after orientation
  std::int32_t height = 0;
  std::int32_t origin_width = 0;  // left edge of the printable area
  std::int32_t origin_height = 0;  // top edge
  std::int32_t extent_width = 0;
  std::int32_t extent_height = 0;
};

// media_width and media_height are the media as fed (positive); extents never go below 0.
PageArea ImageableArea(std::int32_t media_width, std::int32_t media_height, Orientation orientation,
                       const Margins& margins);
