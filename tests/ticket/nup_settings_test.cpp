#include "ticket/nup_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string JobNUp(std::string_view pages, std::string_view direction, std::string_view border) {
  std::string content = "<psf:Option>" + std::string(pages) + "</psf:Option>";
  if (!direction.empty()) content += Feature("psk:PresentationDirection", Option(direction));
  if (!border.empty()) content += Feature("ns0000:BorderLine", Option(border));
  return Feature("psk:JobNUpAllDocumentsContiguously", content);
}
std::string Pages(long count) { return Scored("psk:PagesPerSheet", IntValue(count)); }

TEST(ReadNUp, CountsOnlyWithEveryItemPresent) {
  const NUpSettings inherited{-1, 0, 0, 1};
  struct Case {
    const char* label;
    std::string body;
    NUpSettings expected;
  };
  const Case cases[] = {
      {"nothing there", "", {-1, 0, 0, 1}},
      {"every item", JobNUp(Pages(4), "psk:BottomLeft", "ns0000:BreakLine"), {0, 4, 3, 2}},
      {"without BorderLine", JobNUp(Pages(4), "psk:BottomLeft", ""), {-1, 4, 3, 1}},
      {"PagesPerSheet 0", JobNUp(Pages(0), "psk:BottomLeft", "ns0000:SolidLine"), {-1, 1, 0, 1}},
      {"without PresentationDirection", JobNUp(Pages(2), "", "ns0000:None"), {-1, 2, 0, 0}},
      {"unknown direction", JobNUp(Pages(9), "psk:Spiral", "ns0000:BreakLine"), {0, 9, 0, 2}},
      {"only the document feature",
       Feature("psk:DocumentNUp", "<psf:Option>" + Pages(4) + "</psf:Option>"), {-1, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    NUpSettings settings = inherited;
    EXPECT_EQ(ReadNUp(*ticket, settings), S_OK);
    EXPECT_EQ(settings.scope, c.expected.scope);
    EXPECT_EQ(settings.pagesPerSheet, c.expected.pagesPerSheet);
    EXPECT_EQ(settings.presentationDirection, c.expected.presentationDirection);
    EXPECT_EQ(settings.borderLine, c.expected.borderLine);
  }
}

TEST(ReadNUp, PagesPerSheetBelowOneKeepsAnInheritedScope) {
  Wrapped ticket(TicketXml(JobNUp(Pages(-3), "psk:BottomLeft", "ns0000:SolidLine")));
  NUpSettings settings{0, 2, 1, 2};
  EXPECT_EQ(ReadNUp(*ticket, settings), S_OK);
  EXPECT_EQ(settings.scope, 0);
  EXPECT_EQ(settings.pagesPerSheet, 1);
  EXPECT_EQ(settings.presentationDirection, 1);
  EXPECT_EQ(settings.borderLine, 1);
}

TEST(WriteNUp, RoundTripsAndRemovesBothFeatures) {
  const std::string both = JobNUp(Pages(2), "psk:RightBottom", "ns0000:None") +
                           Feature("psk:DocumentNUp", "<psf:Option>" + Pages(4) + "</psf:Option>");
  Wrapped ticket(TicketXml(both));
  const NUpSettings written{0, 16, 2, 2};
  ASSERT_EQ(WriteNUp(*ticket, written), S_OK);
  NUpSettings read;
  EXPECT_EQ(ReadNUp(*ticket, read), S_OK);
  EXPECT_EQ(read.scope, 0);
  EXPECT_EQ(read.pagesPerSheet, 16);
  EXPECT_EQ(read.presentationDirection, 2);
  EXPECT_EQ(read.borderLine, 2);
  EXPECT_EQ(CountOf(*ticket, u"/psf:PrintTicket/psf:Feature"), 1);

  ASSERT_EQ(WriteNUp(*ticket, NUpSettings{0, 0, 9, 9}), S_OK) << "0 pages: no table lookups";
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 0);
}

TEST(WriteNUp, RefusesADirectionOrBorderOutsideItsTable) {
  for (const NUpSettings& bad : {NUpSettings{0, 4, 4, 0}, NUpSettings{0, 4, 0, 3}}) {
    Wrapped ticket(TicketXml(JobNUp(Pages(2), "psk:RightBottom", "ns0000:None")));
    EXPECT_EQ(WriteNUp(*ticket, bad), E_INVALIDARG);
    EXPECT_EQ(CountOf(*ticket, u"/psf:PrintTicket/psf:Feature"), 1);
  }
}

}  // namespace
