// What every node object does, whatever its kind: the IXMLDOMNode methods as
// functions of the owning document and the libxml2 node.
#pragma once

#include <libxml/tree.h>

#include "platform/xml_dom.h"

namespace xmldom {

class Document;

HRESULT GetNodeName(xmlNode* node, BSTR* name);
HRESULT GetNodeType(xmlNode* node, DOMNodeType* type);
HRESULT GetText(xmlNode* node, BSTR* text);
HRESULT PutText(Document& owner, xmlNode* node, BSTR text);
HRESULT GetTypedValue(xmlNode* node, VARIANT* value);
HRESULT GetXml(xmlNode* node, BSTR* xml);
HRESULT GetAttributes(Document& owner, xmlNode* node, IXMLDOMNamedNodeMap** attributes);
HRESULT GetParent(Document& owner, xmlNode* node, IXMLDOMNode** parent);
HRESULT AppendChild(Document& owner, xmlNode* parent, IXMLDOMNode* child, IXMLDOMNode** appended);
HRESULT RemoveChild(Document& owner, xmlNode* parent, IXMLDOMNode* child, IXMLDOMNode** removed);
HRESULT CloneNode(Document& owner, xmlNode* node, VARIANT_BOOL deep, IXMLDOMNode** clone);
HRESULT SelectSingleNode(Document& owner, xmlNode* context, BSTR xpath, IXMLDOMNode** node);
HRESULT SelectNodes(Document& owner, xmlNode* context, BSTR xpath, IXMLDOMNodeList** nodes);

}  // namespace xmldom
