#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/stream.h"
#include "platform/utf.h"
#include "platform/xml_dom.h"

namespace {

constexpr char16_t kFramework[] = u"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
constexpr char16_t kInstance[] = u"http://www.w3.org/2001/XMLSchema-instance";

// The root of the mb09 tickets, with its mix of declarations and an attribute.
constexpr char kTicket[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "version=\"1\" xmlns:ns0000=\"http://example.com/private\" "
    "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\">"
    "<psf:Feature name=\"psk:PageMediaSize\"><psf:Option name=\"psk:ISOA4\">"
    "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:Value xsi:type=\"xsd:integer\">210000</psf:Value>"
    "</psf:ScoredProperty></psf:Option></psf:Feature>"
    "<psf:Feature name=\"ns0000:JobInterleaving\"><psf:Option name=\"ns0000:OFF\"/></psf:Feature>"
    "</psf:PrintTicket>";

constexpr char16_t kTicketNamespaces[] =
    u"xmlns:psf='http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework' "
    u"xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\"\t"
    u"xmlns:ns0000='http://example.com/private'";

std::u16string U16(std::string_view utf8) { return Utf8ToUtf16(utf8).value(); }
std::string U8(std::u16string_view utf16) { return Utf16ToUtf8(utf16).value(); }

VARIANT BstrVariant(const Bstr& text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = text.Get();
  return v;
}

VARIANT IntVariant(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

// Borrows the stream: the caller keeps its reference.
VARIANT UnknownVariant(IUnknown* object) {
  VARIANT v;
  v.vt = VT_UNKNOWN;
  v.punkVal = object;
  return v;
}

ComPtr<IXMLDOMDocument2> NewDocument() {
  ComPtr<IXMLDOMDocument2> doc;
  EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2, doc.PutVoid()),
            S_OK);
  return doc;
}

ComPtr<IStream> StreamOf(std::string_view bytes) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

HRESULT Load(IXMLDOMDocument2* doc, std::string_view bytes, VARIANT_BOOL* ok) {
  ComPtr<IStream> stream = StreamOf(bytes);
  return doc->load(UnknownVariant(stream.Get()), ok);
}

ComPtr<IXMLDOMDocument2> LoadedDocument(std::string_view bytes) {
  ComPtr<IXMLDOMDocument2> doc = NewDocument();
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(Load(doc.Get(), bytes, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(doc->setProperty(Bstr(u"SelectionLanguage").Get(), BstrVariant(Bstr(u"XPath"))), S_OK);
  EXPECT_EQ(doc->setProperty(Bstr(u"SelectionNamespaces").Get(), BstrVariant(Bstr(kTicketNamespaces))), S_OK);
  return doc;
}

std::string ReadToEnd(IStream* stream) {
  std::string bytes;
  char chunk[1000];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &read)) && read > 0) bytes.append(chunk, read);
  return bytes;
}

std::string XmlOf(IXMLDOMNode* node) {
  Bstr xml;
  EXPECT_EQ(node->get_xml(xml.Put()), S_OK);
  return U8(xml.View());
}

std::string NameOf(IXMLDOMNode* node) {
  Bstr name;
  EXPECT_EQ(node->get_nodeName(name.Put()), S_OK);
  return U8(name.View());
}

std::string TextOf(IXMLDOMNode* node) {
  Bstr text;
  EXPECT_EQ(node->get_text(text.Put()), S_OK);
  return U8(text.View());
}

ComPtr<IXMLDOMNode> Select(IXMLDOMNode* context, std::u16string_view xpath) {
  ComPtr<IXMLDOMNode> node;
  EXPECT_EQ(context->selectSingleNode(Bstr(xpath).Get(), node.Put()), S_OK) << U8(xpath);
  return node;
}

ComPtr<IXMLDOMElement> Root(IXMLDOMDocument2* doc) {
  ComPtr<IXMLDOMElement> root;
  EXPECT_EQ(doc->get_documentElement(root.Put()), S_OK);
  return root;
}

std::string AttributeOf(IXMLDOMNode* node, std::u16string_view name) {
  ComPtr<IXMLDOMElement> element;
  EXPECT_EQ(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid()), S_OK);
  VARIANT value;
  EXPECT_EQ(element->getAttribute(Bstr(name).Get(), &value), S_OK);
  std::string text = value.vt == VT_BSTR ? U8(std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal))) : "";
  VariantClear(&value);
  return text;
}

