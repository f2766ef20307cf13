#include "ticket/job_info_settings.h"

#include <gtest/gtest.h>

#include "ticket/divide_condition_watch.h"
#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string PrivateString(std::string_view name, std::string_view text) {
  return Property("ns0000:" + std::string(name), StringValue(text));
}
std::string PrivateInt(std::string_view name, long value) {
  return Property("ns0000:" + std::string(name), IntValue(value));
}
std::string Group(std::string_view name, std::string_view items) {
  return Property("ns0000:" + std::string(name), items);
}

TEST(ReadJobInfo, ReadsTheThreeGroups) {
  struct Case {
    const char* label;
    std::string body;
    const char* divideCondition;
    OffOn separateTrayMode;
    OffOn draftMode;
    LONG codePage;
    WORD bandingPortraitSize;
  };
  const Case cases[] = {
      {"nothing there", "", "", OffOn::Off, OffOn::Off, 1252, 0},
      {"tray separation and divide condition",
       Group("JobSettingData", PrivateString("SeparateTrayMode", "On") + PrivateString("DivideCondition", "ABC")),
       "ABC", OffOn::On, OffOn::Off, 1252, 0},
      {"draft mode in lower case", Group("JobSecretFunctionData", PrivateString("DraftMode", "on")), "", OffOn::Off,
       OffOn::Off, 1252, 0},
      {"draft mode on", Group("JobSecretFunctionData", PrivateString("DraftMode", "On")), "", OffOn::Off, OffOn::On,
       1252, 0},
      {"items without their group are not read", PrivateString("DraftMode", "On") + PrivateInt("CodePage", 932), "",
       OffOn::Off, OffOn::Off, 1252, 0},
      {"banding truncated to 16 bits", Group("JobSettingData", PrivateInt("BandingPortraitSize", 65537)), "",
       OffOn::Off, OffOn::Off, 1252, 1},
      {"code page", Group("JobInfoData", PrivateInt("CodePage", 932)), "", OffOn::Off, OffOn::Off, 932, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    JobInfoSettings settings;
    EXPECT_EQ(ReadJobInfo(*ticket, settings), S_OK);
    EXPECT_EQ(Text(settings.divideCondition), c.divideCondition);
    EXPECT_EQ(settings.separateTrayMode, c.separateTrayMode);
    EXPECT_EQ(settings.draftMode, c.draftMode);
    EXPECT_EQ(settings.codePage, c.codePage);
    EXPECT_EQ(settings.bandingPortraitSize, c.bandingPortraitSize);
  }
}

JobInfoSettings EveryFieldSet() {
  JobInfoSettings settings;
  settings.userName = Bstr(u"Ana \u00c9lise");
  settings.computerName = Bstr(u"host-7");
  settings.codePage = 65001;
  settings.separateTrayMode = OffOn::On;
  settings.divideCondition = Bstr(u"Copies<2> & \"Pages\"");
  settings.bandingPortraitFlag = 1;
  settings.bandingPortraitSize = 65535;
  settings.bandingLandscapeFlag = 2;
  settings.bandingLandscapeSize = 300;
  settings.halftoneReduction = OffOn::On;
  settings.draftMode = OffOn::On;
  return settings;
}

TEST(WriteJobInfo, RoundTripsEveryFieldAndLeavesOneGroupOfEachName) {
  // Stale groups, one of them twice, that the writer replaces.
  const std::string stale = Group("JobInfoData", PrivateString("DefaultUserName", "old")) +
                            Group("JobInfoData", PrivateString("DefaultUserName", "older")) +
                            Group("JobSecretFunctionData", PrivateString("DraftMode", "Off"));
  Wrapped ticket(TicketXml(stale));
  const JobInfoSettings written = EveryFieldSet();
  ASSERT_EQ(WriteJobInfo(*ticket, written), S_OK);
  JobInfoSettings read;
  EXPECT_EQ(ReadJobInfo(*ticket, read), S_OK);
  EXPECT_EQ(Text(read.userName), Text(written.userName));
  EXPECT_EQ(Text(read.computerName), Text(written.computerName));
  EXPECT_EQ(read.codePage, written.codePage);
  EXPECT_EQ(read.separateTrayMode, written.separateTrayMode);
  EXPECT_EQ(Text(read.divideCondition), Text(written.divideCondition));
  EXPECT_EQ(read.bandingPortraitFlag, written.bandingPortraitFlag);
  EXPECT_EQ(read.bandingPortraitSize, written.bandingPortraitSize);
  EXPECT_EQ(read.bandingLandscapeFlag, written.bandingLandscapeFlag);
  EXPECT_EQ(read.bandingLandscapeSize, written.bandingLandscapeSize);
  EXPECT_EQ(read.halftoneReduction, written.halftoneReduction);
  EXPECT_EQ(read.draftMode, written.draftMode);
  for (const char16_t* group : {u"JobInfoData", u"JobSettingData", u"JobSecretFunctionData"})
    EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name = \"ns0000:" + std::u16string(group) + u"\"]"), 1);
  Bstr size;
  ASSERT_EQ(ticket->GetValue(u"//psf:Property[@name = \"ns0000:BandingPortraitSize\"]", &size), S_OK);
  EXPECT_EQ(Text(size), "65535") << "16-bit values are written zero-extended";
}

