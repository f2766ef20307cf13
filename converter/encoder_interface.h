// The encoder libraries the printer-control library loads by the path the rip
// filter gives it ("EncDllName64"): each turns pages of raster into one
// printer language. Entry points are looked up by these names; every
// function but EncoderOpen returns 1 on success and 0 on failure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "converter/raster_job.h"

extern "C" {

// Where an encoder's bytes go; returns 1 when they were taken.
using EncoderSink = INT (*)(void* context, const std::uint8_t* bytes, std::size_t length);

// The sides a page is printed on, from the page's DEVMODE.
enum EncoderSides : std::uint32_t {
  kEncoderOneSided = 0,
  kEncoderTwoSidedLongEdge = 1,
  kEncoderTwoSidedShortEdge = 2,  // tumble
};

struct EncoderPage {
  RasterPageFormat format;
  std::uint32_t sides;   // EncoderSides
  std::uint32_t copies;  // at least 1
};

// NULL on failure.
using EncoderOpenFunction = void* (*)(EncoderSink sink, void* context);
using EncoderStartPageFunction = INT (*)(void* encoder, const EncoderPage* page);
// count rows of format.width * format.planes bytes, stride bytes apart.
using EncoderWriteRowsFunction = INT (*)(void* encoder, const std::uint8_t* rows, std::uint32_t count,
                                         std::size_t stride);
using EncoderEndPageFunction = INT (*)(void* encoder);
// Ends the job's data (trailers) and frees the encoder, also after a failure.
using EncoderCloseFunction = INT (*)(void* encoder);

}  // extern "C"
