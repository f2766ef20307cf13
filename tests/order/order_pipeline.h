// An order filter in the shared test pipeline: a job of pages with markup and
// tickets of their own, tickets from binding and duplex features, and the
// reference printer behind the filter's ticket manager.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filters/order/order_filter.h"
#include "platform/part_content.h"
#include "platform/print_ticket_provider.h"
#include "test_pipeline.h"
#include "ticket/ticket_documents.h"

namespace order_test {

using ticket_test::Feature;
using ticket_test::Init;
using ticket_test::IntValue;
using ticket_test::Option;
using ticket_test::Property;
using ticket_test::StringValue;
using ticket_test::TicketXml;

// The pages sent: "<n>" for /p<n>, "pad<k>" for the k-th new page made.
inline std::vector<std::string> SentPageLabels(const RecordingConsumer& consumer) {
  const std::vector<std::string>& made = consumer.newPageOrder();
  std::vector<std::string> pages;
  for (const std::string& name : consumer.sent()) {
    if (const auto pad = std::find(made.begin(), made.end(), name); pad != made.end())
      pages.push_back("pad" + std::to_string(pad - made.begin() + 1));
    else if (name.starts_with("/p"))
      pages.push_back(name.substr(2));
  }
  return pages;
}

inline constexpr char16_t kPrinter[] = u"Kestrel InkJet MFP";

// A fixed page of Letter size with some content.
inline std::string PageMarkup(int number) {
  return "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
         "xml:lang=\"en-US\"><Path Data=\"M 0,0 L " +
         std::to_string(number) + ",10 Z\" Fill=\"#FF000000\"/></FixedPage>";
}

// Tickets as deltas: job binding, duplex and the divide condition.
inline std::string JobBinding(std::string_view edge, std::string_view content = "") {
  return Feature("psk:JobBindAllDocuments", Option(edge, content));
}
inline std::string DivideIntoSets(long sheets) {
  return Feature("psk:JobBindAllDocuments",
                 Option("psk:Booklet") + Feature("ns0000:BookletPrintingMethod", Option("ns0000:DivideIntoSets"))) +
         Init("ns0000:JobBindBookletDivideSheets", IntValue(sheets));
}
inline std::string JobDuplex(std::string_view option, std::string_view mode = "") {
  const std::string scored =
      mode.empty() ? "" : ticket_test::Scored("psk:DuplexMode", StringValue(mode));
  return Feature("psk:JobDuplexAllDocumentsContiguously", Option(option, scored));
}
inline std::string DivideCondition(std::string_view condition) {
  return Property("ns0000:JobSettingData", Property("ns0000:DivideCondition", StringValue(condition)));
}

class OrderPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    PutString(bag_.Get(), u"PrinterName", kPrinter);
    PutUnknown(bag_.Get(), u"PerUserPrintTicket", MakeComObject<BytesStreamFactory, IUnknown>(TicketXml("")).Get());
  }
  void TearDown() override { UnregisterPrinter(kPrinter); }

  // A ticket of the given features; none for "".
  static std::string Ticket(const std::string& body) { return body.empty() ? "" : TicketXml(body); }
  void AddSequence(const std::string& ticket = "") {
    provider_->Add(TicketedPart<TestSequence>("/FixedDocumentSequence.fdseq", Ticket(ticket), ContentOf("")));
  }
  void AddDocument(const std::string& name, const std::string& ticket = "") {
    provider_->Add(TicketedPart<TestDocument>(name, Ticket(ticket), ContentOf("")));
  }
  // Page /p<number>.
  ComPtr<TestPage> AddPage(int number, const std::string& ticket = "", const std::string& markup = "") {
    const auto page = TicketedPart<TestPage>("/p" + std::to_string(number), Ticket(ticket),
                                             ContentOf(markup.empty() ? PageMarkup(number) : markup));
    pages_.push_back(page);
    provider_->Add(page);
    return page;
  }
  // A sequence with the job ticket, one document and pages 1 to count.
  void AddJob(const std::string& jobTicket, int count) {
    AddSequence(jobTicket);
    AddDocument("/D1.fdoc");
    for (int number = 1; number <= count; ++number) AddPage(number);
  }

  HRESULT Run() {
    const auto filter = ComPtr<OrderFilter>::Attach(new OrderFilter);
    EXPECT_EQ(InitializeFilterOn(filter.Get(), provider_.Get(), consumer_.Get(), bag_.Get(), control_.Get()), S_OK);
    return filter->StartOperation();
  }
  // The pages sent: "<n>" for /p<n>, "pad<k>" for the k-th pad page made.
  std::vector<std::string> SentPages() const { return SentPageLabels(*consumer_); }

  // A new job: provider, consumer and pages.
  void Reset() {
    provider_ = MakeComObject<ScriptedProvider>();
    consumer_ = MakeComObject<RecordingConsumer>();
    pages_.clear();
    journal_.Clear();
  }

  Journal journal_;
  ComPtr<ScriptedProvider> provider_ = MakeComObject<ScriptedProvider>();
  ComPtr<RecordingConsumer> consumer_ = MakeComObject<RecordingConsumer>();
  ComPtr<RecordingManagerControl> control_ = MakeComObject<RecordingManagerControl>(&journal_);
  ComPtr<MapPropertyBag> bag_ = MakeComObject<MapPropertyBag>();
  std::vector<ComPtr<TestPage>> pages_;
};

}  // namespace order_test
