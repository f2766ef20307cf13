// The layout filter end to end: N-up, booklet, poster and gutter tickets on
// generated documents through xpspipe, alone and after the order filter,
// checked in the output package and, where the renderers are installed, as
// rendered sheets against the input pages placed by the geometry
// (sheet_check.py).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "platform/checked_int.h"
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
using ::testing::Not;

constexpr auto kLimit = 300s;
constexpr char kPython[] = "/usr/bin/python3";
constexpr char kGhostscript[] = "/usr/bin/gs";
const fs::path kSheetCheck = fs::path(KESTREL_RENDER_SCRIPT).parent_path().parent_path() / "layout" / "sheet_check.py";

std::string Ticket(const std::string& body) { return ticket_test::TicketXml(body, ticket_test::kDriverDeclarations); }

std::string Integer(const std::string& name, long value) {
  return "<psf:ScoredProperty name=\"" + name + "\"><psf:Value xsi:type=\"xsd:integer\">" + std::to_string(value) +
         "</psf:Value></psf:ScoredProperty>";
}

std::string Choice(const std::string& feature, const std::string& option) {
  return "<psf:Feature name=\"" + feature + "\"><psf:Option name=\"" + option + "\"/></psf:Feature>";
}

std::string NUp(long pages, const std::string& direction = "RightBottom", const std::string& border = "None") {
  return "<psf:Feature name=\"psk:JobNUpAllDocumentsContiguously\"><psf:Option>" + Integer("psk:PagesPerSheet", pages) +
         "</psf:Option>" + Choice("psk:PresentationDirection", "psk:" + direction) +
         Choice("kp:BorderLine", "kp:" + border) + "</psf:Feature>";
}

std::string Binding(const std::string& edge, long gutter, const std::string& gutterControl = "On") {
  return "<psf:Feature name=\"psk:JobBindAllDocuments\"><psf:Option name=\"" + edge + "\">" +
         Integer("psk:BindingGutter", gutter) + "</psf:Option>" +
         Choice("kp:BindingGutterControl", "kp:" + gutterControl) + "</psf:Feature>";
}

std::string Duplex(const std::string& option) { return Choice("psk:JobDuplexAllDocumentsContiguously", option); }

std::string Poster(long sheets) {
  return "<psf:Feature name=\"psk:PagePoster\"><psf:Option>" + Integer("psk:SheetsPerPage", sheets) +
         "</psf:Option></psf:Feature>";
}

const std::vector<std::string> kAlone = {"--filters", "xlayflt"};
const std::vector<std::string> kAfterOrder = {"--filters", "xordflt,xlayflt"};

class LayoutEndToEnd : public ::testing::Test {
 protected:
  ProcessResult Run(const fs::path& input, const std::string& ticket, const std::vector<std::string>& chain = kAlone,
                    const fs::path& output = {}) {
    WriteFile(scratch_ / "job.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE,
                                     "run",
                                     "--quiet",
                                     "--job-ticket",
                                     (scratch_ / "job.xml").string(),
                                     "--output",
                                     (output.empty() ? Out() : output).string()};
    args.insert(args.end(), chain.begin(), chain.end());
    args.push_back(input.string());
    return RunProcess(args, kLimit);
  }
  void RunOk(const fs::path& input, const std::string& ticket, const std::vector<std::string>& chain = kAlone,
             const fs::path& output = {}) {
    const ProcessResult run = Run(input, ticket, chain, output);
    ASSERT_EQ(run.exit_code, 0) << run.err;
  }
  fs::path Out() const { return scratch_ / "out.xps"; }

