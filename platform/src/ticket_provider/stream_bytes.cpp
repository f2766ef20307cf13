#include "stream_bytes.h"

#include "platform/hresult.h"
#include "platform/write_in_pieces.h"
#include "ticket_error.h"

std::string ReadRemaining(IStream* stream, HRESULT too_large, const std::string& what) {
  std::string bytes;
  char chunk[16384];
  for (;;) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(chunk, sizeof chunk, &read);
    if (FAILED(hr)) throw TicketError{hr, what + ": the stream could not be read (" + HresultName(hr) + ")"};
    if (read == 0) return bytes;
    if (read > sizeof chunk || bytes.size() + read > kMaxTicketBytes)
      throw TicketError{too_large, what + ": larger than " + std::to_string(kMaxTicketBytes) + " bytes"};
    bytes.append(chunk, read);
  }
}

void WriteAll(IStream* stream, std::string_view bytes) {
  const HRESULT hr =
      WriteInPieces([stream](const BYTE* p, ULONG cb, ULONG* taken) { return stream->Write(p, cb, taken); },
                    bytes.data(), bytes.size(), 1u << 20, nullptr);
  if (hr == STG_E_MEDIUMFULL || hr == E_UNEXPECTED)
    throw TicketError{STG_E_MEDIUMFULL, "the result stream took no more bytes"};
  if (FAILED(hr)) throw TicketError{hr, "the result stream could not be written (" + HresultName(hr) + ")"};
}
