// The node objects handed out for the nodes of a tree: one per node at a time
// (the node's _private points at it), each holding its document.
#pragma once

#include "document.h"

namespace xmldom {

template <typename Interface>
class TreeNode : public NodeMethods<Interface> {
 public:
  TreeNode(Document& owner, xmlNode* node) : owner_(&owner), node_(node) { owner.NodeObjectCreated(node, this); }
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  xmlNode* Target() override { return node_; }
  Document& Owner() override { return *owner_; }

 protected:
  ~TreeNode() override { owner_->NodeObjectGone(node_); }

 private:
  ComPtr<Document> owner_;
  xmlNode* node_;
};

class ElementNode final : public TreeNode<IXMLDOMElement> {
 public:
  using TreeNode::TreeNode;
  HRESULT getAttribute(BSTR name, VARIANT* value) override;
  HRESULT setAttribute(BSTR name, VARIANT value) override;
  HRESULT setAttributeNode(IXMLDOMAttribute* attribute, IXMLDOMAttribute** replaced) override;
};

class AttributeNode final : public TreeNode<IXMLDOMAttribute> {
 public:
  using TreeNode::TreeNode;
  HRESULT get_value(VARIANT* value) override;
  HRESULT put_value(VARIANT value) override;
};

// Text, comments, processing instructions.
class OtherNode final : public TreeNode<IXMLDOMNode> {
 public:
  using TreeNode::TreeNode;
};

// The node object behind an interface pointer, when it is one of ours.
inline ComPtr<INodeHandle> HandleOf(IUnknown* object) {
  ComPtr<INodeHandle> handle;
  if (object) object->QueryInterface(INodeHandle::iid, handle.PutVoid());
  return handle;
}

}  // namespace xmldom