TEST(RemoveJobInfo, ReportsTheLastGroup) {
  Wrapped withSecret(TicketXml(Group("JobInfoData", "") + Group("JobSecretFunctionData", "")));
  EXPECT_EQ(RemoveJobInfo(*withSecret), S_OK);
  EXPECT_EQ(CountOf(*withSecret, u"//psf:Property"), 0);
  Wrapped withoutSecret(TicketXml(Group("JobInfoData", "")));
  EXPECT_EQ(RemoveJobInfo(*withoutSecret), S_FALSE);
  EXPECT_EQ(CountOf(*withoutSecret, u"//psf:Property"), 0);
}

ComPtr<IXMLDOMDocument2> PageTicket(std::string_view divideCondition) {
  return LoadXml(TicketXml(Group("JobSettingData", PrivateString("DivideCondition", divideCondition))));
}

TEST(ObserveDivideCondition, ReportsAChangeFromOnePageToTheNext) {
  DivideConditionWatch watch;
  watch.namespaceUri = Bstr(PRIVATE_KEYWORDS_NS);
  struct Page {
    const char* divideCondition;
    bool changed;
  };
  for (const Page& page : {Page{"A", false}, Page{"A", false}, Page{"B", true}, Page{"b", true}}) {
    SCOPED_TRACE(page.divideCondition);
    EXPECT_EQ(ObserveDivideCondition(watch, PageTicket(page.divideCondition).Get(), 0), S_OK);
    EXPECT_EQ(watch.changed, page.changed);
  }
  EXPECT_EQ(Text(watch.lastDivideCondition), "b");
}

TEST(ObserveDivideCondition, OtherScopesAndUnwrappableTicketsReportNoChange) {
  DivideConditionWatch watch;
  watch.namespaceUri = Bstr(PRIVATE_KEYWORDS_NS);
  ASSERT_EQ(ObserveDivideCondition(watch, PageTicket("A").Get(), 0), S_OK);
  EXPECT_EQ(ObserveDivideCondition(watch, PageTicket("B").Get(), 1), S_OK);
  EXPECT_FALSE(watch.changed);
  EXPECT_EQ(Text(watch.lastDivideCondition), "A") << "a document ticket is not read";
  EXPECT_EQ(ObserveDivideCondition(watch, nullptr, 0), E_PENDING);
  EXPECT_FALSE(watch.changed);
  const ComPtr<IXMLDOMDocument2> capabilities = LoadXml(TicketXml("", kDeclarations, "PrintCapabilities"));
  EXPECT_EQ(ObserveDivideCondition(watch, capabilities.Get(), 0), E_FAIL);
  EXPECT_FALSE(watch.changed);
  EXPECT_EQ(ObserveDivideCondition(watch, PageTicket("B").Get(), 0), S_OK);
  EXPECT_TRUE(watch.changed);
}

}  // namespace
