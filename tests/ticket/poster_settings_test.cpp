#include "ticket/poster_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string Poster(std::string_view sheets, std::string_view cutOut = "") {
  std::string content = Option("psk:On", sheets);
  if (!cutOut.empty()) content += Feature("ns0000:PagePrintCutOutLine", Option(cutOut));
  return Feature("psk:PagePoster", content);
}
std::string HideFlag(long value) {
  return Property("ns0000:PagePosterData", Property("ns0000:HideFlag", IntValue(value)));
}

TEST(ReadPoster, ReadsSheetsCutOutLineAndHideFlag) {
  struct Case {
    const char* label;
    std::string body;
    PosterSettings expected;
  };
  // Every read starts from {7, 9, OffOn::On}: an absent poster means 0 sheets, while
  // absent cut-out line and hide flag keep what the record held.
  const Case cases[] = {
      {"nothing there", "", {0, 9, OffOn::On}},
      {"four sheets without cut-out line",
       Poster(Scored("psk:SheetsPerPage", IntValue(4)), "ns0000:Off"),
       {4, 9, OffOn::Off}},
      {"SheetsPerPage -3", Poster(Scored("psk:SheetsPerPage", IntValue(-3))), {0, 9, OffOn::On}},
      {"SheetsPerPage missing", Poster(""), {0, 9, OffOn::On}},
      {"HideFlag 257 keeps its low byte", HideFlag(257), {0, 1, OffOn::On}},
      {"HideFlag outside PagePosterData is not read", Property("ns0000:HideFlag", IntValue(3)), {0, 9, OffOn::On}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    PosterSettings settings{7, 9, OffOn::On};
    EXPECT_EQ(ReadPoster(*ticket, settings), S_OK);
    EXPECT_EQ(settings.sheetsPerPage, c.expected.sheetsPerPage);
    EXPECT_EQ(settings.hideFlag, c.expected.hideFlag);
    EXPECT_EQ(settings.cutOutLine, c.expected.cutOutLine);
  }
}

}  // namespace
