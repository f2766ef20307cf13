// The tickets in force per level: the user ticket without its N-up features,
// the fill-in of levels without tickets, merges of part tickets onto the next
// wider level, failures that keep a level, and capabilities for a ticket.
#include "framework/print_ticket_manager.h"

#include <gtest/gtest.h>

#include "framework/ticket_flow_support.h"
#include "ticket/imageable_area.h"

namespace {

using namespace ticket_flow;

const std::string kUserTicket =
    Ticket(Feature("PageMediaSize", "NorthAmericaLetter") + Feature("PageOrientation", "Portrait") +
           "<psf:Feature name=\"psk:DocumentNUp\"><psf:Option>"
           "<psf:ScoredProperty name=\"psk:PagesPerSheet\"><psf:Value xsi:type=\"xsd:integer\">2</psf:Value>"
           "</psf:ScoredProperty></psf:Option></psf:Feature>"
           "<psf:Feature name=\"psk:JobNUpAllDocumentsContiguously\"><psf:Option>"
           "<psf:ScoredProperty name=\"psk:PagesPerSheet\"><psf:Value xsi:type=\"xsd:integer\">4</psf:Value>"
           "</psf:ScoredProperty></psf:Option></psf:Feature>");

ComPtr<IPrintReadStream> StreamOn(const std::string& text) {
  ComPtr<IPrintReadStream> stream;
  EXPECT_EQ(CreateReadStreamOnBytes(std::vector<BYTE>(text.begin(), text.end()), stream.Put()), S_OK);
  return stream;
}

ComPtr<IFixedDocumentSequence> Sequence(std::optional<std::string> ticket = std::nullopt) {
  return ComPtr<IFixedDocumentSequence>(TicketedPart<TestSequence>("/seq.fdseq", ticket.value_or("")).Get());
}
ComPtr<IFixedDocument> Document(std::optional<std::string> ticket = std::nullopt) {
  return ComPtr<IFixedDocument>(TicketedPart<TestDocument>("/doc.fdoc", ticket.value_or("")).Get());
}
ComPtr<IFixedPage> Page(std::optional<std::string> ticket = std::nullopt) {
  return ComPtr<IFixedPage>(TicketedPart<TestPage>("/page.fpage", ticket.value_or("")).Get());
}

class TicketFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestPrinter();
    ASSERT_EQ(Open(kUserTicket), S_OK);
  }
  HRESULT Open(const std::string& user_ticket) {
    return manager_.Open(StreamOn(user_ticket).Get(), Bstr(kTestPrinter).Get());
  }
  IXMLDOMDocument2* Level(EPrintTicketScope scope) {
    IXMLDOMDocument2* ticket = nullptr;
    EXPECT_EQ(manager_.GetTicket(scope, &ticket), S_OK);
    return ticket;
  }
  std::string Option(EPrintTicketScope scope, std::u16string_view feature) { return OptionOf(Level(scope), feature); }

  PrintTicketManager manager_;
};

TEST_F(TicketFlow, WithoutPartTicketsEveryLevelIsACopyOfTheUserTicketWithoutItsNUp) {
  ASSERT_EQ(manager_.OnDocumentSequence(Sequence().Get()), S_OK);
  ASSERT_EQ(manager_.OnDocument(Document().Get()), S_OK);
  ASSERT_EQ(manager_.OnPage(Page().Get()), S_OK);
  IXMLDOMDocument2* const levels[] = {Level(kPTPageScope), Level(kPTDocumentScope), Level(kPTJobScope)};
  EXPECT_NE(levels[0], levels[1]);
  EXPECT_NE(levels[1], levels[2]);
  for (IXMLDOMDocument2* level : levels) {
    EXPECT_EQ(OptionOf(level, u"PageMediaSize"), "NorthAmericaLetter");
    EXPECT_EQ(OptionOf(level, u"PageOrientation"), "Portrait");
    EXPECT_FALSE(HasFeature(level, u"DocumentNUp"));
    EXPECT_FALSE(HasFeature(level, u"JobNUpAllDocumentsContiguously"));
  }
  for (EPrintTicketScope scope : {kPTPageScope, kPTDocumentScope, kPTJobScope})
    EXPECT_FALSE(manager_.HasPartTicket(scope));
}

