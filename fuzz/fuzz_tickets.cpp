#include "fuzz_tickets.h"

#include <string>

#include "markup_check.h"
#include "platform/bstr.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "ticket/print_schema_namespaces.h"

namespace kestrel::fuzz {
namespace {

constexpr char16_t kPrinter[] = u"Fuzz Printer";

const char16_t* RegisteredPrinter() {
  static const bool registered = [] {
    Bstr message;
    return SUCCEEDED(RegisterPrinter(kPrinter, KESTREL_PRINTER_DESCRIPTION, message.Put()));
  }();
  if (!registered) __builtin_trap();
  return kPrinter;
}

std::string UserTicket(std::string_view body) {
  return "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
         "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:kp=\"" + Utf16ToUtf8(PRIVATE_KEYWORDS_NS).value() + "\" version=\"1\">" +
         std::string(body) + "</psf:PrintTicket>";
}

}  // namespace

IXMLDOMDocument2* OpenJobTicket(PrintTicketManager& manager, std::string_view body) {
  const Bstr printer{std::u16string_view(RegisteredPrinter())};
  if (FAILED(manager.Open(ReadStreamOn(UserTicket(body)).Get(), printer.Get()))) __builtin_trap();
  IXMLDOMDocument2* ticket = nullptr;
  if (FAILED(manager.GetTicket(kPTJobScope, &ticket)) || !ticket) __builtin_trap();
  return ticket;
}

}  // namespace kestrel::fuzz
