// What the page rewriter targets share: markup as a part's read stream, a
// rewrite into memory, the deepest nesting of a document, and the check that
// what a rewriter wrote is well-formed markup again.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "framework/markup_handler_base.h"
#include "platform/com.h"
#include "platform/print_stream.h"

namespace kestrel::fuzz {

ComPtr<IPrintReadStream> ReadStreamOn(std::string_view bytes);

// What a rewriter, made on a recording stream, writes of the page; nothing
// when reading, rewriting or the last flush fails.
std::optional<std::string> Rewrite(std::string_view page,
                                   const std::function<ComPtr<MarkupHandlerBase>(IPrintWriteStream*)>& makeRewriter);

// The deepest element nesting of a document the SAX reader takes; nothing when it refuses it.
std::optional<int> NestingDepth(std::string_view markup);

// Traps unless markup, whose elements nest `depth` deep, parses. A rewrite
// adds levels: within `added` of the reader's depth bound there is nothing to check.
void CheckWellFormed(std::string_view markup, int depth, int added);

}  // namespace kestrel::fuzz
