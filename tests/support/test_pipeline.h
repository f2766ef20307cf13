// The fake pipeline every filter test runs its filter object in.
//
// A filter test scripts a job as parts (test_parts.h) handed out in order by
// a ScriptedProvider, runs the filter with RunFilter (or a TestPipeline, which
// owns one of everything), and inspects what came out:
//
//   TestPipeline pipeline;
//   pipeline.provider->Add(TicketedPart<TestSequence>("/seq.fdseq", TicketXml(jobFeatures)));
//   pipeline.provider->Add(TicketedPart<TestDocument>("/D1.fdoc", ""));
//   pipeline.provider->Add(TicketedPart<TestPage>("/p1", "", ContentOf(markup)));
//   PutString(pipeline.bag.Get(), u"PrinterName", printer);
//   EXPECT_EQ(pipeline.Run(MakeComObject<MyFilter, IPrintPipelineFilter>().Get()), S_OK);
//   EXPECT_THAT(pipeline.consumer->sent(), ElementsAre("/seq.fdseq", "/D1.fdoc", "/p1"));
//
// The RecordingConsumer keeps the name of every part sent (and, with a
// Journal, "send <kind> <name>" entries in order with the provider's "get"
// and the manager control's calls); the new parts a filter asks it for are
// readable test parts whose bytes went through a RecordingWriteStream. Each
// fake can be told to fail the way the real one may.
#pragma once

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_object.h"
#include "platform/filter_pipeline.h"
#include "platform/part_content.h"
#include "platform/variant.h"
#include "recording_write_stream.h"
#include "test_parts.h"

// What happened, in order; several threads may write.
class Journal {
 public:
  void Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }
  int Count(const std::string& entry) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(entries_.begin(), entries_.end(), entry));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};

// Hands out the parts it was given, then NULL (the end of the job).
class ScriptedProvider final : public ComObject<IXpsDocumentProvider> {
 public:
  explicit ScriptedProvider(Journal* journal = nullptr) : journal_(journal) {}

  void Add(ComPtr<IUnknown> part) { parts_.push_back(std::move(part)); }
  template <typename Part>
  void Add(const ComPtr<Part>& part) {
    ComPtr<IUnknown> unknown;
    part->QueryInterface(IID_IUnknown, unknown.PutVoid());
    Add(std::move(unknown));
  }
  // Parts as MakePart specs.
  void Script(const std::vector<std::string>& specs) {
    for (const std::string& spec : specs) Add(MakePart(spec));
  }
  // The n-th call (from 1) fails with hr instead of answering.
  void FailCall(int n, HRESULT hr) {
    failing_call_ = n;
    failure_ = hr;
  }
  // Runs before the n-th call is answered.
  void BeforeCall(int n, std::function<void()> action) {
    action_call_ = n;
    action_ = std::move(action);
  }

  HRESULT GetXpsPart(IUnknown** part) override {
    if (journal_) journal_->Add("get");
    ++calls_;
    if (calls_ == action_call_) action_();
    *part = nullptr;
    if (calls_ == failing_call_) return failure_;
    if (next_ < parts_.size()) *part = ComPtr<IUnknown>(parts_[next_++]).Detach();
    return S_OK;
  }

 private:
  Journal* journal_;
  std::vector<ComPtr<IUnknown>> parts_;
  std::size_t next_ = 0;
  int calls_ = 0;
  int failing_call_ = 0;
  HRESULT failure_ = S_OK;
  int action_call_ = 0;
  std::function<void()> action_;
};

// One part the consumer made on request.
struct NewPart {
  std::u16string name;
  ComPtr<RecordingWriteStream> stream;  // what the filter wrote into it
};

// Records every part sent and makes the new pages and print tickets a filter
// asks for, refusing names the job already has.
class RecordingConsumer final : public ComObject<IXpsDocumentConsumer> {
 public:
  explicit RecordingConsumer(Journal* journal = nullptr) : journal_(journal) {}

