#include "host/xpspipe/ticket_tools.h"

#include <string>
#include <vector>

#include "driver/description/devmode_description.h"
#include "driver/description/schema_description.h"
#include "host/pipeline/host_error.h"
#include "host/xpspipe/job_setup.h"
#include "host/xpspipe/opened_printer.h"
#include "platform/checked_int.h"
#include "platform/com.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "platform/xml_dom.h"
#include "ticket/settings_json.h"

namespace kestrel::xpspipe {
namespace {

using host::HostError;
using Format = TicketCommand::Format;
using Tool = TicketCommand::Tool;

std::string MessageOf(const Bstr& message, HRESULT hr) {
  const std::string text = message.Get() ? Utf16ToUtf8(message.View()).value_or("") : "";
  return text.empty() ? HresultName(hr) : text + " (" + HresultName(hr) + ")";
}

ComPtr<IStream> NewStream() {
  ComPtr<IStream> stream;
  const HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  if (FAILED(hr)) throw HostError("out of memory", hr);
  return stream;
}

ComPtr<IStream> StreamOfFile(const std::filesystem::path& file) {
  const std::vector<BYTE> bytes = ReadTicket(file);
  ComPtr<IStream> stream = NewStream();
  ULONG written = 0;
  // ReadTicket bounds the size far below 4 GiB.
  HRESULT hr = stream->Write(bytes.data(), IntCast<ULONG>(bytes.size()), &written);
  if (SUCCEEDED(hr)) hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) throw HostError(file.string() + ": cannot buffer the print ticket", hr);
  return stream;
}

std::string TextOf(IStream* stream) {
  if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) throw HostError("cannot read a result");
  std::string text;
  char buffer[65536];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) text.append(buffer, read);
  return text;
}

// The document as it is, or described as text or JSON.
void WriteDocument(const std::string& xml, Format format, std::ostream& out) {
  if (format == Format::kXml) {
    out << xml;
    if (!xml.empty() && xml.back() != '\n') out << '\n';
    return;
  }
  std::string description;
  Bstr message;
  const HRESULT hr = DescribePrintSchemaDocument(xml, format == Format::kJson, &description, message.Put());
  if (FAILED(hr)) throw HostError("the result cannot be described: " + MessageOf(message, hr), hr);
  out << description;
}

void Merge(const OpenedPrinter& printer, const TicketCommand& command, std::ostream& out, std::ostream& err) {
  const std::filesystem::path& base_file = command.tickets[0];
  const std::filesystem::path& delta_file = command.tickets[1];
  const ComPtr<IStream> base = StreamOfFile(base_file);
  const ComPtr<IStream> delta = StreamOfFile(delta_file);
  const ComPtr<IStream> result = NewStream();
  Bstr message;
  const HRESULT hr =
      PTMergeAndValidatePrintTicket(printer.Provider(), base.Get(), delta.Get(), kPTJobScope, result.Get(),
                                    message.Put());
  if (FAILED(hr)) {
    const std::filesystem::path& culprit = hr == E_DELTA_PRINTTICKET_FORMAT ? delta_file : base_file;
    const std::string what = hr == E_DELTA_PRINTTICKET_FORMAT || hr == E_PRINTTICKET_FORMAT
                                 ? culprit.string() + ": not a valid print ticket: "
                                 : base_file.string() + " + " + delta_file.string() + ": the merge failed: ";
    throw HostError(what + MessageOf(message, hr), hr);
  }
  if (hr == S_PT_CONFLICT_RESOLVED) err << "xpspipe: conflicts resolved: " << MessageOf(message, hr) << '\n';
  WriteDocument(TextOf(result.Get()), command.format, out);
}

// The capabilities for the ticket, as text; throws naming the file for a broken ticket.
std::string Capabilities(const OpenedPrinter& printer, const std::filesystem::path& file) {
  const ComPtr<IStream> ticket = StreamOfFile(file);
  const ComPtr<IStream> capabilities = NewStream();
  Bstr message;
  const HRESULT hr = PTGetPrintCapabilities(printer.Provider(), ticket.Get(), capabilities.Get(), message.Put());
  if (FAILED(hr)) throw HostError(file.string() + ": not a valid print ticket: " + MessageOf(message, hr), hr);
  return TextOf(capabilities.Get());
}

void DevMode(const OpenedPrinter& printer, const TicketCommand& command, std::ostream& out) {
  const std::filesystem::path& file = command.tickets[0];
  const ComPtr<IStream> ticket = StreamOfFile(file);
  ULONG size = 0;
  PDEVMODE devmode = nullptr;
  Bstr message;
  const HRESULT hr = PTConvertPrintTicketToDevMode(printer.Provider(), ticket.Get(), kUserDefaultDevmode,
                                                   kPTJobScope, &size, &devmode, message.Put());
  if (FAILED(hr)) throw HostError(file.string() + ": not a valid print ticket: " + MessageOf(message, hr), hr);
  const std::string description = DescribeDevMode(devmode, size, command.format == Format::kJson);
  PTReleaseMemory(devmode);
  out << description;
}

void Show(const OpenedPrinter& printer, const TicketCommand& command, std::ostream& out) {
  const std::filesystem::path& file = command.tickets[0];
  // The provider refuses a broken ticket with a message that says why.
  const ComPtr<IXMLDOMDocument2> capabilities = ParseXml(Capabilities(printer, file), "the printer's capabilities");
  const std::vector<BYTE> bytes = ReadTicket(file);
  const ComPtr<IXMLDOMDocument2> ticket = ParseXml(std::string(bytes.begin(), bytes.end()), file.string());
  std::string json;
  const HRESULT hr = DescribeSettingsJson(ticket.Get(), capabilities.Get(), &json);
  if (FAILED(hr)) throw HostError(file.string() + ": the settings cannot be read: " + HresultName(hr), hr);
  out << json;
  if (!json.empty() && json.back() != '\n') out << '\n';
}

void Default(const OpenedPrinter& printer, const TicketCommand& command, std::ostream& out) {
  const ComPtr<IStream> ticket = NewStream();
  Bstr message;
  const HRESULT hr = WritePrinterDefaultTicket(printer.Provider(), ticket.Get(), message.Put());
  if (FAILED(hr)) throw HostError("the printer's default ticket: " + MessageOf(message, hr), hr);
  WriteDocument(TextOf(ticket.Get()), command.format, out);
}

}  // namespace

int RunTicketTool(const TicketCommand& command, std::ostream& out, std::ostream& err) {
  const OpenedPrinter printer(command.driver.value_or(BundledDriver()));
  switch (command.tool) {
    case Tool::kMerge:
      Merge(printer, command, out, err);
      break;
    case Tool::kCapabilities:
      WriteDocument(Capabilities(printer, command.tickets[0]), command.format, out);
      break;
    case Tool::kDevMode:
      DevMode(printer, command, out);
      break;
    case Tool::kShow:
      Show(printer, command, out);
      break;
    case Tool::kDefault:
      Default(printer, command, out);
      break;
  }
  return out.good() ? 0 : 1;
}

}  // namespace kestrel::xpspipe
