// xpspipe end to end: real documents through the pass-through chain, bad
// input, a filter failing mid-job, cancellation and the command line.
#include <gtest/gtest.h>

#include <csignal>

#include "host/package/xps_package_writer.h"
#include "tests/host/host_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::OtherFiles;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::ReadParts;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;

constexpr auto kLimit = 120s;

ProcessResult Xpspipe(std::vector<std::string> args, std::chrono::seconds limit = kLimit) {
  args.insert(args.begin(), KESTREL_XPSPIPE);
  return RunProcess(args, limit);
}

void MakeSample(const fs::path& out, unsigned pages) {
  const ProcessResult made = RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", std::to_string(pages), out.string()}, kLimit);
  ASSERT_EQ(made.exit_code, 0) << made.err;
}

std::vector<fs::path> CorpusDocuments() {
  std::vector<fs::path> documents;
  for (const char* area : {"xps", "oxps"}) {
    const fs::path dir = fs::path(KESTREL_CORPUS_DIR) / area;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) documents.push_back(entry.path());
  }
  std::sort(documents.begin(), documents.end());
  return documents;
}

// The same parts with the same bytes, and the same relationships.
void ExpectSameParts(const fs::path& in, const fs::path& out) {
  const auto expected = ReadParts(in);
  const auto actual = ReadParts(out);
  std::vector<std::string> expected_names, actual_names;
  for (const auto& [name, bytes] : expected) expected_names.push_back(name);
  for (const auto& [name, bytes] : actual) actual_names.push_back(name);
  ASSERT_EQ(actual_names, expected_names) << in;
  for (const auto& [name, bytes] : expected) EXPECT_TRUE(actual.at(name) == bytes) << in << ": " << name << " differs";
  EXPECT_EQ(kestrel::host::testing::ReadRelationships(out), kestrel::host::testing::ReadRelationships(in)) << in;
}

void ExpectSameRendering(const fs::path& in, const fs::path& out, const ScratchDir& scratch) {
  const auto before = kestrel::host::testing::RenderPages(in, scratch / "before");
  const auto after = kestrel::host::testing::RenderPages(out, scratch / "after");
  ASSERT_FALSE(before.empty()) << in;
  ASSERT_EQ(after.size(), before.size()) << in;
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(after[i] == before[i]) << in << ": page " << i + 1;
  fs::remove_all(scratch / "before");
  fs::remove_all(scratch / "after");
}

TEST(Xpspipe, CorpusDocumentsLeaveTheChainUnchanged) {
  const auto documents = CorpusDocuments();
  if (documents.empty()) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  for (const fs::path& document : documents) {
    ScratchDir scratch;
    const fs::path out = scratch / "out.xps";
    const ProcessResult run = Xpspipe({"run", "--quiet", document.string(), out.string()});
    ASSERT_EQ(run.exit_code, 0) << document << ": " << run.err;
    ExpectSameParts(document, out);
    if (kestrel::host::testing::HaveMutool()) ExpectSameRendering(document, out, scratch);
  }
}

