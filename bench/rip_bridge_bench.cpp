// The page markup bridge feeding a converter that does nothing, against a
// plain parse of the same page by the same SAX reader with a handler that
// reads every name and value: the cost of turning every element and attribute into
// converter calls (names and values to UTF-8, the end-tag rule). Goal: at most
// 1.5 times the plain parse.
#include <benchmark/benchmark.h>

#include <vector>

#include "filters/rip/page_markup_bridge.h"
#include "framework/sequential_read_adapter.h"
#include "platform/part_content.h"
#include "platform/spooler.h"
#include "platform/utf.h"
#include "ratio_reporter.h"
#include "thread_time.h"
#include "sample_page.h"
#include "touching_handler.h"

namespace {

// A heavy page: every iteration also loads the converter library once, as
// each page does.
constexpr std::size_t kPageBytes = 256 << 10;

const std::vector<BYTE>& Page() {
  static const std::vector<BYTE> page = [] {
    const std::string text = MakePage(kPageBytes);
    return std::vector<BYTE>(text.begin(), text.end());
  }();
  return page;
}

ComPtr<IPrintReadStream> PageStream() {
  ComPtr<IPrintReadStream> stream;
  CreateReadStreamOnBytes(Page(), stream.Put());
  return stream;
}

void BM_PlainParse(benchmark::State& state) {
  TimeByThreadCpu(state, [&] {
    ComPtr<ISAXXMLReader> reader;
    CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_INPROC_SERVER, IID_ISAXXMLReader, reader.PutVoid());
    const ComPtr<TouchingHandler> handler = MakeComObject<TouchingHandler>();
    reader->putContentHandler(handler.Get());
    const auto adapter = ComPtr<ISequentialStream>::Attach(new SequentialReadAdapter(PageStream().Get()));
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_UNKNOWN;
    input.punkVal = adapter.Get();
    if (FAILED(reader->parse(input))) state.SkipWithError("the page did not parse");
    benchmark::DoNotOptimize(handler->tally);
  });
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Page().size()));
}
BENCHMARK(BM_PlainParse)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Bridge(benchmark::State& state) {
  SetPrinterDriverDirectory(Utf8ToUtf16(KESTREL_NULL_CONVERTER_DIR).value());
  const PageDeviceSettings device{215900, 279400, 600, 600, 2, 4, 4, 8};
  int converter = 0;
  TimeByThreadCpu(state, [&] {
    const auto bridge =
        ComPtr<PageMarkupBridge>::Attach(new PageMarkupBridge(nullptr, device, &converter, u"", 0));
    if (!bridge->Loaded()) state.SkipWithError(bridge->failure().c_str());
    if (FAILED(bridge->Parse(PageStream().Get()))) state.SkipWithError(bridge->failure().c_str());
  });
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Page().size()));
}
BENCHMARK(BM_Bridge)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return RunWithRatios(argc, argv, "BM_PlainParse/manual_time", "page");
}
