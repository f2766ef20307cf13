// Image decoding: a decoder made from a stream hands out its first frame with
// size, resolution, native pixel format, palette and embedded colour profiles.
// PNG (libpng), JPEG (libjpeg), TIFF (libtiff) and JPEG XR (jxrlib) are read.
// pixel_conversion.h turns a frame's rows into 8-bit samples.
#pragma once

#include "platform/hresult.h"
#include "platform/stream.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace imaging {

// The stream ended inside the image: its data may still be arriving.
inline constexpr HRESULT IMAGING_E_TRUNCATED = MakeHresult(0x80040301u);
// The data is no image we read, or is corrupt: waiting will not help.
inline constexpr HRESULT IMAGING_E_BADIMAGE = MakeHresult(0x80040302u);
// A well-formed image in a layout no pixel format here describes.
inline constexpr HRESULT IMAGING_E_UNSUPPORTED = MakeHresult(0x80040303u);
// Width, height or decoded size beyond what is decoded (kMaxFrameSide, kMaxFramePixelBytes).
inline constexpr HRESULT IMAGING_E_TOOLARGE = MakeHresult(0x80040304u);

// Decoded frames are held whole; beyond this many bytes an image is refused
// before any pixel memory is taken.
inline constexpr std::uint64_t kMaxFramePixelBytes = std::uint64_t{1} << 30;
inline constexpr UINT kMaxFrameSide = 1u << 20;

// Native pixel layouts, named after what they hold. Multi-byte samples are
// little-endian in memory; sub-byte samples fill a byte from its top bits.
enum class PixelFormat : std::uint8_t {
  k1bppIndexed, k2bppIndexed, k4bppIndexed, k8bppIndexed,
  kBlackWhite, k2bppGray, k4bppGray, k8bppGray, k16bppGray,
  k16bppBGR555, k16bppBGR565, k24bppBGR, k32bppBGR, k24bppRGB,
  k32bppBGRA, k32bppPBGRA, k32bppBGR101010,
  k48bppRGB, k64bppRGBA, k64bppPRGBA,
  k32bppCMYK, k64bppCMYK, k40bppCMYKAlpha, k80bppCMYKAlpha,
  k32bppGrayFloat, k128bppRGBAFloat, k128bppRGBFloat, k128bppPRGBAFloat,
  k16bppGrayFixedPoint, k48bppRGBFixedPoint, k64bppRGBAFixedPoint, k64bppRGBFixedPoint,
  k32bppGrayFixedPoint, k96bppRGBFixedPoint, k128bppRGBAFixedPoint, k128bppRGBFixedPoint,
  k16bppGrayHalf, k48bppRGBHalf, k64bppRGBAHalf, k64bppRGBHalf,
  k32bppRGBE,
  // n channels of 8 or 16 bits, then the same with one more, alpha, channel.
  k24bpp3Channels, k32bpp4Channels, k40bpp5Channels, k48bpp6Channels, k56bpp7Channels, k64bpp8Channels,
  k48bpp3Channels, k64bpp4Channels, k80bpp5Channels, k96bpp6Channels, k112bpp7Channels, k128bpp8Channels,
  k32bpp3ChannelsAlpha, k40bpp4ChannelsAlpha, k48bpp5ChannelsAlpha, k56bpp6ChannelsAlpha,
  k64bpp7ChannelsAlpha, k72bpp8ChannelsAlpha,
  k64bpp3ChannelsAlpha, k80bpp4ChannelsAlpha, k96bpp5ChannelsAlpha, k112bpp6ChannelsAlpha,
  k128bpp7ChannelsAlpha, k144bpp8ChannelsAlpha,
};
inline constexpr std::size_t kPixelFormatCount = 65;

UINT BitsPerPixel(PixelFormat format);
std::string_view Name(PixelFormat format);  // e.g. "24bppBGR"
bool IsIndexed(PixelFormat format);

// A palette colour as 0xAARRGGBB.
using ArgbColor = std::uint32_t;

// The first frame of an image, decoded whole.
class BitmapFrame;

