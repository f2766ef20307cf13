#include "decoders.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace imaging {
namespace {

struct PngSource {
  std::span<const BYTE> data;
  std::size_t position = 0;
  bool truncated = false;
};

void ReadPng(png_structp png, png_bytep out, std::size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->data.size() - source->position) {
    source->truncated = true;
    png_error(png, "truncated");
  }
  std::memcpy(out, source->data.data() + source->position, count);
  source->position += count;
}

[[noreturn]] void FailPng(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

// Chooses the native layout and asks libpng for it; 16-bit samples come little-endian.
PixelFormat SetUpTransforms(png_structp png, png_infop info) {
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (depth == 16) png_set_swap(png);
  if (type == PNG_COLOR_TYPE_PALETTE) {
    return depth == 1 ? PixelFormat::k1bppIndexed : depth == 2 ? PixelFormat::k2bppIndexed
         : depth == 4 ? PixelFormat::k4bppIndexed : PixelFormat::k8bppIndexed;
  }
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || transparency;
  if (type == PNG_COLOR_TYPE_GRAY && !alpha) {
    return depth == 1 ? PixelFormat::kBlackWhite : depth == 2 ? PixelFormat::k2bppGray
         : depth == 4 ? PixelFormat::k4bppGray : depth == 8 ? PixelFormat::k8bppGray : PixelFormat::k16bppGray;
  }
  if (transparency) png_set_tRNS_to_alpha(png);
  if (!(type & PNG_COLOR_MASK_COLOR)) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  if (!alpha) return depth == 16 ? PixelFormat::k48bppRGB : PixelFormat::k24bppRGB;
  if (depth == 16) return PixelFormat::k64bppRGBA;
  png_set_bgr(png);
  return PixelFormat::k32bppBGRA;
}

std::vector<ArgbColor> PaletteOf(png_structp png, png_infop info) {
  png_colorp colours = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &colours, &count);
  png_bytep alphas = nullptr;
  int alphaCount = 0;
  png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
  std::vector<ArgbColor> palette;
  for (int i = 0; i < count; ++i) {
    const ArgbColor alpha = i < alphaCount ? alphas[i] : 255u;
    palette.push_back(alpha << 24 | ArgbColor{colours[i].red} << 16 | ArgbColor{colours[i].green} << 8 |
                      colours[i].blue);
  }
  return palette;
}

void ReadMetadata(png_structp png, png_infop info, BitmapFrame& frame) {
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER)
    frame.SetResolution(x * 0.0254, y * 0.0254);
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &length) && length > 0)
    frame.AddColorContext(std::vector<BYTE>(profile, profile + length));
}

}  // namespace

HRESULT DecodePng(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame) {
  PngSource source{data};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailPng, IgnoreWarning);
  if (!png) return E_OUTOFMEMORY;
  png_infop info = png_create_info_struct(png);
  std::unique_ptr<BitmapFrame> made;
  std::vector<png_bytep> rows;
  HRESULT hr = S_OK;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return source.truncated ? IMAGING_E_TRUNCATED : IMAGING_E_BADIMAGE;
  }
  if (!info) png_error(png, "no memory");
  png_set_read_fn(png, &source, ReadPng);
  png_read_info(png, info);
  const PixelFormat format = SetUpTransforms(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  hr = BitmapFrame::Describe(png_get_image_width(png, info), png_get_image_height(png, info), format, &made);
  if (SUCCEEDED(hr) && png_get_rowbytes(png, info) != made->Stride()) hr = IMAGING_E_UNSUPPORTED;
  if (SUCCEEDED(hr) && IsIndexed(format)) made->SetPalette(PaletteOf(png, info));
  if (SUCCEEDED(hr)) {
    ReadMetadata(png, info, *made);
    hr = made->PlacePixels(place);
  }
  if (SUCCEEDED(hr)) {
    rows.resize(made->Height());
    for (UINT y = 0; y < made->Height(); ++y) rows[y] = made->MutableRow(y).data();
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    *frame = std::move(made);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return hr;
}

}  // namespace imaging
