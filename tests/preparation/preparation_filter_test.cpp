// The preparation filter in a scripted pipeline: what it leaves alone, how it
// rewrites a page, and which tickets it hands on.
#include "filters/preparation/preparation_filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "framework/filter_module.h"
#include "preparation_pipeline.h"

// This test program is a filter module of its own.
constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}"),
    MakeGuid("{E068A897-BE77-4097-B29E-5AD3615EA48A}"),
    &CreateFilterObject<PreparationFilter>,
};

namespace {

using namespace preparation_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class PreparationFilterTest : public PreparationPipeline {
 protected:
  // The ticket text read back as settings.
  static ScalingSettings ScalingOf(const std::string& ticket) {
    ticket_test::Wrapped wrapped(ticket);
    ScalingSettings settings;
    EXPECT_EQ(ReadScalingSettings(*wrapped, settings), S_OK);
    return settings;
  }
  static MediaSizeSettings MediaOf(const std::string& ticket) {
    ticket_test::Wrapped wrapped(ticket);
    MediaSizeSettings media;
    EXPECT_TRUE(SUCCEEDED(ReadMediaSize(*wrapped, media)));
    return media;
  }
};

TEST_F(PreparationFilterTest, NothingAskedLeavesEveryPartAsItCame) {
  struct Case {
    const char* label;
    std::string jobTicket, pageTicket;
  };
  const Case cases[] = {
      {"no tickets", "", ""},
      {"tickets asking for other things", Feature("psk:PageOrientation", Option("psk:Landscape")),
       Feature("psk:PageOutputColor", Option("psk:Monochrome"))},
      {"scaling None, correction Off", Scaling("psk:None"),
       Property("ns0000:PageScalingData", Property("ns0000:CorrectFixedPageSize", StringValue("Off")))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    const auto sequence = AddSequence(c.jobTicket);
    AddDocument("/D1.fdoc");
    AddPage(1);
    AddPage(2, c.pageTicket);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc", "/p1", "/p2"));
    for (const auto& page : pages_) {
      EXPECT_EQ(page->written(), nullptr) << page->uri();
      EXPECT_EQ(page->Bytes(), PageMarkup(page->uri() == "/p1" ? 1 : 2));
    }
    EXPECT_TRUE(consumer().newTickets().empty());
    EXPECT_THAT(TicketName(*sequence), Not(HasSubstr("SC")));
  }
}

// Every element and attribute comes back, values escaped; the resources move
// into a canvas of their own inside the scaling canvas; the boxes go.
TEST_F(PreparationFilterTest, RewrittenPageKeepsItsMarkupInsideTheScalingCanvas) {
  const std::string markup =
      "<?xml version=\"1.0\"?><FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" "
      "Height=\"1056\" ContentBox=\"0,0,0,0\" BleedBox=\"-5,-5,826,1066\" xml:lang=\"en-US\">\n"
      "<FixedPage.Resources><ResourceDictionary><SolidColorBrush x:Key=\"b\" Color=\"#FF0000FF\" "
      "xmlns:x=\"http://schemas.microsoft.com/winfx/2006/xaml\"/></ResourceDictionary></FixedPage.Resources>\n"
      "<Canvas><Canvas Name=\"inner\"><Path Data=\"M 0,0 L 10,10 Z\" Fill=\"{StaticResource b}\"/></Canvas></Canvas>"
      "<Glyphs UnicodeString=\"A&amp;B &lt;&quot;q&quot;&gt; it&apos;s\" FontUri=\"/f.ttf\" FontRenderingEmSize=\"12\" "
      "OriginX=\"1\" OriginY=\"2\" FixedPage.NavigateUri=\"http://x.example/?a=1&amp;b=2\"/></FixedPage>";
  AddSequence();
  AddDocument("/D1.fdoc");
  const auto page = AddPage(1, CorrectFixedPageSize(), markup);
  ASSERT_EQ(Run(), S_OK);
  ASSERT_NE(page->written(), nullptr);
  EXPECT_EQ(page->written()->bytes,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816.01\" Height=\"1056.01\" "
            "xml:lang=\"en-US\">"
            "<Canvas RenderTransform=\"1.000000,0.000000,0.000000,1.000000,0.00,0.00\" "
            "Clip=\"M 0.00,0.00 L 816.00,0.00 816.00,1056.00 0.00,1056.00 z\">"
            "<Canvas><Canvas.Resources><ResourceDictionary><SolidColorBrush x:Key=\"b\" Color=\"#FF0000FF\" "
            "xmlns:x=\"http://schemas.microsoft.com/winfx/2006/xaml\"/></ResourceDictionary></Canvas.Resources>"
            "<Canvas><Canvas Name=\"inner\"><Path Data=\"M 0,0 L 10,10 Z\" Fill=\"{StaticResource b}\"/></Canvas>"
            "</Canvas><Glyphs UnicodeString=\"A&amp;B &lt;&quot;q&quot;&gt; it&apos;s\" FontUri=\"/f.ttf\" "
            "FontRenderingEmSize=\"12\" OriginX=\"1\" OriginY=\"2\" "
            "FixedPage.NavigateUri=\"http://x.example/?a=1&amp;b=2\"/></Canvas></Canvas>\n</FixedPage>\n");
  EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc", "/p1"));
}

TEST_F(PreparationFilterTest, ScaledScopesHandOnTicketsThatAskForNoScalingAndCarryTheNewPaper) {
  struct Case {
    const char* label;
    std::string userTicket, jobTicket, documentTicket, pageTicket;
    std::string sequenceTag, documentTag, pageTag;
  };
  const std::string a4 = FitToPaper("psk:ISOA4", 210000, 297000);
  const Case cases[] = {
      {"asked by the job", "", a4, "", "", "SC_JOB", "", ""},
      {"asked by the user's default only", a4, "", "", "", "SC_JOB", "", ""},
      {"asked by the document", "", "", a4, "", "", "SC_DOC", ""},
      {"asked by the job, a page with a ticket of its own", "", a4, "",
       Feature("psk:PageOutputColor", Option("psk:Monochrome")), "SC_JOB", "", "SC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    SetUserTicket(c.userTicket);
    const auto sequence = AddSequence(c.jobTicket);
    const auto document = AddDocument("/D1.fdoc", c.documentTicket);
    const auto plain = AddPage(1);
    const auto own = AddPage(2, c.pageTicket);
    ASSERT_EQ(Run(), S_OK);
    EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc", "/p1", "/p2"));
    for (const auto& [name, ticket, tag] :
         {std::tuple{"sequence", TicketName(*sequence), c.sequenceTag},
          std::tuple{"document", TicketName(*document), c.documentTag},
          std::tuple{"page", TicketName(*own), c.pageTag}}) {
      SCOPED_TRACE(name);
      if (tag.empty())
        EXPECT_THAT(ticket, Not(HasSubstr("/PT_SC")));
      else
        EXPECT_THAT(ticket, HasSubstr("/PT_" + tag + "_"));
    }
    for (const auto& [name, handedOn] : consumer().newTickets()) {
      SCOPED_TRACE(name);
      EXPECT_EQ(ScalingOf(handedOn->Bytes()).mode, ScalingMode::None);
      const MediaSizeSettings media = MediaOf(handedOn->Bytes());
      EXPECT_EQ(ticket_test::Text(media.optionName), "ISOA4");
      EXPECT_EQ(media.width, 210000);
    }
    for (const auto& page : {plain, own}) {
      ASSERT_NE(page->written(), nullptr) << page->uri();
      EXPECT_THAT(page->written()->bytes, HasSubstr("Width=\"793.71\" Height=\"1122.53\""));
      EXPECT_THAT(page->written()->bytes, HasSubstr("RenderTransform=\"0.971557,0.000000,0.000000,0.971557,0.46,0.46\""));
    }
  }
}

TEST_F(PreparationFilterTest, AFailedWriteFailsThePageInsteadOfSendingItCutShort) {
  for (const int failing : {0, 1}) {
    SCOPED_TRACE(failing);
    Reset();
    AddSequence();
    AddDocument("/D1.fdoc");
    std::string big = "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\">";
    // More than the rewriter keeps before writing, so that the last piece is a second write.
    while (big.size() < 800'000) big += "<Path Data=\"M 0,0 L 100,100 L 0,100 Z\" Fill=\"#FF000000\"/>";
    big += "</FixedPage>";
    const auto page = AddPage(1, CorrectFixedPageSize(), big);
    page->FailWrite(failing);
    EXPECT_EQ(Run(), E_FAIL);
    EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc"));
    EXPECT_TRUE(page->written()->closed);
  }
}

TEST_F(PreparationFilterTest, MalformedPageFailsTheJob) {
  AddSequence();
  AddDocument("/D1.fdoc");
  AddPage(1, CorrectFixedPageSize(), "<FixedPage Width=\"816\" Height=\"1056\"><Path></FixedPage>");
  EXPECT_TRUE(FAILED(Run()));
  EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc"));
}

}  // namespace
