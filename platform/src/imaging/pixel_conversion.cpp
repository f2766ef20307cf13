#include "platform/pixel_conversion.h"

#include "pixel_format_table.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace imaging {
namespace {

using enum PixelFormat;

std::uint16_t Le16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
float LeFloat(const BYTE* p) { return std::bit_cast<float>(Le32(p)); }

// IEEE half precision: 1 sign, 5 exponent, 10 fraction bits; subnormals are
// fraction / 1024 * 2^-14.
float HalfToFloat(std::uint16_t h) {
  const int exponent = (h >> 10) & 0x1F;
  const int fraction = h & 0x3FF;
  const float sign = (h & 0x8000) ? -1.0f : 1.0f;
  if (exponent == 0x1F) return fraction == 0 ? sign * INFINITY : NAN;
  if (exponent == 0) return sign * std::ldexp(static_cast<float>(fraction), -24);
  return sign * std::ldexp(static_cast<float>(fraction + 1024), exponent - 25);
}

// Signed fixed point with 13 (16-bit) or 24 (32-bit) fraction bits.
float Fixed16ToFloat(std::uint16_t s) { return static_cast<float>(static_cast<std::int16_t>(s)) / 8192.0f; }
float Fixed32ToFloat(std::uint32_t s) {
  return static_cast<float>(static_cast<double>(static_cast<std::int32_t>(s)) / 16777216.0);
}

// Alpha is coverage, not light: it scales linearly.
BYTE LinearAlpha(float alpha) {
  if (!(alpha > 0.0f)) return 0;
  if (alpha >= 1.0f) return 255;
  return static_cast<BYTE>(std::lround(alpha * 255.0f));
}

BYTE Unpremultiply(unsigned colour, unsigned alpha) {
  return static_cast<BYTE>(std::min(255u, colour * 255u / alpha));
}

// Linear colour samples (already divided by alpha where premultiplied) and linear alpha.
void PutLinear(BYTE* out, const float* colour, UINT colours, const float* alpha) {
  for (UINT c = 0; c < colours; ++c) out[c] = TransferCurve(colour[c]);
  if (alpha) out[colours] = LinearAlpha(*alpha);
}

template <typename Fn>
void EachPixel(const BYTE* source, UINT width, UINT sourceBytes, BYTE* target, UINT targetBytes, Fn fn) {
  for (UINT x = 0; x < width; ++x) fn(source + std::size_t{x} * sourceBytes, target + std::size_t{x} * targetBytes);
}

}  // namespace

float TransferCurveUnrounded(float linear) {
  if (!(linear > 0.0f)) return 0.0f;
  if (linear < 0.018f) return linear * 1147.5f;
  if (linear >= 1.0f) return 255.0f;
  return (1.099f * std::pow(linear, 0.45f) - 0.099f) * 255.0f;
}

BYTE TransferCurve(float linear) { return static_cast<BYTE>(TransferCurveUnrounded(linear)); }

bool IsEightBitLayout(PixelFormat format) {
  switch (format) {
    case k8bppGray: case k24bppRGB:
    case k32bppCMYK: case k40bppCMYKAlpha:
    case k24bpp3Channels: case k32bpp4Channels: case k40bpp5Channels: case k48bpp6Channels:
    case k56bpp7Channels: case k64bpp8Channels:
    case k32bpp3ChannelsAlpha: case k40bpp4ChannelsAlpha: case k48bpp5ChannelsAlpha:
    case k56bpp6ChannelsAlpha: case k64bpp7ChannelsAlpha: case k72bpp8ChannelsAlpha:
      return true;
    default:
      return false;
  }
}

RowConverter::RowConverter(PixelFormat format, std::span<const ArgbColor> palette)
    : format_(format), palette_(palette), layout_(EightBitLayoutOf(format)) {}

