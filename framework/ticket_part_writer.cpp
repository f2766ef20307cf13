#include "framework/ticket_part_writer.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "framework/fresh_part.h"
#include "framework/markup_write.h"
#include "platform/com.h"
#include "platform/format.h"
#include "platform/stream.h"

namespace {

constexpr ULONG kCopyBufferBytes = 65536;

HRESULT CopyTicket(IStream* ticket, IPrintWriteStream* part) {
  LARGE_INTEGER start{};
  HRESULT hr = ticket->Seek(start, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  const std::unique_ptr<std::byte[]> buffer(new (std::nothrow) std::byte[kCopyBufferBytes]);
  if (!buffer) return E_OUTOFMEMORY;
  for (;;) {
    ULONG read = 0;
    hr = ticket->Read(buffer.get(), kCopyBufferBytes, &read);
    if (FAILED(hr)) return hr;
    if (read == 0) return S_OK;
    if (read > kCopyBufferBytes) return E_FAIL;
    hr = WriteChunked(part, buffer.get(), read, nullptr);
    if (FAILED(hr)) return hr;
  }
}

HRESULT NewTicketPart(IXpsDocumentConsumer* consumer, LPCWSTR tag, IPartPrintTicket** part,
                      ComPtr<IPrintWriteStream>* stream) {
  const auto nextName = [tag](std::u16string* name) {
    Formatted<std::u16string> formatted =
        FormatWide(u"/PT_%ws_%u_%u.xml", tag, GetTickCount(), static_cast<unsigned>(std::rand()));
    if (!formatted) return formatted.hr;
    *name = std::move(formatted.text);
    return S_OK;
  };
  return NewPartUnderFreshName(consumer, nextName, IID_IPartPrintTicket, reinterpret_cast<void**>(part), stream);
}

}  // namespace

HRESULT WriteTicketPart(IXpsDocumentConsumer* consumer, IXMLDOMDocument2* ticket, LPCWSTR tag,
                        IPartPrintTicket** part) {
  if (!ticket || !part || !tag) return E_POINTER;
  if (!consumer) return E_PENDING;
  *part = nullptr;
  ComPtr<IStream> serialised;
  HRESULT hr = ticket->QueryInterface(IID_IStream, serialised.PutVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IPartPrintTicket> made;
  ComPtr<IPrintWriteStream> stream;
  hr = NewTicketPart(consumer, tag, made.Put(), &stream);
  if (FAILED(hr)) return hr;
  if (!made || !stream) return E_FAIL;
  hr = CopyTicket(serialised.Get(), stream.Get());
  stream->Close();
  if (FAILED(hr)) return hr;
  *part = made.Detach();
  return S_OK;
}
