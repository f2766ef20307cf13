// PNG, JPEG, TIFF and JPEG XR come through the imaging decoders and their row
// converter; CMYK becomes RGB by the plain complement.
#include "decoded_image.h"
#include "platform/imaging.h"
#include "platform/pixel_conversion.h"

namespace gdiplus_codecs {
namespace {

GpStatus StatusOf(HRESULT hr) {
  if (hr == imaging::IMAGING_E_TOOLARGE || hr == E_OUTOFMEMORY) return OutOfMemory;
  return UnknownImageFormat;
}

std::uint32_t BigEndian32(std::span<const BYTE> data, std::size_t at) {
  return std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 | std::uint32_t{data[at + 2]} << 8 |
         data[at + 3];
}

// A PNG declares its size up front: an absurd one is refused before decoding.
bool DeclaresTooManyPixels(std::span<const BYTE> data) {
  constexpr BYTE kPng[] = {0x89, 'P', 'N', 'G'};
  if (data.size() < 24 || !std::equal(std::begin(kPng), std::end(kPng), data.begin())) return false;
  const std::uint64_t width = BigEndian32(data, 16);
  const std::uint64_t height = BigEndian32(data, 20);
  return width * height > kMaxImagePixels;
}

BYTE Complement(BYTE colorant, BYTE black) { return static_cast<BYTE>((255 - colorant) * (255 - black) / 255); }

// Any other frame goes through the row converter into grey or RGB, with or
// without alpha.
GpStatus ConvertRows(const imaging::BitmapFrame& frame, GpImage& image) {
  imaging::RowConverter converter(frame.Format(), frame.Palette());
  const imaging::EightBitLayout layout = converter.Layout();
  if (layout.model == imaging::ColorModel::kChannels) return UnknownImageFormat;
  const bool grey = layout.model == imaging::ColorModel::kGray;
  const UINT channels = (grey ? 1u : 3u) + (layout.alpha ? 1u : 0u);
  if (const GpStatus status = Allocate(image, frame.Width(), frame.Height(), channels); status != Ok)
    return status;

  const UINT width = image.width;
  std::vector<BYTE> row(static_cast<std::size_t>(width) * layout.BytesPerPixel());
  for (UINT y = 0; y < image.height; ++y) {
    converter.Convert(frame.Row(y), width, row);
    BYTE* out = image.pixels.data() + static_cast<std::size_t>(y) * width * channels;
    if (layout.model != imaging::ColorModel::kCmyk) {
      std::copy(row.begin(), row.end(), out);
      continue;
    }
    const UINT in = layout.BytesPerPixel();
    for (UINT x = 0; x < width; ++x, out += channels) {
      const BYTE* cmyk = row.data() + static_cast<std::size_t>(x) * in;
      out[0] = Complement(cmyk[0], cmyk[3]);
      out[1] = Complement(cmyk[1], cmyk[3]);
      out[2] = Complement(cmyk[2], cmyk[3]);
      if (layout.alpha) out[3] = cmyk[4];
    }
  }
  return Ok;
}

}  // namespace

GpStatus ReadWithImaging(std::span<const BYTE> data, GpImage& image) {
  if (DeclaresTooManyPixels(data)) return OutOfMemory;
  // Grey and RGB frames whose rows already are 8-bit samples decode straight
  // into the image: a large bitmap is not held twice.
  bool placed = false;
  const imaging::PixelPlacement place = [&](const imaging::BitmapFrame& described, BYTE** pixels) {
    const imaging::EightBitLayout layout = imaging::EightBitLayoutOf(described.Format());
    const bool plain = layout.model == imaging::ColorModel::kGray || layout.model == imaging::ColorModel::kRgb;
    if (!imaging::IsEightBitLayout(described.Format()) || !plain || layout.alpha) return S_OK;
    if (Allocate(image, described.Width(), described.Height(), layout.colorChannels) != Ok) return E_OUTOFMEMORY;
    if (described.Stride() != static_cast<std::size_t>(image.width) * image.channels) return E_UNEXPECTED;
    *pixels = image.pixels.data();
    placed = true;
    return S_OK;
  };
  std::unique_ptr<imaging::BitmapDecoder> decoder;
  if (const HRESULT hr = imaging::CreateDecoderFromMemory(data, &decoder, place); FAILED(hr)) return StatusOf(hr);
  const imaging::BitmapFrame* frame = nullptr;
  if (FAILED(decoder->GetFrame(0, &frame))) return UnknownImageFormat;
  SetResolution(image, frame->DpiX(), frame->DpiY());
  return placed ? Ok : ConvertRows(*frame, image);
}

}  // namespace gdiplus_codecs