void RowConverter::Convert(std::span<const BYTE> sourceRow, UINT width, std::span<BYTE> targetRow) {
  const UINT bits = BitsPerPixel(format_);
  const UINT d = layout_.BytesPerPixel();
  const BYTE* s = sourceRow.data();
  BYTE* t = targetRow.data();
  const UINT sb = bits / 8;  // source bytes per pixel where whole

  auto subByte = [&](UINT x) -> unsigned {
    const std::size_t bit = std::size_t{x} * bits;
    return (s[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
  };

  switch (format_) {
    case k1bppIndexed:
    case k2bppIndexed:
    case k4bppIndexed:
    case k8bppIndexed:
      for (UINT x = 0; x < width; ++x) {
        const unsigned index = bits == 8 ? s[x] : subByte(x);
        if (index < palette_.size()) previous_ = palette_[index];
        BYTE* out = t + std::size_t{x} * 4;
        out[0] = static_cast<BYTE>(previous_ >> 16);
        out[1] = static_cast<BYTE>(previous_ >> 8);
        out[2] = static_cast<BYTE>(previous_);
        out[3] = static_cast<BYTE>(previous_ >> 24);
      }
      return;
    case kBlackWhite:
      for (UINT x = 0; x < width; ++x) t[x] = subByte(x) ? 255 : 0;
      return;
    case k2bppGray:
    case k4bppGray: {
      const unsigned top = (1u << bits) - 1;
      for (UINT x = 0; x < width; ++x) t[x] = static_cast<BYTE>(subByte(x) * 255u / top);
      return;
    }
    case k8bppGray:
      std::memcpy(t, s, width);
      return;
    case k16bppGray:
      EachPixel(s, width, 2, t, 1, [](const BYTE* p, BYTE* o) { o[0] = p[1]; });
      return;
    case k16bppBGR555:
      EachPixel(s, width, 2, t, 3, [](const BYTE* p, BYTE* o) {
        const unsigned v = Le16(p);
        o[0] = static_cast<BYTE>(((v >> 10) & 31) * 255 / 31);
        o[1] = static_cast<BYTE>(((v >> 5) & 31) * 255 / 31);
        o[2] = static_cast<BYTE>((v & 31) * 255 / 31);
      });
      return;
    case k16bppBGR565:
      EachPixel(s, width, 2, t, 3, [](const BYTE* p, BYTE* o) {
        const unsigned v = Le16(p);
        o[0] = static_cast<BYTE>(((v >> 11) & 31) * 255 / 31);
        o[1] = static_cast<BYTE>(((v >> 5) & 63) * 255 / 63);
        o[2] = static_cast<BYTE>((v & 31) * 255 / 31);
      });
      return;
    case k24bppBGR:
    case k32bppBGR:
      EachPixel(s, width, sb, t, 3, [](const BYTE* p, BYTE* o) { o[0] = p[2]; o[1] = p[1]; o[2] = p[0]; });
      return;
    case k24bppRGB:
      std::memcpy(t, s, std::size_t{width} * 3);
      return;
    case k32bppBGRA:
      EachPixel(s, width, 4, t, 4, [](const BYTE* p, BYTE* o) { o[0] = p[2]; o[1] = p[1]; o[2] = p[0]; o[3] = p[3]; });
      return;
    case k32bppPBGRA:
      EachPixel(s, width, 4, t, 4, [](const BYTE* p, BYTE* o) {
        const unsigned a = p[3];
        if (a == 0) { o[0] = o[1] = o[2] = 255; o[3] = 0; return; }
        o[0] = Unpremultiply(p[2], a); o[1] = Unpremultiply(p[1], a); o[2] = Unpremultiply(p[0], a); o[3] = p[3];
      });
      return;
    case k32bppBGR101010:
      EachPixel(s, width, 4, t, 3, [](const BYTE* p, BYTE* o) {
        const std::uint32_t v = Le32(p);
        o[0] = static_cast<BYTE>(v >> 22); o[1] = static_cast<BYTE>(v >> 12); o[2] = static_cast<BYTE>(v >> 2);
      });
      return;
    case k64bppPRGBA:
      EachPixel(s, width, 8, t, 4, [](const BYTE* p, BYTE* o) {
        const unsigned a = p[7];
        if (a == 0) { o[0] = o[1] = o[2] = 255; o[3] = 0; return; }
        for (int c = 0; c < 3; ++c) o[c] = Unpremultiply(p[2 * c + 1], a);
        o[3] = p[7];
      });
      return;
    // 16-bit samples, every one kept: its high byte.
    case k48bppRGB: case k64bppRGBA: case k64bppCMYK: case k80bppCMYKAlpha:
    case k48bpp3Channels: case k64bpp4Channels: case k80bpp5Channels: case k96bpp6Channels:
    case k112bpp7Channels: case k128bpp8Channels:
    case k64bpp3ChannelsAlpha: case k80bpp4ChannelsAlpha: case k96bpp5ChannelsAlpha:
    case k112bpp6ChannelsAlpha: case k128bpp7ChannelsAlpha: case k144bpp8ChannelsAlpha:
      for (std::size_t i = 0; i < std::size_t{width} * d; ++i) t[i] = s[2 * i + 1];
      return;
    // 8-bit samples, every one kept.
    case k32bppCMYK: case k40bppCMYKAlpha:
    case k24bpp3Channels: case k32bpp4Channels: case k40bpp5Channels: case k48bpp6Channels:
    case k56bpp7Channels: case k64bpp8Channels:
    case k32bpp3ChannelsAlpha: case k40bpp4ChannelsAlpha: case k48bpp5ChannelsAlpha:
    case k56bpp6ChannelsAlpha: case k64bpp7ChannelsAlpha: case k72bpp8ChannelsAlpha:
      std::memcpy(t, s, std::size_t{width} * d);
      return;
    case k32bppGrayFloat:
    case k128bppRGBFloat:
    case k128bppRGBAFloat:
      EachPixel(s, width, sb, t, d, [&](const BYTE* p, BYTE* o) {
        float v[4];
        for (int c = 0; c < 4 && c * 4 < static_cast<int>(sb); ++c) v[c] = LeFloat(p + 4 * c);
        PutLinear(o, v, layout_.colorChannels, layout_.alpha ? &v[3] : nullptr);
      });
      return;
    case k128bppPRGBAFloat:
      EachPixel(s, width, 16, t, 4, [](const BYTE* p, BYTE* o) {
        float v[4];
        for (int c = 0; c < 4; ++c) v[c] = LeFloat(p + 4 * c);
        if (!(v[3] > 0.0f)) { o[0] = o[1] = o[2] = 255; o[3] = 0; return; }
        for (int c = 0; c < 3; ++c) v[c] /= v[3];
        PutLinear(o, v, 3, &v[3]);
      });
      return;
    case k16bppGrayFixedPoint: case k48bppRGBFixedPoint: case k64bppRGBAFixedPoint: case k64bppRGBFixedPoint:
    case k16bppGrayHalf: case k48bppRGBHalf: case k64bppRGBAHalf: case k64bppRGBHalf: {
      const bool half = format_ >= k16bppGrayHalf;
      EachPixel(s, width, sb, t, d, [&](const BYTE* p, BYTE* o) {
        float v[4];
        for (UINT c = 0; c < d; ++c) v[c] = half ? HalfToFloat(Le16(p + 2 * c)) : Fixed16ToFloat(Le16(p + 2 * c));
        PutLinear(o, v, layout_.colorChannels, layout_.alpha ? &v[3] : nullptr);
      });
      return;
    }
    case k32bppGrayFixedPoint: case k96bppRGBFixedPoint: case k128bppRGBAFixedPoint: case k128bppRGBFixedPoint:
      EachPixel(s, width, sb, t, d, [&](const BYTE* p, BYTE* o) {
        float v[4];
        for (UINT c = 0; c < d; ++c) v[c] = Fixed32ToFloat(Le32(p + 4 * c));
        PutLinear(o, v, layout_.colorChannels, layout_.alpha ? &v[3] : nullptr);
      });
      return;
    case k32bppRGBE:
      // Radiance shared exponent: sample = byte * 2^(e - 136).
      EachPixel(s, width, 4, t, 3, [](const BYTE* p, BYTE* o) {
        if (p[3] == 0) { o[0] = o[1] = o[2] = 0; return; }
        for (int c = 0; c < 3; ++c) o[c] = TransferCurve(std::ldexp(static_cast<float>(p[c]), p[3] - 136));
      });
      return;
  }
}

}  // namespace imaging