ComPtr<IXMLDOMNode> CreateNode(IXMLDOMDocument2* doc, DOMNodeType type, std::u16string_view name,
                               std::u16string_view uri) {
  ComPtr<IXMLDOMNode> node;
  EXPECT_EQ(doc->createNode(IntVariant(type), Bstr(name).Get(), Bstr(uri).Get(), node.Put()), S_OK);
  return node;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::vector<std::filesystem::path> CorpusTickets() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = std::filesystem::path(KESTREL_CORPUS_DIR) / "tickets";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error))
    if (entry.path().extension() == ".xml") files.push_back(entry.path());
  return files;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(XmlDomCorpus, TicketsRoundTripThroughTheDocumentStream) {
  const std::vector<std::filesystem::path> files = CorpusTickets();
  if (files.empty()) GTEST_SKIP() << "no tickets in the corpus";
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    ComPtr<IXMLDOMDocument2> original = LoadedDocument(ReadFile(file));
    ComPtr<IStream> stream;
    ASSERT_EQ(original.As(stream), S_OK);
    const std::string serialised = ReadToEnd(stream.Get());
    EXPECT_TRUE(serialised.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << serialised.substr(0, 60);

    ComPtr<IXMLDOMDocument2> copy = NewDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    LARGE_INTEGER zero{};
    ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(copy->load(UnknownVariant(stream.Get()), &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(XmlOf(copy.Get()), XmlOf(original.Get()));
    for (const char16_t* query : {u"//*", u"//@*", u"//text()"}) {
      ComPtr<IXMLDOMNodeList> a, b;
      ASSERT_EQ(original->selectNodes(Bstr(query).Get(), a.Put()), S_OK);
      ASSERT_EQ(copy->selectNodes(Bstr(query).Get(), b.Put()), S_OK);
      LONG na = 0, nb = 0;
      a->get_length(&na);
      b->get_length(&nb);
      EXPECT_GT(na, 0);
      EXPECT_EQ(na, nb) << U8(query);
    }
  }
}

TEST(XmlDomCorpus, QueriesUseTheTicketsOwnPrefixes) {
  const std::filesystem::path file = std::filesystem::path(KESTREL_CORPUS_DIR) / "tickets" / "mb09-job.xml";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "mb09-job.xml is not in the corpus";
  ComPtr<IXMLDOMDocument2> doc = NewDocument();
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Load(doc.Get(), ReadFile(file), &ok), S_OK);
  const std::u16string ns = U16(
      "xmlns:psf='http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework' "
      "xmlns:psk='http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords' "
      "xmlns:ns0000='http://schemas.microsoft.com/windows/printing/oemdriverpt/"
      "Microsoft_XPS_Document_Writer_6_0_5384_4_'");
  ASSERT_EQ(doc->setProperty(Bstr(u"SelectionNamespaces").Get(), BstrVariant(Bstr(ns))), S_OK);

  ComPtr<IXMLDOMNode> option = Select(doc.Get(), u"//psf:Feature[@name = \"ns0000:JobInterleaving\"]/psf:Option");
  ASSERT_TRUE(option);
  EXPECT_EQ(AttributeOf(option.Get(), u"name"), "ns0000:OFF");

  ComPtr<IXMLDOMNode> size = Select(doc.Get(),
                                    u"//psf:Feature[@name = \"psk:PageMediaSize\"]/psf:Option | "
                                    u"//psf:Feature[@name = \"psk:PageMediaSize\"]/psf:ScoredProperty"
                                    u"[@name = \"psk:OptionName\"]/psf:Value");
  ASSERT_TRUE(size);
  EXPECT_EQ(AttributeOf(size.Get(), u"name"), "psk:NorthAmericaLetter");
  ComPtr<IXMLDOMNode> width = Select(size.Get(), u"psf:ScoredProperty[@name = \"psk:MediaSizeWidth\"]/psf:Value");
  ASSERT_TRUE(width);
  VARIANT typed;
  ASSERT_EQ(width->get_nodeTypedValue(&typed), S_OK);
  ASSERT_EQ(typed.vt, VT_BSTR);
  EXPECT_EQ(U8(std::u16string_view(typed.bstrVal, SysStringLen(typed.bstrVal))), "215900");
  VariantClear(&typed);

  // xsd is declared by the ticket but not bound for selection.
  ComPtr<IXMLDOMNode> none;
  EXPECT_TRUE(FAILED(doc->selectSingleNode(Bstr(u"//xsd:Value").Get(), none.Put())));
  EXPECT_FALSE(none);
}

TEST(XmlDomXPath, SelectsInDocumentOrderAndReportsWhatItCannot) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument("<r><a n='1'/><b/><a n='2'/>text</r>");
  ComPtr<IXMLDOMNodeList> list;
  ASSERT_EQ(doc->selectNodes(Bstr(u"//b | //a").Get(), list.Put()), S_OK);
  std::vector<std::string> names;
  ComPtr<IXMLDOMNode> node;
  while (list->nextNode(node.Put()) == S_OK) names.push_back(NameOf(node.Get()));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "a"}));
  EXPECT_FALSE(node);
  EXPECT_EQ(list->reset(), S_OK);
  ASSERT_EQ(list->nextNode(node.Put()), S_OK);
  EXPECT_EQ(AttributeOf(node.Get(), u"n"), "1");
  EXPECT_EQ(list->get_item(2, node.Put()), S_OK);
  EXPECT_EQ(AttributeOf(node.Get(), u"n"), "2");
  EXPECT_EQ(list->get_item(3, node.Put()), S_FALSE);
  EXPECT_EQ(list->get_item(-1, node.Put()), S_FALSE);

  EXPECT_EQ(doc->selectSingleNode(Bstr(u"//missing").Get(), node.Put()), S_FALSE);
  EXPECT_FALSE(node);
  ASSERT_EQ(doc->selectNodes(Bstr(u"//missing").Get(), list.Put()), S_OK);
  LONG length = -1;
  EXPECT_EQ(list->get_length(&length), S_OK);
  EXPECT_EQ(length, 0);

  const struct {
    const char16_t* query;
    HRESULT expected;
  } failures[] = {
      {u"//q:a", E_FAIL},         // prefix not bound
      {u"count(//a)", E_FAIL},    // not a node set
      {u"//a[", E_FAIL},          // does not compile
      {u"q:f()", E_FAIL},         // function prefix not bound
      {u"", E_INVALIDARG},
  };
  testing::internal::CaptureStderr();  // failures are results, never printed
  for (const auto& failure : failures) {
    EXPECT_EQ(doc->selectSingleNode(Bstr(failure.query).Get(), node.Put()), failure.expected) << U8(failure.query);
    EXPECT_EQ(doc->selectNodes(Bstr(failure.query).Get(), list.Put()), failure.expected) << U8(failure.query);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(XmlDomXPath, NamesAndKindsOfWhatASelectionReturns) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument(kTicket);
  const struct {
    const char16_t* query;
    const char* name;
    DOMNodeType type;
    const char* text;
  } cases[] = {
      {u"//psf:Option", "psf:Option", NODE_ELEMENT, "210000"},
      {u"//psf:Value/@xsi:type", "xsi:type", NODE_ATTRIBUTE, "xsd:integer"},
      {u"//psf:Value/text()", "#text", NODE_TEXT, "210000"},
      {u"/", "#document", NODE_DOCUMENT, "210000"},
  };
  ASSERT_EQ(doc->setProperty(Bstr(u"SelectionNamespaces").Get(),
                             BstrVariant(Bstr(U16("xmlns:psf='" + U8(kFramework) + "' xmlns:xsi='" + U8(kInstance) +
                                                  "'")))),
            S_OK);
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.query));
    ComPtr<IXMLDOMNode> node = Select(doc.Get(), c.query);
    ASSERT_TRUE(node);
    EXPECT_EQ(NameOf(node.Get()), c.name);
    DOMNodeType type = NODE_INVALID;
    EXPECT_EQ(node->get_nodeType(&type), S_OK);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(TextOf(node.Get()), c.text);
  }
  // The document node selected is the document itself.
  ComPtr<IXMLDOMDocument> same;
  EXPECT_EQ(Select(doc.Get(), u"/").As(same), S_OK);
}

