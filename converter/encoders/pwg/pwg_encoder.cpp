// The PWG Raster encoder library (PWGENC.DLL): pages as IPP Everywhere
// printers and CUPS take them, written through libcups's raster writer. The
// colour space follows the planes (1 sGray, 3 sRGB, 4 CMYK, 8 bits each);
// media size and name, resolution, sides and copies go into each page header.
#include <cups/raster.h>

#include <cstring>

#include "converter/encoder_interface.h"

#define KESTREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct PwgEncoder {
  EncoderSink sink;
  void* context;
  cups_raster_t* raster = nullptr;
  std::uint32_t rowBytes = 0;
  std::uint32_t rowsLeft = 0;
  bool failed = false;
};

ssize_t WriteToSink(void* context, unsigned char* bytes, size_t length) {
  auto* encoder = static_cast<PwgEncoder*>(context);
  if (encoder->failed || !encoder->sink(encoder->context, bytes, length)) {
    encoder->failed = true;
    return -1;
  }
  return static_cast<ssize_t>(length);
}

const char* ColourType(std::uint32_t planes) {
  switch (planes) {
    case 1: return "sgray_8";
    case 3: return "srgb_8";
    case 4: return "cmyk_8";
    default: return nullptr;
  }
}

const char* Sides(std::uint32_t sides) {
  switch (sides) {
    case kEncoderTwoSidedLongEdge: return "two-sided-long-edge";
    case kEncoderTwoSidedShortEdge: return "two-sided-short-edge";
    default: return "one-sided";
  }
}

// Microns to the hundredths of millimetres of the PWG media table.
int Hundredths(std::int32_t microns) { return (microns + 5) / 10; }

}  // namespace

KESTREL_EXPORT void* EncoderOpen(EncoderSink sink, void* context) {
  if (!sink) return nullptr;
  auto* encoder = new PwgEncoder{sink, context};
  encoder->raster = cupsRasterOpenIO(&WriteToSink, encoder, CUPS_RASTER_WRITE_PWG);
  if (!encoder->raster) {
    delete encoder;
    return nullptr;
  }
  return encoder;
}

KESTREL_EXPORT INT EncoderStartPage(void* handle, const EncoderPage* page) {
  auto* encoder = static_cast<PwgEncoder*>(handle);
  if (!encoder || !page || encoder->failed || encoder->rowsLeft) return 0;
  const RasterPageFormat& format = page->format;
  const char* type = ColourType(format.planes);
  if (!type || format.width == 0 || format.height == 0 || format.mediaWidth <= 0 || format.mediaHeight <= 0)
    return 0;
  pwg_media_t* media = pwgMediaForSize(Hundredths(format.mediaWidth), Hundredths(format.mediaHeight));
  if (!media) return 0;
  cups_page_header2_t header;
  if (!cupsRasterInitPWGHeader(&header, media, type, static_cast<int>(format.resolutionX),
                               static_cast<int>(format.resolutionY), Sides(page->sides), "normal"))
    return 0;
  // The raster's own size wins over the one worked out from the media table.
  header.cupsWidth = format.width;
  header.cupsHeight = format.height;
  header.cupsBytesPerLine = format.width * format.planes;
  header.NumCopies = page->copies;
  encoder->rowBytes = header.cupsBytesPerLine;
  encoder->rowsLeft = format.height;
  return cupsRasterWriteHeader2(encoder->raster, &header) && !encoder->failed;
}

KESTREL_EXPORT INT EncoderWriteRows(void* handle, const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  auto* encoder = static_cast<PwgEncoder*>(handle);
  if (!encoder || !rows || count > encoder->rowsLeft || stride < encoder->rowBytes) return 0;
  for (std::uint32_t row = 0; row < count; ++row) {
    // The writer takes a non-const buffer but only reads it.
    auto* pixels = const_cast<std::uint8_t*>(rows + row * stride);
    if (cupsRasterWritePixels(encoder->raster, pixels, encoder->rowBytes) != encoder->rowBytes) return 0;
  }
  encoder->rowsLeft -= count;
  return !encoder->failed;
}

KESTREL_EXPORT INT EncoderEndPage(void* handle) {
  auto* encoder = static_cast<PwgEncoder*>(handle);
  return encoder && encoder->rowsLeft == 0 && !encoder->failed;
}

KESTREL_EXPORT INT EncoderClose(void* handle) {
  auto* encoder = static_cast<PwgEncoder*>(handle);
  if (!encoder) return 0;
  cupsRasterClose(encoder->raster);
  const bool ok = !encoder->failed && encoder->rowsLeft == 0;
  delete encoder;
  return ok;
}
