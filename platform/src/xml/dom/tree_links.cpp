#include "tree_links.h"

#include "document.h"
#include "text.h"

namespace xmldom {

void LinkLastChild(xmlNode* parent, xmlNode* child) {
  child->parent = parent;
  child->next = nullptr;
  child->prev = parent->last;
  if (parent->last)
    parent->last->next = child;
  else
    parent->children = child;
  parent->last = child;
}

void LinkLastAttribute(xmlNode* element, xmlAttr* attribute) {
  attribute->parent = element;
  attribute->next = nullptr;
  xmlAttr* last = element->properties;
  while (last && last->next) last = last->next;
  attribute->prev = last;
  if (last)
    last->next = attribute;
  else
    element->properties = attribute;
}

HRESULT ReplaceChildrenWithText(Document& owner, xmlNode* node, const std::string& text) {
  xmlNode* replacement = nullptr;
  if (!text.empty()) {
    replacement = xmlNewDocText(node->doc, AsXmlChar(text));
    if (!replacement) return E_OUTOFMEMORY;
  }
  while (xmlNode* child = node->children) {
    const HRESULT hr = owner.Discard(child);
    if (FAILED(hr)) {
      xmlFreeNode(replacement);
      return hr;
    }
  }
  if (replacement) LinkLastChild(node, replacement);
  return S_OK;
}

xmlAttr* NewAttribute(xmlDoc* doc, xmlNs* ns, const std::string& local, const std::string& value) {
  // Made empty and filled with a text node: the value is text, not markup with
  // entity references as xmlNewDocProp would read it.
  xmlAttr* attribute = xmlNewDocProp(doc, AsXmlChar(local), nullptr);
  if (!attribute) return nullptr;
  attribute->ns = ns;
  if (!value.empty()) {
    xmlNode* text = xmlNewDocText(doc, AsXmlChar(value));
    if (!text) {
      xmlFreeProp(attribute);
      return nullptr;
    }
    LinkLastChild(reinterpret_cast<xmlNode*>(attribute), text);
  }
  return attribute;
}

}  // namespace xmldom
