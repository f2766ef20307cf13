// The base of the document and of every node object: the private interface
// through which a node handed back to us is recognised, and the IXMLDOMNode
// methods, which only forward to the node operations.
#pragma once

#include <libxml/tree.h>

#include "guard.h"
#include "node_operations.h"
#include "platform/com_object.h"
#include "platform/xml_dom.h"

namespace xmldom {

// Answered by our own node objects only.
struct INodeHandle : IUnknown {
  static constexpr IID iid = MakeGuid("{D6670953-0B45-4484-91D8-A65043F5F286}");
  virtual xmlNode* Target() = 0;
  virtual Document& Owner() = 0;
  virtual IXMLDOMNode* AsNode() = 0;

 protected:
  ~INodeHandle() = default;
};

template <typename Interface>
class NodeMethods : public ComObject<Interface, INodeHandle> {
 public:
  IXMLDOMNode* AsNode() override { return static_cast<IXMLDOMNode*>(static_cast<Interface*>(this)); }

  HRESULT get_nodeName(BSTR* name) override {
    return Guard([&] { return GetNodeName(this->Target(), name); });
  }
  HRESULT get_nodeType(DOMNodeType* type) override {
    return Guard([&] { return GetNodeType(this->Target(), type); });
  }
  HRESULT get_text(BSTR* text) override {
    return Guard([&] { return GetText(this->Target(), text); });
  }
  HRESULT put_text(BSTR text) override {
    return Guard([&] { return PutText(this->Owner(), this->Target(), text); });
  }
  HRESULT get_nodeTypedValue(VARIANT* value) override {
    return Guard([&] { return GetTypedValue(this->Target(), value); });
  }
  HRESULT get_xml(BSTR* xml) override {
    return Guard([&] { return GetXml(this->Target(), xml); });
  }
  HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) override {
    return Guard([&] { return GetAttributes(this->Owner(), this->Target(), attributes); });
  }
  HRESULT get_parentNode(IXMLDOMNode** parent) override {
    return Guard([&] { return GetParent(this->Owner(), this->Target(), parent); });
  }
  HRESULT appendChild(IXMLDOMNode* child, IXMLDOMNode** appended) override {
    return Guard([&] { return AppendChild(this->Owner(), this->Target(), child, appended); });
  }
  HRESULT removeChild(IXMLDOMNode* child, IXMLDOMNode** removed) override {
    return Guard([&] { return RemoveChild(this->Owner(), this->Target(), child, removed); });
  }
  HRESULT cloneNode(VARIANT_BOOL deep, IXMLDOMNode** clone) override {
    return Guard([&] { return CloneNode(this->Owner(), this->Target(), deep, clone); });
  }
  HRESULT selectSingleNode(BSTR xpath, IXMLDOMNode** node) override {
    return Guard([&] { return SelectSingleNode(this->Owner(), this->Target(), xpath, node); });
  }
  HRESULT selectNodes(BSTR xpath, IXMLDOMNodeList** nodes) override {
    return Guard([&] { return SelectNodes(this->Owner(), this->Target(), xpath, nodes); });
  }
};

}  // namespace xmldom
