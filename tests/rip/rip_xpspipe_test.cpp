// The rip filter end to end: xpspipe runs the whole print chain of a driver
// package whose converter is the recording pair. The converter logs every
// call and returns each log line as printer data, so the job's output must
// be the log byte for byte, and a script checks the log against each page's
// markup element for element.
#include <cctype>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/host/host_test_support.h"
#include "tests/rip/rip_test_parts.h"
#include "tests/ticket/ticket_documents.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;
using rip_test::ReadLines;
using ::testing::HasSubstr;

constexpr auto kLimit = 120s;
const fs::path kCorpus = KESTREL_CORPUS_DIR;

class RipEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    // The bundled package with the recording converter in its folder "3".
    rip_test::LayOutDriverPackage(Driver(), KESTREL_RECORDING_CONVERTER_DIR);
    fs::create_directory(Files());
    setenv("KESTREL_RECORDER_LOG", Log().c_str(), 1);
  }
  void TearDown() override {
    for (const char* name : {"KESTREL_RECORDER_LOG", "KESTREL_RECORDER_FILES", "KESTREL_RECORDER_REJECT",
                             "KESTREL_RECORDER_CANCEL", "KESTREL_RECORDER_RESOURCES"})
      unsetenv(name);
  }

  ProcessResult Run(const fs::path& input, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--config", "print", "--driver", Driver().string(),
                                     "--quiet", "--output", Out().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(input.string());
    return RunProcess(args, kLimit);
  }
  // Checks the log against the document's pages.
  void Compare(const fs::path& input) {
    const ProcessResult compared = RunProcess(
        {"/usr/bin/python3", KESTREL_SOURCE_DIR "/tests/rip/compare_call_log.py", input.string(), Log().string()},
        kLimit);
    EXPECT_EQ(compared.exit_code, 0) << compared.out << compared.err;
  }
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : ReadLines(Log()))
      if (line.starts_with(prefix)) lines.push_back(line);
    return lines;
  }
  std::vector<std::string> FilesLeft() const { return rip_test::FileNamesIn(Files()); }

  // Has the converter fetch every resource of the job into Resources().
  void FetchResources() {
    fs::create_directory(Resources());
    setenv("KESTREL_RECORDER_RESOURCES", Resources().c_str(), 1);
  }
  // Checks what the converter received against the document's parts.
  void CheckResources(const fs::path& input, const std::vector<std::string>& kinds) {
    std::vector<std::string> args = {"/usr/bin/python3", KESTREL_SOURCE_DIR "/tests/rip/resource_check.py", "check",
                                     input.string(), Resources().string()};
    args.insert(args.end(), kinds.begin(), kinds.end());
    const ProcessResult checked = RunProcess(args, kLimit);
    EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
  }

  fs::path Driver() const { return scratch_ / "driver"; }
  fs::path Resources() const { return scratch_ / "resources"; }
  fs::path Files() const { return scratch_ / "files"; }
  fs::path Log() const { return scratch_ / "calls.log"; }
  fs::path Out() const { return scratch_ / "out.prn"; }

  ScratchDir scratch_;
};

class RipCorpus : public RipEndToEnd, public ::testing::WithParamInterface<const char*> {};

TEST_P(RipCorpus, TheConverterSeesEveryElementAndTheOutputIsItsPrinterData) {
  const fs::path input = kCorpus / GetParam();
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  const ProcessResult run = Run(input);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(Out()), ReadFile(Log()));
  Compare(input);
  const std::vector<std::string> opened = Logged("PrnCtrlOpen ");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_THAT(opened[0], HasSubstr("channel=driverout reserved=null encoder=" + Driver().string() + "/PWGENC.DLL "
                                   "size=1548 printer=Kestrel InkJet MFP document=" +
                                   input.filename().string() + " job=1 one=1 last= zeroflag=0"));
  // The default ticket: Letter, portrait, 600 dpi; 3 planes of 8 bits.
  for (const std::string& device : Logged("XpsSetPageDevice "))
    EXPECT_EQ(device, "XpsSetPageDevice 1 1 215900 279400 0 0 215900 279400 600 600 2 0 4 100 279400 279400 3 3 8");
  const std::vector<std::string> lines = ReadLines(Log());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "PrnCtrlXPS2SPDLClose");
  EXPECT_EQ(lines.back(), "PrnCtrlClose");
}

INSTANTIATE_TEST_SUITE_P(Documents, RipCorpus,
                         ::testing::Values("xps/mb01.xps", "xps/mb06.xps", "xps/mb08.xps", "oxps/mb01.oxps",
                                           "oxps/mb08.oxps"));

