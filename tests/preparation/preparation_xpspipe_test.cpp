// The preparation filter end to end: xpspipe on corpus and generated
// documents, alone and in the XPS chain. Pages under a ticket that asks for
// nothing come out byte for byte; scaled pages carry the size and canvases of
// their mode's formula (a table worked out apart from the code) and, rendered
// by mutool and by xpstopng, show the input page at that scale and offset.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>

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

constexpr auto kLimit = 120s;
constexpr char kPython[] = "/usr/bin/python3";
const std::string kCheckScript = (fs::path(KESTREL_RENDER_SCRIPT).parent_path().parent_path() / "preparation" /
                                  "scaled_page_check.py").string();
// RMSE (0 to 255, after a one-pixel blur) within which a rendering matches the
// composed page; a page left unscaled is far beyond it.
constexpr double kMatch = 12;

std::string Ticket(const std::string& body) { return ticket_test::TicketXml(body, ticket_test::kDriverDeclarations); }
std::string Int(const std::string& name, long value) {
  return "<psf:ScoredProperty name=\"" + name + "\"><psf:Value xsi:type=\"xsd:integer\">" + std::to_string(value) +
         "</psf:Value></psf:ScoredProperty>";
}
std::string Scaling(const std::string& option, const std::string& content = "") {
  return "<psf:Feature name=\"psk:PageScaling\"><psf:Option name=\"" + option + "\">" + content +
         "</psf:Option></psf:Feature>";
}
std::string Alignment(const std::string& option) {
  return "<psf:Feature name=\"psk:ScaleOffsetAlignment\"><psf:Option name=\"psk:" + option + "\"/></psf:Feature>";
}
const std::string kCorrectSize =
    "<psf:Property name=\"kp:PageScalingData\"><psf:Property name=\"kp:CorrectFixedPageSize\">"
    "<psf:Value xsi:type=\"xsd:string\">On</psf:Value></psf:Property></psf:Property>";

// The job ticket that asks for each mode (the paper is the default Letter).
std::string ModeTicket(int mode) {
  switch (mode) {
    case 0: return Ticket(Scaling("psk:None") + kCorrectSize);
    case 1:
      return Ticket(Scaling("kp:FitToPaper", "<psf:Feature name=\"kp:FitMediaSize\"><psf:Option name=\"psk:ISOA4\">" +
                                                 Int("psk:FitMediaSizeWidth", 210000) +
                                                 Int("psk:FitMediaSizeHeight", 297000) + "</psf:Option></psf:Feature>"));
    case 2:
      return Ticket(Scaling("psk:CustomSquare", Int("psk:Scale", 60) + Int("psk:OffsetWidth", 10000) +
                                                    Int("psk:OffsetHeight", 10000)));
    case 3: return Ticket(Scaling("psk:FitApplicationBleedSizeToPageImageableSize"));
    case 4: return Ticket(Scaling("psk:FitApplicationContentSizeToPageImageableSize"));
    case 5: return Ticket(Scaling("psk:FitApplicationMediaSizeToPageImageableSize", Alignment("BottomRight")));
    default: return Ticket(Scaling("psk:FitApplicationMediaSizeToPageMediaSize"));
  }
}

// The value of an attribute of the first element with that start in the markup.
std::string AttributeOf(const std::string& markup, const std::string& element, const std::string& name) {
  const std::size_t start = markup.find("<" + element + " ");
  if (start == std::string::npos) return "";
  const std::string tag = markup.substr(start, markup.find('>', start) - start);
  std::smatch match;
  if (!std::regex_search(tag, match, std::regex(" " + name + "=\"([^\"]*)\""))) return "";
  return match[1];
}

// The RenderTransform of each Canvas the scaler opened right after the FixedPage start tag.
std::vector<std::string> OpeningTransforms(const std::string& markup) {
  std::vector<std::string> transforms;
  std::size_t at = markup.find('>', markup.find("<FixedPage ")) + 1;
  std::smatch match;
  static const std::regex canvas("^<Canvas RenderTransform=\"([^\"]*)\"[^>]*>");
  std::string rest = markup.substr(at);
  while (std::regex_search(rest, match, canvas)) {
    transforms.push_back(match[1]);
    rest = match.suffix();
  }
  return transforms;
}

