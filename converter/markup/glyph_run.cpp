// Glyph runs: the font from the page's resources, glyphs from Indices or the
// font's character map, advances and offsets in hundredths of the em,
// right-to-left and sideways runs, bold and italic simulation.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <limits>

#include "converter/markup/page_renderer.h"
#include "converter/utf16_text.h"

namespace xpsconv {

namespace {

// Beyond this many device pixels a glyph is drawn as a path, not from a
// cached bitmap; beyond the em bound the page is refused.
constexpr double kBitmapGlyphPixels = 1000;
constexpr double kMaxEmSize = 100000;
constexpr double kMaxClusterCount = 65535;
// Italic simulation slants by 20 degrees.
const double kItalicSlant = std::tan(20 * M_PI / 180);

struct GlyphEntry {
  std::optional<unsigned> index;
  std::optional<double> advance, uOffset, vOffset;  // hundredths of the em
  std::size_t characters = 1;                        // of the cluster this entry starts
  std::size_t glyphs = 1;
  bool startsCluster = true;
};

std::optional<double> Field(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text.empty() ? std::nullopt : ParseNumber(text);
}

// A cluster's count of characters or glyphs; 1 where it is missing or past any real cluster.
std::size_t ClusterCount(std::string_view text) {
  const auto value = Field(text);
  return value && *value >= 0 && *value <= kMaxClusterCount ? static_cast<std::size_t>(*value) : 1;
}

std::vector<GlyphEntry> ParseIndices(std::string_view text) {
  std::vector<GlyphEntry> entries;
  std::size_t pendingGlyphs = 0;
  while (true) {
    const std::size_t semicolon = text.find(';');
    std::string_view item = text.substr(0, semicolon);
    GlyphEntry entry;
    if (item.starts_with("(")) {
      const std::size_t close = item.find(')');
      if (close == std::string_view::npos) break;
      const std::string_view cluster = item.substr(1, close - 1);
      const std::size_t colon = cluster.find(':');
      entry.characters = ClusterCount(cluster.substr(0, colon));
      entry.glyphs = colon == std::string_view::npos ? 1 : ClusterCount(cluster.substr(colon + 1));
      item.remove_prefix(close + 1);
      pendingGlyphs = entry.glyphs;
    }
    entry.startsCluster = pendingGlyphs == 0 || entry.glyphs != 1 || entries.empty() || pendingGlyphs == entry.glyphs;
    if (pendingGlyphs > 0) --pendingGlyphs;
    std::optional<double>* fields[] = {nullptr, &entry.advance, &entry.uOffset, &entry.vOffset};
    for (int field = 0; field < 4; ++field) {
      const std::size_t comma = item.find(',');
      const auto value = Field(item.substr(0, comma));
      if (field == 0) {
        if (value && *value >= 0 && *value <= std::numeric_limits<unsigned>::max())
          entry.index = static_cast<unsigned>(*value);
      } else {
        *fields[field] = value;
      }
      if (comma == std::string_view::npos) break;
      item.remove_prefix(comma + 1);
    }
    entries.push_back(entry);
    if (semicolon == std::string_view::npos) break;
    text.remove_prefix(semicolon + 1);
  }
  return entries;
}

std::u32string UnicodeOf(const std::string* text) {
  std::u32string out;
  if (!text) return out;
  // UTF-8 as stored by the tree builder.
  const auto* p = reinterpret_cast<const unsigned char*>(text->data());
  const auto* end = p + text->size();
  while (p < end) {
    char32_t c = *p++;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) c &= (0x3F >> extra);
    while (extra-- > 0 && p < end) c = (c << 6) | (*p++ & 0x3F);
    out.push_back(c);
  }
  if (out.size() >= 2 && out[0] == '{' && out[1] == '}') out.erase(0, 2);  // the escape prefix
  return out;
}

// A glyph's metrics in ems. Sideways, a glyph stands on the baseline turned
// a quarter counter-clockwise, the middle of its horizontal advance on the
// baseline and the font's ascender at the pen; it advances by its vertical
// advance (FreeType's stand-in from the typographic ascender and descender
// where the font has no vertical metrics).
struct GlyphMetrics {
  double advance = 0;               // along the run
  double originX = 0, originY = 0;  // from the pen to where cairo puts the glyph's own origin
};

GlyphMetrics Metrics(FT_Face face, unsigned glyph, bool sideways) {
  GlyphMetrics metrics;
  if (!face->units_per_EM || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return metrics;
  const double em = face->units_per_EM;
  const FT_Glyph_Metrics& m = face->glyph->metrics;
  if (!sideways) {
    metrics.advance = static_cast<double>(m.horiAdvance) / em;
    return metrics;
  }
  metrics.advance = static_cast<double>(m.vertAdvance) / em;
  metrics.originX = face->ascender / em;
  metrics.originY = static_cast<double>(m.horiAdvance) / 2 / em;
  return metrics;
}

}  // namespace

void PageRenderer::DrawGlyphs(const Element& glyphs) {
  const std::string* uri = glyphs.Attribute("FontUri");
  const std::string* emText = glyphs.Attribute("FontRenderingEmSize");
  const double em = emText ? ParseNumber(*emText).value_or(0) : 0;
  if (!uri || !(em > 0)) return;
  if (em > kMaxEmSize) throw RenderFailure("a glyph run's em size " + *emText + " passes " + std::to_string(int(kMaxEmSize)));
  const std::string* simulationsText = glyphs.Attribute("StyleSimulations");
  const std::string_view simulations = simulationsText ? std::string_view(*simulationsText) : "None";
  const bool bold = simulations == "BoldSimulation" || simulations == "BoldItalicSimulation";
  const bool italic = simulations == "ItalicSimulation" || simulations == "BoldItalicSimulation";
  const PageFont* font = resources_.Font(*uri, bold);
  if (!font) return;
  auto* face = static_cast<FT_Face>(font->freetypeFace);

  const std::u32string text = UnicodeOf(glyphs.Attribute("UnicodeString"));
  const std::string* indicesText = glyphs.Attribute("Indices");
  std::vector<GlyphEntry> entries = indicesText ? ParseIndices(*indicesText) : std::vector<GlyphEntry>{};
  budget_.SpendGlyphs(entries.size() + text.size());
  // Characters past the entries are mapped one to one.
  std::size_t consumed = 0;
  for (const GlyphEntry& entry : entries)
    if (entry.startsCluster) consumed += entry.characters;
  for (std::size_t i = consumed; i < text.size(); ++i) entries.push_back(GlyphEntry{});

  const std::string* originX = glyphs.Attribute("OriginX");
  const std::string* originY = glyphs.Attribute("OriginY");
  double x = originX ? ParseNumber(*originX).value_or(0) : 0;
  const double y = originY ? ParseNumber(*originY).value_or(0) : 0;
  const std::string* bidi = glyphs.Attribute("BidiLevel");
  const bool rightToLeft = bidi && std::fmod(std::trunc(ParseNumber(*bidi).value_or(0)), 2) == 1;
  const std::string* sidewaysText = glyphs.Attribute("IsSideways");
  const bool sideways = sidewaysText && *sidewaysText == "true";

  std::vector<cairo_glyph_t> run;
  run.reserve(entries.size());
  std::size_t character = 0;
  double left = x, right = x;
  for (const GlyphEntry& entry : entries) {
    unsigned index = 0;
    if (entry.index)
      index = *entry.index;
    else if (character < text.size())
      index = FT_Get_Char_Index(face, text[character]);
    if (entry.startsCluster) character += entry.characters;
    // Loading a glyph costs: only when the markup leaves something to its metrics.
    const GlyphMetrics metrics =
        !entry.advance || rightToLeft || sideways ? Metrics(face, index, sideways) : GlyphMetrics{};
    const double advance = entry.advance ? *entry.advance * em / 100 : metrics.advance * em;
    const double u = entry.uOffset.value_or(0) * em / 100, v = entry.vOffset.value_or(0) * em / 100;
    // Right to left, a glyph stands at the right of its advance.
    const double penX = rightToLeft ? x - metrics.advance * em - u : x + u;
    run.push_back(cairo_glyph_t{index, penX + metrics.originX * em, y - v + metrics.originY * em});
    x += rightToLeft ? -advance : advance;
    left = std::min(left, x);
    right = std::max(right, x);
  }
  if (run.empty()) return;

  cairo_save(cr_);
  if (!ApplyRenderTransform(glyphs)) return cairo_restore(cr_);
  ApplyClip(glyphs);
  const Rect bounds = sideways ? Rect{left, y - em / 2, right - left, em} : Rect{left, y - em, right - left, em * 1.25};
  const bool layer = BeginLayer(glyphs);
  if (cairo_pattern_t* fill = BrushPattern(glyphs, "Fill", 1.0, bounds)) {
    cairo_set_font_face(cr_, font->face);
    cairo_matrix_t fontMatrix;
    cairo_matrix_init(&fontMatrix, em, 0, italic ? -kItalicSlant * em : 0, em, 0, 0);
    if (sideways) {
      cairo_matrix_t quarterTurn;  // counter-clockwise on the page
      cairo_matrix_init(&quarterTurn, 0, -1, 1, 0, 0, 0);
      cairo_matrix_multiply(&fontMatrix, &fontMatrix, &quarterTurn);
    }
    cairo_set_font_matrix(cr_, &fontMatrix);
    cairo_set_source(cr_, fill);
    cairo_matrix_t ctm;
    cairo_get_matrix(cr_, &ctm);
    const double pixels = em * device_scale_ * std::sqrt(std::fabs(ctm.xx * ctm.yy - ctm.xy * ctm.yx));
    if (pixels > kBitmapGlyphPixels) {
      cairo_new_path(cr_);
      cairo_glyph_path(cr_, run.data(), static_cast<int>(run.size()));
      cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
      cairo_fill(cr_);
    } else {
      cairo_show_glyphs(cr_, run.data(), static_cast<int>(run.size()));
    }
    cairo_pattern_destroy(fill);
  }
  EndLayer(glyphs, layer, bounds);
  cairo_restore(cr_);
}

}  // namespace xpsconv
