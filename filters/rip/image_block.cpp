#include "filters/rip/image_block.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <span>

#include "platform/checked_int.h"

namespace {

constexpr UINT kMaxSide = 0xFFFF;
constexpr double kUndeclaredDpi = 96;

void PutLe16(BYTE (&field)[2], unsigned value) {
  field[0] = static_cast<BYTE>(value & 0xFF);
  field[1] = static_cast<BYTE>((value >> 8) & 0xFF);
}

void PutBe32(BYTE (&field)[4], DWORD value) {
  for (int i = 0; i < 4; ++i) field[i] = static_cast<BYTE>((value >> (24 - 8 * i)) & 0xFF);
}

// Integer part and the fraction in 1/65536, truncated.
void PutResolution(BYTE (&whole)[2], BYTE (&fraction)[2], double dpi) {
  const double integral = std::floor(dpi);
  PutLe16(whole, static_cast<unsigned>(integral));
  PutLe16(fraction, static_cast<unsigned>((dpi - integral) * 65536.0));
}

}  // namespace

std::optional<ImageColorType> ColorTypeOf(const imaging::EightBitLayout& layout) {
  switch (layout.model) {
    case imaging::ColorModel::kGray:
      if (layout.alpha) return std::nullopt;
      return kImageGray;
    case imaging::ColorModel::kRgb:
      return layout.alpha ? kImageRgba : kImageRgb;
    case imaging::ColorModel::kCmyk:
      return layout.alpha ? kImageCmykAlpha : kImageCmyk;
    case imaging::ColorModel::kChannels:
      return layout.alpha ? kImageChannelsAlpha : kImageChannels;
  }
  return std::nullopt;
}

HRESULT MakeImageBlock(const imaging::BitmapFrame& frame, ConverterAllocator allocate, BYTE** block) {
  if (!allocate || !block) return E_POINTER;
  *block = nullptr;
  const UINT width = frame.Width();
  const UINT height = frame.Height();
  if (width > kMaxSide || height > kMaxSide) return imaging::IMAGING_E_TOOLARGE;
  if (imaging::IsIndexed(frame.Format()) && frame.Palette().empty()) return imaging::IMAGING_E_BADIMAGE;
  imaging::RowConverter converter(frame.Format(), frame.Palette());
  const std::optional<ImageColorType> colorType = ColorTypeOf(converter.Layout());
  if (!colorType) return imaging::IMAGING_E_UNSUPPORTED;

  const UINT bytesPerPixel = converter.Layout().BytesPerPixel();
  const std::span<const BYTE> profile =
      frame.ColorContextCount() > 0 ? frame.ColorContext(0) : std::span<const BYTE>();
  const std::uint64_t rowBytes = std::uint64_t{bytesPerPixel} * width;
  const std::uint64_t pixelBytes = rowBytes * height;
  const std::uint64_t total = kImageBlockHeaderSize + pixelBytes + profile.size();
  const std::optional<DWORD> blockSize = TryIntCast<DWORD>(total);
  if (!blockSize) return imaging::IMAGING_E_TOOLARGE;

  auto* out = static_cast<BYTE*>(allocate(*blockSize));
  if (!out) return E_OUTOFMEMORY;

  ImageBlockHeader header{};
  std::memcpy(header.magic, "RIRO", 4);
  PutLe16(header.version, 6);
  PutLe16(header.headerKind, 28);
  PutLe16(header.width, width);
  PutLe16(header.height, height);
  // A resolution that is missing in either direction, or too large for the
  // 16-bit fields, is taken as undeclared in both.
  double dpiX = frame.DpiX();
  double dpiY = frame.DpiY();
  if (!(dpiX > 0 && dpiX < 65536 && dpiY > 0 && dpiY < 65536)) dpiX = dpiY = kUndeclaredDpi;
  PutResolution(header.dpiX, header.dpiXFraction, dpiX);
  PutResolution(header.dpiY, header.dpiYFraction, dpiY);
  header.bytesPerPixel = static_cast<BYTE>(bytesPerPixel);
  header.colorType = *colorType;
  header.one = 1;
  header.mark = 0x31;
  const std::size_t profileOffset = kImageBlockHeaderSize + static_cast<std::size_t>(pixelBytes);
  if (!profile.empty()) {
    header.profileFlag = kImageProfileFollows;
    PutBe32(header.profileOffset, static_cast<DWORD>(profileOffset));
    PutBe32(header.profileSize, static_cast<DWORD>(profile.size()));
    std::memcpy(out + profileOffset, profile.data(), profile.size());
  }
  std::memcpy(out, &header, sizeof header);

  const std::size_t targetRow = static_cast<std::size_t>(rowBytes);
  BYTE* pixels = out + kImageBlockHeaderSize;
  for (UINT y = 0; y < height; ++y)
    converter.Convert(frame.Row(y), width, std::span<BYTE>(pixels + targetRow * y, targetRow));
  *block = out;
  return S_OK;
}