TEST(XmlDomNamespaces, CreatedNodesReuseDeclarationsInScope) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument(kTicket);
  ComPtr<IXMLDOMNode> feature = CreateNode(doc.Get(), NODE_ELEMENT, u"psf:Feature", kFramework);
  EXPECT_EQ(XmlOf(feature.Get()), "<psf:Feature xmlns:psf=\"" + U8(kFramework) + "\"/>");
  ComPtr<IXMLDOMElement> feature_element;
  ASSERT_EQ(feature.As(feature_element), S_OK);
  ASSERT_EQ(feature_element->setAttribute(Bstr(u"name").Get(), BstrVariant(Bstr(u"ns0000:Custom"))), S_OK);

  ComPtr<IXMLDOMNode> value = CreateNode(doc.Get(), NODE_ELEMENT, u"psf:Value", kFramework);
  ComPtr<IXMLDOMNode> type = CreateNode(doc.Get(), NODE_ATTRIBUTE, u"xsi:type", kInstance);
  ComPtr<IXMLDOMAttribute> type_attribute;
  ASSERT_EQ(type.As(type_attribute), S_OK);
  ASSERT_EQ(type_attribute->put_value(BstrVariant(Bstr(u"xsd:integer"))), S_OK);
  ComPtr<IXMLDOMElement> value_element;
  ASSERT_EQ(value.As(value_element), S_OK);
  ASSERT_EQ(value_element->setAttributeNode(type_attribute.Get(), nullptr), S_OK);
  ASSERT_EQ(value->put_text(Bstr(u"3").Get()), S_OK);

  ComPtr<IXMLDOMNode> appended;
  ASSERT_EQ(feature->appendChild(value.Get(), appended.Put()), S_OK);
  EXPECT_EQ(appended, value);
  ComPtr<IXMLDOMElement> root = Root(doc.Get());
  ASSERT_EQ(root->appendChild(feature.Get(), nullptr), S_OK);

  EXPECT_EQ(XmlOf(feature.Get()),
            "<psf:Feature name=\"ns0000:Custom\"><psf:Value xsi:type=\"xsd:integer\">3</psf:Value></psf:Feature>");
  const std::string whole = XmlOf(doc.Get());
  EXPECT_EQ(Occurrences(whole, "xmlns:psf="), 1u);
  EXPECT_EQ(Occurrences(whole, "xmlns:xsi="), 1u);

  // A prefix the root does not use, or binds elsewhere, keeps its own declaration.
  const struct {
    const char16_t* name;
    const char16_t* uri;
    const char* declaration;
  } own[] = {{u"q:Feature", kFramework, "xmlns:q="}, {u"psf:Other", u"urn:other", "xmlns:psf=\"urn:other\""}};
  for (const auto& c : own) {
    ComPtr<IXMLDOMNode> node = CreateNode(doc.Get(), NODE_ELEMENT, c.name, c.uri);
    ASSERT_EQ(root->appendChild(node.Get(), nullptr), S_OK);
    EXPECT_NE(XmlOf(node.Get()).find(c.declaration), std::string::npos) << XmlOf(node.Get());
  }

  // The new content reads back through the stream as elements of the framework.
  ComPtr<IStream> stream;
  ASSERT_EQ(doc.As(stream), S_OK);
  ComPtr<IXMLDOMDocument2> reloaded = LoadedDocument(ReadToEnd(stream.Get()));
  EXPECT_TRUE(Select(reloaded.Get(), u"//psf:Feature[@name = \"ns0000:Custom\"]/psf:Value"));
}

