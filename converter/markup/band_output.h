// A drawn page (a cairo recording in page units) rasterised band by band at
// the device values and handed to the job's raster sink, so the memory a page
// needs stays the same whatever the resolution. Between bands the job is
// asked whether it may go on. The page begins with the caller; its bands are
// the job's to run, on a thread of its own, while the next page is read.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "converter/raster_job.h"

namespace xpsconv {

struct PageDevice {
  int mediaWidth = 0;   // microns, as fed
  int mediaHeight = 0;
  int resolutionX = 600;
  int resolutionY = 600;
  int rotationCode = 2;  // 2 to 5: 0, 90, 180, 270 degrees
  int planes = 3;        // 1, 3 or 4
};

// The raster size of the device's media; 0 x 0 for values out of range.
void RasterSize(const PageDevice& device, std::uint32_t* width, std::uint32_t* height);

// Begins the page (pageWidth x pageHeight page units, opaque: the recording
// starts with its white ground; drawnFrom, what it draws from, is kept until
// the bands are sent) with the job's encoder and hands the job the
// work of rasterising it onto white media and sending its bands (a job
// without sendPage has it done here). Returns an empty string when the page
// began and was handed over, else why it stopped; the handed-over work
// reports its own failure and the job refuses the next page for it.
std::string SendPageBands(cairo_surface_t* page, std::shared_ptr<const void> drawnFrom, double pageWidth,
                          double pageHeight, const PageDevice& device, RasterJob& job);

}  // namespace xpsconv
