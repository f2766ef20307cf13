// PNG encoding (libpng) straight into a stream, with the image's resolution as
// pHYs in pixels per metre so that a reader gets the same physical size back.
//
// The rows are stored, neither filtered nor compressed: a print job's image is
// written once and read once on the same machine, and the fastest deflate
// still costs several times what decoding the source image does, where stored
// blocks cost a copy and the checksums (and are the cheapest to read back).
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>

#include "decoded_image.h"
#include "platform/last_error.h"

namespace gdiplus_codecs {
namespace {

constexpr std::size_t kStreamPiece = std::size_t{1} << 20;
// Fewer, larger IDAT chunks: fewer writes into the stream.
constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

struct Target {
  IStream* stream;
  bool cutShort = false;
};

// Every byte must reach the stream: one that stops taking them leaves a cut
// PNG, which is a failure.
void WriteToStream(png_structp png, png_bytep bytes, std::size_t count) {
  auto* target = static_cast<Target*>(png_get_io_ptr(png));
  while (count > 0) {
    const auto piece = static_cast<ULONG>(std::min(count, kStreamPiece));
    ULONG written = 0;
    const HRESULT hr = target->stream->Write(bytes, piece, &written);
    if (FAILED(hr) || written == 0 || written > piece) {
      target->cutShort = true;
      png_error(png, "the stream took fewer bytes than it was given");
    }
    bytes += written;
    count -= written;
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
bool Encode(const GpImage& image, Target& target) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, FailPng, IgnoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  if (!info) png_error(png, "no memory");
  png_set_write_fn(png, &target, WriteToStream, FlushNothing);
  png_set_IHDR(png, info, image.width, image.height, 8, ColourType(image.channels), PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, Z_NO_COMPRESSION);
  png_set_compression_buffer_size(png, kChunkBytes);
  png_set_pHYs(png, info, PixelsPerMetre(image.dpiX), PixelsPerMetre(image.dpiY), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
  // libpng takes rows as non-const bytes but only reads them.
  BYTE* pixels = const_cast<BYTE*>(image.pixels.data());
  for (UINT y = 0; y < image.height; ++y) png_write_row(png, pixels + y * stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

GpStatus WritePng(const GpImage& image, IStream* stream) {
  if (image.width == 0 || image.height == 0 || image.channels < 1 || image.channels > 4) return InvalidParameter;
  Target target{stream};
  if (Encode(image, target)) return Ok;
  if (!target.cutShort) return OutOfMemory;
  SetLastError(ERROR_WRITE_FAULT);
  return Win32Error;
}

}  // namespace gdiplus_codecs
