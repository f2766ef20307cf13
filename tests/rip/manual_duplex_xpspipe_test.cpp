// Manual duplex end to end: xpspipe runs the print chain of a driver package
// whose converter is the manual-duplex stand-in (fronts as printer data,
// backs as listed files), then the print UI: the package's manual-duplex
// program appends the backs to the job's output, or the user is told where
// they are.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "host/print_ui/print_ui_request.h"
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
using ::testing::HasSubstr;

constexpr auto kLimit = 120s;

class ManualDuplex : public ::testing::Test {
 protected:
  void SetUp() override {
    rip_test::LayOutDriverPackage(Driver(), KESTREL_DUPLEX_CONVERTER_DIR);
    fs::create_directory(Files());
    setenv("KESTREL_DUPLEX_FILES", Files().c_str(), 1);
    ASSERT_EQ(RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", "5", Input().string()}, kLimit).exit_code, 0);
    using namespace ticket_test;
    WriteFile(Ticket(), TicketXml(Feature("psk:JobDuplexAllDocumentsContiguously",
                                          Option("psk:TwoSidedLongEdge",
                                                 Scored("psk:DuplexMode", StringValue("Manual"))))));
  }
  void TearDown() override { unsetenv("KESTREL_DUPLEX_FILES"); }

  ProcessResult Run(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run",    "--config", "print", "--driver", Driver().string(),
                                     "--quiet",       "--output", Out().string(), "--job-ticket", Ticket().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(Input().string());
    return RunProcess(args, kLimit);
  }
  // The list file the converter's back sides went into.
  fs::path List() const {
    for (const fs::directory_entry& entry : fs::directory_iterator(Files()))
      if (entry.path().filename().string().starts_with("kv")) return entry.path();
    return {};
  }
  std::vector<std::string> FilesLeft() const { return rip_test::FileNamesIn(Files()); }
  std::string Back(int page) const { return (Files() / ("back" + std::to_string(page) + ".prn")).string(); }

  fs::path Driver() const { return scratch_ / "driver"; }
  fs::path Files() const { return scratch_ / "files"; }
  fs::path Input() const { return scratch_ / "five.xps"; }
  fs::path Ticket() const { return scratch_ / "manual.xml"; }
  fs::path Out() const { return scratch_ / "out.prn"; }

  ScratchDir scratch_;
};

TEST_F(ManualDuplex, TheFrontsPrintAndTheRequestNamesTheProgramAndTheList) {
  const fs::path requests = scratch_ / "requests.txt";
  const ProcessResult run = Run({"--print-ui-requests", requests.string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(Out()), "front 1\nfront 3\nfront 5\n");
  const fs::path list = List();
  ASSERT_FALSE(list.empty());
  EXPECT_THAT(FilesLeft(), ::testing::ElementsAre("back2.prn", "back4.prn", list.filename().string()));
  EXPECT_EQ(ReadFile(list), "[FileList]\n1=" + Back(2) + "\n2=" + Back(4) + "\n");
  struct stat info{};
  ASSERT_EQ(stat(list.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const std::vector<std::string> lines = rip_test::ReadLines(requests);
  ASSERT_EQ(lines.size(), 1u);
  const kestrel::print_ui::PrintUiRequest request =
      kestrel::print_ui::ParsePrintUiRequest(Utf8ToUtf16(lines[0]).value());
  EXPECT_EQ(request.dll, u"xripflt.DLL");
  EXPECT_EQ(request.entrypoint, u"StartManualDuplex");
  EXPECT_EQ(request.argument, Utf8ToUtf16("14 kvmanualduplex " + list.string()).value());
  EXPECT_TRUE(lines[0].starts_with("<?xml version=\"1.0\" ?><asyncPrintUIRequest xmlns=\"")) << lines[0];
}

TEST_F(ManualDuplex, WithoutATerminalTheBackSidesFollowInOrder) {
  const ProcessResult run = Run();
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(Out()), "front 1\nfront 3\nfront 5\nback 2\nback 4\n");
  // The program removed what it printed.
  EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(ManualDuplex, BackSidesThatCannotBePrintedAreNamed) {
  struct Case {
    const char* what;
    std::string program;  // "KvmdFileName64"
    std::string says;
  };
  const Case cases[] = {
      {"a missing program", "nothere", "the back sides were not printed by the manual-duplex program; they are listed in "},
      {"a program outside the package", "../kvmanualduplex", "were not printed"},
      {"a program in a subfolder", "3/kvmanualduplex", "were not printed"},
      {"a name with a blank", "kv manual duplex", "were not printed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const fs::path& left : {Out(), List()})
      if (!left.empty()) fs::remove(left);
    const ProcessResult run = Run({"--property", "KvmdFileName64=" + c.program});
    EXPECT_EQ(run.exit_code, 1);
    ASSERT_FALSE(List().empty());
    EXPECT_THAT(run.err, HasSubstr(c.says));
    EXPECT_THAT(run.err, HasSubstr(List().string()));
    // The fronts are printed; the backs wait in their files.
    EXPECT_EQ(ReadFile(Out()), "front 1\nfront 3\nfront 5\n");
    EXPECT_EQ(ReadFile(Back(4)), "back 4\n");
  }
}

TEST_F(ManualDuplex, WithoutAProgramNameTheJobFailsNamingTheList) {
  const ProcessResult run = Run({"--property", "KvmdFileName64="});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("the back sides cannot be handed to the manual-duplex program (no manual-duplex "
                                 "program (\"KvmdFileName64\") is named); they are listed in " +
                                 List().string()));
  EXPECT_FALSE(fs::exists(Out()));
  EXPECT_EQ(ReadFile(Back(2)), "back 2\n");
}

TEST_F(ManualDuplex, AOneSidedJobHasNoBackSides) {
  fs::remove(Ticket());
  WriteFile(Ticket(), ticket_test::TicketXml(ticket_test::Feature("psk:JobDuplexAllDocumentsContiguously",
                                                                  ticket_test::Option("psk:TwoSidedLongEdge"))));
  const fs::path requests = scratch_ / "requests.txt";
  const ProcessResult run = Run({"--print-ui-requests", requests.string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(Out()), "page 1\npage 2\npage 3\npage 4\npage 5\n");
  EXPECT_FALSE(fs::exists(requests));
  EXPECT_TRUE(FilesLeft().empty());
}

}  // namespace
