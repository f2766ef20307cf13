// The one loop that writes a run of bytes through a stream that may take less
// than it is given: it goes on from the first byte not taken, so none is skipped.
#pragma once

#include <algorithm>
#include <cstddef>

#include "platform/hresult.h"
#include "platform/types.h"

// write(bytes, count, &taken) -> HRESULT is called in order with pieces of at most
// pieceLimit bytes (pieceLimit fits a ULONG), stopping at the first failure, which
// is returned. A stream that takes nothing gives STG_E_MEDIUMFULL, one that claims
// more than it was given E_UNEXPECTED. *written (may be NULL) receives the bytes
// taken. NULL bytes with a count is E_POINTER.
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