struct Rendering {
  bool skipped = false;
  double mutool = 1e9, xpstopng = 1e9, unscaled = 0;
};

class PreparationEndToEnd : public ::testing::Test {
 protected:
  void Run(const fs::path& input, const std::string& ticket, bool alone, const std::vector<std::string>& options = {}) {
    WriteFile(scratch_ / "job.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--output", Out().string()};
    for (const std::string& option : options) args.insert(args.end(), {"-o", option});
    if (!ticket.empty()) args.insert(args.end(), {"--job-ticket", (scratch_ / "job.xml").string()});
    if (alone) args.insert(args.end(), {"--filters", "xprepflt"});
    args.push_back(input.string());
    const ProcessResult run = RunProcess(args, kLimit);
    ASSERT_EQ(run.exit_code, 0) << run.err;
  }
  fs::path Out() const { return scratch_ / "out.xps"; }

  static bool HavePython() { return access(kPython, X_OK) == 0; }

  // Generated pages of the sizes given ("WxH").
  fs::path Generated(const std::vector<std::string>& sizes) {
    const fs::path path = scratch_ / "generated.xps";
    std::vector<std::string> args = {kPython, kCheckScript, "make", path.string()};
    args.insert(args.end(), sizes.begin(), sizes.end());
    const ProcessResult made = RunProcess(args, kLimit);
    EXPECT_EQ(made.exit_code, 0) << made.err << made.out;
    return path;
  }

  Rendering Check(const fs::path& input, int page, double scale, double dx, double dy, double clip[4]) {
    std::vector<std::string> args = {kPython, kCheckScript, "check", input.string(), Out().string(),
                                     std::to_string(page)};
    for (const double value : {scale, dx, dy, clip[0], clip[1], clip[2], clip[3]}) args.push_back(std::to_string(value));
    const ProcessResult run = RunProcess(args, kLimit);
    Rendering result;
    if (run.exit_code == 77) {
      result.skipped = true;
      return result;
    }
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
    std::sscanf(run.out.c_str(), "mutool=%lf xpstopng=%lf unscaled=%lf", &result.mutool, &result.xpstopng,
                &result.unscaled);
    return result;
  }

  ScratchDir scratch_;
};

TEST_F(PreparationEndToEnd, NothingAskedLeavesEveryPagePartAsItCameAndAddsNoPart) {
  std::vector<fs::path> inputs;
  for (const char* name : {"xps/mb01.xps", "xps/mb06.xps", "xps/mb08.xps", "oxps/mb01.oxps", "oxps/mb08.oxps"}) {
    const fs::path path = fs::path(KESTREL_CORPUS_DIR) / name;
    if (fs::exists(path)) inputs.push_back(path);
  }
  const fs::path sample = scratch_ / "sample.xps";
  ASSERT_EQ(RunProcess({KESTREL_MAKE_SAMPLE_XPS, "--pages", "3", sample.string()}, kLimit).exit_code, 0);
  inputs.push_back(sample);
  const std::string plainTicket =
      Ticket("<psf:Feature name=\"psk:PageOutputColor\"><psf:Option name=\"psk:Monochrome\"/></psf:Feature>");
  for (const fs::path& input : inputs) {
    for (const bool alone : {true, false}) {
      SCOPED_TRACE(input.filename().string() + (alone ? ", filter alone" : ", XPS chain"));
      // mb06 brings job and document tickets of its own; the others get one that asks for other things.
      Run(input, input.filename() == "mb06.xps" ? "" : plainTicket, alone);
      const auto before = ReadParts(input);
      const auto after = ReadParts(Out());
      for (const auto& [name, bytes] : after) {
        EXPECT_FALSE(name.starts_with("/PT_SC")) << name;
        if (name.ends_with(".fpage")) {
          EXPECT_TRUE(before.contains(name) && before.at(name) == bytes) << name;
        }
      }
      for (const auto& [name, bytes] : before)
        if (name.ends_with(".fpage")) {
          EXPECT_TRUE(after.contains(name)) << name;
        }
    }
  }
}

