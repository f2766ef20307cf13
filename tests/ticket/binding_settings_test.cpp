#include "ticket/binding_settings.h"

#include <gtest/gtest.h>

#include "ticket/duplex_settings.h"
#include "ticket/nup_settings.h"
#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string SubFeature(std::string_view name, std::string_view option) {
  return Feature("ns0000:" + std::string(name), Option("ns0000:" + std::string(option)));
}

// A full job binding feature as the driver writes it.
std::string JobBinding(std::string_view edge, std::string_view depend = "False") {
  return Feature("psk:JobBindAllDocuments",
                 Option(edge, Scored("psk:BindingGutter", Ref("psk:JobBindAllDocumentsGutter")) +
                                  Scored("ns0000:DependOnDuplex", StringValue(depend))) +
                     Property("ns0000:BindingOptionControl", StringValue("Off")) +
                     SubFeature("BindingGutterControl", "On") + SubFeature("BindingUnit", "inches") +
                     SubFeature("BookletPrintingMethod", "DivideIntoSets")) +
         Init("psk:JobBindAllDocumentsGutter", IntValue(5000)) +
         Init("ns0000:JobBindBookletDivideSheets", IntValue(4));
}

void ExpectSame(const BindingSettings& read, const BindingSettings& expected) {
  EXPECT_EQ(read.scope, expected.scope);
  EXPECT_EQ(read.bindingEdge, expected.bindingEdge);
  EXPECT_EQ(read.gutter, expected.gutter);
  EXPECT_EQ(read.gutterControl, expected.gutterControl);
  EXPECT_EQ(read.unit, expected.unit);
  EXPECT_EQ(read.dependOnDuplex, expected.dependOnDuplex);
  EXPECT_EQ(read.optionControl, expected.optionControl);
  EXPECT_EQ(read.bookletMethod, expected.bookletMethod);
  EXPECT_EQ(read.bookletSheets, expected.bookletSheets);
}

