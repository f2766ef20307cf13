// Manual duplex through the real converter pair: `xpspipe run --config print`
// prints the fronts as PWG Raster, the printer-control library writes the
// backs into files of its own, and the print UI's program appends them, as a
// document of their own, once the stack is turned. Pages are told apart by
// their pixels, against the same document printed one-sided.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "converter/control/devmode_flags.h"
#include "driver/devmode/devmode_private.h"
#include "host/print_ui/print_ui_request.h"
#include "platform/utf.h"
#include "tests/converter/converter_harness.h"
#include "tests/host/host_test_support.h"

// The converter reads the driver's block by offsets of its own.
static_assert(offsetof(KestrelDevModePrivate, flags) == kDevModeBlockFlagsOffset);
static_assert(kDevModePrivateSignature == kDevModeBlockSignature);
static_assert(kDevModeFlagManualDuplex == kDevModeBlockManualDuplex);

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;

constexpr auto kLimit = 300s;

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

unsigned Mode(const fs::path& file) {
  struct stat info {};
  return stat(file.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

class ManualDuplexPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(Tmp());
    // The converter's back sides and the list go into the job's temporary folder.
    setenv("TMPDIR", Tmp().c_str(), 1);
    ASSERT_EQ(
        RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", std::to_string(kPages), Input().string()}, kLimit).exit_code,
        0);
  }
  void TearDown() override { unsetenv("TMPDIR"); }

  ProcessResult Print(const fs::path& out, std::vector<std::string> extra,
                      const std::function<void(pid_t)>& started = {}) {
    std::vector<std::string> args = {
        KESTREL_XPSPIPE, "run", "--config", "print", "--quiet", "-o", "printer-resolution=150dpi"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(Input().string());
    args.push_back(out.string());
    return RunProcess(args, kLimit, started);
  }
  static std::vector<std::string> Manual() { return {"-o", "sides=two-sided-long-edge", "-o", "manual-duplex"}; }

  // The pages of a PWG Raster file as PNG files' bytes, through pwg-to-png.
  std::vector<std::string> Pages(const fs::path& pwg) {
    const fs::path prefix = scratch_ / (pwg.stem().string() + "-page");
    const ProcessResult run = RunProcess({KESTREL_PWG_TO_PNG, pwg.string(), prefix.string()}, kLimit);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<std::string> pages;
    for (int n = 1; fs::exists(prefix.string() + "-" + std::to_string(n) + ".png"); ++n)
      pages.push_back(ReadFile(prefix.string() + "-" + std::to_string(n) + ".png"));
    return pages;
  }

  // The document printed one-sided: page n is [n - 1], every page different.
  std::vector<std::string> Reference() {
    const fs::path out = scratch_ / "reference.pwg";
    const ProcessResult run = Print(out, {});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<std::string> pages = Pages(out);
    EXPECT_EQ(pages.size(), kPages);
    for (std::size_t a = 0; a < pages.size(); ++a)
      for (std::size_t b = a + 1; b < pages.size(); ++b) EXPECT_NE(pages[a], pages[b]) << a + 1 << " " << b + 1;
    return pages;
  }

  // Each page of both passes is printed on one side: the printer must not turn the sheet itself.
  static void ExpectOneSided(const fs::path& pwg, std::size_t pages) {
    const std::vector<converter_test::RasterPage> read = converter_test::ConverterJob::ReadPages(ReadFile(pwg));
    EXPECT_EQ(read.size(), pages) << pwg;
    for (const converter_test::RasterPage& page : read) EXPECT_EQ(page.header.Duplex, CUPS_FALSE) << pwg;
  }

  fs::path Tmp() const { return scratch_ / "tmp"; }
  fs::path Input() const { return scratch_ / "five.xps"; }

  static constexpr unsigned kPages = 5;
  ScratchDir scratch_;
};

TEST_F(ManualDuplexPrint, FrontsPrintAtOnceAndTheBacksFollowInOrderOnceTheStackIsTurned) {
  const std::vector<std::string> reference = Reference();
  ASSERT_EQ(reference.size(), kPages);

  // The job itself: the fronts, and a request for the print UI naming the list.
  const fs::path fronts = scratch_ / "fronts.pwg";
  const fs::path requests = scratch_ / "requests.txt";
  std::vector<std::string> recorded = Manual();
  recorded.insert(recorded.end(), {"--print-ui-requests", requests.string()});
  const ProcessResult job = Print(fronts, recorded);
  ASSERT_EQ(job.exit_code, 0) << job.err;
  EXPECT_THAT(Pages(fronts), ElementsAre(reference[0], reference[2], reference[4]));
  ExpectOneSided(fronts, 3);

  const std::string request_line = ReadFile(requests);
  const kestrel::print_ui::PrintUiRequest request =
      kestrel::print_ui::ParsePrintUiRequest(Utf8ToUtf16(request_line.substr(0, request_line.find('\n'))).value());
  const std::string argument = Utf16ToUtf8(request.argument).value();
  ASSERT_THAT(argument, MatchesRegex("14 kvmanualduplex .*"));
  const fs::path list = argument.substr(std::string("14 kvmanualduplex ").size());
  EXPECT_EQ(list.parent_path(), Tmp());
  EXPECT_EQ(Mode(list), 0600u);
  // Each back side a file of its own, for the job's owner alone, listed in page order.
  const std::vector<std::string> names = NamesIn(Tmp());
  ASSERT_EQ(names.size(), 3u);
  EXPECT_THAT(names[0], MatchesRegex("kestrel-back-2-......"));
  EXPECT_THAT(names[1], MatchesRegex("kestrel-back-4-......"));
  EXPECT_EQ(ReadFile(list),
            "[FileList]\n1=" + (Tmp() / names[0]).string() + "\n2=" + (Tmp() / names[1]).string() + "\n");
  for (const std::string& name : names) EXPECT_EQ(Mode(Tmp() / name), 0600u) << name;
  for (const std::string& name : names) fs::remove(Tmp() / name);

  // The same job with the print UI run, no terminal: the backs follow as a document of their own.
  const fs::path both = scratch_ / "both.pwg";
  const ProcessResult whole = Print(both, Manual());
  ASSERT_EQ(whole.exit_code, 0) << whole.err;
  const std::string printed = ReadFile(both);
  const std::string front_bytes = ReadFile(fronts);
  ASSERT_GT(printed.size(), front_bytes.size());
  EXPECT_EQ(printed.substr(0, front_bytes.size()), front_bytes);
  const fs::path backs = scratch_ / "backs.pwg";
  WriteFile(backs, printed.substr(front_bytes.size()));
  EXPECT_THAT(Pages(backs), ElementsAre(reference[1], reference[3]));
  ExpectOneSided(backs, 2);
  // The program removed the back sides and their list.
  EXPECT_THAT(NamesIn(Tmp()), ElementsAre());
}

// The stack is turned over about its long edge: a sheet bound on its short
// edge gets its back turned by half a turn.
TEST_F(ManualDuplexPrint, BacksOfSheetsBoundOnTheShortEdgeAreTurnedByHalfATurn) {
  const fs::path one_sided = scratch_ / "reference.pwg";
  ASSERT_EQ(Print(one_sided, {}).exit_code, 0);
  const auto reference = converter_test::ConverterJob::ReadPages(ReadFile(one_sided));
  ASSERT_EQ(reference.size(), kPages);

  const fs::path fronts = scratch_ / "fronts.pwg";
  const ProcessResult job = Print(fronts, {"-o", "sides=two-sided-short-edge", "-o", "manual-duplex",
                                           "--print-ui-requests", (scratch_ / "requests.txt").string()});
  ASSERT_EQ(job.exit_code, 0) << job.err;
  const auto front_pages = converter_test::ConverterJob::ReadPages(ReadFile(fronts));
  ASSERT_EQ(front_pages.size(), 3u);
  for (std::size_t i = 0; i < front_pages.size(); ++i) EXPECT_EQ(front_pages[i].pixels, reference[2 * i].pixels) << i;

  std::string back_document;
  for (const std::string& name : NamesIn(Tmp()))
    if (name.starts_with("kestrel-back-")) back_document += ReadFile(Tmp() / name);
  const auto backs = converter_test::ConverterJob::ReadPages(back_document);
  ASSERT_EQ(backs.size(), 2u);
  for (std::size_t i = 0; i < backs.size(); ++i) {
    SCOPED_TRACE("page " + std::to_string(2 * i + 2));
    const converter_test::RasterPage& page = reference[2 * i + 1];
    ASSERT_EQ(backs[i].header.cupsWidth, page.header.cupsWidth);
    ASSERT_EQ(backs[i].header.cupsHeight, page.header.cupsHeight);
    EXPECT_NE(backs[i].pixels, page.pixels);
    // Pixel by pixel, last first: the rows from the bottom, each right to left.
    const unsigned n = page.header.cupsBytesPerLine / page.header.cupsWidth;
    std::vector<unsigned char> turned(page.pixels.size());
    for (std::size_t at = 0; at < page.pixels.size(); at += n)
      std::copy_n(page.pixels.data() + at, n, turned.data() + page.pixels.size() - n - at);
    EXPECT_TRUE(backs[i].pixels == turned);
  }
}

TEST_F(ManualDuplexPrint, AStoppedJobLeavesNoBackSidesBehind) {
  // Stopped once the list exists: one back side listed, the next being written.
  std::thread watcher;
  std::atomic<bool> done = false;
  const auto started = [&](pid_t pid) {
    watcher = std::thread([&, pid] {
      while (!done) {
        for (const fs::directory_entry& entry : fs::directory_iterator(Tmp()))
          if (entry.path().filename().string().starts_with("kv")) {
            kill(pid, SIGINT);
            return;
          }
        std::this_thread::sleep_for(5ms);
      }
    });
  };
  // Enough pages that the job is still running when the signal comes.
  fs::remove(Input());
  ASSERT_EQ(RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", "40", Input().string()}, kLimit).exit_code, 0);
  const fs::path out = scratch_ / "stopped.pwg";
  const ProcessResult run = Print(out, Manual(), started);
  done = true;
  watcher.join();
  EXPECT_EQ(run.exit_code, 128 + SIGINT) << run.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_THAT(NamesIn(Tmp()), ElementsAre());
}

}  // namespace
