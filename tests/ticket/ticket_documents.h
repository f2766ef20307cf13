// Documents for the ticket tests: tickets written inline, the corpus tickets,
// and the markup of nodes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/com.h"
#include "platform/utf.h"
#include "platform/xml_dom.h"
#include "ticket/print_schema_namespaces.h"
#include "ticket/print_ticket_dom.h"
#include "settings_printers.h"

namespace ticket_test {

inline std::u16string U16(std::string_view utf8) { return Utf8ToUtf16(utf8).value(); }
inline std::string U8(std::u16string_view utf16) { return Utf16ToUtf8(utf16).value(); }

// The root declarations of a pipeline ticket, the private namespace as ns0000.
inline const std::string kDeclarations =
    "xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:ns0000=\"" + U8(PRIVATE_KEYWORDS_NS) + "\"";

// The same with the private namespace as kp, as the driver writes its own tickets.
inline const std::string kDriverDeclarations =
    "xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:kp=\"" + U8(PRIVATE_KEYWORDS_NS) + "\"";

inline std::string TicketXml(std::string_view body, std::string_view declarations = kDeclarations,
                             std::string_view root = "PrintTicket") {
  return "<psf:" + std::string(root) + " " + std::string(declarations) + " version=\"1\">" + std::string(body) +
         "</psf:" + std::string(root) + ">";
}

// Common ticket items.
inline std::string IntValue(long value) {
  return "<psf:Value xsi:type=\"xsd:integer\">" + std::to_string(value) + "</psf:Value>";
}
inline std::string StringValue(std::string_view text) {
  return "<psf:Value xsi:type=\"xsd:string\">" + std::string(text) + "</psf:Value>";
}
inline std::string Feature(std::string_view name, std::string_view content) {
  return "<psf:Feature name=\"" + std::string(name) + "\">" + std::string(content) + "</psf:Feature>";
}
inline std::string Option(std::string_view name, std::string_view content = "") {
  return "<psf:Option name=\"" + std::string(name) + "\">" + std::string(content) + "</psf:Option>";
}
inline std::string Scored(std::string_view name, std::string_view value) {
  return "<psf:ScoredProperty name=\"" + std::string(name) + "\">" + std::string(value) + "</psf:ScoredProperty>";
}
inline std::string Property(std::string_view name, std::string_view content) {
  return "<psf:Property name=\"" + std::string(name) + "\">" + std::string(content) + "</psf:Property>";
}
inline std::string Init(std::string_view name, std::string_view value) {
  return "<psf:ParameterInit name=\"" + std::string(name) + "\">" + std::string(value) + "</psf:ParameterInit>";
}
inline std::string Ref(std::string_view name) { return "<psf:ParameterRef name=\"" + std::string(name) + "\"/>"; }

// A loaded document, or NULL (with a test failure) when the text does not load.
inline ComPtr<IXMLDOMDocument2> LoadXml(std::string_view utf8) {
  ComPtr<IXMLDOMDocument2> document;
  EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                             document.PutVoid()),
            S_OK);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  EXPECT_EQ(document->loadXML(Bstr(U16(utf8)).Get(), &loaded), S_OK) << utf8;
  if (loaded != VARIANT_TRUE) return nullptr;
  return document;
}

// A corpus file's text, or nullopt when the corpus is absent.
inline std::optional<std::string> CorpusText(std::string_view relative) {
  const std::filesystem::path path = std::filesystem::path(KESTREL_CORPUS_DIR) / relative;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline std::string XmlOf(IXMLDOMNode* node) {
  Bstr xml;
  EXPECT_EQ(node->get_xml(xml.Put()), S_OK);
  return U8(xml.View());
}

inline std::string Text(const Bstr& text) { return U8(text.View()); }

// How many nodes the document has for an XPath over the psf prefix.
inline long CountOf(const PrintTicketDom& dom, std::u16string_view query) {
  ComPtr<IXMLDOMNodeList> nodes;
  EXPECT_EQ(dom.SelectAll(query, &nodes), S_OK);
  LONG length = 0;
  if (nodes) nodes->get_length(&length);
  return length;
}

// The ticket wrapper over a document, with the private namespace of the driver.
struct Wrapped {
  ComPtr<IXMLDOMDocument2> document;
  std::optional<PrintTicketDom> dom;

  explicit Wrapped(std::string_view xml, std::u16string_view root = u"PrintTicket") : document(LoadXml(xml)) {
    if (document) dom.emplace(root, PRIVATE_KEYWORDS_NS, document.Get());
  }
  PrintTicketDom& operator*() { return *dom; }
  PrintTicketDom* operator->() { return &*dom; }
};

}  // namespace ticket_test
