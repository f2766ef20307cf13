// Moving nodes: parentNode, appendChild, removeChild, cloneNode.
#include "document.h"
#include "namespaces.h"
#include "node_objects.h"
#include "tree_links.h"

namespace xmldom {

namespace {

// The libxml2 node of one of this document's node objects, or NULL.
xmlNode* NodeOf(Document& owner, IXMLDOMNode* object) {
  ComPtr<INodeHandle> handle = HandleOf(object);
  if (!handle || &handle->Owner() != &owner) return nullptr;
  return handle->Target();
}

bool IsAncestorOrSelf(const xmlNode* candidate, const xmlNode* node) {
  for (; node; node = node->parent)
    if (node == candidate) return true;
  return false;
}

// What a node may hold: elements hold any child, the document one element
// and any number of comments and processing instructions.
bool MayHold(xmlNode* parent, const xmlNode* child) {
  if (child->type == XML_ATTRIBUTE_NODE || child->type == XML_DOCUMENT_NODE) return false;
  if (parent->type == XML_ELEMENT_NODE) return true;
  if (parent->type != XML_DOCUMENT_NODE) return false;
  if (child->type == XML_ELEMENT_NODE) return !xmlDocGetRootElement(reinterpret_cast<xmlDoc*>(parent));
  return child->type == XML_COMMENT_NODE || child->type == XML_PI_NODE;
}

HRESULT HandOut(IXMLDOMNode* object, IXMLDOMNode** out) {
  if (out) {
    *out = object;
    object->AddRef();
  }
  return S_OK;
}

}  // namespace

HRESULT GetParent(Document& owner, xmlNode* node, IXMLDOMNode** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  // As attributes are not children, they have no parent node.
  if (node->type == XML_ATTRIBUTE_NODE || !node->parent) return S_FALSE;
  return owner.Wrap(node->parent, parent);
}

HRESULT AppendChild(Document& owner, xmlNode* parent, IXMLDOMNode* child_object, IXMLDOMNode** appended) {
  if (appended) *appended = nullptr;
  xmlNode* child = NodeOf(owner, child_object);
  if (!child || child->doc != parent->doc || IsAncestorOrSelf(child, parent)) return E_INVALIDARG;
  if (!MayHold(parent, child)) return E_FAIL;
  if (child->parent) {
    const HRESULT hr = owner.Detach(child);
    if (FAILED(hr)) return hr;
  }
  LinkLastChild(parent, child);
  DropRepeatedDeclarations(child);
  return HandOut(child_object, appended);
}

HRESULT RemoveChild(Document& owner, xmlNode* parent, IXMLDOMNode* child_object, IXMLDOMNode** removed) {
  if (removed) *removed = nullptr;
  xmlNode* child = NodeOf(owner, child_object);
  if (!child || child->parent != parent || child->type == XML_ATTRIBUTE_NODE) return E_INVALIDARG;
  // The caller's node object keeps the subtree until it is released.
  const HRESULT hr = owner.Detach(child);
  if (FAILED(hr)) return hr;
  return HandOut(child_object, removed);
}

HRESULT CloneNode(Document& owner, xmlNode* node, VARIANT_BOOL deep, IXMLDOMNode** clone) {
  if (!clone) return E_POINTER;
  *clone = nullptr;
  if (node->type == XML_DOCUMENT_NODE) return E_NOTIMPL;
  // 1: with children; 2: the node with its attributes and declarations only.
  xmlNode* copy = xmlDocCopyNode(node, node->doc, deep ? 1 : 2);
  if (!copy) return E_OUTOFMEMORY;
  HRESULT hr = S_OK;
  // A copied attribute loses its namespace; it gets a floating one instead.
  if (node->type == XML_ATTRIBUTE_NODE) {
    NamespaceOf(copy) = NamespaceOf(node);
    hr = MakeSelfContained(owner, copy);
  }
  if (SUCCEEDED(hr)) hr = owner.Wrap(copy, clone);
  if (FAILED(hr)) xmlFreeNode(copy);
  return hr;
}

}  // namespace xmldom
