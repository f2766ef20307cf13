#include "framework/page_rewrite.h"

#include "framework/markup_parse.h"
#include "ticket/hresult_error.h"

HRESULT RewritePageMarkup(IFixedPage* page,
                          const std::function<ComPtr<MarkupHandlerBase>(IPrintWriteStream*)>& makeRewriter) {
  if (!page) return E_POINTER;
  // The markup is taken before the write stream replaces it.
  ComPtr<IPrintReadStream> input;
  HRESULT hr = page->GetStream(input.Put());
  if (FAILED(hr)) return hr;
  if (!input) return E_FAIL;
  ComPtr<IPrintWriteStream> output;
  hr = page->GetWriteStream(output.Put());
  if (FAILED(hr)) return hr;
  if (!output) return E_FAIL;
  hr = CallReturningHresult([&] {
    const ComPtr<MarkupHandlerBase> rewriter = makeRewriter(output.Get());
    const HRESULT parsed = ParseMarkup(input.Get(), rewriter.Get());
    // The last of the markup is written here, where its failure can still
    // fail the page instead of sending it cut short.
    const HRESULT flushed = rewriter->Flush();
    return SUCCEEDED(parsed) ? flushed : parsed;
  });
  output->Close();
  return hr;
}
