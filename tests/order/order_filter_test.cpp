// The order filter in a scripted pipeline: what it sends, in which order,
// which pad pages it makes, and what it leaves alone.
#include "filters/order/order_filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "framework/filter_module.h"
#include "order_pipeline.h"

// This test program is a filter module of its own.
constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{0338B91C-FB1A-409B-B13C-F0AE34025A82}"),
    MakeGuid("{977A71CB-A363-413E-A5C2-E68D4BB3CD62}"),
    &CreateFilterObject<OrderFilter>,
};

namespace {

using namespace order_test;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Page numbers of a group in the notation of a booklet table: 1 to pages are
// the pages in arrival order, the numbers above them the pads in the order
// they were made (counting on from firstPad).
std::vector<std::string> Labels(const std::vector<int>& table, int pages, int firstPad = 1) {
  std::vector<std::string> labels;
  for (const int number : table)
    labels.push_back(number <= pages ? std::to_string(number) : "pad" + std::to_string(number - pages + firstPad - 1));
  return labels;
}

class OrderFilterTest : public OrderPipeline {};

TEST_F(OrderFilterTest, WithoutABookletEveryPartPassesUnchangedAndNoPageTicketIsRead) {
  struct Case {
    const char* label;
    std::string jobTicket;
  };
  const Case cases[] = {
      {"no job ticket", ""},
      {"left binding", JobBinding("psk:BindLeft")},
      {"booklet with long-edge duplex", JobBinding("psk:Booklet") + JobDuplex("psk:TwoSidedLongEdge")},
      {"reverse-flip booklet, one-sided", JobBinding("ns0000:BookletReverseFlip") + JobDuplex("psk:OneSided")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    provider_->Add(MakePart("xps"));
    AddSequence(c.jobTicket);
    AddDocument("/D1.fdoc");
    AddPage(1);
    AddPage(2, JobBinding("psk:Booklet"));
    provider_->Add(MakePart("other /thumbnail.png"));
    AddDocument("/D2.fdoc");
    AddPage(3);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_THAT(consumer_->sent(), ElementsAre("xps", "/FixedDocumentSequence.fdseq", "/D1.fdoc", "/p1", "/p2",
                                               "other", "/D2.fdoc", "/p3"));
    for (const auto& page : pages_) EXPECT_EQ(page->ticketReads(), 0) << page->uri();
    EXPECT_TRUE(consumer_->newPages().empty());
    EXPECT_TRUE(consumer_->newTickets().empty());
  }
}

TEST_F(OrderFilterTest, BookletGroupsAreCompletedWithPadsAndSentInBookletOrder) {
  struct Case {
    const char* edge;
    int pages;
    std::vector<int> table;
  };
  const Case cases[] = {
      {"psk:Booklet", 5, {8, 1, 2, 7, 6, 3, 4, 5}},
      {"ns0000:BookletReverseFlip", 4, {1, 4, 3, 2}},
      {"ns0000:BookletReverseFlip", 10, {1, 12, 11, 2, 3, 10, 9, 4, 5, 8, 7, 6}},
      {"psk:Booklet", 20, {20, 1, 2, 19, 18, 3, 4, 17, 16, 5, 6, 15, 14, 7, 8, 13, 12, 9, 10, 11}},
      {"ns0000:BookletReverseFlip", 20, {1, 20, 19, 2, 3, 18, 17, 4, 5, 16, 15, 6, 7, 14, 13, 8, 9, 12, 11, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.edge) + ", " + std::to_string(c.pages) + " pages");
    Reset();
    AddJob(JobBinding(c.edge), c.pages);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_THAT(SentPages(), ElementsAreArray(Labels(c.table, c.pages)));
    EXPECT_EQ(consumer_->newPages().size(), c.table.size() - static_cast<std::size_t>(c.pages));
  }
}

TEST_F(OrderFilterTest, PadPagesRepeatTheFirstPageRootAndCarryItsTicket) {
  AddSequence(JobBinding("psk:Booklet"));
  AddDocument("/D1.fdoc");
  AddPage(1, Feature("psk:PageOrientation", Option("psk:Landscape")),
          "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"1056\" Height=\"816\" "
          "xml:lang=\"de-DE\"><Canvas><Glyphs UnicodeString=\"A &amp; B\"/></Canvas></FixedPage>");
  AddPage(2);
  EXPECT_EQ(Run(), S_OK);
  ASSERT_EQ(consumer_->newPages().size(), 2u);
  std::set<std::string> ticketNames;
  for (const auto& [name, pad] : consumer_->newPages()) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(name.starts_with("/Pad_page_") && name.ends_with(".xaml"));
    EXPECT_EQ(pad->Bytes(),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
              "Width=\"1056\" Height=\"816\" xml:lang=\"de-DE\"/>");
    ASSERT_NE(pad->ticket(), nullptr);
    BSTR uri = nullptr;
    ASSERT_EQ(pad->ticket()->GetUri(&uri), S_OK);
    const std::string ticketName = U8(std::u16string_view(uri, SysStringLen(uri)));
    SysFreeString(uri);
    EXPECT_TRUE(ticketName.starts_with("/PT_OD_")) << ticketName;
    ticketNames.insert(ticketName);
    // The ticket in force for page 1: its own orientation on the job's booklet.
    const std::string ticket = consumer_->newTickets().at(ticketName)->Bytes();
    EXPECT_NE(ticket.find("Landscape"), std::string::npos) << ticket;
    EXPECT_NE(ticket.find("Booklet"), std::string::npos) << ticket;
  }
  EXPECT_EQ(ticketNames.size(), 2u) << "one ticket part per pad";
}

TEST_F(OrderFilterTest, OnePageUnderManualDuplexSendsOnlyTheFrontOfItsSheet) {
  AddJob(JobBinding("psk:Booklet") + JobDuplex("psk:TwoSidedShortEdge", "Manual"), 1);
  EXPECT_EQ(Run(), S_OK);
  EXPECT_THAT(SentPages(), ElementsAre("pad3", "1"));

  Reset();
  AddJob(JobBinding("psk:Booklet") + JobDuplex("psk:TwoSidedShortEdge", "Automatic"), 1);
  EXPECT_EQ(Run(), S_OK);
  EXPECT_THAT(SentPages(), ElementsAre("pad3", "1", "pad1", "pad2"));
}

TEST_F(OrderFilterTest, DivideIntoSetsOrdersEachSetOnItsOwn) {
  AddJob(DivideIntoSets(2), 20);
  EXPECT_EQ(Run(), S_OK);
  std::vector<std::string> expected = Labels({8, 1, 2, 7, 6, 3, 4, 5}, 8);
  for (const std::string& label : Labels({16, 9, 10, 15, 14, 11, 12, 13, 20, 17, 18, 19}, 20))
    expected.push_back(label);
  EXPECT_THAT(SentPages(), ElementsAreArray(expected));
  EXPECT_TRUE(consumer_->newPages().empty());

  // Fewer than one sheet per set counts as one sheet.
  for (const long sheets : {0L, -3L}) {
    SCOPED_TRACE(sheets);
    Reset();
    AddJob(DivideIntoSets(sheets), 6);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_THAT(SentPages(), ElementsAre("4", "1", "2", "3", "pad2", "5", "6", "pad1"));
  }
}

TEST_F(OrderFilterTest, AChangeOfDivideConditionEndsAGroup) {
  AddSequence(JobBinding("psk:Booklet"));
  AddDocument("/D1.fdoc");
  for (const auto& [number, condition] : {std::pair{1, "A"}, {2, "A"}, {3, "B"}, {4, "B"}, {5, "B"}})
    AddPage(number, DivideCondition(condition));
  EXPECT_EQ(Run(), S_OK);
  EXPECT_THAT(SentPages(), ElementsAre("pad2", "1", "2", "pad1", "pad3", "3", "4", "5"));

  // Pages without a ticket of their own have their document's condition.
  Reset();
  AddSequence(JobBinding("psk:Booklet"));
  AddDocument("/D1.fdoc", DivideCondition("A"));
  AddPage(1);
  AddPage(2, DivideCondition("B"));
  AddPage(3);
  AddPage(4);
  EXPECT_EQ(Run(), S_OK);
  EXPECT_THAT(SentPages(), ElementsAre("pad3", "1", "pad1", "pad2", "pad6", "2", "pad4", "pad5", "pad8", "3", "4",
                                       "pad7"));
}

TEST_F(OrderFilterTest, AJobBookletMakesOneBookletOfAllDocumentsInTheFirst) {
  AddSequence(JobBinding("psk:Booklet"));
  AddDocument("/D1.fdoc");
  AddPage(1);
  AddPage(2);
  AddPage(3);
  AddDocument("/D2.fdoc");
  AddPage(4);
  AddPage(5);
  EXPECT_EQ(Run(), S_OK);
  // The sequence, the first document, then the eight pages: the second document is not sent.
  const std::vector<std::string>& sent = consumer_->sent();
  ASSERT_EQ(sent.size(), 10u);
  EXPECT_THAT(std::vector(sent.begin(), sent.begin() + 2), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc"));
  EXPECT_THAT(SentPages(), ElementsAreArray(Labels({8, 1, 2, 7, 6, 3, 4, 5}, 5)));
}

TEST_F(OrderFilterTest, PadPageNamesTakenInTheJobArePassedOver) {
  consumer_->RefusePageNames(5);
  AddJob(JobBinding("psk:Booklet"), 1);
  EXPECT_EQ(Run(), S_OK);
  EXPECT_EQ(consumer_->newPages().size(), 3u);
  EXPECT_EQ(SentPages().size(), 4u);

  // A consumer that refuses every name ends the job instead of looping.
  Reset();
  consumer_->RefusePageNames(1000);
  AddJob(JobBinding("psk:Booklet"), 1);
  EXPECT_EQ(Run(), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(SentPages().empty());
}

TEST_F(OrderFilterTest, FailuresEndTheJobAndReleaseThePendingPages) {
  // A first page that is no fixed page gives no pad.
  AddSequence(JobBinding("psk:Booklet"));
  AddDocument("/D1.fdoc");
  AddPage(1, "", "<Canvas xmlns=\"http://schemas.microsoft.com/xps/2005/06\"/>");
  AddPage(2);
  EXPECT_EQ(Run(), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
  EXPECT_TRUE(SentPages().empty());
  EXPECT_EQ(journal_.Count("shutdown " + HresultName(HRESULT_FROM_WIN32(ERROR_INVALID_DATA))), 1);

  // A page the next filter refuses stops the group there.
  Reset();
  consumer_->FailPageSend(2, E_ACCESSDENIED);
  AddJob(JobBinding("psk:Booklet"), 4);
  EXPECT_EQ(Run(), E_ACCESSDENIED);
  EXPECT_THAT(SentPages(), ElementsAre("4"));
}

}  // namespace
