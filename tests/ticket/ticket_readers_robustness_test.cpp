// Every reader on the real tickets of the corpus and on hostile ones (results
// are successes, absent or unreadable items keep their defaults, nothing
// crashes), and the writers on a document that lost its root.
#include <gtest/gtest.h>

#include "ticket/binding_settings.h"
#include "ticket/duplex_settings.h"
#include "ticket/input_bin_settings.h"
#include "ticket/job_info_settings.h"
#include "ticket/media_size_settings.h"
#include "ticket/mirror_settings.h"
#include "ticket/nup_settings.h"
#include "ticket/poster_settings.h"
#include "ticket_documents.h"

namespace {

using namespace ticket_test;

struct Records {
  MediaSizeSettings media;
  JobInfoSettings jobInfo;
  DuplexSettings duplex;
  BindingSettings binding;
  NUpSettings nUp;
  PosterSettings poster;
  InputBinSettings inputBin;
  MirrorSettings mirror;
};

// Runs every reader from the defaults; each must succeed.
Records ReadEverything(const PrintTicketDom& ticket) {
  Records r;
  const HRESULT media = ReadMediaSize(ticket, r.media);
  EXPECT_TRUE(media == S_OK || media == S_SETTINGS_DEFAULTED) << HresultName(media);
  EXPECT_EQ(ReadJobInfo(ticket, r.jobInfo), S_OK);
  EXPECT_EQ(ReadDuplex(ticket, r.duplex), S_OK);
  EXPECT_EQ(ReadBinding(ticket, r.binding), S_OK);
  EXPECT_EQ(ReadNUp(ticket, r.nUp), S_OK);
  EXPECT_EQ(ReadPoster(ticket, r.poster), S_OK);
  EXPECT_EQ(ReadInputBin(ticket, r.inputBin), S_OK);
  EXPECT_EQ(ReadMirror(ticket, r.mirror), S_OK);
  return r;
}

void ExpectLayoutDefaults(const Records& r) {
  EXPECT_EQ(r.duplex.scope, Scope::None);
  EXPECT_EQ(r.binding.scope, Scope::None);
  EXPECT_EQ(r.binding.bookletSheets, 10);
  EXPECT_EQ(r.nUp.scope, Scope::None);
  EXPECT_EQ(r.poster.sheetsPerPage, 0);
  EXPECT_EQ(r.inputBin.binIndex[0], InputBin::AutoSelect);
  EXPECT_EQ(r.inputBin.binIndex[1], InputBin::SameTray);
  EXPECT_EQ(r.mirror.mirror, Mirror::None);
  EXPECT_EQ(r.jobInfo.codePage, 1252);
}

TEST(TicketReaders, ReadTheCorpusTickets) {
  struct Case {
    const char* file;
    const char* option;
    LONG width;
    HRESULT mediaResult;
  };
  const Case cases[] = {
      {"tickets/mb09-job.xml", "NorthAmericaLetter", 215900, S_SETTINGS_DEFAULTED},
      {"tickets/mb09-page1.xml", "NorthAmericaLetter", 215900, S_SETTINGS_DEFAULTED},
      {"tickets/mb06-job.xml", "NorthAmericaLetter", 215900, S_SETTINGS_DEFAULTED},
      {"tickets/mb06-document1.xml", "NorthAmericaLetter", 215900, S_SETTINGS_DEFAULTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::optional<std::string> xml = CorpusText(c.file);
    if (!xml) GTEST_SKIP() << "corpus not found at " << KESTREL_CORPUS_DIR;
    Wrapped ticket(*xml);
    ASSERT_TRUE(ticket.dom);
    EXPECT_FALSE(ticket->PrivateNamespaceDeclared()) << "their private namespaces are other drivers'";
    const Records r = ReadEverything(*ticket);
    MediaSizeSettings media;
    EXPECT_EQ(ReadMediaSize(*ticket, media), c.mediaResult);
    EXPECT_EQ(Text(r.media.optionName), c.option);
    EXPECT_EQ(r.media.width, c.width);
    EXPECT_EQ(r.media.orientation, Orientation::Portrait);
    ExpectLayoutDefaults(r);
  }
}

TEST(TicketReaders, WritersRoundTripOnTheCorpusTickets) {
  for (const char* file : {"tickets/mb09-job.xml", "tickets/mb06-job.xml", "tickets/mb06-document1.xml"}) {
    SCOPED_TRACE(file);
    const std::optional<std::string> xml = CorpusText(file);
    if (!xml) GTEST_SKIP() << "corpus not found at " << KESTREL_CORPUS_DIR;
    Wrapped ticket(*xml);
    const NUpSettings nUp{Scope::Job, 4, NUpDirection::BottomLeft, BorderLine::BreakLine};
    const DuplexSettings duplex{Scope::Job, DuplexType::LongEdgeManual, DuplexMode::Manual,
                                TraySeparation::DuplexPrintFirstPaper, DuplexMode::Manual};
    const BindingSettings binding{Scope::Job, BindingEdge::Booklet, 6000,          OffOn::On, BindingUnit::Inches,
                                  0,          OffOn::On,            BookletMethod::DivideIntoSets, 5};
    ASSERT_EQ(WriteNUp(*ticket, nUp), S_OK);
    ASSERT_EQ(WriteDuplex(*ticket, duplex), S_OK);
    ASSERT_EQ(WriteBinding(*ticket, binding), S_OK);
    const Records r = ReadEverything(*ticket);
    EXPECT_EQ(r.nUp.pagesPerSheet, 4);
    EXPECT_EQ(r.nUp.scope, Scope::Job);
    EXPECT_EQ(r.duplex.duplexType, DuplexType::LongEdgeManual);
    EXPECT_EQ(r.duplex.subMode, DuplexMode::Manual);
    EXPECT_EQ(r.binding.gutter, 6000);
    EXPECT_EQ(r.binding.bookletSheets, 5);
  }
}

TEST(TicketReaders, SurviveHostileTickets) {
  const std::string huge(1 << 20, 'x');
  const std::string digits(10000, '9');
  struct Case {
    const char* label;
    std::string body;
  };
  const Case cases[] = {
      {"values missing",
       Feature("psk:PageMediaSize", Option("psk:ISOA4", Scored("psk:MediaSizeWidth", "") +
                                                            Scored("psk:MediaSizeHeight", "<psf:Value/>"))) +
           Feature("psk:JobNUpAllDocumentsContiguously", "<psf:Option>" + Scored("psk:PagesPerSheet", Ref("")) +
                                                             "</psf:Option>") +
           Property("ns0000:JobSettingData", Property("ns0000:DivideCondition", "")) +
           Feature("psk:JobBindAllDocuments", Option("psk:BindLeft", Scored("psk:BindingGutter", "<psf:ParameterRef/>")))},
      {"duplicated features",
       Feature("psk:PageInputBin", Option("psk:Bogus")) + Feature("psk:PageInputBin", Option("ns0000:Tray2")) +
           Feature("psk:JobDuplexAllDocumentsContiguously", Option("psk:Sideways")) +
           Feature("psk:JobDuplexAllDocumentsContiguously", Option("psk:TwoSidedLongEdge"))},
      {"huge strings", Feature("psk:PageMediaSize", Option("psk:" + huge)) +
                           Property("ns0000:JobSettingData", Property("ns0000:DivideCondition", StringValue(huge))) +
                           Feature("psk:PagePoster", Option("psk:On", Scored("psk:SheetsPerPage", StringValue(digits))))},
      {"quotes and odd names", Feature("psk:PageMirrorImage", Option("psk:&quot;]|//*")) +
                                   Feature("psk:PageOrientation", Option("psk:")) +
                                   Init("psk:&quot;", IntValue(1))},
      {"initialiser referring onwards",
       Init("psk:PageMediaSizeMediaSizeWidth", Ref("psk:PageMediaSizeMediaSizeWidth")) +
           Feature("psk:PageMediaSize",
                   Option("psk:CustomMediaSize", Scored("psk:MediaSizeWidth", Ref("psk:PageMediaSizeMediaSizeWidth")) +
                                                      Scored("psk:MediaSizeHeight", IntValue(1))))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    ASSERT_TRUE(ticket.dom);
    ReadEverything(*ticket);
  }
}

TEST(TicketReaders, HostileValuesGiveSafeResults) {
  const std::string digits(10000, '9');
  const std::string huge(1 << 20, 'x');
  Wrapped ticket(TicketXml(
      Property("ns0000:JobSettingData", Property("ns0000:DivideCondition", StringValue(huge))) +
      Feature("psk:PagePoster", Option("psk:On", Scored("psk:SheetsPerPage", StringValue(digits)))) +
      Feature("psk:JobNUpAllDocumentsContiguously",
              "<psf:Option>" + Scored("psk:PagesPerSheet", StringValue("many")) + "</psf:Option>" +
                  Feature("psk:PresentationDirection", Option("psk:RightBottom")) +
                  Feature("ns0000:BorderLine", Option("ns0000:None"))) +
      Feature("psk:PageInputBin", Option("psk:Bogus")) + Feature("psk:PageInputBin", Option("ns0000:Tray2")) +
      Property("ns0000:JobInfoData", Property("ns0000:CodePage", StringValue("-")))));
  const Records r = ReadEverything(*ticket);
  EXPECT_EQ(r.poster.sheetsPerPage, 2147483647) << "saturated, not wrapped";
  EXPECT_EQ(r.nUp.pagesPerSheet, 1) << "no digits read as 0, then raised to 1";
  EXPECT_EQ(r.nUp.scope, Scope::None);
  EXPECT_EQ(r.inputBin.binIndex[0], InputBin::AutoSelect) << "the first of two features decides";
  EXPECT_EQ(r.jobInfo.codePage, 0);
  EXPECT_EQ(r.jobInfo.divideCondition.Length(), huge.size());
}

}  // namespace

namespace {

using namespace ticket_test;

TEST(TicketWriters, ChangeNothingWithoutARootElement) {
  Wrapped ticket(TicketXml(Feature("psk:PageOrientation", Option("psk:Portrait"))));
  ComPtr<IXMLDOMElement> root;
  ASSERT_EQ(ticket.document->get_documentElement(root.Put()), S_OK);
  ASSERT_EQ(ticket.document->removeChild(root.Get(), nullptr), S_OK);
  EXPECT_EQ(WriteMediaSize(*ticket, MediaSizeSettings{}), S_FALSE);
  EXPECT_EQ(WriteJobInfo(*ticket, JobInfoSettings{}), S_FALSE);
  EXPECT_EQ(WriteDuplex(*ticket, DuplexSettings{}), S_FALSE);
  EXPECT_EQ(WriteBinding(*ticket, BindingSettings{}), S_FALSE);
  EXPECT_EQ(WriteNUp(*ticket, NUpSettings{}), S_FALSE);
  EXPECT_EQ(WriteInputBin(*ticket, InputBinSettings{}), S_FALSE);
  EXPECT_EQ(WriteMirror(*ticket, MirrorSettings{}), S_FALSE);
  EXPECT_NE(XmlOf(root.Get()).find("PageOrientation"), std::string::npos) << "the detached root is untouched";
}

}  // namespace
