// Windows bitmaps: 1, 4 and 8 bits through a palette, 16 and 32 bits plain or
// by bit fields (alpha only when a mask names it), 24 bits; bottom-up or
// top-down. Compressed (RLE, embedded JPEG or PNG) bitmaps are not read.
// Every offset and size is checked against the file before it is used.
#include <algorithm>
#include <array>
#include <bit>

#include "decoded_image.h"

namespace gdiplus_codecs {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

std::uint32_t Little32(std::span<const BYTE> data, std::size_t at) {
  return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 | std::uint32_t{data[at + 2]} << 16 |
         std::uint32_t{data[at + 3]} << 24;
}
std::uint16_t Little16(std::span<const BYTE> data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

// One channel of a bit-field pixel, scaled to 8 bits.
struct Field {
  std::uint32_t mask = 0;
  BYTE Extract(std::uint32_t pixel) const {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint64_t top = mask >> shift;  // 2^bits - 1 for a contiguous mask
    return static_cast<BYTE>(std::uint64_t{(pixel & mask) >> shift} * 255u / top);
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top row first
  std::uint32_t bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t paletteUsed = 0;
  double dpiX = 0;
  double dpiY = 0;
  Field red, green, blue, alpha;
  std::size_t paletteAt = 0;
  std::size_t paletteEntrySize = 4;
};

GpStatus ReadHeader(std::span<const BYTE> data, Header& header) {
  if (data.size() < kFileHeaderSize + 4) return UnknownImageFormat;
  const std::uint32_t size = Little32(data, kFileHeaderSize);
  if (size < kCoreHeaderSize || data.size() - kFileHeaderSize < size) return UnknownImageFormat;
  const std::size_t at = kFileHeaderSize;
  if (size == kCoreHeaderSize) {
    header.width = Little16(data, at + 4);
    header.height = Little16(data, at + 6);
    header.bits = Little16(data, at + 10);
    header.paletteEntrySize = 3;
  } else if (size >= kInfoHeaderSize) {
    header.width = static_cast<std::int32_t>(Little32(data, at + 4));
    header.height = static_cast<std::int32_t>(Little32(data, at + 8));
    header.bits = Little16(data, at + 14);
    header.compression = Little32(data, at + 16);
    header.dpiX = static_cast<std::int32_t>(Little32(data, at + 24)) * 0.0254;
    header.dpiY = static_cast<std::int32_t>(Little32(data, at + 28)) * 0.0254;
    header.paletteUsed = Little32(data, at + 32);
  } else {
    return UnknownImageFormat;
  }
  header.paletteAt = at + size;
  if (header.compression == kBitFields || header.compression == kAlphaBitFields) {
    // The masks follow a plain info header, or sit inside a longer one.
    const std::size_t masks = header.compression == kAlphaBitFields ? 4 : 3;
    const std::size_t masksAt = at + kInfoHeaderSize;
    if (data.size() < masksAt + 4 * masks) return UnknownImageFormat;
    header.red.mask = Little32(data, masksAt);
    header.green.mask = Little32(data, masksAt + 4);
    header.blue.mask = Little32(data, masksAt + 8);
    if (masks == 4 || size >= kInfoHeaderSize + 16) header.alpha.mask = Little32(data, masksAt + 12);
    if (size == kInfoHeaderSize) header.paletteAt += 4 * masks;
  } else if (header.compression != kRgb) {
    return UnknownImageFormat;
  } else if (header.bits == 16) {
    header.red.mask = 0x7C00;
    header.green.mask = 0x03E0;
    header.blue.mask = 0x001F;
  } else if (header.bits == 32) {
    header.red.mask = 0x00FF0000;
    header.green.mask = 0x0000FF00;
    header.blue.mask = 0x000000FF;
  }
  switch (header.bits) {
    case 1: case 4: case 8: case 24: break;
    case 16: case 32:
      if (header.red.mask == 0 && header.green.mask == 0 && header.blue.mask == 0) return UnknownImageFormat;
      break;
    default: return UnknownImageFormat;
  }
  if ((header.bits != 16 && header.bits != 32) && header.compression != kRgb) return UnknownImageFormat;
  if (header.width <= 0 || header.height == 0) return UnknownImageFormat;
  return Ok;
}

std::vector<std::array<BYTE, 3>> ReadPalette(std::span<const BYTE> data, const Header& header) {
  std::vector<std::array<BYTE, 3>> palette;
  if (header.bits > 8) return palette;
  const std::uint32_t full = 1u << header.bits;
  const std::uint32_t count = header.paletteUsed == 0 || header.paletteUsed > full ? full : header.paletteUsed;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = header.paletteAt + i * header.paletteEntrySize;
    if (at + 3 > data.size()) break;  // a short palette: the missing colours are black
    palette.push_back({data[at + 2], data[at + 1], data[at]});
  }
  return palette;
}

}  // namespace

GpStatus ReadBmp(std::span<const BYTE> data, GpImage& image) {
  Header header;
  if (const GpStatus status = ReadHeader(data, header); status != Ok) return status;
  const bool topDown = header.height < 0;
  const std::uint64_t width = static_cast<std::uint64_t>(header.width);
  const std::uint64_t height = static_cast<std::uint64_t>(topDown ? -header.height : header.height);
  const bool alpha = header.alpha.mask != 0;
  if (const GpStatus status = Allocate(image, width, height, alpha ? 4 : 3); status != Ok) return status;
  SetResolution(image, header.dpiX, header.dpiY);

  // Sizes are bounded by the pixel cap above, so these products stay small.
  const std::uint64_t stride = (width * header.bits + 31) / 32 * 4;
  const std::uint64_t pixelsAt = Little32(data, 10);
  if (pixelsAt > data.size() || stride * height > data.size() - pixelsAt) return UnknownImageFormat;
  const auto palette = ReadPalette(data, header);
  const UINT channels = image.channels;
  for (std::uint64_t y = 0; y < height; ++y) {
    const std::uint64_t fileRow = topDown ? y : height - 1 - y;
    const BYTE* row = data.data() + pixelsAt + fileRow * stride;
    BYTE* out = image.pixels.data() + y * width * channels;
    for (std::uint64_t x = 0; x < width; ++x, out += channels) {
      switch (header.bits) {
        case 1: case 4: case 8: {
          const std::uint64_t bit = x * header.bits;
          const unsigned index = (row[bit / 8] >> (8 - header.bits - bit % 8)) & ((1u << header.bits) - 1);
          if (index < palette.size()) std::copy(palette[index].begin(), palette[index].end(), out);
          break;
        }
        case 24:
          out[0] = row[x * 3 + 2];
          out[1] = row[x * 3 + 1];
          out[2] = row[x * 3];
          break;
        default: {
          const std::uint32_t pixel =
              header.bits == 16 ? Little16({row, stride}, x * 2) : Little32({row, stride}, x * 4);
          out[0] = header.red.Extract(pixel);
          out[1] = header.green.Extract(pixel);
          out[2] = header.blue.Extract(pixel);
          if (alpha) out[3] = header.alpha.Extract(pixel);
        }
      }
    }
  }
  return Ok;
}

}  // namespace gdiplus_codecs
