// The filter base driven through a scripted pipeline: what the part loop
// sends, closes and reports, and in which order.
#include "framework/xps_filter_base.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "framework/filter_module.h"
#include "framework/ticket_flow_support.h"
#include "platform/gdiplus_testing.h"
#include "platform/library_loader.h"
#include "ticket/hresult_error.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A filter that writes what the base hands it into the journal and can be
// told to fail on a page.
class ProbeFilter final : public XpsFilterBase {
 public:
  struct PageCounters {
    ULONG in_document, seen, documents;
    bool operator==(const PageCounters&) const = default;
  };

  void Attach(Journal* journal) { journal_ = journal; }
  void FailPage(std::size_t page, HRESULT hr, bool as_exception = false) {
    failing_page_ = page;
    failure_ = hr;
    throw_failure_ = as_exception;
  }
  const std::vector<PageCounters>& pages() const { return pages_; }

  using XpsFilterBase::job_id;
  using XpsFilterBase::print_class_factory;
  using XpsFilterBase::printer_name;
  using XpsFilterBase::private_namespace;
  using XpsFilterBase::processing_enabled;

 protected:
  HRESULT ProcessFixedPage(IFixedPage* page) override {
    pages_.push_back({pages_in_document(), pages_seen(), documents_seen()});
    journal_->Add("process page " + PartName(page));
    if (pages_.size() == failing_page_) {
      if (throw_failure_) throw HResultError(failure_);
      return failure_;
    }
    return XpsFilterBase::ProcessFixedPage(page);
  }
  HRESULT FinishParts() override {
    journal_->Add("finish parts");
    return XpsFilterBase::FinishParts();
  }

 private:
  Journal* journal_ = nullptr;
  std::vector<PageCounters> pages_;
  std::size_t failing_page_ = 0;
  HRESULT failure_ = S_OK;
  bool throw_failure_ = false;
};

}  // namespace

// This test program is a filter module of its own.
constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{9C1D2E3F-4A5B-4C6D-8E7F-0A1B2C3D4E5F}"),
    MakeGuid("{8B0C1D2E-3F4A-4B5C-9D6E-7F8091A2B3C4}"),
    &CreateFilterObject<ProbeFilter>,
};

namespace {

const std::string kUserTicket = ticket_flow::Ticket(ticket_flow::Feature("PageOrientation", "Portrait"));

// Sets the graphics library up to fail for as long as it lives.
struct GdiplusUnavailable {
  GdiplusUnavailable() { SetGdiplusStartupFailureForTesting(Gdiplus::GenericError); }
  ~GdiplusUnavailable() { SetGdiplusStartupFailureForTesting(Gdiplus::Ok); }
};

class PartLoop : public ::testing::Test {
 public:
  PartLoop()
      : provider_(MakeComObject<ScriptedProvider>(&journal_)),
        consumer_(MakeComObject<RecordingConsumer>(&journal_)),
        control_(MakeComObject<RecordingManagerControl>(&journal_)),
        bag_(MakeComObject<MapPropertyBag>()) {
    ticket_flow::RegisterTestPrinter();
    Connect(provider_.Get(), consumer_.Get());
    PutString(bag_.Get(), u"PrinterName", u"Kestrel Test Printer");
    PutUInt(bag_.Get(), u"PrintJobId", 42);
    PutUnknown(bag_.Get(), u"PerUserPrintTicket", MakeComObject<BytesStreamFactory, IUnknown>(kUserTicket).Get());
    MakeFilter();
  }

  void MakeFilter() {
    filter_ = ComPtr<ProbeFilter>::Attach(new ProbeFilter);
    filter_->Attach(&journal_);
  }
  // A fresh job: empty journal, provider and filter.
  void Reset() {
    journal_.Clear();
    provider_ = MakeComObject<ScriptedProvider>(&journal_);
    Connect(provider_.Get(), consumer_.Get());
    MakeFilter();
  }
  void Connect(IUnknown* reader, IUnknown* writer) {
    communicator_ = MakeComObject<ScriptedCommunicator>(ComPtr<IUnknown>(reader), ComPtr<IUnknown>(writer));
  }
  HRESULT Initialize() { return filter_->InitializeFilter(communicator_.Get(), bag_.Get(), control_.Get()); }
  // Initialises and runs the filter on the scripted parts.
  HRESULT Run(const std::vector<std::string>& parts) {
    provider_->Script(parts);
    EXPECT_EQ(Initialize(), S_OK);
    return filter_->StartOperation();
  }
  std::vector<std::string> Journal() const { return journal_.Entries(); }

