// An order filter in a pipeline the test scripts: parts with markup and
// tickets of their own, a consumer that records what it is sent and makes the
// new parts the filter asks for, and the reference printer behind the
// filter's ticket manager.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/scripted_pipeline.h"
#include "filters/order/order_filter.h"
#include "platform/part_content.h"
#include "platform/print_ticket_provider.h"
#include "ticket/ticket_documents.h"

namespace order_test {

using ticket_test::Feature;
using ticket_test::Init;
using ticket_test::IntValue;
using ticket_test::Option;
using ticket_test::Property;
using ticket_test::StringValue;
using ticket_test::TicketXml;

inline std::u16string U16(std::string_view text) { return Utf8ToUtf16(text).value(); }
inline std::string U8(std::u16string_view text) { return Utf16ToUtf8(text).value(); }

inline std::shared_ptr<PartContent> ContentOf(std::string_view bytes) {
  return CreateCompletePartContent(std::vector<BYTE>(bytes.begin(), bytes.end()));
}

inline std::string ReadAll(PartContent& content) {
  ComPtr<IPrintReadStream> reader;
  EXPECT_EQ(content.OpenReader(reader.Put()), S_OK);
  std::string bytes;
  char buffer[4096];
  for (;;) {
    ULONG read = 0;
    BOOL end = FALSE;
    if (FAILED(reader->ReadBytes(buffer, sizeof buffer, &read, &end))) break;
    bytes.append(buffer, read);
    if (end || read == 0) break;
  }
  return bytes;
}

template <typename I>
class TestPart : public ComObject<I> {
 public:
  TestPart(std::string uri, std::shared_ptr<PartContent> content) : uri_(std::move(uri)), content_(std::move(content)) {}
  HRESULT GetUri(BSTR* uri) override {
    *uri = SysAllocString(U16(uri_).c_str());
    return S_OK;
  }
  HRESULT GetStream(IPrintReadStream** stream) override { return content_->OpenReader(stream); }
  HRESULT GetPartCompression(EXpsCompression*) override { return E_NOTIMPL; }
  HRESULT SetPartCompression(EXpsCompression) override { return E_NOTIMPL; }

  const std::string& uri() const { return uri_; }
  std::string Bytes() const { return ReadAll(*content_); }

 private:
  std::string uri_;
  std::shared_ptr<PartContent> content_;
};

using TestTicket = TestPart<IPartPrintTicket>;

// A part with a print ticket (or none), counting how often it is asked for it.
template <typename I>
class TestTicketedPart : public TestPart<I> {
 public:
  using TestPart<I>::TestPart;
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    ++ticketReads_;
    *ticket = nullptr;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    *ticket = ComPtr<IPartPrintTicket>(ticket_).Detach();
    return S_OK;
  }
  HRESULT SetPrintTicket(IPartPrintTicket* ticket) override {
    ticket_ = ComPtr<IPartPrintTicket>(ticket);
    return S_OK;
  }
  int ticketReads() const { return ticketReads_; }
  IPartPrintTicket* ticket() const { return ticket_.Get(); }

 private:
  ComPtr<IPartPrintTicket> ticket_;
  int ticketReads_ = 0;
};

class TestPage final : public TestTicketedPart<IFixedPage> {
 public:
  using TestTicketedPart::TestTicketedPart;
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  HRESULT GetWriteStream(IPrintWriteStream**) override { return E_NOTIMPL; }
};

using TestSequence = TestTicketedPart<IFixedDocumentSequence>;
using TestDocument = TestTicketedPart<IFixedDocument>;

class TestProvider final : public ComObject<IXpsDocumentProvider> {
 public:
  void Add(ComPtr<IUnknown> part) { parts_.push_back(std::move(part)); }
  HRESULT GetXpsPart(IUnknown** part) override {
    *part = next_ < parts_.size() ? ComPtr<IUnknown>(parts_[next_++]).Detach() : nullptr;
    return S_OK;
  }

 private:
  std::vector<ComPtr<IUnknown>> parts_;
  std::size_t next_ = 0;
};