TEST_F(PreparationEndToEnd, EachModeScalesSmallerLargerAndLandscapePagesByItsFormula) {
  if (!HavePython()) GTEST_SKIP() << kPython << " is missing";
  struct Case {
    int mode;
    double width, height;  // of the input page
    std::string paperWidth, paperHeight, outer, inner;
    double scale, dx, dy;  // the two canvases together
  };
  // Letter paper with 4233-micron margins; the pages' ContentBox is inset by a
  // tenth, their BleedBox 10 units outside them.
  const Case cases[] = {
      {0, 480, 640, "816.01", "1056.01", "", "1.000000,0.000000,0.000000,1.000000,0.00,0.00", 1.000000, 0.000, 0.000},
      {0, 1056, 1632, "816.01", "1056.01", "", "1.000000,0.000000,0.000000,1.000000,0.00,0.00", 1.000000, 0.000, 0.000},
      {0, 1056, 816, "816.01", "1056.01", "", "1.000000,0.000000,0.000000,1.000000,0.00,0.00", 1.000000, 0.000, 0.000},
      {1, 480, 640, "793.71", "1122.53", "", "0.971557,0.000000,0.000000,0.971557,0.46,0.46", 0.971557, 0.455, 0.455},
      {1, 1056, 1632, "793.71", "1122.53", "", "0.971557,0.000000,0.000000,0.971557,0.46,0.46", 0.971557, 0.455, 0.455},
      {1, 1056, 816, "793.71", "1122.53", "", "0.971557,0.000000,0.000000,0.971557,0.46,0.46", 0.971557, 0.455, 0.455},
      {2, 480, 640, "816.01", "1056.01", "", "0.600000,0.000000,0.000000,0.600000,44.20,44.20", 0.600000, 44.195, 44.195},
      {2, 1056, 1632, "816.01", "1056.01", "", "0.600000,0.000000,0.000000,0.600000,44.20,44.20", 0.600000, 44.195,
       44.195},
      {2, 1056, 816, "816.01", "1056.01", "", "0.600000,0.000000,0.000000,0.600000,44.20,44.20", 0.600000, 44.195, 44.195},
      {3, 480, 640, "816.01", "1056.01", "1.551539,0.000000,0.000000,1.551539,20.12,16.00",
       "1.000000,0.000000,0.000000,1.000000,10.00,10.00", 1.551539, 35.636, 31.514},
      {3, 1056, 1632, "816.01", "1056.01", "0.619864,0.000000,0.000000,0.619864,74.52,16.00",
       "1.000000,0.000000,0.000000,1.000000,10.00,10.00", 0.619864, 80.717, 22.198},
      {3, 1056, 816, "816.01", "1056.01", "0.728636,0.000000,0.000000,0.728636,16.00,223.44",
       "1.000000,0.000000,0.000000,1.000000,10.00,10.00", 0.728636, 23.285, 230.723},
      {4, 480, 640, "816.01", "1056.01", "2.000030,0.000000,0.000000,2.000030,24.00,16.00",
       "1.000000,0.000000,0.000000,1.000000,-48.00,-64.00", 2.000030, -72.002, -112.003},
      {4, 1056, 1632, "816.01", "1056.01", "0.784326,0.000000,0.000000,0.784326,76.71,16.00",
       "1.000000,0.000000,0.000000,1.000000,-105.60,-163.20", 0.784326, -6.119, -112.003},
      {4, 1056, 816, "816.01", "1056.01", "0.928045,0.000000,0.000000,0.928045,16.00,225.09",
       "1.000000,0.000000,0.000000,1.000000,-105.60,-81.60", 0.928045, -82.003, 149.364},
      {5, 480, 640, "816.01", "1056.01", "", "1.600024,0.000000,0.000000,1.600024,32.00,16.00", 1.600024, 32.000, 15.999},
      {5, 1056, 1632, "816.01", "1056.01", "", "0.627460,0.000000,0.000000,0.627460,137.41,16.00", 0.627460, 137.413,
       15.999},
      {5, 1056, 816, "816.01", "1056.01", "", "0.742436,0.000000,0.000000,0.742436,16.00,434.19", 0.742436, 15.999,
       434.187},
      {6, 480, 640, "816.01", "1056.01", "", "1.650021,0.000000,0.000000,1.650021,12.00,0.00", 1.650021, 12.000, 0.000},
      {6, 1056, 1632, "816.01", "1056.01", "", "0.647067,0.000000,0.000000,0.647067,66.35,0.00", 0.647067, 66.354, 0.000},
      {6, 1056, 816, "816.01", "1056.01", "", "0.772737,0.000000,0.000000,0.772737,0.00,212.73", 0.772737, 0.000,
       212.730},
  };
  const fs::path input = Generated({"480x640", "1056x1632", "1056x816"});
  bool rendered = true;
  for (int mode = 0; mode <= 6; ++mode) {
    // The chain for the last mode: the filters after this one leave the scaled pages as they are.
    const bool alone = mode != 6;
    SCOPED_TRACE("mode " + std::to_string(mode) + (alone ? ", filter alone" : ", XPS chain"));
    Run(input, ModeTicket(mode), alone);
    const auto parts = ReadParts(Out());
    int page = 0;
    for (const Case& c : cases) {
      if (c.mode != mode) continue;
      ++page;
      SCOPED_TRACE("page " + std::to_string(page));
      const std::string& markup = parts.at("/Documents/1/Pages/" + std::to_string(page) + ".fpage");
      EXPECT_EQ(AttributeOf(markup, "FixedPage", "Width"), c.paperWidth);
      EXPECT_EQ(AttributeOf(markup, "FixedPage", "Height"), c.paperHeight);
      EXPECT_EQ(AttributeOf(markup, "FixedPage", "ContentBox"), "");
      std::vector<std::string> expected = {c.inner};
      if (!c.outer.empty()) expected.insert(expected.begin(), c.outer);
      EXPECT_EQ(OpeningTransforms(markup), expected);
      double clip[4] = {c.width / 10, c.height / 10, c.width * 0.8, c.height * 0.8};
      const Rendering pixels = Check(input, page, c.scale, c.dx, c.dy, clip);
      if (pixels.skipped) {
        rendered = false;
        continue;
      }
      EXPECT_LT(pixels.mutool, kMatch);
      EXPECT_LT(pixels.xpstopng, kMatch);
      if (mode != 0) {
        EXPECT_GT(pixels.unscaled, 2 * kMatch) << "the check cannot tell scaled from unscaled";
      }
    }
    // The ticket handed on asks for no scaling and names the paper the pages now have.
    bool handedOn = false;
    for (const auto& [name, bytes] : parts) {
      if (!name.starts_with("/PT_SC_JOB_")) continue;
      handedOn = true;
      EXPECT_THAT(bytes, HasSubstr("name=\"psk:PageScaling\"><psf:Option name=\"psk:None\"/>"));
      EXPECT_THAT(bytes, HasSubstr(mode == 1 ? "psk:ISOA4" : "psk:NorthAmericaLetter"));
    }
    EXPECT_TRUE(handedOn);
  }
  if (!rendered) GTEST_SKIP() << "mutool, xpstopng or Python imaging is missing";
}

