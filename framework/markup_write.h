// Writing markup bytes into part streams. Every write goes on after a stream
// that took only part of a piece, from the first byte it did not take, so no
// byte is skipped; a stream that takes nothing at all fails the write with
// STG_E_MEDIUMFULL, one that claims more than it was given with E_UNEXPECTED.
#pragma once

#include <cstddef>
#include <string_view>

#include "framework/markup_buffer.h"
#include "platform/print_stream.h"
#include "platform/stream.h"

// The largest piece WriteChunked hands to one WriteBytes call.
inline constexpr std::size_t kWriteChunkBytes = 65536;

// WriteBytes in order, at most kWriteChunkBytes a call, stopping at the first
// failure, which is returned. *written (may be NULL) receives the bytes the
// stream took. E_POINTER for a NULL stream, or NULL bytes with a count.
HRESULT WriteChunked(IPrintWriteStream* stream, const void* bytes, std::size_t count, std::size_t* written);

// The buffer as UTF-8 through WriteChunked; E_POINTER for a NULL stream, E_FAIL
// for a buffer without bytes to write (see ToUtf8).
HRESULT WriteText(const MarkupBuffer& text, IPrintWriteStream* stream);

// All of bytes in one call when the stream takes them (and their count fits one).
HRESULT WriteWhole(IPrintWriteStream* stream, std::string_view bytes);
HRESULT WriteWhole(ISequentialStream* stream, std::string_view bytes);
