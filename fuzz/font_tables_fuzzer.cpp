// Font files on hostile bytes: the table directory of each face (of a
// collection too), every table found, a face taken out of a collection (which
// must itself read as a font with the same tables), the line metrics and the
// format-12 glyph lookup of the embedded font's reader.
// Input: a length byte and that many UTF-16LE units of a face name, then the font.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "filters/preparation/font/font_file_tables.h"
#include "fuzz_input.h"
#include "platform/sfnt.h"

namespace {

void ReadFace(std::span<const BYTE> file, std::size_t offset) {
  const auto tables = ReadSfntTables(file, offset);
  if (!tables) return;
  for (const SfntTableRecord& record : *tables) {
    if (!FindSfntTable(file, *tables, record.tag)) __builtin_trap();  // every listed table is there
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::FuzzInput input(data, size);
  std::u16string name;
  for (std::uint8_t n = input.Byte(); n > 0 && !input.Empty(); --n) name.push_back(input.Integer<char16_t>());
  const std::string_view rest = input.Rest();
  const std::span<const BYTE> font(reinterpret_cast<const BYTE*>(rest.data()), rest.size());

  ReadFace(font, 0);
  if (const auto faces = ReadCollectionFaceOffsets(font)) {
    for (const std::uint32_t offset : *faces) ReadFace(font, offset);
  }
  if (const auto face = ExtractCollectionFace(font, name)) {
    const auto tables = ReadSfntTables(*face);
    if (!tables) __builtin_trap();  // what was taken out reads as a font of its own
    ReadFace(*face, 0);
  }
  ReadLineMetrics(font);
  for (const char32_t codePoint : {char32_t{0x41}, char32_t{0x1F600}, char32_t{0x10FFFF}, char32_t{0}}) {
    FindFormat12Glyph(font, codePoint);
  }
  return 0;
}
