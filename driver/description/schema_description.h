// Print Schema documents (tickets and capabilities) as tools print them.
#pragma once

#include <string>
#include <string_view>

#include "platform/bstr.h"
#include "platform/hresult.h"

// Readable text (an indented line per Print Schema element, "Element name = value") or
// JSON (elements with name, value, parameter and children) of a ticket or capabilities
// document. Text that is not well-formed XML gives E_PRINTTICKET_FORMAT, with the
// reason in *errorMessage (may be NULL; free it with SysFreeString).
HRESULT DescribePrintSchemaDocument(std::string_view xml, bool json, std::string* description, BSTR* errorMessage);
