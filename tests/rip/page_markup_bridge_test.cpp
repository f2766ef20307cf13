// The bridge feeding page markup to the recording markup converter: the
// order and form of its calls, remote resource dictionaries, text the 8-bit
// interface cannot carry, and a job deleted during a page.
#include "filters/rip/page_markup_bridge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/host/host_test_support.h"
#include "platform/spooler.h"
#include "tests/rip/recording_converter/recording_job.h"
#include "tests/rip/rip_test_parts.h"

namespace {

using kestrel::host::testing::ScratchDir;
using rip_test::Dictionary;
using rip_test::Page;
using rip_test::ReadLines;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

HRESULT IgnoreOutput(const void*, DWORD, void*) { return S_OK; }

std::string FixedPage(const std::string& content) {
  return std::string("<FixedPage xmlns=\"") + rip_test::kXpsNamespace + "\" Width=\"816\" Height=\"1056\">" + content +
         "</FixedPage>";
}

class PageMarkupBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPrinterDriverDirectory(Utf8ToUtf16(KESTREL_RECORDING_CONVERTER_DIR).value());
    setenv("KESTREL_RECORDER_LOG", (scratch_ / "log").c_str(), 1);
    NewJob();
  }
  // A new converter job, with an empty log.
  void NewJob() {
    job_.reset();
    job_ = std::make_unique<recording::RecordingJob>(&IgnoreOutput, nullptr);
  }
  void TearDown() override { unsetenv("KESTREL_RECORDER_LOG"); }

  // Runs the page through a bridge (page mode); the log's lines.
  HRESULT Run(const ComPtr<Page>& page, std::string* failure = nullptr, const std::u16string& printer = u"",
              DWORD job = 0) {
    const PageDeviceSettings device{215900, 279400, 600, 600, 2, 4, 4, 8};
    const auto bridge =
        ComPtr<PageMarkupBridge>::Attach(new PageMarkupBridge(page.Get(), device, job_.get(), printer, job));
    EXPECT_TRUE(bridge->Loaded()) << bridge->failure();
    ComPtr<IPrintReadStream> stream;
    page->GetStream(stream.Put());
    const HRESULT hr = bridge->Parse(stream.Get());
    if (failure) *failure = bridge->failure();
    return hr;
  }
  std::vector<std::string> Log() const { return ReadLines(scratch_ / "log"); }
  // The log without the two calls that open every page.
  std::vector<std::string> Elements() const {
    std::vector<std::string> lines = Log();
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() >= 2) lines.erase(lines.begin(), lines.begin() + 2);
    return lines;
  }

  ScratchDir scratch_;
  std::unique_ptr<recording::RecordingJob> job_;
};

TEST_F(PageMarkupBridgeTest, OpensThePageWithTheResourceCallbacksAndTheDeviceValues) {
  ASSERT_EQ(Run(MakeComObject<Page>("/p1.fpage", FixedPage(""))), S_OK);
  EXPECT_THAT(Log(), ElementsAre("XpsSetConvResAPI page=set font=set profile=set image=set reserved=null,null",
                                 "XpsSetPageDevice 1 1 215900 279400 0 0 215900 279400 600 600 2 0 4 100 279400 "
                                 "279400 4 4 8",
                                 "StartElem FixedPage", "ReadAtt Height=1056", "ReadAtt Width=816",
                                 std::string("ReadAtt xmlns=") + rip_test::kXpsNamespace, "EndCurElem"));
}