TEST(XmlDomNamespaces, AttributesListDeclarationsFirstInDeclarationOrder) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument(kTicket);
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  ASSERT_EQ(Root(doc.Get())->get_attributes(attributes.Put()), S_OK);
  LONG length = 0;
  ASSERT_EQ(attributes->get_length(&length), S_OK);
  EXPECT_EQ(length, 6);
  std::vector<std::string> names;
  ComPtr<IXMLDOMNode> attribute;
  while (attributes->nextNode(attribute.Put()) == S_OK) names.push_back(NameOf(attribute.Get()));
  EXPECT_EQ(names, (std::vector<std::string>{"xmlns:psf", "xmlns:xsi", "xmlns:xsd", "xmlns:ns0000", "xmlns:psk",
                                             "version"}));
  EXPECT_EQ(attributes->reset(), S_OK);
  ASSERT_EQ(attributes->nextNode(attribute.Put()), S_OK);
  EXPECT_EQ(TextOf(attribute.Get()), U8(kFramework));
  EXPECT_EQ(XmlOf(attribute.Get()), "xmlns:psf=\"" + U8(kFramework) + "\"");

  ASSERT_EQ(attributes->getNamedItem(Bstr(u"xmlns:ns0000").Get(), attribute.Put()), S_OK);
  EXPECT_EQ(TextOf(attribute.Get()), "http://example.com/private");
  ASSERT_EQ(attributes->getNamedItem(Bstr(u"version").Get(), attribute.Put()), S_OK);
  EXPECT_EQ(TextOf(attribute.Get()), "1");
  EXPECT_EQ(attributes->getNamedItem(Bstr(u"missing").Get(), attribute.Put()), S_FALSE);
  EXPECT_FALSE(attribute);

  VARIANT value;
  EXPECT_EQ(Root(doc.Get())->getAttribute(Bstr(u"missing").Get(), &value), S_FALSE);
  EXPECT_EQ(value.vt, VT_NULL);
}

