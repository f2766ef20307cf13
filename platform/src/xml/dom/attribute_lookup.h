// An element's attributes as the interfaces show them: its namespace
// declarations first (as attributes named xmlns or xmlns:prefix, in the order
// declared), then its attributes in order.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <string>

#include "platform/xml_dom.h"

namespace xmldom {

class Document;

std::size_t AttributeCount(xmlNode* element);
// S_FALSE and NULL past the end. A declaration comes as a new copy each time.
HRESULT AttributeAt(Document& owner, xmlNode* element, std::size_t index, IXMLDOMNode** attribute);
// By qualified name; S_FALSE and NULL when absent.
HRESULT FindAttribute(Document& owner, xmlNode* element, const std::string& name, IXMLDOMNode** attribute);
// The attribute proper (not a declaration) of that qualified name, or NULL.
xmlAttr* FindAttributeNode(xmlNode* element, const std::string& name);

}  // namespace xmldom
