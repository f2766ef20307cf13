#include "host/xpspipe/opened_printer.h"

#include "host/pipeline/host_error.h"
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

}  // namespace kestrel::xpspipe
