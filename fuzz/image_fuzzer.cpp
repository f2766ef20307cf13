// The image decoders (PNG, JPEG, TIFF, JPEG XR) on hostile bytes, and every
// decoded row through the conversion to 8-bit samples, as the filters read
// an image. A decoder's success must describe a frame whose rows are all there.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/imaging.h"
#include "platform/pixel_conversion.h"

// The JPEG XR decoder forks a child for each image, whose cost grows with the
// memory the process holds: a small allocator quarantine (the default lets it
// grow to 256 MB) keeps that small.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imaging;
  std::unique_ptr<BitmapDecoder> decoder;
  if (FAILED(CreateDecoderFromMemory(std::span<const BYTE>(data, size), &decoder))) return 0;
  const BitmapFrame* frame = nullptr;
  if (FAILED(decoder->GetFrame(0, &frame)) || frame == nullptr) __builtin_trap();
  if (decoder->GetFrame(1, &frame) != E_INVALIDARG) __builtin_trap();
  decoder->GetFrame(0, &frame);
  for (std::size_t i = 0; i < frame->ColorContextCount(); ++i) {
    if (frame->ColorContext(i).empty()) __builtin_trap();
  }
  RowConverter converter(frame->Format(), frame->Palette());
  std::vector<BYTE> target(std::size_t{frame->Width()} * converter.Layout().BytesPerPixel());
  std::vector<BYTE> copy(frame->Stride());
  for (UINT y = 0; y < frame->Height(); ++y) {
    const std::span<const BYTE> row = frame->Row(y);
    if (row.size() != frame->Stride()) __builtin_trap();
    converter.Convert(row, frame->Width(), target);
    if (FAILED(frame->CopyPixels(y, 1, copy))) __builtin_trap();
  }
  return 0;
}