  void FailClose(HRESULT hr) { close_result_ = hr; }
  // The n-th page sent (from 1) fails with hr.
  void FailPageSend(int n, HRESULT hr) {
    failing_page_ = n;
    page_failure_ = hr;
  }
  // The next count requests for new parts fail with hr, requests for pages
  // only when pagesOnly; a name in use is what a job answers most often.
  void RefuseNewParts(int count, HRESULT hr = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS), bool pagesOnly = false) {
    refusals_ = count;
    refusal_ = hr;
    refuse_pages_only_ = pagesOnly;
  }
  void RefusePageNames(int count) { RefuseNewParts(count, HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS), true); }
  // What every new part's stream is told (see RecordingWriteStream).
  void FailNewPartWrite(std::size_t index, HRESULT hr) {
    fail_write_at_ = index;
    write_failure_ = hr;
  }
  void TakeAtMost(ULONG limit) { take_at_most_ = limit; }

  HRESULT SendXpsUnknown(IUnknown* part) override { return Record("other", "other", part); }
  HRESULT SendXpsDocument(IXpsDocument* document) override { return Record("xps", "xps", document); }
  HRESULT SendFixedDocumentSequence(IFixedDocumentSequence* sequence) override {
    return Record("sequence", PartName(sequence), sequence);
  }
  HRESULT SendFixedDocument(IFixedDocument* document) override {
    return Record("document", PartName(document), document);
  }
  HRESULT SendFixedPage(IFixedPage* page) override {
    if (++pages_sent_ == failing_page_) return page_failure_;
    return Record("page", PartName(page), page);
  }
  HRESULT CloseSender() override {
    if (journal_) journal_->Add("close");
    return close_result_;
  }
  HRESULT GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override;

  // Names of the parts sent, in order: the URI, "xps" for the package and
  // "other" for a part of no known kind.
  const std::vector<std::string>& sent() const { return sent_; }
  // Every name asked for, refused or not.
  const std::vector<std::u16string>& requested() const { return requested_; }
  const std::vector<NewPart>& newParts() const { return new_parts_; }
  const std::map<std::string, ComPtr<TestPage>>& newPages() const { return new_pages_; }
  const std::map<std::string, ComPtr<TestTicket>>& newTickets() const { return new_tickets_; }
  // The names of the new pages in the order they were made.
  const std::vector<std::string>& newPageOrder() const { return new_page_order_; }

 private:
  HRESULT Record(const std::string& kind, std::string name, IUnknown* part) {
    if (journal_) journal_->Add(kind == "xps" ? "send xps" : "send " + kind + " " + PartName(part));
    sent_.push_back(std::move(name));
    return S_OK;
  }

  Journal* journal_;
  HRESULT close_result_ = S_OK;
  int pages_sent_ = 0;
  int failing_page_ = 0;
  HRESULT page_failure_ = S_OK;
  int refusals_ = 0;
  HRESULT refusal_ = S_OK;
  bool refuse_pages_only_ = false;
  std::size_t fail_write_at_ = std::numeric_limits<std::size_t>::max();
  HRESULT write_failure_ = S_OK;
  ULONG take_at_most_ = std::numeric_limits<ULONG>::max();
  std::vector<std::string> sent_;
  std::vector<std::u16string> requested_;
  std::vector<NewPart> new_parts_;
  std::map<std::string, ComPtr<TestPage>> new_pages_;
  std::map<std::string, ComPtr<TestTicket>> new_tickets_;
  std::vector<std::string> new_page_order_;
};

