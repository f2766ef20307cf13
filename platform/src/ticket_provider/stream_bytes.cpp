#include "stream_bytes.h"

#include <algorithm>

#include "platform/hresult.h"
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
  while (!bytes.empty()) {
    const ULONG want = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 20));
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes.data(), want, &written);
    if (FAILED(hr)) throw TicketError{hr, "the result stream could not be written (" + HresultName(hr) + ")"};
    if (written == 0 || written > want) throw TicketError{STG_E_MEDIUMFULL, "the result stream took no more bytes"};
    bytes.remove_prefix(written);
  }
}
