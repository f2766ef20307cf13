// The cost of one merge of a page ticket onto a job ticket (about 3 KB each), against a
// baseline of parsing and writing the base ticket once with libxml2, in the same run.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/print_ticket_provider.h"
#include "platform/stream.h"
#include "platform/unknown.h"

namespace {

const std::filesystem::path kSource = std::filesystem::path(__FILE__).parent_path().parent_path();
const std::filesystem::path kTickets = std::filesystem::path(KESTREL_CORPUS_DIR) / "tickets";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The corpus's job and page tickets, or tickets of the same shape and size without it.
std::string Synthetic(bool job) {
  std::string body;
  for (int i = 0; i < 24; ++i)
    body += "<psf:Feature name=\"psk:" + std::string(job ? "Job" : "Page") + "Feature" + std::to_string(i) +
            "\"><psf:Option name=\"psk:Option" + std::to_string(i) +
            "\"><psf:ScoredProperty name=\"psk:Width\"><psf:Value xsi:type=\"xsd:integer\">215900</psf:Value>"
            "</psf:ScoredProperty></psf:Option></psf:Feature>";
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><psf:PrintTicket version=\"1\" xmlns:psf=\"") +
         kPrintSchemaFrameworkNamespace + "\" xmlns:psk=\"" + kPrintSchemaKeywordsNamespace +
         "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">" + body + "</psf:PrintTicket>";
}

std::string Base() {
  return std::filesystem::exists(kTickets) ? ReadFile(kTickets / "mb09-job.xml") : Synthetic(true);
}
std::string Delta() {
  return std::filesystem::exists(kTickets) ? ReadFile(kTickets / "mb09-page1.xml") : Synthetic(false);
}

ComPtr<IStream> StreamOf(const std::string& text) {
  ComPtr<IStream> s;
  CreateStreamOnHGlobal(nullptr, TRUE, s.Put());
  s->Write(text.data(), static_cast<ULONG>(text.size()), nullptr);
  return s;
}

void Rewind(IStream* s) { s->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr); }

void BM_ParseAndWriteBaseline(benchmark::State& state) {
  const std::string base = Base();
  for (auto _ : state) {
    xmlDoc* doc = xmlReadMemory(base.data(), static_cast<int>(base.size()), nullptr, nullptr, XML_PARSE_NONET);
    xmlChar* out = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &out, &size, "UTF-8", 1);
    benchmark::DoNotOptimize(size);
    xmlFree(out);
    xmlFreeDoc(doc);
  }
}
BENCHMARK(BM_ParseAndWriteBaseline);

void BM_MergeAndValidate(benchmark::State& state) {
  const std::string description = (kSource / "driver/printer/kestrel-inkjet-mfp.xml").string();
  HPTPROVIDER provider = nullptr;
  if (FAILED(RegisterPrinter(u"Bench", description.c_str())) || FAILED(PTOpenProvider(u"Bench", 1, &provider))) {
    state.SkipWithError("the reference printer does not register");
    return;
  }
  ComPtr<IStream> base = StreamOf(Base()), delta = StreamOf(Delta());
  for (auto _ : state) {
    Rewind(base.Get());
    Rewind(delta.Get());
    ComPtr<IStream> result;
    CreateStreamOnHGlobal(nullptr, TRUE, result.Put());
    const HRESULT hr = PTMergeAndValidatePrintTicket(provider, base.Get(), delta.Get(), kPTJobScope, result.Get(), nullptr);
    if (FAILED(hr)) state.SkipWithError("the merge failed");
  }
  PTCloseProvider(provider);
  UnregisterPrinter(u"Bench");
}
BENCHMARK(BM_MergeAndValidate);

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, "BM_ParseAndWriteBaseline", "call"); }
