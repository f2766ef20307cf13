// The print ticket provider and the settings readers on hostile tickets, for the
// reference printer: merge (the input's first ticket as base, its second, after
// a NUL byte, or the printer's default as delta), capabilities, DEVMODE and what
// `xpspipe ticket show` and the describers print. The first byte picks the scope
// (bits 0-1), text or JSON (bit 2) and the path (bits 3-4: merge; the describer and
// DEVMODE; capabilities and the settings readers).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/description/devmode_description.h"
#include "driver/description/schema_description.h"
#include "driver/devmode/kestrel_devmode_extension.h"
#include "fuzz_input.h"
#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/print_ticket_provider.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "platform/xml_dom.h"
#include "ticket/settings_json.h"

namespace {

ComPtr<IStream> StreamOf(std::string_view bytes) {
  ComPtr<IStream> stream;
  ULONG written = 0;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) ||
      FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
      FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) {
    __builtin_trap();
  }
  return stream;
}

std::string TextOf(IStream* stream) {
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  std::string text;
  char buffer[4096];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) text.append(buffer, read);
  return text;
}

// The provider for the reference printer, opened once for the process.
struct Printer {
  HPTPROVIDER provider = nullptr;
  std::string default_ticket;

  Printer() {
    if (FAILED(RegisterPrinter(u"Fuzz Printer", KESTREL_PRINTER_DESCRIPTION, nullptr, KestrelDevModeExtension())) ||
        FAILED(PTOpenProvider(u"Fuzz Printer", 1, &provider))) {
      __builtin_trap();
    }
    const ComPtr<IStream> ticket = StreamOf("");
    if (FAILED(WritePrinterDefaultTicket(provider, ticket.Get(), nullptr))) __builtin_trap();
    default_ticket = TextOf(ticket.Get());
  }
};

const Printer& ThePrinter() {
  static const Printer printer;
  return printer;
}

std::optional<std::string> Merge(HPTPROVIDER provider, std::string_view base, std::string_view delta,
                                 EPrintTicketScope scope) {
  const ComPtr<IStream> result = StreamOf("");
  Bstr message;
  if (FAILED(PTMergeAndValidatePrintTicket(provider, StreamOf(base).Get(), StreamOf(delta).Get(), scope,
                                           result.Get(), message.Put()))) {
    return std::nullopt;
  }
  return TextOf(result.Get());
}

std::optional<std::string> Capabilities(HPTPROVIDER provider, std::string_view ticket) {
  const ComPtr<IStream> capabilities = StreamOf("");
  Bstr message;
  if (FAILED(PTGetPrintCapabilities(provider, StreamOf(ticket).Get(), capabilities.Get(), message.Put()))) {
    return std::nullopt;
  }
  return TextOf(capabilities.Get());
}

void DevMode(HPTPROVIDER provider, std::string_view ticket, EPrintTicketScope scope, bool json) {
  ULONG size = 0;
  PDEVMODE devmode = nullptr;
  Bstr message;
  if (FAILED(PTConvertPrintTicketToDevMode(provider, StreamOf(ticket).Get(), kUserDefaultDevmode, scope, &size,
                                           &devmode, message.Put()))) {
    return;
  }
  DescribeDevMode(devmode, size, json);
  PTReleaseMemory(devmode);
}

ComPtr<IXMLDOMDocument2> Parse(std::string_view xml) {
  ComPtr<IXMLDOMDocument2> document;
  if (FAILED(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                              document.PutVoid()))) {
    __builtin_trap();
  }
  const std::optional<std::u16string> text = Utf8ToUtf16(xml);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (!text || document->loadXML(Bstr(*text).Get(), &loaded) != S_OK || loaded != VARIANT_TRUE) return {};
  return document;
}

// `xpspipe ticket show`: the settings readers over the ticket and its capabilities.
void Show(std::string_view ticket, const std::string& capabilities) {
  const ComPtr<IXMLDOMDocument2> ticket_document = Parse(ticket);
  const ComPtr<IXMLDOMDocument2> capabilities_document = Parse(capabilities);
  if (!ticket_document || !capabilities_document) return;
  std::string json;
  DescribeSettingsJson(ticket_document.Get(), capabilities_document.Get(), &json);
}

void Describe(std::string_view xml, bool json) {
  std::string description;
  Bstr message;
  DescribePrintSchemaDocument(xml, json, &description, message.Put());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Printer& printer = ThePrinter();
  kestrel::fuzz::FuzzInput input(data, size);
  const std::uint8_t mode = input.Byte();
  const auto scope = static_cast<EPrintTicketScope>(mode % 3);
  const bool json = (mode & 4) != 0;
  const std::string_view ticket = input.Until('\0');
  const std::string_view delta = input.Empty() ? std::string_view(printer.default_ticket) : input.Rest();

  // One path a run keeps runs fast; the corpus holds inputs for each.
  switch ((mode >> 3) & 3) {
    case 0:
      if (const auto merged = Merge(printer.provider, ticket, delta, scope)) Describe(*merged, json);
      break;
    case 1:
      Describe(ticket, json);
      DevMode(printer.provider, ticket, scope, json);
      break;
    default:
      if (const auto capabilities = Capabilities(printer.provider, ticket)) {
        Describe(*capabilities, json);
        Show(ticket, *capabilities);
      }
      break;
  }
  return 0;
}
