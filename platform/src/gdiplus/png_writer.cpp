// PNG encoding (libpng, fast compression) into memory, with the image's resolution as pHYs in
// pixels per metre so that a reader gets the same physical size back.
#include <png.h>

#include <cmath>
#include <csetjmp>

#include "decoded_image.h"

namespace gdiplus_codecs {
namespace {

void AppendPng(png_structp png, png_bytep bytes, std::size_t count) {
  auto* out = static_cast<std::vector<BYTE>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), bytes, bytes + count);
  } catch (const std::bad_alloc&) {
    png_error(png, "no memory");
  }
}
void FlushNothing(png_structp) {}
[[noreturn]] void FailPng(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

int ColourType(UINT channels) {
  switch (channels) {
    case 1: return PNG_COLOR_TYPE_GRAY;
    case 2: return PNG_COLOR_TYPE_GRAY_ALPHA;
    case 4: return PNG_COLOR_TYPE_RGB_ALPHA;
    default: return PNG_COLOR_TYPE_RGB;
  }
}

png_uint_32 PixelsPerMetre(REAL dpi) { return static_cast<png_uint_32>(std::lround(dpi / 0.0254)); }

// Everything libpng may jump out of lives in plain locals of this frame.
bool Encode(const GpImage& image, png_bytepp rows, std::vector<BYTE>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, FailPng, IgnoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  if (!info) png_error(png, "no memory");
  png_set_write_fn(png, &out, AppendPng, FlushNothing);
  png_set_IHDR(png, info, image.width, image.height, 8, ColourType(image.channels), PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // A print job's image is written once and read once: speed over size.
  png_set_compression_level(png, 1);
  png_set_pHYs(png, info, PixelsPerMetre(image.dpiX), PixelsPerMetre(image.dpiY), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

GpStatus WritePng(const GpImage& image, std::vector<BYTE>& out) {
  if (image.width == 0 || image.height == 0 || image.channels < 1 || image.channels > 4) return InvalidParameter;
  std::vector<png_bytep> rows(image.height);
  const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
  // libpng takes row pointers to non-const bytes but only reads them.
  BYTE* pixels = const_cast<BYTE*>(image.pixels.data());
  for (UINT y = 0; y < image.height; ++y) rows[y] = pixels + y * stride;
  out.clear();
  return Encode(image, rows.data(), out) ? Ok : OutOfMemory;
}

}  // namespace gdiplus_codecs
