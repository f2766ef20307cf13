#include "tiff_directory.h"

#include <iterator>

namespace imaging {
namespace {

std::uint32_t Read32(std::span<const BYTE> data, std::size_t at, bool little) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{data[at + (little ? i : 3 - i)]} << (8 * i);
  return value;
}

unsigned Read16(std::span<const BYTE> data, std::size_t at, bool little) {
  return little ? unsigned{data[at]} | unsigned{data[at + 1]} << 8 : unsigned{data[at]} << 8 | unsigned{data[at + 1]};
}

}  // namespace

bool FirstDirectoryEndsEarly(std::span<const BYTE> data) {
  const bool little = data[0] == 'I';
  const std::uint64_t directory = Read32(data, 4, little);
  if (directory + 2 > data.size()) return true;
  const std::size_t at = static_cast<std::size_t>(directory);
  const unsigned entries = Read16(data, at, little);
  if (directory + 2 + 12u * entries > data.size()) return true;
  static constexpr BYTE kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8};
  // JPEG XR's coded image and alpha plane: offset and byte count tags. Some
  // encoders write the alpha plane's end as its count: only its start is checked.
  std::uint64_t image[2] = {0, 0}, alpha[2] = {0, 0};
  for (unsigned i = 0; i < entries; ++i) {
    const std::size_t entry = at + 2 + 12u * i;
    const unsigned tag = Read16(data, entry, little);
    const unsigned type = Read16(data, entry + 2, little);
    const std::uint64_t size = std::uint64_t{Read32(data, entry + 4, little)} * (type < std::size(kTypeSizes) ? kTypeSizes[type] : 0);
    const std::uint32_t value = Read32(data, entry + 8, little);
    if (size > 4 && value + size > data.size()) return true;
    if (little && tag >= 0xBCC0 && tag <= 0xBCC3) (tag < 0xBCC2 ? image : alpha)[tag & 1] = value;
  }
  return image[0] + image[1] > data.size() || alpha[0] > data.size();
}

}  // namespace imaging
