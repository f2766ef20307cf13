// The ticket flow end to end: a job through xpspipe with a filter of the
// framework that records the merged ticket of every level it is handed.
#include <gtest/gtest.h>

#include <regex>

#include "tests/host/host_test_support.h"
#include "tests/host/ticket_xpath.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ParameterValue;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::SelectedOption;
using kestrel::host::testing::TicketValue;
using kestrel::host::testing::WriteFile;

// The bundled driver package with the probe first in its chain, then the real filters.
class TicketFlowEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(driver_);
    fs::create_directories(probe_dir_);
    for (const auto& entry : fs::directory_iterator(KESTREL_DRIVER_DIR))
      fs::create_symlink(entry.path(), driver_ / entry.path().filename());
    std::string xml = "<Filters><Filter dll=\"" + std::string(KESTREL_TICKET_PROBE_FILTER) +
                      "\" clsid=\"{5A0C7E31-94D2-4B8F-A6E1-2C3D4B5A6F70}\" name=\"probe\">"
                      "<Input guid=\"{0D8AA40A-A47F-48C8-9883-7A573D561841}\"/>"
                      "<Output guid=\"{106C8D61-A065-45C1-83EC-F741905A5118}\"/></Filter>";
    const std::string chain = ReadFile(fs::path(KESTREL_DRIVER_DIR) / "pipelines" / "xps.xml");
    const std::size_t start = chain.find("<Filter "), end = chain.rfind("</Filters>");
    ASSERT_NE(start, std::string::npos);
    WriteFile(scratch_ / "chain.xml", xml + chain.substr(start, end - start) + "</Filters>");
  }

  ProcessResult Run(const fs::path& document, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--driver", driver_.string(),
                                     "--config", (scratch_ / "chain.xml").string(), "--property",
                                     "TicketProbeDir=" + probe_dir_.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(document.string());
    args.push_back((scratch_ / "out.xps").string());
    return RunProcess(args, 120s);
  }

  std::string Recorded(const std::string& level) const { return ReadFile(probe_dir_ / (level + ".xml")); }
  std::string Levels() const { return ReadFile(probe_dir_ / "levels.txt"); }

  ScratchDir scratch_;
  fs::path driver_ = scratch_ / "driver";
  fs::path probe_dir_ = scratch_ / "probe";
};

TEST_F(TicketFlowEndToEnd, JobAndDocumentTicketsOfMb06ReachEveryLevelMerged) {
  const fs::path mb06 = fs::path(KESTREL_CORPUS_DIR) / "xps" / "mb06.xps";
  if (!fs::exists(mb06)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  const ProcessResult run = Run(mb06);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Levels(), "job 1 1\ndocument 1 1\npage 1 0\npage 2 0\npage 3 0\n");

  // The job: the user ticket (the printer's defaults) with the job ticket's two copies.
  const std::string job = Recorded("job-1");
  EXPECT_EQ(ParameterValue(job, "psk:JobCopiesAllDocuments"), "2");
  EXPECT_EQ(SelectedOption(job, "psk:PageMediaSize"), "psk:NorthAmericaLetter");
  EXPECT_EQ(SelectedOption(job, "psk:DocumentDuplex"), "psk:OneSided");
  // The user ticket's N-up choices never reach a merged ticket.
  EXPECT_EQ(TicketValue(job, "count(//psf:Feature[@name='psk:DocumentNUp'])"), "0");
  EXPECT_EQ(TicketValue(job, "count(//psf:Feature[@name='psk:JobNUpAllDocumentsContiguously'])"), "0");

  // The document: the job ticket with the document's duplex.
  const std::string document = Recorded("document-1");
  EXPECT_EQ(ParameterValue(document, "psk:JobCopiesAllDocuments"), "2");
  EXPECT_EQ(SelectedOption(document, "psk:DocumentDuplex"), "psk:TwoSidedLongEdge");
  EXPECT_EQ(TicketValue(document, "count(//psf:Feature[@name='psk:DocumentNUp'])"), "0");

  // Pages without tickets of their own: each is the document ticket.
  for (const char* page : {"page-1", "page-2", "page-3"}) EXPECT_EQ(Recorded(page), document) << page;
}

TEST_F(TicketFlowEndToEnd, WithoutTicketsEveryLevelIsTheUserTicket) {
  ScratchDir samples;
  const ProcessResult made =
      RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", "2", (samples / "sample.xps").string()}, 60s);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  const std::string user = ReadFile(fs::path(KESTREL_SOURCE_DIR) / "driver" / "tickets" / "default-user.xml");
  const std::string a4 =
      std::regex_replace(user, std::regex("psk:NorthAmericaLetter"), "psk:ISOA4");
  WriteFile(scratch_ / "a4.xml", a4);
  const ProcessResult run = Run(samples / "sample.xps", {"--ticket", (scratch_ / "a4.xml").string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Levels(), "job 1 0\ndocument 1 0\npage 1 0\npage 2 0\n");
  const std::string job = Recorded("job-1");
  EXPECT_EQ(SelectedOption(job, "psk:PageMediaSize"), "psk:ISOA4");
  EXPECT_EQ(TicketValue(job, "count(//psf:Feature[@name='psk:DocumentNUp'])"), "0");
  for (const char* level : {"document-1", "page-1", "page-2"}) EXPECT_EQ(Recorded(level), job) << level;
}

}  // namespace
