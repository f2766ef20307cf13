// xpspipe ticket: merge, capabilities, devmode, show and default on the real
// tickets of the corpus, on hostile ones (never a crash, always an answer),
// with the printer a driver package names, and the package's default ticket.
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

ProcessResult Ticket(std::vector<std::string> args) {
  args.insert(args.begin(), {KESTREL_XPSPIPE, "ticket"});
  return RunProcess(args, 60s);
}

const fs::path kCorpusTickets = fs::path(KESTREL_CORPUS_DIR) / "tickets";

std::string Corpus(const char* name) { return (kCorpusTickets / name).string(); }

#define SKIP_WITHOUT_CORPUS() \
  if (!fs::is_directory(kCorpusTickets)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR

const char kImageableExtentWidth[] =
    "/psf:PrintCapabilities/psf:Property[@name='psk:PageImageableSize']/psf:Property[@name='psk:ImageableArea']"
    "/psf:Property[@name='psk:ExtentWidth']/psf:Value";

TEST(TicketTools, MergeOfTheCorpusTicketsKeepsBothAndTheirNamespaces) {
  SKIP_WITHOUT_CORPUS();
  const ProcessResult mb06 = Ticket({"merge", Corpus("mb06-job.xml"), Corpus("mb06-document1.xml")});
  ASSERT_EQ(mb06.exit_code, 0) << mb06.err;
  EXPECT_EQ(ParameterValue(mb06.out, "psk:JobCopiesAllDocuments"), "2");
  EXPECT_EQ(SelectedOption(mb06.out, "psk:DocumentDuplex"), "psk:TwoSidedLongEdge");

  // The page ticket's own items replace the job's; the private snapshot keeps its ns0000 namespace.
  const ProcessResult mb09 = Ticket({"merge", Corpus("mb09-job.xml"), Corpus("mb09-page1.xml")});
  ASSERT_EQ(mb09.exit_code, 0) << mb09.err;
  EXPECT_EQ(SelectedOption(mb09.out, "psk:PageOrientation"), "psk:Portrait");
  EXPECT_EQ(SelectedOption(mb09.out, "psk:JobInputBin"), "psk:AutoSelect");
  EXPECT_NE(mb09.out.find("xmlns:ns0000="), std::string::npos);
  EXPECT_EQ(TicketValue(mb09.out, "count(//psf:ParameterInit[@name='ns0000:PageDevmodeSnapshot'])"), "1");

  const ProcessResult json = Ticket({"merge", "--json", Corpus("mb06-job.xml"), Corpus("mb06-document1.xml")});
  ASSERT_EQ(json.exit_code, 0) << json.err;
  EXPECT_NE(json.out.find("\"name\": \"psk:JobCopiesAllDocuments\", \"value\": \"2\""), std::string::npos)
      << json.out;
}

TEST(TicketTools, EveryCorpusTicketHasCapabilitiesADevModeAndSettings) {
  SKIP_WITHOUT_CORPUS();
  for (const auto& entry : fs::directory_iterator(kCorpusTickets)) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::string file = entry.path().string();
    const ProcessResult capabilities = Ticket({"capabilities", file});
    ASSERT_EQ(capabilities.exit_code, 0) << capabilities.err;
    // All of them are Letter portrait: the hardware margins of 4233 microns on each side.
    EXPECT_EQ(TicketValue(capabilities.out, kImageableExtentWidth), "207434");
    const ProcessResult devmode = Ticket({"devmode", "--json", file});
    ASSERT_EQ(devmode.exit_code, 0) << devmode.err;
    EXPECT_NE(devmode.out.find("\"dmPaperSize\": 1"), std::string::npos) << devmode.out;
    const ProcessResult show = Ticket({"show", file});
    ASSERT_EQ(show.exit_code, 0) << show.err;
    EXPECT_NE(show.out.find("\"imageableArea\": {\n    \"hresult\": \"S_OK"), std::string::npos) << show.out;
  }
  const ProcessResult copies = Ticket({"devmode", Corpus("mb06-job.xml")});
  EXPECT_NE(copies.out.find("dmCopies: 2\n"), std::string::npos) << copies.out;
}

