#include "decoders.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jpegxr_codec.h"
#include "tiff_directory.h"
#include "platform/pixel_conversion.h"

namespace imaging {
namespace {

// jxrlib's pixel formats share one GUID but for the last byte.
std::optional<PixelFormat> FormatOf(int id) {
  using enum PixelFormat;
  struct Entry {
    unsigned char id;
    PixelFormat format;
  };
  static constexpr Entry kFormats[] = {
      {0x05, kBlackWhite}, {0x08, k8bppGray}, {0x09, k16bppBGR555}, {0x0a, k16bppBGR565}, {0x0b, k16bppGray},
      {0x0c, k24bppBGR}, {0x0d, k24bppRGB}, {0x0e, k32bppBGR}, {0x0f, k32bppBGRA}, {0x10, k32bppPBGRA},
      {0x11, k32bppGrayFloat}, {0x12, k48bppRGBFixedPoint}, {0x13, k16bppGrayFixedPoint},
      {0x14, k32bppBGR101010}, {0x15, k48bppRGB}, {0x16, k64bppRGBA}, {0x17, k64bppPRGBA},
      {0x18, k96bppRGBFixedPoint}, {0x19, k128bppRGBAFloat}, {0x1a, k128bppPRGBAFloat}, {0x1b, k128bppRGBFloat},
      {0x1c, k32bppCMYK}, {0x1d, k64bppRGBAFixedPoint}, {0x1e, k128bppRGBAFixedPoint}, {0x1f, k64bppCMYK},
      {0x20, k24bpp3Channels}, {0x21, k32bpp4Channels}, {0x22, k40bpp5Channels}, {0x23, k48bpp6Channels},
      {0x24, k56bpp7Channels}, {0x25, k64bpp8Channels}, {0x26, k48bpp3Channels}, {0x27, k64bpp4Channels},
      {0x28, k80bpp5Channels}, {0x29, k96bpp6Channels}, {0x2a, k112bpp7Channels}, {0x2b, k128bpp8Channels},
      {0x2c, k40bppCMYKAlpha}, {0x2d, k80bppCMYKAlpha}, {0x2e, k32bpp3ChannelsAlpha},
      {0x2f, k40bpp4ChannelsAlpha}, {0x30, k48bpp5ChannelsAlpha}, {0x31, k56bpp6ChannelsAlpha},
      {0x32, k64bpp7ChannelsAlpha}, {0x33, k72bpp8ChannelsAlpha}, {0x34, k64bpp3ChannelsAlpha},
      {0x35, k80bpp4ChannelsAlpha}, {0x36, k96bpp5ChannelsAlpha}, {0x37, k112bpp6ChannelsAlpha},
      {0x38, k128bpp7ChannelsAlpha}, {0x39, k144bpp8ChannelsAlpha}, {0x3a, k64bppRGBAHalf},
      {0x3b, k48bppRGBHalf}, {0x3d, k32bppRGBE}, {0x3e, k16bppGrayHalf}, {0x3f, k32bppGrayFixedPoint},
      {0x40, k64bppRGBFixedPoint}, {0x41, k128bppRGBFixedPoint}, {0x42, k64bppRGBHalf},
  };
  for (const Entry& entry : kFormats)
    if (entry.id == id) return entry.format;
  return std::nullopt;
}

HRESULT Result(jpegxr::Status status) {
  switch (status) {
    case jpegxr::Status::kOk: return S_OK;
    case jpegxr::Status::kNoMemory: return E_OUTOFMEMORY;
    case jpegxr::Status::kBadImage: break;
  }
  return IMAGING_E_BADIMAGE;
}

// jxrlib trusts the coded data: a hostile image makes it assert or read
// through wild pointers, in the container and in the entropy decoder. Every
// call that reads coded data is therefore first made in a child process,
// here with `shared` bytes of memory it shares with this one, so that such an
// image fails alone. work: the call, given the shared memory.
template <typename Work>
jpegxr::Status InChild(std::size_t shared, Work&& work, BYTE* out = nullptr) {
  void* memory = mmap(nullptr, std::max<std::size_t>(shared, 1), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                      -1, 0);
  if (memory == MAP_FAILED) return jpegxr::Status::kNoMemory;
  const pid_t child = fork();
  if (child == 0) {
    // A hostile image ends the child with the signal it raised, quietly: the
    // process's own crash handlers (a sanitizer's report, say) are not for it.
    for (const int fatal : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL}) std::signal(fatal, SIG_DFL);
    _exit(static_cast<int>(work(static_cast<BYTE*>(memory))));
  }
  int how = 0;
  pid_t waited = -1;
  if (child > 0) {
    do waited = waitpid(child, &how, 0);
    while (waited == -1 && errno == EINTR);
  }
  jpegxr::Status status = jpegxr::Status::kNoMemory;  // no child could be made
  if (waited == child) {
    status = WIFEXITED(how) && WEXITSTATUS(how) <= static_cast<int>(jpegxr::Status::kNoMemory)
                 ? static_cast<jpegxr::Status>(WEXITSTATUS(how))
                 : jpegxr::Status::kBadImage;
  }
  if (status == jpegxr::Status::kOk && out) std::memcpy(out, memory, shared);
  munmap(memory, std::max<std::size_t>(shared, 1));
  return status;
}

}  // namespace

