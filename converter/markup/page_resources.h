// The fonts and images of one page, fetched once each through the rip
// filter's resource callbacks and kept until the page is drawn. A resource
// that cannot be had is reported once on stderr and drawn without; an image
// past the size bound fails the page.
#pragma once

#include <cairo.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "converter/converter_interface.h"

namespace xpsconv {

struct ResourceCallbacks {
  IFixedPage* page = nullptr;
  GetXPSFontDataFunction font = nullptr;
  GetXPSICCDataFunction profile = nullptr;
  GetXPSImageDataFunction image = nullptr;
};

struct PageFont {
  cairo_font_face_t* face = nullptr;
  void* freetypeFace = nullptr;  // FT_Face, for metrics and the character map
};

struct PageImage {
  cairo_surface_t* surface = nullptr;  // ARGB32, premultiplied
  int width = 0, height = 0;           // pixels
  double dpiX = 96, dpiY = 96;
};

class PageResources {
 public:
  explicit PageResources(const ResourceCallbacks& callbacks) : callbacks_(callbacks) {}
  ~PageResources();
  PageResources(const PageResources&) = delete;
  PageResources& operator=(const PageResources&) = delete;

  // The face for a FontUri ("#n" picks a face of a collection); NULL when
  // the font cannot be had or FreeType refuses it.
  const PageFont* Font(const std::string& uri, bool bold);
  // NULL when the image cannot be had.
  const PageImage* Image(const std::string& uri);

 private:
  ResourceCallbacks callbacks_;
  std::map<std::string, PageFont> fonts_;  // entries without a face remember failures
  std::map<std::string, PageImage> images_;
};

// The largest image a page may hold, in bytes of its decoded block.
inline constexpr std::size_t kMaxImageBytes = 256u << 20;

}  // namespace xpsconv
