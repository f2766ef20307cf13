#include "host/print_options/ticket_edit.h"

#include "ticket/hresult_error.h"
#include "platform/checked_int.h"
#include "platform/com.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/settings_support.h"

namespace kestrel::print_options {

const std::string_view kEmptyTicket =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:kp=\"http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords\" version=\"1\"/>";

std::unique_ptr<PrintTicketDom> WrapTicket(std::string_view bytes, const std::string& what) {
  ComPtr<IXMLDOMDocument2> document = LoadTicket(bytes, what);
  try {
    return std::make_unique<PrintTicketDom>(u"PrintTicket", PRIVATE_KEYWORDS_NS, document.Get());
  } catch (const HResultError& error) {
    throw std::runtime_error(what + " is not a print ticket (" + HresultName(error.hr()) + ")");
  }
}

namespace {

std::u16string_view Local(std::string_view canonical, std::u16string& storage) {
  storage = Wide(canonical.substr(canonical.find(':') + 1));
  return storage;
}

}  // namespace

std::u16string Wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string Narrow(std::u16string_view text) { return Utf16ToUtf8(text).value_or(""); }

ComPtr<IStream> StreamOnBytes(std::string_view bytes) {
  ComPtr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  ULONG written = 0;
  if (SUCCEEDED(hr)) hr = stream->Write(bytes.data(), IntCast<ULONG>(bytes.size()), &written);
  if (SUCCEEDED(hr)) hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) throw std::runtime_error("cannot buffer a print ticket: " + HresultName(hr));
  return stream;
}

std::string BytesOfStream(IStream* stream) {
  if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)))
    throw std::runtime_error("cannot read a print ticket back");
  std::string text;
  char buffer[65536];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) text.append(buffer, read);
  return text;
}

ComPtr<IXMLDOMDocument2> LoadTicket(std::string_view bytes, const std::string& what) {
  ComPtr<IXMLDOMDocument2> document;
  const HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                      document.PutVoid());
  if (FAILED(hr)) throw std::runtime_error("the XML DOM is not available: " + HresultName(hr));
  const ComPtr<IStream> stream = StreamOnBytes(bytes);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_UNKNOWN;
  source.punkVal = stream.Get();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (FAILED(document->load(source, &loaded)) || loaded != VARIANT_TRUE)
    throw std::runtime_error(what + " is not well-formed XML");
  return document;
}

std::string SaveTicket(IXMLDOMDocument2* document) {
  ComPtr<IStream> stream;
  const HRESULT hr = document->QueryInterface(IID_IStream, stream.PutVoid());
  if (FAILED(hr)) throw std::runtime_error("cannot serialise a print ticket: " + HresultName(hr));
  return BytesOfStream(stream.Get());
}

std::optional<std::u16string> QualifiedIn(const PrintTicketDom& ticket, std::string_view canonical) {
  const std::u16string_view prefix = canonical.starts_with("kp:") ? ticket.PrivatePrefix() : ticket.KeywordsPrefix();
  if (prefix.empty()) return std::nullopt;
  std::u16string local;
  return std::u16string(prefix) + std::u16string(Local(canonical, local));
}

std::optional<std::string> SelectedOption(const PrintTicketDom& ticket, std::string_view feature) {
  std::u16string local;
  Bstr option;
  BOOL isPrivate = FALSE;
  if (ticket.GetFeatureOption(ticket.KeywordsPrefix(), Local(feature, local), &option, &isPrivate) != S_OK)
    return std::nullopt;
  return (isPrivate ? "kp:" : "psk:") + Narrow(option.View());
}

TicketEdit::TicketEdit(std::string_view user_ticket, std::optional<std::string_view> job_ticket)
    : user_(WrapTicket(user_ticket, "the user's print ticket")),
      job_(job_ticket ? WrapTicket(*job_ticket, "the job's print ticket") : nullptr),
      delta_(WrapTicket(kEmptyTicket, "the options' ticket")) {}

TicketEdit::~TicketEdit() = default;

void TicketEdit::Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw std::runtime_error(std::string("print options: cannot ") + what + " (" + HresultName(hr) + ")");
}

void TicketEdit::SelectOption(std::string_view feature, const OfferedOption& option) {
  std::u16string local;
  Check(CallReturningHresult([&] {
          ThrowIfFailed(delta_->RemoveFeature(Local(feature, local)));
          ComPtr<IXMLDOMElement> element, choice;
          if (option.name.empty()) {
            ThrowIfFailed(delta_->CreateFeature(false, local, &element, &choice));
          } else {
            std::u16string option_local;
            ThrowIfFailed(delta_->CreateFeatureWithOption(false, local, option.name.starts_with("kp:"),
                                                          Local(option.name, option_local), &element, &choice));
          }
          for (const auto& [name, value] : option.scored) {
            std::u16string scored_local;
            ComPtr<IXMLDOMElement> scored;
            ThrowIfFailed(delta_->CreateScoredPropertyInt(name.starts_with("kp:") ? delta_->PrivatePrefix()
                                                                                  : delta_->KeywordsPrefix(),
                                                          Local(name, scored_local), value, &scored));
            AppendChild(choice.Get(), scored.Get());
          }
          AppendChild(RootForWriting(*delta_).Get(), element.Get());
          return S_OK;
        }),
        "edit the ticket");
}

void TicketEdit::SetParameter(std::string_view parameter, LONG value) {
  std::u16string local;
  Check(CallReturningHresult([&] {
          ThrowIfFailed(delta_->RemoveEveryParameterInit(delta_->KeywordsPrefix(), Local(parameter, local)));
          ComPtr<IXMLDOMElement> initialiser;
          ThrowIfFailed(delta_->CreateKeywordsParameterInt(local, value, nullptr, &initialiser));
          AppendChild(RootForWriting(*delta_).Get(), initialiser.Get());
          return S_OK;
        }),
        "edit the ticket");
}

std::optional<std::string> TicketEdit::OptionInForce(std::string_view feature) const {
  for (const PrintTicketDom* ticket : {delta_.get(), job_.get(), user_.get()})
    if (ticket)
      if (std::optional<std::string> option = SelectedOption(*ticket, feature)) return option;
  return std::nullopt;
}

bool HasItem(const PrintTicketDom& ticket, std::string_view item) {
  const std::optional<std::u16string> name = QualifiedIn(ticket, item);
  if (!name) return false;
  const std::u16string query =
      u"/" + std::u16string(ticket.FrameworkPrefix()) + u"PrintTicket/*[@name = \"" + *name + u"\"]";
  return ticket.NodeExists(query) == S_OK;
}

}  // namespace kestrel::print_options
