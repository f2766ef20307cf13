// Conversions between the BSTRs of the interfaces and libxml2's UTF-8.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/bstr.h"
#include "platform/hresult.h"

namespace xmldom {

inline const xmlChar* AsXmlChar(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }
inline std::string_view AsView(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// A new BSTR (never NULL for success, "" for empty); E_OUTOFMEMORY or E_FAIL.
HRESULT ToBstr(std::string_view utf8, BSTR* out);
// UTF-8 of a name or query; nullopt for unpaired surrogates or embedded zeros.
std::optional<std::string> Utf8FromBstr(BSTR text);
// Like Utf8FromBstr, also refusing characters XML 1.0 cannot carry (a value
// written with them could not be read back).
std::optional<std::string> XmlTextFromBstr(BSTR text);

}  // namespace xmldom
