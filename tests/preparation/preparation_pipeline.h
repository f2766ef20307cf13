// A preparation filter in a pipeline the test scripts: pages with markup and
// tickets of their own that record what is written over them and which parts
// they are given, a consumer that records what it is sent and makes the new
// parts the filter asks for, and the reference printer behind the filter's
// ticket manager.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "filters/preparation/preparation_filter.h"
#include "framework/recording_write_stream.h"
#include "framework/scripted_pipeline.h"
#include "platform/part_content.h"
#include "platform/print_ticket_provider.h"
#include "ticket/ticket_documents.h"

namespace preparation_test {

using ticket_test::Feature;
using ticket_test::IntValue;
using ticket_test::Option;
using ticket_test::Property;
using ticket_test::Scored;
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

class TestFont final : public TestPart<IPartFont> {
 public:
  using TestPart::TestPart;
  HRESULT GetFontProperties(BSTR*, EXpsFontOptions*) override { return E_NOTIMPL; }
  HRESULT SetFontContent(BSTR) override { return S_OK; }
  HRESULT SetFontOptions(EXpsFontOptions) override { return S_OK; }
};

template <typename I>
class TestTicketedPart : public TestPart<I> {
 public:
  using TestPart<I>::TestPart;
  HRESULT GetPrintTicket(IPartPrintTicket** ticket) override {
    *ticket = nullptr;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    *ticket = ComPtr<IPartPrintTicket>(ticket_).Detach();
    return S_OK;
  }
  HRESULT SetPrintTicket(IPartPrintTicket* ticket) override {
    ticket_ = ComPtr<IPartPrintTicket>(ticket);
    return S_OK;
  }
  // The ticket's text, or "" without one.
  std::string TicketText() const { return ticket_ ? static_cast<TestTicket*>(ticket_.Get())->Bytes() : ""; }
  std::string TicketName() const { return ticket_ ? static_cast<TestTicket*>(ticket_.Get())->uri() : ""; }