TEST(XmlDomLifetime, RemovedNodesOutliveTheirTreeAndDocument) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument(kTicket);
  ComPtr<IXMLDOMNode> feature = Select(doc.Get(), u"//psf:Feature[@name = \"ns0000:JobInterleaving\"]");
  ComPtr<IXMLDOMNode> value = Select(doc.Get(), u"//psf:Value");
  ComPtr<IXMLDOMNode> removed;
  ASSERT_EQ(Root(doc.Get())->removeChild(feature.Get(), removed.Put()), S_OK);
  EXPECT_EQ(removed, feature);
  EXPECT_EQ(doc->selectSingleNode(Bstr(u"//psf:Feature[@name = \"ns0000:JobInterleaving\"]").Get(), removed.Put()),
            S_FALSE);

  // Removing the root as well and dropping every other reference leaves the
  // held nodes whole, with the declarations they use.
  ComPtr<IXMLDOMElement> root = Root(doc.Get());
  ASSERT_EQ(doc->removeChild(root.Get(), nullptr), S_OK);
  root = nullptr;
  doc = nullptr;

  ComPtr<IXMLDOMNode> parent;
  EXPECT_EQ(feature->get_parentNode(parent.Put()), S_FALSE);
  EXPECT_EQ(XmlOf(feature.Get()), "<psf:Feature xmlns:psf=\"" + U8(kFramework) +
                                      "\" name=\"ns0000:JobInterleaving\"><psf:Option name=\"ns0000:OFF\"/>"
                                      "</psf:Feature>");
  EXPECT_EQ(AttributeOf(Select(feature.Get(), u"psf:Option").Get(), u"name"), "ns0000:OFF");
  EXPECT_EQ(NameOf(value.Get()), "psf:Value");
  EXPECT_EQ(TextOf(value.Get()), "210000");
  ASSERT_EQ(value->get_parentNode(parent.Put()), S_OK);
  EXPECT_EQ(NameOf(parent.Get()), "psf:ScoredProperty");
}

TEST(XmlDomLifetime, NodesMoveAndGoWhileAListHoldsThem) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument(kTicket);
  ComPtr<IXMLDOMNode> first = Select(doc.Get(), u"//psf:Feature");
  ComPtr<IXMLDOMNode> option = Select(doc.Get(), u"//psf:Option[@name = \"ns0000:OFF\"]");
  ASSERT_EQ(first->appendChild(option.Get(), nullptr), S_OK);
  EXPECT_EQ(XmlOf(option.Get()), "<psf:Option name=\"ns0000:OFF\"/>");
  EXPECT_TRUE(Select(doc.Get(), u"//psf:Feature[@name = \"psk:PageMediaSize\"]/psf:Option[@name = \"ns0000:OFF\"]"));

  ComPtr<IXMLDOMNodeList> features;
  ASSERT_EQ(doc->selectNodes(Bstr(u"//psf:Feature").Get(), features.Put()), S_OK);
  ComPtr<IXMLDOMElement> root = Root(doc.Get());
  ComPtr<IXMLDOMNode> feature;
  while (features->nextNode(feature.Put()) == S_OK) ASSERT_EQ(root->removeChild(feature.Get(), nullptr), S_OK);
  EXPECT_EQ(XmlOf(root.Get()).find("Feature"), std::string::npos);
  EXPECT_EQ(features->reset(), S_OK);
  ASSERT_EQ(features->nextNode(feature.Put()), S_OK);
  EXPECT_EQ(AttributeOf(feature.Get(), u"name"), "psk:PageMediaSize");
}

