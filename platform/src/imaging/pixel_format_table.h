// What each PixelFormat holds: the one table behind imaging.h's and
// pixel_conversion.h's queries.
#pragma once

#include "platform/imaging.h"
#include "platform/pixel_conversion.h"

#include <string_view>

namespace imaging {

struct PixelFormatInfo {
  PixelFormat format;
  std::string_view name;
  UINT bitsPerPixel;
  EightBitLayout layout;
};

const PixelFormatInfo& InfoOf(PixelFormat format);

}  // namespace imaging
