// The element methods: attributes by name and attribute nodes.
#include "attribute_lookup.h"
#include "namespaces.h"
#include "node_objects.h"
#include "text.h"
#include "tree_links.h"

namespace xmldom {

namespace {

std::optional<std::string> TextOfValue(const VARIANT& value) {
  if (value.vt != VT_BSTR) return std::nullopt;
  return XmlTextFromBstr(value.bstrVal);
}

// The namespace in scope at element for a free attribute's namespace,
// declared on element when its prefix is still free there.
xmlNs* NamespaceInScope(xmlNode* element, xmlNs* wanted) {
  if (!wanted || xmlStrEqual(wanted->prefix, BAD_CAST "xml")) return wanted;
  xmlNs* in_scope = xmlSearchNs(element->doc, element, wanted->prefix);
  if (!in_scope) return xmlNewNs(element, wanted->href, wanted->prefix);
  return xmlStrEqual(in_scope->href, wanted->href) ? in_scope : nullptr;
}

}  // namespace

HRESULT ElementNode::getAttribute(BSTR name, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return Guard([&] {
    const std::optional<std::string> text = Utf8FromBstr(name);
    if (!text) return E_INVALIDARG;
    ComPtr<IXMLDOMNode> attribute;
    const HRESULT hr = FindAttribute(Owner(), Target(), *text, attribute.Put());
    if (hr != S_OK) {
      value->vt = VT_NULL;
      return hr;
    }
    return attribute->get_nodeTypedValue(value);
  });
}

HRESULT ElementNode::setAttribute(BSTR name, VARIANT value) {
  return Guard([&] {
    const std::optional<std::string> text = Utf8FromBstr(name);
    const std::optional<std::string> content = TextOfValue(value);
    if (!text || !content) return E_INVALIDARG;
    const std::optional<QualifiedName> qualified = SplitQualifiedName(*text);
    // Namespace declarations are made by createNode, not written as attributes.
    if (!qualified || qualified->prefix == "xmlns" || *text == "xmlns") return E_INVALIDARG;
    xmlNode* element = Target();
    if (xmlAttr* existing = FindAttributeNode(element, *text))
      return ReplaceChildrenWithText(Owner(), reinterpret_cast<xmlNode*>(existing), *content);
    xmlNs* ns = nullptr;
    if (!qualified->prefix.empty()) {
      ns = xmlSearchNs(element->doc, element, AsXmlChar(qualified->prefix));
      if (!ns) return E_INVALIDARG;
    }
    xmlAttr* attribute = NewAttribute(element->doc, ns, qualified->local, *content);
    if (!attribute) return E_OUTOFMEMORY;
    LinkLastAttribute(element, attribute);
    return S_OK;
  });
}

HRESULT ElementNode::setAttributeNode(IXMLDOMAttribute* attribute_object, IXMLDOMAttribute** replaced) {
  if (replaced) *replaced = nullptr;
  return Guard([&] {
    ComPtr<INodeHandle> handle = HandleOf(attribute_object);
    xmlNode* element = Target();
    if (!handle || &handle->Owner() != &Owner()) return E_INVALIDARG;
    auto* attribute = reinterpret_cast<xmlAttr*>(handle->Target());
    // Only a free attribute of this tree: one element at a time owns an attribute.
    if (attribute->type != XML_ATTRIBUTE_NODE || attribute->parent || attribute->doc != element->doc)
      return E_INVALIDARG;
    xmlNs* ns = NamespaceInScope(element, attribute->ns);
    if (attribute->ns && !ns) return E_INVALIDARG;
    if (xmlAttr* existing = xmlHasNsProp(element, attribute->name, ns ? ns->href : nullptr)) {
      auto* old = reinterpret_cast<xmlNode*>(existing);
      if (replaced) {
        ComPtr<IXMLDOMNode> old_object;
        HRESULT hr = Owner().Wrap(old, old_object.Put());
        if (SUCCEEDED(hr)) hr = old_object->QueryInterface(IID_IXMLDOMAttribute, reinterpret_cast<void**>(replaced));
        if (FAILED(hr)) return hr;
      }
      const HRESULT hr = Owner().Discard(old);
      if (FAILED(hr)) return hr;
    }
    attribute->ns = ns;
    LinkLastAttribute(element, attribute);
    return S_OK;
  });
}

}  // namespace xmldom