HRESULT DecodeJpegXr(std::span<const BYTE> data, const PixelPlacement& place, std::unique_ptr<BitmapFrame>* frame) {
  // jxrlib decodes whatever part of the coded image is there: look first.
  if (FirstDirectoryEndsEarly(data)) return IMAGING_E_TRUNCATED;
  jpegxr::Status status = InChild(0, [&](BYTE*) { return jpegxr::Codec().Open(data); });
  if (status != jpegxr::Status::kOk) return Result(status);
  jpegxr::Codec codec;
  status = codec.Open(data);
  if (status != jpegxr::Status::kOk) return Result(status);
  const std::optional<PixelFormat> format = FormatOf(codec.FormatId());
  if (!format) return IMAGING_E_UNSUPPORTED;
  // jxrlib decodes alpha interleaved with the colour only by leaking its alpha
  // decoder (some 40 KB an image), and without it drops the channel: refused.
  if (EightBitLayoutOf(*format).alpha && !codec.PlanarAlpha()) return IMAGING_E_UNSUPPORTED;
  std::unique_ptr<BitmapFrame> made;
  HRESULT hr = BitmapFrame::Describe(codec.Width(), codec.Height(), *format, &made);
  if (FAILED(hr)) return hr;
  made->SetResolution(codec.DpiX(), codec.DpiY());
  std::vector<BYTE> profile = codec.ColorContext();
  if (!profile.empty()) made->AddColorContext(std::move(profile));
  hr = made->PlacePixels(place);
  if (FAILED(hr)) return hr;
  // Decoded into a buffer padded to whole macroblocks, then the image's own rows kept.
  const std::size_t paddedStride = (std::size_t{(codec.Width() + 15) & ~15u} * BitsPerPixel(*format) + 7) / 8;
  const std::size_t paddedRows = (std::size_t{codec.Height()} + 15) & ~std::size_t{15};
  std::unique_ptr<BYTE[]> padded(new (std::nothrow) BYTE[paddedStride * paddedRows]);
  if (!padded) return E_OUTOFMEMORY;
  status = InChild(
      paddedStride * paddedRows, [&](BYTE* shared) { return codec.CopyAll(shared, paddedStride); }, padded.get());
  if (status != jpegxr::Status::kOk) return Result(status);
  for (UINT y = 0; y < made->Height(); ++y)
    std::memcpy(made->MutableRow(y).data(), padded.get() + paddedStride * y, made->Stride());
  *frame = std::move(made);
  return S_OK;
}

}  // namespace imaging