// Lets a caller decode straight into memory of its own. Asked once per frame,
// after its size, format, palette, resolution and profiles are known and before
// any pixel memory is taken: an error ends decoding with that code; S_OK with
// *pixels set places the rows there, Height() rows exactly Stride() apart, and
// that memory must outlive the frame; S_OK with *pixels NULL leaves the frame its
// own rows. Tiled and subsampled TIFF keep their own rows without asking.
using PixelPlacement = std::function<HRESULT(const BitmapFrame& described, BYTE** pixels)>;

class BitmapFrame {
 public:
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  // Dots per inch as the image declares them; 0 when it declares none.
  double DpiX() const { return dpiX_; }
  double DpiY() const { return dpiY_; }
  PixelFormat Format() const { return format_; }
  // Bytes of one row, rows unpadded past their last whole byte.
  std::size_t Stride() const { return stride_; }
  // Colours of an indexed frame (possibly none); empty for other formats.
  std::span<const ArgbColor> Palette() const { return palette_; }
  // Embedded ICC profiles; none is a count of 0.
  std::size_t ColorContextCount() const { return colorContexts_.size(); }
  std::span<const BYTE> ColorContext(std::size_t index) const { return colorContexts_.at(index); }
  // Row y, Stride() bytes.
  std::span<const BYTE> Row(UINT y) const;
  // Copies rows [y, y + rows) into out, which must hold rows * Stride() bytes.
  HRESULT CopyPixels(UINT y, UINT rows, std::span<BYTE> out) const;

  // For the decoders: the frame's description, checked, and its own pixel memory.
  static HRESULT Make(UINT width, UINT height, PixelFormat format, std::unique_ptr<BitmapFrame>* frame);
  // The same in two steps: the description without pixel memory, then the
  // memory the placement answers (or the frame's own when it answers none).
  static HRESULT Describe(UINT width, UINT height, PixelFormat format, std::unique_ptr<BitmapFrame>* frame);
  HRESULT PlacePixels(const PixelPlacement& place);
  std::span<BYTE> MutablePixels() { return {pixels_, stride_ * height_}; }
  std::span<BYTE> MutableRow(UINT y) { return {pixels_ + stride_ * y, stride_}; }
  void SetResolution(double dpiX, double dpiY);
  void SetPalette(std::vector<ArgbColor> palette) { palette_ = std::move(palette); }
  void AddColorContext(std::vector<BYTE> profile) { colorContexts_.push_back(std::move(profile)); }

 private:
  BitmapFrame() = default;
  UINT width_ = 0;
  UINT height_ = 0;
  double dpiX_ = 0;
  double dpiY_ = 0;
  PixelFormat format_ = PixelFormat::k8bppGray;
  std::size_t stride_ = 0;
  std::unique_ptr<BYTE[]> ownPixels_;
  BYTE* pixels_ = nullptr;
  std::vector<ArgbColor> palette_;
  std::vector<std::vector<BYTE>> colorContexts_;
};

enum class ContainerFormat { kPng, kJpeg, kTiff, kJpegXr };

class BitmapDecoder {
 public:
  ContainerFormat Container() const { return container_; }
  UINT FrameCount() const { return 1; }
  // Only frame 0 is decoded; other indices are E_INVALIDARG.
  HRESULT GetFrame(UINT index, const BitmapFrame** frame) const;

  BitmapDecoder(ContainerFormat container, std::unique_ptr<BitmapFrame> frame)
      : container_(container), frame_(std::move(frame)) {}

 private:
  ContainerFormat container_;
  std::unique_ptr<BitmapFrame> frame_;
};

// Reads the stream from its current position to its end, recognises the
// format by its signature and decodes the first frame. Errors: the
// IMAGING_E_* codes above, E_OUTOFMEMORY, or the stream's own failure.
HRESULT CreateDecoderFromStream(IStream* stream, std::unique_ptr<BitmapDecoder>* decoder);
// The same over bytes already in memory; place, when given, chooses where the rows go.
HRESULT CreateDecoderFromMemory(std::span<const BYTE> data, std::unique_ptr<BitmapDecoder>* decoder,
                                const PixelPlacement& place = {});

}  // namespace imaging