TEST(XmlDomLifetime, ReplacedContentStaysValidWhileHeld) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument("<a><b x='1'>old</b><c/></a>");
  ComPtr<IXMLDOMNode> b = Select(doc.Get(), u"//b");
  ComPtr<IXMLDOMNode> x = Select(doc.Get(), u"//b/@x");
  ComPtr<IXMLDOMElement> root = Root(doc.Get());
  ASSERT_EQ(root->put_text(Bstr(u"new").Get()), S_OK);
  EXPECT_EQ(XmlOf(root.Get()), "<a>new</a>");
  EXPECT_EQ(XmlOf(b.Get()), "<b x=\"1\">old</b>");

  ComPtr<IXMLDOMElement> b_element;
  ASSERT_EQ(b.As(b_element), S_OK);
  ComPtr<IXMLDOMNode> fresh = CreateNode(doc.Get(), NODE_ATTRIBUTE, u"x", u"");
  ASSERT_EQ(fresh->put_text(Bstr(u"2").Get()), S_OK);
  ComPtr<IXMLDOMAttribute> fresh_attribute, replaced;
  ASSERT_EQ(fresh.As(fresh_attribute), S_OK);
  ASSERT_EQ(b_element->setAttributeNode(fresh_attribute.Get(), replaced.Put()), S_OK);
  EXPECT_EQ(XmlOf(replaced.Get()), "x=\"1\"");
  EXPECT_EQ(TextOf(x.Get()), "1");
  EXPECT_EQ(XmlOf(b.Get()), "<b x=\"2\">old</b>");

  // A new load leaves the nodes of the old content usable.
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(doc->loadXML(Bstr(u"<z/>").Get(), &ok), S_OK);
  EXPECT_EQ(XmlOf(b.Get()), "<b x=\"2\">old</b>");
  EXPECT_EQ(NameOf(Root(doc.Get()).Get()), "z");
}

TEST(XmlDomTree, CloneIsACopyOutsideTheTree) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument(kTicket);
  ComPtr<IXMLDOMNode> option = Select(doc.Get(), u"//psf:Option[@name = \"ns0000:OFF\"]");
  ComPtr<IXMLDOMNode> deep, shallow, parent;
  ASSERT_EQ(option->cloneNode(VARIANT_TRUE, deep.Put()), S_OK);
  ASSERT_EQ(Select(doc.Get(), u"//psf:Feature")->cloneNode(VARIANT_FALSE, shallow.Put()), S_OK);
  EXPECT_EQ(deep->get_parentNode(parent.Put()), S_FALSE);
  EXPECT_EQ(XmlOf(deep.Get()), "<psf:Option xmlns:psf=\"" + U8(kFramework) + "\" name=\"ns0000:OFF\"/>");
  EXPECT_EQ(XmlOf(shallow.Get()), "<psf:Feature xmlns:psf=\"" + U8(kFramework) + "\" name=\"psk:PageMediaSize\"/>");

  ComPtr<IXMLDOMElement> copy;
  ASSERT_EQ(deep.As(copy), S_OK);
  ASSERT_EQ(copy->setAttribute(Bstr(u"name").Get(), BstrVariant(Bstr(u"ns0000:ON"))), S_OK);
  EXPECT_EQ(AttributeOf(option.Get(), u"name"), "ns0000:OFF");

  ComPtr<IXMLDOMDocument2> page = NewDocument();
  ComPtr<IXMLDOMNode> canvas = CreateNode(page.Get(), NODE_ELEMENT, u"Canvas", u"");
  ComPtr<IXMLDOMNode> glyphs = CreateNode(page.Get(), NODE_ELEMENT, u"Glyphs", u"");
  ComPtr<IXMLDOMElement> glyphs_element;
  ASSERT_EQ(glyphs.As(glyphs_element), S_OK);
  ASSERT_EQ(glyphs_element->setAttribute(Bstr(u"Fill").Get(), BstrVariant(Bstr(u"#ff0000"))), S_OK);
  const Bstr text(u"a<&\"b \u00E9\U0001F600");
  ASSERT_EQ(glyphs_element->setAttribute(Bstr(u"UnicodeString").Get(), BstrVariant(text)), S_OK);
  ASSERT_EQ(canvas->appendChild(glyphs.Get(), nullptr), S_OK);
  ComPtr<IXMLDOMNode> background;
  ASSERT_EQ(canvas->cloneNode(VARIANT_TRUE, background.Put()), S_OK);
  // Characters beyond ASCII stay characters, as the page markup needs them.
  EXPECT_EQ(XmlOf(background.Get()),
            "<Canvas><Glyphs Fill=\"#ff0000\" UnicodeString=\"a&lt;&amp;&quot;b \u00E9\U0001F600\"/></Canvas>");
}

