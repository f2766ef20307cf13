// The first frame of a GIF (giflib), drawn on the logical screen: the image
// has the screen's size, RGBA, transparent where the frame does not reach or
// where its graphic control names a transparent index. Only that frame is
// decoded, however many follow.
#include <gif_lib.h>

#include <algorithm>
#include <memory>

#include "decoded_image.h"

namespace gdiplus_codecs {
namespace {

struct GifSource {
  std::span<const BYTE> data;
  std::size_t position = 0;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  const std::size_t wanted = count < 0 ? 0 : static_cast<std::size_t>(count);
  const std::size_t taken = std::min(wanted, source->data.size() - source->position);
  std::copy_n(source->data.data() + source->position, taken, out);
  source->position += taken;
  return static_cast<int>(taken);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

// Skips an extension, keeping the transparent index of a graphic control.
bool ReadExtension(GifFileType* gif, int& transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
    GraphicsControlBlock control{};
    if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

// The file row of each decoded line: interlaced frames come in four passes.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> order;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  return order;
}

GpStatus ReadFrame(GifFileType* gif, int transparent, GpImage& image) {
  if (DGifGetImageDesc(gif) != GIF_OK) return UnknownImageFormat;
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours || !colours->Colors || frame.Width <= 0 || frame.Height <= 0) return UnknownImageFormat;
  if (static_cast<std::uint64_t>(frame.Width) * static_cast<std::uint64_t>(frame.Height) > kMaxImagePixels)
    return OutOfMemory;
  // A screen of no size is the frame's own.
  const std::uint64_t width = gif->SWidth > 0 ? static_cast<std::uint64_t>(gif->SWidth)
                                              : static_cast<std::uint64_t>(frame.Left) + static_cast<std::uint64_t>(frame.Width);
  const std::uint64_t height = gif->SHeight > 0 ? static_cast<std::uint64_t>(gif->SHeight)
                                                : static_cast<std::uint64_t>(frame.Top) + static_cast<std::uint64_t>(frame.Height);
  if (const GpStatus status = Allocate(image, width, height, 4); status != Ok) return status;
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  for (const int y : RowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK) return UnknownImageFormat;
    const std::uint64_t row = static_cast<std::uint64_t>(frame.Top) + static_cast<std::uint64_t>(y);
    if (row >= height) continue;
    for (int x = 0; x < frame.Width; ++x) {
      const std::uint64_t column = static_cast<std::uint64_t>(frame.Left) + static_cast<std::uint64_t>(x);
      const int index = line[static_cast<std::size_t>(x)];
      if (column >= width || index == transparent || index >= colours->ColorCount) continue;
      BYTE* out = image.pixels.data() + (row * width + column) * 4;
      const GifColorType& colour = colours->Colors[index];
      out[0] = colour.Red;
      out[1] = colour.Green;
      out[2] = colour.Blue;
      out[3] = 255;
    }
  }
  return Ok;
}

}  // namespace

GpStatus ReadGif(std::span<const BYTE> data, GpImage& image) {
  GifSource source{data};
  int error = 0;
  const std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifBytes, &error));
  if (!gif) return error == D_GIF_ERR_NOT_ENOUGH_MEM ? OutOfMemory : UnknownImageFormat;
  int transparent = -1;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return UnknownImageFormat;
    switch (record) {
      case IMAGE_DESC_RECORD_TYPE:
        return ReadFrame(gif.get(), transparent, image);
      case EXTENSION_RECORD_TYPE:
        if (!ReadExtension(gif.get(), transparent)) return UnknownImageFormat;
        break;
      default:  // the end, or garbage: no frame
        return UnknownImageFormat;
    }
  }
}

}  // namespace gdiplus_codecs
