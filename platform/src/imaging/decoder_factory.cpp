#include "platform/imaging.h"

#include "decoders.h"
#include "platform/checked_int.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace imaging {
namespace {

// Reads in chunks until the stream reports its end: a stream may hand out
// fewer bytes than asked at any time.
HRESULT ReadToEnd(IStream* stream, std::vector<BYTE>* data) {
  std::array<BYTE, 64 * 1024> chunk;
  for (;;) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(chunk.data(), static_cast<ULONG>(chunk.size()), &read);
    if (FAILED(hr)) return hr;
    if (read == 0) return S_OK;
    if (read > chunk.size()) return E_UNEXPECTED;
    // A decoded frame is bounded; a file bigger than that bound is no image we keep.
    if (data->size() + read > kMaxFramePixelBytes) return IMAGING_E_TOOLARGE;
    try {
      data->insert(data->end(), chunk.begin(), chunk.begin() + read);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
}

bool StartsWith(std::span<const BYTE> data, std::initializer_list<BYTE> signature) {
  return data.size() >= signature.size() && std::equal(signature.begin(), signature.end(), data.begin());
}

}  // namespace

HRESULT CreateDecoderFromMemory(std::span<const BYTE> data, std::unique_ptr<BitmapDecoder>* decoder,
                                const PixelPlacement& place) {
  if (!decoder) return E_POINTER;
  decoder->reset();
  // Fewer bytes than any signature: possibly the start of an image still arriving.
  if (data.size() < 8) return IMAGING_E_TRUNCATED;
  std::unique_ptr<BitmapFrame> frame;
  ContainerFormat container;
  HRESULT hr;
  if (StartsWith(data, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
    container = ContainerFormat::kPng;
    hr = DecodePng(data, place, &frame);
  } else if (StartsWith(data, {0xFF, 0xD8, 0xFF})) {
    container = ContainerFormat::kJpeg;
    hr = DecodeJpeg(data, place, &frame);
  } else if (StartsWith(data, {'I', 'I', 42, 0}) || StartsWith(data, {'M', 'M', 0, 42})) {
    container = ContainerFormat::kTiff;
    hr = DecodeTiff(data, place, &frame);
  } else if (StartsWith(data, {'I', 'I', 0xBC})) {
    container = ContainerFormat::kJpegXr;
    hr = DecodeJpegXr(data, place, &frame);
  } else {
    return IMAGING_E_BADIMAGE;
  }
  if (FAILED(hr)) return hr;
  decoder->reset(new (std::nothrow) BitmapDecoder(container, std::move(frame)));
  return *decoder ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateDecoderFromStream(IStream* stream, std::unique_ptr<BitmapDecoder>* decoder) {
  if (!stream || !decoder) return E_POINTER;
  decoder->reset();
  std::vector<BYTE> data;
  const HRESULT hr = ReadToEnd(stream, &data);
  if (FAILED(hr)) return hr;
  return CreateDecoderFromMemory(data, decoder);
}

}  // namespace imaging
