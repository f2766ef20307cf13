// The scaled page's size and canvases for each scaling mode, on pages smaller,
// larger and of the other orientation than the paper, and the sizes that would
// make the fit undefined.
#include "filters/preparation/page_scaler.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/utf.h"

namespace {

using enum ScalingMode;

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text).value(); }

// The reference printer's 4233-micron margins around a paper.
ImageableArea AreaOf(LONG width, LONG height) {
  return {width, height, 4233, 4233, width - 2 * 4233, height - 2 * 4233};
}

MediaSizeSettings Paper(LONG width, LONG height, Orientation orientation = Orientation::Portrait) {
  MediaSizeSettings media;
  media.width = width;
  media.height = height;
  media.orientation = orientation;
  return media;
}

constexpr LONG kLetterW = 215900, kLetterH = 279400, kA4W = 210000, kA4H = 297000;

std::string Canvas(const std::string& transform, const std::string& clip) {
  return "<Canvas RenderTransform=\"" + transform + "\"" + (clip.empty() ? "" : " Clip=\"" + clip + "\"") + ">";
}
const std::string kLetterClip = "M 0.00,0.00 L 816.00,0.00 816.00,1056.00 0.00,1056.00 z";
const std::string kIdentity = "1.000000,0.000000,0.000000,1.000000,0.00,0.00";

