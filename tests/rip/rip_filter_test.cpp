// The rip filter in a scripted pipeline with the recording converter: what
// it reports, what it reads from the property bag, and the output it writes.
#include "filters/rip/rip_filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "framework/filter_module.h"
#include "host/pipeline/print_notifications.h"
#include "host/print_ui/print_ui_request.h"
#include "platform/spooler.h"
#include "recording_write_stream.h"
#include "test_pipeline.h"
#include "tests/host/host_test_support.h"
#include "tests/rip/rip_test_parts.h"
#include "tests/ticket/ticket_documents.h"

// This test program is a filter module of its own.
constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{4048888E-2F5E-491B-9AF4-5963D0011F0F}"),
    MakeGuid("{70EADFF1-3577-4A36-B037-297EB87A51C0}"),
    &CreateFilterObject<RipFilter>,
};

namespace {

namespace fs = std::filesystem;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::ScratchDir;
using ::testing::ElementsAre;

constexpr char16_t kPrinter[] = u"Rip test printer";
constexpr DWORD kJob = 42;

class RecordingProgress final : public ComObject<IPrintPipelineProgressReport> {
 public:
  HRESULT ReportProgress(EXpsJobConsumption update) override {
    updates.push_back(update);
    return S_OK;
  }
  std::vector<int> updates;
};

std::string PageMarkup() {
  return std::string("<FixedPage xmlns=\"") + rip_test::kXpsNamespace +
         "\" Width=\"816\" Height=\"1056\"><Path Data=\"M 0,0 L 1,1\"/></FixedPage>";
}

class RipFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bstr message;
    ASSERT_EQ(RegisterPrinter(kPrinter, KESTREL_REFERENCE_PRINTER, message.Put()), S_OK);
    SetPrinterDriverDirectory(Utf8ToUtf16(KESTREL_RECORDING_CONVERTER_DIR).value());
    AddSpoolerJob(kPrinter, kJob, u"report.xps");
    setenv("KESTREL_RECORDER_LOG", (scratch_ / "log").c_str(), 1);
    PutString(bag_.Get(), u"PrinterName", kPrinter);
    PutUInt(bag_.Get(), u"PrintJobId", kJob);
    PutUnknown(bag_.Get(), u"PerUserPrintTicket",
               MakeComObject<BytesStreamFactory, IUnknown>(ticket_test::TicketXml("")).Get());
    PutUnknown(bag_.Get(), u"ProgressReport", progress_.Get());
    provider_->Script({"sequence /s.fdseq", "document /d1.fdoc"});
  }
  void TearDown() override {
    unsetenv("KESTREL_RECORDER_LOG");
    RemoveSpoolerJob(kPrinter, kJob);
    UnregisterPrinter(kPrinter);
  }

  void AddPage(const std::string& name) {
    provider_->Add(MakeComObject<TestPage>(name, ContentOf(PageMarkup())));
  }
  HRESULT Run() {
    const auto communicator = MakeComObject<ScriptedCommunicator>(ComPtr<IUnknown>(provider_.Get()),
                                                                  ComPtr<IUnknown>(output_.Get()));
    const auto filter = ComPtr<RipFilter>::Attach(new RipFilter);
    EXPECT_EQ(filter->InitializeFilter(communicator.Get(), bag_.Get(), control_.Get()), S_OK);
    return filter->StartOperation();
  }
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : rip_test::ReadLines(scratch_ / "log"))
      if (line.starts_with(prefix)) lines.push_back(line);
    return lines;
  }

  ScratchDir scratch_;
  Journal journal_;
  ComPtr<ScriptedProvider> provider_ = MakeComObject<ScriptedProvider>(&journal_);
  ComPtr<RecordingWriteStream> output_ = MakeComObject<RecordingWriteStream>();
  ComPtr<RecordingManagerControl> control_ = MakeComObject<RecordingManagerControl>(&journal_);
  ComPtr<MapPropertyBag> bag_ = MakeComObject<MapPropertyBag>();
  ComPtr<RecordingProgress> progress_ = MakeComObject<RecordingProgress>();
};

