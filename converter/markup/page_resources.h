// The fonts and images of one page, fetched once each through the rip
// filter's resource callbacks and kept until the page is drawn. A resource
// that cannot be had is reported once on stderr and drawn without; an image
// past the size bound fails the page.
#pragma once

#include <cairo.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "converter/markup/image_block_decoder.h"
#include "converter/markup/markup_values.h"

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
  void* freetypeFace = nullptr;  // FT_Face for metrics and the character map, not the one cairo draws with
};

class FontCache;

class PageResources {
 public:
  // Fonts come from the job's cache when there is one.
  explicit PageResources(const ResourceCallbacks& callbacks, FontCache* jobFonts = nullptr)
      : callbacks_(callbacks), job_fonts_(jobFonts) {}
  ~PageResources();
  PageResources(const PageResources&) = delete;
  PageResources& operator=(const PageResources&) = delete;

  // The face for a FontUri ("#n" picks a face of a collection); NULL when
  // the font cannot be had or FreeType refuses it.
  const PageFont* Font(const std::string& uri, bool bold);
  // NULL when the image cannot be had or drawn. profileUri, when not empty,
  // names the profile that replaces the image's own.
  const PageImage* Image(const std::string& uri, const std::string& profileUri);
  // A colour given in the colour space of the profile the URI names (channels
  // 0 to 1), as sRGB through lcms2; nullopt when the profile cannot be had or
  // has another number of channels.
  std::optional<Rgba> ProfileColor(const std::string& uri, const std::vector<double>& channels, double alpha);

 private:
  // The profile part's bytes; empty when it cannot be had.
  std::vector<std::uint8_t> ProfileBytes(const std::string& uri);

  ResourceCallbacks callbacks_;
  FontCache* job_fonts_;
  std::map<std::string, PageFont> fonts_;  // entries without a face remember failures
  std::map<std::string, PageImage> images_;
  struct Profile {
    void* transform = nullptr;  // cmsHTRANSFORM to sRGB; NULL when the profile is unusable
    unsigned channels = 0;
    bool cmyk = false;
  };
  std::map<std::string, Profile> profiles_;
};

// The largest image a page may hold, in bytes of its decoded block.
inline constexpr std::size_t kMaxImageBytes = 256u << 20;

}  // namespace xpsconv
