// Small conversions between the DOM's VARIANTs and the ticket code's strings.
#pragma once

#include "platform/bstr.h"
#include "platform/variant.h"
#include "platform/xml_dom.h"

// A VT_BSTR VARIANT that borrows text: valid while text lives.
VARIANT StringVariant(const Bstr& text);
// A VT_I4 VARIANT.
VARIANT IntegerVariant(LONG value);
// The node's nodeTypedValue as text.
HRESULT TypedValueText(IXMLDOMNode* node, Bstr* text);
