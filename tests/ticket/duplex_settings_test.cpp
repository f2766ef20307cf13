#include "ticket/duplex_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string JobDuplex(std::string_view option, std::string_view content = "") {
  return Feature("psk:JobDuplexAllDocumentsContiguously", Option(option, content));
}
std::string Mode(std::string_view mode) { return Scored("psk:DuplexMode", StringValue(mode)); }
std::string DuplexData(std::string_view items) { return Property("ns0000:JobDuplexData", items); }
std::string Item(std::string_view name, std::string_view text) {
  return Property("ns0000:" + std::string(name), StringValue(text));
}

TEST(ReadDuplex, ReadsTypeAndModeFromTheJobFeature) {
  struct Case {
    const char* label;
    std::string body;
    DuplexSettings expected;
  };
  const Case cases[] = {
      {"nothing there", "", {-1, 0, 0, 0, 0}},
      {"one-sided", JobDuplex("psk:OneSided", Mode("Manual")), {0, 0, 0, 0, 0}},
      {"long edge, manual", JobDuplex("psk:TwoSidedLongEdge", Mode("Manual")), {0, 4, 2, 0, 0}},
      {"long edge, automatic", JobDuplex("psk:TwoSidedLongEdge", Mode("Automatic")), {0, 3, 1, 0, 0}},
      {"long edge without mode", JobDuplex("psk:TwoSidedLongEdge"), {0, 3, 0, 0, 0}},
      {"long edge, other mode", JobDuplex("psk:TwoSidedLongEdge", Mode("Other")), {0, 3, 0, 0, 0}},
      {"short edge, manual", JobDuplex("psk:TwoSidedShortEdge", Mode("Manual")), {0, 2, 2, 0, 0}},
      {"short edge without mode", JobDuplex("psk:TwoSidedShortEdge"), {0, 1, 0, 0, 0}},
      {"only the document feature",
       Feature("psk:DocumentDuplex", Option("psk:TwoSidedLongEdge", Mode("Manual"))), {-1, 0, 0, 0, 0}},
      {"first paper, manual sub mode",
       DuplexData(Item("TraySeparationMode", "DuplexPrintFirstPaper") + Item("DuplexModeSubData", "Manual")),
       {-1, 0, 0, 1, 2}},
      {"first page, automatic sub mode",
       DuplexData(Item("TraySeparationMode", "DuplexPrintFirstPage") + Item("DuplexModeSubData", "Automatic")),
       {-1, 0, 0, 0, 1}},
      {"empty duplex data", DuplexData(""), {-1, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    DuplexSettings settings;
    EXPECT_EQ(ReadDuplex(*ticket, settings), S_OK);
    EXPECT_EQ(settings.scope, c.expected.scope);
    EXPECT_EQ(settings.duplexType, c.expected.duplexType);
    EXPECT_EQ(settings.duplexMode, c.expected.duplexMode);
    EXPECT_EQ(settings.firstPaper, c.expected.firstPaper);
    EXPECT_EQ(settings.subMode, c.expected.subMode);
  }
}

TEST(ReadDuplex, KeepsWhatTheTicketDoesNotSay) {
  const DuplexSettings inherited{-1, 4, 2, 1, 2};
  struct Case {
    const char* label;
    std::string body;
    DuplexSettings expected;
  };
  const Case cases[] = {
      {"unknown option keeps type and mode", JobDuplex("psk:ThreeSided"), {0, 4, 2, 0, 2}},
      {"one-sided keeps the mode", JobDuplex("psk:OneSided"), {0, 0, 2, 0, 2}},
      {"unknown sub mode kept, missing tray separation is first page",
       DuplexData(Item("DuplexModeSubData", "manual")), {-1, 4, 2, 0, 2}},
      {"missing sub mode becomes 0", DuplexData(Item("TraySeparationMode", "DuplexPrintFirstPaper")),
       {-1, 4, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    DuplexSettings settings = inherited;
    EXPECT_EQ(ReadDuplex(*ticket, settings), S_OK);
    EXPECT_EQ(settings.scope, c.expected.scope);
    EXPECT_EQ(settings.duplexType, c.expected.duplexType);
    EXPECT_EQ(settings.duplexMode, c.expected.duplexMode);
    EXPECT_EQ(settings.firstPaper, c.expected.firstPaper);
    EXPECT_EQ(settings.subMode, c.expected.subMode);
  }
}

TEST(WriteDuplex, WritesTheJobFeatureAndAlwaysTheDuplexData) {
  Wrapped ticket(TicketXml(JobDuplex("psk:TwoSidedLongEdge", Mode("Manual")) +
                           Feature("psk:DocumentDuplex", Option("psk:TwoSidedShortEdge")) +
                           DuplexData(Item("DuplexModeSubData", "Manual")) + DuplexData("")));
  ASSERT_EQ(WriteDuplex(*ticket, DuplexSettings{0, 0, 2, 0, 0}), S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Option[@name = \"psk:OneSided\"]"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:ScoredProperty"), 0) << "no DuplexMode for one-sided";
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name = \"ns0000:JobDuplexData\"]"), 1);
  Bstr tray;
  EXPECT_EQ(ticket->GetValue(u"//psf:Property[@name = \"ns0000:TraySeparationMode\"]", &tray), S_OK);
  EXPECT_EQ(Text(tray), "DuplexPrintFirstPage");

  for (const DuplexSettings& written : {DuplexSettings{0, 4, 2, 1, 1}, DuplexSettings{0, 1, 1, 0, 2},
                                        DuplexSettings{-1, 0, 0, 1, 0}}) {
    ASSERT_EQ(WriteDuplex(*ticket, written), S_OK);
    DuplexSettings read;
    EXPECT_EQ(ReadDuplex(*ticket, read), S_OK);
    EXPECT_EQ(read.scope, written.scope);
    EXPECT_EQ(read.duplexType, written.duplexType);
    EXPECT_EQ(read.duplexMode, written.duplexMode);
    EXPECT_EQ(read.firstPaper, written.firstPaper);
    EXPECT_EQ(read.subMode, written.subMode);
  }
}

TEST(WriteDuplex, RefusesFieldsOutsideTheirRange) {
  for (const DuplexSettings& bad : {DuplexSettings{2, 0, 0, 0, 0}, DuplexSettings{0, 5, 0, 0, 0},
                                    DuplexSettings{0, 0, 3, 0, 0}, DuplexSettings{0, 0, 0, 0, -1}}) {
    Wrapped ticket(TicketXml(JobDuplex("psk:TwoSidedLongEdge")));
    EXPECT_EQ(WriteDuplex(*ticket, bad), E_INVALIDARG);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 1);
  }
}

}  // namespace
