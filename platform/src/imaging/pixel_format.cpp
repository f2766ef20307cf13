#include "pixel_format_table.h"

#include <array>
#include <cstddef>

namespace imaging {
namespace {

using enum PixelFormat;
constexpr EightBitLayout kGray{ColorModel::kGray, 1, false};
constexpr EightBitLayout kRgb{ColorModel::kRgb, 3, false};
constexpr EightBitLayout kRgba{ColorModel::kRgb, 3, true};
constexpr EightBitLayout kCmyk{ColorModel::kCmyk, 4, false};
constexpr EightBitLayout kCmyka{ColorModel::kCmyk, 4, true};
constexpr EightBitLayout Channels(UINT n) { return {ColorModel::kChannels, n, false}; }
constexpr EightBitLayout ChannelsAlpha(UINT n) { return {ColorModel::kChannels, n, true}; }

constexpr std::array<PixelFormatInfo, kPixelFormatCount> kFormats{{
    {k1bppIndexed, "1bppIndexed", 1, kRgba},
    {k2bppIndexed, "2bppIndexed", 2, kRgba},
    {k4bppIndexed, "4bppIndexed", 4, kRgba},
    {k8bppIndexed, "8bppIndexed", 8, kRgba},
    {kBlackWhite, "BlackWhite", 1, kGray},
    {k2bppGray, "2bppGray", 2, kGray},
    {k4bppGray, "4bppGray", 4, kGray},
    {k8bppGray, "8bppGray", 8, kGray},
    {k16bppGray, "16bppGray", 16, kGray},
    {k16bppBGR555, "16bppBGR555", 16, kRgb},
    {k16bppBGR565, "16bppBGR565", 16, kRgb},
    {k24bppBGR, "24bppBGR", 24, kRgb},
    {k32bppBGR, "32bppBGR", 32, kRgb},
    {k24bppRGB, "24bppRGB", 24, kRgb},
    {k32bppBGRA, "32bppBGRA", 32, kRgba},
    {k32bppPBGRA, "32bppPBGRA", 32, kRgba},
    {k32bppBGR101010, "32bppBGR101010", 32, kRgb},
    {k48bppRGB, "48bppRGB", 48, kRgb},
    {k64bppRGBA, "64bppRGBA", 64, kRgba},
    {k64bppPRGBA, "64bppPRGBA", 64, kRgba},
    {k32bppCMYK, "32bppCMYK", 32, kCmyk},
    {k64bppCMYK, "64bppCMYK", 64, kCmyk},
    {k40bppCMYKAlpha, "40bppCMYKAlpha", 40, kCmyka},
    {k80bppCMYKAlpha, "80bppCMYKAlpha", 80, kCmyka},
    {k32bppGrayFloat, "32bppGrayFloat", 32, kGray},
    {k128bppRGBAFloat, "128bppRGBAFloat", 128, kRgba},
    {k128bppRGBFloat, "128bppRGBFloat", 128, kRgb},
    {k128bppPRGBAFloat, "128bppPRGBAFloat", 128, kRgba},
    {k16bppGrayFixedPoint, "16bppGrayFixedPoint", 16, kGray},
    {k48bppRGBFixedPoint, "48bppRGBFixedPoint", 48, kRgb},
    {k64bppRGBAFixedPoint, "64bppRGBAFixedPoint", 64, kRgba},
    {k64bppRGBFixedPoint, "64bppRGBFixedPoint", 64, kRgb},
    {k32bppGrayFixedPoint, "32bppGrayFixedPoint", 32, kGray},
    {k96bppRGBFixedPoint, "96bppRGBFixedPoint", 96, kRgb},
    {k128bppRGBAFixedPoint, "128bppRGBAFixedPoint", 128, kRgba},
    {k128bppRGBFixedPoint, "128bppRGBFixedPoint", 128, kRgb},
    {k16bppGrayHalf, "16bppGrayHalf", 16, kGray},
    {k48bppRGBHalf, "48bppRGBHalf", 48, kRgb},
    {k64bppRGBAHalf, "64bppRGBAHalf", 64, kRgba},
    {k64bppRGBHalf, "64bppRGBHalf", 64, kRgb},
    {k32bppRGBE, "32bppRGBE", 32, kRgb},
    {k24bpp3Channels, "24bpp3Channels", 24, Channels(3)},
    {k32bpp4Channels, "32bpp4Channels", 32, Channels(4)},
    {k40bpp5Channels, "40bpp5Channels", 40, Channels(5)},
    {k48bpp6Channels, "48bpp6Channels", 48, Channels(6)},
    {k56bpp7Channels, "56bpp7Channels", 56, Channels(7)},
    {k64bpp8Channels, "64bpp8Channels", 64, Channels(8)},
    {k48bpp3Channels, "48bpp3Channels", 48, Channels(3)},
    {k64bpp4Channels, "64bpp4Channels", 64, Channels(4)},
    {k80bpp5Channels, "80bpp5Channels", 80, Channels(5)},
    {k96bpp6Channels, "96bpp6Channels", 96, Channels(6)},
    {k112bpp7Channels, "112bpp7Channels", 112, Channels(7)},
    {k128bpp8Channels, "128bpp8Channels", 128, Channels(8)},
    {k32bpp3ChannelsAlpha, "32bpp3ChannelsAlpha", 32, ChannelsAlpha(3)},
    {k40bpp4ChannelsAlpha, "40bpp4ChannelsAlpha", 40, ChannelsAlpha(4)},
    {k48bpp5ChannelsAlpha, "48bpp5ChannelsAlpha", 48, ChannelsAlpha(5)},
    {k56bpp6ChannelsAlpha, "56bpp6ChannelsAlpha", 56, ChannelsAlpha(6)},
    {k64bpp7ChannelsAlpha, "64bpp7ChannelsAlpha", 64, ChannelsAlpha(7)},
    {k72bpp8ChannelsAlpha, "72bpp8ChannelsAlpha", 72, ChannelsAlpha(8)},
    {k64bpp3ChannelsAlpha, "64bpp3ChannelsAlpha", 64, ChannelsAlpha(3)},
    {k80bpp4ChannelsAlpha, "80bpp4ChannelsAlpha", 80, ChannelsAlpha(4)},
    {k96bpp5ChannelsAlpha, "96bpp5ChannelsAlpha", 96, ChannelsAlpha(5)},
    {k112bpp6ChannelsAlpha, "112bpp6ChannelsAlpha", 112, ChannelsAlpha(6)},
    {k128bpp7ChannelsAlpha, "128bpp7ChannelsAlpha", 128, ChannelsAlpha(7)},
    {k144bpp8ChannelsAlpha, "144bpp8ChannelsAlpha", 144, ChannelsAlpha(8)},
}};

constexpr bool TableFollowsEnum() {
  for (std::size_t i = 0; i < kFormats.size(); ++i)
    if (static_cast<std::size_t>(kFormats[i].format) != i) return false;
  return true;
}
static_assert(TableFollowsEnum());
static_assert(static_cast<std::size_t>(k144bpp8ChannelsAlpha) + 1 == kPixelFormatCount);

}  // namespace

const PixelFormatInfo& InfoOf(PixelFormat format) { return kFormats.at(static_cast<std::size_t>(format)); }

UINT BitsPerPixel(PixelFormat format) { return InfoOf(format).bitsPerPixel; }
std::string_view Name(PixelFormat format) { return InfoOf(format).name; }
bool IsIndexed(PixelFormat format) { return format <= k8bppIndexed; }
EightBitLayout EightBitLayoutOf(PixelFormat format) { return InfoOf(format).layout; }

}  // namespace imaging