TEST(XmlDomTree, RefusesWhatATreeCannotHold) {
  ComPtr<IXMLDOMDocument2> doc = LoadedDocument("<a><b/></a>");
  ComPtr<IXMLDOMElement> root = Root(doc.Get());
  ComPtr<IXMLDOMNode> b = Select(doc.Get(), u"//b");
  ComPtr<IXMLDOMNode> other = CreateNode(NewDocument().Get(), NODE_ELEMENT, u"c", u"");
  ComPtr<IXMLDOMNode> second = CreateNode(doc.Get(), NODE_ELEMENT, u"d", u"");
  ComPtr<IXMLDOMNode> attribute = CreateNode(doc.Get(), NODE_ATTRIBUTE, u"e", u"");
  EXPECT_EQ(b->appendChild(root.Get(), nullptr), E_INVALIDARG);       // its own ancestor
  EXPECT_EQ(root->appendChild(other.Get(), nullptr), E_INVALIDARG);   // another document's node
  EXPECT_EQ(root->appendChild(attribute.Get(), nullptr), E_FAIL);     // attributes are no children
  EXPECT_EQ(doc->appendChild(second.Get(), nullptr), E_FAIL);         // a second root
  EXPECT_EQ(root->removeChild(second.Get(), nullptr), E_INVALIDARG);  // not a child
  EXPECT_EQ(XmlOf(root.Get()), "<a><b/></a>");

  ComPtr<IXMLDOMElement> element;
  ASSERT_EQ(b.As(element), S_OK);
  ComPtr<IXMLDOMNode> made;
  const struct {
    HRESULT actual;
    const char* what;
  } refusals[] = {
      {element->setAttribute(Bstr(u"q:x").Get(), BstrVariant(Bstr(u"1"))), "unbound prefix"},
      {element->setAttribute(Bstr(u"xmlns:q").Get(), BstrVariant(Bstr(u"urn:q"))), "declaration"},
      {element->setAttribute(Bstr(u"x").Get(), BstrVariant(Bstr(u"\x01"))), "control character"},
      {element->setAttribute(Bstr(u"1x").Get(), BstrVariant(Bstr(u"1"))), "not a name"},
      {b->put_text(Bstr(u"\xFFFF").Get()), "non-character"},
      {doc->createNode(IntVariant(NODE_ELEMENT), Bstr(u"p:x").Get(), Bstr(u"").Get(), made.Put()), "prefix, no URI"},
      {doc->createNode(IntVariant(NODE_TEXT), Bstr(u"x").Get(), Bstr(u"").Get(), made.Put()), "kind"},
      {doc->setProperty(Bstr(u"SelectionLanguage").Get(), BstrVariant(Bstr(u"XSLPattern"))), "language"},
      {doc->setProperty(Bstr(u"SelectionNamespaces").Get(), BstrVariant(Bstr(u"xmlns:p='urn:p"))), "unclosed"},
      {doc->setProperty(Bstr(u"SelectionNamespaces").Get(), BstrVariant(Bstr(u"xmlns='urn:p'"))), "no prefix"},
      {doc->setProperty(Bstr(u"Other").Get(), BstrVariant(Bstr(u""))), "property"},
  };
  for (const auto& refusal : refusals) EXPECT_EQ(refusal.actual, E_INVALIDARG) << refusal.what;

  const struct {
    HRESULT actual;
    const char* what;
  } null_outs[] = {
      {doc->get_documentElement(nullptr), "documentElement"}, {b->get_xml(nullptr), "xml"},
      {b->selectSingleNode(Bstr(u"x").Get(), nullptr), "selectSingleNode"},
      {b->cloneNode(VARIANT_TRUE, nullptr), "cloneNode"},     {doc->loadXML(Bstr(u"<a/>").Get(), nullptr), "loadXML"},
      {element->getAttribute(Bstr(u"x").Get(), nullptr), "getAttribute"},
  };
  for (const auto& null_out : null_outs) EXPECT_EQ(null_out.actual, E_POINTER) << null_out.what;
}

