// What the sheet's markup handlers share: the attributes of a page element
// written again, every value escaped, and the SAX parse of a page into a
// handler.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/xml_sax.h"
#include "platform/xps_parts.h"

// One SAX attribute: its qualified name, local name and value.
struct CopiedAttribute {
  std::u16string_view qName;
  std::u16string_view localName;
  std::u16string_view value;
};

HRESULT AttributeAt(ISAXAttributes* attributes, int index, CopiedAttribute* attribute);

// Appends ` name="value"`, value escaped (platform/xml_escape.h).
void AppendAttribute(std::u16string& markup, std::u16string_view name, std::u16string_view value);

// Appends "<name" and each attribute, its value as valueOf gives it; the tag stays open.
HRESULT AppendStartTag(std::u16string& markup, std::u16string_view name, ISAXAttributes* attributes,
                       const std::function<std::u16string(const CopiedAttribute&)>& valueOf);

// Ends an element: "/>" while its start tag is open (it has no children), else "</name>".
void AppendEndTag(std::u16string& markup, std::u16string_view name, bool startTagOpen);

