// What the ticket flow tests share: the reference printer registered under a
// test name, tickets from a few features, parts that carry a ticket, and a
// consumer that makes new parts and keeps what is written into them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/scripted_pipeline.h"
#include "platform/com.h"
#include "platform/print_ticket_provider.h"
#include "platform/xml_dom.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/print_ticket_dom.h"

namespace ticket_flow {

inline constexpr char16_t kTestPrinter[] = u"Kestrel Test Printer";

inline const std::filesystem::path kSourceDir =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();

// The reference printer's description under kTestPrinter.
inline void RegisterTestPrinter() {
  const std::string description = (kSourceDir / "driver/printer/kestrel-inkjet-mfp.xml").string();
  ASSERT_EQ(RegisterPrinter(kTestPrinter, description.c_str()), S_OK);
}

// A print ticket of the given top-level elements, with the usual prefixes.
inline std::string Ticket(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<psf:PrintTicket version=\"1\""
         " xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\""
         " xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">" +
         body + "</psf:PrintTicket>";
}

inline std::string Feature(const std::string& feature, const std::string& option) {
  return "<psf:Feature name=\"psk:" + feature + "\"><psf:Option name=\"psk:" + option + "\"/></psf:Feature>";
}

// The selected option of a keywords feature (without prefix), or "" when the ticket has none.
inline std::string OptionOf(IXMLDOMDocument2* ticket, std::u16string_view feature) {
  PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
  Bstr option;
  BOOL is_private = FALSE;
  if (dom.GetFeatureOption(dom.KeywordsPrefix(), feature, &option, &is_private) != S_OK) return "";
  return *Utf16ToUtf8(option.View());
}

inline bool HasFeature(IXMLDOMDocument2* ticket, std::u16string_view feature) {
  PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
  return dom.FeatureExists(feature) == S_OK;
}

inline std::string XmlOf(IXMLDOMDocument2* document) {
  Bstr xml;
  EXPECT_EQ(document->get_xml(xml.Put()), S_OK);
  return *Utf16ToUtf8(xml.View());
}

// A print ticket part holding the bytes given.
class BytesTicketPart final : public StubPart<IPartPrintTicket> {
 public:
  BytesTicketPart(std::string uri, std::string bytes) : StubPart(std::move(uri)), bytes_(std::move(bytes)) {}
  HRESULT GetStream(IPrintReadStream** stream) override {
    return CreateReadStreamOnBytes(std::vector<BYTE>(bytes_.begin(), bytes_.end()), stream);
  }

 private:
  std::string bytes_;
};

// A sequence, document or page with the ticket given, or none (std::nullopt).
template <typename I>
class TicketCarrier : public StubPart<I> {
 public:
  TicketCarrier(std::string uri, std::optional<std::string> ticket)
      : StubPart<I>(std::move(uri)), ticket_(std::move(ticket)) {}
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    *ticket = nullptr;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    *ticket = MakeComObject<BytesTicketPart, IPartPrintTicket>("/ticket.xml", *ticket_).Detach();
    return S_OK;
  }
  HRESULT SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }

 private:
  std::optional<std::string> ticket_;
};

using TicketedSequence = TicketCarrier<IFixedDocumentSequence>;
using TicketedDocument = TicketCarrier<IFixedDocument>;

class TicketedPage final : public TicketCarrier<IFixedPage> {
 public:
  using TicketCarrier::TicketCarrier;
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }
};

// What one new part received.
struct WrittenPart {
  std::u16string name;
  std::string bytes;
  std::vector<ULONG> writes;  // the size of each WriteBytes call
  bool closed = false;
};

class RecordingWriteStream final : public ComObject<IPrintWriteStream> {
 public:
  RecordingWriteStream(WrittenPart* part, ULONG accept_at_most, int fail_on_write)
      : part_(part), accept_at_most_(accept_at_most), fail_on_write_(fail_on_write) {}
  HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) override {
    part_->writes.push_back(cb);
    if (static_cast<int>(part_->writes.size()) == fail_on_write_) return E_ACCESSDENIED;
    const ULONG taken = std::min(cb, accept_at_most_);
    part_->bytes.append(static_cast<const char*>(buffer), taken);
    *written = taken;
    return S_OK;
  }
  void Close() override { part_->closed = true; }

 private:
  WrittenPart* part_;
  ULONG accept_at_most_;
  int fail_on_write_;
};

// Makes print ticket parts; can refuse names as a job refuses one already in use.
class PartMakingConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  HRESULT SendXpsUnknown(IUnknown*) override { return S_OK; }
  HRESULT SendXpsDocument(IXpsDocument*) override { return S_OK; }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence*) override { return S_OK; }
  HRESULT SendFixedDocument(IFixedDocument*) override { return S_OK; }
  HRESULT SendFixedPage(IFixedPage*) override { return S_OK; }
  HRESULT CloseSender() override { return S_OK; }
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override {
    requested.push_back(uri);
    if (refusals > 0) {
      --refusals;
      return refusal;
    }
    if (riid != IID_IPartPrintTicket) return E_NOINTERFACE;
    parts.push_back(std::make_unique<WrittenPart>());
    parts.back()->name = uri;
    *part = MakeComObject<StubPart<IPartPrintTicket>, IPartPrintTicket>("/new").Detach();
    *stream = MakeComObject<RecordingWriteStream, IPrintWriteStream>(parts.back().get(), accept_at_most,
                                                                       fail_on_write)
                  .Detach();
    return S_OK;
  }

  int refusals = 0;  // how many requests to refuse, with refusal
  HRESULT refusal = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  ULONG accept_at_most = 0xFFFFFFFF;  // bytes each WriteBytes takes
  int fail_on_write = 0;              // the n-th WriteBytes (from 1) fails
  std::vector<std::u16string> requested;
  std::vector<std::unique_ptr<WrittenPart>> parts;
};

}  // namespace ticket_flow
