#include "framework/markup_write.h"

#include <limits>
#include <string>

#include "framework/markup_text.h"
#include "platform/write_in_pieces.h"
#include "ticket/hresult_error.h"

namespace {

constexpr std::size_t kLargestCall = std::numeric_limits<ULONG>::max();

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
