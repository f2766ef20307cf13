#include <gtest/gtest.h>

#include "ticket/print_ticket_dom.h"
#include "ticket_documents.h"

namespace {

using namespace ticket_test;

const std::string kWidth = "psk:PageMediaSizeMediaSizeWidth";

std::string CustomSize(std::string_view reference) {
  return Feature("psk:PageMediaSize",
                 Option("psk:CustomMediaSize", Scored("psk:MediaSizeWidth", Ref(reference))));
}

TEST(TicketEditing, RemoveFeatureRemovesEveryMatchAndTheInitialisersItUses) {
  struct Case {
    const char* label;
    std::string body;
    long featuresLeft;
    long initialisersLeft;
  };
  const Case cases[] = {
      {"two features sharing one initialiser",
       CustomSize(kWidth) + Init(kWidth, IntValue(100000)) + CustomSize(kWidth) + Init("psk:Kept", IntValue(1)), 0, 1},
      {"references naming no initialiser", CustomSize("psk:Nothing") + Init(kWidth, IntValue(1)), 0, 1},
      {"initialiser without a name is kept", CustomSize(kWidth) + "<psf:ParameterInit>" + IntValue(5) +
                                                 "</psf:ParameterInit>",
       0, 1},
      {"other features stay", CustomSize(kWidth) + Feature("psk:PageOrientation", Option("psk:Portrait")), 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    EXPECT_EQ(ticket->RemoveFeature(u"PageMediaSize"), S_FALSE);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), c.featuresLeft);
    EXPECT_EQ(CountOf(*ticket, u"//psf:ParameterInit"), c.initialisersLeft);
  }
}

TEST(TicketEditing, RemovalResults) {
  Wrapped ticket(TicketXml(Property("ns0000:JobInfoData", "") + Property("ns0000:JobInfoData", "") +
                           Init("psk:JobCopiesAllDocuments", IntValue(2)) +
                           Init("ns0000:JobBindBookletDivideSheets", IntValue(3)) +
                           Feature("ns0000:PageReverseImage", Option("ns0000:On"))));
  EXPECT_EQ(ticket->RemoveProperty(u"JobInfoData"), S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property"), 1) << "only the first match";
  EXPECT_EQ(ticket->RemoveProperty(u"JobInfoData"), S_OK);
  EXPECT_EQ(ticket->RemoveProperty(u"JobInfoData"), S_FALSE);
  EXPECT_EQ(ticket->RemoveParameterInit(u"JobCopiesAllDocuments"), S_OK);
  EXPECT_EQ(ticket->RemoveParameterInit(u"JobCopiesAllDocuments"), S_FALSE);
  EXPECT_EQ(ticket->RemoveParameterInit(u"JobBindBookletDivideSheets"), S_FALSE) << "a keywords name";
  EXPECT_EQ(ticket->RemovePrivateParameterInit(u"JobBindBookletDivideSheets"), S_OK);
  EXPECT_EQ(ticket->RemoveFeature(u"PageReverseImage"), S_FALSE);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 1) << "a private feature is not a keywords one";
  EXPECT_EQ(ticket->RemovePrivateFeature(u"PageReverseImage"), S_FALSE);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 0);
  EXPECT_EQ(ticket->RemoveFeature(u""), E_INVALIDARG);
  EXPECT_EQ(ticket->RemoveProperty(u""), E_INVALIDARG);
  EXPECT_EQ(ticket->RemoveNode(nullptr), E_POINTER);
}

TEST(TicketEditing, RemoveEveryLeavesNoDuplicate) {
  Wrapped ticket(TicketXml(Property("ns0000:JobDuplexData", "") + Property("ns0000:JobDuplexData", "") +
                           Init("psk:G", IntValue(1)) + Init("psk:G", IntValue(2))));
  EXPECT_EQ(ticket->RemoveEveryProperty(u"JobDuplexData"), S_OK);
  EXPECT_EQ(ticket->RemoveEveryProperty(u"JobDuplexData"), S_FALSE);
  EXPECT_EQ(ticket->RemoveEveryParameterInit(ticket->KeywordsPrefix(), u"G"), S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property | //psf:ParameterInit"), 0);
}

// The markup of an element after appending it to the root, where the
// document's declarations are in scope.
std::string AppendedXml(PrintTicketDom& dom, IXMLDOMElement* element) {
  ComPtr<IXMLDOMNode> root;
  EXPECT_EQ(dom.SelectRoot(&root), S_OK);
  EXPECT_EQ(root->appendChild(element, nullptr), S_OK);
  return XmlOf(element);
}

TEST(TicketEditing, CreatedElementsUseTheDocumentsPrefixes) {
  Wrapped ticket(TicketXml(""));
  ComPtr<IXMLDOMElement> feature;
  ComPtr<IXMLDOMElement> option;
  ASSERT_EQ(ticket->CreateFeatureWithOption(false, u"PageOrientation", false, u"Landscape", &feature, &option), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, feature.Get()),
            "<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:Landscape\"/></psf:Feature>");

  ComPtr<IXMLDOMElement> property;
  ASSERT_EQ(ticket->CreatePropertyInt(ticket->PrivatePrefix(), u"DivideCondition", 3, &property), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, property.Get()),
            "<psf:Property name=\"ns0000:DivideCondition\"><psf:Value xsi:type=\"xsd:integer\">3</psf:Value>"
            "</psf:Property>");

  ComPtr<IXMLDOMElement> reference;
  ComPtr<IXMLDOMElement> initialiser;
  ComPtr<IXMLDOMElement> scored;
  ASSERT_EQ(ticket->CreateKeywordsParameterInt(u"PageMediaSizeMediaSizeWidth", -5, &reference, &initialiser), S_OK);
  ASSERT_EQ(ticket->AppendScoredProperty(ticket->KeywordsPrefix(), u"MediaSizeWidth", reference.Get(), &scored), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, scored.Get()),
            "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:ParameterRef name=\"psk:PageMediaSizeMediaSizeWidth\"/>"
            "</psf:ScoredProperty>");
  EXPECT_EQ(AppendedXml(*ticket, initialiser.Get()),
            "<psf:ParameterInit name=\"psk:PageMediaSizeMediaSizeWidth\"><psf:Value xsi:type=\"xsd:integer\">-5"
            "</psf:Value></psf:ParameterInit>");

  ComPtr<IXMLDOMElement> string;
  ASSERT_EQ(ticket->CreateScoredPropertyString(ticket->KeywordsPrefix(), u"DuplexMode", u"Manual", &string), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, string.Get()),
            "<psf:ScoredProperty name=\"psk:DuplexMode\"><psf:Value xsi:type=\"xsd:string\">Manual</psf:Value>"
            "</psf:ScoredProperty>");
}