inline HRESULT RecordingConsumer::GetNewEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) {
  *part = nullptr;
  *stream = nullptr;
  const std::u16string wide(uri);
  requested_.push_back(wide);
  const std::string name = U8(wide);
  if (new_pages_.contains(name) || new_tickets_.contains(name)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  if (refusals_ > 0 && (!refuse_pages_only_ || riid == IID_IFixedPage)) {
    --refusals_;
    return refusal_;
  }
  if (riid != IID_IFixedPage && riid != IID_IPartPrintTicket) return E_NOINTERFACE;
  std::shared_ptr<PartContent> content = CreatePartContent();
  ComPtr<IPrintWriteStream> contentWriter;
  const HRESULT hr = content->OpenWriter(contentWriter.Put());
  if (FAILED(hr)) return hr;
  const auto recorder = MakeComObject<RecordingWriteStream>(std::move(contentWriter));
  recorder->FailCall(fail_write_at_, write_failure_);
  recorder->TakeAtMost(take_at_most_);
  new_parts_.push_back({wide, recorder});
  *stream = ComPtr<IPrintWriteStream>(recorder.Get()).Detach();
  if (riid == IID_IFixedPage) {
    const auto page = MakeComObject<TestPage>(name, content);
    new_pages_[name] = page;
    new_page_order_.push_back(name);
    return page->QueryInterface(riid, part);
  }
  const auto ticket = MakeComObject<TestTicket>(name, content);
  new_tickets_[name] = ticket;
  return ticket->QueryInterface(riid, part);
}

class RecordingManagerControl final : public ComObject<IPrintPipelineManagerControl> {
 public:
  explicit RecordingManagerControl(Journal* journal) : journal_(journal) {}
  HRESULT RequestShutdown(HRESULT reason, IUnknown*) override {
    journal_->Add("shutdown " + HresultName(reason));
    return S_OK;
  }
  HRESULT FilterFinished() override {
    journal_->Add("finished");
    return S_OK;
  }

 private:
  Journal* journal_;
};

class ScriptedCommunicator final : public ComObject<IInterFilterCommunicator> {
 public:
  ScriptedCommunicator(ComPtr<IUnknown> reader, ComPtr<IUnknown> writer)
      : reader_(std::move(reader)), writer_(std::move(writer)) {}
  void FailReader(HRESULT hr) { reader_result_ = hr; }
  void FailWriter(HRESULT hr) { writer_result_ = hr; }

  HRESULT RequestReader(void** reader) override { return Hand(reader_, reader_result_, reader); }
  HRESULT RequestWriter(void** writer) override { return Hand(writer_, writer_result_, writer); }

 private:
  static HRESULT Hand(const ComPtr<IUnknown>& object, HRESULT result, void** out) {
    *out = nullptr;
    if (FAILED(result)) return result;
    *out = ComPtr<IUnknown>(object).Detach();
    return S_OK;
  }
  ComPtr<IUnknown> reader_, writer_;
  HRESULT reader_result_ = S_OK, writer_result_ = S_OK;
};

class MapPropertyBag final : public ComObject<IPrintPipelinePropertyBag> {
 public:
  HRESULT AddProperty(LPCWSTR name, const VARIANT* value) override {
    return VariantCopy(properties_[name].Get(), value);
  }
  HRESULT GetProperty(LPCWSTR name, VARIANT* value) override {
    const auto found = properties_.find(name);
    if (found == properties_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return VariantCopy(value, found->second.Get());
  }
  BOOL DeleteProperty(LPCWSTR name) override { return properties_.erase(name) ? TRUE : FALSE; }

 private:
  std::map<std::u16string, Variant> properties_;
};

// The per-user ticket property: a factory of streams over fixed bytes.
class BytesStreamFactory final : public ComObject<IPrintReadStreamFactory> {
 public:
  explicit BytesStreamFactory(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT GetStream(IPrintReadStream** stream) override {
    return CreateReadStreamOnBytes(std::vector<BYTE>(bytes_.begin(), bytes_.end()), stream);
  }

 private:
  std::string bytes_;
};

class StubPrintClassFactory final : public ComObject<IPrintClassObjectFactory> {
 public:
  HRESULT GetPrintClassObject(LPCWSTR, REFIID, void** object) override {
    *object = nullptr;
    return E_NOTIMPL;
  }
};

inline void PutString(IPrintPipelinePropertyBag* bag, LPCWSTR name, std::u16string_view text) {
  Variant value;
  value->vt = VT_BSTR;
  value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  bag->AddProperty(name, value.Get());
}

inline void PutUnknown(IPrintPipelinePropertyBag* bag, LPCWSTR name, IUnknown* object) {
  Variant value;
  value->vt = VT_UNKNOWN;
  value->punkVal = object;
  object->AddRef();
  bag->AddProperty(name, value.Get());
}

inline void PutUInt(IPrintPipelinePropertyBag* bag, LPCWSTR name, ULONG number) {
  Variant value;
  value->vt = VT_UI4;
  value->ulVal = number;
  bag->AddProperty(name, value.Get());
}

// Initialises filter on a communicator over provider and consumer.
inline HRESULT InitializeFilterOn(IPrintPipelineFilter* filter, IXpsDocumentProvider* provider,
                                  IXpsDocumentConsumer* consumer, IPrintPipelinePropertyBag* bag,
                                  IPrintPipelineManagerControl* control) {
  const auto communicator = MakeComObject<ScriptedCommunicator>(ComPtr<IUnknown>(provider), ComPtr<IUnknown>(consumer));
  return filter->InitializeFilter(communicator.Get(), bag, control);
}

// Initialises and runs filter: the result of StartOperation, or that of
// InitializeFilter when it fails.
inline HRESULT RunFilter(IPrintPipelineFilter* filter, IXpsDocumentProvider* provider, IXpsDocumentConsumer* consumer,
                         IPrintPipelinePropertyBag* bag, IPrintPipelineManagerControl* control) {
  const HRESULT hr = InitializeFilterOn(filter, provider, consumer, bag, control);
  if (FAILED(hr)) return hr;
  return filter->StartOperation();
}

// One job's pipeline, every fake sharing one journal.
struct TestPipeline {
  Journal journal;
  ComPtr<ScriptedProvider> provider = MakeComObject<ScriptedProvider>(&journal);
  ComPtr<RecordingConsumer> consumer = MakeComObject<RecordingConsumer>(&journal);
  ComPtr<RecordingManagerControl> control = MakeComObject<RecordingManagerControl>(&journal);
  ComPtr<MapPropertyBag> bag = MakeComObject<MapPropertyBag>();

  HRESULT Run(IPrintPipelineFilter* filter) {
    return RunFilter(filter, provider.Get(), consumer.Get(), bag.Get(), control.Get());
  }
};