// Records every part sent by its name and keeps the new parts it made. A pad
// page is recorded as "pad<k>", k counting the pads made in the job from 1.
class TestConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  // The next count requests for new pages are refused as names the job has.
  void RefusePageNames(int count) { refusedPageNames_ = count; }
  // The n-th page sent (from 1) fails with hr.
  void FailPageSend(int n, HRESULT hr) {
    failingPage_ = n;
    failure_ = hr;
  }

  HRESULT SendXpsUnknown(IUnknown*) override { return Record("other"); }
  HRESULT SendXpsDocument(IXpsDocument*) override { return Record("xps"); }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence* sequence) override { return Record(NameOf(sequence)); }
  HRESULT SendFixedDocument(IFixedDocument* document) override { return Record(NameOf(document)); }
  HRESULT SendFixedPage(IFixedPage* page) override {
    if (++pagesSent_ == failingPage_) return failure_;
    return Record(NameOf(page));
  }
  HRESULT CloseSender() override { return S_OK; }
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override {
    const std::string name = U8(uri);
    if (pads_.contains(name) || tickets_.contains(name)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    if (riid == IID_IFixedPage && refusedPageNames_ > 0) {
      --refusedPageNames_;
      return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    }
    std::shared_ptr<PartContent> content = CreatePartContent();
    HRESULT hr = content->OpenWriter(stream);
    if (FAILED(hr)) return hr;
    if (riid == IID_IFixedPage) {
      const auto pad = MakeComObject<TestPage>(name, content);
      pads_[name] = pad;
      padLabels_[name] = "pad" + std::to_string(padLabels_.size() + 1);
      return pad->QueryInterface(riid, part);
    }
    if (riid == IID_IPartPrintTicket) {
      const auto ticket = MakeComObject<TestTicket>(name, content);
      tickets_[name] = ticket;
      return ticket->QueryInterface(riid, part);
    }
    return E_NOINTERFACE;
  }

  const std::vector<std::string>& sent() const { return sent_; }
  // The pages sent: "<n>" for /p<n>, "pad<k>" for the k-th pad page made.
  std::vector<std::string> SentPages() const {
    std::vector<std::string> pages;
    for (const std::string& name : sent_) {
      if (const auto pad = padLabels_.find(name); pad != padLabels_.end())
        pages.push_back(pad->second);
      else if (name.starts_with("/p"))
        pages.push_back(name.substr(2));
    }
    return pages;
  }
  const std::map<std::string, ComPtr<TestPage>>& pads() const { return pads_; }
  const std::map<std::string, ComPtr<TestTicket>>& tickets() const { return tickets_; }

 private:
  template <typename I>
  static std::string NameOf(I* part) {
    BSTR uri = nullptr;
    part->GetUri(&uri);
    std::string name = U8(std::u16string_view(uri, SysStringLen(uri)));
    SysFreeString(uri);
    return name;
  }
  HRESULT Record(std::string name) {
    sent_.push_back(std::move(name));
    return S_OK;
  }

  std::vector<std::string> sent_;
  int refusedPageNames_ = 0;
  std::map<std::string, ComPtr<TestPage>> pads_;
  std::map<std::string, ComPtr<TestTicket>> tickets_;
  std::map<std::string, std::string> padLabels_;
  int pagesSent_ = 0;
  int failingPage_ = 0;
  HRESULT failure_ = S_OK;
};

inline constexpr char16_t kPrinter[] = u"Kestrel InkJet MFP";

// A fixed page of Letter size with some content.
inline std::string PageMarkup(int number) {
  return "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
         "xml:lang=\"en-US\"><Path Data=\"M 0,0 L " +
         std::to_string(number) + ",10 Z\" Fill=\"#FF000000\"/></FixedPage>";
}

