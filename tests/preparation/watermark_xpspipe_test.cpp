// Watermarks end to end: xpspipe with a watermark ticket on corpus and
// generated documents; the glyphs as mutool traces them, the pixels as it
// draws them, the font and image parts in the package, the first page apart
// from the others, 2-up after it, and bitmap paths that name no usable image.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "tests/host/host_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ProcessResult;
using kestrel::host::testing::ReadParts;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;

constexpr auto kLimit = 120s;
constexpr char kPython[] = "/usr/bin/python3";
const std::string kScript =
    (fs::path(KESTREL_RENDER_SCRIPT).parent_path().parent_path() / "preparation" / "watermark_check.py").string();

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
  return out;
}

std::string Sub(const std::string& name, const std::string& value) {
  const bool number = !value.empty() && value.find_first_not_of("-0123456789") == std::string::npos;
  return "<psf:Property name=\"kp:" + name + "\"><psf:Value xsi:type=\"xsd:" + (number ? "integer" : "string") +
         "\">" + Escaped(value) + "</psf:Value></psf:Property>";
}

struct Item {
  std::string type = "Text";
  std::string text = "DRAFT";
  std::string file;
  int angle = 45;
  int scaling = 100;
  long colour = 0xFF0000;
};

std::string ItemXml(const std::string& name, const Item& item) {
  return "<psf:Property name=\"kp:" + name + "\">" + Sub("ID", "1") + Sub("Type", item.type) + Sub("PostionX", "0") +
         Sub("PostionY", "0") + Sub("FontColor", std::to_string(item.colour)) + Sub("FontSize", "120") +
         Sub("Text", item.text) + Sub("Angle", std::to_string(item.angle)) + Sub("FontName", "DejaVu Sans") +
         Sub("FontItalicStyle", "0") + Sub("FontBoldStyle", "1") + Sub("Filename", item.file) +
         Sub("Scaling", std::to_string(item.scaling)) + "</psf:Property>";
}

struct Look {
  std::string overlay = "Transparent";
  std::string outline = "Off";
};

// A job ticket with one watermark item for all pages, or a first and an other.
std::string Ticket(const Look& look, const Item& common, const Item* first = nullptr, const Item* other = nullptr) {
  const bool custom = first && other;
  std::string body =
      "<psf:Feature name=\"psk:PageWatermark\"><psf:Option name=\"psk:On\"/>"
      "<psf:Feature name=\"kp:OverlayMethod\"><psf:Option name=\"kp:" + look.overlay + "\"/></psf:Feature>"
      "<psf:Feature name=\"kp:OutlineTxt\"><psf:Option name=\"kp:" + look.outline + "\"/></psf:Feature>"
      "<psf:Feature name=\"kp:CustomSettings\"><psf:Option name=\"kp:" + (custom ? "On" : "Off") +
      "\"/></psf:Feature></psf:Feature><psf:Property name=\"kp:PageWatermarkData\">" +
      ItemXml("WatermarkSettings", common) +
      (custom ? ItemXml("CustomWatermarkSettingsFirst", *first) + ItemXml("CustomWatermarkSettingsOther", *other) : "") +
      "</psf:Property>";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
         "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:kp=\"http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords\" "
         "version=\"1\">" +
         body + "</psf:PrintTicket>";
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// The page parts of a package in page order (names sort by number within a document here).
std::vector<std::string> Pages(const std::map<std::string, std::string>& parts) {
  std::vector<std::pair<std::string, std::string>> pages;
  for (const auto& [name, bytes] : parts)
    if (name.ends_with(".fpage") || name.find("/LO_NUpPage_") != std::string::npos) pages.emplace_back(name, bytes);
  std::sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
    return a.first.size() != b.first.size() ? a.first.size() < b.first.size() : a.first < b.first;
  });
  std::vector<std::string> markup;
  for (auto& page : pages) markup.push_back(std::move(page.second));
  return markup;
}

