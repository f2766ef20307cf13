// The one way documents enter the DOM: a parse that reads no DTD, expands no
// entity beyond the predefined ones and opens no file or network resource.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <string_view>

namespace xmldom {

// Larger documents are refused before parsing; print tickets are kilobytes.
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{64} << 20;

// A new document, or NULL when the bytes are not one whole namespace-well-formed
// document without DOCTYPE. forcedEncoding overrides the declared encoding
// (for text that was converted before); NULL detects it.
xmlDoc* ParseDocument(std::string_view bytes, const char* forcedEncoding);

}  // namespace xmldom
