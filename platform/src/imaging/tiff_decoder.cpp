#include "decoders.h"
#include "tiff_directory.h"

#include "platform/checked_int.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace imaging {
namespace {

struct TiffSource {
  std::span<const BYTE> data;
  toff_t position = 0;
};

tmsize_t ReadTiff(thandle_t handle, void* out, tmsize_t count) {
  auto* source = static_cast<TiffSource*>(handle);
  if (count < 0 || source->position >= source->data.size()) return 0;
  const auto n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), source->data.size() - source->position);
  std::memcpy(out, source->data.data() + source->position, n);
  source->position += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t WriteTiff(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekTiff(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  if (whence == SEEK_CUR) offset += source->position;
  if (whence == SEEK_END) offset += source->data.size();
  source->position = offset;
  return offset;
}
int CloseTiff(thandle_t) { return 0; }
toff_t SizeTiff(thandle_t handle) { return static_cast<TiffSource*>(handle)->data.size(); }
int MapTiff(thandle_t handle, void** base, toff_t* size) {
  auto* source = static_cast<TiffSource*>(handle);
  *base = const_cast<BYTE*>(source->data.data());
  *size = source->data.size();
  return 1;
}
void UnmapTiff(thandle_t, void*, toff_t) {}
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct Layout {
  uint16_t photometric = PHOTOMETRIC_MINISBLACK, bits = 1, samples = 1, sampleFormat = SAMPLEFORMAT_UINT;
  uint16_t planar = PLANARCONFIG_CONTIG, inkset = INKSET_CMYK;
  std::vector<uint16_t> extras;
  bool LastIsAlpha() const { return !extras.empty() && extras.back() != EXTRASAMPLE_UNSPECIFIED; }
  bool Premultiplied() const { return !extras.empty() && extras.back() == EXTRASAMPLE_ASSOCALPHA; }
};

Layout ReadLayout(TIFF* tiff) {
  Layout layout;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &layout.inkset);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric);
  uint16_t count = 0;
  uint16_t* kinds = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) && kinds) layout.extras.assign(kinds, kinds + count);
  return layout;
}

std::optional<PixelFormat> ChannelsFormat(const Layout& l) {
  using enum PixelFormat;
  static constexpr PixelFormat eight[] = {k24bpp3Channels, k32bpp4Channels, k40bpp5Channels,
                                          k48bpp6Channels, k56bpp7Channels, k64bpp8Channels};
  static constexpr PixelFormat sixteen[] = {k48bpp3Channels, k64bpp4Channels, k80bpp5Channels,
                                            k96bpp6Channels, k112bpp7Channels, k128bpp8Channels};
  static constexpr PixelFormat eightAlpha[] = {k32bpp3ChannelsAlpha, k40bpp4ChannelsAlpha, k48bpp5ChannelsAlpha,
                                               k56bpp6ChannelsAlpha, k64bpp7ChannelsAlpha, k72bpp8ChannelsAlpha};
  static constexpr PixelFormat sixteenAlpha[] = {k64bpp3ChannelsAlpha, k80bpp4ChannelsAlpha, k96bpp5ChannelsAlpha,
                                                 k112bpp6ChannelsAlpha, k128bpp7ChannelsAlpha, k144bpp8ChannelsAlpha};
  if (l.sampleFormat != SAMPLEFORMAT_UINT || (l.bits != 8 && l.bits != 16)) return std::nullopt;
  const int colours = l.samples - (l.LastIsAlpha() ? 1 : 0);
  if (colours < 3 || colours > 8) return std::nullopt;
  const auto i = static_cast<std::size_t>(colours - 3);
  if (l.LastIsAlpha()) return l.bits == 8 ? eightAlpha[i] : sixteenAlpha[i];
  return l.bits == 8 ? eight[i] : sixteen[i];
}

