#include "framework/markup_write.h"

#include <algorithm>
#include <limits>
#include <string>

#include "framework/hresult_error.h"
#include "framework/markup_text.h"

namespace {

constexpr std::size_t kLargestCall = std::numeric_limits<ULONG>::max();

// write(bytes, count, &taken) -> HRESULT, called in order with pieces of at most
// pieceLimit bytes.
template <class Write>
HRESULT WriteInPieces(Write write, const void* bytes, std::size_t count, std::size_t pieceLimit,
                      std::size_t* written) {
  if (written) *written = 0;
  if (!bytes && count > 0) return E_POINTER;
  const BYTE* next = static_cast<const BYTE*>(bytes);
  std::size_t left = count;
  while (left > 0) {
    const ULONG piece = static_cast<ULONG>(std::min(left, pieceLimit));
    ULONG taken = 0;
    const HRESULT hr = write(next, piece, &taken);
    if (FAILED(hr)) return hr;
    if (taken > piece) return E_UNEXPECTED;
    if (taken == 0) return STG_E_MEDIUMFULL;
    next += taken;
    left -= taken;
    if (written) *written += taken;
  }
  return S_OK;
}

}  // namespace

HRESULT WriteChunked(IPrintWriteStream* stream, const void* bytes, std::size_t count, std::size_t* written) {
  if (written) *written = 0;
  if (!stream) return E_POINTER;
  return WriteInPieces([stream](const BYTE* p, ULONG cb, ULONG* taken) { return stream->WriteBytes(p, cb, taken); },
                       bytes, count, kWriteChunkBytes, written);
}

HRESULT WriteText(const MarkupBuffer& text, IPrintWriteStream* stream) {
  if (!stream) return E_POINTER;
  return CallReturningHresult([&] {
    const std::string bytes = ToUtf8(text);
    return WriteChunked(stream, bytes.data(), bytes.size(), nullptr);
  });
}

HRESULT WriteWhole(IPrintWriteStream* stream, std::string_view bytes) {
  if (!stream) return E_POINTER;
  return WriteInPieces([stream](const BYTE* p, ULONG cb, ULONG* taken) { return stream->WriteBytes(p, cb, taken); },
                       bytes.data(), bytes.size(), kLargestCall, nullptr);
}

HRESULT WriteWhole(ISequentialStream* stream, std::string_view bytes) {
  if (!stream) return E_POINTER;
  return WriteInPieces([stream](const BYTE* p, ULONG cb, ULONG* taken) { return stream->Write(p, cb, taken); },
                       bytes.data(), bytes.size(), kLargestCall, nullptr);
}