TEST(XmlDomStream, BytesWrittenIntoTheStreamBecomeTheDocument) {
  ComPtr<IXMLDOMDocument2> doc = NewDocument();
  ComPtr<IStream> stream;
  ASSERT_EQ(doc.As(stream), S_OK);
  EXPECT_EQ(ReadToEnd(stream.Get()), "");

  const std::string first = "<?xml version=\"1.0\"?><psf:PrintCapabilities xmlns:psf=\"" + U8(kFramework) + "\">";
  const std::string second = "<psf:Feature name=\"psk:PageMediaSize\"/></psf:PrintCapabilities>";
  ASSERT_EQ(stream->Write(first.data(), static_cast<ULONG>(first.size()), nullptr), S_OK);
  ComPtr<IXMLDOMElement> root;
  EXPECT_EQ(doc->get_documentElement(root.Put()), S_FALSE);  // not a whole document yet
  ASSERT_EQ(stream->Write(second.data(), static_cast<ULONG>(second.size()), nullptr), S_OK);
  LARGE_INTEGER zero{};
  ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(ReadToEnd(stream.Get()), first + second);
  ASSERT_EQ(doc->get_documentElement(root.Put()), S_OK);
  EXPECT_EQ(NameOf(root.Get()), "psf:PrintCapabilities");

  // Bytes that never form a document leave the content as it was, also when
  // the stream goes away.
  ASSERT_EQ(doc.As(stream), S_OK);
  ULARGE_INTEGER empty{};
  ASSERT_EQ(stream->SetSize(empty), S_OK);
  ASSERT_EQ(stream->Write("<broken", 7, nullptr), S_OK);
  stream = nullptr;
  EXPECT_EQ(NameOf(Root(doc.Get()).Get()), "psf:PrintCapabilities");

  // A whole document written and released is taken in without another call.
  ASSERT_EQ(doc.As(stream), S_OK);
  ASSERT_EQ(stream->SetSize(empty), S_OK);
  ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(stream->Write("<other/>", 8, nullptr), S_OK);
  stream = nullptr;
  EXPECT_EQ(XmlOf(doc.Get()), "<?xml version=\"1.0\"?>\n<other/>\n");
}

class FailingStream final : public ComObject<ISequentialStream> {
 public:
  HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
    if (served_) return STG_E_ACCESSDENIED;
    served_ = true;
    const ULONG n = std::min<ULONG>(cb, 5);
    std::memcpy(pv, "<a><b", n);
    *read = n;
    return S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

 private:
  bool served_ = false;
};

TEST(XmlDomLoad, HostileAndBrokenInputFailsCleanly) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&lol" + (i > 1 ? std::to_string(i - 1) : std::string()) + ";";
    laughs += "\">";
  }
  laughs += "]><lolz>&lol9;</lolz>";
  const std::string ticket = kTicket;
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"blank", "  \n"},
      {"truncated", ticket.substr(0, ticket.size() / 2)},
      {"billion laughs", laughs},
      {"external entity", "<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><a>&x;</a>"},
      {"external subset", "<!DOCTYPE a SYSTEM \"http://example.com/a.dtd\"><a/>"},
      {"nesting 100000 deep", deep},
      {"invalid UTF-8", "<a>\xC3\x28</a>"},
      {"undeclared prefix", "<p:a/>"},
      {"two roots", "<a/><b/>"},
      {"undefined entity", "<a>&nbsp;</a>"},
      {"text after the root", "<a/>tail"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IXMLDOMDocument2> doc = LoadedDocument("<before/>");
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(Load(doc.Get(), c.bytes, &ok), S_FALSE);
    EXPECT_EQ(ok, VARIANT_FALSE);
    ComPtr<IXMLDOMElement> root;
    EXPECT_EQ(doc->get_documentElement(root.Put()), S_FALSE);
    EXPECT_EQ(XmlOf(doc.Get()), "");
  }

  ComPtr<IXMLDOMDocument2> doc = NewDocument();
  ComPtr<ISequentialStream> failing = MakeComObject<FailingStream, ISequentialStream>();
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(doc->load(UnknownVariant(failing.Get()), &ok), STG_E_ACCESSDENIED);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(doc->load(BstrVariant(Bstr(u"file:///etc/passwd")), &ok), E_INVALIDARG);

  std::string nested;
  for (int i = 0; i < 200; ++i) nested += "<a>";
  for (int i = 0; i < 200; ++i) nested += "</a>";
  EXPECT_EQ(Load(doc.Get(), nested, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
}

}  // namespace
