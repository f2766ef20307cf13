// The first frame of a decoded image as the ImageBlock the converter receives
// (layout in converter/converter_interface.h): 8-bit samples, the frame's
// first colour profile, its resolution.
#pragma once

#include <optional>

#include "converter/converter_interface.h"
#include "platform/imaging.h"
#include "platform/pixel_conversion.h"

// The colour type of a layout of 8-bit samples; none for a layout no type
// describes (grey with alpha).
std::optional<ImageColorType> ColorTypeOf(const imaging::EightBitLayout& layout);

// Makes the block with one call of allocate and hands it out in *block.
// Refused before anything is allocated, *block left NULL: a width or height
// over 65535 or a block beyond 32 bits (IMAGING_E_TOOLARGE), an indexed frame
// without colours (IMAGING_E_BADIMAGE), a layout without colour type
// (IMAGING_E_UNSUPPORTED). allocate answering NULL is E_OUTOFMEMORY.
HRESULT MakeImageBlock(const imaging::BitmapFrame& frame, ConverterAllocator allocate, BYTE** block);
