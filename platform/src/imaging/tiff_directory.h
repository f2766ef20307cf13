// The directory layout TIFF and JPEG XR files share.
#pragma once

#include "platform/types.h"

#include <span>

namespace imaging {

// Whether the first directory, a tag value it points to, or a JPEG XR coded
// image it names lies past the data: the file may still be arriving. data
// holds at least 8 bytes.
bool FirstDirectoryEndsEarly(std::span<const BYTE> data);

}  // namespace imaging
