// What a GDI+ image holds: its pixels decoded to 8-bit samples, and the
// readers that fill it from the bytes of a file.
#pragma once

#include <span>
#include <vector>

#include "platform/gdiplus_image.h"

struct GpImage {
  UINT width = 0;
  UINT height = 0;
  // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA; rows unpadded, top row first.
  UINT channels = 3;
  REAL dpiX = kDefaultImageDpi;
  REAL dpiY = kDefaultImageDpi;
  std::vector<BYTE> pixels;
};

namespace gdiplus_codecs {

// Checks the size against kMaxImagePixels and takes the pixel memory.
GpStatus Allocate(GpImage& image, std::uint64_t width, std::uint64_t height, UINT channels);
// A declared resolution (a whole number where pixels per metre rounded it),
// or the default where it is none or absurd.
void SetResolution(GpImage& image, double dpiX, double dpiY);

GpStatus ReadBmp(std::span<const BYTE> data, GpImage& image);
GpStatus ReadGif(std::span<const BYTE> data, GpImage& image);
// PNG, JPEG, TIFF and JPEG XR through the imaging decoders.
GpStatus ReadWithImaging(std::span<const BYTE> data, GpImage& image);
// Any of the above, told apart by their signatures.
GpStatus ReadImage(std::span<const BYTE> data, GpImage& image);

// All of the PNG into the stream (see GdipSaveImageToStream).
GpStatus WritePng(const GpImage& image, IStream* stream);

}  // namespace gdiplus_codecs
