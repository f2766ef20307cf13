// Name, kind, text and markup of a node.
#include <memory>
#include <string>

#include "document.h"
#include "namespaces.h"
#include "serialization.h"
#include "text.h"
#include "tree_links.h"

namespace xmldom {

namespace {

std::string NameOf(xmlNode* node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return QualifiedNameOf(node);
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE: return "#document";
    default: return std::string(AsView(node->name));
  }
}

struct XmlFree {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

// An empty processing instruction has no content at all: NULL reads as "".
std::string TextOf(xmlNode* node) {
  std::unique_ptr<xmlChar, XmlFree> content(xmlNodeGetContent(node));
  return std::string(AsView(content.get()));
}

}  // namespace

HRESULT GetNodeName(xmlNode* node, BSTR* name) { return ToBstr(NameOf(node), name); }

HRESULT GetNodeType(xmlNode* node, DOMNodeType* type) {
  if (!type) return E_POINTER;
  switch (node->type) {
    case XML_ELEMENT_NODE: *type = NODE_ELEMENT; break;
    case XML_ATTRIBUTE_NODE: *type = NODE_ATTRIBUTE; break;
    case XML_TEXT_NODE: *type = NODE_TEXT; break;
    case XML_CDATA_SECTION_NODE: *type = NODE_CDATA_SECTION; break;
    case XML_PI_NODE: *type = NODE_PROCESSING_INSTRUCTION; break;
    case XML_COMMENT_NODE: *type = NODE_COMMENT; break;
    case XML_DOCUMENT_NODE: *type = NODE_DOCUMENT; break;
    default: *type = NODE_INVALID; break;
  }
  return S_OK;
}

HRESULT GetText(xmlNode* node, BSTR* text) {
  if (!text) return E_POINTER;
  return ToBstr(TextOf(node), text);
}

HRESULT PutText(Document& owner, xmlNode* node, BSTR text) {
  const std::optional<std::string> content = XmlTextFromBstr(text);
  if (!content) return E_INVALIDARG;
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return ReplaceChildrenWithText(owner, node, *content);
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: xmlNodeSetContent(node, AsXmlChar(*content)); return S_OK;
    default: return E_FAIL;
  }
}

HRESULT GetTypedValue(xmlNode* node, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  const HRESULT hr = GetText(node, &value->bstrVal);
  if (SUCCEEDED(hr)) value->vt = VT_BSTR;
  return hr;
}

HRESULT GetXml(xmlNode* node, BSTR* xml) {
  if (!xml) return E_POINTER;
  *xml = nullptr;
  std::string markup;
  const HRESULT hr = SerializeNode(node, &markup);
  return FAILED(hr) ? hr : ToBstr(markup, xml);
}

}  // namespace xmldom