// The native format whose rows are the file's rows (up to the fix-ups in FixUpRow).
std::optional<PixelFormat> NativeFormat(const Layout& l) {
  using enum PixelFormat;
  if (l.planar != PLANARCONFIG_CONTIG) return std::nullopt;
  const bool uint = l.sampleFormat == SAMPLEFORMAT_UINT;
  const bool real = l.sampleFormat == SAMPLEFORMAT_IEEEFP;
  const bool alpha = l.LastIsAlpha();
  const bool premultiplied = l.Premultiplied();
  switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      if (l.samples == 1 && uint) {
        switch (l.bits) {
          case 1: return kBlackWhite;
          case 2: return k2bppGray;
          case 4: return k4bppGray;
          case 8: return k8bppGray;
          case 16: return k16bppGray;
        }
      }
      if (l.samples == 1 && real && l.bits == 32) return k32bppGrayFloat;
      if (l.samples == 1 && real && l.bits == 16) return k16bppGrayHalf;
      break;
    case PHOTOMETRIC_PALETTE:
      if (l.samples == 1 && uint && l.bits <= 8)
        return l.bits == 1 ? k1bppIndexed : l.bits == 2 ? k2bppIndexed : l.bits == 4 ? k4bppIndexed : k8bppIndexed;
      break;
    case PHOTOMETRIC_RGB:
      if (l.samples == 3 && uint) return l.bits == 8 ? std::optional(k24bppRGB) : l.bits == 16 ? std::optional(k48bppRGB) : std::nullopt;
      if (l.samples == 3 && real) return l.bits == 32 ? std::optional(k128bppRGBFloat) : l.bits == 16 ? std::optional(k48bppRGBHalf) : std::nullopt;
      if (l.samples == 4 && alpha && uint && l.bits == 8) return premultiplied ? k32bppPBGRA : k32bppBGRA;
      if (l.samples == 4 && alpha && uint && l.bits == 16) return premultiplied ? k64bppPRGBA : k64bppRGBA;
      if (l.samples == 4 && alpha && real && l.bits == 32) return premultiplied ? k128bppPRGBAFloat : k128bppRGBAFloat;
      if (l.samples == 4 && alpha && real && l.bits == 16 && !premultiplied) return k64bppRGBAHalf;
      break;
    case PHOTOMETRIC_SEPARATED:
      if (l.inkset == INKSET_CMYK && uint && l.samples == 4 && l.extras.empty())
        return l.bits == 8 ? std::optional(k32bppCMYK) : l.bits == 16 ? std::optional(k64bppCMYK) : std::nullopt;
      if (l.inkset == INKSET_CMYK && uint && l.samples == 5 && alpha && !premultiplied)
        return l.bits == 8 ? std::optional(k40bppCMYKAlpha) : l.bits == 16 ? std::optional(k80bppCMYKAlpha) : std::nullopt;
      break;
  }
  // Separations, RGB or grey with further samples: n plain channels. Other
  // colour spaces (YCbCr, Lab...) go through the RGBA reader.
  const bool plain = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE ||
                     l.photometric == PHOTOMETRIC_RGB || l.photometric == PHOTOMETRIC_SEPARATED;
  if (plain && l.samples >= 3) return ChannelsFormat(l);
  return std::nullopt;
}

// Where the file's layout differs from the native format's.
void FixUpRow(const Layout& l, PixelFormat format, std::span<const BYTE> fileRow, std::span<BYTE> row) {
  using enum PixelFormat;
  if (format == k128bppRGBFloat) {  // three floats to four, the fourth unused
    for (std::size_t x = 0; x < row.size() / 16; ++x) {
      std::memcpy(&row[16 * x], &fileRow[12 * x], 12);
      std::memset(&row[16 * x + 12], 0, 4);
    }
    return;
  }
  std::memcpy(row.data(), fileRow.data(), row.size());
  if (format == k32bppBGRA || format == k32bppPBGRA)
    for (std::size_t x = 0; x + 3 < row.size(); x += 4) std::swap(row[x], row[x + 2]);
  if (l.photometric == PHOTOMETRIC_MINISWHITE && l.samples == 1 && l.sampleFormat == SAMPLEFORMAT_UINT) {
    if (l.bits == 16)
      for (std::size_t i = 0; i + 1 < row.size(); i += 2) {
        row[i] = static_cast<BYTE>(~row[i]);
        row[i + 1] = static_cast<BYTE>(~row[i + 1]);
      }
    else
      for (BYTE& b : row) b = static_cast<BYTE>(~b);  // padding bits too: never read
  }
}

std::vector<ArgbColor> PaletteOf(TIFF* tiff, uint16_t bits) {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  std::vector<ArgbColor> palette;
  if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return palette;
  for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i)
    palette.push_back(0xFF000000u | ArgbColor{static_cast<BYTE>(red[i] >> 8)} << 16 |
                      ArgbColor{static_cast<BYTE>(green[i] >> 8)} << 8 | static_cast<BYTE>(blue[i] >> 8));
  return palette;
}

void ReadMetadata(TIFF* tiff, BitmapFrame& frame) {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y)) {
    if (unit == RESUNIT_INCH) frame.SetResolution(x, y);
    if (unit == RESUNIT_CENTIMETER) frame.SetResolution(x * 2.54, y * 2.54);
  }
  uint32_t length = 0;
  BYTE* profile = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &length, &profile) && profile && length > 0)
    frame.AddColorContext(std::vector<BYTE>(profile, profile + length));
}