TEST(Xpspipe, TheSampleDocumentLeavesTheChainUnchanged) {
  ScratchDir scratch;
  MakeSample(scratch / "sample.xps", 4);
  const ProcessResult run = Xpspipe({"run", "--quiet", (scratch / "sample.xps").string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  ASSERT_TRUE(fs::exists(scratch / "sample-out.xps"));  // the default output name
  ExpectSameParts(scratch / "sample.xps", scratch / "sample-out.xps");
  if (!kestrel::host::testing::HaveMutool()) GTEST_SKIP() << "mutool is not installed";
  ExpectSameRendering(scratch / "sample.xps", scratch / "sample-out.xps", scratch);
}

// A package whose document lists a page the package does not have.
void WriteMissingPagePackage(const fs::path& out) {
  using kestrel::package::PackageWriter;
  PackageWriter writer(out);
  const auto put = [&](const char* name, const char* type, const std::string& text) {
    auto sink = writer.BeginPart(name, type);
    sink->Write(text.data(), text.size());
    sink->Finish();
  };
  const std::string ns = "http://schemas.microsoft.com/xps/2005/06";
  put("/Documents/1/Pages/1.fpage", "application/vnd.ms-package.xps-fixedpage+xml",
      "<FixedPage xmlns=\"" + ns + "\" Width=\"816\" Height=\"1056\"/>");
  put("/Documents/1/FixedDocument.fdoc", "application/vnd.ms-package.xps-fixeddocument+xml",
      "<FixedDocument xmlns=\"" + ns + "\"><PageContent Source=\"Pages/1.fpage\"/><PageContent Source=\"Pages/2.fpage\"/></FixedDocument>");
  put("/FixedDocumentSequence.fdseq", "application/vnd.ms-package.xps-fixeddocumentsequence+xml",
      "<FixedDocumentSequence xmlns=\"" + ns + "\"><DocumentReference Source=\"/Documents/1/FixedDocument.fdoc\"/></FixedDocumentSequence>");
  writer.AddRelationship("/", {"", kestrel::package::reltype::kStartPartXps, "/FixedDocumentSequence.fdseq", false});
  writer.Commit();
}

TEST(Xpspipe, BadInputGivesOneMessageNamingTheProblemAndNoOutput) {
  ScratchDir scratch;
  MakeSample(scratch / "sample.xps", 2);
  const std::string sample = ReadFile(scratch / "sample.xps");
  WriteFile(scratch / "garbage.xps", "this is not a zip archive");
  WriteFile(scratch / "truncated.xps", sample.substr(0, sample.size() / 2));
  WriteMissingPagePackage(scratch / "missing-page.xps");
  const struct {
    const char* file;
    const char* names;  // what the message must mention
  } cases[] = {
      {"garbage.xps", "garbage.xps"},
      {"truncated.xps", "truncated.xps"},
      {"missing-page.xps", "/Documents/1/Pages/2.fpage"},
      {"absent.xps", "absent.xps"},
  };
  // With print options the job's tickets are read first, by another path.
  for (const auto& c : cases) {
    for (const bool optioned : {false, true}) {
      SCOPED_TRACE(optioned ? "with -o number-up=2" : "without options");
      std::vector<std::string> args = {"run", "--quiet", (scratch / c.file).string(), (scratch / "out.xps").string()};
      if (optioned) args.insert(args.begin() + 1, {"-o", "number-up=2"});
      const ProcessResult run = Xpspipe(args);
      EXPECT_EQ(run.exit_code, 1) << c.file << ": " << run.err;
      EXPECT_NE(run.err.find(c.names), std::string::npos) << c.file << ": " << run.err;
      EXPECT_EQ(run.err.find(c.names), run.err.rfind(c.names)) << "named twice: " << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.file << ": " << run.err;
      EXPECT_EQ(OtherFiles(scratch.Path(), {"sample.xps", "garbage.xps", "truncated.xps", "missing-page.xps"}),
                std::vector<std::string>{})
          << c.file;
    }
  }
}

TEST(Xpspipe, ViolationsAreRejectedOrProcessedSafely) {
  const fs::path dir = fs::path(KESTREL_CORPUS_DIR) / "violations";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  ScratchDir scratch;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const fs::path out = scratch / "out.xps";
    const ProcessResult run = Xpspipe({"run", "--quiet", entry.path().string(), out.string()}, 60s);
    ASSERT_FALSE(run.timed_out) << entry.path();
    ASSERT_TRUE(run.exit_code == 0 || run.exit_code == 1) << entry.path() << " exit " << run.exit_code << ": " << run.err;
    EXPECT_EQ(fs::exists(out), run.exit_code == 0) << entry.path();
    if (run.exit_code == 1) {
      EXPECT_FALSE(run.err.empty()) << entry.path();
    }
    fs::remove(out);
    EXPECT_EQ(OtherFiles(scratch.Path(), {}), std::vector<std::string>{}) << entry.path();
  }
}

// A driver package of its own for the scripted filter: the real filters and
// the scripted one, and a chain naming them.
class ScriptedChain : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& entry : fs::directory_iterator(KESTREL_DRIVER_DIR))
      fs::create_symlink(entry.path(), scratch_ / entry.path().filename().string());
    fs::create_symlink(KESTREL_SCRIPTED_FILTER, scratch_ / "libscriptflt.so");
    MakeSample(scratch_ / "sample.xps", 40);
  }

  void WriteChain(const std::string& name, const std::vector<std::string>& filters) {
    static const std::map<std::string, std::string> kClsids = {
        {"xprepflt", "{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}"},
        {"xordflt", "{0338B91C-FB1A-409B-B13C-F0AE34025A82}"},
        {"scriptflt", "{7D1E5C2A-3B4F-4E6A-9C8D-0A1B2C3D4E5F}"},
    };
    std::string xml = "<Filters>";
    for (const std::string& filter : filters)
      xml += "<Filter dll=\"" + filter + ".dll\" clsid=\"" + kClsids.at(filter) + "\" name=\"" + filter +
             "\"><Input guid=\"{0D8AA40A-A47F-48C8-9883-7A573D561841}\"/>"
             "<Output guid=\"{106C8D61-A065-45C1-83EC-F741905A5118}\"/></Filter>";
    WriteFile(scratch_ / (name + ".xml"), xml + "</Filters>");
  }

  std::vector<std::string> Run(const std::string& chain, std::vector<std::string> extra) {
    std::vector<std::string> args = {"run", "--quiet", "--driver", scratch_.Path().string(), "--config",
                                     (scratch_ / (chain + ".xml")).string(), "--output", Out().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back((scratch_ / "sample.xps").string());
    return args;
  }

  fs::path Out() const { return scratch_ / "out.xps"; }

  ScratchDir scratch_;
};

