// The provider's entry points: argument checks, error messages, and the flow from
// streams to documents and back.
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "devmode_builder.h"
#include "platform/checked_int.h"
#include "platform/com.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "printer_documents.h"
#include "printer_registry.h"
#include "stream_bytes.h"
#include "ticket_merge.h"
#include "ticket_schema.h"
#include "ticket_validation.h"

namespace {

constexpr DWORD kSchemaVersion = 1;

void SetMessage(BSTR* message, const std::string& text) {
  if (!message) return;
  const std::u16string wide = Utf8ToUtf16(text).value_or(u"(the message is not valid UTF-8)");
  if (const std::optional<UINT> length = TryIntCast<UINT>(wide.size()))
    *message = SysAllocStringLen(wide.data(), *length);
}

// Runs body(message) and turns every failure into its HRESULT and message.
template <typename Body>
HRESULT Answer(BSTR* message, Body&& body) noexcept {
  if (message) *message = nullptr;
  try {
    return body(message);
  } catch (const TicketError& e) {
    SetMessage(message, e.message);
    return e.hr;
  } catch (const std::bad_alloc&) {
    SetMessage(message, "out of memory");
    return E_OUTOFMEMORY;
  } catch (...) {
    SetMessage(message, "unexpected failure");
    return E_FAIL;
  }
}

void Require(const void* argument, const char* name) {
  if (!argument) throw TicketError{E_POINTER, std::string(name) + " is NULL"};
}

void RequireScope(EPrintTicketScope scope) {
  if (scope != kPTPageScope && scope != kPTDocumentScope && scope != kPTJobScope)
    throw TicketError{E_INVALIDARG, "the scope is not page (0), document (1) or job (2)"};
}

std::u16string PrinterName(LPCWSTR name) {
  Require(name, "the printer name");
  if (!*name) throw TicketError{E_INVALIDARG, "the printer name is empty"};
  return name;
}

XmlDoc ReadTicket(IStream* stream, HRESULT failure, const std::string& what) {
  XmlDoc doc = ParseXml(ReadRemaining(stream, failure, what), failure, what);
  CheckPrintTicket(doc.get(), failure, what);
  return doc;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

HRESULT RegisterPrinter(LPCWSTR printerName, const char* descriptionPath, BSTR* errorMessage,
                        DevModeExtension devmodeExtension) {
  return Answer(errorMessage, [&](BSTR*) {
    const std::u16string name = PrinterName(printerName);
    Require(descriptionPath, "the description path");
    RegisterDescription(name, {LoadPrinterDescription(descriptionPath), std::move(devmodeExtension)});
    return S_OK;
  });
}

HRESULT UnregisterPrinter(LPCWSTR printerName) {
  return Answer(nullptr, [&](BSTR*) {
    return UnregisterDescription(PrinterName(printerName)) ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
  });
}

HRESULT PTOpenProvider(LPCWSTR printerName, DWORD version, HPTPROVIDER* provider) {
  return Answer(nullptr, [&](BSTR*) {
    Require(provider, "the provider out parameter");
    *provider = nullptr;
    const std::u16string name = PrinterName(printerName);
    if (version != kSchemaVersion) return E_INVALIDARG;
    *provider = OpenProviderHandle(name);
    return S_OK;
  });
}

HRESULT PTOpenProviderEx(LPCWSTR printerName, DWORD maxVersion, DWORD preferredVersion, HPTPROVIDER* provider,
                         DWORD* usedVersion) {
  return Answer(nullptr, [&](BSTR*) {
    Require(provider, "the provider out parameter");
    Require(usedVersion, "the version out parameter");
    *provider = nullptr;
    if (maxVersion < kSchemaVersion || preferredVersion < kSchemaVersion) return E_INVALIDARG;
    *provider = OpenProviderHandle(PrinterName(printerName));
    *usedVersion = kSchemaVersion;
    return S_OK;
  });
}

HRESULT PTCloseProvider(HPTPROVIDER provider) {
  return Answer(nullptr, [&](BSTR*) { return CloseProviderHandle(provider) ? S_OK : E_HANDLE; });
}

HRESULT PTMergeAndValidatePrintTicket(HPTPROVIDER provider, IStream* baseTicket, IStream* deltaTicket,
                                      EPrintTicketScope scope, IStream* resultTicket, BSTR* errorMessage) {
  return Answer(errorMessage, [&](BSTR* message) {
    const auto p = FindProvider(provider);
    Require(baseTicket, "the base ticket");
    Require(resultTicket, "the result stream");
    RequireScope(scope);
    const XmlDoc base = ReadTicket(baseTicket, E_PRINTTICKET_FORMAT, "base ticket");
    const XmlDoc delta =
        deltaTicket ? ReadTicket(deltaTicket, E_DELTA_PRINTTICKET_FORMAT, "delta ticket") : XmlDoc();
    const XmlDoc merged = MergeTickets(base.get(), delta.get(), scope, *p->description);
    const std::vector<std::string> changes = ValidateTicket(merged.get(), *p->description);
    WriteAll(resultTicket, SerializeXml(merged.get()));
    if (changes.empty()) return S_OK;
    SetMessage(message, Join(changes));
    return S_PT_CONFLICT_RESOLVED;
  });
}

HRESULT PTGetPrintCapabilities(HPTPROVIDER provider, IStream* ticket, IStream* capabilities, BSTR* errorMessage) {
  return Answer(errorMessage, [&](BSTR*) {
    const auto p = FindProvider(provider);
    Require(capabilities, "the capabilities stream");
    const XmlDoc doc =
        ticket ? ReadTicket(ticket, E_PRINTTICKET_FORMAT, "ticket") : WriteDefaultTicket(*p->description);
    ValidateTicket(doc.get(), *p->description);
    WriteAll(capabilities, SerializeXml(WriteCapabilities(TicketSettings(doc.get(), *p->description),
                                                          *p->description).get()));
    return S_OK;
  });
}

HRESULT WritePrinterDefaultTicket(HPTPROVIDER provider, IStream* ticket, BSTR* errorMessage) {
  return Answer(errorMessage, [&](BSTR*) {
    const auto p = FindProvider(provider);
    Require(ticket, "the ticket stream");
    WriteAll(ticket, SerializeXml(WriteDefaultTicket(*p->description).get()));
    return S_OK;
  });
}

HRESULT PTConvertPrintTicketToDevMode(HPTPROVIDER provider, IStream* ticket, EDefaultDevmodeType baseType,
                                      EPrintTicketScope scope, ULONG* devmodeSize, PDEVMODE* devmode,
                                      BSTR* errorMessage) {
  return Answer(errorMessage, [&](BSTR*) {
    Require(devmodeSize, "the size out parameter");
    Require(devmode, "the DEVMODE out parameter");
    *devmodeSize = 0;
    *devmode = nullptr;
    const auto p = FindProvider(provider);
    Require(ticket, "the ticket");
    if (baseType != kUserDefaultDevmode && baseType != kPrinterDefaultDevmode)
      throw TicketError{E_INVALIDARG, "the DEVMODE type is neither user (0) nor printer (1) default"};
    RequireScope(scope);
    const XmlDoc doc = ReadTicket(ticket, E_PRINTTICKET_FORMAT, "ticket");
    RemoveItemsOutOfScope(doc.get(), scope);
    ValidateTicket(doc.get(), *p->description);
    const std::vector<BYTE> block =
        BuildDevMode(TicketSettings(doc.get(), *p->description), p->printer_name, p->devmode_extension);
    void* memory = CoTaskMemAlloc(block.size());
    if (!memory) throw std::bad_alloc();
    std::memcpy(memory, block.data(), block.size());
    *devmode = static_cast<PDEVMODE>(memory);
    *devmodeSize = static_cast<ULONG>(block.size());
    return S_OK;
  });
}

HRESULT PTReleaseMemory(void* buffer) {
  CoTaskMemFree(buffer);
  return S_OK;
}