TEST_F(TicketFlow, LevelsAreFilledInWhenAskedBeforeTheirParts) {
  // No sequence or document yet: the page level is made from the user ticket.
  EXPECT_EQ(Option(kPTPageScope, u"PageMediaSize"), "NorthAmericaLetter");
  EXPECT_FALSE(HasFeature(Level(kPTJobScope), u"DocumentNUp"));
}

TEST_F(TicketFlow, EachPartTicketMergesOntoTheNextWiderLevel) {
  ASSERT_EQ(manager_.OnDocumentSequence(Sequence(Ticket(Feature("PageOrientation", "Landscape"))).Get()), S_OK);
  ASSERT_EQ(manager_.OnDocument(Document(Ticket(Feature("DocumentDuplex", "TwoSidedLongEdge"))).Get()), S_OK);
  EXPECT_TRUE(manager_.HasPartTicket(kPTJobScope));
  EXPECT_TRUE(manager_.HasPartTicket(kPTDocumentScope));
  EXPECT_EQ(Option(kPTJobScope, u"PageOrientation"), "Landscape");
  EXPECT_EQ(Option(kPTJobScope, u"DocumentDuplex"), "");
  EXPECT_EQ(Option(kPTDocumentScope, u"PageOrientation"), "Landscape");
  EXPECT_EQ(Option(kPTDocumentScope, u"DocumentDuplex"), "TwoSidedLongEdge");

  // Page 1 turns to portrait; page 2 asks for A4 only and so stays landscape:
  // it merges onto the document ticket, not onto page 1's.
  ASSERT_EQ(manager_.OnPage(Page(Ticket(Feature("PageOrientation", "Portrait"))).Get()), S_OK);
  EXPECT_EQ(Option(kPTPageScope, u"PageOrientation"), "Portrait");
  ASSERT_EQ(manager_.OnPage(Page(Ticket(Feature("PageMediaSize", "ISOA4"))).Get()), S_OK);
  EXPECT_TRUE(manager_.HasPartTicket(kPTPageScope));
  EXPECT_EQ(Option(kPTPageScope, u"PageMediaSize"), "ISOA4");
  EXPECT_EQ(Option(kPTPageScope, u"PageOrientation"), "Landscape");
  EXPECT_EQ(Option(kPTPageScope, u"DocumentDuplex"), "TwoSidedLongEdge");
  // The merge completed the A4 option from the printer's description.
  EXPECT_NE(XmlOf(Level(kPTPageScope)).find("210000"), std::string::npos);

  // A page without a ticket is the document ticket again.
  ASSERT_EQ(manager_.OnPage(Page().Get()), S_OK);
  EXPECT_FALSE(manager_.HasPartTicket(kPTPageScope));
  EXPECT_EQ(Option(kPTPageScope, u"PageMediaSize"), "NorthAmericaLetter");
  EXPECT_EQ(XmlOf(Level(kPTPageScope)), XmlOf(Level(kPTDocumentScope)));
}

TEST_F(TicketFlow, AWiderLevelWithoutTicketDropsTheNarrowerOnes) {
  ASSERT_EQ(manager_.OnDocumentSequence(Sequence(Ticket(Feature("PageOrientation", "Landscape"))).Get()), S_OK);
  ASSERT_EQ(manager_.OnDocument(Document(Ticket(Feature("DocumentDuplex", "TwoSidedLongEdge"))).Get()), S_OK);
  ASSERT_EQ(manager_.OnPage(Page(Ticket(Feature("PageMediaSize", "ISOA4"))).Get()), S_OK);

  ASSERT_EQ(manager_.OnDocument(Document().Get()), S_OK);
  EXPECT_FALSE(manager_.HasPartTicket(kPTDocumentScope));
  EXPECT_EQ(Option(kPTDocumentScope, u"DocumentDuplex"), "");
  EXPECT_EQ(Option(kPTPageScope, u"PageMediaSize"), "NorthAmericaLetter");
  EXPECT_EQ(Option(kPTPageScope, u"PageOrientation"), "Landscape");

  ASSERT_EQ(manager_.OnDocumentSequence(Sequence().Get()), S_OK);
  EXPECT_EQ(Option(kPTDocumentScope, u"PageOrientation"), "Portrait");
  EXPECT_EQ(Option(kPTPageScope, u"PageOrientation"), "Portrait");
}

