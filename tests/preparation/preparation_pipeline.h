// A preparation filter in the shared test pipeline: pages that can be
// rewritten (what is written over them is recorded), tickets from scaling
// features, and the reference printer behind the filter's ticket manager.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "filters/preparation/preparation_filter.h"
#include "platform/part_content.h"
#include "platform/print_ticket_provider.h"
#include "rewritable_page.h"
#include "test_pipeline.h"
#include "ticket/ticket_documents.h"

namespace preparation_test {

using ticket_test::Feature;
using ticket_test::IntValue;
using ticket_test::Option;
using ticket_test::Property;
using ticket_test::Scored;
using ticket_test::StringValue;
using ticket_test::TicketXml;

inline constexpr char16_t kPrinter[] = u"Kestrel InkJet MFP";

// A fixed page of Letter size with some content.
inline std::string PageMarkup(int number) {
  return "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
         "xml:lang=\"en-US\"><Path Data=\"M 0,0 L " +
         std::to_string(number) + ",10 Z\" Fill=\"#FF000000\"/></FixedPage>";
}

// Ticket deltas.
inline std::string Scaling(std::string_view option, std::string_view content = "") {
  return Feature("psk:PageScaling", Option(option, content));
}
inline std::string FitToPaper(std::string_view paper, long width, long height) {
  return Scaling("ns0000:FitToPaper",
                 Feature("ns0000:FitMediaSize", Option(paper, Scored("psk:FitMediaSizeWidth", IntValue(width)) +
                                                                  Scored("psk:FitMediaSizeHeight", IntValue(height)))));
}
inline std::string CorrectFixedPageSize() {
  return Property("ns0000:PageScalingData", Property("ns0000:CorrectFixedPageSize", StringValue("On")));
}

class PreparationPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    PutString(pipeline_->bag.Get(), u"PrinterName", kPrinter);
    SetUserTicket("");
  }
  void TearDown() override { UnregisterPrinter(kPrinter); }

  void SetUserTicket(const std::string& body) {
    userTicket_ = body;
    PutUnknown(pipeline_->bag.Get(), u"PerUserPrintTicket",
               MakeComObject<BytesStreamFactory, IUnknown>(TicketXml(body)).Get());
  }
  static std::string TicketOf(const std::string& body) { return body.empty() ? "" : TicketXml(body); }
  ComPtr<TestSequence> AddSequence(const std::string& ticket = "") {
    const auto sequence = TicketedPart<TestSequence>("/FixedDocumentSequence.fdseq", TicketOf(ticket));
    pipeline_->provider->Add(sequence);
    return sequence;
  }
  ComPtr<TestDocument> AddDocument(const std::string& name, const std::string& ticket = "") {
    const auto document = TicketedPart<TestDocument>(name, TicketOf(ticket));
    pipeline_->provider->Add(document);
    return document;
  }
  // Page /p<number>.
  ComPtr<RewritablePage> AddPage(int number, const std::string& ticket = "", const std::string& markup = "") {
    const auto page = TicketedPart<RewritablePage>("/p" + std::to_string(number), TicketOf(ticket),
                                                   ContentOf(markup.empty() ? PageMarkup(number) : markup));
    pages_.push_back(page);
    pipeline_->provider->Add(page);
    return page;
  }

  HRESULT Run() {
    const auto filter = ComPtr<PreparationFilter>::Attach(new PreparationFilter);
    return pipeline_->Run(filter.Get());
  }
  RecordingConsumer& consumer() { return *pipeline_->consumer; }

  // A new job: provider, consumer and pages, the same printer and user ticket.
  void Reset() {
    pipeline_ = std::make_unique<TestPipeline>();
    pages_.clear();
    PutString(pipeline_->bag.Get(), u"PrinterName", kPrinter);
    SetUserTicket(userTicket_);
  }

  std::unique_ptr<TestPipeline> pipeline_ = std::make_unique<TestPipeline>();
  std::vector<ComPtr<RewritablePage>> pages_;
  std::string userTicket_;
};

// Makes the font parts the decorations ask for; nothing is sent here.
class FontConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  HRESULT SendXpsUnknown(IUnknown*) override { return E_NOTIMPL; }
  HRESULT SendXpsDocument(IXpsDocument*) override { return E_NOTIMPL; }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence*) override { return E_NOTIMPL; }
  HRESULT SendFixedDocument(IFixedDocument*) override { return E_NOTIMPL; }
  HRESULT SendFixedPage(IFixedPage*) override { return E_NOTIMPL; }
  HRESULT CloseSender() override { return S_OK; }
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override {
    if (riid != IID_IPartFont) return E_NOINTERFACE;
    const auto font = MakeComObject<TestFont>(U8(uri));
    fonts.push_back(font);
    *stream = ComPtr<IPrintWriteStream>(font->content.Get()).Detach();
    return font->QueryInterface(riid, part);
  }

  class TestFont final : public TestPart<IPartFont> {
   public:
    using TestPart::TestPart;
    HRESULT GetFontProperties(BSTR*, EXpsFontOptions*) override { return E_NOTIMPL; }
    HRESULT SetFontContent(BSTR) override { return S_OK; }
    HRESULT SetFontOptions(EXpsFontOptions) override { return S_OK; }
    ComPtr<RecordingWriteStream> content = MakeComObject<RecordingWriteStream>();
  };
  std::vector<ComPtr<TestFont>> fonts;
};

}  // namespace preparation_test
