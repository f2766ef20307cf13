// Owning handles for the cairo objects a drawing step holds while it draws
// content, so that a page failing part-way (a RenderFailure thrown from deep
// inside a tile or a stroke) frees what was being drawn.
#pragma once

#include <cairo.h>

#include <memory>

namespace xpsconv {

struct CairoRelease {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
  void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};

using CairoContext = std::unique_ptr<cairo_t, CairoRelease>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoRelease>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoRelease>;

}  // namespace xpsconv
