// The one way a filter replaces a page's markup by what a rewriter makes of it:
// the page is read through the SAX reader into a rewriter writing to the
// page's write stream. The rewriter's last output is flushed and checked
// before the stream is closed, so that a page cut short fails instead of
// being sent.
#pragma once

#include <functional>

#include "framework/markup_handler_base.h"
#include "platform/xps_parts.h"

// makeRewriter builds the rewriter on the page's write stream. The first
// failure of reading, writing or rewriting is returned; E_FAIL when the page
// hands out no stream.
HRESULT RewritePageMarkup(IFixedPage* page,
                          const std::function<ComPtr<MarkupHandlerBase>(IPrintWriteStream*)>& makeRewriter);