std::vector<std::string> PartsLike(const std::map<std::string, std::string>& parts, const std::regex& name) {
  std::vector<std::string> found;
  for (const auto& [part, bytes] : parts)
    if (std::regex_match(part, name)) found.push_back(part);
  return found;
}

struct Rgb {
  int r = 0, g = 0, b = 0;
};

class WatermarkEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kPython, X_OK) != 0 || access("/usr/bin/mutool", X_OK) != 0) GTEST_SKIP() << "python3 or mutool missing";
  }

  ProcessResult Run(const fs::path& input, const std::string& ticket, bool alone = true,
                    const std::vector<std::string>& options = {}) {
    WriteFile(scratch_ / "job.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE, "run", "--quiet", "--output", Out().string(),
                                     "--job-ticket", (scratch_ / "job.xml").string()};
    if (alone) args.insert(args.end(), {"--filters", "xprepflt"});
    for (const std::string& option : options) args.insert(args.end(), {"-o", option});
    args.push_back(input.string());
    const ProcessResult run = RunProcess(args, kLimit);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run;
  }
  fs::path Out() const { return scratch_ / "out.xps"; }

  fs::path Make(const std::string& name, const std::vector<int>& documents) {
    const fs::path path = scratch_ / name;
    std::vector<std::string> args = {kPython, kScript, "make", path.string()};
    for (const int pages : documents) args.push_back(std::to_string(pages));
    EXPECT_EQ(RunProcess(args, kLimit).exit_code, 0);
    return path;
  }

  std::vector<Rgb> Pixels(int page, const std::vector<std::pair<double, double>>& points) {
    std::vector<std::string> args = {kPython, kScript, "pixels", Out().string(), std::to_string(page)};
    for (const auto& [x, y] : points) args.push_back(std::to_string(x) + "," + std::to_string(y));
    const ProcessResult run = RunProcess(args, kLimit);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<Rgb> colours;
    std::istringstream in(run.out);
    Rgb c;
    while (in >> c.r >> c.g >> c.b) colours.push_back(c);
    return colours;
  }

  ScratchDir scratch_;
};

TEST_F(WatermarkEndToEnd, TransparentDraftAcrossEveryPageOfACorpusDocument) {
  const fs::path input = fs::path(KESTREL_CORPUS_DIR) / "xps" / "mb06.xps";
  if (!fs::exists(input)) GTEST_SKIP() << input << " is missing";
  Run(input, Ticket({}, Item{}));
  const auto parts = ReadParts(Out());
  EXPECT_EQ(PartsLike(parts, std::regex(R"(/[0-9A-F-]{36}\.odttf)")).size(), 1u);
  const std::vector<std::string> pages = Pages(parts);
  ASSERT_EQ(pages.size(), 3u);
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    // The glyphs, in the colour and at half opacity, as mutool meets them.
    const ProcessResult trace = RunProcess({"/usr/bin/mutool", "trace", Out().string(), std::to_string(page)}, kLimit);
    ASSERT_EQ(trace.exit_code, 0) << trace.err;
    std::string letters;
    std::smatch match;
    const std::regex text(R"re(<fill_text[^>]*colorspace="DeviceRGB" color="1 0 0" alpha="0?\.5"[^>]*>([\s\S]*?)</fill_text>)re");
    ASSERT_TRUE(std::regex_search(trace.out, match, text)) << trace.out.substr(0, 2000);
    const std::string glyphs = match[1];
    const std::regex unicode(R"re(unicode="(.)")re");
    for (std::sregex_iterator g(glyphs.begin(), glyphs.end(), unicode), end; g != end; ++g) letters += (*g)[1];
    EXPECT_EQ(letters, "DRAFT");
    // Red over white at half opacity somewhere round the page's centre.
    const std::string& markup = pages[static_cast<std::size_t>(page - 1)];
    std::smatch size;
    ASSERT_TRUE(std::regex_search(markup, size, std::regex(R"re(<FixedPage [^>]*Width="([\d.]+)" Height="([\d.]+)")re")));
    const double cx = std::stod(size[1]) / 2, cy = std::stod(size[2]) / 2;
    std::vector<std::pair<double, double>> around;
    for (int dx = -60; dx <= 60; dx += 6) around.emplace_back(cx + dx, cy - dx);  // along the 45-degree baseline
    int washed = 0;
    for (const Rgb& c : Pixels(page, around)) washed += c.r > 200 && c.g > 90 && c.g < 170 && c.b > 90 && c.b < 170;
    EXPECT_GT(washed, 2);
  }
}

