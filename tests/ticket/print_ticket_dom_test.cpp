#include "ticket/print_ticket_dom.h"

#include <gtest/gtest.h>

#include <limits>

#include "ticket/hresult_error.h"
#include "ticket_documents.h"

namespace {

using namespace ticket_test;

const std::string kFw = "\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\"";
const std::string kKw = "\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\"";
const std::string kXsi = "\"http://www.w3.org/2001/XMLSchema-instance\"";
const std::string kXsd = "\"http://www.w3.org/2001/XMLSchema\"";
const std::string kPrivate = "\"" + U8(PRIVATE_KEYWORDS_NS) + "\"";

struct PrefixCase {
  const char* label;
  std::string declarations;
  const char* framework;
  const char* keywords;
  const char* instance;
  const char* schema;
  const char* privatePrefix;
};

TEST(PrintTicketDom, DiscoversThePrefixesTheRootDeclares) {
  const PrefixCase cases[] = {
      {"pipeline prefixes", kDeclarations, "psf:", "psk:", "xsi:", "xsd:", "ns0000:"},
      {"no private namespace", "xmlns:psf=" + kFw + " xmlns:psk=" + kKw + " xmlns:xs=" + kXsd + " xmlns:xsi=" + kXsi,
       "psf:", "psk:", "xsi:", "xs:", ""},
      {"own prefixes", "xmlns:f=" + kFw + " xmlns:k=" + kKw + " xmlns:i=" + kXsi + " xmlns:s=" + kXsd +
                           " xmlns:p=" + kPrivate, "f:", "k:", "i:", "s:", "p:"},
      {"default declaration passed over", "xmlns:psf=" + kFw + " xmlns=" + kKw + " xmlns:k2=" + kKw, "psf:", "k2:", "",
       "", ""},
      {"first of two prefixes", "xmlns:psf=" + kFw + " xmlns:ns0000=" + kPrivate + " xmlns:ns0001=" + kPrivate, "psf:",
       "", "", "", "ns0000:"},
      {"ordinary attribute holding a URI", "xmlns:psf=" + kFw + " note=" + kKw, "psf:", "", "", "", ""},
  };
  for (const PrefixCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string root = std::string(c.framework) == "f:" ? "f:PrintTicket" : "psf:PrintTicket";
    Wrapped ticket("<" + root + " " + c.declarations + " version=\"1\"/>");
    ASSERT_TRUE(ticket.dom);
    EXPECT_EQ(U8(ticket->FrameworkPrefix()), c.framework);
    EXPECT_EQ(U8(ticket->KeywordsPrefix()), c.keywords);
    EXPECT_EQ(U8(ticket->SchemaInstancePrefix()), c.instance);
    EXPECT_EQ(U8(ticket->SchemaPrefix()), c.schema);
    EXPECT_EQ(U8(ticket->PrivatePrefix()), c.privatePrefix);
    EXPECT_EQ(ticket->PrivateNamespaceDeclared(), *c.privatePrefix != '\0');
    EXPECT_FALSE(ticket->IsCapabilities());
    ComPtr<IXMLDOMNode> found;
    EXPECT_EQ(ticket->SelectRoot(&found), S_OK) << "the root is found with the document's own prefix";
  }
}

HRESULT ConstructionResult(IXMLDOMDocument2* document, std::u16string_view root = u"PrintTicket") {
  try {
    PrintTicketDom dom(root, PRIVATE_KEYWORDS_NS, document);
    return S_OK;
  } catch (const HResultError& error) {
    return error.hr();
  }
}

TEST(PrintTicketDom, RefusesDocumentsItCannotQuery) {
  EXPECT_EQ(ConstructionResult(nullptr), E_PENDING);
  const std::string capabilities = TicketXml("", kDeclarations, "PrintCapabilities");
  EXPECT_EQ(ConstructionResult(LoadXml(capabilities).Get()), E_FAIL) << "another root";
  EXPECT_EQ(ConstructionResult(LoadXml(capabilities).Get(), u"PrintCapabilities"), S_OK);
  EXPECT_EQ(ConstructionResult(LoadXml("<PrintTicket xmlns=" + kFw + "/>").Get()), E_FAIL)
      << "the framework namespace only as the default namespace";
  EXPECT_EQ(ConstructionResult(LoadXml("<psf:PrintTicket xmlns:psf=\"urn:other\"/>").Get()), E_FAIL);
}

TEST(PrintTicketDom, CapabilitiesAreKnownByTheRootName) {
  Wrapped capabilities(TicketXml("", kDeclarations, "PrintCapabilities"), u"PrintCapabilities");
  ASSERT_TRUE(capabilities.dom);
  EXPECT_TRUE(capabilities->IsCapabilities());
}

TEST(PrintTicketDom, StripPrefixRemovesOnlyThePrivateOrKeywordsPrefix) {
  Wrapped withPrivate(TicketXml(""));
  Wrapped withoutPrivate(TicketXml("", "xmlns:psf=" + kFw + " xmlns:psk=" + kKw));
  struct Case {
    Wrapped* ticket;
    const char* name;
    const char* stripped;
    BOOL isPrivate;
  };
  const Case cases[] = {
      {&withPrivate, "psk:ISOA4", "ISOA4", FALSE},     {&withPrivate, "ns0000:Custom", "Custom", TRUE},
      {&withPrivate, "other:X", "other:X", FALSE},     {&withPrivate, "Plain", "Plain", FALSE},
      {&withoutPrivate, "ns0000:Custom", "ns0000:Custom", FALSE},
      {&withoutPrivate, "psk:A4", "A4", FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bstr name(U16(c.name));
    BOOL isPrivate = -1;
    ASSERT_EQ((*c.ticket)->StripPrefix(&name, &isPrivate), S_OK);
    EXPECT_EQ(Text(name), c.stripped);
    EXPECT_EQ(isPrivate, c.isPrivate);
  }
  Bstr empty(u"");
  BOOL isPrivate = FALSE;
  EXPECT_EQ(withPrivate->StripPrefix(&empty, &isPrivate), E_INVALIDARG);
  EXPECT_EQ(withPrivate->StripPrefix(nullptr, &isPrivate), E_POINTER);
}

TEST(PrintTicketDom, GetFeatureOptionReadsOptionNamesAndTheOptionNameValue) {
  struct Case {
    const char* label;
    std::string feature;
    HRESULT hr;
    const char* option;
    BOOL isPrivate;
  };
  const Case cases[] = {
      {"keywords option", Feature("psk:PageMediaSize", Option("psk:ISOA4")), S_OK, "ISOA4", FALSE},
      {"private option", Feature("psk:PageMediaSize", Option("ns0000:Custom")), S_OK, "Custom", TRUE},
      {"foreign option", Feature("psk:PageMediaSize", Option("other:X")), S_OK, "other:X", FALSE},
      {"OptionName value", Feature("psk:PageMediaSize", Scored("psk:OptionName", StringValue("psk:A4"))), S_OK, "A4",
       FALSE},
      {"first in document order", Feature("psk:PageMediaSize", Scored("psk:OptionName", StringValue("psk:B5")) +
                                                                    Option("psk:ISOA4")),
       S_OK, "B5", FALSE},
      {"no option", Feature("psk:PageMediaSize", ""), kTicketItemNotFound, "", FALSE},
      {"no feature", Feature("psk:PageOrientation", Option("psk:Portrait")), kTicketItemNotFound, "", FALSE},
      {"option without name or text", Feature("psk:PageMediaSize", "<psf:Option/>"), E_INVALIDARG, "", FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.feature));
    Bstr option(u"unchanged");
    BOOL isPrivate = -1;
    EXPECT_EQ(ticket->GetFeatureOption(ticket->KeywordsPrefix(), u"PageMediaSize", &option, &isPrivate), c.hr);
    if (c.hr != S_OK) continue;
    EXPECT_EQ(Text(option), c.option);
    EXPECT_EQ(isPrivate, c.isPrivate);
  }
}

TEST(PrintTicketDom, GetSubFeatureOptionNeedsANamedOption) {
  Wrapped ticket(TicketXml(Feature(
      "psk:JobNUpAllDocumentsContiguously",
      Feature("psk:PresentationDirection", Option("psk:BottomLeft")) +
          Feature("ns0000:BorderLine", Scored("psk:OptionName", StringValue("ns0000:BreakLine"))))));
  Bstr option;
  BOOL isPrivate = FALSE;
  EXPECT_EQ(ticket->GetSubFeatureOption(ticket->KeywordsPrefix(), u"JobNUpAllDocumentsContiguously",
                                        ticket->KeywordsPrefix(), u"PresentationDirection", &option, &isPrivate),
            S_OK);
  EXPECT_EQ(Text(option), "BottomLeft");
  EXPECT_EQ(ticket->GetSubFeatureOption(ticket->KeywordsPrefix(), u"JobNUpAllDocumentsContiguously",
                                        ticket->PrivatePrefix(), u"BorderLine", &option, &isPrivate),
            kTicketItemNotFound);
}

TEST(PrintTicketDom, ValuesComeFromTheValueOrThroughTheParameterRef) {
  const std::string width = "psk:PageMediaSizeMediaSizeWidth";
  struct Case {
    const char* label;
    std::string body;
    HRESULT hr;
    const char* text;
  };
  const Case cases[] = {
      {"value", Feature("psk:PageMediaSize", Option("psk:ISOA4", Scored("psk:MediaSizeWidth", IntValue(210000)))),
       S_OK, "210000"},
      {"reference", Init(width, IntValue(100000)) +
                        Feature("psk:PageMediaSize", Option("psk:CustomMediaSize", Scored("psk:MediaSizeWidth", Ref(width)))),
       S_OK, "100000"},
      {"reference to a later, pretty-printed initialiser",
       Feature("psk:PageMediaSize", Option("psk:CustomMediaSize", Scored("psk:MediaSizeWidth", Ref(width)))) +
           "\n  " + Init(width, "\n    " + IntValue(120000) + "\n  "),
       S_OK, "120000"},
      {"reference without initialiser",
       Init("psk:Other", IntValue(1)) +
           Feature("psk:PageMediaSize", Option("psk:CustomMediaSize", Scored("psk:MediaSizeWidth", Ref(width)))),
       kTicketItemNotFound, ""},
      {"neither value nor reference", Feature("psk:PageMediaSize", Option("psk:A", Scored("psk:MediaSizeWidth", ""))),
       kTicketItemNotFound, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    Bstr text;
    EXPECT_EQ(ticket->GetScoredPropertyText(u"PageMediaSize", u"MediaSizeWidth", &text), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(Text(text), c.text);
    }
  }
}

TEST(PrintTicketDom, IntegerValuesAreReadAsSignedDecimals) {
  struct Case {
    const char* text;
    LONG value;
  };
  const Case cases[] = {
      {" 2100", 2100},
      {"12.5", 12},
      {"abc", 0},
      {"-7x", -7},
      {"+42", 42},
      {"99999999999999999999", std::numeric_limits<LONG>::max()},
      {"-2147483648", std::numeric_limits<LONG>::min()},
      {"-99999999999999999999", std::numeric_limits<LONG>::min()},
      {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Wrapped ticket(TicketXml(Property("ns0000:CustomPaperTemp", StringValue(c.text))));
    LONG value = 1234;
    ASSERT_EQ(ticket->GetValueInt(u"//psf:Property[@name = \"ns0000:CustomPaperTemp\"]", &value), S_OK);
    EXPECT_EQ(value, c.value);
  }
}

TEST(PrintTicketDom, SelectionResults) {
  Wrapped ticket(TicketXml(Feature("psk:PageOrientation", Option("psk:Portrait"))));
  ComPtr<IXMLDOMNode> node;
  EXPECT_EQ(ticket->SelectSingle(u"", &node), E_INVALIDARG);
  EXPECT_EQ(ticket->SelectSingle(u"//psf:Feature", nullptr), E_POINTER);
  EXPECT_EQ(ticket->SelectSingle(u"//psf:Property", &node), S_FALSE);
  ComPtr<IXMLDOMNodeList> nodes;
  EXPECT_EQ(ticket->SelectAll(u"", &nodes), E_FAIL);
  EXPECT_TRUE(FAILED(ticket->SelectSingle(u"//undeclared:Feature", &node))) << "errors of the document are returned";
  EXPECT_EQ(ticket->FeatureExists(u"PageOrientation"), S_OK);
  EXPECT_EQ(ticket->FeatureExists(u"PageMediaSize"), kTicketItemNotFound);
  Bstr text;
  EXPECT_EQ(ticket->GetValueText(u"//psf:Property", &text), S_FALSE);
  EXPECT_EQ(ticket->GetValue(u"//psf:Property", &text), kTicketItemNotFound);
  ASSERT_EQ(ticket->SelectSingle(u"//psf:Feature", &node), S_OK);
  EXPECT_EQ(ticket->GetAttribute(node.Get(), u"name", &text), S_OK);
  EXPECT_EQ(Text(text), "psk:PageOrientation");
  EXPECT_EQ(ticket->GetAttribute(node.Get(), u"missing", &text), S_FALSE);
}

}  // namespace