// The print options ask for the modes as the tickets above do, with the same result.
TEST_F(PreparationEndToEnd, ScalingOptionsScaleThePagesAsTheirTicketsWould) {
  if (!HavePython()) GTEST_SKIP() << kPython << " is missing";
  const struct {
    std::vector<std::string> options;
    std::string paperWidth, paperHeight, transform;
    double scale, dx, dy;
  } cases[] = {
      {{"scaling=60", "scaling-offset=10mm,10mm"}, "816.01", "1056.01",
       "0.600000,0.000000,0.000000,0.600000,44.20,44.20", 0.6, 44.195, 44.195},
      {{"fit-to-paper=A4"}, "793.71", "1122.53", "0.971557,0.000000,0.000000,0.971557,0.46,0.46", 0.971557, 0.455,
       0.455},
      {{"fit-to-page", "scaling-alignment=bottom-right"}, "816.01", "1056.01",
       "1.600024,0.000000,0.000000,1.600024,32.00,16.00", 1.600024, 32.000, 15.999},
      {{"page-scaling=fit-to-media"}, "816.01", "1056.01", "1.650021,0.000000,0.000000,1.650021,12.00,0.00", 1.650021,
       12.000, 0.000},
  };
  const fs::path input = Generated({"480x640"});
  bool rendered = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    Run(input, "", true, c.options);
    const std::string markup = ReadParts(Out()).at("/Documents/1/Pages/1.fpage");
    EXPECT_EQ(AttributeOf(markup, "FixedPage", "Width"), c.paperWidth);
    EXPECT_EQ(AttributeOf(markup, "FixedPage", "Height"), c.paperHeight);
    EXPECT_EQ(OpeningTransforms(markup), std::vector<std::string>{c.transform});
    double clip[4] = {48, 64, 384, 512};
    const Rendering pixels = Check(input, 1, c.scale, c.dx, c.dy, clip);
    if (pixels.skipped) {
      rendered = false;
      continue;
    }
    EXPECT_LT(pixels.mutool, kMatch);
    EXPECT_LT(pixels.xpstopng, kMatch);
    EXPECT_GT(pixels.unscaled, 2 * kMatch) << "the check cannot tell scaled from unscaled";
  }
  if (!rendered) GTEST_SKIP() << "mutool, xpstopng or Python imaging is missing";
}