TEST_F(WatermarkEndToEnd, OutlineIsNineRunsAndTransparentOutlineAlsoDrawsUnderTheContent) {
  const fs::path input = Make("one.xps", {1});
  const std::pair<Look, std::size_t> cases[] = {
      {{"Opaque", "On"}, 9},
      {{"Transparent", "On"}, 18},
      {{"Transparent", "Off"}, 1},
  };
  for (const auto& [look, runs] : cases) {
    SCOPED_TRACE(look.overlay + ", outline " + look.outline);
    Run(input, Ticket(look, Item{}));
    const std::string page = Pages(ReadParts(Out())).at(0);
    EXPECT_EQ(Count(page, "<Glyphs "), runs);
    const std::size_t content = page.find("M 10,10");
    if (runs == 18) {
      // One canvas of nine before the page's own content, one after it.
      EXPECT_EQ(Count(page.substr(0, content), "<Glyphs "), 9u);
      EXPECT_EQ(Count(page, "<Canvas Opacity=\"0.5\">"), 1u);
    } else {
      EXPECT_EQ(Count(page.substr(0, content), "<Glyphs "), 0u);
    }
  }
}

TEST_F(WatermarkEndToEnd, TheJobsFirstPageGetsItsOwnItemAcrossTwoDocuments) {
  const fs::path input = Make("two.xps", {2, 2});
  Item first, other;
  first.text = "FIRST";
  other.text = "OTHER";
  Run(input, Ticket({}, Item{}, &first, &other));
  const std::vector<std::string> pages = Pages(ReadParts(Out()));
  ASSERT_EQ(pages.size(), 4u);
  for (std::size_t page = 0; page < pages.size(); ++page) {
    SCOPED_TRACE("page " + std::to_string(page + 1));
    EXPECT_EQ(Count(pages[page], page == 0 ? "UnicodeString=\"FIRST\"" : "UnicodeString=\"OTHER\""), 1u);
    EXPECT_EQ(Count(pages[page], "UnicodeString="), 1u);
  }
}