// Tickets as deltas: job binding, duplex and the divide condition.
inline std::string JobBinding(std::string_view edge, std::string_view content = "") {
  return Feature("psk:JobBindAllDocuments", Option(edge, content));
}
inline std::string DivideIntoSets(long sheets) {
  return Feature("psk:JobBindAllDocuments",
                 Option("psk:Booklet") + Feature("ns0000:BookletPrintingMethod", Option("ns0000:DivideIntoSets"))) +
         Init("ns0000:JobBindBookletDivideSheets", IntValue(sheets));
}
inline std::string JobDuplex(std::string_view option, std::string_view mode = "") {
  const std::string scored =
      mode.empty() ? "" : ticket_test::Scored("psk:DuplexMode", StringValue(mode));
  return Feature("psk:JobDuplexAllDocumentsContiguously", Option(option, scored));
}
inline std::string DivideCondition(std::string_view condition) {
  return Property("ns0000:JobSettingData", Property("ns0000:DivideCondition", StringValue(condition)));
}

class OrderPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    PutString(bag_.Get(), u"PrinterName", kPrinter);
    PutUnknown(bag_.Get(), u"PerUserPrintTicket", MakeComObject<BytesStreamFactory, IUnknown>(TicketXml("")).Get());
  }
  void TearDown() override { UnregisterPrinter(kPrinter); }

  static ComPtr<IPartPrintTicket> Ticket(const std::string& body) {
    if (body.empty()) return nullptr;
    return MakeComObject<TestTicket, IPartPrintTicket>("/ticket.xml", ContentOf(TicketXml(body)));
  }
  void AddSequence(const std::string& ticket = "") {
    const auto sequence = MakeComObject<TestSequence>("/FixedDocumentSequence.fdseq", ContentOf(""));
    sequence->SetPrintTicket(Ticket(ticket).Get());
    provider_->Add(ComPtr<IUnknown>(sequence.Get()));
  }
  void AddDocument(const std::string& name, const std::string& ticket = "") {
    const auto document = MakeComObject<TestDocument>(name, ContentOf(""));
    document->SetPrintTicket(Ticket(ticket).Get());
    provider_->Add(ComPtr<IUnknown>(document.Get()));
  }
  // Page /p<number>.
  ComPtr<TestPage> AddPage(int number, const std::string& ticket = "", const std::string& markup = "") {
    const auto page = MakeComObject<TestPage>("/p" + std::to_string(number),
                                              ContentOf(markup.empty() ? PageMarkup(number) : markup));
    page->SetPrintTicket(Ticket(ticket).Get());
    pages_.push_back(page);
    provider_->Add(ComPtr<IUnknown>(page.Get()));
    return page;
  }
  // A sequence with the job ticket, one document and pages 1 to count.
  void AddJob(const std::string& jobTicket, int count) {
    AddSequence(jobTicket);
    AddDocument("/D1.fdoc");
    for (int number = 1; number <= count; ++number) AddPage(number);
  }

  HRESULT Run() {
    const auto communicator = MakeComObject<ScriptedCommunicator>(ComPtr<IUnknown>(provider_.Get()),
                                                                  ComPtr<IUnknown>(consumer_.Get()));
    const auto filter = ComPtr<OrderFilter>::Attach(new OrderFilter);
    EXPECT_EQ(filter->InitializeFilter(communicator.Get(), bag_.Get(), control_.Get()), S_OK);
    return filter->StartOperation();
  }
  // Page labels in arrival order: "1" ... "count".
  std::vector<std::string> SentPages() const { return consumer_->SentPages(); }

  // A new job: provider, consumer and pages.
  void Reset() {
    provider_ = MakeComObject<TestProvider>();
    consumer_ = MakeComObject<TestConsumer>();
    pages_.clear();
    journal_.Clear();
  }

  Journal journal_;
  ComPtr<TestProvider> provider_ = MakeComObject<TestProvider>();
  ComPtr<TestConsumer> consumer_ = MakeComObject<TestConsumer>();
  ComPtr<RecordingManagerControl> control_ = MakeComObject<RecordingManagerControl>(&journal_);
  ComPtr<MapPropertyBag> bag_ = MakeComObject<MapPropertyBag>();
  std::vector<ComPtr<TestPage>> pages_;
};

}  // namespace order_test
