#include "platform/pixel_conversion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using imaging::ArgbColor;
using imaging::ColorModel;
using imaging::PixelFormat;
using Bytes = std::vector<BYTE>;

Bytes Floats(std::initializer_list<float> values) {
  Bytes bytes;
  for (float v : values) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(bits >> (8 * i)));
  }
  return bytes;
}

Bytes Words(std::initializer_list<std::uint16_t> values) {
  Bytes bytes;
  for (auto v : values) {
    bytes.push_back(static_cast<BYTE>(v));
    bytes.push_back(static_cast<BYTE>(v >> 8));
  }
  return bytes;
}

Bytes Convert(PixelFormat format, const Bytes& source, UINT width, const std::vector<ArgbColor>& palette = {}) {
  imaging::RowConverter converter(format, palette);
  Bytes target(std::size_t{width} * converter.Layout().BytesPerPixel());
  converter.Convert(source, width, target);
  return target;
}

struct Case {
  std::string what;
  PixelFormat format;
  Bytes source;
  UINT width;
  Bytes expected;
};

TEST(PixelConversionTest, EachKindOfSampleBecomesTheExpectedBytes) {
  using enum PixelFormat;
  const std::vector<Case> cases = {
      {"BGR bytes reversed", k24bppBGR, {0x01, 0x02, 0x03}, 1, {0x03, 0x02, 0x01}},
      {"BGR32 skips its fourth byte", k32bppBGR, {1, 2, 3, 9, 4, 5, 6, 9}, 2, {3, 2, 1, 6, 5, 4}},
      {"RGB kept", k24bppRGB, {1, 2, 3}, 1, {1, 2, 3}},
      {"BGRA to RGBA", k32bppBGRA, {1, 2, 3, 4}, 1, {3, 2, 1, 4}},
      {"premultiplied BGRA", k32bppPBGRA, {0x40, 0x40, 0x40, 0x80}, 1, {0x7F, 0x7F, 0x7F, 0x80}},
      {"premultiplied, transparent", k32bppPBGRA, {9, 9, 9, 0}, 1, {255, 255, 255, 0}},
      {"black and white from the top bit", kBlackWhite, {0b10100000}, 3, {255, 0, 255}},
      {"2-bit grey", k2bppGray, {0b00011011}, 4, {0, 85, 170, 255}},
      {"4-bit grey", k4bppGray, {0x0F, 0x80}, 3, {0, 255, 136}},
      {"16-bit grey: the high byte", k16bppGray, Words({0x12FF, 0xAB00}), 2, {0x12, 0xAB}},
      {"BGR555", k16bppBGR555, Words({0x7C00 | 0x0010}), 1, {255, 0, 131}},
      {"BGR565", k16bppBGR565, Words({0x07E0 | 0x0001}), 1, {0, 255, 8}},
      {"BGR101010: top 8 of each 10 bits", k32bppBGR101010, {0xFF, 0x03, 0x00, 0x30}, 1, {0xC0, 0x00, 0xFF}},
      {"48-bit RGB", k48bppRGB, Words({0x1000, 0x2000, 0x3000}), 1, {0x10, 0x20, 0x30}},
      {"64-bit premultiplied RGBA", k64bppPRGBA, Words({0x4000, 0x2000, 0x8000, 0x8000}), 1, {0x7F, 0x3F, 0xFF, 0x80}},
      {"CMYK kept", k32bppCMYK, {1, 2, 3, 4}, 1, {1, 2, 3, 4}},
      {"CMYK alpha kept", k40bppCMYKAlpha, {1, 2, 3, 4, 5}, 1, {1, 2, 3, 4, 5}},
      {"80-bit CMYK alpha", k80bppCMYKAlpha, Words({0x0100, 0x0200, 0x0300, 0x0400, 0x0500}), 1, {1, 2, 3, 4, 5}},
      {"grey floats on the transfer curve", k32bppGrayFloat, Floats({0.5f, 0.25f, 0.01f, -1.0f, 2.0f}), 5,
       {179, 124, 11, 0, 255}},
      {"RGB floats: the fourth unused", k128bppRGBFloat, Floats({0.5f, 1.0f, 0.0f, 0.7f}), 1, {179, 255, 0}},
      // Alpha is coverage: it scales linearly, not on the transfer curve.
      {"RGBA floats, linear alpha", k128bppRGBAFloat, Floats({0.5f, 0.5f, 0.5f, 0.5f}), 1, {179, 179, 179, 128}},
      {"premultiplied RGBA floats", k128bppPRGBAFloat, Floats({0.25f, 0.125f, 0.5f, 0.5f}), 1, {179, 124, 255, 128}},
      {"premultiplied floats, transparent", k128bppPRGBAFloat, Floats({0.2f, 0.2f, 0.2f, 0.0f}), 1, {255, 255, 255, 0}},
      // Thirteen fraction bits: 0x1FFF is just below one.
      {"16-bit fixed point", k16bppGrayFixedPoint, Words({0x1000, 0x1FFF, 0x2000, 0x8000}), 4, {179, 254, 255, 0}},
      {"64-bit RGB fixed point: the fourth unused", k64bppRGBFixedPoint, Words({0x1000, 0x0800, 0, 0x2000}), 1,
       {179, 124, 0}},
      {"32-bit fixed point", k32bppGrayFixedPoint, {0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0xC0, 0x00, 0, 0, 0, 0x80}, 3,
       {179, 220, 0}},
      // Ten fraction bits over 1024: 0x3BFF is just below one.
      {"half floats", k16bppGrayHalf, Words({0x3800, 0x3BFF, 0x3C00, 0x2E66, 0x7C00, 0x7E00, 0xB800, 0x03FF}), 8,
       {179, 254, 255, 74, 255, 0, 0, 0}},
      {"RGBA halves, linear alpha", k64bppRGBAHalf, Words({0x3800, 0x3400, 0x0000, 0x3800}), 1, {179, 124, 0, 128}},
      {"RGBE", k32bppRGBE, {0x80, 0x40, 0x00, 128, 9, 9, 9, 0}, 2, {179, 124, 0, 0, 0, 0}},
      // Every channel is a real channel: none is dropped.
      {"3 channels", k24bpp3Channels, {1, 2, 3}, 1, {1, 2, 3}},
      {"3 channels and alpha", k32bpp3ChannelsAlpha, {1, 2, 3, 4}, 1, {1, 2, 3, 4}},
      {"8 channels of 16 bits", k128bpp8Channels, Words({0x100, 0x200, 0x300, 0x400, 0x500, 0x600, 0x700, 0x800}),
       1, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"5 channels and alpha, 16 bits", k96bpp5ChannelsAlpha, Words({0x100, 0x200, 0x300, 0x400, 0x500, 0x600}), 1,
       {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Convert(c.format, c.source, c.width), c.expected);
  }
}

TEST(PixelConversionTest, PaletteIndicesGiveRgbaAndAnIndexPastThePaletteRepeatsThePixelBefore) {
  const std::vector<ArgbColor> palette = {0xFF112233, 0x80445566};
  EXPECT_EQ(Convert(PixelFormat::k8bppIndexed, {1, 0}, 2, palette),
            (Bytes{0x44, 0x55, 0x66, 0x80, 0x11, 0x22, 0x33, 0xFF}));
  // An index past the palette first of all: transparent black; later: the colour before, across rows too.
  imaging::RowConverter converter(PixelFormat::k2bppIndexed, palette);
  Bytes first(8), second(8);
  converter.Convert(Bytes{0b11010000}, 2, first);
  converter.Convert(Bytes{0b11000000}, 2, second);
  EXPECT_EQ(first, (Bytes{0, 0, 0, 0, 0x44, 0x55, 0x66, 0x80}));
  EXPECT_EQ(second, (Bytes{0x44, 0x55, 0x66, 0x80, 0x11, 0x22, 0x33, 0xFF}));
}

// Every format converts a row of exactly its own size into exactly the layout's size;
// the sanitizers catch a read or write past either.
TEST(PixelConversionTest, EveryFormatStaysWithinItsRows) {
  const std::vector<ArgbColor> palette(256, 0xFFFFFFFF);
  for (std::size_t i = 0; i < imaging::kPixelFormatCount; ++i) {
    const auto format = static_cast<PixelFormat>(i);
    SCOPED_TRACE(std::string(imaging::Name(format)));
    for (UINT width : {1u, 3u, 7u}) {
      const std::size_t stride = (std::size_t{width} * imaging::BitsPerPixel(format) + 7) / 8;
      const Bytes source(stride, 0xFF);
      const imaging::EightBitLayout layout = imaging::EightBitLayoutOf(format);
      EXPECT_GE(layout.BytesPerPixel(), 1u);
      EXPECT_EQ(Convert(format, source, width, palette).size(), std::size_t{width} * layout.BytesPerPixel());
    }
  }
  EXPECT_EQ(imaging::EightBitLayoutOf(PixelFormat::k8bppIndexed).model, ColorModel::kRgb);
  EXPECT_TRUE(imaging::EightBitLayoutOf(PixelFormat::k8bppIndexed).alpha);
  EXPECT_EQ(imaging::EightBitLayoutOf(PixelFormat::k40bppCMYKAlpha).BytesPerPixel(), 5u);
  EXPECT_EQ(imaging::EightBitLayoutOf(PixelFormat::k64bpp7ChannelsAlpha).BytesPerPixel(), 8u);
}

}  // namespace