TEST_F(ScriptedChain, AFilterFailingMidJobStopsEveryThreadAndLeavesNoOutput) {
  WriteChain("failing", {"xprepflt", "scriptflt", "xordflt"});
  const ProcessResult run = Xpspipe(Run("failing", {"--property", "ScriptFailOnPage:uint=2"}), 60s);
  ASSERT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_NE(run.err.find("filter scriptflt (scriptflt.dll) stopped the job: E_FAIL"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(Out()));
  EXPECT_EQ(std::count_if(fs::directory_iterator(scratch_.Path()), fs::directory_iterator(),
                          [](const auto& e) { return e.path().filename().string().starts_with(".out.xps"); }),
            0);
}

TEST_F(ScriptedChain, SigtermCancelsTheJobAndLeavesNoOutput) {
  WriteChain("slow", {"xprepflt", "scriptflt", "xordflt"});
  std::vector<std::string> args = Run("slow", {"--property", "ScriptPageDelayMs:uint=100"});
  args.insert(args.begin(), KESTREL_XPSPIPE);
  const ProcessResult run = RunProcess(args, 60s, [](pid_t pid) {
    std::this_thread::sleep_for(700ms);
    kill(pid, SIGTERM);
  });
  ASSERT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 128 + SIGTERM) << run.err;
  EXPECT_NE(run.err.find("cancelled (SIGTERM)"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(ScriptedChain, NewPagesFromAFilterReachTheOutputUnderTheirNames) {
  WriteChain("copying", {"scriptflt", "xordflt"});
  MakeSample(scratch_ / "sample.xps", 3);
  const ProcessResult run = Xpspipe(Run("copying", {"--property", "ScriptCopyPages:bool=true"}));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const auto parts = ReadParts(Out());
  EXPECT_TRUE(parts.contains("/Copies/3.fpage"));
  EXPECT_EQ(parts.at("/Copies/2.fpage"), parts.at("/Documents/1/Pages/2.fpage"));
  // The document markup, made afresh, lists each page and its copy; the pages
  // of the input keep what their PageContent said, the new ones say nothing.
  const auto reader = kestrel::package::PackageReader::Open(Out());
  std::vector<std::pair<std::string, std::size_t>> listed;
  for (auto pages = reader->Pages(reader->Model().sequence.documents.at(0)); auto page = pages->Next();)
    listed.emplace_back(page->name, page->content_attributes.size());
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"/Documents/1/Pages/1.fpage", 2}, {"/Copies/1.fpage", 0}, {"/Documents/1/Pages/2.fpage", 2},
      {"/Copies/2.fpage", 0},           {"/Documents/1/Pages/3.fpage", 2}, {"/Copies/3.fpage", 0}};
  EXPECT_EQ(listed, expected);
  if (!kestrel::host::testing::HaveMutool()) GTEST_SKIP() << "mutool is not installed";
  const auto before = kestrel::host::testing::RenderPages(scratch_ / "sample.xps", scratch_ / "before");
  const auto after = kestrel::host::testing::RenderPages(Out(), scratch_ / "after");
  ASSERT_EQ(after.size(), 2 * before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_TRUE(after[2 * i] == before[i]) << "page " << i + 1;
    EXPECT_TRUE(after[2 * i + 1] == before[i]) << "copy of page " << i + 1;
  }
}

TEST(Xpspipe, JobTicketBecomesTheSequencesTicket) {
  ScratchDir scratch;
  MakeSample(scratch / "sample.xps", 2);
  const std::string ticket = ReadFile(fs::path(KESTREL_SOURCE_DIR) / "driver" / "tickets" / "default-user.xml");
  WriteFile(scratch / "job.xml", ticket);
  const ProcessResult added = Xpspipe({"run", "--quiet", "--job-ticket", (scratch / "job.xml").string(),
                                       (scratch / "sample.xps").string(), (scratch / "out.xps").string()});
  ASSERT_EQ(added.exit_code, 0) << added.err;
  EXPECT_EQ(added.err.find("replaces"), std::string::npos) << added.err;  // the sample had none
  const auto reader = kestrel::package::PackageReader::Open(scratch / "out.xps");
  ASSERT_TRUE(reader->Model().sequence.ticket.has_value());
  EXPECT_EQ(ReadParts(scratch / "out.xps").at(*reader->Model().sequence.ticket), ticket);

  const fs::path mb06 = fs::path(KESTREL_CORPUS_DIR) / "xps" / "mb06.xps";
  if (!fs::exists(mb06)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  const ProcessResult replaced = Xpspipe({"run", "--quiet", "--job-ticket", (scratch / "job.xml").string(),
                                          mb06.string(), (scratch / "mb06.xps").string()});
  ASSERT_EQ(replaced.exit_code, 0) << replaced.err;
  EXPECT_NE(replaced.err.find("the job ticket replaces the print ticket"), std::string::npos) << replaced.err;
  const auto replaced_reader = kestrel::package::PackageReader::Open(scratch / "mb06.xps");
  EXPECT_EQ(ReadParts(scratch / "mb06.xps").at(*replaced_reader->Model().sequence.ticket), ticket);
}

TEST(Xpspipe, FiltersOptionRunsASubChainInConfiguredOrder) {
  ScratchDir scratch;
  MakeSample(scratch / "sample.xps", 2);
  const ProcessResult one = Xpspipe({"run", "--quiet", "--filters", "xordflt", (scratch / "sample.xps").string(),
                                     (scratch / "out.xps").string()});
  ASSERT_EQ(one.exit_code, 0) << one.err;
  ExpectSameParts(scratch / "sample.xps", scratch / "out.xps");
  const ProcessResult unknown = Xpspipe({"run", "--filters", "xordflt,nosuch", (scratch / "sample.xps").string()});
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_NE(unknown.err.find("no filter nosuch"), std::string::npos) << unknown.err;
}

// Print options end to end: the output file as the second argument or
// --output, options that give one line, exit status 2 and no output.
TEST(Xpspipe, PrintOptionsAndTheOutputFile) {
  ScratchDir scratch;
  MakeSample(scratch / "sample.xps", 2);
  const std::string sample = (scratch / "sample.xps").string();
  // Up to the layout filter, whose sheets carry names from the clock: two runs give one package.
  const ProcessResult second = Xpspipe({"run", "--quiet", "--filters", "xprepflt,xordflt", "-o",
                                        "number-up=2 sides=two-sided-long-edge", sample, (scratch / "second.xps").string()});
  ASSERT_EQ(second.exit_code, 0) << second.err;
  const ProcessResult output = Xpspipe({"run", "--quiet", "--filters", "xprepflt,xordflt", "--output",
                                        (scratch / "output.xps").string(), "-onumber-up=2", "-o",
                                        "sides=two-sided-long-edge", sample});
  ASSERT_EQ(output.exit_code, 0) << output.err;
  EXPECT_EQ(output.err, "");  // the sample has no ticket of its own to override
  EXPECT_TRUE(ReadFile(scratch / "second.xps") == ReadFile(scratch / "output.xps"));
  const auto reader = kestrel::package::PackageReader::Open(scratch / "output.xps");
  ASSERT_TRUE(reader->Model().sequence.ticket.has_value());  // the options' ticket, on a sequence that had none

  const struct {
    std::vector<std::string> options;
    const char* says;
  } refused[] = {
      {{"-o", "number-up=7"}, "xpspipe: -o number-up=7: the printer offers 1, 2, 4, 6, 8, 9, 16 or 25\n"},
      {{"-o", "booklet", "-o", "sides=one-sided"}, "contradict each other"},
      {{"-o", "binding=left", "-o", "binding-gutter=ten"}, "-o binding-gutter=ten: wants a length"},
      {{"-o", "out.xps"}, "the output file is now the second argument"},
  };
  for (const auto& c : refused) {
    std::vector<std::string> args = {"run", "--quiet"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(sample);
    args.push_back((scratch / "refused.xps").string());
    const ProcessResult run = Xpspipe(args);
    SCOPED_TRACE(c.says);
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(OtherFiles(scratch.Path(), {"sample.xps", "second.xps", "output.xps"}), std::vector<std::string>{});
  }
}

TEST(Xpspipe, OptionsListsWhatThePrinterTakes) {
  const ProcessResult text = Xpspipe({"options"});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_NE(text.out.find("\nnumber-up/Pages per sheet: *1 2 4 6 8 9 16 25\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\nsides/Two-sided printing: *one-sided two-sided-long-edge two-sided-short-edge\n"),
            std::string::npos)
      << text.out;
  const ProcessResult json = Xpspipe({"options", "--json"});
  ASSERT_EQ(json.exit_code, 0) << json.err;
  EXPECT_NE(json.out.find("\"value\": \"A4\""), std::string::npos);
  EXPECT_NE(json.out.find("\"iso_a4_210x297mm\""), std::string::npos);
}

TEST(Xpspipe, CommandLine) {
  const ProcessResult help = Xpspipe({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{}, "no command"},
      {{"print", "a.xps"}, "unknown command"},
      {{"run"}, "needs an input"},
      {{"run", "--bogus", "a.xps"}, "unknown option --bogus"},
      {{"run", "-o"}, "-o needs a value"},
      {{"run", "--property", "NoValue", "a.xps"}, "KEY=VALUE"},
      {{"run", "a.xps", "b.xps", "c.xps"}, "one input document and one output file (got 3 files)"},
      {{"run", "--output", "b.xps", "a.xps", "c.xps"}, "one input document and one output file"},
      {{"run", "-o", "b.xps", "a.xps"}, "-o b.xps: no such print option; the output file is now the second argument"},
      {{"run", "-onosuch", "a.xps"}, "-o nosuch: no such print option"},
      {{"options", "--text"}, "options takes --driver DIR and --json only"},
  };
  for (const auto& c : cases) {
    const ProcessResult run = Xpspipe(c.args);
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

}  // namespace
