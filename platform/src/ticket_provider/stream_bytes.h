// Moving ticket bytes between streams and memory.
#pragma once

#include <string>
#include <string_view>

#include "platform/stream.h"

// Larger inputs are refused rather than read: tickets are a few kilobytes.
inline constexpr std::size_t kMaxTicketBytes = 16u << 20;

// Everything from the stream's current position to its end. Throws TicketError: the
// stream's failure, or `too_large` when the input exceeds kMaxTicketBytes.
std::string ReadRemaining(IStream* stream, HRESULT too_large, const std::string& what);
// Writes all bytes at the stream's current position; throws TicketError on failure.
void WriteAll(IStream* stream, std::string_view bytes);
