// What tickets cost a page: one page-level ticket update through the ticket
// manager (the page's ticket loaded, merged onto the document ticket by the
// provider, the result reloaded), the update of a page without a ticket (a copy
// of the document ticket), and one settings read (ReadMediaSize and ReadNUp on
// the merged page ticket), against a plain libxml2 parse of the page's ticket
// (mb09-page1, about 3 KB) in the same run.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/print_ticket_manager.h"
#include "platform/com_object.h"
#include "platform/part_content.h"
#include "platform/print_ticket_provider.h"
#include "ticket/media_size_settings.h"
#include "ticket/nup_settings.h"
#include "ticket/print_schema_namespaces.h"

namespace {

const std::filesystem::path kSource = std::filesystem::path(__FILE__).parent_path().parent_path();
const std::filesystem::path kTickets = std::filesystem::path(KESTREL_CORPUS_DIR) / "tickets";
constexpr char16_t kPrinter[] = u"Ticket Flow Bench";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<BYTE> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class TicketPart final : public ComObject<IPartPrintTicket> {
 public:
  explicit TicketPart(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(u"/ticket.xml");
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream** stream) override { return CreateReadStreamOnBytes(Bytes(bytes_), stream); }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }

 private:
  std::string bytes_;
};

// A page with the ticket given, or without one.
class Page final : public ComObject<IFixedPage> {
 public:
  explicit Page(std::optional<std::string> ticket) : ticket_(std::move(ticket)) {}
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    *ticket = nullptr;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    *ticket = MakeComObject<TicketPart, IPartPrintTicket>(*ticket_).Detach();
    return S_OK;
  }
  HRESULT SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(u"/page.fpage");
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream**) override { return E_NOTIMPL; }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }

 private:
  std::optional<std::string> ticket_;
};

// A manager opened on the job ticket of mb09 as the user ticket, for the reference printer.
bool OpenManager(PrintTicketManager& manager) {
  const std::string description = (kSource / "driver/printer/kestrel-inkjet-mfp.xml").string();
  if (FAILED(RegisterPrinter(kPrinter, description.c_str()))) return false;
  ComPtr<IPrintReadStream> user;
  if (FAILED(CreateReadStreamOnBytes(Bytes(ReadFile(kTickets / "mb09-job.xml")), user.Put()))) return false;
  return SUCCEEDED(manager.Open(user.Get(), Bstr(kPrinter).Get()));
}

bool HaveCorpus(benchmark::State& state) {
  if (std::filesystem::exists(kTickets / "mb09-page1.xml")) return true;
  state.SkipWithError("no corpus tickets in " KESTREL_CORPUS_DIR);
  return false;
}

void BM_Libxml2ParseBaseline(benchmark::State& state) {
  if (!HaveCorpus(state)) return;
  const std::string page = ReadFile(kTickets / "mb09-page1.xml");
  for (auto _ : state) {
    xmlDoc* doc = xmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, nullptr, XML_PARSE_NONET);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
}
BENCHMARK(BM_Libxml2ParseBaseline);

void RunPageUpdates(benchmark::State& state, std::optional<std::string> ticket) {
  PrintTicketManager manager;
  if (!OpenManager(manager)) {
    state.SkipWithError("the ticket manager does not open");
    return;
  }
  const ComPtr<IFixedPage> page = MakeComObject<Page, IFixedPage>(std::move(ticket));
  for (auto _ : state)
    if (FAILED(manager.OnPage(page.Get()))) state.SkipWithError("the page update failed");
}

void BM_PageUpdateWithTicket(benchmark::State& state) {
  if (HaveCorpus(state)) RunPageUpdates(state, ReadFile(kTickets / "mb09-page1.xml"));
}
BENCHMARK(BM_PageUpdateWithTicket);

void BM_PageUpdateWithoutTicket(benchmark::State& state) {
  if (HaveCorpus(state)) RunPageUpdates(state, std::nullopt);
}
BENCHMARK(BM_PageUpdateWithoutTicket);

void BM_SettingsRead(benchmark::State& state) {
  if (!HaveCorpus(state)) return;
  PrintTicketManager manager;
  IXMLDOMDocument2* ticket = nullptr;
  const ComPtr<IFixedPage> page = MakeComObject<Page, IFixedPage>(ReadFile(kTickets / "mb09-page1.xml"));
  if (!OpenManager(manager) || FAILED(manager.OnPage(page.Get())) ||
      FAILED(manager.GetTicket(kPTPageScope, &ticket))) {
    state.SkipWithError("no merged page ticket");
    return;
  }
  for (auto _ : state) {
    const PrintTicketDom dom(u"PrintTicket", PRIVATE_KEYWORDS_NS, ticket);
    MediaSizeSettings media;
    NUpSettings nup;
    benchmark::DoNotOptimize(ReadMediaSize(dom, media));
    benchmark::DoNotOptimize(ReadNUp(dom, nup));
  }
}
BENCHMARK(BM_SettingsRead);

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, "BM_Libxml2ParseBaseline", "page"); }
