#include "pad_page.h"

#include "framework/fresh_part.h"
#include "framework/markup_write.h"
#include "framework/sequential_read_adapter.h"
#include "pad_page_markup.h"
#include "pad_page_writer.h"
#include "platform/com.h"
#include "platform/format.h"
#include "platform/variant.h"
#include "platform/xml_sax.h"
#include "ticket/hresult_error.h"

namespace {

HRESULT ParseRoot(IFixedPage* templatePage, PadPageWriter* writer) {
  ComPtr<ISAXXMLReader> reader;
  HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_INPROC_SERVER, IID_ISAXXMLReader,
                                reader.PutVoid());
  if (FAILED(hr)) return hr;
  hr = reader->putContentHandler(writer);
  if (FAILED(hr)) return hr;
  ComPtr<IPrintReadStream> stream;
  hr = templatePage->GetStream(stream.Put());
  if (FAILED(hr)) return hr;
  if (!stream) return E_FAIL;
  const ComPtr<ISequentialStream> adapter = ComPtr<ISequentialStream>::Attach(new SequentialReadAdapter(stream.Get()));
  VARIANT input;
  VariantInit(&input);
  input.vt = VT_UNKNOWN;
  input.punkVal = adapter.Get();  // borrowed: not cleared
  hr = reader->parse(input);
  if (hr == kPadPageRootCopied && writer->rootCopied()) return S_OK;
  // A document always has a root; a reader that ends without one failed.
  return FAILED(hr) ? hr : E_FAIL;
}

}  // namespace

HRESULT ReadPadPageMarkup(IFixedPage* templatePage, std::string* markup) {
  if (!templatePage || !markup) return E_POINTER;
  return CallReturningHresult([&] {
    const ComPtr<PadPageWriter> writer = ComPtr<PadPageWriter>::Attach(new PadPageWriter);
    const HRESULT hr = ParseRoot(templatePage, writer.Get());
    if (FAILED(hr)) return hr;
    return ToUtf8(writer->markup(), markup);
  });
}

HRESULT PadPageNames::Next(std::u16string* name) {
  ++serial_;
  Formatted<std::u16string> formatted = FormatWide(u"/Pad_page_%u_%u.xaml", GetTickCount(), serial_);
  if (!formatted) return formatted.hr;
  *name = std::move(formatted.text);
  return S_OK;
}

HRESULT CreatePadPage(IXpsDocumentConsumer* consumer, std::string_view markup, PadPageNames& names,
                      ComPtr<IFixedPage>* page) {
  if (!page) return E_POINTER;
  if (!consumer) return E_PENDING;
  return CallReturningHresult([&] {
    ComPtr<IFixedPage> made;
    ComPtr<IPrintWriteStream> stream;
    HRESULT hr = NewPartUnderFreshName(
        consumer, [&names](std::u16string* name) { return names.Next(name); }, IID_IFixedPage, made.PutVoid(), &stream);
    if (FAILED(hr)) return hr;
    if (!stream) return E_FAIL;
    hr = made ? WriteChunked(stream.Get(), markup.data(), markup.size(), nullptr) : E_FAIL;
    stream->Close();
    if (FAILED(hr)) return hr;
    *page = std::move(made);
    return S_OK;
  });
}
