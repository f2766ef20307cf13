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
      {"nothing there",
       "",
       {Scope::None, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
      {"one-sided",
       JobDuplex("psk:OneSided", Mode("Manual")),
       {Scope::Job, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
      {"long edge, manual",
       JobDuplex("psk:TwoSidedLongEdge", Mode("Manual")),
       {Scope::Job, DuplexType::LongEdgeManual, DuplexMode::Manual, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::None}},
      {"long edge, automatic",
       JobDuplex("psk:TwoSidedLongEdge", Mode("Automatic")),
       {Scope::Job, DuplexType::LongEdge, DuplexMode::Automatic, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::None}},
      {"long edge without mode",
       JobDuplex("psk:TwoSidedLongEdge"),
       {Scope::Job, DuplexType::LongEdge, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
      {"long edge, other mode",
       JobDuplex("psk:TwoSidedLongEdge", Mode("Other")),
       {Scope::Job, DuplexType::LongEdge, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
      {"short edge, manual",
       JobDuplex("psk:TwoSidedShortEdge", Mode("Manual")),
       {Scope::Job, DuplexType::ShortEdgeManual, DuplexMode::Manual, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::None}},
      {"short edge without mode",
       JobDuplex("psk:TwoSidedShortEdge"),
       {Scope::Job, DuplexType::ShortEdge, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
      {"only the document feature",
       Feature("psk:DocumentDuplex", Option("psk:TwoSidedLongEdge", Mode("Manual"))),
       {Scope::None, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
      {"first paper, manual sub mode",
       DuplexData(Item("TraySeparationMode", "DuplexPrintFirstPaper") + Item("DuplexModeSubData", "Manual")),
       {Scope::None, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPaper,
        DuplexMode::Manual}},
      {"first page, automatic sub mode",
       DuplexData(Item("TraySeparationMode", "DuplexPrintFirstPage") + Item("DuplexModeSubData", "Automatic")),
       {Scope::None, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::Automatic}},
      {"empty duplex data",
       DuplexData(""),
       {Scope::None, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPage, DuplexMode::None}},
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
  const DuplexSettings inherited{Scope::None, DuplexType::LongEdgeManual, DuplexMode::Manual,
                                 TraySeparation::DuplexPrintFirstPaper, DuplexMode::Manual};
  struct Case {
    const char* label;
    std::string body;
    DuplexSettings expected;
  };
  const Case cases[] = {
      {"unknown option keeps type and mode",
       JobDuplex("psk:ThreeSided"),
       {Scope::Job, DuplexType::LongEdgeManual, DuplexMode::Manual, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::Manual}},
      {"one-sided keeps the mode",
       JobDuplex("psk:OneSided"),
       {Scope::Job, DuplexType::OneSided, DuplexMode::Manual, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::Manual}},
      {"unknown sub mode kept, missing tray separation is first page",
       DuplexData(Item("DuplexModeSubData", "manual")),
       {Scope::None, DuplexType::LongEdgeManual, DuplexMode::Manual, TraySeparation::DuplexPrintFirstPage,
        DuplexMode::Manual}},
      {"missing sub mode becomes 0",
       DuplexData(Item("TraySeparationMode", "DuplexPrintFirstPaper")),
       {Scope::None, DuplexType::LongEdgeManual, DuplexMode::Manual, TraySeparation::DuplexPrintFirstPaper,
        DuplexMode::None}},
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
  ASSERT_EQ(WriteDuplex(*ticket, DuplexSettings{Scope::Job, DuplexType::OneSided, DuplexMode::Manual,
                                                TraySeparation::DuplexPrintFirstPage, DuplexMode::None}),
            S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Option[@name = \"psk:OneSided\"]"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:ScoredProperty"), 0) << "no DuplexMode for one-sided";
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name = \"ns0000:JobDuplexData\"]"), 1);
  Bstr tray;
  EXPECT_EQ(ticket->GetValue(u"//psf:Property[@name = \"ns0000:TraySeparationMode\"]", &tray), S_OK);
  EXPECT_EQ(Text(tray), "DuplexPrintFirstPage");

  for (const DuplexSettings& written : {DuplexSettings{Scope::Job, DuplexType::LongEdgeManual, DuplexMode::Manual,
                                                       TraySeparation::DuplexPrintFirstPaper, DuplexMode::Automatic},
                                        DuplexSettings{Scope::Job, DuplexType::ShortEdge, DuplexMode::Automatic,
                                                       TraySeparation::DuplexPrintFirstPage, DuplexMode::Manual},
                                        DuplexSettings{Scope::None, DuplexType::OneSided, DuplexMode::None,
                                                       TraySeparation::DuplexPrintFirstPaper, DuplexMode::None}}) {
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
  for (const DuplexSettings& bad :
       {DuplexSettings{static_cast<Scope>(2), DuplexType::OneSided, DuplexMode::None,
                       TraySeparation::DuplexPrintFirstPage, DuplexMode::None},
        DuplexSettings{Scope::Job, static_cast<DuplexType>(5), DuplexMode::None, TraySeparation::DuplexPrintFirstPage,
                       DuplexMode::None},
        DuplexSettings{Scope::Job, DuplexType::OneSided, static_cast<DuplexMode>(3),
                       TraySeparation::DuplexPrintFirstPage, DuplexMode::None},
        DuplexSettings{Scope::Job, DuplexType::OneSided, DuplexMode::None, TraySeparation::DuplexPrintFirstPage,
                       static_cast<DuplexMode>(-1)}}) {
    Wrapped ticket(TicketXml(JobDuplex("psk:TwoSidedLongEdge")));
    EXPECT_EQ(WriteDuplex(*ticket, bad), E_INVALIDARG);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 1);
  }
}

}  // namespace