TEST_F(WatermarkEndToEnd, BitmapsOfEachFormatBecomeOnePngPartDrawnInTheirBox) {
  const fs::path input = Make("two.xps", {2});
  struct Case {
    const char* file;
    double width, height;  // in XPS units at scaling 300
  };
  const Case cases[] = {
      {"logo.bmp", 172.8, 86.4},
      {"logo.jpg", 172.8, 86.4},
      {"logo.gif", 360, 180},  // no resolution: 96 dpi
      {"logo.tif", 172.8, 86.4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path image = scratch_ / c.file;
    ASSERT_EQ(RunProcess({kPython, kScript, "image", image.string()}, kLimit).exit_code, 0);
    Item item;
    item.type = "Bitmap";
    item.file = image.string();
    item.scaling = 300;
    Run(input, Ticket({"Opaque", "Off"}, item));
    const auto parts = ReadParts(Out());
    const std::vector<std::string> pngs = PartsLike(parts, std::regex(R"(/WM_logo\.[a-z]+_\d+\.png)"));
    ASSERT_EQ(pngs.size(), 1u);
    WriteFile(scratch_ / "part.png", parts.at(pngs[0]));
    const ProcessResult check = RunProcess({"/usr/bin/pngcheck", (scratch_ / "part.png").string()}, kLimit);
    EXPECT_EQ(check.exit_code, 0) << check.out;
    const std::vector<std::string> pages = Pages(parts);
    ASSERT_EQ(pages.size(), 2u);
    for (int page = 1; page <= 2; ++page) {
      const std::string& markup = pages[static_cast<std::size_t>(page - 1)];
      EXPECT_NE(markup.find("ImageSource=\"" + pngs[0] + "\""), std::string::npos);
      std::smatch viewport;
      ASSERT_TRUE(std::regex_search(markup, viewport, std::regex(R"re(Viewport="([-\d.]+),([-\d.]+),([\d.]+),([\d.]+)")re")));
      EXPECT_NEAR(std::stod(viewport[3]), c.width, 0.01);
      EXPECT_NEAR(std::stod(viewport[4]), c.height, 0.01);
      // Red in the box's left half, blue in its right half, white outside it.
      const double cx = 408, cy = 528;
      const std::vector<Rgb> colours =
          Pixels(page, {{cx - c.width / 4, cy}, {cx + c.width / 4, cy}, {cx, cy - c.height}, {cx - c.width, cy}});
      ASSERT_EQ(colours.size(), 4u);
      EXPECT_TRUE(colours[0].r > 200 && colours[0].g < 60 && colours[0].b < 60) << colours[0].r << " " << colours[0].b;
      EXPECT_TRUE(colours[1].b > 200 && colours[1].r < 60 && colours[1].g < 60) << colours[1].r << " " << colours[1].b;
      for (const Rgb& outside : {colours[2], colours[3]}) EXPECT_TRUE(outside.r > 240 && outside.g > 240 && outside.b > 240);
    }
  }
}

TEST_F(WatermarkEndToEnd, TwoUpAfterItPutsTwoWatermarksOnEachSheetWithOneFontPart) {
  const fs::path input = Make("four.xps", {4});
  Run(input, Ticket({}, Item{}), false, {"number-up=2"});
  const auto parts = ReadParts(Out());
  EXPECT_EQ(PartsLike(parts, std::regex(R"(/[0-9A-F-]{36}\.odttf)")).size(), 1u);
  const std::vector<std::string> sheets = Pages(parts);
  ASSERT_EQ(sheets.size(), 2u);
  for (const std::string& sheet : sheets) EXPECT_EQ(Count(sheet, "UnicodeString=\"DRAFT\""), 2u);
}

TEST_F(WatermarkEndToEnd, BitmapsThatAreNoUsableImageLeaveThePagesWithoutThemAndSaySo) {
  const fs::path input = Make("two.xps", {2});
  const fs::path fifo = scratch_ / "fifo.bmp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A bitmap header that claims 100,000 x 100,000 pixels.
  std::string huge = std::string("BM") + std::string(12, '\0');
  const unsigned char info[] = {40, 0, 0, 0, 0xA0, 0x86, 0x01, 0, 0xA0, 0x86, 0x01, 0, 1, 0, 24, 0};
  huge.append(reinterpret_cast<const char*>(info), sizeof info);
  huge.append(24, '\0');
  huge[10] = 54;
  WriteFile(scratch_ / "huge.bmp", huge);
  ASSERT_EQ(RunProcess({kPython, kScript, "image", (scratch_ / "whole.png").string()}, kLimit).exit_code, 0);
  const std::string png = kestrel::host::testing::ReadFile(scratch_ / "whole.png");
  WriteFile(scratch_ / "cut.png", png.substr(0, png.size() / 2));
  const fs::path paths[] = {fifo, "/dev/zero", scratch_ / ".", scratch_ / "missing.bmp", scratch_ / "huge.bmp",
                            scratch_ / "cut.png"};
  for (const fs::path& path : paths) {
    SCOPED_TRACE(path.string());
    Item item;
    item.type = "Bitmap";
    item.file = path.string();
    const ProcessResult run = Run(input, Ticket({}, item));
    EXPECT_NE(run.err.find("left off the page"), std::string::npos) << run.err;
    const auto parts = ReadParts(Out());
    EXPECT_TRUE(PartsLike(parts, std::regex(R"(/WM_.*)")).empty());
    const std::vector<std::string> pages = Pages(parts);
    ASSERT_EQ(pages.size(), 2u);
    for (const std::string& page : pages) EXPECT_EQ(page.find("ImageBrush"), std::string::npos);
  }
}

}  // namespace
