#include <algorithm>

#include "font_file_tables.h"
#include "platform/sfnt.h"

namespace {

constexpr std::uint16_t kWindowsPlatform = 3;
constexpr std::uint16_t kUnicodeBmpEncoding = 1;
constexpr std::uint16_t kFullNameId = 4;

bool HasFullName(std::span<const BYTE> nameTable, std::u16string_view fullName) {
  const SfntReader name(nameTable);
  const auto count = name.U16(2);
  const auto storage = name.U16(4);
  // A table whose records run past its end is not used at all.
  if (!count || !storage || !name.Range(6, 12 * std::size_t{*count})) return false;
  for (std::size_t i = 0; i < *count; ++i) {
    const std::size_t record = 6 + 12 * i;
    const auto platform = name.U16(record), encoding = name.U16(record + 2), id = name.U16(record + 6);
    const auto length = name.U16(record + 8), offset = name.U16(record + 10);
    if (!platform || !encoding || !id || !length || !offset) return false;
    if (*platform != kWindowsPlatform || *encoding != kUnicodeBmpEncoding || *id != kFullNameId) continue;
    if (*length != 2 * fullName.size()) continue;
    const auto text = name.Range(std::size_t{*storage} + *offset, *length);
    if (!text) continue;
    const SfntReader units(*text);
    bool equal = true;
    for (std::size_t k = 0; k < fullName.size() && equal; ++k) equal = units.U16(2 * k) == fullName[k];
    if (equal) return true;
  }
  return false;
}

std::size_t Padded(std::size_t length) { return (length + 3) & ~std::size_t{3}; }

void PutU32(std::vector<BYTE>& out, std::size_t at, std::uint32_t value) {
  out[at] = BYTE(value >> 24);
  out[at + 1] = BYTE(value >> 16);
  out[at + 2] = BYTE(value >> 8);
  out[at + 3] = BYTE(value);
}

std::optional<std::vector<BYTE>> StandaloneFace(std::span<const BYTE> collection, std::size_t faceOffset,
                                                const std::vector<SfntTableRecord>& tables) {
  const std::size_t header = 12 + 16 * tables.size();
  std::size_t size = header;
  for (const SfntTableRecord& t : tables) size += Padded(t.length);
  // A face's own tables never overlap, so it cannot be larger than its
  // collection: a directory that claims more is hostile and costs no memory.
  if (size > Padded(collection.size()) + header + 4 * tables.size()) return std::nullopt;
  std::vector<BYTE> font(size, 0);
  std::copy_n(collection.begin() + static_cast<std::ptrdiff_t>(faceOffset), header, font.begin());
  std::size_t next = header;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const SfntTableRecord& t = tables[i];
    std::copy_n(collection.begin() + t.offset, t.length, font.begin() + static_cast<std::ptrdiff_t>(next));
    PutU32(font, 12 + 16 * i + 8, static_cast<std::uint32_t>(next));
    next += Padded(t.length);
  }
  return font;
}

}  // namespace

std::optional<std::vector<BYTE>> ExtractCollectionFace(std::span<const BYTE> collection, std::u16string_view fullName) {
  const auto faces = ReadCollectionFaceOffsets(collection);
  if (!faces) return std::nullopt;
  for (const std::uint32_t faceOffset : *faces) {
    // ReadSfntTables checked the header, the directory and every table against the file.
    const auto tables = ReadSfntTables(collection, faceOffset);
    if (!tables) continue;
    const auto name = FindSfntTable(collection, *tables, SfntTag("name"));
    if (name && HasFullName(*name, fullName)) return StandaloneFace(collection, faceOffset, *tables);
  }
  return std::nullopt;
}
