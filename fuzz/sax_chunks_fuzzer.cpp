// The SAX reader fed in chunks of varied sizes, so chunk ends fall inside tags,
// names, references and multi-byte characters, with a handler that asks every
// attribute question a page rewriter asks and may stop the parse at any event.
// Input: a mode byte, four chunk sizes, the event to stop at, then the document.
// Mode bit 0 parses the document as UTF-16 text instead of a stream.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/utf.h"
#include "platform/variant.h"
#include "platform/xml_sax.h"

namespace {

class ChunkedStream final : public ComObject<ISequentialStream> {
 public:
  ChunkedStream(std::string_view data, const std::array<std::uint8_t, 4>& sizes) : data_(data), sizes_(sizes) {}
  HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
    const std::size_t chunk = std::size_t{sizes_[step_++ % sizes_.size()]} + 1;
    const std::size_t n = std::min({std::size_t{size}, chunk, data_.size() - position_});
    if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    *read = static_cast<ULONG>(n);
    return n == 0 ? S_FALSE : S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

 private:
  std::string_view data_;
  std::array<std::uint8_t, 4> sizes_;
  std::size_t position_ = 0;
  std::size_t step_ = 0;
};

// Touches everything it is handed; fails the event numbered stopAt.
class Handler final : public ComObject<ISAXContentHandler> {
 public:
  explicit Handler(int stopAt) : stopAt_(stopAt) {}

  HRESULT putDocumentLocator(ISAXLocator* locator) override {
    locator_ = ComPtr<ISAXLocator>(locator);
    return Event();
  }
  HRESULT startDocument() override { return Event(); }
  HRESULT endDocument() override { return Event(); }
  HRESULT startPrefixMapping(const WCHAR* prefix, int cchPrefix, const WCHAR* uri, int cchUri) override {
    Touch(prefix, cchPrefix);
    Touch(uri, cchUri);
    return Event();
  }
  HRESULT endPrefixMapping(const WCHAR* prefix, int cchPrefix) override {
    Touch(prefix, cchPrefix);
    return Event();
  }
  HRESULT startElement(const WCHAR* uri, int cchUri, const WCHAR* local, int cchLocal, const WCHAR* qName,
                       int cchQName, ISAXAttributes* attributes) override {
    Touch(uri, cchUri);
    Touch(local, cchLocal);
    Touch(qName, cchQName);
    AskAttributes(attributes);
    return Event();
  }
  HRESULT endElement(const WCHAR* uri, int cchUri, const WCHAR* local, int cchLocal, const WCHAR* qName,
                     int cchQName) override {
    Touch(uri, cchUri);
    Touch(local, cchLocal);
    Touch(qName, cchQName);
    return Event();
  }
  HRESULT characters(const WCHAR* text, int cchText) override {
    Touch(text, cchText);
    return Event();
  }
  HRESULT ignorableWhitespace(const WCHAR* text, int cchText) override { return characters(text, cchText); }
  HRESULT processingInstruction(const WCHAR* target, int cchTarget, const WCHAR* data, int cchData) override {
    Touch(target, cchTarget);
    Touch(data, cchData);
    return Event();
  }
  HRESULT skippedEntity(const WCHAR*, int) override { return E_UNEXPECTED; }

 private:
  // Reads every unit and the terminating zero, so a wrong length shows under ASan.
  static unsigned Touch(const WCHAR* text, int length) {
    unsigned sum = 0;
    if (text == nullptr) return sum;
    for (int i = 0; i <= length; ++i) sum += text[i];
    return sum;
  }

  void AskAttributes(ISAXAttributes* attributes) {
    int length = 0;
    if (FAILED(attributes->getLength(&length))) return;
    for (int i = -1; i <= length; ++i) {
      const WCHAR *uri = nullptr, *local = nullptr, *qName = nullptr, *value = nullptr;
      int cchUri = 0, cchLocal = 0, cchQName = 0, cchValue = 0;
      if (FAILED(attributes->getName(i, &uri, &cchUri, &local, &cchLocal, &qName, &cchQName))) continue;
      Touch(uri, cchUri);
      Touch(local, cchLocal);
      attributes->getQName(i, &qName, &cchQName);
      if (SUCCEEDED(attributes->getValue(i, &value, &cchValue))) Touch(value, cchValue);
      int index = -1;
      attributes->getIndexFromQName(qName, cchQName, &index);
      if (SUCCEEDED(attributes->getValueFromQName(qName, cchQName, &value, &cchValue))) Touch(value, cchValue);
    }
    int line = 0, column = 0;
    if (locator_) {
      locator_->getLineNumber(&line);
      locator_->getColumnNumber(&column);
    }
  }

  HRESULT Event() { return events_++ == stopAt_ ? E_ABORT : S_OK; }

  ComPtr<ISAXLocator> locator_;
  int stopAt_;
  int events_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::FuzzInput input(data, size);
  const std::uint8_t mode = input.Byte();
  const std::array<std::uint8_t, 4> sizes{input.Byte(), input.Byte(), input.Byte(), input.Byte()};
  const std::uint8_t stop = input.Byte();
  const std::string_view document = input.Rest();

  ComPtr<ISAXXMLReader> reader;
  if (FAILED(CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_ALL, IID_ISAXXMLReader, reader.PutVoid()))) {
    __builtin_trap();
  }
  // 255 never stops: most runs parse to the end.
  const ComPtr<Handler> handler = MakeComObject<Handler>(stop == 255 ? -1 : stop);
  reader->putContentHandler(handler.Get());

  Variant source;
  ComPtr<ChunkedStream> stream;
  if (mode & 1) {
    const auto text = Utf8ToUtf16(document);
    if (!text) return 0;
    source->vt = VT_BSTR;
    source->bstrVal = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
  } else {
    stream = MakeComObject<ChunkedStream>(document, sizes);
    source->vt = VT_UNKNOWN;
    source->punkVal = stream.Get();
    stream->AddRef();  // the variant owns one reference
  }
  const HRESULT hr = reader->parse(*source.Get());
  int line = 0, column = 0;
  Bstr message;
  reader->getParseError(&line, &column, message.Put());
  if (SUCCEEDED(hr) && message.Get() != nullptr) __builtin_trap();  // a success must report no error
  return 0;
}