// Broken and hostile tickets: a clear message naming the file and exit status 1,
// or a safe answer; never a crash or a hang.
TEST(TicketTools, HostileTicketsGetAnAnswerNeverACrash) {
  ScratchDir scratch;
  const std::string psf = "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
  const std::string psk = "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";
  const std::string open = "<psf:PrintTicket version=\"1\" xmlns:psf=\"" + psf + "\" xmlns:psk=\"" + psk +
                           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                           " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">";
  // Well-formed, but nested far deeper than any ticket.
  std::string deep = open;
  for (int i = 0; i < 5000; ++i) deep += "<psf:Feature name=\"psk:X\">";
  for (int i = 0; i < 5000; ++i) deep += "</psf:Feature>";
  deep += "</psf:PrintTicket>";
  // Entities that would expand to a billion characters.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE psf:PrintTicket [<!ENTITY a \"aaaaaaaaaa\">";
  for (char c = 'b'; c <= 'j'; ++c) {
    laughs += "<!ENTITY ";
    laughs += c;
    laughs += " \"";
    for (int i = 0; i < 10; ++i) laughs += std::string("&") + static_cast<char>(c - 1) + ";";
    laughs += "\">";
  }
  laughs += "]>" + open + "<psf:Property name=\"psk:JobName\"><psf:Value>&j;</psf:Value></psf:Property></psf:PrintTicket>";

  const struct {
    const char* name;
    std::string text;
    bool refused;  // a failure is the only right answer
  } cases[] = {
      {"not-xml.xml", "this is not a print ticket", true},
      {"empty.xml", "", true},
      {"binary.xml", std::string("\0\xff\xfe\x01PK\x03\x04", 9), true},
      {"wrong-root.xml", "<psf:PrintCapabilities version=\"1\" xmlns:psf=\"" + psf + "\"/>", true},
      {"no-namespace.xml", "<PrintTicket version=\"1\"/>", true},
      {"wrong-version.xml", "<psf:PrintTicket version=\"2\" xmlns:psf=\"" + psf + "\"/>", true},
      {"truncated.xml", open + "<psf:Feature name=\"psk:PageMediaSize\"><psf:Opt", true},
      {"deep.xml", deep, true},
      {"entities.xml", laughs, true},
      {"huge-copies.xml",
       open + "<psf:ParameterInit name=\"psk:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xsd:integer\">"
              "99999999999999999999999999</psf:Value></psf:ParameterInit></psf:PrintTicket>",
       false},
      {"huge-media.xml",
       open + "<psf:Feature name=\"psk:PageMediaSize\"><psf:Option name=\"psk:CustomMediaSize\">"
              "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:Value>2147483647</psf:Value></psf:ScoredProperty>"
              "<psf:ScoredProperty name=\"psk:MediaSizeHeight\"><psf:Value>-2147483648</psf:Value>"
              "</psf:ScoredProperty></psf:Option></psf:Feature></psf:PrintTicket>",
       false},
      {"huge-name.xml",
       open + "<psf:Feature name=\"psk:" + std::string(1 << 20, 'N') + "\"><psf:Option name=\"psk:" +
           std::string(1 << 20, 'O') + "\"/></psf:Feature></psf:PrintTicket>",
       false},
      {"many-features.xml",
       [&] {
         std::string text = open;
         for (int i = 0; i < 20000; ++i) text += "<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:Landscape\"/></psf:Feature>";
         return text + "</psf:PrintTicket>";
       }(),
       false},
  };
  const std::string good = (scratch / "good.xml").string();
  WriteFile(good, open + "</psf:PrintTicket>");
  for (const auto& c : cases) {
    const std::string file = (scratch / c.name).string();
    WriteFile(file, c.text);
    const std::vector<std::vector<std::string>> runs = {
        {"merge", file, good}, {"merge", good, file}, {"capabilities", file}, {"devmode", file}, {"show", file}};
    for (const auto& args : runs) {
      SCOPED_TRACE(std::string(c.name) + ": " + args[0] + (args.size() > 2 && args[2] == file ? " (delta)" : ""));
      const ProcessResult run = Ticket(args);
      ASSERT_FALSE(run.timed_out);
      if (c.refused) {
        EXPECT_EQ(run.exit_code, 1) << run.err;
        EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out.substr(0, 200);
      } else {
        EXPECT_EQ(run.exit_code, 0) << run.err;
        EXPECT_FALSE(run.out.empty());
      }
    }
  }
}