 private:
  ComPtr<IPartPrintTicket> ticket_;
};

// A page whose markup a write stream replaces; what is written is recorded.
class TestPage final : public TestTicketedPart<IFixedPage> {
 public:
  using TestTicketedPart::TestTicketedPart;
  HRESULT GetPagePart(LPCWSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetPagePart(IUnknown* part) override {
    pageParts_.push_back(ComPtr<IUnknown>(part));
    return S_OK;
  }
  HRESULT DeleteResource(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT GetXpsPartIterator(IXpsPartIterator**) override { return E_NOTIMPL; }
  // Like the host's pages, a page whose markup is being replaced reads as the
  // new markup: the old one is gone.
  HRESULT GetStream(IPrintReadStream** stream) override {
    return written_ ? E_ACCESSDENIED : TestTicketedPart::GetStream(stream);
  }
  HRESULT GetWriteStream(IPrintWriteStream** stream) override {
    written_ = MakeComObject<RecordingWriteStream>();
    if (failingWrite_ >= 0) written_->FailCall(static_cast<std::size_t>(failingWrite_), E_FAIL);
    *stream = ComPtr<IPrintWriteStream>(static_cast<IPrintWriteStream*>(written_.Get())).Detach();
    return S_OK;
  }
  // The write call with that index fails.
  void FailWrite(int index) { failingWrite_ = index; }
  // The rewritten markup, or NULL when the page was not rewritten.
  const RecordingWriteStream* written() const { return written_.Get(); }
  const std::vector<ComPtr<IUnknown>>& page_parts() const { return pageParts_; }

 private:
  ComPtr<RecordingWriteStream> written_;
  std::vector<ComPtr<IUnknown>> pageParts_;
  int failingWrite_ = -1;
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

// Records every part sent by its name and keeps the tickets and fonts it made.
class TestConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  HRESULT SendXpsUnknown(IUnknown*) override { return Record("other"); }
  HRESULT SendXpsDocument(IXpsDocument*) override { return Record("xps"); }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence* sequence) override { return Record(NameOf(sequence)); }
  HRESULT SendFixedDocument(IFixedDocument* document) override { return Record(NameOf(document)); }
  HRESULT SendFixedPage(IFixedPage* page) override { return Record(NameOf(page)); }
  HRESULT CloseSender() override { return S_OK; }
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override {
    const std::string name = U8(uri);
    if (tickets_.contains(name) || fonts_.contains(name)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    std::shared_ptr<PartContent> content = CreatePartContent();
    HRESULT hr = content->OpenWriter(stream);
    if (FAILED(hr)) return hr;
    if (riid == IID_IPartPrintTicket) {
      const auto ticket = MakeComObject<TestTicket>(name, content);
      tickets_[name] = ticket;
      return ticket->QueryInterface(riid, part);
    }
    if (riid == IID_IPartFont) {
      const auto font = MakeComObject<TestFont>(name, content);
      fonts_[name] = font;
      return font->QueryInterface(riid, part);
    }
    return E_NOINTERFACE;
  }

  const std::vector<std::string>& sent() const { return sent_; }
  const std::map<std::string, ComPtr<TestTicket>>& tickets() const { return tickets_; }
  const std::map<std::string, ComPtr<TestFont>>& fonts() const { return fonts_; }

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
  std::map<std::string, ComPtr<TestTicket>> tickets_;
  std::map<std::string, ComPtr<TestFont>> fonts_;
};

inline constexpr char16_t kPrinter[] = u"Kestrel InkJet MFP";

// A fixed page of Letter size with some content.
inline std::string PageMarkup(int number) {
  return "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"816\" Height=\"1056\" "
         "xml:lang=\"en-US\"><Path Data=\"M 0,0 L " +
         std::to_string(number) + ",10 Z\" Fill=\"#FF000000\"/></FixedPage>";
}

// Ticket deltas.
inline std::string Scaling(std::string_view option, std::string_view content = "") {
  return Feature("psk:PageScaling", Option(option, content));
}
inline std::string FitToPaper(std::string_view paper, long width, long height) {
  return Scaling("ns0000:FitToPaper",
                 Feature("ns0000:FitMediaSize", Option(paper, Scored("psk:FitMediaSizeWidth", IntValue(width)) +
                                                                  Scored("psk:FitMediaSizeHeight", IntValue(height)))));
}
inline std::string CorrectFixedPageSize() {
  return Property("ns0000:PageScalingData", Property("ns0000:CorrectFixedPageSize", StringValue("On")));
}

class PreparationPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    PutString(bag_.Get(), u"PrinterName", kPrinter);
    SetUserTicket("");
  }
  void TearDown() override { UnregisterPrinter(kPrinter); }

  void SetUserTicket(const std::string& body) {
    PutUnknown(bag_.Get(), u"PerUserPrintTicket", MakeComObject<BytesStreamFactory, IUnknown>(TicketXml(body)).Get());
  }
  static ComPtr<IPartPrintTicket> Ticket(const std::string& body) {
    if (body.empty()) return nullptr;
    return MakeComObject<TestTicket, IPartPrintTicket>("/ticket.xml", ContentOf(TicketXml(body)));
  }
  ComPtr<TestSequence> AddSequence(const std::string& ticket = "") {
    const auto sequence = MakeComObject<TestSequence>("/FixedDocumentSequence.fdseq", ContentOf(""));
    sequence->SetPrintTicket(Ticket(ticket).Get());
    provider_->Add(ComPtr<IUnknown>(sequence.Get()));
    return sequence;
  }
  ComPtr<TestDocument> AddDocument(const std::string& name, const std::string& ticket = "") {
    const auto document = MakeComObject<TestDocument>(name, ContentOf(""));
    document->SetPrintTicket(Ticket(ticket).Get());
    provider_->Add(ComPtr<IUnknown>(document.Get()));
    return document;
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

  HRESULT Run() {
    const auto communicator = MakeComObject<ScriptedCommunicator>(ComPtr<IUnknown>(provider_.Get()),
                                                                  ComPtr<IUnknown>(consumer_.Get()));
    const auto filter = ComPtr<PreparationFilter>::Attach(new PreparationFilter);
    EXPECT_EQ(filter->InitializeFilter(communicator.Get(), bag_.Get(), control_.Get()), S_OK);
    return filter->StartOperation();
  }

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

}  // namespace preparation_test
