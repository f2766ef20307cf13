#include "part_write_stream.h"

#include "platform/write_in_pieces.h"

namespace {
constexpr std::size_t kWritePiece = 65536;
}  // namespace

HRESULT PartWriteStream::Write(const void* bytes, ULONG count, ULONG* written) {
  std::size_t taken = 0;
  const HRESULT hr = WriteInPieces(
      [this](const BYTE* piece, ULONG size, ULONG* took) { return part_->WriteBytes(piece, size, took); }, bytes,
      count, kWritePiece, &taken);
  if (written) *written = static_cast<ULONG>(taken);
  if (FAILED(hr) && SUCCEEDED(failure_)) failure_ = hr;
  return hr;
}