TEST(TicketEditing, ElementsFollowADocumentWithOtherPrefixes) {
  Wrapped ticket(
      "<f:PrintTicket xmlns:f=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
      "xmlns:k=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
      "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
      "xmlns:p=\"" + U8(PRIVATE_KEYWORDS_NS) + "\" version=\"1\"/>");
  ComPtr<IXMLDOMElement> feature;
  ASSERT_EQ(ticket->CreateFeatureWithOption(true, u"PageReverseImage", true, u"On", &feature, nullptr), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, feature.Get()),
            "<f:Feature name=\"p:PageReverseImage\"><f:Option name=\"p:On\"/></f:Feature>");
  ComPtr<IXMLDOMElement> property;
  ASSERT_EQ(ticket->CreatePropertyValue(ticket->PrivatePrefix(), u"DivideCondition", u"string", u"A", &property), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, property.Get()),
            "<f:Property name=\"p:DivideCondition\"><f:Value i:type=\"xs:string\">A</f:Value></f:Property>");
}

TEST(TicketEditing, CreateOptionIsConstrainedOnlyInCapabilities) {
  Wrapped ticket(TicketXml(""));
  Wrapped capabilities(TicketXml("", kDeclarations, "PrintCapabilities"), u"PrintCapabilities");
  ComPtr<IXMLDOMElement> option;
  ASSERT_EQ(ticket->CreateOption(ticket->KeywordsPrefix(), u"ISOA4", &option), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, option.Get()), "<psf:Option name=\"psk:ISOA4\"/>");
  ASSERT_EQ(capabilities->CreateOption(capabilities->KeywordsPrefix(), u"ISOA4", &option), S_OK);
  EXPECT_EQ(AppendedXml(*capabilities, option.Get()), "<psf:Option name=\"psk:ISOA4\" constrained=\"psk:None\"/>");
  ASSERT_EQ(ticket->CreateOption(ticket->KeywordsPrefix(), u"", &option), S_OK);
  EXPECT_EQ(AppendedXml(*ticket, option.Get()), "<psf:Option/>");
}

TEST(TicketEditing, NestedCreationsDeclareNoNamespaceTwice) {
  Wrapped ticket(TicketXml(""));
  ComPtr<IXMLDOMElement> property;
  ComPtr<IXMLDOMElement> child;
  ASSERT_EQ(ticket->CreateProperty(ticket->PrivatePrefix(), u"JobInfoData", &property), S_OK);
  ASSERT_EQ(ticket->CreatePropertyValue(ticket->PrivatePrefix(), u"ComputerName", u"string", u"host", &child), S_OK);
  ASSERT_EQ(property->appendChild(child.Get(), nullptr), S_OK);
  AppendedXml(*ticket, property.Get());
  ComPtr<IXMLDOMElement> root;
  ASSERT_EQ(ticket->Document()->get_documentElement(root.Put()), S_OK);
  const std::string xml = XmlOf(root.Get());
  EXPECT_EQ(xml.find("xmlns", xml.find('>')), std::string::npos) << xml;
}

TEST(TicketEditing, CreationArguments) {
  Wrapped ticket(TicketXml(""));
  ComPtr<IXMLDOMElement> element;
  EXPECT_EQ(ticket->CreateElement(u"", &element), E_INVALIDARG);
  EXPECT_EQ(ticket->CreateElement(u"psf:Value", nullptr), E_POINTER);
  EXPECT_EQ(ticket->SetAttribute(nullptr, u"name", u"", u"x"), E_INVALIDARG);
  EXPECT_EQ(ticket->CreateProperty(ticket->PrivatePrefix(), u"", &element), E_INVALIDARG);
  EXPECT_EQ(ticket->CreatePropertyValue(ticket->PrivatePrefix(), u"A", u"", u"x", &element), E_INVALIDARG);
  EXPECT_EQ(ticket->CreatePropertyValue(ticket->PrivatePrefix(), u"A", u"string", u"x", nullptr), E_POINTER);
  EXPECT_EQ(ticket->CreateParameter(ticket->KeywordsPrefix(), u"A", u"integer", u"1", nullptr, nullptr), E_POINTER);
  EXPECT_EQ(ticket->CreateFeatureWithOption(false, u"PageOrientation", false, u"", &element, nullptr), E_INVALIDARG);
  EXPECT_EQ(ticket->AppendScoredProperty(ticket->KeywordsPrefix(), u"A", nullptr, &element), E_POINTER);
  EXPECT_EQ(ticket->CreateElement(u"bad name", &element), E_INVALIDARG) << "the document's own refusal";
}

}  // namespace
