// Markup text in the forms it is stored and written in: attribute values with
// XML's special characters escaped, and UTF-8 bytes for a part stream.
#pragma once

#include <string>

#include "framework/markup_buffer.h"
#include "platform/bstr.h"

// Replaces text by a copy escaped as AppendEscapedXml does (an ampersand
// already starting an entity is escaped too). Text without a character to
// escape, and empty text, stays as it is. E_POINTER for a NULL text,
// E_OUTOFMEMORY when the copy cannot be made (text is then unchanged).
HRESULT EscapeXml(BSTR& text);

// The buffer's text as UTF-8. Throws HResultError(E_FAIL) when there is no byte
// to give: an empty buffer, or text that is not valid UTF-16.
std::string ToUtf8(const MarkupBuffer& text);
