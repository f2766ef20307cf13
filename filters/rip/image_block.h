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

// Makes one block with one call of allocate, in two steps around decoding so
// the decoder can write rows that need no conversion straight into it.
// Refused before anything is allocated: a width or height over 65535 or a
// block beyond 32 bits (IMAGING_E_TOOLARGE), an indexed frame without colours
// (IMAGING_E_BADIMAGE), a layout without colour type (IMAGING_E_UNSUPPORTED).
// allocate answering NULL is E_OUTOFMEMORY.
class ImageBlockMaker {
 public:
  // release may be NULL: then nothing is decoded into the block, which could
  // not be given back if decoding failed.
  ImageBlockMaker(ConverterAllocator allocate, ConverterDeallocator release)
      : allocate_(allocate), release_(release) {}
  ~ImageBlockMaker();
  ImageBlockMaker(const ImageBlockMaker&) = delete;
  ImageBlockMaker& operator=(const ImageBlockMaker&) = delete;

  // An imaging::PixelPlacement: checks the described frame and takes the
  // block; answers its pixel area when the frame's rows are the block's rows.
  HRESULT Place(const imaging::BitmapFrame& described, BYTE** pixels);
  // Once decoded: header, profile, rows converted unless decoded in place; the
  // block is handed out in *block and no longer this maker's. A frame that was
  // never placed is checked and its block taken here.
  HRESULT Finish(const imaging::BitmapFrame& frame, BYTE** block);

 private:
  ConverterAllocator allocate_;
  ConverterDeallocator release_;
  BYTE* out_ = nullptr;
  const BYTE* pixelsInPlace_ = nullptr;
};

// A decoded frame as a block, *block left NULL on failure.
HRESULT MakeImageBlock(const imaging::BitmapFrame& frame, ConverterAllocator allocate, BYTE** block);