  ::Journal journal_;
  ComPtr<ScriptedProvider> provider_;
  ComPtr<RecordingConsumer> consumer_;
  ComPtr<RecordingManagerControl> control_;
  ComPtr<MapPropertyBag> bag_;
  ComPtr<ScriptedCommunicator> communicator_;
  ComPtr<ProbeFilter> filter_;
};

const std::vector<std::string> kTwoDocuments = {
    "xps",        "sequence /FixedDocumentSequence.fdseq", "document /D1.fdoc", "page /p1", "page /p2",
    "other /thumbnail.png", "page /p3", "document /D2.fdoc", "page /p4", "page /p5"};

TEST_F(PartLoop, PassesEveryPartOnInOrderAndCountsPages) {
  EXPECT_EQ(Run(kTwoDocuments), S_OK);
  EXPECT_THAT(Journal(),
              ElementsAre("get", "send xps", "get", "send sequence /FixedDocumentSequence.fdseq", "get",
                          "send document /D1.fdoc", "get", "process page /p1", "send page /p1", "get",
                          "process page /p2", "send page /p2", "get", "send other /thumbnail.png", "get",
                          "process page /p3", "send page /p3", "get", "send document /D2.fdoc", "get",
                          "process page /p4", "send page /p4", "get", "process page /p5", "send page /p5", "get",
                          "finish parts", "close", "finished"));
  using C = ProbeFilter::PageCounters;
  EXPECT_THAT(filter_->pages(), ElementsAre(C{1, 1, 1}, C{2, 2, 1}, C{3, 3, 1}, C{1, 4, 2}, C{2, 5, 2}));

  // The counters start again with the next run.
  Reset();
  EXPECT_EQ(Run({"document /D9.fdoc", "page /p9"}), S_OK);
  EXPECT_THAT(filter_->pages(), ElementsAre(C{1, 1, 1}));
}

TEST_F(PartLoop, EmptyJobStillFinishesClosesAndReports) {
  EXPECT_EQ(Run({}), S_OK);
  EXPECT_THAT(Journal(), ElementsAre("get", "finish parts", "close", "finished"));
}

TEST_F(PartLoop, ShutdownBeforeStartStopsAfterTheFirstPart) {
  provider_->Script(kTwoDocuments);
  ASSERT_EQ(Initialize(), S_OK);
  EXPECT_EQ(filter_->ShutdownOperation(), S_OK);
  EXPECT_EQ(filter_->ShutdownOperation(), S_OK);
  EXPECT_EQ(filter_->StartOperation(), S_OK);
  EXPECT_THAT(Journal(), ElementsAre("finished", "get", "finish parts", "close"));
}

TEST_F(PartLoop, ShutdownFromAnotherThreadWhileRunning) {
  // The pipeline stops the filter while it waits for its third part.
  provider_->BeforeCall(3, [this] { std::thread([this] { filter_->ShutdownOperation(); }).join(); });
  EXPECT_EQ(Run(kTwoDocuments), S_OK);
  EXPECT_THAT(Journal(), ElementsAre("get", "send xps", "get", "send sequence /FixedDocumentSequence.fdseq",
                                     "get", "finished", "finish parts", "close"));
}

TEST_F(PartLoop, FailureAfterShutdownIsNotReported) {
  provider_->BeforeCall(4, [this] { filter_->ShutdownOperation(); });
  provider_->FailCall(4, E_FAIL);
  EXPECT_EQ(Run(kTwoDocuments), S_OK);
  EXPECT_THAT(Journal(), ElementsAre("get", "send xps", "get", "send sequence /FixedDocumentSequence.fdseq", "get",
                                     "send document /D1.fdoc", "get", "finished", "close"));
}

TEST_F(PartLoop, HandlerFailureEndsTheLoopAndIsReportedOnce) {
  for (const bool as_exception : {false, true}) {
    SCOPED_TRACE(as_exception ? "thrown" : "returned");
    filter_->FailPage(2, E_FAIL, as_exception);
    EXPECT_EQ(Run(kTwoDocuments), E_FAIL);
    const std::vector<std::string> journal = Journal();
    const std::vector<std::string> tail(journal.end() - 5, journal.end());
    EXPECT_THAT(tail, ElementsAre("get", "process page /p2", "close", "shutdown E_FAIL (0x80004005)", "finished"));
    EXPECT_EQ(journal_.Count("get"), 5);  // nothing after the failing page
    EXPECT_EQ(journal_.Count("finish parts"), 0);
    Reset();
  }
}

TEST_F(PartLoop, ProviderFailureStillClosesTheSender) {
  provider_->FailCall(2, E_ACCESSDENIED);
  EXPECT_EQ(Run(kTwoDocuments), E_ACCESSDENIED);
  EXPECT_THAT(Journal(), ElementsAre("get", "send xps", "get", "close", "shutdown E_ACCESSDENIED (0x80070005)",
                                     "finished"));
}

TEST_F(PartLoop, SenderThatCannotCloseFailsTheJob) {
  consumer_->FailClose(E_OUTOFMEMORY);
  EXPECT_EQ(Run({"xps"}), E_OUTOFMEMORY);
  EXPECT_THAT(Journal(), ElementsAre("get", "send xps", "get", "finish parts", "close",
                                     "shutdown E_OUTOFMEMORY (0x8007000E)", "finished"));
}

TEST_F(PartLoop, MissingUserTicketIsReportedAndNothingIsClosed) {
  bag_->DeleteProperty(u"PerUserPrintTicket");
  EXPECT_EQ(Run(kTwoDocuments), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_THAT(Journal(), ElementsAre("shutdown HRESULT_FROM_WIN32(ERROR_NOT_FOUND) (0x80070490)", "finished"));
}

TEST_F(PartLoop, UserTicketFailures) {
  struct Case {
    const char* what;
    std::function<void(MapPropertyBag*)> change;
    HRESULT expected;
  };
  const Case cases[] = {
      {"ticket property is not an interface",
       [](MapPropertyBag* bag) { PutUInt(bag, u"PerUserPrintTicket", 1); }, E_FAIL},
      {"ticket property is no stream factory",
       [](MapPropertyBag* bag) { PutUnknown(bag, u"PerUserPrintTicket", MakeComObject<MapPropertyBag, IUnknown>().Get()); },
       E_NOINTERFACE},
      {"empty printer name", [](MapPropertyBag* bag) { PutString(bag, u"PrinterName", u""); }, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bag_ = MakeComObject<MapPropertyBag>();
    PutString(bag_.Get(), u"PrinterName", u"Kestrel Test Printer");
    PutUnknown(bag_.Get(), u"PerUserPrintTicket", MakeComObject<BytesStreamFactory, IUnknown>(kUserTicket).Get());
    c.change(bag_.Get());
    Reset();
    ASSERT_EQ(filter_->InitializeFilter(communicator_.Get(), bag_.Get(), control_.Get()), S_OK);
    EXPECT_EQ(filter_->StartOperation(), c.expected);
    EXPECT_THAT(Journal(), ElementsAre("shutdown " + HresultName(c.expected), "finished"));
  }
}

TEST_F(PartLoop, ConnectionFailuresAreReportedOnceWithoutClosing) {
  struct Case {
    const char* what;
    std::function<void(PartLoop*)> change;
    HRESULT expected;
  };
  const Case cases[] = {
      {"no reader", [](PartLoop* t) { t->communicator_->FailReader(E_ACCESSDENIED); }, E_ACCESSDENIED},
      {"no writer", [](PartLoop* t) { t->communicator_->FailWriter(E_HANDLE); }, E_HANDLE},
      {"reader is no provider", [](PartLoop* t) { t->Connect(t->consumer_.Get(), t->consumer_.Get()); }, E_FAIL},
      {"writer is no consumer", [](PartLoop* t) { t->Connect(t->provider_.Get(), t->provider_.Get()); }, E_FAIL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    c.change(this);
    ASSERT_EQ(Initialize(), S_OK);
    EXPECT_EQ(filter_->StartOperation(), c.expected);
    EXPECT_THAT(Journal(), ElementsAre("shutdown " + HresultName(c.expected), "finished"));
  }
}

TEST_F(PartLoop, WithoutGraphicsEveryPartPassesUnprocessed) {
  {
    GdiplusUnavailable unavailable;
    MakeFilter();
  }
  EXPECT_FALSE(filter_->processing_enabled());
  EXPECT_EQ(Run(kTwoDocuments), S_OK);
  const std::vector<std::string> journal = Journal();
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(), [](const std::string& e) { return e.starts_with("send"); }),
            10);
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                          [](const std::string& e) { return e.starts_with("process"); }),
            0);
  EXPECT_THAT(std::vector(journal.end() - 3, journal.end()), ElementsAre("finish parts", "close", "finished"));
}

