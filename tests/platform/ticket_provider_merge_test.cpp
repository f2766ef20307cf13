#include <regex>

#include "ticket_provider_fixture.h"

namespace ticket_test {
namespace {

using TicketMerge = ProviderTest;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(TicketMerge, CorpusDocumentDeltaIsReboundToTheBasePrefixes) {
  if (!std::filesystem::exists(kTickets)) GTEST_SKIP() << "no corpus at " << kTickets;
  // mb09 binds XML Schema to xsd, mb06 to xs; the moved xsi:type must use the base's prefix.
  const Result r = Merge(ReadFile(kTickets / "mb09-job.xml"), ReadFile(kTickets / "mb06-document1.xml"));
  ASSERT_EQ(r.hr, S_OK) << r.message;
  EXPECT_TRUE(r.text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << r.text;
  EXPECT_NE(r.text.find("<psf:Feature name=\"psk:DocumentDuplex\">"), std::string::npos) << r.text;
  EXPECT_NE(r.text.find("<psf:Value xsi:type=\"xsd:string\">_Undefined_</psf:Value>"), std::string::npos) << r.text;
  EXPECT_EQ(r.text.find("xs:string"), std::string::npos);
  // The base stays: the device-mode snapshot and the unnamed resolution option.
  EXPECT_NE(r.text.find("<psf:ParameterInit name=\"ns0000:PageDevmodeSnapshot\">"), std::string::npos);
  EXPECT_NE(r.text.find("TQBpAGMAcgBvAHMAbwBmAHQA"), std::string::npos);
  EXPECT_EQ(Count(r.text, "name=\"psk:PageResolution\""), 1);
  EXPECT_EQ(Count(r.text, "psk:ResolutionX"), 1);
}

TEST_F(TicketMerge, CorpusPageDeltaBringsItsNamespaceAndReplacesByName) {
  if (!std::filesystem::exists(kTickets)) GTEST_SKIP() << "no corpus at " << kTickets;
  const Result r = Merge(ReadFile(kTickets / "mb06-job.xml"), ReadFile(kTickets / "mb09-page1.xml"));
  ASSERT_EQ(r.hr, S_OK) << r.message;
  EXPECT_NE(r.text.find("xmlns:ns0000=\"http://schemas.microsoft.com/windows/printing/oemdriverpt/"),
            std::string::npos)
      << r.text;
  EXPECT_NE(r.text.find("name=\"ns0000:PageDevmodeSnapshot\""), std::string::npos);
  EXPECT_NE(r.text.find("<psf:Value xsi:type=\"xs:integer\">2</psf:Value>"), std::string::npos) << r.text;

  // Merging the job ticket onto itself changes nothing but the layout.
  const std::string job = ReadFile(kTickets / "mb09-job.xml");
  const Result same = Merge(job, job);
  ASSERT_EQ(same.hr, S_OK) << same.message;
  EXPECT_EQ(Count(same.text, "<psf:Feature "), Count(job, "<psf:Feature "));
  EXPECT_EQ(Count(same.text, "<psf:ParameterInit "), 2);
}

TEST_F(TicketMerge, NamesAreComparedByNamespaceNotPrefix) {
  const std::string base = std::string("<psf:PrintTicket version=\"1\" xmlns:psf=\"") + kPsf + "\" xmlns:a=\"" +
                           kPrivateKeywordsNamespaceUtf8 +
                           "\" xmlns:c=\"urn:x-different\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
                           "<psf:Feature name=\"a:PageHeaderFooter\"><psf:Option name=\"a:Off\"/></psf:Feature>"
                           "<psf:Property name=\"c:Other\"/></psf:PrintTicket>";
  const std::string delta =
      std::string("<q:PrintTicket version=\"1\" xmlns:q=\"") + kPsf + "\" xmlns:b=\"" + kPrivateKeywordsNamespaceUtf8 +
      "\" xmlns:c=\"urn:x-extra\" xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns:s=\"http://www.w3.org/2001/XMLSchema\">"
      "<q:Feature name=\"b:PageHeaderFooter\"><q:Option name=\"b:On\"/></q:Feature>"
      "<q:Property name=\"c:Extra\"><q:Value i:type=\"s:QName\">b:Something</q:Value></q:Property>"
      "</q:PrintTicket>";
  const Result r = Merge(base, delta);
  ASSERT_EQ(r.hr, S_OK) << r.message;
  EXPECT_EQ(Count(r.text, "PageHeaderFooter"), 1) << r.text;
  EXPECT_NE(r.text.find("<psf:Feature name=\"a:PageHeaderFooter\"><psf:Option name=\"a:On\"/>"), std::string::npos)
      << r.text;
  // c is taken for another namespace in the base: the delta's gets a fresh prefix.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.text, m, std::regex("xmlns:(ns[0-9]{4})=\"urn:x-extra\""))) << r.text;
  const std::string extra = m[1];
  EXPECT_NE(r.text.find("<psf:Property name=\"" + extra + ":Extra\">"), std::string::npos) << r.text;
  // The QName value and its type are re-bound; the XML Schema namespace the base lacked is declared.
  EXPECT_NE(r.text.find(">a:Something</psf:Value>"), std::string::npos) << r.text;
  ASSERT_TRUE(std::regex_search(r.text, m, std::regex("xmlns:([a-z0-9]+)=\"http://www.w3.org/2001/XMLSchema\""))) << r.text;
  EXPECT_NE(r.text.find("<psf:Value xsi:type=\"" + std::string(m[1]) + ":QName\">"), std::string::npos) << r.text;
  EXPECT_NE(r.text.find("<psf:Property name=\"c:Other\"/>"), std::string::npos);
}

// Which of the delta's items a merge at each scope takes, seen through the DEVMODE.
TEST_F(TicketMerge, NarrowerScopesIgnoreTheDeltasWiderItems) {
  const std::string delta = Ticket(IntegerInit("psk:JobCopiesAllDocuments", "3") +
                                   Feature("psk:DocumentCollate", "psk:Collated") +
                                   Feature("psk:PageOrientation", "psk:Landscape"));
  struct Case {
    EPrintTicketScope scope;
    SHORT copies, collate, orientation;
  };
  for (const Case& c : {Case{kPTJobScope, 3, DMCOLLATE_TRUE, DMORIENT_LANDSCAPE},
                        Case{kPTDocumentScope, 1, DMCOLLATE_TRUE, DMORIENT_LANDSCAPE},
                        Case{kPTPageScope, 1, DMCOLLATE_FALSE, DMORIENT_LANDSCAPE}}) {
    const Result r = Merge(Ticket(""), delta, c.scope);
    ASSERT_EQ(r.hr, S_OK) << r.message;
    const Converted d = DevMode(r.text);
    ASSERT_EQ(d.hr, S_OK) << d.message;
    EXPECT_EQ(d.devmode.dmCopies, c.copies) << c.scope;
    EXPECT_EQ(d.devmode.dmCollate, c.collate) << c.scope;
    EXPECT_EQ(d.devmode.dmOrientation, c.orientation) << c.scope;
  }
}

TEST_F(TicketMerge, WhatThePrinterDoesNotOfferBecomesItsDefault) {
  struct Case {
    const char* what;
    std::string delta;
    HRESULT hr;
    std::string expected;  // in the result
  };
  const Case cases[] = {
      {"unknown media", Feature("psk:PageMediaSize", "psk:Bogus"), S_PT_CONFLICT_RESOLVED,
       "<psf:Option name=\"psk:NorthAmericaLetter\"><psf:ScoredProperty name=\"psk:MediaSizeWidth\">"
       "<psf:Value xsi:type=\"xsd:integer\">215900</psf:Value>"},
      {"unoffered resolution",
       "<psf:Feature name=\"psk:PageResolution\"><psf:Option>" + Scored("psk:ResolutionX", 999) +
           Scored("psk:ResolutionY", 999) + "</psf:Option></psf:Feature>",
       S_PT_CONFLICT_RESOLVED, "<psf:Option name=\"kp:Resolution600\">"},
      {"offered unnamed resolution",
       "<psf:Feature name=\"psk:PageResolution\"><psf:Option>" + Scored("psk:ResolutionX", 1200) +
           Scored("psk:ResolutionY", 1200) + "</psf:Option></psf:Feature>",
       S_OK, "<psf:Option><psf:ScoredProperty name=\"psk:ResolutionX\">"},
      {"N-up of 7", "<psf:Feature name=\"psk:JobNUpAllDocumentsContiguously\"><psf:Option>" +
                         Scored("psk:PagesPerSheet", 7) + "</psf:Option></psf:Feature>",
       S_PT_CONFLICT_RESOLVED, ">1</psf:Value>"},
      {"copies 0", IntegerInit("psk:JobCopiesAllDocuments", "0"), S_PT_CONFLICT_RESOLVED,
       "<psf:ParameterInit name=\"psk:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xsd:integer\">1</psf:Value>"},
      {"huge copies", IntegerInit("psk:JobCopiesAllDocuments", "99999999999999999999999"), S_PT_CONFLICT_RESOLVED,
       "<psf:ParameterInit name=\"psk:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xsd:integer\">1</psf:Value>"},
      {"custom width too large", IntegerInit("psk:PageMediaSizeMediaSizeWidth", "2000000"), S_PT_CONFLICT_RESOLVED,
       ">215900</psf:Value>"},
      {"offered copies", IntegerInit("psk:JobCopiesAllDocuments", "12"), S_OK, ">12</psf:Value>"},
      {"a feature that is not validated", Feature("kp:PageHeaderFooter", "kp:Maybe"), S_OK,
       "<psf:Option name=\"kp:Maybe\"/>"},
      {"an undescribed feature", Feature("psk:JobStapleAllDocuments", "psk:StapleTopLeft"), S_OK,
       "<psf:Option name=\"psk:StapleTopLeft\"/>"},
      // A minimal option gains its sizes; references without values get the defaults.
      {"A4 without sizes", Feature("psk:PageMediaSize", "psk:ISOA4"), S_OK,
       "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:Value xsi:type=\"xsd:integer\">210000</psf:Value>"},
      {"custom size without values",
       Feature("psk:PageMediaSize", "psk:CustomMediaSize",
               "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:ParameterRef "
               "name=\"psk:PageMediaSizeMediaSizeWidth\"/></psf:ScoredProperty>"),
       S_PT_CONFLICT_RESOLVED,
       "<psf:ParameterInit name=\"psk:PageMediaSizeMediaSizeWidth\"><psf:Value xsi:type=\"xsd:integer\">215900"},
  };
  for (const Case& c : cases) {
    const Result r = Merge(Ticket(""), Ticket(c.delta));
    EXPECT_EQ(r.hr, c.hr) << c.what << ": " << r.message;
    EXPECT_NE(r.text.find(c.expected), std::string::npos) << c.what << ":\n" << r.text;
    EXPECT_EQ(r.message.empty(), c.hr == S_OK) << c.what << ": " << r.message;
  }
}

TEST_F(TicketMerge, ConflictMessagesSayWhatChangedAndStayBounded) {
  std::string base;
  for (int i = 0; i < 30; ++i) base += Feature("psk:PageMediaSize", "psk:Bogus" + std::to_string(i));
  const Result r = Merge(Ticket(base), nullptr);
  EXPECT_EQ(r.hr, S_PT_CONFLICT_RESOLVED);
  EXPECT_NE(r.message.find("psk:PageMediaSize: the option 'psk:Bogus0' is not offered; psk:NorthAmericaLetter is used"),
            std::string::npos)
      << r.message;
  EXPECT_NE(r.message.find("and 10 more changes"), std::string::npos) << r.message;
}

// A document that is not a print ticket is refused, as base or as delta, with a message.
TEST_F(TicketMerge, MalformedTicketsAreRefusedWithAMessage) {
  std::string nested;
  for (int i = 0; i < 100; ++i) nested = "<psf:Property name=\"psk:P\">" + nested + "</psf:Property>";
  const std::string deep = Ticket(nested);
  std::string very_deep;
  for (int i = 0; i < 100000; ++i) very_deep += "<a>";
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE t [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>" +
      Ticket("<psf:Property name=\"psk:X\"><psf:Value>&b;</psf:Value></psf:Property>").substr(39);
  const std::string huge = Ticket(std::string(17u << 20, ' '));
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"not XML", "this is not a ticket"},
      {"truncated", Ticket("").substr(0, 120)},
      {"wrong root", std::string("<psf:PrintCapabilities version=\"1\" xmlns:psf=\"") + kPsf + "\"/>"},
      {"wrong namespace", "<psf:PrintTicket version=\"1\" xmlns:psf=\"urn:not-the-framework\"/>"},
      {"no version", std::string("<psf:PrintTicket xmlns:psf=\"") + kPsf + "\"/>"},
      {"version 2", std::string("<psf:PrintTicket version=\"2\" xmlns:psf=\"") + kPsf + "\"/>"},
      {"undeclared prefix in a name", Ticket(Feature("zz:PageMediaSize", "psk:ISOA4"))},
      {"feature without a name", Ticket("<psf:Feature><psf:Option name=\"psk:ISOA4\"/></psf:Feature>")},
      {"deep nesting", deep},
      {"very deep nesting", very_deep},
      {"entity expansion", laughs},
      {"undeclared entity", Ticket("<psf:Property name=\"psk:X\">&foo;</psf:Property>")},
      {"larger than 16 MiB", huge},
  };
  const std::string good = Ticket(Feature("psk:PageMediaSize", "psk:ISOA4"));
  for (const auto& [what, bad] : cases) {
    const Result as_base = Merge(bad, good);
    EXPECT_EQ(as_base.hr, E_PRINTTICKET_FORMAT) << what << ": " << as_base.message;
    EXPECT_FALSE(as_base.message.empty()) << what;
    EXPECT_TRUE(as_base.text.empty()) << what;
    const Result as_delta = Merge(good, bad);
    EXPECT_EQ(as_delta.hr, E_DELTA_PRINTTICKET_FORMAT) << what << ": " << as_delta.message;
    EXPECT_FALSE(as_delta.message.empty()) << what;
  }
  const Result unbound =
      Merge(good, Ticket("<psf:Property name=\"psk:X\"><psf:Value xsi:type=\"xsd:QName\">nope:Y</psf:Value>"
                         "</psf:Property>"));
  EXPECT_EQ(unbound.hr, E_DELTA_PRINTTICKET_FORMAT) << unbound.message;
}

TEST_F(TicketMerge, ReadsFromTheCurrentPositionAndWritesAtTheResultsPosition) {
  ComPtr<IStream> base = StreamOf("junk" + Ticket(Feature("psk:PageMediaSize", "psk:ISOA4")));
  LARGE_INTEGER four{};
  four.QuadPart = 4;
  ASSERT_EQ(base->Seek(four, STREAM_SEEK_SET, nullptr), S_OK);
  ComPtr<IStream> result = StreamOf("KEEP");
  ASSERT_EQ(result->Seek(LARGE_INTEGER{}, STREAM_SEEK_END, nullptr), S_OK);
  ASSERT_EQ(PTMergeAndValidatePrintTicket(provider_, base.Get(), nullptr, kPTJobScope, result.Get(), nullptr), S_OK);
  EXPECT_TRUE(TextOf(result.Get()).starts_with("KEEP<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
}

TEST_F(TicketMerge, ArgumentsAndPrintersAreChecked) {
  ComPtr<IStream> ticket = StreamOf(Ticket(""));
  ComPtr<IStream> result = EmptyStream();
  Bstr message;
  EXPECT_EQ(PTMergeAndValidatePrintTicket(provider_, nullptr, nullptr, kPTJobScope, result.Get(), message.Put()),
            E_POINTER);
  EXPECT_FALSE(message.Empty());
  EXPECT_EQ(PTMergeAndValidatePrintTicket(provider_, ticket.Get(), nullptr, kPTJobScope, nullptr, message.Put()),
            E_POINTER);
  EXPECT_EQ(PTMergeAndValidatePrintTicket(provider_, ticket.Get(), nullptr, static_cast<EPrintTicketScope>(3),
                                          result.Get(), message.Put()),
            E_INVALIDARG);
  int not_a_provider = 0;
  EXPECT_EQ(PTMergeAndValidatePrintTicket(reinterpret_cast<HPTPROVIDER>(&not_a_provider), ticket.Get(), nullptr,
                                          kPTJobScope, result.Get(), message.Put()),
            E_HANDLE);
  EXPECT_EQ(PTCloseProvider(nullptr), E_HANDLE);

  HPTPROVIDER other = nullptr;
  EXPECT_EQ(PTOpenProvider(u"No Such Printer", 1, &other), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(PTOpenProvider(kPrinter, 2, &other), E_INVALIDARG);
  EXPECT_EQ(PTOpenProvider(u"", 1, &other), E_INVALIDARG);
  EXPECT_EQ(PTOpenProvider(kPrinter, 1, nullptr), E_POINTER);
  DWORD used = 0;
  ASSERT_EQ(PTOpenProviderEx(kPrinter, 5, 1, &other, &used), S_OK);
  EXPECT_EQ(used, 1u);
  // A handle outlives the printer's registration.
  EXPECT_EQ(UnregisterPrinter(kPrinter), S_OK);
  EXPECT_EQ(PTMergeAndValidatePrintTicket(other, ticket.Get(), nullptr, kPTJobScope, result.Get(), nullptr), S_OK);
  EXPECT_EQ(PTCloseProvider(other), S_OK);
  EXPECT_EQ(PTCloseProvider(other), E_HANDLE);
}

TEST_F(TicketMerge, DefaultTicketValidatesWithoutChanges) {
  ComPtr<IStream> defaults = EmptyStream();
  ASSERT_EQ(WritePrinterDefaultTicket(provider_, defaults.Get(), nullptr), S_OK);
  const std::string text = TextOf(defaults.Get());
  const Result r = Merge(text, nullptr);
  EXPECT_EQ(r.hr, S_OK) << r.message;
  EXPECT_NE(text.find("<psf:Option name=\"psk:NorthAmericaLetter\">"), std::string::npos) << text;
  EXPECT_NE(text.find("xmlns:kp=\"" + std::string(kPrivateKeywordsNamespaceUtf8) + "\""), std::string::npos);
}

TEST(PrinterRegistration, RefusesMissingAndInvalidDescriptions) {
  Bstr message;
  EXPECT_EQ(RegisterPrinter(u"P", "/nonexistent/printer.xml", message.Put()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(message.Empty());
  const std::string head = "<PrinterDescription version=\"1\" xmlns=\"http://schemas.kestrel-print.example/kestrel/"
                           "printing/2006/11/printerdescription\" xmlns:psk=\"" + std::string(kPsk) + "\">";
  const std::pair<const char*, std::string> cases[] = {
      {"not XML", "<PrinterDescription"},
      {"wrong root", "<Printer/>"},
      {"no model", head + "</PrinterDescription>"},
      {"no default option", head + "<Printer model=\"M\"/><Feature name=\"psk:F\"><Option name=\"psk:A\"/></Feature>"
                                   "</PrinterDescription>"},
      {"default out of range", head + "<Printer model=\"M\"/><Parameter name=\"psk:P\" min=\"1\" max=\"2\" "
                                      "default=\"3\"/></PrinterDescription>"},
      {"undeclared prefix", head + "<Printer model=\"M\"/><Feature name=\"x:F\"><Option name=\"psk:A\" "
                                   "default=\"true\"/></Feature></PrinterDescription>"},
      {"unknown parameter", head + "<Printer model=\"M\"/><Feature name=\"psk:F\"><Option name=\"psk:A\" "
                                   "default=\"true\"><ScoredProperty name=\"psk:S\" parameter=\"psk:Q\"/></Option>"
                                   "</Feature></PrinterDescription>"},
  };
  const auto path = std::filesystem::temp_directory_path() / "kestrel_invalid_description.xml";
  for (const auto& [what, text] : cases) {
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_EQ(RegisterPrinter(u"P", path.string().c_str(), message.Put()), HRESULT_FROM_WIN32(ERROR_INVALID_DATA))
        << what;
    EXPECT_FALSE(message.Empty()) << what;
  }
  std::filesystem::remove(path);
  HPTPROVIDER p = nullptr;
  EXPECT_EQ(PTOpenProvider(u"P", 1, &p), HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME));
}

}  // namespace
}  // namespace ticket_test
