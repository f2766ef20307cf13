// The finisher filter end to end: xpspipe on corpus and Ghostscript-made
// documents, alone and in the XPS chain. Mirrored, turned and transverse pages,
// rendered by mutool and by xpstopng, show the input page turned or mirrored
// accordingly; poster tiles after the layout filter are clipped to the
// printable area with the twelve cut-out marks; pages under a ticket that asks
// for nothing come out byte for byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/host/host_test_support.h"
#include "tests/ticket/ticket_documents.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadParts;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;
using ::testing::HasSubstr;

constexpr auto kLimit = 180s;
constexpr char kPython[] = "/usr/bin/python3";
constexpr char kGhostscript[] = "/usr/bin/gs";
const std::string kCheckScript =
    (fs::path(KESTREL_RENDER_SCRIPT).parent_path().parent_path() / "finisher" / "finished_page_check.py").string();
// RMSE (0 to 255, after a one-pixel blur) within which a rendering matches the
// turned input; a page left as it was is far beyond it.
constexpr double kMatch = 8;

using ticket_test::Feature;
using ticket_test::IntValue;
using ticket_test::Option;
using ticket_test::Property;
using ticket_test::Scored;
using ticket_test::StringValue;

std::string Ticket(const std::string& body) { return ticket_test::TicketXml(body, ticket_test::kDriverDeclarations); }
std::string Mirror(const std::string& option) { return Feature("psk:PageMirrorImage", Option("psk:" + option)); }
const std::string kReverse = Feature("kp:PageReverseImage", Option("kp:On"));
std::string Transverse(const std::string& orientation) {
  return Feature("psk:PageOrientation", Option("psk:" + orientation)) +
         Property("kp:PageMediaSizeData", Property("kp:TransverseMode", StringValue("On")));
}
const std::string kPosterWithCutOutLines =
    Feature("psk:PagePoster", Option("psk:On", Scored("psk:SheetsPerPage", IntValue(4))) +
                                  Feature("kp:PagePrintCutOutLine", Option("kp:On")));

class FinisherEndToEnd : public ::testing::Test {
 protected:
  // filters: "" for the whole XPS chain, else the --filters list.
  void Run(const fs::path& input, const std::string& ticket, const std::string& filters, const fs::path& output) {
    WriteFile(scratch_ / "job.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--output", output.string(),
                                     "--job-ticket", (scratch_ / "job.xml").string()};
    if (!filters.empty()) args.insert(args.end(), {"--filters", filters});
    args.push_back(input.string());
    const ProcessResult run = RunProcess(args, kLimit);
    ASSERT_EQ(run.exit_code, 0) << run.err;
  }
  fs::path Out() const { return scratch_ / "out.xps"; }

  static bool HaveTools() { return access(kPython, X_OK) == 0 && access(kGhostscript, X_OK) == 0; }

  // Letter pages made by Ghostscript that look different turned and mirrored
  // (a block of colour off-centre, a number, a diagonal), the last one landscape.
  fs::path Marks() {
    const fs::path program = scratch_ / "marks.ps", marks = scratch_ / "marks.xps";
    WriteFile(program,
              "%!PS\n/Helvetica-Bold findfont 160 scalefont setfont\n1 1 3 {\n/n exch def\n"
              "<< /PageSize n 3 eq {[792 612]} {[612 792]} ifelse >> setpagedevice\n"
              "n 0.1 mul 0.3 1 n 0.1 mul sub setrgbcolor\n"
              "n 1 sub 180 mul 40 add 80 170 200 rectfill\n"
              "0 setgray 200 360 moveto n 3 string cvs show\n"
              "0 0 1 setrgbcolor 30 30 moveto 400 560 lineto 8 setlinewidth stroke\nshowpage\n} for\n");
    const ProcessResult made = RunProcess({kGhostscript, "-dNOSAFER", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=xpswrite",
                                           "-sOutputFile=" + marks.string(), program.string()},
                                          kLimit);
    EXPECT_EQ(made.exit_code, 0) << made.err;
    return marks;
  }

  // The output's page markup in the order of its fixed documents.
  static std::vector<std::string> PagesOf(const fs::path& xps) {
    const auto reader = kestrel::package::PackageReader::Open(xps);
    const auto parts = ReadParts(xps);
    std::vector<std::string> pages;
    for (const auto& document : reader->Model().sequence.documents)
      for (auto cursor = reader->Pages(document); const auto page = cursor->Next();) pages.push_back(parts.at(page->name));
    return pages;
  }