TEST_F(PartLoop, InitializeFilterKeepsWhatThePropertyBagOffers) {
  PutUnknown(bag_.Get(), u"PrintClassFactory", MakeComObject<StubPrintClassFactory, IUnknown>().Get());
  ASSERT_EQ(Initialize(), S_OK);
  EXPECT_EQ(std::u16string_view(filter_->printer_name()), u"Kestrel Test Printer");
  EXPECT_EQ(filter_->job_id(), 42u);
  EXPECT_NE(filter_->print_class_factory(), nullptr);
  EXPECT_TRUE(filter_->processing_enabled());
  EXPECT_TRUE(std::u16string_view(filter_->private_namespace()).ends_with(u"/kestrel/printing/2006/11/printschemakeywords"));
}

TEST_F(PartLoop, InitializeFilterArguments) {
  EXPECT_EQ(filter_->InitializeFilter(communicator_.Get(), nullptr, control_.Get()), E_POINTER);
  EXPECT_EQ(filter_->InitializeFilter(nullptr, bag_.Get(), control_.Get()), E_POINTER);
  EXPECT_THAT(Journal(), ElementsAre());  // no control held yet: nobody to tell
  ASSERT_EQ(Initialize(), S_OK);
  EXPECT_EQ(filter_->InitializeFilter(communicator_.Get(), bag_.Get(), nullptr), E_POINTER);
  EXPECT_THAT(Journal(), ElementsAre("shutdown E_POINTER (0x80004003)"));

  // The printer name decides the result; the other properties are optional.
  auto bare = MakeComObject<MapPropertyBag>();
  EXPECT_EQ(filter_->InitializeFilter(communicator_.Get(), bare.Get(), control_.Get()),
            HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  PutUInt(bare.Get(), u"PrinterName", 7);
  EXPECT_EQ(filter_->InitializeFilter(communicator_.Get(), bare.Get(), control_.Get()), E_INVALIDARG);
  PutString(bare.Get(), u"PrinterName", u"P");
  PutString(bare.Get(), u"PrintJobId", u"not a number");
  EXPECT_EQ(filter_->InitializeFilter(communicator_.Get(), bare.Get(), control_.Get()), S_OK);
  EXPECT_EQ(filter_->job_id(), 42u);  // kept from before
}

TEST_F(PartLoop, FilterFinishedOncePerJob) {
  EXPECT_EQ(Run({"xps"}), S_OK);
  EXPECT_EQ(filter_->ShutdownOperation(), S_OK);  // after the end of the job
  filter_ = nullptr;
  EXPECT_EQ(journal_.Count("finished"), 1);

  // Released without running: the filter reports its end itself.
  Reset();
  ASSERT_EQ(Initialize(), S_OK);
  filter_ = nullptr;
  EXPECT_THAT(Journal(), ElementsAre("finished"));
}

TEST_F(PartLoop, DefaultOperationsRefuseNullParts) {
  class Direct final : public XpsFilterBase {
   public:
    std::vector<HRESULT> CallWithNull() {
      return {ProcessFixedPage(nullptr), ProcessFixedDocument(nullptr), ProcessFixedDocumentSequence(nullptr),
              ProcessXpsDocument(nullptr)};
    }
    HRESULT ConnectWithoutCommunicator() { return ConnectPipeline(); }
    HRESULT LoadWithoutBag() { return LoadUserPrintTicket(); }
  };
  auto direct = ComPtr<Direct>::Attach(new Direct);
  EXPECT_THAT(direct->CallWithNull(), ElementsAreArray({E_POINTER, E_POINTER, E_POINTER, E_POINTER}));
  EXPECT_EQ(direct->ConnectWithoutCommunicator(), E_PENDING);
  EXPECT_EQ(direct->LoadWithoutBag(), E_PENDING);
}

// The module state of this program, attached when it loaded.
TEST(FilterModule, AttachedAtLoadAndCountsLiveFilters) {
  WCHAR path[4096];
  const DWORD n = GetModuleFileNameW(ThisModuleHandle(), path, 4096);
  ASSERT_GT(n, 0u);
  WCHAR program[4096];
  const DWORD m = GetModuleFileNameW(nullptr, program, 4096);
  EXPECT_EQ(std::u16string_view(path, n), std::u16string_view(program, m));

  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  IPrintPipelineFilter* filter = nullptr;
  ASSERT_EQ(DllGetClassObject(kThisFilterModule.class_id, IID_IPrintPipelineFilter, reinterpret_cast<void**>(&filter)),
            S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  filter->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
