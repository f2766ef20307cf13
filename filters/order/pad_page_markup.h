// The text work of pad pages: an attribute appended to a start tag so that
// the tag stays well-formed whatever the value holds.
#pragma once

#include <string>
#include <string_view>

#include "platform/hresult.h"

// Appends ' name="value"', the value escaped: values arrive from the XML
// reader with their references decoded and may hold '&', '<', '"' or line
// breaks, which are written back as references.
void AppendAttribute(std::u16string& tag, std::u16string_view name, std::u16string_view value);

// The text as UTF-8; HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION) for
// text that is not valid UTF-16.
HRESULT ToUtf8(std::u16string_view text, std::string* utf8);
