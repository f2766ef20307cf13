// Linking nodes into a tree by hand: libxml2's own insertion functions merge
// adjacent text nodes and replace attributes of the same name by freeing
// them, which would pull nodes away from under their node objects.
#pragma once

#include <libxml/tree.h>

#include <string>

#include "platform/hresult.h"

namespace xmldom {

class Document;

// child must be unlinked and belong to parent's document.
void LinkLastChild(xmlNode* parent, xmlNode* child);
void LinkLastAttribute(xmlNode* element, xmlAttr* attribute);
// An element's or attribute's children become one text node (none for "").
HRESULT ReplaceChildrenWithText(Document& owner, xmlNode* node, const std::string& text);
// A new attribute outside any element.
xmlAttr* NewAttribute(xmlDoc* doc, xmlNs* ns, const std::string& local, const std::string& value);

}  // namespace xmldom
