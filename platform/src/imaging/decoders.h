// One decoder per container, each over the whole image in memory.
#pragma once

#include "platform/imaging.h"

#include <span>

namespace imaging {

HRESULT DecodePng(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame);
HRESULT DecodeJpeg(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame);
HRESULT DecodeTiff(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame);
HRESULT DecodeJpegXr(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame);

}  // namespace imaging
