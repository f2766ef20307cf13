#include "attribute_lookup.h"

#include "document.h"
#include "namespaces.h"
#include "text.h"
#include "tree_links.h"

namespace xmldom {

namespace {

std::string DeclarationName(const xmlNs* ns) {
  std::string name = "xmlns";
  if (ns->prefix) (name += ':') += AsView(ns->prefix);
  return name;
}

HRESULT WrapDeclaration(Document& owner, xmlNode* element, const xmlNs* ns, IXMLDOMNode** attribute) {
  xmlAttr* copy = NewAttribute(element->doc, nullptr, DeclarationName(ns), std::string(AsView(ns->href)));
  if (!copy) return E_OUTOFMEMORY;
  const HRESULT hr = owner.Wrap(reinterpret_cast<xmlNode*>(copy), attribute);
  if (FAILED(hr)) xmlFreeProp(copy);
  return hr;
}

}  // namespace

std::size_t AttributeCount(xmlNode* element) {
  std::size_t count = 0;
  for (const xmlNs* ns = element->nsDef; ns; ns = ns->next) ++count;
  for (const xmlAttr* a = element->properties; a; a = a->next) ++count;
  return count;
}

HRESULT AttributeAt(Document& owner, xmlNode* element, std::size_t index, IXMLDOMNode** attribute) {
  *attribute = nullptr;
  for (const xmlNs* ns = element->nsDef; ns; ns = ns->next)
    if (index-- == 0) return WrapDeclaration(owner, element, ns, attribute);
  for (xmlAttr* a = element->properties; a; a = a->next)
    if (index-- == 0) return owner.Wrap(reinterpret_cast<xmlNode*>(a), attribute);
  return S_FALSE;
}

HRESULT FindAttribute(Document& owner, xmlNode* element, const std::string& name, IXMLDOMNode** attribute) {
  *attribute = nullptr;
  for (const xmlNs* ns = element->nsDef; ns; ns = ns->next)
    if (DeclarationName(ns) == name) return WrapDeclaration(owner, element, ns, attribute);
  xmlAttr* found = FindAttributeNode(element, name);
  return found ? owner.Wrap(reinterpret_cast<xmlNode*>(found), attribute) : S_FALSE;
}

xmlAttr* FindAttributeNode(xmlNode* element, const std::string& name) {
  for (xmlAttr* a = element->properties; a; a = a->next)
    if (QualifiedNameOf(reinterpret_cast<xmlNode*>(a)) == name) return a;
  return nullptr;
}

}  // namespace xmldom
