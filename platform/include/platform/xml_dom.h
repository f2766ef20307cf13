// An in-process XML document object model with XPath 1.0 selection, in the
// shape the print ticket code uses it. Create documents with
// CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2, ...).
//
// Conventions: out pointers may not be NULL (E_POINTER), except the optional
// ones of appendChild, removeChild and setAttributeNode; "nothing found" is
// S_FALSE with a NULL result; strings are BSTRs, values VARIANTs of type VT_BSTR.
//
// A node object keeps its document alive, and a node removed from the tree
// stays usable for as long as someone holds it. A document and its nodes are
// used by one thread at a time.
//
// Namespace declarations appear among an element's attributes as nodes named
// "xmlns" or "xmlns:prefix", before the ordinary attributes and in the order
// they were declared. Those nodes are copies: changing them changes nothing.
//
// Querying a document for IStream gives a memory stream holding the document
// as UTF-8 with an XML declaration, as it was at the time of the query. Bytes
// written into that stream replace the document's content on the next call
// to the document itself (not to its nodes), on the next IStream query and
// when the stream is released, provided they form a whole well-formed document;
// until then the document keeps its previous content.
//
// Loading never reads a DTD: a document with a DOCTYPE declaration does not
// load, nor does one that is not namespace-well-formed, nests elements deeper
// than libxml2's limit (about 256 levels) or is larger than 64 MiB.
#pragma once

#include "platform/bstr.h"
#include "platform/unknown.h"
#include "platform/variant.h"

enum DOMNodeType : INT {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12,
};

struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;

struct IXMLDOMNode : IUnknown {
  static constexpr IID iid = MakeGuid("{F6A29938-EEA1-488D-B9A3-C5172D9D2E24}");
  // Qualified name of elements and attributes; "#text", "#comment",
  // "#cdata-section", "#document"; the target of a processing instruction.
  virtual HRESULT get_nodeName(BSTR* name) = 0;
  virtual HRESULT get_nodeType(DOMNodeType* type) = 0;
  // The concatenated text of the node and its descendants.
  virtual HRESULT get_text(BSTR* text) = 0;
  // Replaces an element's children with one text node; sets an attribute's value.
  virtual HRESULT put_text(BSTR text) = 0;
  // VT_BSTR holding the text.
  virtual HRESULT get_nodeTypedValue(VARIANT* value) = 0;
  // The node serialised; for the document with an XML declaration.
  virtual HRESULT get_xml(BSTR* xml) = 0;
  // Elements only; S_FALSE and NULL for other nodes.
  virtual HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) = 0;
  // S_FALSE and NULL for attributes, the document and nodes outside the tree.
  virtual HRESULT get_parentNode(IXMLDOMNode** parent) = 0;
  // Moves newChild (a node of the same document) to the end of this node's
  // children. Namespace declarations of the moved subtree that repeat one in
  // scope at the new place are dropped.
  virtual HRESULT appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) = 0;
  virtual HRESULT removeChild(IXMLDOMNode* child, IXMLDOMNode** outOldChild) = 0;
  // A copy outside the tree, carrying the namespace declarations it needs.
  virtual HRESULT cloneNode(VARIANT_BOOL deep, IXMLDOMNode** clone) = 0;
  // XPath 1.0 relative to this node, with the prefixes of the document's
  // SelectionNamespaces; an unbound prefix or a non-node result is E_FAIL.
  // Results come in document order.
  virtual HRESULT selectSingleNode(BSTR xpath, IXMLDOMNode** node) = 0;
  virtual HRESULT selectNodes(BSTR xpath, IXMLDOMNodeList** nodes) = 0;

 protected:
  ~IXMLDOMNode() = default;
};

struct IXMLDOMNodeList : IUnknown {
  static constexpr IID iid = MakeGuid("{03C32B40-F1A8-4A14-B8C1-B15F4AEBA9E8}");
  virtual HRESULT get_length(LONG* length) = 0;
  // S_FALSE and NULL outside 0 .. length - 1.
  virtual HRESULT get_item(LONG index, IXMLDOMNode** item) = 0;
  // S_FALSE and NULL after the last node.
  virtual HRESULT nextNode(IXMLDOMNode** next) = 0;
  virtual HRESULT reset() = 0;

 protected:
  ~IXMLDOMNodeList() = default;
};

