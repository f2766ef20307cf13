// The reader class behind CLSID_SAXXMLReader60: input dispatch, the last
// failure, and registration with the class registry.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include <libxml/parser.h>

#include "platform/checked_int.h"
#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/utf.h"
#include "platform/xml_sax.h"
#include "sax_push_parser.h"

namespace {

// A message with bytes that are not UTF-8 keeps its ASCII and marks the rest.
std::u16string MessageText(const std::string& message) {
  if (std::optional<std::u16string> text = Utf8ToUtf16(message)) return *std::move(text);
  std::u16string text;
  for (const char c : message) text.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?');
  return text;
}

ByteReader StreamReader(ISequentialStream* stream) {
  return [stream](char* buffer, ULONG capacity, ULONG* read) { return stream->Read(buffer, capacity, read); };
}

ByteReader TextReader(const std::string& utf8) {
  return [&utf8, offset = std::size_t{0}](char* buffer, ULONG capacity, ULONG* read) mutable {
    const std::size_t n = std::min<std::size_t>(capacity, utf8.size() - offset);
    std::memcpy(buffer, utf8.data() + offset, n);
    offset += n;
    *read = static_cast<ULONG>(n);
    return S_OK;
  };
}

class SaxXmlReader final : public ComObject<ISAXXMLReader> {
 public:
  HRESULT putContentHandler(ISAXContentHandler* handler) override {
    handler_ = ComPtr<ISAXContentHandler>(handler);
    return S_OK;
  }

  HRESULT getContentHandler(ISAXContentHandler** handler) override { return handler_.CopyTo(handler); }

  HRESULT parse(VARIANT input) override {
    if (parsing_) return E_UNEXPECTED;
    parsing_ = true;
    HRESULT hr;
    try {
      hr = ParseInput(input);
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    }
    parsing_ = false;
    return hr;
  }

  HRESULT getParseError(int* line, int* column, BSTR* message) override {
    if (!line || !column || !message) return E_POINTER;
    *line = 0;
    *column = 0;
    *message = nullptr;
    if (SUCCEEDED(lastResult_)) return S_FALSE;
    const std::u16string text = MessageText(lastFailure_.message);
    const std::optional<UINT> length = TryIntCast<UINT>(text.size());
    if (!length) return E_OUTOFMEMORY;
    *message = SysAllocStringLen(text.data(), *length);
    if (!*message) return E_OUTOFMEMORY;
    *line = lastFailure_.line;
    *column = lastFailure_.column;
    return S_OK;
  }

 private:
  HRESULT ParseInput(const VARIANT& input) {
    lastFailure_ = {};
    lastResult_ = ParseAny(input);
    if (FAILED(lastResult_) && lastFailure_.message.empty()) lastFailure_ = parser_.Failure();
    return lastResult_;
  }

  HRESULT ParseAny(const VARIANT& input) {
    // The handler may replace itself during the parse; this parse keeps its own.
    const ComPtr<ISAXContentHandler> handler = handler_;
    if (input.vt == VT_BSTR) {
      const std::u16string_view text(input.bstrVal ? input.bstrVal : u"", SysStringLen(input.bstrVal));
      const std::optional<std::string> utf8 = Utf16ToUtf8(text);
      if (!utf8) return Refuse(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION), "the text has an unpaired surrogate");
      return parser_.Parse(handler.Get(), TextReader(*utf8), true);
    }
    if (input.vt != VT_UNKNOWN || !input.punkVal)
      return Refuse(E_INVALIDARG, "the input is neither a stream nor a string");
    ComPtr<ISequentialStream> stream;
    const HRESULT hr = input.punkVal->QueryInterface(IID_ISequentialStream, stream.PutVoid());
    if (FAILED(hr)) return Refuse(hr, "the input object is not a stream");
    return parser_.Parse(handler.Get(), StreamReader(stream.Get()), false);
  }

  HRESULT Refuse(HRESULT hr, std::string message) {
    lastFailure_ = {0, 0, std::move(message)};
    return hr;
  }

  ComPtr<ISAXContentHandler> handler_;
  SaxPushParser parser_;
  HRESULT lastResult_ = S_OK;
  ParseFailure lastFailure_;
  bool parsing_ = false;
};

HRESULT CreateSaxXmlReader(REFIID riid, void** ppv) {
  static std::once_flag libxmlReady;
  std::call_once(libxmlReady, xmlInitParser);
  const ComPtr<ISAXXMLReader> reader = MakeComObject<SaxXmlReader, ISAXXMLReader>();
  if (!reader) return E_OUTOFMEMORY;
  return reader->QueryInterface(riid, ppv);
}

const ClassRegistration registration{CLSID_SAXXMLReader60, CreateSaxXmlReader};

}  // namespace