  // The check script's numbers, or nothing when it skipped.
  std::optional<std::vector<double>> Check(const std::vector<std::string>& args, const char* format, int count) {
    std::vector<std::string> command = {kPython, kCheckScript};
    command.insert(command.end(), args.begin(), args.end());
    const ProcessResult run = RunProcess(command, kLimit);
    if (run.exit_code == 77) return std::nullopt;
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
    std::vector<double> values(3, 1e9);
    EXPECT_EQ(std::sscanf(run.out.c_str(), format, &values[0], &values[1], &values[2]), count) << run.out;
    return values;
  }

  ScratchDir scratch_;
};

TEST_F(FinisherEndToEnd, NothingAskedLeavesEveryPagePartAsItCame) {
  std::vector<fs::path> inputs;
  for (const char* name : {"xps/mb01.xps", "xps/mb06.xps", "xps/mb08.xps", "oxps/mb01.oxps"}) {
    const fs::path path = fs::path(KESTREL_CORPUS_DIR) / name;
    if (fs::exists(path)) inputs.push_back(path);
  }
  if (access(kGhostscript, X_OK) == 0) inputs.push_back(Marks());
  if (inputs.empty()) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR << " and no Ghostscript";
  const std::string plain = Ticket(Mirror("None"));
  for (const fs::path& input : inputs) {
    for (const char* filters : {"xfinflt", ""}) {
      SCOPED_TRACE(input.filename().string() + (*filters ? ", filter alone" : ", XPS chain"));
      Run(input, plain, filters, Out());
      const auto before = ReadParts(input);
      for (const auto& [name, bytes] : ReadParts(Out())) {
        EXPECT_FALSE(name.starts_with("/PT_FI")) << name;
        if (name.ends_with(".fpage")) {
          EXPECT_TRUE(before.contains(name) && before.at(name) == bytes) << name;
        }
      }
    }
  }
}

// Each request on a corpus page and on Ghostscript's portrait and landscape
// pages: the output drawn by either renderer is the input turned or mirrored.
TEST_F(FinisherEndToEnd, EachRequestTurnsOrMirrorsTheRenderedPage) {
  if (!HaveTools()) GTEST_SKIP() << kPython << " or " << kGhostscript << " is missing";
  struct Case {
    const char* label;
    std::string ticket;
    const char* op;
    const char* filters;  // "" for the XPS chain
    const char* size;     // of the first page: Width and Height as written
  };
  const Case cases[] = {
      {"mirrored across the width", Mirror("MirrorImageWidth"), "mirror-width", "", "Width=\"816.00\" Height=\"1056.00\""},
      {"mirrored across the height", Mirror("MirrorImageHeight"), "mirror-height", "xfinflt",
       "Width=\"816.00\" Height=\"1056.00\""},
      {"reverse", kReverse, "half-turn", "xfinflt", "Width=\"816.00\" Height=\"1056.00\""},
      {"reverse and mirrored across the width", kReverse + Mirror("MirrorImageWidth"), "mirror-height", "xfinflt",
       "Width=\"816.00\" Height=\"1056.00\""},
      {"transverse", Transverse("Portrait"), "turn", "", "Width=\"1056.00\" Height=\"816.00\""},
      {"transverse, mirrored across the width", Transverse("Portrait") + Mirror("MirrorImageWidth"),
       "turn-mirror-width", "xfinflt", "Width=\"1056.00\" Height=\"816.00\""},
      {"transverse, mirrored across the height", Transverse("Portrait") + Mirror("MirrorImageHeight"),
       "turn-mirror-height", "xfinflt", "Width=\"1056.00\" Height=\"816.00\""},
      {"transverse and reverse", Transverse("Portrait") + kReverse, "turn-both", "",
       "Width=\"1056.00\" Height=\"816.00\""},
  };
  const fs::path marks = Marks();
  std::vector<std::pair<fs::path, int>> inputs = {{marks, 3}};
  const fs::path corpus = fs::path(KESTREL_CORPUS_DIR) / "xps/mb01.xps";
  if (fs::exists(corpus)) inputs.emplace_back(corpus, 1);
  bool rendered = true;
  for (const Case& c : cases) {
    for (const auto& [input, pages] : inputs) {
      SCOPED_TRACE(std::string(c.label) + ", " + input.filename().string() + (*c.filters ? ", alone" : ", XPS chain"));
      Run(input, Ticket(c.ticket), c.filters, Out());
      EXPECT_THAT(PagesOf(Out()).at(0), HasSubstr(c.size));
      // The sheet fed transverse: the job's ticket handed on names the exchanged media.
      bool exchanged = false;
      for (const auto& [name, bytes] : ReadParts(Out()))
        exchanged |= name.starts_with("/PT_FI_JOB_") && bytes.find(IntValue(279400)) != std::string::npos;
      EXPECT_EQ(exchanged, std::string_view(c.op).starts_with("turn"));
      for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        const auto values = Check({"turned", input.string(), Out().string(), std::to_string(page), c.op},
                                  "mutool=%lf xpstopng=%lf unturned=%lf", 3);
        if (!values) {
          rendered = false;
          continue;
        }
        EXPECT_LT((*values)[0], kMatch);
        EXPECT_LT((*values)[1], kMatch);
        EXPECT_GT((*values)[2], 2 * kMatch) << "the check cannot tell turned from unturned";
      }
    }
  }
  if (!rendered) GTEST_SKIP() << "mutool, xpstopng or Python imaging is missing";
}

