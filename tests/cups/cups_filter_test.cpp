// The CUPS filter run as CUPS runs it: its arguments, the options string
// mapped through the print option table, the log lines on stderr, the exit
// status, and nothing written outside TMPDIR. Run with the XPS chain
// (KESTREL_CUPS_CONFIG=xps), whose output is compared with xpspipe's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "tests/cups/cups_test_support.h"

namespace {

using namespace kestrel::cups_test;
using ::testing::HasSubstr;

// The filter on a document with TMPDIR set to a folder of its own; stdin_file:
// the document comes on standard input instead of as the sixth argument.
ProcessResult RunFilter(const std::vector<std::string>& args, const fs::path& temp,
                        const std::optional<fs::path>& stdin_file = std::nullopt,
                        const fs::path& filter = KESTREL_CUPS_FILTER, const char* config = "xps") {
  setenv("TMPDIR", temp.c_str(), 1);
  if (*config) setenv("KESTREL_CUPS_CONFIG", config, 1);
  std::string command = "exec '" + filter.string() + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  if (stdin_file) command += " < '" + stdin_file->string() + "'";
  ProcessResult result = RunProcess({"/bin/sh", "-c", command}, std::chrono::seconds(300));
  unsetenv("KESTREL_CUPS_CONFIG");
  unsetenv("TMPDIR");
  return result;
}

std::vector<std::string> LinesStarting(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

class CupsFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    document_ = Corpus("oxps/mb01.oxps");
    if (!fs::exists(document_)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
    // The document is copied where the test can see whether the filter writes beside it.
    fs::create_directories(scratch_ / "in");
    fs::create_directories(scratch_ / "tmp");
    fs::copy_file(document_, input_);
  }
  void ExpectNothingLeft() {
    EXPECT_TRUE(fs::is_empty(scratch_ / "tmp")) << "the filter left files in TMPDIR";
    EXPECT_THAT(kestrel::host::testing::OtherFiles(scratch_ / "in", {"doc.oxps"}), ::testing::IsEmpty());
  }

  ScratchDir scratch_;
  fs::path document_;
  const fs::path input_ = scratch_ / "in" / "doc.oxps";
};

TEST_F(CupsFilter, TheOptionsStringGivesWhatXpspipeGivesForTheSameOptions) {
  struct Case {
    const char* name;
    std::string options;  // as CUPS passes them
    std::vector<std::string> xpspipe;
    bool on_stdin;
  };
  const Case cases[] = {
      {"CUPS's own attributes are passed over", "number-up=2 job-uuid=urn:uuid:1 finishings=3", {"number-up=2"}, false},
      {"PPD keywords stand for table options", "PageSize=A4 Duplex=DuplexNoTumble", {"media=A4", "sides=two-sided-long-edge"}, false},
      {"a table name outranks its PPD keyword", "Duplex=DuplexTumble sides=one-sided number-up=4", {"sides=one-sided", "number-up=4"}, false},
      {"a bare option, the document on stdin", "landscape", {"landscape"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"12", "alice", "Quarterly report", "1", c.options};
    if (!c.on_stdin) args.push_back(input_.string());
    const ProcessResult filtered =
        RunFilter(args, scratch_ / "tmp", c.on_stdin ? std::optional<fs::path>(input_) : std::nullopt);
    ASSERT_EQ(filtered.exit_code, 0) << filtered.err;
    EXPECT_TRUE(LinesStarting(filtered.err, "ERROR:").empty()) << filtered.err;
    ExpectNothingLeft();
    kestrel::host::testing::WriteFile(scratch_ / "filtered.xps", filtered.out);

    std::vector<std::string> argv = {KESTREL_XPSPIPE, "run", "--quiet"};
    for (const std::string& option : c.xpspipe) argv.insert(argv.end(), {"-o", option});
    argv.insert(argv.end(), {input_.string(), (scratch_ / "reference.xps").string()});
    const ProcessResult reference = RunProcess(argv, std::chrono::seconds(300));
    ASSERT_EQ(reference.exit_code, 0) << reference.err;

    const auto pages = kestrel::host::testing::RenderPages(scratch_ / "filtered.xps", scratch_ / "filtered");
    EXPECT_EQ(pages, kestrel::host::testing::RenderPages(scratch_ / "reference.xps", scratch_ / "reference"));
    // One PAGE: line per page, then the total as the job's impressions.
    const std::vector<std::string> page_lines = LinesStarting(filtered.err, "PAGE: ");
    ASSERT_EQ(page_lines.size(), pages.size()) << filtered.err;
    for (std::size_t i = 0; i < page_lines.size(); ++i) EXPECT_EQ(page_lines[i], "PAGE: " + std::to_string(i + 1) + " 1");
    EXPECT_THAT(LinesStarting(filtered.err, "ATTR: "),
                ::testing::ElementsAre("ATTR: job-impressions=" + std::to_string(pages.size())));
    fs::remove(scratch_ / "reference.xps");
    fs::remove_all(scratch_ / "filtered");
    fs::remove_all(scratch_ / "reference");
  }
}

TEST_F(CupsFilter, ACommandLineOptionOrDocumentItCannotTakeFailsTheJobWithAnErrorLine) {
  kestrel::host::testing::WriteFile(scratch_ / "in" / "broken.xps", "PK\x03\x04 not a package");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string error;  // in the ERROR: line
  };
  const Case cases[] = {
      {"too few arguments", {"12", "alice", "title", "1"}, "usage: kestrel-xps job-id user title copies options [file]"},
      {"a job id that is not a number", {"twelve", "alice", "title", "1", ""}, "the job id \"twelve\""},
      {"no copies", {"12", "alice", "title", "0", ""}, "the number of copies \"0\""},
      {"a value the printer does not offer", {"12", "alice", "title", "1", "number-up=3"}, "-o number-up=3"},
      {"a damaged package", {"12", "alice", "title", "1", "", (scratch_ / "in" / "broken.xps").string()}, "broken.xps"},
      {"no such file", {"12", "alice", "title", "1", "", (scratch_ / "in" / "gone.xps").string()}, "gone.xps"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    if (args.size() == 5) args.push_back(input_.string());
    const ProcessResult filtered = RunFilter(args, scratch_ / "tmp");
    EXPECT_EQ(filtered.exit_code, 1);
    EXPECT_TRUE(filtered.out.empty());
    const std::vector<std::string> errors = LinesStarting(filtered.err, "ERROR: ");
    ASSERT_EQ(errors.size(), 1u) << filtered.err;
    EXPECT_THAT(errors[0], HasSubstr(c.error));
    EXPECT_TRUE(LinesStarting(filtered.err, "PAGE: ").empty());
    EXPECT_TRUE(fs::is_empty(scratch_ / "tmp")) << "the filter left files in TMPDIR";
  }
}

TEST_F(CupsFilter, AJobPrintedTwoSidedByHandFailsNamingItsBackSides) {
  // A queue has no print UI to send the back sides once the stack is turned.
  const fs::path three = scratch_ / "in" / "three.xps";
  ASSERT_EQ(RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", "3", three.string()}, std::chrono::seconds(60)).exit_code, 0);
  const ProcessResult filtered =
      RunFilter({"12", "alice", "title", "1", "sides=two-sided-long-edge manual-duplex printer-resolution=150dpi",
                 three.string()},
                scratch_ / "tmp", std::nullopt, KESTREL_CUPS_FILTER, "");
  EXPECT_EQ(filtered.exit_code, 1);
  const std::vector<std::string> errors = LinesStarting(filtered.err, "ERROR: ");
  ASSERT_EQ(errors.size(), 1u) << filtered.err;
  EXPECT_THAT(errors[0], HasSubstr("a CUPS queue prints no back sides by hand"));
  EXPECT_THAT(errors[0], HasSubstr("they are listed in " + (scratch_ / "tmp").string() + "/kv"));
}

TEST_F(CupsFilter, InstalledIntoAPrefixItFindsItsLibraryAndDriverPackage) {
  const fs::path prefix = scratch_ / "prefix";
  const ProcessResult installed =
      RunProcess({KESTREL_CMAKE, "--install", KESTREL_BUILD_DIR, "--prefix", prefix.string()}, std::chrono::seconds(120));
  ASSERT_EQ(installed.exit_code, 0) << installed.err;
  for (const char* file : {"bin/xpspipe", "lib/kestrel/driver/manifest.xml", "share/ppd/kestrel/kestrel-inkjet-mfp.ppd",
                           "share/cups/mime/kestrel-xps.types", "share/cups/mime/kestrel-xps.convs"})
    EXPECT_TRUE(fs::exists(prefix / file)) << file;
  EXPECT_FALSE(fs::exists(prefix / "lib/kestrel/driver/CMakeFiles"));
  const ProcessResult filtered = RunFilter({"3", "bob", "Installed", "1", "number-up=2", input_.string()}, scratch_ / "tmp",
                                           std::nullopt, prefix / "lib/cups/filter/kestrel-xps");
  EXPECT_EQ(filtered.exit_code, 0) << filtered.err;
  EXPECT_THAT(filtered.err, HasSubstr("ATTR: job-impressions=1"));
}

}  // namespace
