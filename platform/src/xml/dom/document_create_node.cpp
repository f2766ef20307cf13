// createNode: elements and attributes made outside the tree. An element
// declares its own namespace (the declaration is dropped once it is appended
// where that namespace is in scope); an attribute refers to a floating
// namespace until it is set on an element.
#include <optional>
#include <string>

#include "document.h"
#include "namespaces.h"
#include "text.h"
#include "tree_links.h"

namespace xmldom {

namespace {

std::optional<LONG> IntegerOf(const VARIANT& value) {
  switch (value.vt) {
    case VT_I4: return value.lVal;
    case VT_INT: return value.intVal;
    default: return std::nullopt;
  }
}

const xmlChar* PrefixOrNull(const QualifiedName& name) {
  return name.prefix.empty() ? nullptr : AsXmlChar(name.prefix);
}

bool IsDeclarationName(const QualifiedName& name) {
  return name.prefix == "xmlns" || (name.prefix.empty() && name.local == "xmlns");
}

// Whether a node of that name can be in that namespace (none for "").
bool NamespaceFits(const QualifiedName& name, const std::string& uri) {
  if (IsDeclarationName(name)) return false;
  if (name.prefix == "xml") return uri == reinterpret_cast<const char*>(XML_XML_NAMESPACE);
  return name.prefix.empty() || !uri.empty();
}

// The xml namespace is the document's own and never declared.
xmlNs* XmlNamespace(xmlDoc* doc) { return xmlSearchNs(doc, reinterpret_cast<xmlNode*>(doc), BAD_CAST "xml"); }

xmlNode* NewElement(xmlDoc* doc, const QualifiedName& name, const std::string& uri) {
  xmlNode* element = xmlNewDocNode(doc, nullptr, AsXmlChar(name.local), nullptr);
  if (!element || uri.empty()) return element;
  element->ns = name.prefix == "xml" ? XmlNamespace(doc) : xmlNewNs(element, AsXmlChar(uri), PrefixOrNull(name));
  if (element->ns) return element;
  xmlFreeNode(element);
  return nullptr;
}

// An attribute without prefix is in no namespace, whatever the URI.
xmlNode* NewFreeAttribute(Document& owner, const QualifiedName& name, const std::string& uri) {
  xmlNs* ns = nullptr;
  if (name.prefix == "xml")
    ns = XmlNamespace(owner.Tree());
  else if (!name.prefix.empty())
    ns = owner.FloatingNamespace(AsXmlChar(name.prefix), AsXmlChar(uri));
  if (!name.prefix.empty() && !ns) return nullptr;
  return reinterpret_cast<xmlNode*>(NewAttribute(owner.Tree(), ns, name.local, {}));
}

}  // namespace

HRESULT Document::createNode(VARIANT type, BSTR name, BSTR namespaceURI, IXMLDOMNode** node) {
  if (!node) return E_POINTER;
  *node = nullptr;
  return Guard([&]() -> HRESULT {
    TakeInStreamWrites();
    const std::optional<LONG> kind = IntegerOf(type);
    const std::optional<std::string> text = Utf8FromBstr(name);
    const std::optional<std::string> uri = Utf8FromBstr(namespaceURI);
    if (!kind || !text || !uri) return E_INVALIDARG;
    const std::optional<QualifiedName> qualified = SplitQualifiedName(*text);
    if (!qualified || !NamespaceFits(*qualified, *uri)) return E_INVALIDARG;
    xmlNode* made = nullptr;
    if (*kind == NODE_ELEMENT) {
      made = NewElement(tree_, *qualified, *uri);
    } else if (*kind == NODE_ATTRIBUTE) {
      made = NewFreeAttribute(*this, *qualified, *uri);
    } else {
      return E_INVALIDARG;
    }
    if (!made) return E_OUTOFMEMORY;
    const HRESULT hr = Wrap(made, node);
    if (FAILED(hr)) xmlFreeNode(made);
    return hr;
  });
}

}  // namespace xmldom
