// SAX throughput of the platform reader against libxml2's own SAX2 push parse of
// the same page, each with a handler that touches every event. Reports
// ratio = libxml2 time / reader time (1.0: as fast as libxml2 alone). Run with
// --benchmark_repetitions=N (and random interleaving) for a steadier figure.
#include <benchmark/benchmark.h>

#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/com.h"
#include "platform/com_object.h"
#include "platform/xml_sax.h"
#include "sample_page.h"
#include "touching_handler.h"

namespace {

const std::string& Page() {
  static const std::string page = MakePage(4 << 20);
  return page;
}

constexpr std::size_t kChunkBytes = 64 * 1024;

class MemoryStream final : public ComObject<ISequentialStream> {
 public:
  explicit MemoryStream(const std::string& data) : data_(data) {}
  HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
    const std::size_t n = std::min<std::size_t>(cb, data_.size() - position_);
    std::memcpy(pv, data_.data() + position_, n);
    position_ += n;
    *read = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

 private:
  const std::string& data_;
  std::size_t position_ = 0;
};

// The baseline: libxml2 alone, with callbacks that do the same touching.
void RawStartElement(void* ctx, const xmlChar* local, const xmlChar*, const xmlChar*, int nbNamespaces,
                     const xmlChar**, int nbAttributes, int, const xmlChar** attributes) {
  Tally& t = *static_cast<Tally*>(ctx);
  ++t.elements;
  t.characters += std::strlen(reinterpret_cast<const char*>(local)) + static_cast<std::size_t>(nbNamespaces);
  for (int i = 0; i < nbAttributes; ++i) {
    const xmlChar* const* a = attributes + 5 * i;
    t.characters += std::strlen(reinterpret_cast<const char*>(a[0])) + static_cast<std::size_t>(a[4] - a[3]) + a[3][0];
  }
}

void RawEndElement(void* ctx, const xmlChar* local, const xmlChar*, const xmlChar*) {
  static_cast<Tally*>(ctx)->characters += std::strlen(reinterpret_cast<const char*>(local));
}

void RawCharacters(void* ctx, const xmlChar*, int len) {
  static_cast<Tally*>(ctx)->characters += static_cast<std::size_t>(len);
}

// The best per-iteration thread CPU time over all runs: the machine is shared, and
// the minimum is the figure least disturbed by other work.
struct Timing {
  double best = 0;
  void Add(double perIteration) {
    if (best == 0 || perIteration < best) best = perIteration;
  }
};
Timing readerTiming;
Timing libxml2Timing;

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename Body>
void Timed(benchmark::State& state, Timing& timing, Body&& body) {
  const double start = ThreadSeconds();
  for (auto _ : state) body();
  if (state.iterations() > 0) timing.Add((ThreadSeconds() - start) / static_cast<double>(state.iterations()));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Page().size()));
}

void BM_Libxml2Sax2Push(benchmark::State& state) {
  xmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.initialized = XML_SAX2_MAGIC;
  sax.startElementNs = RawStartElement;
  sax.endElementNs = RawEndElement;
  sax.characters = RawCharacters;
  const std::string& page = Page();
  Timed(state, libxml2Timing, [&] {
    Tally tally;
    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, &tally, page.data(), 4, nullptr);
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET);
    for (std::size_t at = 4; at < page.size(); at += kChunkBytes)
      xmlParseChunk(ctxt, page.data() + at, static_cast<int>(std::min(kChunkBytes, page.size() - at)), 0);
    xmlParseChunk(ctxt, nullptr, 0, 1);
    if (!ctxt->wellFormed) state.SkipWithError("libxml2 refused the page");
    xmlFreeParserCtxt(ctxt);
    benchmark::DoNotOptimize(tally);
  });
}
BENCHMARK(BM_Libxml2Sax2Push)->Unit(benchmark::kMillisecond);

void BM_SaxReader(benchmark::State& state) {
  ComPtr<ISAXXMLReader> reader;
  CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_ALL, IID_ISAXXMLReader, reader.PutVoid());
  const ComPtr<TouchingHandler> handler = MakeComObject<TouchingHandler>();
  reader->putContentHandler(handler.Get());
  Timed(state, readerTiming, [&] {
    const ComPtr<MemoryStream> stream = MakeComObject<MemoryStream>(Page());
    VARIANT input;
    input.vt = VT_UNKNOWN;
    input.punkVal = stream.Get();
    if (FAILED(reader->parse(input))) state.SkipWithError("the reader refused the page");
    benchmark::DoNotOptimize(handler->tally);
  });
}
BENCHMARK(BM_SaxReader)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (readerTiming.best > 0 && libxml2Timing.best > 0)
    std::printf("page %.1f MB: ratio (libxml2 time / reader time, best runs) = %.2f\n",
                static_cast<double>(Page().size()) / (1 << 20), libxml2Timing.best / readerTiming.best);
  return 0;
}