TEST(ReadBinding, ReadsTheJobFeature) {
  struct Case {
    const char* label;
    std::string body;
    BindingSettings expected;
  };
  const Case cases[] = {
      {"nothing there", "", {}},
      {"full feature",
       JobBinding("psk:BindTop"),
       {Scope::Job, BindingEdge::BindTop, 5000, OffOn::On, BindingUnit::Inches, 0, OffOn::Off,
        BookletMethod::DivideIntoSets, 4}},
      {"private edge",
       JobBinding("ns0000:BookletReverseFlip", "Yes"),
       {Scope::Job, BindingEdge::BookletReverseFlip, 5000, OffOn::On, BindingUnit::Inches, 1, OffOn::Off,
        BookletMethod::DivideIntoSets, 4}},
      {"unknown edge keeps edge, gutter and dependence",
       JobBinding("psk:BindSideways"),
       {Scope::Job, BindingEdge::BindLeft, 0, OffOn::On, BindingUnit::Inches, 1, OffOn::Off,
        BookletMethod::DivideIntoSets, 4}},
      {"gutter missing skips DependOnDuplex",
       Feature("psk:JobBindAllDocuments",
               Option("psk:BindRight", Scored("ns0000:DependOnDuplex", StringValue("False")))),
       {Scope::Job, BindingEdge::BindRight, 0, OffOn::Off, BindingUnit::Microns, 1, OffOn::On,
        BookletMethod::AllPagesAtOnce, 10}},
      {"only the document feature",
       Feature("psk:DocumentBinding", Option("psk:BindTop", Scored("psk:BindingGutter", IntValue(9)))),
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    BindingSettings settings;
    EXPECT_EQ(ReadBinding(*ticket, settings), S_OK);
    ExpectSame(settings, c.expected);
  }
}

TEST(WriteBinding, RoundTripsAndReplacesEveryScope) {
  Wrapped ticket(TicketXml(
      JobBinding("psk:BindLeft") +
      Feature("psk:DocumentBinding",
              Option("psk:BindTop", Scored("psk:BindingGutter", Ref("psk:DocumentBindingGutter")))) +
      Init("psk:DocumentBindingGutter", IntValue(1)) + Init("ns0000:DocumentBindBookletDivideSheets", IntValue(2))));
  const BindingSettings written{Scope::Job, BindingEdge::BookletReverseFlip, 7000, OffOn::On, BindingUnit::Microns, 0,
                                OffOn::On,  BookletMethod::DivideIntoSets,   3};
  ASSERT_EQ(WriteBinding(*ticket, written), S_OK);
  BindingSettings read;
  EXPECT_EQ(ReadBinding(*ticket, read), S_OK);
  ExpectSame(read, written);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Option[@name = \"ns0000:BookletReverseFlip\"]"), 1);
  EXPECT_EQ(CountOf(*ticket, u"/psf:PrintTicket/psf:Feature"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:ParameterInit"), 2);

  ASSERT_EQ(
      WriteBinding(*ticket, BindingSettings{Scope::Document, BindingEdge::Booklet, 100, OffOn::Off, BindingUnit::Inches,
                                            1, OffOn::Off, BookletMethod::AllPagesAtOnce, 10}),
      S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name = \"psk:DocumentBinding\"]"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:ParameterInit[@name = \"psk:DocumentBindingGutter\"]"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:ParameterInit[@name = \"ns0000:DocumentBindBookletDivideSheets\"]"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name = \"psk:JobBindAllDocuments\"]"), 0);

  ASSERT_EQ(WriteBinding(*ticket, BindingSettings{}), S_OK) << "scope -1 only removes";
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature | //psf:ParameterInit"), 0);
}

TEST(WriteBinding, RefusesFieldsOutsideTheirRange) {
  BindingSettings edge6;
  edge6.scope = Scope::Job;
  edge6.bindingEdge = static_cast<BindingEdge>(6);
  BindingSettings unit2 = edge6;
  unit2.bindingEdge = BindingEdge::BindBottom;
  unit2.unit = static_cast<BindingUnit>(2);
  BindingSettings scope2 = unit2;
  scope2.unit = BindingUnit::Microns;
  scope2.scope = static_cast<Scope>(2);
  BindingSettings method2 = unit2;
  method2.unit = BindingUnit::Microns;
  method2.bookletMethod = static_cast<BookletMethod>(2);
  for (const BindingSettings& bad : {edge6, unit2, scope2, method2}) {
    Wrapped ticket(TicketXml(JobBinding("psk:BindLeft")));
    EXPECT_EQ(WriteBinding(*ticket, bad), E_INVALIDARG);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 4) << "ticket unchanged";
  }
}

TEST(SettingsTables, NameValuesAndCheckIndices) {
  EXPECT_EQ(Name(BindingEdge::Booklet), u"Booklet");
  EXPECT_EQ(Name(BookletMethod::DivideIntoSets), u"DivideIntoSets");
  EXPECT_EQ(Name(DuplexType::LongEdgeManual), u"TwoSidedLongEdge");
  EXPECT_EQ(Name(DuplexMode::Manual), u"Manual");
  EXPECT_FALSE(Name(static_cast<BindingEdge>(6)));
  EXPECT_EQ(FromIndex<BindingEdge>(5), BindingEdge::BookletReverseFlip);
  for (const LONG outside : {LONG{-1}, LONG{6}, LONG{0x7FFFFFFF}})
    EXPECT_FALSE(FromIndex<BindingEdge>(outside)) << outside;
  EXPECT_FALSE(FromIndex<DuplexType>(5));
  EXPECT_EQ(Name(Scope::None), u"None");
  EXPECT_EQ(FromIndex<Scope>(1), Scope::Document);
  EXPECT_FALSE(FromIndex<Scope>(2));
  EXPECT_FALSE(FromIndex<Scope>(-0x7FFFFFFF - 1));
}

TEST(SettingsTables, FailureMessagesNameTheValue) {
  EXPECT_EQ(testing::PrintToString(BindingEdge::Booklet), "Booklet (4)");
  EXPECT_EQ(testing::PrintToString(Scope::None), "None (-1)");
  EXPECT_EQ(testing::PrintToString(static_cast<NUpDirection>(4)), "4 (outside the table)");
}

}  // namespace
