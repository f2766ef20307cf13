// Escaping for the XML the package writer produces.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::package {

// Text safe inside a double-quoted attribute value.
std::string EscapeXmlAttribute(std::string_view text);

}  // namespace kestrel::package
