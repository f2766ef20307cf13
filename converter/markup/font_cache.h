// The fonts of a print job, kept from page to page: a font part is read and
// opened once, and cairo's glyph caches serve every page that uses it. (Each
// page opening its own faces would leave cairo holding the scaled fonts and
// glyphs of hundreds of them.) Bounded by the bytes of the fonts it holds:
// past the bound the least recently used are let go, once the pages that
// still draw with them are done.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace xpsconv {

struct CachedFont {
  cairo_font_face_t* face = nullptr;  // NULL: the font cannot be had
  void* freetypeFace = nullptr;       // FT_Face of the recording thread, for metrics and the character map
  std::size_t bytes = 0;              // the font's bytes held in memory
};

class FontCache {
 public:
  FontCache() = default;
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  // The font for key; load makes it (a face of its own, or none) on first
  // use. A font that cannot be had is not kept. The caller takes its own
  // reference to the face for as long as it draws with it.
  CachedFont Find(const std::string& key, const std::function<CachedFont()>& load);

  static constexpr std::size_t kMaxBytes = 64u << 20;
  static constexpr std::size_t kMaxFonts = 64;

 private:
  struct Entry {
    CachedFont font;
    std::uint64_t lastUse = 0;
  };
  void Trim(const std::string& keep);

  std::map<std::string, Entry> entries_;
  std::size_t bytes_ = 0;
  std::uint64_t uses_ = 0;
};

}  // namespace xpsconv
