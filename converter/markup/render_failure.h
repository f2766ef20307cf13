// A page the converter refuses to draw (content past a bound): thrown from
// anywhere in the drawing, caught once per page, and reported in words.
#pragma once

#include <stdexcept>
#include <string>

namespace xpsconv {

class RenderFailure : public std::runtime_error {
 public:
  explicit RenderFailure(const std::string& why) : std::runtime_error(why) {}
};

// The work one page may cost, spent as it is drawn.
struct PageBudget {
  std::size_t points = 8'000'000;  // path points of all geometries, and the dashes of their strokes
  std::size_t glyphs = 2'000'000;
  // Tiles drawn ahead stay in memory until the page is rasterised: 256 MB of them at most.
  std::size_t tilePixels = 64u << 20;
  void SpendPoints(std::size_t n) {
    if (n > points) throw RenderFailure("the page's paths pass 8,000,000 points");
    points -= n;
  }
  void SpendTilePixels(std::size_t n) {
    if (n > tilePixels) throw RenderFailure("the page's tile brushes pass 64M pixels drawn ahead");
    tilePixels -= n;
  }
  void SpendGlyphs(std::size_t n) {
    if (n > glyphs) throw RenderFailure("the page's glyph runs pass 2,000,000 glyphs");
    glyphs -= n;
  }
};

}  // namespace xpsconv
