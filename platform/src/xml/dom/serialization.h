// Markup of nodes and documents, UTF-8, without added indentation.
#pragma once

#include <libxml/tree.h>

#include <string>

#include "platform/hresult.h"

namespace xmldom {

// Every tree the document holds is marked UTF-8: without an encoding named,
// libxml2 writes non-ASCII characters of attribute values as character references.
bool MarkUtf8(xmlDoc* doc);

enum class Declaration { kWithEncoding, kWithoutEncoding };

// Empty for a document without content; otherwise an XML declaration
// (naming UTF-8 or, for text handed out as UTF-16, no encoding) and the content.
HRESULT SerializeDocument(xmlDoc* doc, Declaration declaration, std::string* markup);
// An attribute as name="value".
HRESULT SerializeNode(xmlNode* node, std::string* markup);

}  // namespace xmldom