TEST(PageScalerTest, EachModeGivesThePaperSizeAndTheCanvasesOfItsFormula) {
  struct Case {
    const char* label;
    ScalingMode mode;
    MediaSizeSettings media;
    REAL pageWidth, pageHeight;
    PageBox bleed, content;
    std::string width, height, opening;
    LONG scale = 100, offset = 4233;
    ScaleAlignment alignment = ScaleAlignment::Center;
  };
  const Case cases[] = {
      {"none, letter page on letter", None, Paper(kLetterW, kLetterH), 816, 1056, {}, {}, "816.01", "1056.01",
       Canvas(kIdentity, kLetterClip)},
      {"none, landscape paper", None, Paper(kLetterW, kLetterH, Orientation::Landscape), 816, 1056, {}, {}, "1056.01", "816.01",
       Canvas(kIdentity, kLetterClip)},
      {"media to media, letter page on A4", FitApplicationMediaSizeToPageMediaSize, Paper(kA4W, kA4H), 816, 1056, {}, {}, "793.71",
       "1122.53", Canvas("0.972685,0.000000,0.000000,0.972685,0.00,47.69", kLetterClip)},
      {"media to media, landscape page on letter, top left", FitApplicationMediaSizeToPageMediaSize, Paper(kLetterW, kLetterH), 1056, 816,
       {}, {}, "816.01", "1056.01",
       Canvas("0.772737,0.000000,0.000000,0.772737,0.00,0.00",
              "M 0.00,0.00 L 1056.00,0.00 1056.00,816.00 0.00,816.00 z"),
       100, 4233, ScaleAlignment::TopLeft},
      {"media to media, landscape page, bottom", FitApplicationMediaSizeToPageMediaSize, Paper(kLetterW, kLetterH), 1056, 816, {}, {},
       "816.01", "1056.01",
       Canvas("0.772737,0.000000,0.000000,0.772737,0.00,425.46",
              "M 0.00,0.00 L 1056.00,0.00 1056.00,816.00 0.00,816.00 z"),
       100, 4233, ScaleAlignment::BottomCenter},
      {"media to imageable", FitApplicationMediaSizeToPageImageableSize, Paper(kLetterW, kLetterH), 816, 1056, {}, {}, "816.01", "1056.01",
       Canvas("0.960800,0.000000,0.000000,0.960800,16.00,20.70", kLetterClip)},
      {"custom square 50%, no offset", CustomSquare, Paper(kLetterW, kLetterH), 816, 1056, {}, {}, "816.01",
       "1056.01", Canvas("0.500000,0.000000,0.000000,0.500000,8.00,8.00", kLetterClip), 50, 0},
      {"custom square 200%, default offset", CustomSquare, Paper(kLetterW, kLetterH), 408, 528, {}, {}, "816.01",
       "1056.01",
       Canvas("2.000000,0.000000,0.000000,2.000000,0.00,0.00",
              "M 0.00,0.00 L 408.00,0.00 408.00,528.00 0.00,528.00 z"),
       200},
      {"bleed box to imageable", FitApplicationBleedSizeToPageImageableSize, Paper(kLetterW, kLetterH), 816, 1056, {-10, -10, 836, 1076},
       {}, "816.01", "1056.01",
       Canvas("0.937814,0.000000,0.000000,0.937814,16.00,23.46", "") +
           Canvas("1.000000,0.000000,0.000000,1.000000,10.00,10.00", kLetterClip)},
      {"content box to imageable", FitApplicationContentSizeToPageImageableSize, Paper(kLetterW, kLetterH), 816, 1056, {},
       {48, 48, 720, 960}, "816.01", "1056.01",
       Canvas("1.066683,0.000000,0.000000,1.066683,24.00,16.00", "") +
           Canvas("1.000000,0.000000,0.000000,1.000000,-48.00,-48.00",
                  "M 48.00,48.00 L 768.00,48.00 768.00,1008.00 48.00,1008.00 z")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScalingSettings settings;
    settings.mode = c.mode;
    settings.scale = c.scale;
    settings.offsetWidth = settings.offsetHeight = c.offset;
    settings.alignment = c.alignment;
    const ImageableArea area = AreaOf(c.media.width, c.media.height);
    PageScaler scaler(settings, c.media, area, area);
    scaler.SetPageGeometry(c.pageWidth, c.pageHeight, c.bleed, c.content);
    EXPECT_EQ(U8(scaler.PageWidthText().value()), c.width);
    EXPECT_EQ(U8(scaler.PageHeightText().value()), c.height);
    EXPECT_EQ(U8(scaler.OpeningMarkup()), c.opening);
    const bool twoCanvases = c.mode == FitApplicationBleedSizeToPageImageableSize || c.mode == FitApplicationContentSizeToPageImageableSize;
    EXPECT_EQ(U8(scaler.ClosingMarkup()), twoCanvases ? "</Canvas>\n</Canvas>\n" : "</Canvas>\n");
  }
}

TEST(PageScalerTest, FitToPaperTakesTheTargetPaperInThePageMediaOrientation) {
  ScalingSettings settings;
  settings.mode = FitToPaper;
  settings.targetPaper.width = kA4W;
  settings.targetPaper.height = kA4H;
  for (const Orientation orientation : {Orientation::Portrait, Orientation::Landscape}) {
    SCOPED_TRACE(*Name(orientation) == u"Portrait" ? "portrait" : "landscape");
    PageScaler scaler(settings, Paper(kLetterW, kLetterH, orientation), AreaOf(kLetterW, kLetterH),
                      AreaOf(kA4W, kA4H));
    scaler.SetPageGeometry(816, 1056, {}, {});
    EXPECT_EQ(U8(scaler.PageWidthText().value()), orientation == Orientation::Portrait ? "793.71" : "1122.53");
    EXPECT_EQ(U8(scaler.OpeningMarkup()), Canvas("0.971557,0.000000,0.000000,0.971557,0.46,0.46", kLetterClip));
  }
}

// Sizes that would divide by zero or overflow leave the page unscaled, and
// nothing that is not a number reaches the markup.
TEST(PageScalerTest, UnusableSizesLeaveThePageUnscaled) {
  const REAL inf = std::numeric_limits<REAL>::infinity();
  const REAL nan = std::numeric_limits<REAL>::quiet_NaN();
  struct Case {
    const char* label;
    ScalingMode mode;
    MediaSizeSettings media;
    ImageableArea area;
    REAL pageWidth, pageHeight;
    PageBox content;
    LONG scale = 100;
    bool paperSized = true;
  };
  const Case cases[] = {
      {"zero paper, media to media", FitApplicationMediaSizeToPageMediaSize, Paper(0, 0), AreaOf(kLetterW, kLetterH), 816, 1056, {}, 100,
       false},
      {"empty printable area", FitApplicationMediaSizeToPageImageableSize, Paper(kLetterW, kLetterH), {}, 816, 1056, {}},
      {"page without size", FitApplicationMediaSizeToPageImageableSize, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH), 0, 0, {}},
      {"infinite page", FitApplicationMediaSizeToPageMediaSize, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH), inf, 1056, {}},
      {"content box of no width", FitApplicationContentSizeToPageImageableSize, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH),
       816, 1056, {10, 10, 0, 50}},
      {"content box not a number", FitApplicationContentSizeToPageImageableSize, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH),
       816, 1056, {nan, 0, 100, 100}},
      {"content box overflowing", FitApplicationContentSizeToPageImageableSize, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH), 816,
       1056, {3e38f, 0, 3e38f, 100}},
      {"scale zero", CustomSquare, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH), 816, 1056, {}, 0},
      {"scale negative", CustomSquare, Paper(kLetterW, kLetterH), AreaOf(kLetterW, kLetterH), 816, 1056, {}, -50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScalingSettings settings;
    settings.mode = c.mode;
    settings.scale = c.scale;
    settings.offsetWidth = settings.offsetHeight = 0;
    PageScaler scaler(settings, c.media, c.area, c.area);
    scaler.SetPageGeometry(c.pageWidth, c.pageHeight, {}, c.content);
    EXPECT_EQ(scaler.PageWidthText().has_value(), c.paperSized);
    const std::string opening = U8(scaler.OpeningMarkup());
    EXPECT_NE(opening.find(kIdentity), std::string::npos) << opening;
    EXPECT_EQ(opening.find("inf"), std::string::npos) << opening;
    EXPECT_EQ(opening.find("nan"), std::string::npos) << opening;
  }
}

}  // namespace
