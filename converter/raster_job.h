// What the two converter libraries share beyond the rip filter's interface:
// the converter context. The printer-control library owns it (one per job)
// and hands it out from GetConvCntFromSPDLCnt; the markup converter, loaded
// afresh for every page, finds everything that outlives a page through it:
// the raster sink of the job, the page being built and what it keeps for
// the pages to come.
//
// Plain C data and function pointers, so that neither library depends on the
// other's code or layout beyond this header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "converter/converter_interface.h"

extern "C" {

// One page of raster as the markup converter delivers it: rows from top to
// bottom, samples interleaved, 8 bits each.
struct RasterPageFormat {
  std::uint32_t width;   // pixels
  std::uint32_t height;  // rows
  std::uint32_t resolutionX;  // dots per inch
  std::uint32_t resolutionY;
  std::uint32_t planes;  // 1 grey (0 black), 3 RGB, 4 CMYK (0 no ink)
  std::int32_t mediaWidth;   // microns, as fed
  std::int32_t mediaHeight;
};

// State the markup converter parks in the job (the page it is building,
// what it keeps from page to page), with the function that frees it.
struct RasterJobState {
  void* state;
  void (*discard)(void* state);
};

// What is left of a begun page (drawing its raster and sending it), with the
// function that does it (1 on success; it reports its own failure) and the
// one that frees it.
struct RasterPageWork {
  void* state;
  INT (*run)(void* state);
  void (*discard)(void* state);
};

struct RasterJob {
  std::uint32_t size;  // sizeof(RasterJob)
  void* control;       // the printer-control library's job
  // Each returns 1 on success, 0 when the page must stop (encoder or output
  // failure, or the job was cancelled).
  INT (*beginPage)(void* control, const RasterPageFormat* format);
  INT (*writeRows)(void* control, const std::uint8_t* rows, std::uint32_t count, std::size_t stride);
  INT (*endPage)(void* control);
  // 1 while the job may go on; asked between bands.
  INT (*mayContinue)(void* control);
  RasterJobState page;  // {NULL, NULL} between pages
  // What outlives a page (the job's fonts); discarded when the job ends.
  RasterJobState kept;
  // Takes over a begun page's work and frees it when done: the job runs it
  // on a thread of its own while the rip filter reads the next page, and
  // waits for it before that page begins and before the job ends, where a
  // failure of it makes beginPage and the job's close fail. 1 when the work
  // was taken; 0 when it failed at once. NULL: the converter runs the work
  // itself.
  INT (*sendPage)(void* control, RasterPageWork work);
};

}  // extern "C"
