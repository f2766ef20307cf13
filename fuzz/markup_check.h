// What the page rewriter targets share: markup as a part's read stream, the
// deepest nesting of a document, and the check that what a rewriter wrote is
// well-formed markup again.
#pragma once

#include <optional>
#include <string_view>

#include "platform/com.h"
#include "platform/print_stream.h"

namespace kestrel::fuzz {

ComPtr<IPrintReadStream> ReadStreamOn(std::string_view bytes);

// The deepest element nesting of a document the SAX reader takes; nothing when it refuses it.
std::optional<int> NestingDepth(std::string_view markup);

// Traps unless markup, whose elements nest `depth` deep, parses. A rewrite
// adds levels: within `added` of the reader's depth bound there is nothing to check.
void CheckWellFormed(std::string_view markup, int depth, int added);

}  // namespace kestrel::fuzz
