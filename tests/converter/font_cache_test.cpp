// The job's font cache: a font is made once, a font that cannot be had is
// asked for again, and past the bound the least recently used goes first.
#include "converter/markup/font_cache.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using xpsconv::CachedFont;
using xpsconv::FontCache;

TEST(FontCache, MakesEachFontOnceAndLetsTheLeastRecentlyUsedGo) {
  FontCache cache;
  int made = 0;
  auto load = [&] {
    ++made;
    return CachedFont{cairo_toy_font_face_create("sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL), nullptr,
                      1000};
  };
  for (std::size_t i = 0; i < FontCache::kMaxFonts; ++i) cache.Find("font" + std::to_string(i), load);
  EXPECT_EQ(made, static_cast<int>(FontCache::kMaxFonts));
  cache.Find("font0", load);  // used again: font1 is now the oldest
  EXPECT_EQ(made, static_cast<int>(FontCache::kMaxFonts));
  cache.Find("one more", load);
  cache.Find("font0", load);
  EXPECT_EQ(made, static_cast<int>(FontCache::kMaxFonts) + 1);
  cache.Find("font1", load);
  EXPECT_EQ(made, static_cast<int>(FontCache::kMaxFonts) + 2);

  int refused = 0;
  auto none = [&] {
    ++refused;
    return CachedFont{};
  };
  EXPECT_EQ(cache.Find("broken", none).face, nullptr);
  EXPECT_EQ(cache.Find("broken", none).face, nullptr);
  EXPECT_EQ(refused, 2);
}

TEST(FontCache, KeepsTheFontJustMadeWhateverItsSize) {
  FontCache cache;
  auto huge = [] {
    return CachedFont{cairo_toy_font_face_create("sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL), nullptr,
                      FontCache::kMaxBytes * 2};
  };
  int made = 0;
  auto counted = [&] {
    ++made;
    return huge();
  };
  EXPECT_NE(cache.Find("a", counted).face, nullptr);
  EXPECT_NE(cache.Find("a", counted).face, nullptr);
  EXPECT_EQ(made, 1);
  EXPECT_NE(cache.Find("b", counted).face, nullptr);  // lets "a" go
  cache.Find("a", counted);
  EXPECT_EQ(made, 3);
}

}  // namespace
