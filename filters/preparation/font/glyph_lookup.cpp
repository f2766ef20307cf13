#include "font_file_tables.h"
#include "platform/sfnt.h"

namespace {

constexpr std::uint16_t kSegmentedCoverage = 12;

std::optional<std::uint32_t> GlyphInGroups(const SfntReader& cmap, std::size_t subtable, char32_t codePoint) {
  const auto length = cmap.U32(subtable + 4);
  const auto groups = cmap.U32(subtable + 12);
  // The groups must fit the subtable's own length, and the subtable the cmap.
  if (!length || !groups || *groups > (*length - std::min<std::uint32_t>(*length, 16)) / 12 ||
      !cmap.Range(subtable, *length))
    return std::nullopt;
  for (std::size_t g = 0; g < *groups; ++g) {
    const std::size_t at = subtable + 16 + 12 * g;
    const std::uint32_t start = *cmap.U32(at), end = *cmap.U32(at + 4), glyph = *cmap.U32(at + 8);
    if (start <= codePoint && codePoint <= end) return glyph + (codePoint - start);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> FindFormat12Glyph(std::span<const BYTE> font, char32_t codePoint) {
  const auto tables = ReadSfntTables(font);
  if (!tables) return std::nullopt;
  const auto table = FindSfntTable(font, *tables, SfntTag("cmap"));
  if (!table) return std::nullopt;
  const SfntReader cmap(*table);
  const auto records = cmap.U16(2);
  // A cmap whose encoding records run past its end is not used at all.
  if (!records || !cmap.Range(4, 8 * std::size_t{*records})) return std::nullopt;
  for (std::size_t i = 0; i < *records; ++i) {
    const auto offset = cmap.U32(4 + 8 * i + 4);
    if (!offset) return std::nullopt;
    if (cmap.U16(*offset) != kSegmentedCoverage) continue;
    return GlyphInGroups(cmap, *offset, codePoint);
  }
  return std::nullopt;
}