  fs::path Sample(unsigned pages) {
    const fs::path sample = scratch_ / ("sample-" + std::to_string(pages) + ".xps");
    const ProcessResult made =
        RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", std::to_string(pages), sample.string()}, kLimit);
    EXPECT_EQ(made.exit_code, 0) << made.err;
    return sample;
  }
  // Letter pages made by Ghostscript that tell each other apart: a block of
  // colour in another place on each, the page number large, a diagonal line.
  // Empty when Ghostscript is not installed.
  fs::path Marks(unsigned pages) {
    if (access(kGhostscript, X_OK) != 0) return {};
    const fs::path program = scratch_ / "marks.ps", marks = scratch_ / ("marks-" + std::to_string(pages) + ".xps");
    WriteFile(program, "%!PS\n/Helvetica-Bold findfont 160 scalefont setfont\n1 1 " + std::to_string(pages) +
                           " {\n/n exch def\n<< /PageSize [612 792] >> setpagedevice\n"
                           "n 0.1 mul 0.3 1 n 0.1 mul sub setrgbcolor\n"
                           "n 1 sub 3 mod 180 mul 40 add n 1 sub 3 idiv 3 mod 220 mul 80 add 170 200 rectfill\n"
                           "0 setgray 200 560 moveto n 3 string cvs show\n"
                           "0 0 1 setrgbcolor 30 30 moveto 582 762 lineto 8 setlinewidth stroke\nshowpage\n} for\n");
    const ProcessResult made = RunProcess({kGhostscript, "-dNOSAFER", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=xpswrite",
                                           "-sOutputFile=" + marks.string(), program.string()},
                                          kLimit);
    EXPECT_EQ(made.exit_code, 0) << made.err;
    return marks;
  }

  // The markup of the output's pages in the order of its fixed document.
  std::vector<std::string> OutputPages() const {
    const auto reader = kestrel::package::PackageReader::Open(Out());
    const auto parts = ReadParts(Out());
    std::vector<std::string> pages;
    for (const auto& document : reader->Model().sequence.documents)
      for (auto cursor = reader->Pages(document); const auto page = cursor->Next();)
        pages.push_back(parts.at(page->name));
    return pages;
  }
  std::vector<std::string> OutputPageNames() const {
    const auto reader = kestrel::package::PackageReader::Open(Out());
    std::vector<std::string> names;
    for (const auto& document : reader->Model().sequence.documents)
      for (auto cursor = reader->Pages(document); const auto page = cursor->Next();) names.push_back(page->name);
    return names;
  }
  // The print ticket of each output page ("" for none).
  std::vector<std::string> OutputPageTickets() const {
    const auto reader = kestrel::package::PackageReader::Open(Out());
    const auto parts = ReadParts(Out());
    std::vector<std::string> tickets;
    for (const std::string& name : OutputPageNames()) {
      std::string ticket;
      for (const auto& relationship : reader->Relationships(name))
        if (relationship.type.ends_with("/printticket")) ticket = parts.at(relationship.target);
      tickets.push_back(ticket);
    }
    return tickets;
  }

  // sheet_check.py on the output; skips when a tool is missing.
  void ExpectRendersAsPlaced(const std::vector<std::string>& arguments, const fs::path& input) {
    if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no " << kPython;
    std::vector<std::string> args = {kPython, kSheetCheck.string(), arguments.front(), input.string(), Out().string()};
    args.insert(args.end(), arguments.begin() + 1, arguments.end());
    const ProcessResult checked = RunProcess(args, kLimit);
    if (checked.exit_code == 2) GTEST_SKIP() << checked.out;
    EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
  }

  ScratchDir scratch_;
};

// Width and Height of a FixedPage's start tag.
std::pair<std::string, std::string> PageSize(const std::string& markup) {
  std::smatch match;
  const std::regex size("<FixedPage Width=\"([0-9.]+)\" Height=\"([0-9.]+)\"");
  if (!std::regex_search(markup, match, size)) return {};
  return {match[1], match[2]};
}

TEST_F(LayoutEndToEnd, NUpPutsThatManyPagesOnEachSheet) {
  struct Case {
    long pages;
    const char* direction;
    const char* border;
    std::pair<std::string, std::string> size;
  };
  const Case cases[] = {
      {2, "RightBottom", "SolidLine", {"1056.01", "816.01"}}, {4, "BottomRight", "BreakLine", {"816.01", "1056.01"}},
      {6, "LeftBottom", "None", {"1056.01", "816.01"}},       {8, "BottomLeft", "SolidLine", {"1056.01", "816.01"}},
      {9, "RightBottom", "None", {"816.01", "1056.01"}},      {16, "LeftBottom", "BreakLine", {"816.01", "1056.01"}},
      {25, "BottomRight", "SolidLine", {"816.01", "1056.01"}},
  };
  const fs::path sample = Sample(30);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.pages) + " per sheet, " + c.direction + ", " + c.border);
    RunOk(sample, Ticket(NUp(c.pages, c.direction, c.border)));
    const std::vector<std::string> sheets = OutputPages();
    ASSERT_EQ(sheets.size(), IntCast<std::size_t>((30 + c.pages - 1) / c.pages));
    for (const std::string& name : OutputPageNames()) EXPECT_TRUE(name.starts_with("/LO_NUpPage_")) << name;
    for (const auto& [name, bytes] : ReadParts(Out())) EXPECT_FALSE(name.starts_with("/Documents/1/Pages/")) << name;
    for (const std::string& sheet : sheets) {
      EXPECT_EQ(PageSize(sheet), c.size);
      const bool borders = std::string(c.border) != "None";
      EXPECT_EQ(sheet.find("<Path Stroke=\"#000000\"") != std::string::npos, borders);
      EXPECT_EQ(sheet.find("StrokeDashArray=\"6.39 6.39\"") != std::string::npos, std::string(c.border) == "BreakLine");
    }
    for (const std::string& ticket : OutputPageTickets()) {
      EXPECT_THAT(ticket, HasSubstr("name=\"psk:PagesPerSheet\""));
      EXPECT_THAT(ticket, HasSubstr(">1</psf:Value>"));
    }
  }
}

