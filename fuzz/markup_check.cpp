#include "markup_check.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/markup_handler_base.h"
#include "framework/markup_parse.h"
#include "platform/part_content.h"
#include "tests/support/recording_write_stream.h"

namespace kestrel::fuzz {
namespace {

// The SAX reader's bound on nesting (safexml::kMaxDepth; that header needs libxml2's).
constexpr int kReaderDepthBound = 256;

class DepthHandler final : public MarkupHandlerBase {
 public:
  DepthHandler() : MarkupHandlerBase(nullptr) {}
  HRESULT startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int, ISAXAttributes*) override {
    deepest = std::max(deepest, ++depth_);
    return S_OK;
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override {
    --depth_;
    return S_OK;
  }
  int deepest = 0;

 private:
  int depth_ = 0;
};

}  // namespace

ComPtr<IPrintReadStream> ReadStreamOn(std::string_view bytes) {
  ComPtr<IPrintReadStream> stream;
  if (FAILED(CreateReadStreamOnBytes(std::vector<BYTE>(bytes.begin(), bytes.end()), stream.Put()))) __builtin_trap();
  return stream;
}

std::optional<std::string> Rewrite(std::string_view page,
                                   const std::function<ComPtr<MarkupHandlerBase>(IPrintWriteStream*)>& makeRewriter) {
  const ComPtr<RecordingWriteStream> output = MakeComObject<RecordingWriteStream>();
  const ComPtr<MarkupHandlerBase> rewriter = makeRewriter(output.Get());
  HRESULT hr = ParseMarkup(ReadStreamOn(page).Get(), rewriter.Get());
  if (SUCCEEDED(hr)) hr = rewriter->Flush();
  if (FAILED(hr)) return std::nullopt;
  return output->bytes;
}

std::optional<int> NestingDepth(std::string_view markup) {
  const ComPtr<DepthHandler> handler = ComPtr<DepthHandler>::Attach(new DepthHandler);
  if (FAILED(ParseMarkup(ReadStreamOn(markup).Get(), handler.Get()))) return std::nullopt;
  return handler->deepest;
}

void CheckWellFormed(std::string_view markup, int depth, int added) {
  if (depth + added >= kReaderDepthBound) return;
  if (NestingDepth(markup)) return;
  std::fprintf(stderr, "rewritten markup that does not parse:\n%.*s\n", static_cast<int>(markup.size()), markup.data());
  __builtin_trap();
}

}  // namespace kestrel::fuzz
