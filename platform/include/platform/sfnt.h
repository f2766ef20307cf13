// Bounded reading of OpenType/TrueType font files (big-endian "sfnt" data):
// every read is checked against the bytes at hand, so a hostile font gives
// nothing rather than a read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/types.h"

// A table tag from its four characters, as the tag is stored in the file ("cmap").
constexpr std::uint32_t SfntTag(std::string_view text) {
  return (std::uint32_t(BYTE(text[0])) << 24) | (std::uint32_t(BYTE(text[1])) << 16) |
         (std::uint32_t(BYTE(text[2])) << 8) | std::uint32_t(BYTE(text[3]));
}

inline constexpr std::uint32_t kSfntCollectionTag = SfntTag("ttcf");

class SfntReader {
 public:
  explicit SfntReader(std::span<const BYTE> bytes) : bytes_(bytes) {}
  std::optional<std::uint16_t> U16(std::size_t offset) const;
  std::optional<std::int16_t> S16(std::size_t offset) const;
  std::optional<std::uint32_t> U32(std::size_t offset) const;
  // The bytes [offset, offset + length), or nothing when they are not all there.
  std::optional<std::span<const BYTE>> Range(std::size_t offset, std::size_t length) const;
  std::span<const BYTE> Bytes() const { return bytes_; }

 private:
  std::span<const BYTE> bytes_;
};

struct SfntTableRecord {
  std::uint32_t tag = 0;
  std::uint32_t checksum = 0;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// The table directory of the face whose offset table starts at `faceOffset`:
// nothing unless the header and every record are inside the data and every
// table lies wholly inside it.
std::optional<std::vector<SfntTableRecord>> ReadSfntTables(std::span<const BYTE> file, std::size_t faceOffset = 0);

// The offsets of the faces' offset tables in a collection ("ttcf" header):
// nothing when the data is not a collection or its directory runs past the end.
std::optional<std::vector<std::uint32_t>> ReadCollectionFaceOffsets(std::span<const BYTE> file);

// The table with that tag, or nothing.
std::optional<std::span<const BYTE>> FindSfntTable(std::span<const BYTE> file,
                                                   const std::vector<SfntTableRecord>& tables, std::uint32_t tag);
