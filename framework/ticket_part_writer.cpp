#include "framework/ticket_part_writer.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "platform/com.h"
#include "platform/format.h"
#include "platform/stream.h"

namespace {

constexpr ULONG kCopyBufferBytes = 65536;
// Names drawn before a refusal of the name is given up as the result.
constexpr int kNameAttempts = 16;
constexpr HRESULT kPartNameInUse = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);

HRESULT WriteAll(IPrintWriteStream* stream, const std::byte* bytes, ULONG count) {
  while (count > 0) {
    ULONG written = 0;
    const HRESULT hr = stream->WriteBytes(bytes, count, &written);
    if (FAILED(hr)) return hr;
    // A stream that takes nothing would never finish.
    if (written == 0 || written > count) return E_FAIL;
    bytes += written;
    count -= written;
  }
  return S_OK;
}

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
    hr = WriteAll(part, buffer.get(), read);
    if (FAILED(hr)) return hr;
  }
}

HRESULT NewTicketPart(IXpsDocumentConsumer* consumer, LPCWSTR tag, IPartPrintTicket** part,
                      ComPtr<IPrintWriteStream>* stream) {
  HRESULT hr = kPartNameInUse;
  for (int attempt = 0; attempt < kNameAttempts && hr == kPartNameInUse; ++attempt) {
    const Formatted<std::u16string> name =
        FormatWide(u"/PT_%ws_%u_%u.xml", tag, GetTickCount(), static_cast<unsigned>(std::rand()));
    if (!name) return name.hr;
    hr = consumer->GetNewEmptyPart(name.text.c_str(), IID_IPartPrintTicket, reinterpret_cast<void**>(part),
                                   stream->Put());
  }
  return hr;
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
