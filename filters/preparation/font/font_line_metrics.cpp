#include "font_file_tables.h"
#include "platform/sfnt.h"

FontLineMetrics ReadLineMetrics(std::span<const BYTE> font) {
  const FontLineMetrics defaults;
  const auto tables = ReadSfntTables(font);
  if (!tables) return defaults;
  const auto os2 = FindSfntTable(font, *tables, SfntTag("OS/2"));
  const auto head = FindSfntTable(font, *tables, SfntTag("head"));
  const auto post = FindSfntTable(font, *tables, SfntTag("post"));
  if (!os2 || !head || !post || os2->size() < 30 || head->size() < 20 || post->size() < 12) return defaults;
  const auto unitsPerEm = SfntReader(*head).U16(18);
  // A zero em would divide by zero: such a font keeps the defaults.
  if (!unitsPerEm || *unitsPerEm == 0) return defaults;
  const float em = *unitsPerEm;
  const SfntReader o(*os2), p(*post);
  FontLineMetrics m;
  m.strikeoutSize = float(*o.S16(26)) / em;
  m.strikeoutPosition = float(*o.S16(28)) / em;
  m.underlinePosition = float(*p.S16(8)) / em;
  m.underlineThickness = float(*p.S16(10)) / em;
  return m;
}