// Every font, image and profile of a document, fetched by the converter during
// the job, is the part's font, the independent decoder's pixels, the profile.
struct ResourceCase {
  const char* document;  // in the corpus; "+profiles" adds a profile colour and a JPEG with its own profile
  std::vector<std::string> kinds;
};

void PrintTo(const ResourceCase& c, std::ostream* out) { *out << c.document; }

class RipResources : public RipEndToEnd, public ::testing::WithParamInterface<ResourceCase> {};

TEST_P(RipResources, TheConverterReceivesEachResourceAsTheIndependentLibrariesReadIt) {
  std::string name = GetParam().document;
  const bool addProfiles = name.ends_with("+profiles");
  if (addProfiles) name.resize(name.size() - std::string_view("+profiles").size());
  fs::path input = kCorpus / name;
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  if (addProfiles) {
    const fs::path made = scratch_ / ("profiles" + input.extension().string());
    const ProcessResult added = RunProcess({"/usr/bin/python3", KESTREL_SOURCE_DIR "/tests/rip/resource_check.py",
                                            "add-profiles", input.string(), made.string()},
                                           kLimit);
    ASSERT_EQ(added.exit_code, 0) << added.out << added.err;
    input = made;
  }
  FetchResources();
  const ProcessResult run = Run(input);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(Out()), ReadFile(Log()));
  Compare(input);
  CheckResources(input, GetParam().kinds);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, RipResources,
    ::testing::Values(ResourceCase{"xps/mb01.xps", {"font", "image"}}, ResourceCase{"oxps/mb01.oxps", {"font", "image"}},
                      ResourceCase{"xps/mb06.xps", {"font", "image"}}, ResourceCase{"oxps/mb08.oxps", {"image"}},
                      // Obfuscated fonts and JPEGs.
                      ResourceCase{"violations/MarkupCompatibility_M1.2a.xps", {"font", "image"}},
                      ResourceCase{"violations/MarkupCompatibility_M2.14a.oxps", {"font", "image"}},
                      ResourceCase{"xps/mb08.xps+profiles", {"image", "profile"}},
                      ResourceCase{"xps/mb01.xps+profiles", {"font", "image", "profile"}}),
    [](const ::testing::TestParamInfo<ResourceCase>& info) {
      std::string name = info.param.document;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST_F(RipEndToEnd, TheSampleDocumentsObfuscatedFontAndImagesReachTheConverter) {
  const fs::path input = scratch_ / "sample.xps";
  const ProcessResult made = RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", "3", "--noise-kib", "20", input.string()},
                                        kLimit);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  FetchResources();
  const ProcessResult run = Run(input);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  CheckResources(input, {"font", "image"});
}

TEST_F(RipEndToEnd, AGhostscriptDocumentOfSeveralPages) {
  // Ghostscript's XPS writer draws text as paths: large pages from an independent producer.
  const fs::path ghostscript = "/usr/share/ghostscript";
  std::optional<fs::path> lister;
  if (fs::exists("/usr/bin/gs") && fs::exists(ghostscript))
    for (const fs::directory_entry& version : fs::directory_iterator(ghostscript))
      if (fs::exists(version.path() / "lib/gslp.ps")) lister = version.path() / "lib/gslp.ps";
  if (!lister) GTEST_SKIP() << "Ghostscript is not installed";
  std::string text;
  for (int line = 1; line <= 120; ++line) text += "line of text number " + std::to_string(line) + "\n";
  WriteFile(scratch_ / "text.txt", text);
  const fs::path input = scratch_ / "gs.xps";
  const ProcessResult made =
      RunProcess({"/usr/bin/gs", "-dNOSAFER", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=xpswrite",
                  "-sOutputFile=" + input.string(), "--", lister->string(), (scratch_ / "text.txt").string()},
                 kLimit);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  const ProcessResult run = Run(input);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(Out()), ReadFile(Log()));
  EXPECT_GE(Logged("DevModeSet ").size(), 2u);
  Compare(input);
}