TEST_F(RipFilterTest, ConvertsEveryPageReportsProgressAndClosesTheOutput) {
  AddPage("/p1.fpage");
  AddPage("/p2.fpage");
  EXPECT_EQ(Run(), S_OK);
  EXPECT_THAT(progress_->updates, ElementsAre(0, 1, 2, 2));
  // The progress object is the pipeline's for this call only.
  Variant gone;
  EXPECT_EQ(bag_->GetProperty(u"ProgressReport", gone.Get()), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_TRUE(output_->closed);
  EXPECT_EQ(output_->bytes, ReadFile(scratch_ / "log"));
  EXPECT_EQ(journal_.Count("finished"), 1);
  EXPECT_EQ(journal_.Count("shutdown E_FAIL"), 0);
  const std::vector<std::string> opened = Logged("PrnCtrlOpen ");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_THAT(opened[0], ::testing::HasSubstr("encoder= size=1548 printer=Rip test printer document=report.xps job=42"));
  EXPECT_EQ(Logged("DevModeSet ").size(), 2u);
}

TEST_F(RipFilterTest, OutputSettingsComeFromThePropertyBag) {
  struct Case {
    const char* label;
    std::vector<std::pair<const char16_t*, LONG>> properties;
    std::string device;  // the values after the resolution
  };
  const Case cases[] = {
      {"defaults", {}, "2 0 4 100 279400 279400 3 3 8"},
      {"two planes give code 3, an odd portrait angle code 2",
       {{u"OutputPlanes", 2}, {u"PortraitRotation", 45}, {u"OutputBitsPixel", 16}},
       "2 0 4 100 279400 279400 3 2 16"},
      {"one plane, portrait turned 180 degrees", {{u"OutputPlanes", 1}, {u"PortraitRotation", 180}},
       "4 0 4 100 279400 279400 1 1 8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    provider_ = MakeComObject<ScriptedProvider>(&journal_);
    provider_->Script({"sequence /s.fdseq", "document /d1.fdoc"});
    AddPage("/p1.fpage");
    for (const auto& [name, value] : c.properties) {
      Variant number;
      number->vt = VT_I4;
      number->lVal = value;
      bag_->AddProperty(name, number.Get());
    }
    EXPECT_EQ(Run(), S_OK);
    EXPECT_THAT(Logged("XpsSetPageDevice "),
                ElementsAre("XpsSetPageDevice 1 1 215900 279400 0 0 215900 279400 600 600 " + c.device));
    for (const auto& [name, value] : c.properties) bag_->DeleteProperty(name);
  }
}

TEST_F(RipFilterTest, WithoutThePrinterControlLibraryTheJobFailsNamingIt) {
  ScratchDir empty;
  SetPrinterDriverDirectory(Utf8ToUtf16(empty.Path().string()).value());
  AddPage("/p1.fpage");
  EXPECT_EQ(Run(), E_FAIL);
  EXPECT_EQ(journal_.Count("shutdown E_FAIL (0x80004005)"), 1);
  EXPECT_EQ(journal_.Count("finished"), 1);
  EXPECT_FALSE(output_->closed);
}

TEST_F(RipFilterTest, AConverterThatCannotFinishTheJobFailsIt) {
  setenv("KESTREL_RECORDER_CLOSE_FAILS", "1", 1);
  AddPage("/p1.fpage");
  Run();
  unsetenv("KESTREL_RECORDER_CLOSE_FAILS");
  EXPECT_EQ(journal_.Count("shutdown E_FAIL (0x80004005)"), 1);
}

// Stops the job when the third page is announced.
class StoppingProgress final : public ComObject<IPrintPipelineProgressReport> {
 public:
  HRESULT ReportProgress(EXpsJobConsumption update) override {
    if (update == XpsJob_FixedPageAdded && ++pages == 3 && filter) filter->ShutdownOperation();
    return S_OK;
  }
  RipFilter* filter = nullptr;
  int pages = 0;
};

// The print class factory answers the host's notifications.
class NotifyingFactory final : public ComObject<IPrintClassObjectFactory> {
 public:
  HRESULT GetPrintClassObject(LPCWSTR, REFIID riid, void** object) override {
    return notifications->QueryInterface(riid, object);
  }
  ComPtr<kestrel::host::PrintNotifications> notifications = MakeComObject<kestrel::host::PrintNotifications>();
};

class RipBackSides : public RipFilterTest {
 protected:
  void SetUp() override {
    RipFilterTest::SetUp();
    fs::create_directory(Files());
    setenv("KESTREL_RECORDER_FILES", Files().c_str(), 1);
    PutString(bag_.Get(), u"KvmdFileName64", u"kvmanualduplex");
    AddPage("/p1.fpage");
    AddPage("/p2.fpage");
    AddPage("/p3.fpage");
  }
  void TearDown() override {
    unsetenv("KESTREL_RECORDER_FILES");
    RipFilterTest::TearDown();
  }
  std::vector<std::string> FilesLeft() const { return rip_test::FileNamesIn(Files()); }
  fs::path Files() const { return scratch_ / "files"; }
};

TEST_F(RipBackSides, AreHandedToThePrintUiWithTheListInPlace) {
  const ComPtr<NotifyingFactory> factory = MakeComObject<NotifyingFactory>();
  PutUnknown(bag_.Get(), u"PrintClassFactory", factory.Get());
  EXPECT_EQ(Run(), S_OK);
  const std::vector<std::string> left = FilesLeft();
  ASSERT_EQ(left.size(), 4u);
  const std::vector<std::u16string> requests = factory->notifications->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(kestrel::print_ui::ParsePrintUiRequest(requests[0]).argument,
            Utf8ToUtf16("14 kvmanualduplex " + (Files() / left[0]).string()).value());
}

TEST_F(RipBackSides, WithoutAChannelTheJobFailsAndNamesTheList) {
  Run();
  EXPECT_EQ(journal_.Count("shutdown E_POINTER (0x80004003)"), 1);
  // The list and the files it names stay for the user (the message is checked end to end).
  EXPECT_EQ(FilesLeft().size(), 4u);
}

TEST_F(RipBackSides, AStoppedJobRemovesThemAndTheirList) {
  const ComPtr<StoppingProgress> stopping = MakeComObject<StoppingProgress>();
  PutUnknown(bag_.Get(), u"ProgressReport", stopping.Get());
  PutUnknown(bag_.Get(), u"PrintClassFactory", MakeComObject<NotifyingFactory>().Get());
  const auto communicator = MakeComObject<ScriptedCommunicator>(ComPtr<IUnknown>(provider_.Get()),
                                                                ComPtr<IUnknown>(output_.Get()));
  const auto filter = ComPtr<RipFilter>::Attach(new RipFilter);
  stopping->filter = filter.Get();
  ASSERT_EQ(filter->InitializeFilter(communicator.Get(), bag_.Get(), control_.Get()), S_OK);
  EXPECT_EQ(filter->StartOperation(), S_OK);
  // The third page still ran, but what the converter reported after the stop
  // never reached the list: only its own file may stay.
  EXPECT_EQ(Logged("DevModeSet ").size(), 3u);
  EXPECT_THAT(FilesLeft(), ElementsAre("page3.spl"));
}

}  // namespace
