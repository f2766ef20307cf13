// Converts rows of any PixelFormat into 8-bit samples, interleaved per pixel:
// grey, RGB or CMYK, or n plain channels, followed by alpha when the source has it.
// Indexed formats become RGBA from the palette. High-range formats (16-bit,
// float, half, fixed point, RGBE) take the high byte or the transfer curve
// TransferCurve; premultiplied formats are unpremultiplied.
#pragma once

#include "platform/imaging.h"

#include <span>

namespace imaging {

enum class ColorModel { kGray, kRgb, kCmyk, kChannels };

struct EightBitLayout {
  ColorModel model;
  UINT colorChannels;  // 1, 3, 4, or 3 to 8 for kChannels
  bool alpha;
  UINT BytesPerPixel() const { return colorChannels + (alpha ? 1 : 0); }
};

EightBitLayout EightBitLayoutOf(PixelFormat format);
// Whether the format's rows already are their 8-bit layout, so converting copies them.
bool IsEightBitLayout(PixelFormat format);

// Linear light to an 8-bit gamma-encoded sample: 0 at or below 0 (and for NaN),
// a linear toe below 0.018, 255 at or above 1.
float TransferCurveUnrounded(float linear);
BYTE TransferCurve(float linear);

// Converts rows of one frame in order. An index at or beyond the palette's
// colour count repeats the colour of the pixel before it (transparent black
// before the first), so it keeps that colour from row to row.
class RowConverter {
 public:
  RowConverter(PixelFormat format, std::span<const ArgbColor> palette);
  const EightBitLayout& Layout() const { return layout_; }
  // source: one row of `width` pixels in the frame's format;
  // target: width * Layout().BytesPerPixel() bytes.
  void Convert(std::span<const BYTE> source, UINT width, std::span<BYTE> target);

 private:
  PixelFormat format_;
  std::span<const ArgbColor> palette_;
  EightBitLayout layout_;
  ArgbColor previous_ = 0;
};

}  // namespace imaging
