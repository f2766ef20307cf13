// The finisher filter in a scripted pipeline: what it leaves alone, how it
// rewrites a page, and which tickets it hands on under transverse feeding.
#include "filters/finisher/finisher_filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "framework/filter_module.h"
#include "platform/part_content.h"
#include "platform/print_ticket_provider.h"
#include "rewritable_page.h"
#include "test_pipeline.h"
#include "ticket/media_size_settings.h"
#include "ticket/ticket_documents.h"

// This test program is a filter module of its own.
constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{ACF994F0-C691-4546-8141-A7F794D3CE3E}"),
    MakeGuid("{4C7B822B-2F4B-4EA6-95D8-E9584C57D467}"),
    &CreateFilterObject<FinisherFilter>,
};

namespace {

using namespace ticket_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr char16_t kPrinter[] = u"Kestrel InkJet MFP";

std::string PageMarkup(int number) {
  return "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
         "xml:lang=\"en-US\"><Path Data=\"M 0,0 L " +
         std::to_string(number) + ",10 Z\" Fill=\"#FF000000\"/></FixedPage>";
}

// Ticket deltas.
std::string Mirror(std::string_view option) { return Feature("psk:PageMirrorImage", Option(option)); }
std::string Reverse() { return Feature("ns0000:PageReverseImage", Option("ns0000:On")); }
std::string Transverse(std::string_view orientation = "psk:Portrait") {
  return Feature("psk:PageOrientation", Option(orientation)) +
         Property("ns0000:PageMediaSizeData", Property("ns0000:TransverseMode", StringValue("On")));
}
std::string CutOutLines(long sheets) {
  return Feature("psk:PagePoster", Option("psk:On", Scored("psk:SheetsPerPage", IntValue(sheets))) +
                                       Feature("ns0000:PagePrintCutOutLine", Option("ns0000:On")));
}
const std::string kMonochrome = Feature("psk:PageOutputColor", Option("psk:Monochrome"));

class FinisherFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    Reset();
  }
  void TearDown() override { UnregisterPrinter(kPrinter); }

  // A new job with the user's default ticket.
  void Reset(const std::string& userTicket = "") {
    pipeline_ = std::make_unique<TestPipeline>();
    pages_.clear();
    PutString(pipeline_->bag.Get(), u"PrinterName", kPrinter);
    PutUnknown(pipeline_->bag.Get(), u"PerUserPrintTicket",
               MakeComObject<BytesStreamFactory, IUnknown>(TicketXml(userTicket)).Get());
  }
  static std::string TicketOf(const std::string& body) { return body.empty() ? "" : TicketXml(body); }
  ComPtr<TestSequence> AddSequence(const std::string& ticket = "") {
    const auto sequence = TicketedPart<TestSequence>("/FixedDocumentSequence.fdseq", TicketOf(ticket));
    pipeline_->provider->Add(sequence);
    return sequence;
  }
  ComPtr<TestDocument> AddDocument(const std::string& ticket = "") {
    const auto document = TicketedPart<TestDocument>("/D1.fdoc", TicketOf(ticket));
    pipeline_->provider->Add(document);
    return document;
  }
  // Page /p<number>.
  ComPtr<RewritablePage> AddPage(int number, const std::string& ticket = "", const std::string& markup = "") {
    const auto page = TicketedPart<RewritablePage>("/p" + std::to_string(number), TicketOf(ticket),
                                                   ContentOf(markup.empty() ? PageMarkup(number) : markup));
    pages_.push_back(page);
    pipeline_->provider->Add(page);
    return page;
  }
  HRESULT Run() {
    const auto filter = ComPtr<FinisherFilter>::Attach(new FinisherFilter);
    return pipeline_->Run(filter.Get());
  }
  RecordingConsumer& consumer() { return *pipeline_->consumer; }

  std::unique_ptr<TestPipeline> pipeline_;
  std::vector<ComPtr<RewritablePage>> pages_;
};

MediaSizeSettings MediaOf(const std::string& ticket) {
  Wrapped wrapped(ticket);
  MediaSizeSettings media;
  EXPECT_TRUE(SUCCEEDED(ReadMediaSize(*wrapped, media)));
  return media;
}

