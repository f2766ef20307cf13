#include "host/xpspipe/opened_printer.h"

#include "host/pipeline/host_error.h"
#include "platform/com.h"
#include "platform/utf.h"

namespace kestrel::xpspipe {

OpenedPrinter::OpenedPrinter(const std::filesystem::path& driver) : printer_(host::LoadDriverPrinter(driver)) {
  host::RegisterDriverPrinter(printer_);
  const std::u16string name = *Utf8ToUtf16(printer_.name);  // checked by the registration
  const HRESULT hr = PTOpenProvider(name.c_str(), 1, &provider_);
  if (FAILED(hr))
    throw host::HostError(printer_.name + ": the print ticket provider does not open: " + HresultName(hr), hr);
}

OpenedPrinter::~OpenedPrinter() { PTCloseProvider(provider_); }

ComPtr<IXMLDOMDocument2> ParseXml(const std::string& xml, const std::string& what) {
  ComPtr<IXMLDOMDocument2> document;
  HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                document.PutVoid());
  if (FAILED(hr)) throw host::HostError("the XML DOM is not available: " + HresultName(hr), hr);
  const std::optional<std::u16string> text = Utf8ToUtf16(xml);
  if (!text) throw host::HostError(what + ": not UTF-8 text", E_PRINTTICKET_FORMAT);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = document->loadXML(Bstr(*text).Get(), &loaded);
  if (FAILED(hr) || loaded != VARIANT_TRUE) throw host::HostError(what + ": not well-formed XML", E_PRINTTICKET_FORMAT);
  return document;
}

}  // namespace kestrel::xpspipe