TEST(TicketTools, OutOfRangeValuesAreResolvedAndSaidSo) {
  ScratchDir scratch;
  const std::string ticket = ReadFile(fs::path(KESTREL_SOURCE_DIR) / "driver" / "tickets" / "default-user.xml");
  const std::string delta = std::regex_replace(ticket, std::regex("psk:NorthAmericaLetter"), "psk:NoSuchPaper");
  WriteFile(scratch / "delta.xml", delta);
  const ProcessResult merged = Ticket({"merge", (scratch / "delta.xml").string(), (scratch / "delta.xml").string()});
  ASSERT_EQ(merged.exit_code, 0) << merged.err;
  EXPECT_NE(merged.err.find("conflicts resolved"), std::string::npos) << merged.err;
  EXPECT_EQ(SelectedOption(merged.out, "psk:PageMediaSize"), "psk:NorthAmericaLetter");
}

// A driver package of another printer: its manifest chooses the description.
TEST(TicketTools, TheDriverPackageChoosesThePrinter) {
  ScratchDir scratch;
  fs::create_directories(scratch / "printer");
  const std::string reference =
      ReadFile(fs::path(KESTREL_SOURCE_DIR) / "driver" / "printer" / "kestrel-inkjet-mfp.xml");
  WriteFile(scratch / "printer" / "wide.xml",
            std::regex_replace(reference, std::regex("<HardwareMargins[^>]*>"),
                               "<HardwareMargins left=\"10000\" top=\"10000\" right=\"10000\" bottom=\"10000\"/>"));
  WriteFile(scratch / "manifest.xml",
            "<DriverPackage><Printer name=\"Wide Margins\" description=\"printer/wide.xml\"/></DriverPackage>");
  const std::string ticket = (fs::path(KESTREL_SOURCE_DIR) / "driver" / "tickets" / "default-user.xml").string();
  const ProcessResult capabilities = Ticket({"capabilities", "--driver", scratch.Path().string(), ticket});
  ASSERT_EQ(capabilities.exit_code, 0) << capabilities.err;
  EXPECT_EQ(TicketValue(capabilities.out, kImageableExtentWidth), "195900");
  const ProcessResult devmode = Ticket({"devmode", "--driver", scratch.Path().string(), ticket});
  EXPECT_NE(devmode.out.find("dmDeviceName: Wide Margins\n"), std::string::npos) << devmode.out;

  const struct {
    const char* manifest;  // nullptr: none
    const char* says;
  } broken[] = {
      {nullptr, "manifest.xml: cannot open"},
      {"<Driver/>", "the root element must be <DriverPackage>"},
      {"<DriverPackage/>", "no <Printer> named"},
      {"<DriverPackage><Printer name=\"P\"/></DriverPackage>", "needs the attribute description"},
      {"<DriverPackage><Printer name=\"P\" description=\"printer/none.xml\"/></DriverPackage>", "none.xml"},
      {"<DriverPackage><Printer name=\"P\" description=\"manifest.xml\"/></DriverPackage>", "is refused"},
      {"<DriverPackage", "manifest.xml"},
  };
  for (const auto& c : broken) {
    SCOPED_TRACE(c.manifest ? c.manifest : "no manifest");
    fs::remove(scratch / "manifest.xml");
    if (c.manifest) WriteFile(scratch / "manifest.xml", c.manifest);
    const ProcessResult run = Ticket({"capabilities", "--driver", scratch.Path().string(), ticket});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

// The user ticket of the package is the printer's own default: nothing for a merge to resolve.
TEST(TicketTools, ThePackagesUserTicketIsThePrintersDefault) {
  const ProcessResult generated = Ticket({"default"});
  ASSERT_EQ(generated.exit_code, 0) << generated.err;
  EXPECT_EQ(ReadFile(fs::path(KESTREL_SOURCE_DIR) / "driver" / "tickets" / "default-user.xml"), generated.out)
      << "regenerate it with: xpspipe ticket default > driver/tickets/default-user.xml";
}

TEST(TicketTools, CommandLine) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{}, "ticket needs a tool"},
      {{"print", "a.xml"}, "unknown ticket tool \"print\""},
      {{"merge", "a.xml"}, "takes two ticket files"},
      {{"capabilities"}, "takes one ticket file"},
      {{"default", "a.xml"}, "takes no ticket file"},
      {{"show", "--text", "a.xml"}, "JSON only"},
      {{"devmode", "--text", "--json", "a.xml"}, "exclude each other"},
      {{"devmode", "--bogus", "a.xml"}, "unknown option --bogus"},
      {{"devmode", "a.xml", "--driver"}, "--driver needs a value"},
  };
  for (const auto& c : cases) {
    const ProcessResult run = Ticket(c.args);
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  const ProcessResult help = RunProcess({KESTREL_XPSPIPE, "--help"}, 60s);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("xpspipe ticket merge"), std::string::npos) << help.out;
}

}  // namespace
