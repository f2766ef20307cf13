// The layout filter's handling of hostile page markup: a page copied into a
// sheet as one cell (the N-up and booklet path) and a page shifted in its own
// part (the gutter and duplex path). A copy or rewrite that succeeds must be
// well-formed markup again (a cell inside a sheet's FixedPage).
// Input: a mode byte (bit 0: the shift, else a cell; bits 1-7: the cell's number), then the page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "filters/layout/cell_copy_handler.h"
#include "filters/layout/page_rewrite_handler.h"
#include "fuzz_input.h"
#include "markup_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::FuzzInput input(data, size);
  const std::uint8_t mode = input.Byte();
  const std::string_view page = input.Rest();
  const std::optional<int> depth = kestrel::fuzz::NestingDepth(page);

  const std::optional<std::string> rewritten = kestrel::fuzz::Rewrite(page, [mode](IPrintWriteStream* output) {
    if (mode & 1) return ComPtr<MarkupHandlerBase>::Attach(new PageRewriteHandler(output, u"0.5,0,0,0.5,10.25,-20"));
    return ComPtr<MarkupHandlerBase>::Attach(new CellCopyHandler(
        output, u"/Documents/1/Pages/3.fpage",
        u"<Canvas RenderTransform=\"0.5,0,0,0.5,408,0\" Clip=\"M 0,0 L 816,0 816,1056 0,1056 Z\"", mode >> 1));
  });
  if (!rewritten || !depth) return 0;
  if (mode & 1) {
    kestrel::fuzz::CheckWellFormed(*rewritten, *depth, 1);
  } else {
    const std::string sheet = "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" "
                              "Height=\"1056\">" + *rewritten + "</FixedPage>";
    kestrel::fuzz::CheckWellFormed(sheet, *depth, 1);
  }
  return 0;
}