TEST_F(TicketFlow, APartTicketTheMergeRefusesKeepsTheLevel) {
  ASSERT_EQ(manager_.OnDocument(Document(Ticket(Feature("DocumentDuplex", "TwoSidedLongEdge"))).Get()), S_OK);
  const struct {
    const char* what;
    std::string ticket;
    HRESULT expected;
  } cases[] = {
      {"not XML", "this is no ticket", E_FAIL},
      {"truncated", Ticket(Feature("PageMediaSize", "ISOA4")).substr(0, 200), E_FAIL},
      {"another root", "<psf:PrintCapabilities version=\"1\" xmlns:psf=\"http://schemas.microsoft.com/windows/"
                       "2003/08/printing/printschemaframework\"/>",
       E_DELTA_PRINTTICKET_FORMAT},
      {"no framework namespace", "<PrintTicket version=\"1\"/>", E_DELTA_PRINTTICKET_FORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(manager_.OnDocument(Document(c.ticket).Get()), c.expected);
    EXPECT_TRUE(manager_.HasPartTicket(kPTDocumentScope));
    EXPECT_EQ(Option(kPTDocumentScope, u"DocumentDuplex"), "TwoSidedLongEdge");
  }
}

TEST_F(TicketFlow, ArgumentAndStateErrors) {
  IXMLDOMDocument2* ticket = nullptr;
  EXPECT_EQ(manager_.GetTicket(kPTJobScope, nullptr), E_POINTER);
  EXPECT_EQ(manager_.GetTicket(static_cast<EPrintTicketScope>(3), &ticket), E_FAIL);
  EXPECT_EQ(manager_.GetTicket(static_cast<EPrintTicketScope>(-1), &ticket), E_FAIL);
  EXPECT_EQ(manager_.MergeTicket(static_cast<EPrintTicketScope>(3), Level(kPTJobScope)), E_INVALIDARG);
  EXPECT_EQ(manager_.OnDocumentSequence(nullptr), E_POINTER);
  EXPECT_EQ(manager_.OnDocument(nullptr), E_POINTER);
  EXPECT_EQ(manager_.OnPage(nullptr), E_POINTER);

  PrintTicketManager unopened;
  EXPECT_EQ(unopened.GetTicket(kPTPageScope, &ticket), E_PENDING);
  EXPECT_EQ(unopened.OnPage(Page().Get()), E_PENDING);
  EXPECT_EQ(unopened.MergeTicket(kPTJobScope, Level(kPTJobScope)), E_PENDING);
  ComPtr<IXMLDOMDocument2> capabilities;
  EXPECT_EQ(unopened.GetCapabilities(Level(kPTJobScope), capabilities.Put()), E_PENDING);
}

TEST_F(TicketFlow, OpenFailures) {
  const struct {
    const char* what;
    std::string ticket;
    const char16_t* printer;
    HRESULT expected;
  } cases[] = {
      {"empty printer name", kUserTicket, u"", E_INVALIDARG},
      {"unknown printer", kUserTicket, u"No Such Printer", HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)},
      {"not XML", "<<<", kTestPrinter, E_FAIL},
      {"empty", "", kTestPrinter, E_FAIL},
      {"no print ticket root", "<Ticket/>", kTestPrinter, E_FAIL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PrintTicketManager manager;
    EXPECT_EQ(manager.Open(StreamOn(c.ticket).Get(), Bstr(c.printer).Get()), c.expected);
    IXMLDOMDocument2* ticket = nullptr;
    EXPECT_EQ(manager.GetTicket(kPTJobScope, &ticket), E_PENDING);
  }
  EXPECT_EQ(manager_.Open(nullptr, Bstr(kTestPrinter).Get()), E_POINTER);
  // A failed Open leaves no provider open behind: merges wait for the next Open.
  EXPECT_EQ(manager_.MergeTicket(kPTJobScope, nullptr), E_PENDING);
}

TEST_F(TicketFlow, OpenAgainStartsAFreshJob) {
  ASSERT_EQ(manager_.OnDocumentSequence(Sequence(Ticket(Feature("PageOrientation", "Landscape"))).Get()), S_OK);
  ASSERT_EQ(Open(Ticket(Feature("PageMediaSize", "ISOA5"))), S_OK);
  EXPECT_EQ(Option(kPTJobScope, u"PageOrientation"), "");
  EXPECT_EQ(Option(kPTPageScope, u"PageMediaSize"), "ISOA5");
  EXPECT_FALSE(manager_.HasPartTicket(kPTJobScope));
}

TEST_F(TicketFlow, CapabilitiesForATicket) {
  ASSERT_EQ(manager_.OnPage(Page(Ticket(Feature("PageOrientation", "Landscape"))).Get()), S_OK);
  ComPtr<IXMLDOMDocument2> capabilities;
  ASSERT_EQ(manager_.GetCapabilities(Level(kPTPageScope), capabilities.Put()), S_OK);
  PrintTicketDom dom(u"PrintCapabilities", PRIVATE_KEYWORDS_NS, capabilities.Get());
  ImageableArea area;
  ASSERT_EQ(ReadImageableArea(dom, area), S_OK);
  // Letter turned: width and height exchange, and so do the margins.
  EXPECT_EQ(area.imageableWidth, 279400);
  EXPECT_EQ(area.imageableHeight, 215900);
  EXPECT_EQ(area.originWidth, 4233);
  EXPECT_EQ(area.extentWidth, 270934);
  EXPECT_EQ(area.extentHeight, 207434);

  EXPECT_EQ(manager_.GetCapabilities(nullptr, capabilities.Put()), E_POINTER);
  EXPECT_EQ(manager_.GetCapabilities(Level(kPTPageScope), nullptr), E_POINTER);
}

// A filter's manager that adjusts every merge sees each part ticket with its scope.
TEST_F(TicketFlow, MergeTicketIsTheOneMergeOperation) {
  class CountingManager final : public PrintTicketManager {
   public:
    HRESULT MergeTicket(EPrintTicketScope scope, IXMLDOMDocument2* delta) override {
      scopes.push_back(scope);
      return PrintTicketManager::MergeTicket(scope, delta);
    }
    std::vector<EPrintTicketScope> scopes;
  };
  CountingManager manager;
  ASSERT_EQ(manager.Open(StreamOn(kUserTicket).Get(), Bstr(kTestPrinter).Get()), S_OK);
  const std::string delta = Ticket(Feature("PageOrientation", "Landscape"));
  ASSERT_EQ(manager.OnDocumentSequence(Sequence(delta).Get()), S_OK);
  ASSERT_EQ(manager.OnDocument(Document().Get()), S_OK);
  ASSERT_EQ(manager.OnPage(Page(delta).Get()), S_OK);
  ASSERT_EQ(manager.OnDocument(Document(delta).Get()), S_OK);
  EXPECT_EQ(manager.scopes, (std::vector<EPrintTicketScope>{kPTJobScope, kPTPageScope, kPTDocumentScope}));
}

TEST(TicketDocuments, CopyIsADocumentOfItsOwn) {
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
  const std::string text = Ticket(Feature("PageOrientation", "Landscape"));
  ULONG written = 0;
  ASSERT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
  // LoadDocument reads from the start whatever the stream's position.
  ComPtr<IXMLDOMDocument2> loaded;
  ASSERT_EQ(PrintTicketManager::LoadDocument(stream.Get(), &loaded), S_OK);
  ComPtr<IXMLDOMDocument2> copy;
  ASSERT_EQ(PrintTicketManager::CopyDocument(loaded.Get(), &copy), S_OK);
  EXPECT_NE(copy.Get(), loaded.Get());
  EXPECT_EQ(XmlOf(copy.Get()), XmlOf(loaded.Get()));
  PrintTicketDom(u"PrintTicket", PRIVATE_KEYWORDS_NS, copy.Get()).RemoveFeature(u"PageOrientation");
  EXPECT_EQ(OptionOf(loaded.Get(), u"PageOrientation"), "Landscape");

  ComPtr<IStream> empty;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, empty.Put()), S_OK);
  EXPECT_EQ(PrintTicketManager::LoadDocument(empty.Get(), &loaded), E_FAIL);
  EXPECT_EQ(PrintTicketManager::LoadDocument(nullptr, &loaded), E_POINTER);
}

}  // namespace
