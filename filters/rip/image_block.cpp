#include "filters/rip/image_block.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <utility>

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

ImageBlockMaker::~ImageBlockMaker() {
  if (out_ && release_) release_(out_);
}

HRESULT ImageBlockMaker::Place(const imaging::BitmapFrame& described, BYTE** pixels) {
  if (!allocate_ || !pixels) return E_POINTER;
  *pixels = nullptr;
  if (out_) return E_UNEXPECTED;
  if (described.Width() > kMaxSide || described.Height() > kMaxSide) return imaging::IMAGING_E_TOOLARGE;
  if (imaging::IsIndexed(described.Format()) && described.Palette().empty()) return imaging::IMAGING_E_BADIMAGE;
  const imaging::EightBitLayout layout = imaging::EightBitLayoutOf(described.Format());
  if (!ColorTypeOf(layout)) return imaging::IMAGING_E_UNSUPPORTED;
  const std::uint64_t pixelBytes = std::uint64_t{layout.BytesPerPixel()} * described.Width() * described.Height();
  const std::size_t profileSize = described.ColorContextCount() > 0 ? described.ColorContext(0).size() : 0;
  const std::optional<DWORD> blockSize = TryIntCast<DWORD>(kImageBlockHeaderSize + pixelBytes + profileSize);
  if (!blockSize) return imaging::IMAGING_E_TOOLARGE;
  out_ = static_cast<BYTE*>(allocate_(*blockSize));
  if (!out_) return E_OUTOFMEMORY;
  if (release_ && imaging::IsEightBitLayout(described.Format())) *pixels = out_ + kImageBlockHeaderSize;
  pixelsInPlace_ = *pixels;
  return S_OK;
}

HRESULT ImageBlockMaker::Finish(const imaging::BitmapFrame& frame, BYTE** block) {
  if (!block) return E_POINTER;
  *block = nullptr;
  // A frame that kept its own rows without asking is placed now.
  if (!out_) {
    BYTE* unused = nullptr;
    const HRESULT hr = Place(frame, &unused);
    if (FAILED(hr)) return hr;
  }
  const UINT width = frame.Width();
  const UINT height = frame.Height();
  imaging::RowConverter converter(frame.Format(), frame.Palette());
  const UINT bytesPerPixel = converter.Layout().BytesPerPixel();
  const std::span<const BYTE> profile =
      frame.ColorContextCount() > 0 ? frame.ColorContext(0) : std::span<const BYTE>();
  const std::size_t rowBytes = std::size_t{bytesPerPixel} * width;
  const std::size_t pixelBytes = rowBytes * height;

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
  header.colorType = *ColorTypeOf(converter.Layout());
  header.one = 1;
  header.mark = 0x31;
  const std::size_t profileOffset = kImageBlockHeaderSize + pixelBytes;
  if (!profile.empty()) {
    header.profileFlag = kImageProfileFollows;
    PutBe32(header.profileOffset, static_cast<DWORD>(profileOffset));
    PutBe32(header.profileSize, static_cast<DWORD>(profile.size()));
    std::memcpy(out_ + profileOffset, profile.data(), profile.size());
  }
  std::memcpy(out_, &header, sizeof header);

  BYTE* pixels = out_ + kImageBlockHeaderSize;
  // Rows decoded into the block are already there.
  if (pixelsInPlace_ != pixels || frame.Row(0).data() != pixels)
    for (UINT y = 0; y < height; ++y)
      converter.Convert(frame.Row(y), width, std::span<BYTE>(pixels + rowBytes * y, rowBytes));
  *block = std::exchange(out_, nullptr);
  return S_OK;
}

HRESULT MakeImageBlock(const imaging::BitmapFrame& frame, ConverterAllocator allocate, BYTE** block) {
  if (!allocate || !block) return E_POINTER;
  *block = nullptr;
  return ImageBlockMaker(allocate, nullptr).Finish(frame, block);
}