TEST_F(LayoutEndToEnd, JobScopeNUpOverTwoDocumentsSharesSheets) {
  if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no " << kPython;
  const fs::path input = scratch_ / "two.xps";
  const ProcessResult made = RunProcess(
      {kPython, (kSheetCheck.parent_path() / "two_documents.py").string(), Sample(3).string(), input.string()}, kLimit);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  RunOk(input, Ticket(NUp(4)));
  const auto reader = kestrel::package::PackageReader::Open(Out());
  EXPECT_EQ(reader->Model().sequence.documents.size(), 1u);
  const std::vector<std::string> sheets = OutputPages();
  ASSERT_EQ(sheets.size(), 2u);
  const auto cells = [](const std::string& sheet) {
    std::size_t count = 0;
    for (std::size_t at = sheet.find("<Canvas RenderTransform="); at != std::string::npos;
         at = sheet.find("<Canvas RenderTransform=", at + 1))
      ++count;
    return count;
  };
  EXPECT_EQ(cells(sheets[0]), 4u);
  EXPECT_EQ(cells(sheets[1]), 2u);
}

TEST_F(LayoutEndToEnd, NUpSheetsRenderAsTheirPagesPlacedInTheirCells) {
  const fs::path marks = Marks(9);
  if (marks.empty()) GTEST_SKIP() << "Ghostscript is not installed";
  const std::pair<long, const char*> cases[] = {
      {2, "RightBottom"}, {4, "BottomLeft"}, {6, "BottomRight"}, {9, "LeftBottom"}};
  const char* const directions[] = {"RightBottom", "BottomRight", "LeftBottom", "BottomLeft"};
  for (const auto& [pages, direction] : cases) {
    SCOPED_TRACE(std::to_string(pages) + " per sheet, " + direction);
    RunOk(marks, Ticket(NUp(pages, direction)));
    const long index = std::find_if(std::begin(directions), std::end(directions),
                                    [&](const char* d) { return std::string(d) == direction; }) -
                       std::begin(directions);
    ExpectRendersAsPlaced({"nup", std::to_string(pages), std::to_string(index)}, marks);
  }
}

// The first two factors of each cell canvas's RenderTransform.
std::vector<std::pair<double, double>> CellTurns(const std::string& sheet) {
  std::vector<std::pair<double, double>> turns;
  const std::regex cell("<Canvas RenderTransform=\"([-0-9.]+),([-0-9.]+),");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell); it != std::sregex_iterator(); ++it)
    turns.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
  return turns;
}