// Transverse feeding of a Landscape sheet leaves the markup alone; the sheet's
// media in the tickets handed on is exchanged all the same.
TEST_F(FinisherEndToEnd, TransverseLandscapeChangesOnlyTheTicket) {
  const fs::path input = fs::path(KESTREL_CORPUS_DIR) / "xps/mb01.xps";
  if (!fs::exists(input)) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  Run(input, Ticket(Transverse("Landscape")), "xfinflt", Out());
  const auto before = ReadParts(input);
  bool handedOn = false;
  for (const auto& [name, bytes] : ReadParts(Out())) {
    if (name.ends_with(".fpage")) {
      EXPECT_EQ(bytes, before.at(name)) << name;
    }
    if (!name.starts_with("/PT_FI_JOB_")) continue;
    handedOn = true;
    EXPECT_THAT(bytes, HasSubstr("name=\"psk:PageOrientation\"><psf:Option name=\"psk:Portrait\""));
    EXPECT_THAT(bytes, HasSubstr("<psf:Value xsi:type=\"xsd:integer\">279400</psf:Value>"));
  }
  EXPECT_TRUE(handedOn);
}

// Poster 4 with cut-out lines in the XPS chain: each tile the layout filter
// makes is clipped to Letter's printable area, with the twelve marks round it.
TEST_F(FinisherEndToEnd, PosterTilesGetClippedWithTheTwelveCutOutMarks) {
  if (!HaveTools()) GTEST_SKIP() << kPython << " or " << kGhostscript << " is missing";
  const fs::path marks = Marks();
  const fs::path tiles = scratch_ / "tiles.xps";
  Run(marks, Ticket(kPosterWithCutOutLines), "xlayflt", tiles);
  Run(marks, Ticket(kPosterWithCutOutLines), "", Out());
  const auto pages = PagesOf(Out());
  ASSERT_EQ(pages.size(), 12u);
  bool rendered = true;
  for (int page = 1; page <= 12; ++page) {
    SCOPED_TRACE("tile " + std::to_string(page));
    const std::string& markup = pages[static_cast<std::size_t>(page - 1)];
    EXPECT_THAT(markup, HasSubstr("<Canvas Clip=\"M 16.00,16.00 h 784.01 v 1024.02 h -784.01 v -1024.02 z\" >"));
    EXPECT_THAT(markup, HasSubstr("</Canvas><Path Stroke=\"#000000\" StrokeThickness=\"0.32\" Data=\"M 16.64,16.64 "
                                  "v 68.18 M 16.64,16.64 h 52.18 "));
    // The pixels of two tiles of the first page, at opposite corners of the poster.
    if (page != 1 && page != 4) continue;
    const auto values = Check({"marks", tiles.string(), Out().string(), std::to_string(page), "16", "16", "784.01",
                               "1024.02"},
                              "clipped=%lf darkest_outside=%lf marks=%lf", 3);
    if (!values) {
      rendered = false;
      continue;
    }
    EXPECT_LT((*values)[0], kMatch);
    EXPECT_EQ((*values)[1], 255) << "something is drawn outside the printable area";
    EXPECT_EQ((*values)[2], 12);
  }
  if (!rendered) GTEST_SKIP() << "mutool, xpstopng or Python imaging is missing";
}

}  // namespace
