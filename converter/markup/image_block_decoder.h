// An ImageBlock from the image callback as a cairo surface in sRGB. Colours
// go through the image's ICC profile with lcms2 when it has one (a profile
// named beside the image replaces the one it embeds); without one, grey and
// RGB are taken as sRGB, and CMYK and n-channel images as device inks (the
// first four channels cyan, magenta, yellow and black; further channels are
// spot inks, left out).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <span>
#include <string>

namespace xpsconv {

struct PageImage {
  cairo_surface_t* surface = nullptr;  // ARGB32, premultiplied
  int width = 0, height = 0;           // pixels
  double dpiX = 96, dpiY = 96;
};

// The block's image; no surface, and `problem` in words, when the block is
// cut short, has a colour type or channel count that is not drawn, or its
// profile cannot be used for its colours.
PageImage DecodeImageBlock(std::span<const std::uint8_t> block, std::span<const std::uint8_t> replacingProfile,
                           std::string& problem);

}  // namespace xpsconv