TEST_F(LayoutEndToEnd, ALandscapePageOnAPortraitSheetTurnsTheWayThePipelineSays) {
  if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no " << kPython;
  WriteFile(scratch_ / "landscape.xml", Ticket(Choice("psk:PageOrientation", "psk:Landscape")));
  const fs::path input = scratch_ / "mixed.xps";
  const ProcessResult made =
      RunProcess({kPython, (kSheetCheck.parent_path() / "with_page_tickets.py").string(), Sample(2).string(),
                  input.string(), "Documents/1/Pages/2.fpage=" + (scratch_ / "landscape.xml").string()},
                 kLimit);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  struct Case {
    const char* label;
    std::vector<std::string> property;
    double sine;  // of the second page's turn
  };
  const Case cases[] = {
      {"the driver package's LandscapeRotation 90", {}, 1},
      {"LandscapeRotation 270", {"--property", "LandscapeRotation:int=270"}, -1},
      {"LandscapeRotation 0", {"--property", "LandscapeRotation:int=0"}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> chain = kAlone;
    chain.insert(chain.end(), c.property.begin(), c.property.end());
    RunOk(input, Ticket(NUp(4)), chain);
    const std::vector<std::string> sheets = OutputPages();
    ASSERT_EQ(sheets.size(), 1u);
    const auto turns = CellTurns(sheets[0]);
    ASSERT_EQ(turns.size(), 2u);
    EXPECT_GT(turns[0].first, 0);  // the portrait page upright
    EXPECT_EQ(turns[0].second, 0);
    EXPECT_EQ(turns[1].first, 0);  // the landscape page turned a quarter
    EXPECT_EQ(turns[1].second > 0 ? 1 : -1, c.sine);
  }
}

TEST_F(LayoutEndToEnd, ABookletAfterTheOrderFilterMakesSpreadsMovedApartByTheGutter) {
  const fs::path marks = Marks(5);
  if (marks.empty()) GTEST_SKIP() << "Ghostscript is not installed";
  const std::string ticket = Ticket(Binding("psk:Booklet", 10000) + Duplex("psk:TwoSidedShortEdge") + NUp(2));
  // The order filter alone gives the pages in booklet order, pads included.
  const fs::path ordered = scratch_ / "ordered.xps";
  RunOk(marks, ticket, {"--filters", "xordflt"}, ordered);
  // After the order filter alone, in the bundled XPS chain, and asked for by print options alone.
  struct Case {
    const char* label;
    std::string ticket;
    std::vector<std::string> chain;
  };
  const Case cases[] = {{"order and layout filters", ticket, kAfterOrder},
                        {"XPS chain", ticket, {}},
                        {"print options", Ticket(""), {"-o", "booklet", "-o", "binding-gutter=10mm"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RunOk(marks, c.ticket, c.chain);
    const std::vector<std::string> sides = OutputPages();
    ASSERT_EQ(sides.size(), 4u);
    for (const std::string& side : sides)
      EXPECT_EQ(PageSize(side), (std::pair<std::string, std::string>("1056.01", "816.01")));
    for (const std::string& ticketPart : OutputPageTickets())
      EXPECT_THAT(ticketPart, HasSubstr("psk:TwoSidedShortEdge"));
    ExpectRendersAsPlaced({"booklet", "10000"}, ordered);
  }
}

TEST_F(LayoutEndToEnd, APosterGivesEachPageThatManyEnlargedTiles) {
  const fs::path marks = Marks(2);
  if (marks.empty()) GTEST_SKIP() << "Ghostscript is not installed";
  for (const long tiles : {4L, 9L}) {
    SCOPED_TRACE(std::to_string(tiles) + " tiles");
    RunOk(marks, Ticket(Poster(tiles)));
    const std::vector<std::string> sheets = OutputPages();
    ASSERT_EQ(sheets.size(), IntCast<std::size_t>(2 * tiles));
    for (const std::string& sheet : sheets)
      EXPECT_EQ(PageSize(sheet), (std::pair<std::string, std::string>("816.01", "1056.01")));
    ExpectRendersAsPlaced({"poster", std::to_string(tiles)}, marks);
  }
}

TEST_F(LayoutEndToEnd, PosterTilesOfADuplexJobEachGetABlankBack) {
  const fs::path sample = Sample(1);
  RunOk(sample, Ticket(Poster(4) + Duplex("psk:TwoSidedLongEdge")));
  const std::vector<std::string> names = OutputPageNames();
  ASSERT_EQ(names.size(), 8u);
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_TRUE(names[i].starts_with(i % 2 ? "/LO_Empty_" : "/LO_NUpPage_")) << i << " " << names[i];
}

// The tray of each output side's ticket, "blank" before it for a blank side.
std::vector<std::string> SidesAndTrays(const std::vector<std::string>& names, const std::vector<std::string>& tickets) {
  std::vector<std::string> sides;
  const std::regex bin("PageInputBin\"><psf:Option name=\"kp:([A-Za-z0-9]+)\"");
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::smatch match;
    const std::string tray = std::regex_search(tickets[i], match, bin) ? match[1].str() : "none";
    sides.push_back((names[i].starts_with("/LO_Empty_") ? "blank " : "") + tray);
  }
  return sides;
}

TEST_F(LayoutEndToEnd, TraySeparationGivesTheFirstSideTheFirstTrayAndDuplexStartsAFreshSheet) {
  const std::string trays =
      "<psf:Property name=\"kp:JobSettingData\"><psf:Property name=\"kp:SeparateTrayMode\"><psf:Value "
      "xsi:type=\"xsd:string\">On</psf:Value></psf:Property></psf:Property>" +
      Choice("psk:PageInputBin", "kp:Tray1") + Choice("kp:JobInput2ndBin", "kp:Tray2");
  const auto duplex = [](const std::string& mode) {
    return "<psf:Feature name=\"psk:JobDuplexAllDocumentsContiguously\"><psf:Option name=\"psk:TwoSidedLongEdge\">"
           "<psf:ScoredProperty name=\"psk:DuplexMode\"><psf:Value xsi:type=\"xsd:string\">" +
           mode + "</psf:Value></psf:ScoredProperty></psf:Option></psf:Feature>";
  };
  struct Case {
    const char* label;
    std::string ticket;
    std::vector<std::string> sides;
  };
  const Case cases[] = {
      {"automatic duplex", trays + duplex("Automatic"), {"Tray1", "blank Tray1", "Tray2", "Tray2"}},
      {"manual duplex writes no blank", trays + duplex("Manual"), {"Tray1", "Tray2", "Tray2"}},
  };
  const fs::path sample = Sample(3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RunOk(sample, Ticket(c.ticket));
    EXPECT_EQ(SidesAndTrays(OutputPageNames(), OutputPageTickets()), c.sides);
    ExpectRendersAsPlaced({"accept"}, sample);
  }
}

// "sheet" or "blank" for each output side.
std::vector<std::string> SideKinds(const std::vector<std::string>& names) {
  std::vector<std::string> kinds;
  for (const std::string& name : names) kinds.push_back(name.starts_with("/LO_Empty_") ? "blank" : "sheet");
  return kinds;
}

TEST_F(LayoutEndToEnd, ANewDivideConditionClosesTheSheetAndStartsOnAFrontSide) {
  if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no " << kPython;
  const auto condition = [](const char* value) {
    return Ticket(
        "<psf:Property name=\"kp:JobSettingData\"><psf:Property name=\"kp:DivideCondition\"><psf:Value "
        "xsi:type=\"xsd:string\">" +
        std::string(value) + "</psf:Value></psf:Property></psf:Property>");
  };
  WriteFile(scratch_ / "A.xml", condition("A"));
  WriteFile(scratch_ / "B.xml", condition("B"));
  const auto duplex = [](const std::string& mode) {
    return "<psf:Feature name=\"psk:JobDuplexAllDocumentsContiguously\"><psf:Option name=\"psk:TwoSidedLongEdge\">"
           "<psf:ScoredProperty name=\"psk:DuplexMode\"><psf:Value xsi:type=\"xsd:string\">" +
           mode + "</psf:Value></psf:ScoredProperty></psf:Option></psf:Feature>";
  };
  struct Case {
    const char* label;
    int pages;
    int firstSet;
    std::string mode;
    std::vector<std::string> sides;
  };
  const Case cases[] = {
      // Sheets 1 and 2 are a front and a back: the third, flushed, is a front and needs a blank back.
      {"after 9 pages", 12, 9, "Automatic", {"sheet", "sheet", "sheet", "blank", "sheet"}},
      // The flushed second sheet is a back: the new set starts on a front anyway.
      {"after 5 pages", 8, 5, "Automatic", {"sheet", "sheet", "sheet"}},
      {"after 9 pages, manual duplex", 12, 9, "Manual", {"sheet", "sheet", "sheet", "sheet"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path input = scratch_ / "divided.xps";
    std::vector<std::string> args = {kPython, (kSheetCheck.parent_path() / "with_page_tickets.py").string(),
                                     Sample(IntCast<unsigned>(c.pages)).string(), input.string()};
    for (int page = 1; page <= c.pages; ++page)
      args.push_back("Documents/1/Pages/" + std::to_string(page) +
                     ".fpage=" + (scratch_ / (page <= c.firstSet ? "A.xml" : "B.xml")).string());
    const ProcessResult made = RunProcess(args, kLimit);
    ASSERT_EQ(made.exit_code, 0) << made.err;
    RunOk(input, Ticket(NUp(4) + duplex(c.mode)));
    EXPECT_EQ(SideKinds(OutputPageNames()), c.sides);
  }
}

TEST_F(LayoutEndToEnd, AGutterShiftsEverySideUnlessAControlIsOff) {
  const fs::path sample = Sample(3);
  const auto input = ReadParts(sample);
  RunOk(sample, Ticket(Binding("psk:BindLeft", 10000)));
  auto output = ReadParts(Out());
  for (const char* page : {"/Documents/1/Pages/1.fpage", "/Documents/1/Pages/2.fpage", "/Documents/1/Pages/3.fpage"})
    EXPECT_THAT(output.at(page),
                HasSubstr("<Canvas RenderTransform=\"1.000000,0.000000,0.000000,1.000000,37.796,0.000\""));
  ExpectRendersAsPlaced({"accept"}, sample);

  for (const std::string& off : {Binding("psk:BindLeft", 10000, "Off"), Binding("psk:BindLeft", -10000)}) {
    RunOk(sample, Ticket(off));
    output = ReadParts(Out());
    for (const auto& [name, bytes] : input) {
      if (!name.starts_with("/Documents/1/Pages/")) continue;
      EXPECT_TRUE(output.at(name) == bytes) << name << " changed";
    }
  }
}

TEST_F(LayoutEndToEnd, CorpusPagesOnASheetStillReachTheirResources) {
  const fs::path corpus = fs::path(KESTREL_CORPUS_DIR);
  if (!fs::exists(corpus / "oxps")) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  for (const fs::path& document :
       {corpus / "oxps" / "mb01.oxps", corpus / "xps" / "mb06.xps", corpus / "xps" / "mb08.xps"}) {
    SCOPED_TRACE(document.filename().string());
    for (const auto& chain : {kAlone, kAfterOrder}) {
      RunOk(document, Ticket(NUp(2)), chain);
      for (const std::string& sheet : OutputPages()) EXPECT_THAT(sheet, Not(HasSubstr("=\"../")));
      ExpectRendersAsPlaced({"accept"}, document);
      if (!kestrel::host::testing::HaveMutool()) continue;
      // mutool draws a page whose font or image it cannot find, and says so.
      const ProcessResult drawn = RunProcess(
          {"/usr/bin/mutool", "draw", "-q", "-r", "10", "-o", (scratch_ / "p%d.png").string(), Out().string()}, kLimit);
      EXPECT_EQ(drawn.exit_code, 0) << drawn.err;
      EXPECT_THAT(drawn.err, Not(HasSubstr("cannot"))) << drawn.err;
    }
  }
}

TEST_F(LayoutEndToEnd, HostileInputGivesAClearErrorOrASensibleSheet) {
  const fs::path sample = Sample(4);
  // Counts the printer does not offer are validated to one page per sheet.
  for (const long pages : {0L, 1000000L, -4L}) {
    SCOPED_TRACE(pages);
    RunOk(sample, Ticket(NUp(pages)));
    EXPECT_EQ(OutputPages().size(), 4u);
  }
  // A page whose markup breaks off half-way (cut with Python's zipfile; the
  // part list and content types stay).
  if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no " << kPython;
  const fs::path broken = scratch_ / "broken.xps";
  {
    WriteFile(scratch_ / "cut.py",
              "import sys, zipfile\n"
              "src, dst, name = sys.argv[1], sys.argv[2], sys.argv[3]\n"
              "with zipfile.ZipFile(src) as i, zipfile.ZipFile(dst, 'w') as o:\n"
              "    for item in i.infolist():\n"
              "        data = i.read(item.filename)\n"
              "        if item.filename == name: data = data[:len(data) // 2]\n"
              "        o.writestr(item, data)\n");
    const ProcessResult cut = RunProcess(
        {kPython, (scratch_ / "cut.py").string(), sample.string(), broken.string(), "Documents/1/Pages/2.fpage"},
        kLimit);
    ASSERT_EQ(cut.exit_code, 0) << cut.err;
  }
  const ProcessResult run = Run(broken, Ticket(NUp(4)));
  EXPECT_NE(run.exit_code, 0);
  EXPECT_THAT(run.err, HasSubstr("xlayflt"));
}

}  // namespace