TEST_F(FinisherFilterTest, NothingAskedLeavesEveryPartAsItCame) {
  struct Case {
    const char* label;
    std::string jobTicket, pageTicket;
  };
  const Case cases[] = {
      {"no tickets", "", ""},
      {"tickets asking for other things", kMonochrome, Feature("psk:PageOrientation", Option("psk:Landscape"))},
      {"mirror None, reverse Off", Mirror("psk:None"), Feature("ns0000:PageReverseImage", Option("ns0000:Off"))},
      // The marks show where to cut a poster's tiles; a page printed whole has none.
      {"cut-out lines without a poster", CutOutLines(1), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset();
    const auto sequence = AddSequence(c.jobTicket);
    AddDocument();
    AddPage(1);
    AddPage(2, c.pageTicket);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc", "/p1", "/p2"));
    for (const auto& page : pages_) {
      EXPECT_EQ(page->written(), nullptr) << page->uri();
      EXPECT_EQ(page->Bytes(), PageMarkup(page->uri() == "/p1" ? 1 : 2));
    }
    EXPECT_THAT(consumer().newTickets(), IsEmpty());
  }
}

// Every element and attribute comes back, values escaped; the resources stay
// first in the clip canvas; the boxes lie where the mirrored content does; the
// marks are inside the transform but outside the clip.
TEST_F(FinisherFilterTest, RewrittenPageHoldsItsMarkupInsideTheTransformAndClipCanvases) {
  const std::string markup =
      "<?xml version=\"1.0\"?><FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" "
      "Height=\"1056\" ContentBox=\"10,20,100,200\" BleedBox=\"-5,-5,826,1066\" xml:lang=\"en-US\">\n"
      "<FixedPage.Resources><ResourceDictionary><SolidColorBrush x:Key=\"b\" Color=\"#FF0000FF\" "
      "xmlns:x=\"http://schemas.microsoft.com/winfx/2006/xaml\"/></ResourceDictionary></FixedPage.Resources>\n"
      "<Canvas><Path Data=\"M 0,0 L 10,10 Z\" Fill=\"{StaticResource b}\"/></Canvas>"
      "<Glyphs UnicodeString=\"A&amp;B\" FontUri=\"/f.ttf\" FontRenderingEmSize=\"12\" OriginX=\"1\" OriginY=\"2\" "
      "FixedPage.NavigateUri=\"http://x.example/?a=1&amp;b=2\"/></FixedPage>";
  AddSequence(Mirror("psk:MirrorImageWidth") + CutOutLines(4));
  AddDocument();
  const auto page = AddPage(1, "", markup);
  ASSERT_EQ(Run(), S_OK);
  ASSERT_NE(page->written(), nullptr);
  EXPECT_EQ(page->written()->bytes,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xml:lang=\"en-US\" Width=\"816.00\" "
            "Height=\"1056.00\" BleedBox=\"-5.00,-5.00,826.00,1066.00\" ContentBox=\"706.00,20.00,100.00,200.00\">"
            "<Canvas RenderTransform=\"-1,0,0,1,816.00,0\">"
            "<Canvas Clip=\"M 16.00,16.00 h 784.01 v 1024.02 h -784.01 v -1024.02 z\" >"
            "<Canvas.Resources><ResourceDictionary><SolidColorBrush x:Key=\"b\" Color=\"#FF0000FF\" "
            "xmlns:x=\"http://schemas.microsoft.com/winfx/2006/xaml\"/></ResourceDictionary></Canvas.Resources>"
            "<Canvas><Path Data=\"M 0,0 L 10,10 Z\" Fill=\"{StaticResource b}\"/></Canvas>"
            "<Glyphs UnicodeString=\"A&amp;B\" FontUri=\"/f.ttf\" FontRenderingEmSize=\"12\" OriginX=\"1\" "
            "OriginY=\"2\" FixedPage.NavigateUri=\"http://x.example/?a=1&amp;b=2\"/></Canvas>"
            "<Path Stroke=\"#000000\" StrokeThickness=\"0.32\" Data=\""
            "M 16.64,16.64 v 68.18 M 16.64,16.64 h 52.18 M 799.37,16.64 v 68.18 M 799.37,16.64 h -52.18 "
            "M 16.64,1039.37 v -68.18 M 16.64,1039.37 h 52.18 M 799.37,1039.37 v -68.18 M 799.37,1039.37 h -52.18 "
            "M 16.64,493.92 v 68.18 M 799.37,493.92 v 68.18 M 381.91,16.64 h 52.18 M 381.91,1039.37 h 52.18 \" />"
            "</Canvas></FixedPage>\n");
  EXPECT_THAT(consumer().newTickets(), IsEmpty());
}

// The page is turned (unless it is Landscape already) and every ticket handed
// on names the exchanged media, so that the filters after this one see the
// sheet as it is fed, also when only the user's default asks for it.
TEST_F(FinisherFilterTest, TransverseFeedingTurnsThePageAndHandsOnTheExchangedMedia) {
  struct Case {
    const char* label;
    std::string userTicket, jobTicket, documentTicket, pageTicket;
    std::string sequenceTag, documentTag, pageTag;
    const char* turnedPages;  // the page size written on /p1 and /p2, "" when not rewritten
  };
  const Case cases[] = {
      {"asked by the job", "", Transverse(), "", "", "FI_JOB", "", "", "Width=\"1056.00\" Height=\"816.00\""},
      {"asked by the user's default only", Transverse(), "", "", "", "FI_JOB", "", "",
       "Width=\"1056.00\" Height=\"816.00\""},
      {"asked by the document", "", "", Transverse(), "", "", "FI_DOC", "", "Width=\"1056.00\" Height=\"816.00\""},
      {"asked by the job, a page with a ticket of its own", "", Transverse(), "", kMonochrome, "FI_JOB", "", "FI",
       "Width=\"1056.00\" Height=\"816.00\""},
      {"a Landscape page: only the tickets change", "", Transverse("psk:Landscape"), "", kMonochrome, "FI_JOB", "",
       "FI", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Reset(c.userTicket);
    const auto sequence = AddSequence(c.jobTicket);
    const auto document = AddDocument(c.documentTicket);
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
        EXPECT_THAT(ticket, Not(HasSubstr("/PT_FI")));
      else
        EXPECT_THAT(ticket, HasSubstr("/PT_" + tag + "_"));
    }
    EXPECT_THAT(consumer().newTickets(), Not(IsEmpty()));
    for (const auto& [name, handedOn] : consumer().newTickets()) {
      SCOPED_TRACE(name);
      const MediaSizeSettings media = MediaOf(handedOn->Bytes());
      EXPECT_EQ(media.width, 279400);
      EXPECT_EQ(media.height, 215900);
      EXPECT_EQ(media.orientation, Orientation::Portrait);
    }
    for (const auto& page : {plain, own}) {
      SCOPED_TRACE(page->uri());
      if (*c.turnedPages == '\0') {
        EXPECT_EQ(page->written(), nullptr);
        continue;
      }
      ASSERT_NE(page->written(), nullptr);
      EXPECT_THAT(page->written()->bytes, HasSubstr(c.turnedPages));
      EXPECT_THAT(page->written()->bytes, HasSubstr("<Canvas RenderTransform=\"0,1,-1,0,1056.00,0\">"));
    }
  }
}

// A media without a name (which the pipeline's provider refuses before any
// filter sees it) cannot be written back exchanged: the read fails, so that
// no ticket is handed on as if it had been.
TEST(ReadFinisherSettings, AMediaThatCannotBeExchangedFailsTheRead) {
  const std::string unnamed = Feature("psk:PageMediaSize", Option("psk:", Scored("psk:MediaSizeWidth", IntValue(100000)) +
                                                                       Scored("psk:MediaSizeHeight", IntValue(200000))));
  for (const bool named : {true, false}) {
    SCOPED_TRACE(named ? "a named media" : "a media without a name");
    Wrapped ticket(TicketXml((named ? "" : unnamed) + Transverse()));
    PrintTicketManager manager;
    FinisherSettings settings(manager, PRIVATE_KEYWORDS_NS);
    bool changed = false;
    EXPECT_EQ(settings.ReadFinisherSettings(ticket.document.Get(), &changed), named ? S_OK : E_INVALIDARG);
    EXPECT_EQ(changed, named);
  }
}

TEST_F(FinisherFilterTest, AFailedWriteFailsThePageInsteadOfSendingItCutShort) {
  for (const int failing : {0, 1}) {
    SCOPED_TRACE(failing);
    Reset();
    AddSequence(Reverse());
    AddDocument();
    std::string big = "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\">";
    // More than the rewriter keeps before writing, so that the last piece is a second write.
    while (big.size() < 800'000) big += "<Path Data=\"M 0,0 L 100,100 L 0,100 Z\" Fill=\"#FF000000\"/>";
    big += "</FixedPage>";
    const auto page = AddPage(1, "", big);
    page->FailWrite(failing);
    EXPECT_EQ(Run(), E_FAIL);
    EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc"));
    EXPECT_TRUE(page->written()->closed);
  }
}

TEST_F(FinisherFilterTest, MalformedPageFailsTheJob) {
  AddSequence(Reverse());
  AddDocument();
  AddPage(1, kMonochrome, "<FixedPage Width=\"816\" Height=\"1056\"><Path></FixedPage>");
  EXPECT_TRUE(FAILED(Run()));
  EXPECT_THAT(consumer().sent(), ElementsAre("/FixedDocumentSequence.fdseq", "/D1.fdoc"));
}

}  // namespace
