// A drawn page (a cairo recording in page units) rasterised band by band at
// the device values and handed to the job's raster sink, so the memory a page
// needs stays the same whatever the resolution. Between bands the job is
// asked whether it may go on.
#pragma once

#include <cairo.h>

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

// Rasterises the page (pageWidth x pageHeight page units, opaque: the
// recording starts with its white ground) onto white media.
// Returns an empty string on success, else why the page stopped.
std::string WritePageBands(cairo_surface_t* page, double pageWidth, double pageHeight, const PageDevice& device,
                           RasterJob& job);

}  // namespace xpsconv
