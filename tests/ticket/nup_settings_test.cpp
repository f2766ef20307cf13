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
  const NUpSettings inherited{Scope::None, 0, NUpDirection::RightBottom, BorderLine::SolidLine};
  struct Case {
    const char* label;
    std::string body;
    NUpSettings expected;
  };
  const Case cases[] = {
      {"nothing there", "", {Scope::None, 0, NUpDirection::RightBottom, BorderLine::SolidLine}},
      {"every item",
       JobNUp(Pages(4), "psk:BottomLeft", "ns0000:BreakLine"),
       {Scope::Job, 4, NUpDirection::BottomLeft, BorderLine::BreakLine}},
      {"without BorderLine",
       JobNUp(Pages(4), "psk:BottomLeft", ""),
       {Scope::None, 4, NUpDirection::BottomLeft, BorderLine::SolidLine}},
      {"PagesPerSheet 0",
       JobNUp(Pages(0), "psk:BottomLeft", "ns0000:SolidLine"),
       {Scope::None, 1, NUpDirection::RightBottom, BorderLine::SolidLine}},
      {"without PresentationDirection",
       JobNUp(Pages(2), "", "ns0000:None"),
       {Scope::None, 2, NUpDirection::RightBottom, BorderLine::None}},
      {"unknown direction",
       JobNUp(Pages(9), "psk:Spiral", "ns0000:BreakLine"),
       {Scope::Job, 9, NUpDirection::RightBottom, BorderLine::BreakLine}},
      {"only the document feature",
       Feature("psk:DocumentNUp", "<psf:Option>" + Pages(4) + "</psf:Option>"),
       {Scope::None, 0, NUpDirection::RightBottom, BorderLine::SolidLine}},
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
  NUpSettings settings{Scope::Job, 2, NUpDirection::BottomRight, BorderLine::BreakLine};
  EXPECT_EQ(ReadNUp(*ticket, settings), S_OK);
  EXPECT_EQ(settings.scope, Scope::Job);
  EXPECT_EQ(settings.pagesPerSheet, 1);
  EXPECT_EQ(settings.presentationDirection, NUpDirection::BottomRight);
  EXPECT_EQ(settings.borderLine, BorderLine::SolidLine);
}

TEST(WriteNUp, RoundTripsAndRemovesBothFeatures) {
  const std::string both = JobNUp(Pages(2), "psk:RightBottom", "ns0000:None") +
                           Feature("psk:DocumentNUp", "<psf:Option>" + Pages(4) + "</psf:Option>");
  Wrapped ticket(TicketXml(both));
  const NUpSettings written{Scope::Job, 16, NUpDirection::LeftBottom, BorderLine::BreakLine};
  ASSERT_EQ(WriteNUp(*ticket, written), S_OK);
  NUpSettings read;
  EXPECT_EQ(ReadNUp(*ticket, read), S_OK);
  EXPECT_EQ(read.scope, Scope::Job);
  EXPECT_EQ(read.pagesPerSheet, 16);
  EXPECT_EQ(read.presentationDirection, NUpDirection::LeftBottom);
  EXPECT_EQ(read.borderLine, BorderLine::BreakLine);
  EXPECT_EQ(CountOf(*ticket, u"/psf:PrintTicket/psf:Feature"), 1);

  ASSERT_EQ(WriteNUp(*ticket, NUpSettings{Scope::Job, 0, static_cast<NUpDirection>(9), static_cast<BorderLine>(9)}),
            S_OK)
      << "0 pages: no table lookups";
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 0);
}

TEST(WriteNUp, RefusesADirectionOrBorderOutsideItsTable) {
  for (const NUpSettings& bad : {NUpSettings{Scope::Job, 4, static_cast<NUpDirection>(4), BorderLine::None},
                                 NUpSettings{Scope::Job, 4, NUpDirection::RightBottom, static_cast<BorderLine>(3)}}) {
    Wrapped ticket(TicketXml(JobNUp(Pages(2), "psk:RightBottom", "ns0000:None")));
    EXPECT_EQ(WriteNUp(*ticket, bad), E_INVALIDARG);
    EXPECT_EQ(CountOf(*ticket, u"/psf:PrintTicket/psf:Feature"), 1);
  }
}

}  // namespace