TEST_F(RipEndToEnd, TheDeviceValuesFollowTheTicket) {
  const fs::path input = kCorpus / "xps/mb08.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  using namespace ticket_test;
  const auto size = [](const char* name, long value) { return Scored(std::string("psk:") + name, IntValue(value)); };
  WriteFile(scratch_ / "job.xml",
            TicketXml(Feature("psk:PageMediaSize",
                              Option("psk:ISOA4", size("MediaSizeWidth", 210000) + size("MediaSizeHeight", 297000))) +
                      Feature("psk:PageOrientation", Option("psk:Landscape")) +
                      Feature("psk:PageResolution",
                              Option("ns0000:Resolution300", size("ResolutionX", 300) + size("ResolutionY", 300)))));
  const ProcessResult run = Run(input, {"--job-ticket", (scratch_ / "job.xml").string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  // Landscape takes the package's landscape rotation, 90 degrees: code 3.
  EXPECT_THAT(Logged("XpsSetPageDevice "),
              ::testing::ElementsAre(
                  "XpsSetPageDevice 1 1 210000 297000 0 0 210000 297000 300 300 3 0 4 100 297000 297000 3 3 8"));
  EXPECT_THAT(Logged("DevModeSet "), ::testing::ElementsAre(HasSubstr(
                                         "orientation=2 paper=9 quality=300 yresolution=300")));
}

TEST_F(RipEndToEnd, FilesTheConverterReportsAreListed) {
  const fs::path input = kCorpus / "xps/mb06.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  setenv("KESTREL_RECORDER_FILES", Files().c_str(), 1);
  // Recorded, not run: the listed files stay for the manual-duplex program.
  const ProcessResult run = Run(input, {"--print-ui-requests", (scratch_ / "requests.txt").string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(Out()), ReadFile(Log()));
  const std::vector<std::string> left = FilesLeft();
  ASSERT_EQ(left.size(), 4u);
  EXPECT_TRUE(left[0].starts_with("kv") && left[0].ends_with(".tmp")) << left[0];
  const std::string folder = Files().string();
  EXPECT_EQ(ReadFile(Files() / left[0]), "[FileList]\n1=" + folder + "/page1.spl\n2=" + folder + "/page2.spl\n3=" +
                                             folder + "/page3.spl\n");
}

TEST_F(RipEndToEnd, APageTheConverterRefusesFailsTheJob) {
  const fs::path input = kCorpus / "xps/mb06.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  setenv("KESTREL_RECORDER_FILES", Files().c_str(), 1);
  setenv("KESTREL_RECORDER_REJECT", "2:FixedPage", 1);
  const ProcessResult run = Run(input);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err,
            "xpspipe: filter rip (xripflt.dll) stopped the job: page /Documents/1/Pages/2.fpage: the converter "
            "refused the element FixedPage (E_FAIL (0x80004005))\n");
  EXPECT_FALSE(fs::exists(Out()));
  // No third page; the converter is closed; the files it reported are gone.
  EXPECT_EQ(Logged("DevModeSet ").size(), 2u);
  EXPECT_EQ(ReadLines(Log()).back(), "PrnCtrlClose");
  EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(RipEndToEnd, AMissingConverterLibraryIsNamed) {
  const fs::path input = kCorpus / "xps/mb08.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  const fs::path converters = fs::path(KESTREL_RECORDING_CONVERTER_DIR) / "3";
  struct Case {
    const char* present;  // the one library left in the folder "3", or none
    std::string missing;
  };
  const Case cases[] = {{nullptr, "libprnctrl.so (PRNCTRL.DLL)"}, {"libprnctrl.so", "libxpsconv.so (XPSCONV.DLL)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    fs::remove_all(Driver() / "3");
    fs::create_directory(Driver() / "3");
    if (c.present) fs::create_symlink(converters / c.present, Driver() / "3" / c.present);
    const ProcessResult run = Run(input);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_THAT(run.err, HasSubstr("converter library " + Driver().string() + "/3/" + c.missing + " is missing"));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(Out()));
  }
}

TEST_F(RipEndToEnd, AJobCancelledDuringAPageEndsCleanly) {
  const fs::path input = kCorpus / "xps/mb08.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is not there";
  setenv("KESTREL_RECORDER_FILES", Files().c_str(), 1);
  setenv("KESTREL_RECORDER_CANCEL", "1:ImageBrush", 1);
  const ProcessResult run = Run(input);
  EXPECT_EQ(run.exit_code, 128 + SIGINT);
  EXPECT_EQ(run.err, "xpspipe: job cancelled (SIGINT)\n");
  EXPECT_FALSE(fs::exists(Out()));
  // The page ended at the first closing image brush; the converter was closed.
  const std::vector<std::string> lines = ReadLines(Log());
  const auto brush = std::find(lines.begin(), lines.end(), "StartElem ImageBrush");
  ASSERT_NE(brush, lines.end());
  const auto end = std::find_if(brush, lines.end(), [](const std::string& line) {
    return line == "EndCurElem" || line == "EndElem ImageBrush";
  });
  ASSERT_NE(end, lines.end());
  EXPECT_THAT(std::vector<std::string>(end + 1, lines.end()),
              ::testing::ElementsAre("PrnCtrlXPS2SPDLClose", "PrnCtrlClose"));
  EXPECT_TRUE(FilesLeft().empty());
}

}  // namespace
