#include "platform/sfnt.h"

std::optional<std::span<const BYTE>> SfntReader::Range(std::size_t offset, std::size_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
  return bytes_.subspan(offset, length);
}

std::optional<std::uint16_t> SfntReader::U16(std::size_t offset) const {
  const auto r = Range(offset, 2);
  if (!r) return std::nullopt;
  return static_cast<std::uint16_t>(((*r)[0] << 8) | (*r)[1]);
}

std::optional<std::int16_t> SfntReader::S16(std::size_t offset) const {
  const auto v = U16(offset);
  if (!v) return std::nullopt;
  return static_cast<std::int16_t>(*v);
}

std::optional<std::uint32_t> SfntReader::U32(std::size_t offset) const {
  const auto r = Range(offset, 4);
  if (!r) return std::nullopt;
  return (std::uint32_t{(*r)[0]} << 24) | (std::uint32_t{(*r)[1]} << 16) | (std::uint32_t{(*r)[2]} << 8) |
         std::uint32_t{(*r)[3]};
}

std::optional<std::vector<SfntTableRecord>> ReadSfntTables(std::span<const BYTE> file, std::size_t faceOffset) {
  const SfntReader in(file);
  const auto count = in.U16(faceOffset + 4);
  if (!count) return std::nullopt;
  std::vector<SfntTableRecord> tables;
  tables.reserve(*count);
  for (std::size_t i = 0; i < *count; ++i) {
    const std::size_t at = faceOffset + 12 + 16 * i;
    const auto tag = in.U32(at), checksum = in.U32(at + 4), offset = in.U32(at + 8), length = in.U32(at + 12);
    if (!tag || !checksum || !offset || !length || !in.Range(*offset, *length)) return std::nullopt;
    tables.push_back({*tag, *checksum, *offset, *length});
  }
  return tables;
}

std::optional<std::vector<std::uint32_t>> ReadCollectionFaceOffsets(std::span<const BYTE> file) {
  const SfntReader in(file);
  const auto tag = in.U32(0);
  const auto count = in.U32(8);
  if (tag != kSfntCollectionTag || !count) return std::nullopt;
  // Each offset takes four bytes: a count the file cannot hold is refused before any allocation.
  if (*count > file.size() / 4) return std::nullopt;
  std::vector<std::uint32_t> offsets;
  offsets.reserve(*count);
  for (std::size_t i = 0; i < *count; ++i) {
    const auto offset = in.U32(12 + 4 * i);
    if (!offset || *offset >= file.size()) return std::nullopt;
    offsets.push_back(*offset);
  }
  return offsets;
}

std::optional<std::span<const BYTE>> FindSfntTable(std::span<const BYTE> file,
                                                   const std::vector<SfntTableRecord>& tables, std::uint32_t tag) {
  for (const SfntTableRecord& t : tables)
    if (t.tag == tag) return SfntReader(file).Range(t.offset, t.length);
  return std::nullopt;
}
