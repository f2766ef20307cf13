#include "filters/rip/resource_callbacks.h"

#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "filters/rip/image_block.h"
#include "filters/rip/resource_part.h"

static_assert(std::is_same_v<decltype(&GetXPSFontData), GetXPSFontDataFunction>);
static_assert(std::is_same_v<decltype(&GetXPSICCData), GetXPSICCDataFunction>);
static_assert(std::is_same_v<decltype(&GetXPSImageData), GetXPSImageDataFunction>);

namespace {

// A font or profile: the part's bytes in one buffer of the converter's.
INT FetchPartBytes(REFIID riid, ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                   const char* uri, BYTE** buffer, DWORD* size) {
  if (!buffer || !size) return 0;
  *buffer = nullptr;
  *size = 0;
  BYTE* made = nullptr;
  try {
    ComPtr<IPartBase> part;
    std::vector<BYTE> bytes;
    if (allocate && SUCCEEDED(FindPagePart(page, uri, riid, part.Put())) &&
        SUCCEEDED(ReadWholePart(part.Get(), std::numeric_limits<DWORD>::max(), &bytes)) && !bytes.empty()) {
      made = static_cast<BYTE*>(allocate(static_cast<DWORD>(bytes.size())));
      if (made) std::memcpy(made, bytes.data(), bytes.size());
    }
    if (made) {
      *buffer = made;
      *size = static_cast<DWORD>(bytes.size());
      return 1;
    }
  } catch (...) {
    // Nothing may leave a callback; made is still NULL here.
  }
  if (release) release(nullptr);
  return 0;
}

}  // namespace

extern "C" INT GetXPSFontData(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                              const char* uri, void*, void*, BYTE** buffer, DWORD* size) {
  return FetchPartBytes(IID_IPartFont, allocate, release, page, uri, buffer, size);
}

extern "C" INT GetXPSICCData(ConverterAllocator allocate, ConverterDeallocator release, IFixedPage* page,
                             const char* uri, void*, void*, BYTE** buffer, DWORD* size) {
  return FetchPartBytes(IID_IPartColorProfile, allocate, release, page, uri, buffer, size);
}

extern "C" INT GetXPSImageData(ConverterAllocator allocate, ConverterDeallocator, IFixedPage* page,
                               const char* uri, void*, void*, BYTE** block) {
  if (!block) return 0;
  *block = nullptr;
  try {
    ComPtr<IPartBase> part;
    std::vector<BYTE> bytes;
    if (!allocate || FAILED(FindPagePart(page, uri, IID_IPartImage, part.Put())) ||
        FAILED(ReadWholePart(part.Get(), imaging::kMaxFramePixelBytes, &bytes)))
      return 0;
    std::unique_ptr<imaging::BitmapDecoder> decoder;
    if (FAILED(imaging::CreateDecoderFromMemory(bytes, &decoder))) return 0;
    // The file's bytes are no longer needed while the block is made.
    std::vector<BYTE>().swap(bytes);
    const imaging::BitmapFrame* frame = nullptr;
    if (FAILED(decoder->GetFrame(0, &frame)) || !frame) return 0;
    return SUCCEEDED(MakeImageBlock(*frame, allocate, block)) ? 1 : 0;
  } catch (...) {
    *block = nullptr;
    return 0;
  }
}