TEST_F(PageMarkupBridgeTest, FeedsElementsAndAttributesInTheConvertersOrder) {
  struct Case {
    const char* label;
    std::string content;
    std::vector<std::string> calls;  // after the FixedPage start tag and its attributes
  };
  const Case cases[] = {
      {"a canvas holding a path", "<Canvas><Path Data=\"M 0,0 L 1,1\"/></Canvas>",
       {"StartElem Canvas", "StartElem Path", "ReadAtt Data=M 0,0 L 1,1", "EndCurElem", "EndElem Canvas"}},
      {"an empty canvas in a canvas", "<Canvas><Canvas/></Canvas>",
       {"StartElem Canvas", "StartElem Canvas", "EndCurElem", "EndElem Canvas"}},
      {"attributes last first", "<Path A=\"1\" B=\"2\" C=\"3\"/>",
       {"StartElem Path", "ReadAtt C=3", "ReadAtt B=2", "ReadAtt A=1", "EndCurElem"}},
      {"character data is not passed", "<Canvas> text <Path/> more </Canvas>",
       {"StartElem Canvas", "StartElem Path", "EndCurElem", "EndElem Canvas"}},
      {"prefixed names stay qualified", "<Canvas xmlns:x=\"urn:x\" x:Key=\"k\"/>",
       {"StartElem Canvas", "ReadAtt x:Key=k", "ReadAtt xmlns:x=urn:x", "EndCurElem"}},
      {"a UnicodeString as UTF-16, other text as UTF-8",
       "<Glyphs UnicodeString=\"日本語\" FontUri=\"/Fonts/é€ß.ttf\"/>",
       {"StartElem Glyphs", "ReadAtt FontUri=/Fonts/é€ß.ttf", "ReadAtt UnicodeString=日本語", "EndCurElem"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    NewJob();
    // One byte a read: the markup arrives in the smallest pieces.
    ASSERT_EQ(Run(MakeComObject<Page>("/p1.fpage", FixedPage(c.content), 1)), S_OK);
    std::vector<std::string> calls = Elements();
    ASSERT_GE(calls.size(), 4u);
    calls.erase(calls.begin(), calls.begin() + 4);
    calls.pop_back();  // the page's end
    EXPECT_THAT(calls, ElementsAreArray(c.calls));
  }
}

TEST_F(PageMarkupBridgeTest, RemoteDictionariesFollowTheirReferenceWithoutTheDeviceCalls) {
  const auto page = MakeComObject<Page>(
      "/Documents/1/Pages/1.fpage",
      FixedPage("<FixedPage.Resources><ResourceDictionary Source=\"../Resources/a.dict\"/></FixedPage.Resources>"
                "<Path/>"));
  const std::string dictionary = std::string("<ResourceDictionary xmlns=\"") + rip_test::kXpsNamespace +
                                 "\"><SolidColorBrush Color=\"#FF0000\"/></ResourceDictionary>";
  page->AddResource("/Documents/1/Resources/a.dict",
                    MakeComObject<Dictionary, IUnknown>("/Documents/1/Resources/a.dict", dictionary));
  ASSERT_EQ(Run(page), S_OK);
  std::vector<std::string> calls = Elements();
  calls.erase(calls.begin(), calls.begin() + 4);
  EXPECT_THAT(calls, ElementsAre("StartElem FixedPage.Resources", "StartElem ResourceDictionary",
                                 "ReadAtt Source=../Resources/a.dict", "EndCurElem",
                                 "StartElem ResourceDictionary",
                                 std::string("ReadAtt xmlns=") + rip_test::kXpsNamespace,
                                 "StartElem SolidColorBrush", "ReadAtt Color=#FF0000", "EndCurElem",
                                 "EndElem ResourceDictionary", "EndElem FixedPage.Resources", "StartElem Path",
                                 "EndCurElem", "EndElem FixedPage"));
}

TEST_F(PageMarkupBridgeTest, DictionariesThatCannotBeFollowedSafely) {
  const std::string reference = "<Canvas.Resources><ResourceDictionary Source=\"/r/a.dict\"/></Canvas.Resources>";
  const auto dictionary = [](const std::string& content) {
    return std::string("<ResourceDictionary xmlns=\"") + rip_test::kXpsNamespace + "\">" + content +
           "</ResourceDictionary>";
  };
  struct Case {
    const char* label;
    std::map<std::string, std::string> dictionaries;
    HRESULT result;
    std::string failure;
  };
  const Case cases[] = {
      {"missing: the page goes on", {}, S_OK, ""},
      {"referring to itself", {{"/r/a.dict", dictionary("<ResourceDictionary Source=\"a.dict\"/>")}}, E_INVALIDARG,
       "resource dictionary /r/a.dict: the resource dictionary /r/a.dict refers to itself"},
      {"referring to itself through another, with a backslash",
       {{"/r/a.dict", dictionary("<ResourceDictionary Source=\"sub\\b.dict\"/>")},
        {"/r/sub/b.dict", dictionary("<ResourceDictionary Source=\"/r/a.dict\"/>")}},
       E_INVALIDARG,
       "resource dictionary /r/a.dict: resource dictionary /r/sub/b.dict: the resource dictionary /r/a.dict refers "
       "to itself"},
      {"not well-formed", {{"/r/a.dict", dictionary("<SolidColorBrush>")}}, E_XML_PARSE, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto page = MakeComObject<Page>("/p/1.fpage", FixedPage("<Canvas>" + reference + "</Canvas>"));
    for (const auto& [name, markup] : c.dictionaries)
      page->AddResource(name, MakeComObject<Dictionary, IUnknown>(name, markup));
    std::string failure;
    EXPECT_EQ(Run(page, &failure), c.result);
    if (!c.failure.empty()) {
      EXPECT_EQ(failure, c.failure);
    }
    if (c.result == E_XML_PARSE) {
      EXPECT_TRUE(failure.starts_with("resource dictionary /r/a.dict: line ")) << failure;
    }
  }
}

TEST_F(PageMarkupBridgeTest, AJobBeingDeletedEndsThePageAtTheNextImageBrush) {
  AddSpoolerJob(u"Bridge printer", 7, u"doc");
  const auto page = MakeComObject<Page>(
      "/p1.fpage", FixedPage("<Path><Path.Fill><ImageBrush ImageSource=\"/i.png\"/></Path.Fill></Path><Path/>"));
  EXPECT_EQ(Run(page, nullptr, u"Bridge printer", 7), S_OK);
  SetSpoolerJobStatus(u"Bridge printer", 7, JOB_STATUS_DELETING);
  std::string failure;
  EXPECT_EQ(Run(page, &failure, u"Bridge printer", 7), HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED));
  EXPECT_EQ(failure, "the job was cancelled");
  RemoveSpoolerJob(u"Bridge printer", 7);
  // The element ended, then nothing more.
  const std::vector<std::string> calls = Log();
  EXPECT_EQ(calls.back(), "EndCurElem");
  EXPECT_EQ(calls[calls.size() - 2], "ReadAtt ImageSource=/i.png");
}

}  // namespace
