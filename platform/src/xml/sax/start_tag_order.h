// libxml2 reports a start tag's namespace declarations apart from its other
// attributes; their order among each other is recovered from the text of the tag.
#pragma once

#include <string_view>
#include <vector>

// For the text of a well-formed start tag, from "<" up to (at least) its last
// attribute: for each attribute in the order written, whether it declares a
// namespace ("xmlns" or "xmlns:p"). false when the text cannot be read as a tag.
bool ReadDeclarationOrder(std::string_view tag, std::vector<bool>& isDeclaration);
