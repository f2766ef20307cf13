#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <memory>
#include <new>
#include <string_view>

#include "decoded_image.h"
#include "platform/checked_int.h"
#include "platform/last_error.h"
#include "platform/utf.h"

// After the platform headers: fcntl.h defines LOCK_WRITE as a macro.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gdiplus_codecs {

GpStatus Allocate(GpImage& image, std::uint64_t width, std::uint64_t height, UINT channels) {
  if (width == 0 || height == 0) return UnknownImageFormat;
  // Each factor is checked before the product is taken, so nothing wraps.
  if (width > kMaxImagePixels || height > kMaxImagePixels || width * height > kMaxImagePixels) return OutOfMemory;
  try {
    image.pixels.assign(static_cast<std::size_t>(width * height * channels), 0);
  } catch (const std::bad_alloc&) {
    return OutOfMemory;
  }
  image.width = static_cast<UINT>(width);
  image.height = static_cast<UINT>(height);
  image.channels = channels;
  return Ok;
}

void SetResolution(GpImage& image, double dpiX, double dpiY) {
  // A resolution nobody prints at is no resolution: the default stands.
  const auto usable = [](double dpi) { return std::isfinite(dpi) && dpi >= 1 && dpi <= 1e6; };
  if (!usable(dpiX) || !usable(dpiY)) return;
  // Files that count pixels per metre store whole numbers, so 96 dpi comes
  // back as 3780 / 39.37 = 96.012: within that rounding of a whole number of
  // dots per inch, the resolution is that number, and sizes read back agree.
  const auto snapped = [](double dpi) {
    const double whole = std::round(dpi);
    return static_cast<REAL>(std::fabs(dpi - whole) <= 0.5 * 0.0254 + 1e-9 ? whole : dpi);
  };
  image.dpiX = snapped(dpiX);
  image.dpiY = snapped(dpiY);
}

GpStatus ReadImage(std::span<const BYTE> data, GpImage& image) {
  const auto startsWith = [data](std::string_view signature) {
    return data.size() >= signature.size() && std::equal(signature.begin(), signature.end(), data.begin(),
                                                         [](char a, BYTE b) { return static_cast<BYTE>(a) == b; });
  };
  if (startsWith("BM")) return ReadBmp(data, image);
  if (startsWith("GIF87a") || startsWith("GIF89a")) return ReadGif(data, image);
  return ReadWithImaging(data, image);
}

}  // namespace gdiplus_codecs

namespace {

struct FileCloser {
  int fd;
  ~FileCloser() { close(fd); }
};

// Whole file into memory; only a regular file is read, so a FIFO or a device
// named by a user's path can neither block nor stream without end.
GpStatus ReadRegularFile(const WCHAR* filename, std::vector<BYTE>& data) {
  std::u16string_view wide(filename);
  const std::optional<std::string> path = Utf16ToUtf8(wide);
  if (!path || path->empty() || path->find('\0') != std::string::npos) return InvalidParameter;
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  const int fd = open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return FileNotFound;
    }
    SetLastError(ERROR_ACCESS_DENIED);
    return AccessDenied;
  }
  const FileCloser closer{fd};
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return AccessDenied;
  }
  if (static_cast<std::uint64_t>(info.st_size) > kMaxImageFileBytes) return OutOfMemory;
  try {
    data.reserve(static_cast<std::size_t>(info.st_size));
  } catch (const std::bad_alloc&) {
    return OutOfMemory;
  }
  // Read to the end, not to st_size: a file may shrink or grow meanwhile.
  std::array<BYTE, 64 * 1024> chunk;
  for (;;) {
    const ssize_t got = read(fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(ERROR_ACCESS_DENIED);
      return AccessDenied;
    }
    if (got == 0) return Ok;
    if (data.size() + static_cast<std::size_t>(got) > kMaxImageFileBytes) return OutOfMemory;
    data.insert(data.end(), chunk.begin(), chunk.begin() + got);
  }
}

// Decodes into a new image, handed out only when whole.
GpStatus Decode(std::span<const BYTE> data, GpImage** image) {
  auto made = std::make_unique<GpImage>();
  const GpStatus status = gdiplus_codecs::ReadImage(data, *made);
  if (status == Ok) *image = made.release();
  return status;
}

// Our own identifiers for the one encoder and its format.
constexpr CLSID kPngEncoderClsid = MakeGuid("{6f1e3a52-8d47-4c0b-9a15-2e7c4b9d0a61}");
constexpr GUID kPngFormatId = MakeGuid("{6f1e3a53-8d47-4c0b-9a15-2e7c4b9d0a61}");

constexpr ImageCodecInfo kPngEncoder{kPngEncoderClsid,
                                     kPngFormatId,
                                     u"Built-in PNG Codec",
                                     nullptr,
                                     u"PNG",
                                     u"*.PNG",
                                     u"image/png",
                                     0x00010007,  // encoder, decoder, supports bitmaps, built in
                                     1,
                                     0,
                                     0,
                                     nullptr,
                                     nullptr};

}  // namespace

GpStatus GdipLoadImageFromFile(const WCHAR* filename, GpImage** image) {
  if (!filename || !image) return InvalidParameter;
  *image = nullptr;
  std::vector<BYTE> data;
  if (const GpStatus status = ReadRegularFile(filename, data); status != Ok) return status;
  return Decode(data, image);
}

GpStatus GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap) {
  if (!stream || !bitmap) return InvalidParameter;
  *bitmap = nullptr;
  std::vector<BYTE> data;
  std::array<BYTE, 64 * 1024> chunk;
  for (;;) {
    ULONG got = 0;
    if (FAILED(stream->Read(chunk.data(), static_cast<ULONG>(chunk.size()), &got)) || got > chunk.size())
      return UnknownImageFormat;
    if (got == 0) break;
    if (data.size() + got > kMaxImageFileBytes) return OutOfMemory;
    data.insert(data.end(), chunk.begin(), chunk.begin() + got);
  }
  return Decode(data, bitmap);
}

GpStatus GdipDisposeImage(GpImage* image) {
  if (!image) return InvalidParameter;
  delete image;
  return Ok;
}

GpStatus GdipGetImageWidth(GpImage* image, UINT* width) {
  if (!image || !width) return InvalidParameter;
  *width = image->width;
  return Ok;
}

GpStatus GdipGetImageHeight(GpImage* image, UINT* height) {
  if (!image || !height) return InvalidParameter;
  *height = image->height;
  return Ok;
}

GpStatus GdipGetImageHorizontalResolution(GpImage* image, REAL* resolution) {
  if (!image || !resolution) return InvalidParameter;
  *resolution = image->dpiX;
  return Ok;
}

GpStatus GdipGetImageVerticalResolution(GpImage* image, REAL* resolution) {
  if (!image || !resolution) return InvalidParameter;
  *resolution = image->dpiY;
  return Ok;
}

GpStatus GdipGetImageEncodersSize(UINT* count, UINT* size) {
  if (!count || !size) return InvalidParameter;
  *count = 1;
  *size = sizeof(ImageCodecInfo);
  return Ok;
}

GpStatus GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders) {
  if (!encoders) return InvalidParameter;
  if (count != 1 || size != sizeof(ImageCodecInfo)) return GenericError;
  encoders[0] = kPngEncoder;
  return Ok;
}

GpStatus GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                               const EncoderParameters* parameters) {
  if (!image || !stream || !encoder) return InvalidParameter;
  if (*encoder != kPngEncoderClsid) return FileNotFound;
  if (parameters) return NotImplemented;
  return gdiplus_codecs::WritePng(*image, stream);
}
