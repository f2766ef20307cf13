// The header/footer end to end: xpspipe with the print options on corpus
// documents, alone and before 2-up; header_footer_check.py reads every page
// back with mutool (the exact line, at its corner of the printable area, drawn
// dark), has xpstopng accept it, and finds one font part for the job, the
// installed font once de-obfuscated. A ticket whose format does not fit its
// data leaves the pages as they were, with a warning.
#include <gtest/gtest.h>

#include <ctime>

#include "tests/host/host_test_support.h"
#include "tests/ticket/ticket_documents.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ReadParts;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;

constexpr char kPython[] = "/usr/bin/python3";
constexpr char kSubmitted[] = "2024-03-09T13:05:07Z";
constexpr std::time_t kSubmittedSeconds = 1709989507;
// What the default "Arial" is on Debian: its metric twin.
constexpr char kFont[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const std::string kCheckScript =
    (fs::path(KESTREL_RENDER_SCRIPT).parent_path().parent_path() / "preparation" / "header_footer_check.py").string();

// The submission time as the filter prints it: in the local time of the
// process, which xpspipe inherits.
std::string Local(const char* format) {
  std::tm tm{};
  localtime_r(&kSubmittedSeconds, &tm);
  char text[64];
  std::strftime(text, sizeof text, format, &tm);
  return text;
}

std::string Corpus(const std::string& relative) { return (fs::path(KESTREL_CORPUS_DIR) / relative).string(); }

TEST(HeaderFooterXpspipe, EveryPageCarriesTheLineAtItsCornerWithOneFontPartForTheJob) {
  if (!fs::exists(Corpus("xps/mb06.xps"))) GTEST_SKIP() << "no corpus at " << KESTREL_CORPUS_DIR;
  struct Case {
    const char* label;
    std::string input;
    std::vector<std::string> options;
    std::string text;
    const char* perPage;
    const char* corner;
  };
  const Case cases[] = {
      {"date, time and an ID with markup characters, top right",
       "xps/mb06.xps",
       {"header-footer", "header-footer-position=top-right", "header-footer-date=y-m-d", "header-footer-time=h:m:s",
        "header-footer-id='R&D <7>'"},
       Local("%Y-%m-%d %H:%M:%S") + " R&D <7>",
       "1",
       "top-right"},
      {"names from the language module, bottom left, OpenXPS",
       "oxps/mb01.oxps",
       {"header-footer header-footer-position=bottom-left header-footer-id=none", "header-footer-date='W, d M y'",
        "header-footer-time='H:m A'"},
       Local("%A, %d %B %Y ") + std::to_string((std::stoi(Local("%H")) + 11) % 12 + 1) + Local(":%M %p"),
       "1",
       "bottom-left"},
      {"before 2-up: twice on a full sheet",
       "xps/mb06.xps",
       {"number-up=2", "header-footer", "header-footer-date=y/m/d", "header-footer-time=none", "header-footer-id=none"},
       Local("%Y/%m/%d"),
       "2,1",
       "any"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScratchDir scratch;
    const std::string out = (scratch / "out.xps").string();
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--submitted", kSubmitted};
    for (const std::string& option : c.options) {
      args.push_back("-o");
      args.push_back(option);
    }
    args.push_back(Corpus(c.input));
    args.push_back(out);
    const auto run = RunProcess(args, 120s);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto check = RunProcess({kPython, kCheckScript, out, c.text, c.perPage, c.corner, kFont}, 120s);
    EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
  }
}

TEST(HeaderFooterXpspipe, AFormatThatDoesNotFitItsDataLeavesThePagesAsTheyWere) {
  if (!fs::exists(Corpus("xps/mb01.xps"))) GTEST_SKIP() << "no corpus at " << KESTREL_CORPUS_DIR;
  ScratchDir scratch;
  const std::string format =
      ticket_test::Feature("kp:PageHeaderFooter",
                           ticket_test::Option("kp:On") +
                               ticket_test::Feature(
                                   "kp:DateFormat",
                                   ticket_test::Option("kp:Type1",
                                                       ticket_test::Scored("kp:StringFormat",
                                                                           ticket_test::StringValue("%s %n")) +
                                                           ticket_test::Scored("kp:DataFormat",
                                                                               ticket_test::StringValue("dm")))));
  WriteFile(scratch / "job.xml", ticket_test::TicketXml(format, ticket_test::kDriverDeclarations));
  const std::string out = (scratch / "out.xps").string();
  const auto run = RunProcess({KESTREL_XPSPIPE, "run", "--quiet", "--job-ticket", (scratch / "job.xml").string(),
                               Corpus("xps/mb01.xps"), out},
                              120s);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("xprepflt: a page decoration is left off"), std::string::npos) << run.err;
  const auto in = ReadParts(Corpus("xps/mb01.xps"));
  const auto parts = ReadParts(out);
  for (const auto& [name, bytes] : parts) {
    EXPECT_EQ(name.find(".odttf"), std::string::npos) << name;
    if (name.ends_with(".fpage")) {
      EXPECT_EQ(bytes, in.at(name)) << name;
    }
  }
}

}  // namespace