struct IXMLDOMNamedNodeMap : IUnknown {
  static constexpr IID iid = MakeGuid("{36DC2F2E-8E56-4EF4-AD40-CED539952276}");
  // By qualified name; S_FALSE and NULL when absent.
  virtual HRESULT getNamedItem(BSTR name, IXMLDOMNode** item) = 0;
  virtual HRESULT get_length(LONG* length) = 0;
  virtual HRESULT nextNode(IXMLDOMNode** next) = 0;
  virtual HRESULT reset() = 0;

 protected:
  ~IXMLDOMNamedNodeMap() = default;
};

struct IXMLDOMAttribute : IXMLDOMNode {
  using Base = IXMLDOMNode;
  static constexpr IID iid = MakeGuid("{93D63C82-D7F9-4229-B762-E1B3CD4D571E}");
  virtual HRESULT get_value(VARIANT* value) = 0;
  virtual HRESULT put_value(VARIANT value) = 0;

 protected:
  ~IXMLDOMAttribute() = default;
};

struct IXMLDOMElement : IXMLDOMNode {
  using Base = IXMLDOMNode;
  static constexpr IID iid = MakeGuid("{CCBBF14C-1BA9-4947-B006-1ECCD113282A}");
  // VT_BSTR, or S_FALSE and VT_NULL when absent.
  virtual HRESULT getAttribute(BSTR name, VARIANT* value) = 0;
  // A prefixed name needs that prefix in scope; names of namespace
  // declarations are refused.
  virtual HRESULT setAttribute(BSTR name, VARIANT value) = 0;
  // Attaches an attribute made with createNode; returns the one it replaces.
  virtual HRESULT setAttributeNode(IXMLDOMAttribute* attribute, IXMLDOMAttribute** replaced) = 0;

 protected:
  ~IXMLDOMElement() = default;
};

struct IXMLDOMDocument : IXMLDOMNode {
  using Base = IXMLDOMNode;
  static constexpr IID iid = MakeGuid("{905F344A-EF41-45B7-AE95-F48F38C6DAB9}");
  virtual HRESULT get_documentElement(IXMLDOMElement** root) = 0;
  // type NODE_ELEMENT or NODE_ATTRIBUTE (an integer VARIANT); a prefixed name
  // needs a namespace URI. The node is created outside the tree.
  virtual HRESULT createNode(VARIANT type, BSTR name, BSTR namespaceURI, IXMLDOMNode** node) = 0;
  // source: VT_UNKNOWN holding an IStream or ISequentialStream, read from its
  // current position. S_FALSE and VARIANT_FALSE when the bytes do not form a
  // whole document, which leaves the document empty.
  virtual HRESULT load(VARIANT source, VARIANT_BOOL* success) = 0;
  virtual HRESULT loadXML(BSTR xml, VARIANT_BOOL* success) = 0;

 protected:
  ~IXMLDOMDocument() = default;
};

struct IXMLDOMDocument2 : IXMLDOMDocument {
  using Base = IXMLDOMDocument;
  static constexpr IID iid = MakeGuid("{18E65BE3-EC7E-4D39-B4E9-FED893906003}");
  // "SelectionLanguage": "XPath" only.
  // "SelectionNamespaces": blank-separated xmlns:prefix='uri' (or "uri") bindings.
  virtual HRESULT setProperty(BSTR name, VARIANT value) = 0;

 protected:
  ~IXMLDOMDocument2() = default;
};

inline constexpr CLSID CLSID_DOMDocument60 = MakeGuid("{07B63F02-AB94-41BF-A254-8FB502DBF0BF}");

inline constexpr const IID& IID_IXMLDOMNode = IXMLDOMNode::iid;
inline constexpr const IID& IID_IXMLDOMNodeList = IXMLDOMNodeList::iid;
inline constexpr const IID& IID_IXMLDOMNamedNodeMap = IXMLDOMNamedNodeMap::iid;
inline constexpr const IID& IID_IXMLDOMAttribute = IXMLDOMAttribute::iid;
inline constexpr const IID& IID_IXMLDOMElement = IXMLDOMElement::iid;
inline constexpr const IID& IID_IXMLDOMDocument = IXMLDOMDocument::iid;
inline constexpr const IID& IID_IXMLDOMDocument2 = IXMLDOMDocument2::iid;
