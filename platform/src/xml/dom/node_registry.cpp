// Which nodes have node objects, and when a subtree outside the tree is freed:
// as soon as no node object is left anywhere in it.
#include <algorithm>

#include "document.h"
#include "namespaces.h"
#include "node_objects.h"
#include "tree_walk.h"

namespace xmldom {

namespace {

template <typename Object>
HRESULT MakeNodeObject(Document& owner, xmlNode* node, IXMLDOMNode** object) {
  Object* made = new (std::nothrow) Object(owner, node);
  if (!made) return E_OUTOFMEMORY;
  *object = made->AsNode();
  return S_OK;
}

xmlNode* TopOf(xmlNode* node) {
  while (node->parent) node = node->parent;
  return node;
}

bool IsDocumentNode(const xmlNode* node) { return node->type == XML_DOCUMENT_NODE; }

bool HeldByNodeObject(xmlNode* top) {
  return !VisitSubtree(top, [](xmlNode* node) { return node->_private == nullptr; });
}

void FreeSubtree(xmlNode* top) {
  if (top->type == XML_ATTRIBUTE_NODE)
    xmlFreeProp(reinterpret_cast<xmlAttr*>(top));
  else
    xmlFreeNode(top);
}

}  // namespace

HRESULT Document::Wrap(xmlNode* node, IXMLDOMNode** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsDocumentNode(node)) {
    *object = AsNode();
    AddRef();
    return S_OK;
  }
  if (node->_private) {
    *object = static_cast<INodeHandle*>(node->_private)->AsNode();
    (*object)->AddRef();
    return S_OK;
  }
  switch (node->type) {
    case XML_ELEMENT_NODE: return MakeNodeObject<ElementNode>(*this, node, object);
    case XML_ATTRIBUTE_NODE: return MakeNodeObject<AttributeNode>(*this, node, object);
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: return MakeNodeObject<OtherNode>(*this, node, object);
    default: return E_FAIL;
  }
}

void Document::NodeObjectCreated(xmlNode* node, INodeHandle* object) {
  node->_private = object;
  ++node_objects_per_tree_[node->doc];
}

void Document::NodeObjectGone(xmlNode* node) {
  xmlDoc* tree = node->doc;
  node->_private = nullptr;
  FreeIfUnheld(TopOf(node));
  auto count = node_objects_per_tree_.find(tree);
  if (--count->second > 0) return;
  node_objects_per_tree_.erase(count);
  if (tree != tree_) xmlFreeDoc(tree);
}

void Document::FreeIfUnheld(xmlNode* top) {
  if (!IsDocumentNode(top) && !HeldByNodeObject(top)) FreeSubtree(top);
}

HRESULT Document::Detach(xmlNode* node) {
  xmlUnlinkNode(node);
  return MakeSelfContained(*this, node);
}

HRESULT Document::Discard(xmlNode* node) {
  const HRESULT hr = Detach(node);
  FreeIfUnheld(node);
  return hr;
}

xmlNs* Document::FloatingNamespace(const xmlChar* prefix, const xmlChar* href) {
  auto same = std::find_if(floating_namespaces_.begin(), floating_namespaces_.end(), [&](const xmlNs* ns) {
    return xmlStrEqual(ns->prefix, prefix) && xmlStrEqual(ns->href, href);
  });
  if (same != floating_namespaces_.end()) return *same;
  floating_namespaces_.reserve(floating_namespaces_.size() + 1);
  xmlNs* ns = xmlNewNs(nullptr, href, prefix);
  if (ns) floating_namespaces_.push_back(ns);
  return ns;
}

}  // namespace xmldom