// Real documents (an image, TrueType text, several pages with tickets of their
// own) fitted to A4: Letter pages shrink to the A4 width and centre vertically.
TEST_F(PreparationEndToEnd, CorpusPagesFitToAnotherPaper) {
  if (!HavePython()) GTEST_SKIP() << kPython << " is missing";
  const std::string a4 = Ticket(
      Scaling("psk:FitApplicationMediaSizeToPageMediaSize") +
      "<psf:Feature name=\"psk:PageMediaSize\"><psf:Option name=\"psk:ISOA4\">" + Int("psk:MediaSizeWidth", 210000) +
      Int("psk:MediaSizeHeight", 297000) + "</psf:Option></psf:Feature>");
  bool any = false;
  bool rendered = true;
  for (const char* name : {"xps/mb01.xps", "xps/mb06.xps", "xps/mb08.xps", "oxps/mb01.oxps"}) {
    const fs::path input = fs::path(KESTREL_CORPUS_DIR) / name;
    if (!fs::exists(input)) continue;
    any = true;
    SCOPED_TRACE(name);
    Run(input, a4, true);
    const auto before = ReadParts(input);
    const auto after = ReadParts(Out());
    const std::string page = "/Documents/1/Pages/1.fpage";
    EXPECT_EQ(AttributeOf(before.at(page), "FixedPage", "Width"), "816");
    EXPECT_EQ(AttributeOf(after.at(page), "FixedPage", "Width"), "793.71");
    EXPECT_EQ(AttributeOf(after.at(page), "FixedPage", "Height"), "1122.53");
    EXPECT_EQ(OpeningTransforms(after.at(page)),
              std::vector<std::string>{"0.972685,0.000000,0.000000,0.972685,0.00,47.69"});
    double clip[4] = {0, 0, 816, 1056};
    const Rendering pixels = Check(input, 1, 0.972685, 0, 47.69, clip);
    if (pixels.skipped) {
      rendered = false;
      continue;
    }
    EXPECT_LT(pixels.mutool, kMatch);
    EXPECT_LT(pixels.xpstopng, kMatch);
    EXPECT_GT(pixels.unscaled, 2 * pixels.mutool) << "the check cannot tell scaled from unscaled";
  }
  if (!any) GTEST_SKIP() << "no corpus in " << KESTREL_CORPUS_DIR;
  if (!rendered) GTEST_SKIP() << "mutool, xpstopng or Python imaging is missing";
}

}  // namespace