// Data that ends before a strip or tile it names may still be arriving.
bool EndsEarly(TIFF* tiff, std::size_t size) {
  const uint32_t count = TIFFNumberOfStrips(tiff) * (TIFFIsTiled(tiff) ? 0u : 1u) + (TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : 0u);
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t end = TIFFGetStrileOffset(tiff, i) + TIFFGetStrileByteCount(tiff, i);
    if (end > size) return true;
  }
  return false;
}

HRESULT ReadScanlines(TIFF* tiff, const Layout& layout, BitmapFrame& frame) {
  const tmsize_t fileStride = TIFFScanlineSize(tiff);
  std::vector<BYTE> fileRow(static_cast<std::size_t>(std::max<tmsize_t>(fileStride, 0)));
  if (fileRow.size() < frame.Stride() * (frame.Format() == PixelFormat::k128bppRGBFloat ? 3 : 4) / 4)
    return IMAGING_E_BADIMAGE;
  for (UINT y = 0; y < frame.Height(); ++y) {
    if (TIFFReadScanline(tiff, fileRow.data(), y, 0) < 0) return IMAGING_E_BADIMAGE;
    FixUpRow(layout, frame.Format(), fileRow, frame.MutableRow(y));
  }
  return S_OK;
}

// Anything else in 8 bits per sample (tiles, separate planes, YCbCr, LAB...) through libtiff's RGBA reader.
HRESULT ReadAsRgba(TIFF* tiff, UINT width, UINT height, std::unique_ptr<BitmapFrame>* frame) {
  HRESULT hr = BitmapFrame::Make(width, height, PixelFormat::k32bppBGRA, frame);
  if (FAILED(hr)) return hr;
  auto* pixels = reinterpret_cast<uint32_t*>((*frame)->MutablePixels().data());
  if (!TIFFReadRGBAImageOriented(tiff, width, height, pixels, ORIENTATION_TOPLEFT, 0)) return IMAGING_E_BADIMAGE;
  for (BYTE* p = (*frame)->MutablePixels().data(), *end = p + (*frame)->MutablePixels().size(); p < end; p += 4) {
    const uint32_t abgr = *reinterpret_cast<uint32_t*>(p);
    p[0] = static_cast<BYTE>(TIFFGetB(abgr));
    p[1] = static_cast<BYTE>(TIFFGetG(abgr));
    p[2] = static_cast<BYTE>(TIFFGetR(abgr));
    p[3] = static_cast<BYTE>(TIFFGetA(abgr));
  }
  return S_OK;
}

HRESULT DecodeOpened(TIFF* tiff, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame) {
  uint32_t width = 0, height = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height))
    return IMAGING_E_BADIMAGE;
  const Layout layout = ReadLayout(tiff);
  const std::optional<PixelFormat> native = TIFFIsTiled(tiff) ? std::nullopt : NativeFormat(layout);
  std::unique_ptr<BitmapFrame> made;
  HRESULT hr;
  if (native) {
    hr = BitmapFrame::Describe(width, height, *native, &made);
    if (SUCCEEDED(hr) && IsIndexed(*native)) {
      made->SetPalette(PaletteOf(tiff, layout.bits));
      if (made->Palette().empty()) hr = IMAGING_E_BADIMAGE;
    }
    if (SUCCEEDED(hr)) {
      ReadMetadata(tiff, *made);
      hr = made->PlacePixels(place);
    }
    if (SUCCEEDED(hr)) hr = ReadScanlines(tiff, layout, *made);
  } else {
    char message[1024];
    if (!TIFFRGBAImageOK(tiff, message)) return IMAGING_E_UNSUPPORTED;
    hr = ReadAsRgba(tiff, width, height, &made);
    if (SUCCEEDED(hr)) ReadMetadata(tiff, *made);
  }
  if (FAILED(hr)) return hr;
  *frame = std::move(made);
  return S_OK;
}

}  // namespace

HRESULT DecodeTiff(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame) {
  TiffSource source{data};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return E_OUTOFMEMORY;
  TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxFramePixelBytes));
  TiffHandle tiff(TIFFClientOpenExt("image", "rm", &source, ReadTiff, WriteTiff, SeekTiff, CloseTiff, SizeTiff,
                                    MapTiff, UnmapTiff, options));
  TIFFOpenOptionsFree(options);
  if (!tiff) return FirstDirectoryEndsEarly(data) ? IMAGING_E_TRUNCATED : IMAGING_E_BADIMAGE;
  const HRESULT hr = DecodeOpened(tiff.get(), place, frame);
  if (hr == IMAGING_E_BADIMAGE && EndsEarly(tiff.get(), data.size())) return IMAGING_E_TRUNCATED;
  return hr;
}

}  // namespace imaging
