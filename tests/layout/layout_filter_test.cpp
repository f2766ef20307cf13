// The layout filter's settings pass in the shared test pipeline: what it hands
// on in the job ticket of the fixed document sequence.
#include "filters/layout/layout_filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "framework/filter_module.h"
#include "platform/print_ticket_provider.h"
#include "test_pipeline.h"
#include "ticket/ticket_documents.h"

// This test program is a filter module of its own.
constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{5B0E3C61-4D8A-4F7B-9E2C-1A6D8F3B7C40}"),
    MakeGuid("{8C2F4A19-6E3B-4D75-A1F8-2B9E6C0D5A34}"),
    &CreateFilterObject<LayoutFilter>,
};

namespace {

using namespace ticket_test;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char16_t kPrinter[] = u"Kestrel InkJet MFP";

std::string NUp(long pages) {
  return Feature("psk:JobNUpAllDocumentsContiguously",
                 "<psf:Option>" + Scored("psk:PagesPerSheet", IntValue(pages)) + "</psf:Option>" +
                     Feature("psk:PresentationDirection", Option("psk:RightBottom")) +
                     Feature("ns0000:BorderLine", Option("ns0000:SolidLine")));
}
std::string JobBinding(std::string_view edge) { return Feature("psk:JobBindAllDocuments", Option(edge)); }
std::string JobDuplex(std::string_view option) {
  return Feature("psk:JobDuplexAllDocumentsContiguously", Option(option));
}

class LayoutFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    PutString(bag_.Get(), u"PrinterName", kPrinter);
    PutUnknown(bag_.Get(), u"PerUserPrintTicket", MakeComObject<BytesStreamFactory, IUnknown>(TicketXml("")).Get());
  }
  void TearDown() override { UnregisterPrinter(kPrinter); }

  // Runs a job of one sequence with the job ticket; the ticket part the
  // filter set on the sequence ("" for none).
  std::string SequenceTicketHandedOn(const std::string& jobTicket) {
    const auto sequence =
        TicketedPart<TestSequence>("/FixedDocumentSequence.fdseq", TicketXml(jobTicket), ContentOf(""));
    provider_->Add(sequence);
    const auto filter = ComPtr<LayoutFilter>::Attach(new LayoutFilter);
    EXPECT_EQ(InitializeFilterOn(filter.Get(), provider_.Get(), consumer_.Get(), bag_.Get(), control_.Get()), S_OK);
    EXPECT_EQ(filter->StartOperation(), S_OK);
    for (const auto& [name, ticket] : consumer_->newTickets())
      if (sequence->ticket() == ticket.Get()) return ticket->Bytes();
    return "";
  }

  Journal journal_;
  ComPtr<ScriptedProvider> provider_ = MakeComObject<ScriptedProvider>();
  ComPtr<RecordingConsumer> consumer_ = MakeComObject<RecordingConsumer>();
  ComPtr<RecordingManagerControl> control_ = MakeComObject<RecordingManagerControl>(&journal_);
  ComPtr<MapPropertyBag> bag_ = MakeComObject<MapPropertyBag>();
};

TEST_F(LayoutFilterTest, TheJobTicketHandedOnDescribesSheets) {
  struct Case {
    const char* label;
    std::string jobTicket;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"a booklet without duplex asks for short-edge duplex",
       JobBinding("psk:Booklet"),
       {"psk:TwoSidedShortEdge", "psk:Booklet"},
       {}},
      {"a booklet with long-edge duplex binds left, without gutter",
       JobBinding("psk:Booklet") + JobDuplex("psk:TwoSidedLongEdge"),
       {"psk:BindLeft", "<psf:Option name=\"ns0000:Off\"/>"},
       {"psk:Booklet"}},
      {"4 pages per sheet read as one page per sheet after this filter",
       NUp(4),
       {">1</psf:Value>", "psk:RightBottom"},
       {">4</psf:Value>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    provider_ = MakeComObject<ScriptedProvider>();
    consumer_ = MakeComObject<RecordingConsumer>();
    const std::string handedOn = SequenceTicketHandedOn(c.jobTicket);
    ASSERT_FALSE(handedOn.empty());
    for (const std::string& text : c.present) EXPECT_THAT(handedOn, HasSubstr(text));
    for (const std::string& text : c.absent) EXPECT_THAT(handedOn, Not(HasSubstr(text)));
  }
}

TEST_F(LayoutFilterTest, DuplexAloneLeavesTheJobTicketAsItWas) {
  EXPECT_EQ(SequenceTicketHandedOn(JobDuplex("psk:TwoSidedShortEdge")), "");
  EXPECT_TRUE(consumer_->newTickets().empty());
}

}  // namespace
