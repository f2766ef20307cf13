// The converter pair end to end: pages fed element by element come out as PWG
// Raster pages whose pixels show what the markup draws.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/converter/converter_harness.h"
// After the platform's types: lcms2 defines TRUE and FALSE as macros.
#include <lcms2.h>

namespace {

using converter_test::ConverterJob;
using converter_test::ConverterPair;
using converter_test::Device;
using converter_test::FakeParts;
using converter_test::RasterPage;

// A one-inch square page drawn at 96 dpi: one pixel per page unit.
constexpr Device kInch{25400, 25400, 96, 2, 3};

std::string Page(const std::string& body, const std::string& resources = "") {
  return "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' "
         "xmlns:x='http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key' Width='96' Height='96'>" +
         (resources.empty() ? "" : "<FixedPage.Resources><ResourceDictionary>" + resources +
                                       "</ResourceDictionary></FixedPage.Resources>") +
         body + "</FixedPage>";
}

struct Probe {
  unsigned x, y;
  std::vector<int> rgb;
};

struct DrawingCase {
  const char* name;
  std::string markup;
  std::vector<Probe> probes;
};

class ConverterPairTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pair_.Loaded()) << "build the kestrel_converters target"; }

  static void ExpectNear(const RasterPage& page, const Probe& probe, int tolerance) {
    SCOPED_TRACE("pixel " + std::to_string(probe.x) + "," + std::to_string(probe.y));
    const std::vector<int> got = page.At(probe.x, probe.y);
    ASSERT_EQ(got.size(), probe.rgb.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], probe.rgb[i], tolerance) << "sample " << i;
  }

  ConverterPair pair_;
};

const std::vector<int> kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kBlue{0, 0, 255};

TEST_F(ConverterPairTest, DrawsWhatTheMarkupSays) {
  const std::string square = "M 20,20 L 76,20 76,76 20,76 Z M 40,40 L 56,40 56,56 40,56 Z";
  const DrawingCase cases[] = {
      {"abbreviated path, even-odd hole", Page("<Path Fill='#FF0000' Data='" + square + "'/>"),
       {{10, 10, kWhite}, {25, 25, kRed}, {48, 48, kWhite}}},
      {"non-zero fill keeps the hole filled", Page("<Path Fill='#FF0000' Data='F1 " + square + "'/>"),
       {{25, 25, kRed}, {48, 48, kRed}}},
      {"a fill rule with a space before its digit", Page("<Path Fill='#FF0000' Data='F 1 " + square + "'/>"),
       {{48, 48, kRed}}},
      {"path geometry element with a relative command",
       Page("<Path Fill='#0000FF'><Path.Data><PathGeometry><PathFigure StartPoint='0,0' IsClosed='true'>"
            "<PolyLineSegment Points='48,0 48,96 0,96'/></PathFigure></PathGeometry></Path.Data></Path>"),
       {{10, 50, kBlue}, {80, 50, kWhite}}},
      {"stroke with thickness, a round start and a flat end",
       Page("<Path Stroke='#000000' StrokeThickness='10' StrokeStartLineCap='Round' Data='M 20,48 L 76,48'/>"),
       {{48, 48, kBlack}, {48, 44, kBlack}, {48, 40, kWhite}, {17, 48, kBlack}, {10, 48, kWhite}, {79, 48, kWhite}}},
      {"square and triangle ends",
       Page("<Path Stroke='#000000' StrokeThickness='10' StrokeEndLineCap='Square' Data='M 20,30 L 76,30'/>"
            "<Path Stroke='#000000' StrokeThickness='10' StrokeEndLineCap='Triangle' Data='M 20,60 L 76,60'/>"),
       {{17, 30, kWhite}, {79, 26, kBlack}, {79, 60, kBlack}, {79, 56, kWhite}}},
      {"dashes leave gaps",
       Page("<Path Stroke='#000000' StrokeThickness='4' StrokeDashArray='2 2' Data='M 0,48 L 96,48'/>"),
       {{4, 48, kBlack}, {12, 48, kWhite}}},
      {"canvas transform moves, clip cuts",
       Page("<Canvas RenderTransform='1,0,0,1,40,0' Clip='M 0,0 L 20,0 20,96 0,96 Z'>"
            "<Path Fill='#FF0000' Data='M 0,0 L 50,0 50,96 0,96 Z'/></Canvas>"),
       {{30, 48, kWhite}, {50, 48, kRed}, {70, 48, kWhite}}},
      {"opacity blends with the white media",
       Page("<Canvas Opacity='0.5'><Path Fill='#000000' Data='M 0,0 L 96,0 96,96 0,96 Z'/></Canvas>"),
       {{48, 48, {128, 128, 128}}}},
      {"scRGB colour", Page("<Path Fill='sc#1,0,0' Data='M 0,0 L 96,0 96,96 0,96 Z'/>"), {{48, 48, kRed}}},
      {"linear gradient from black to white",
       Page("<Path Data='M 0,0 L 96,0 96,96 0,96 Z'><Path.Fill><LinearGradientBrush MappingMode='Absolute' "
            "StartPoint='0,0' EndPoint='96,0'><LinearGradientBrush.GradientStops><GradientStop Color='#000000' "
            "Offset='0'/><GradientStop Color='#FFFFFF' Offset='1'/></LinearGradientBrush.GradientStops>"
            "</LinearGradientBrush></Path.Fill></Path>"),
       {{1, 48, {3, 3, 3}}, {48, 10, {128, 128, 128}}, {94, 80, {252, 252, 252}}}},
      {"radial gradient, centre to rim",
       Page("<Path Data='M 0,0 L 96,0 96,96 0,96 Z'><Path.Fill><RadialGradientBrush MappingMode='Absolute' "
            "Center='48,48' GradientOrigin='48,48' RadiusX='48' RadiusY='48'><RadialGradientBrush.GradientStops>"
            "<GradientStop Color='#FF0000' Offset='0'/><GradientStop Color='#0000FF' Offset='1'/>"
            "</RadialGradientBrush.GradientStops></RadialGradientBrush></Path.Fill></Path>"),
       {{48, 48, kRed}, {2, 2, kBlue}}},
      {"brush from the page's resource dictionary",
       Page("<Path Fill='{StaticResource red}' Data='M 0,0 L 96,0 96,96 0,96 Z'/>",
            "<SolidColorBrush x:Key='red' Color='#FF0000'/>"),
       {{48, 48, kRed}}},
      {"visual brush tiles its visual",
       Page("<Path Data='M 0,0 L 96,0 96,96 0,96 Z'><Path.Fill><VisualBrush TileMode='Tile' Viewbox='0,0,2,2' "
            "ViewboxUnits='Absolute' Viewport='0,0,32,32' ViewportUnits='Absolute'><VisualBrush.Visual>"
            "<Path Fill='#0000FF' Data='M 0,0 L 1,0 1,2 0,2 Z'/></VisualBrush.Visual></VisualBrush></Path.Fill>"
            "</Path>"),
       {{8, 8, kBlue}, {24, 8, kWhite}, {40, 40, kBlue}, {56, 70, kWhite}}},
      {"plain paths that touch fill as one, without a seam between them",
       Page("<Path Fill='#000000' Data='M 0,0 L 40.5,0 40.5,96 0,96 Z'/>"
            "<Path Fill='#000000' Data='M 40.5,0 L 96,0 96,96 40.5,96 Z'/>"),
       {{40, 48, kBlack}, {41, 48, kBlack}}},
      {"plain paths that overlap are each filled whole",
       Page("<Path Fill='#000000' Data='M 10,10 L 60,10 60,60 10,60 Z'/>"
            "<Path Fill='#000000' Data='F1 M 40,40 L 40,86 86,86 86,40 Z'/>"
            "<Path Fill='#000000' Data='F1 M 45,45 L 90,45 90,90 45,90 Z'/>"),
       {{20, 20, kBlack}, {50, 50, kBlack}, {80, 80, kBlack}, {88, 88, kBlack}, {30, 80, kWhite}}},
      {"a later plain path of another colour lies on top",
       Page("<Path Fill='#FF0000' Data='M 0,0 L 60,0 60,96 0,96 Z'/><Path Fill='#0000FF' Data='M 40,0 L 96,0 96,96 40,96 Z'/>"
            "<Path Fill='#FF0000' Data='M 80,0 L 90,0 90,96 80,96 Z'/>"),
       {{20, 48, kRed}, {50, 48, kBlue}, {85, 48, kRed}}},
      {"a transform that squashes to nothing draws nothing",
       Page("<Path RenderTransform='0,0,0,0,0,0' Fill='#000000' Data='M 0,0 L 96,0 96,96 0,96 Z'/>"),
       {{48, 48, kWhite}}},
      {"markup compatibility: the fallback is drawn",
       "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' "
       "xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006' Width='96' Height='96'>"
       "<mc:AlternateContent><mc:Choice Requires='v2'><Path Fill='#0000FF' Data='M 0,0 L 96,0 96,96 0,96 Z'/>"
       "</mc:Choice><mc:Fallback><Path Fill='#FF0000' Data='M 0,0 L 96,0 96,96 0,96 Z'/></mc:Fallback>"
       "</mc:AlternateContent></FixedPage>",
       {{48, 48, kRed}}},
  };
  for (const DrawingCase& c : cases) {
    SCOPED_TRACE(c.name);
    ConverterJob job(pair_);
    ASSERT_TRUE(job.Opened());
    ASSERT_TRUE(job.Page(c.markup, kInch));
    const std::vector<RasterPage> pages = job.Close();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(job.recordsWhole());
    for (const Probe& probe : c.probes) ExpectNear(pages[0], probe, 6);
  }
}

// The profile's bytes; the profile is closed.
std::string SavedProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// A profile lcms2 makes: sRGB, or a grey one (gamma 2.2 unless given).
std::string ProfileBytes(bool grey, double gamma = 2.2) {
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  std::string bytes = SavedProfile(grey ? cmsCreateGrayProfile(cmsD50_xyY(), curve) : cmsCreate_sRGBProfile());
  cmsFreeToneCurve(curve);
  return bytes;
}

// RGB whose red and blue primaries are exchanged (linear): red comes out blue.
std::string SwappedProfile() {
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  const cmsCIExyYTRIPLE primaries{{0.15, 0.06, 1}, {0.30, 0.60, 1}, {0.64, 0.33, 1}};
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  std::string bytes = SavedProfile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(linear);
  return bytes;
}

// Five inks whose colour is black where the first ink is full and white where
// it is absent, whatever the others.
std::string FiveInkProfile() {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 4.3);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigMCH5Data);
  cmsSetPCS(profile, cmsSigLabData);
  cmsUInt16Number table[32 * 3];
  for (int node = 0; node < 32; ++node) {
    table[3 * node] = node & 16 ? 0 : 0xFFFF;  // L*: the first ink is the grid's slowest index
    table[3 * node + 1] = table[3 * node + 2] = 0x8080;  // a* and b* 0
  }
  // Identity curves around the grid: the form an A-to-B table is saved in.
  cmsPipeline* lut = cmsPipelineAlloc(nullptr, 5, 3);
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 5, nullptr));
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocCLut16bit(nullptr, 2, 5, 3, table));
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  cmsWriteTag(profile, cmsSigAToB0Tag, lut);
  cmsPipelineFree(lut);
  return SavedProfile(profile);
}

TEST_F(ConverterPairTest, ImagesAndGlyphsComeThroughTheCallbacks) {
  FakeParts parts;
  // 2 x 1 pixels: red, blue; stretched over the page.
  parts.images["/image.png"] = converter_test::RgbImageBlock(2, 1, std::string("\xFF\0\0\0\0\xFF", 6));
  parts.profiles["/profile.icc"] = ProfileBytes(false);
  parts.fonts["/font.ttf"] = converter_test::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  ASSERT_FALSE(parts.fonts["/font.ttf"].empty());
  ConverterJob job(pair_);
  ASSERT_TRUE(job.Page(Page("<Path Data='M 0,0 L 96,0 96,48 0,48 Z'><Path.Fill><ImageBrush ImageSource='/image.png' "
                            "Viewbox='0,0,2,1' ViewboxUnits='Absolute' Viewport='0,0,96,48' ViewportUnits='Absolute'/>"
                            "</Path.Fill></Path>"
                            "<Path Data='M 0,48 L 96,48 96,58 0,58 Z'><Path.Fill><ImageBrush "
                            "ImageSource='{ColorConvertedBitmap /image.png /profile.icc}' Viewbox='0,0,2,1' "
                            "ViewboxUnits='Absolute' Viewport='0,48,96,10' ViewportUnits='Absolute'/></Path.Fill></Path>"
                            "<Glyphs Fill='#000000' FontUri='/font.ttf' FontRenderingEmSize='40' OriginX='10' "
                            "OriginY='90' UnicodeString='II'/>"),
                       kInch, DMDUP_SIMPLEX, &parts));
  const std::vector<RasterPage> pages = job.Close();
  ASSERT_EQ(pages.size(), 1u);
  ExpectNear(pages[0], {10, 24, kRed}, 8);
  ExpectNear(pages[0], {86, 24, kBlue}, 8);
  ExpectNear(pages[0], {10, 53, kRed}, 8);
  // The two capital I stems: dark columns on the baseline's row band, white between.
  int dark = 0;
  for (unsigned x = 10; x < 60; ++x) dark += pages[0].At(x, 80)[0] < 100;
  EXPECT_GT(dark, 4);
  EXPECT_LT(dark, 30);
}

// An image over the page's upper half (the source as ImageSource gives it),
// black below.
std::string ImagePage(const std::string& source) {
  return Page("<Path Data='M 0,0 L 96,0 96,48 0,48 Z'><Path.Fill><ImageBrush ImageSource='" + source +
              "' Viewbox='0,0,1,1' ViewboxUnits='Absolute' Viewport='0,0,96,48' ViewportUnits='Absolute'/>"
              "</Path.Fill></Path><Path Fill='#000000' Data='M 0,48 L 96,48 96,96 0,96 Z'/>");
}

// An image's colours through its profile, or as device inks; an image that
// cannot be used is left out (white) and the page goes on (black below).
TEST_F(ConverterPairTest, ImagesKeepTheirColoursOrAreLeftOut) {
  using converter_test::ImageBlock;
  FakeParts parts;
  parts.profiles["/swapped.icc"] = SwappedProfile();
  parts.profiles["/srgb.icc"] = ProfileBytes(false);
  parts.profiles["/broken.icc"] = std::string(300, '\xFF');
  const std::string red("\xFF\0\0", 3);
  std::string outside = ImageBlock(1, 1, kImageRgb, 3, red, SwappedProfile());
  outside[24] = '\x7F';  // the profile's offset, far past the block's end
  const struct {
    const char* name;
    std::string block;
    const char* source;
    std::vector<int> rgb;
  } cases[] = {
      {"an embedded profile", ImageBlock(1, 1, kImageRgb, 3, red, SwappedProfile()), "/image", kBlue},
      {"a named profile", ImageBlock(1, 1, kImageRgb, 3, red), "{ColorConvertedBitmap /image /swapped.icc}", kBlue},
      {"a named profile replaces the embedded one", ImageBlock(1, 1, kImageRgb, 3, red, SwappedProfile()),
       "{ColorConvertedBitmap /image /srgb.icc}", kRed},
      {"RGB with alpha and a profile", ImageBlock(1, 1, kImageRgba, 4, red + '\xFF', SwappedProfile()), "/image",
       kBlue},
      {"CMYK: black added to each ink", ImageBlock(1, 1, kImageCmyk, 4, "\x28\xC8\x1E\x3C"), "/image", {155, 0, 165}},
      {"CMYK with alpha, transparent", ImageBlock(1, 1, kImageCmykAlpha, 5, std::string("\0\0\0\xFF\0", 5)), "/image",
       kWhite},
      {"five inks, the spot ink left out", ImageBlock(1, 1, kImageChannels, 5, std::string("\0\xFF\0\0\xFF", 5)),
       "/image", {255, 0, 255}},
      {"five inks through their profile", ImageBlock(1, 1, kImageChannels, 5, std::string("\xFF\0\0\0\0", 5),
                                                     FiveInkProfile()), "/image", kBlack},
      {"three inks and alpha", ImageBlock(1, 1, kImageChannelsAlpha, 4, std::string("\xFF\0\0\xFF", 4)), "/image",
       {0, 255, 255}},
      // Left out:
      {"a broken embedded profile", ImageBlock(1, 1, kImageRgb, 3, red, std::string(300, '\xFF')), "/image", kWhite},
      {"a broken named profile", ImageBlock(1, 1, kImageRgb, 3, red), "{ColorConvertedBitmap /image /broken.icc}",
       kWhite},
      {"a named profile that cannot be had", ImageBlock(1, 1, kImageRgb, 3, red),
       "{ColorConvertedBitmap /image /missing.icc}", kWhite},
      {"grey with alpha (as RGBA) and a grey profile",
       ImageBlock(1, 1, kImageRgba, 4, std::string("\x80\x80\x80\xFF", 4), ProfileBytes(true, 1.0)), "/image",
       {188, 188, 188}},
      {"an RGB profile for grey", ImageBlock(1, 1, kImageGray, 1, "\x80", SwappedProfile()), "/image", kWhite},
      {"a profile outside the block", outside, "/image", kWhite},
      {"200 channels", ImageBlock(1, 1, kImageChannels, 200, std::string(200, '\0')), "/image", kWhite},
      {"alpha alone", ImageBlock(1, 1, kImageChannelsAlpha, 1, std::string(1, '\0')), "/image", kWhite},
      {"an unknown colour type", ImageBlock(1, 1, 77, 3, red), "/image", kWhite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    parts.images["/image"] = c.block;
    ConverterJob job(pair_);
    ASSERT_TRUE(job.Page(ImagePage(c.source), kInch, DMDUP_SIMPLEX, &parts));
    const std::vector<RasterPage> pages = job.Close();
    ASSERT_EQ(pages.size(), 1u);
    ExpectNear(pages[0], {48, 24, c.rgb}, 4);
    ExpectNear(pages[0], {48, 72, kBlack}, 0);
  }
}

TEST_F(ConverterPairTest, AFontIsFetchedOncePerJob) {
  FakeParts parts;
  parts.fonts["/font.ttf"] = converter_test::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  ASSERT_FALSE(parts.fonts["/font.ttf"].empty());
  ConverterJob job(pair_);
  for (int page = 0; page < 3; ++page)
    ASSERT_TRUE(job.Page(Page("<Glyphs Fill='#000000' FontUri='/font.ttf' FontRenderingEmSize='40' OriginX='10' "
                              "OriginY='90' UnicodeString='II'/>"),
                         kInch, DMDUP_SIMPLEX, &parts));
  const std::vector<RasterPage> pages = job.Close();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(parts.fontFetches, 1);
  for (const RasterPage& page : pages) {
    int dark = 0;
    for (unsigned x = 10; x < 60; ++x) dark += page.At(x, 80)[0] < 100;
    EXPECT_GT(dark, 4);
  }
}

TEST_F(ConverterPairTest, ContextColorsGoThroughTheirProfiles) {
  FakeParts parts;
  parts.profiles["/srgb.icc"] = ProfileBytes(false);
  parts.profiles["/grey.icc"] = ProfileBytes(true);
  const struct {
    const char* color;
    std::vector<int> rgb;
  } cases[] = {
      {"ContextColor /srgb.icc 1,1,0,0", kRed},
      {"ContextColor /grey.icc 1,0", kBlack},
      {"ContextColor /grey.icc 1,1", kWhite},
      // A profile that cannot be had: the channels are taken as they stand.
      {"ContextColor /missing.icc 1,0,0,1", kBlue},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.color);
    ConverterJob job(pair_);
    ASSERT_TRUE(job.Page(Page(std::string("<Path Fill='") + c.color + "' Data='M 0,0 L 96,0 96,96 0,96 Z'/>"), kInch,
                         DMDUP_SIMPLEX, &parts));
    const std::vector<RasterPage> pages = job.Close();
    ASSERT_EQ(pages.size(), 1u);
    ExpectNear(pages[0], {48, 48, c.rgb}, 4);
  }
}

TEST_F(ConverterPairTest, HeadersCarryTheDeviceValues) {
  struct HeaderCase {
    const char* name;
    Device device;
    SHORT duplex;
    cups_cspace_t space;
    unsigned width, height;
    const char* media;
    bool twoSided, tumble;
  };
  const HeaderCase cases[] = {
      {"letter, sRGB, one-sided", {215900, 279400, 75, 2, 3}, DMDUP_SIMPLEX, CUPS_CSPACE_SRGB, 638, 825,
       "na_letter_8.5x11in", false, false},
      {"A4, grey, long edge", {210000, 297000, 72, 2, 1}, DMDUP_VERTICAL, CUPS_CSPACE_SW, 595, 842,
       "iso_a4_210x297mm", true, false},
      {"A4, CMYK, short edge", {210000, 297000, 72, 2, 4}, DMDUP_HORIZONTAL, CUPS_CSPACE_CMYK, 595, 842,
       "iso_a4_210x297mm", true, true},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ConverterJob job(pair_);
    ASSERT_TRUE(job.Page(Page(""), c.device, c.duplex));
    const std::vector<RasterPage> pages = job.Close();
    ASSERT_EQ(pages.size(), 1u);
    const cups_page_header2_t& h = pages[0].header;
    EXPECT_EQ(h.cupsColorSpace, c.space);
    EXPECT_EQ(h.cupsWidth, c.width);
    EXPECT_EQ(h.cupsHeight, c.height);
    EXPECT_EQ(h.HWResolution[0], static_cast<unsigned>(c.device.resolution));
    EXPECT_STREQ(h.cupsPageSizeName, c.media);
    EXPECT_EQ(h.Duplex != 0, c.twoSided);
    EXPECT_EQ(h.Tumble != 0, c.tumble);
    // White media in every colour space.
    const int white = c.space == CUPS_CSPACE_CMYK ? 0 : 255;
    for (const int sample : pages[0].At(c.width / 2, c.height / 2)) EXPECT_EQ(sample, white);
  }
}

TEST_F(ConverterPairTest, ARotationCodeTurnsTheContentOntoTheMedia) {
  // A landscape page (192 x 96) on portrait media (1 x 2 inches), turned 90 degrees clockwise:
  // the page's left half (red) lands on the media's top.
  ConverterJob job(pair_);
  const std::string page =
      "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' Width='192' Height='96'>"
      "<Path Fill='#FF0000' Data='M 0,0 L 96,0 96,96 0,96 Z'/></FixedPage>";
  ASSERT_TRUE(job.Page(page, Device{25400, 50800, 96, 3, 3}));
  const std::vector<RasterPage> pages = job.Close();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].header.cupsWidth, 96u);
  EXPECT_EQ(pages[0].header.cupsHeight, 192u);
  ExpectNear(pages[0], {48, 40, kRed}, 4);
  ExpectNear(pages[0], {48, 150, kWhite}, 4);
}

TEST_F(ConverterPairTest, PagesFollowEachOtherInOneStream) {
  ConverterJob job(pair_);
  for (const char* color : {"#FF0000", "#0000FF", "#000000"})
    ASSERT_TRUE(job.Page(Page(std::string("<Path Fill='") + color + "' Data='M 0,0 L 96,0 96,96 0,96 Z'/>"), kInch));
  const std::vector<RasterPage> pages = job.Close();
  ASSERT_EQ(pages.size(), 3u);
  ExpectNear(pages[0], {5, 5, kRed}, 0);
  ExpectNear(pages[1], {5, 5, kBlue}, 0);
  ExpectNear(pages[2], {5, 5, kBlack}, 0);
}

TEST_F(ConverterPairTest, HostileContentFailsThePageWithoutHarm) {
  std::string nested;
  for (int i = 0; i < 300; ++i) nested += "<Canvas>";
  for (int i = 0; i < 300; ++i) nested += "</Canvas>";
  std::string points = "M 0,0";
  for (int i = 0; i < 4'100'000; ++i) points += " L 1,1";
  FakeParts parts;
  parts.images["/huge.png"] = converter_test::RgbImageBlock(30000, 30000, "");
  const struct {
    const char* name;
    std::string markup;
  } cases[] = {
      {"canvases nested 300 deep", Page(nested)},
      {"a path of millions of points", Page("<Path Fill='#000000' Data='" + points + " L 2,2 " + points.substr(5) + "'/>")},
      {"a huge em size", Page("<Glyphs Fill='#000000' FontUri='/font.ttf' FontRenderingEmSize='1e9' OriginX='0' "
                              "OriginY='0' UnicodeString='A'/>")},
      {"a 30,000 x 30,000 image brush",
       Page("<Path Data='M 0,0 L 96,0 96,96 0,96 Z'><Path.Fill><ImageBrush ImageSource='/huge.png' "
            "Viewbox='0,0,30000,30000' ViewboxUnits='Absolute' Viewport='0,0,96,96' ViewportUnits='Absolute'/>"
            "</Path.Fill></Path>")},
  };
  parts.fonts["/font.ttf"] = converter_test::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConverterJob job(pair_);
    EXPECT_FALSE(job.Page(c.markup, kInch, DMDUP_SIMPLEX, &parts));
    // The job goes on: the next page is drawn.
    EXPECT_TRUE(job.Page(Page(""), kInch));
    EXPECT_EQ(job.Close().size(), 1u);
  }
}

TEST_F(ConverterPairTest, AbsurdNumbersAreBounded) {
  // Drawn or refused, but neither crash nor hang.
  for (const char* transform : {"1e300,0,0,1e300,0,0", "1e-300,0,0,1e-300,1e300,1e300", "1,1e308,1e308,1,0,0"}) {
    SCOPED_TRACE(transform);
    ConverterJob job(pair_);
    job.Page(Page(std::string("<Canvas RenderTransform='") + transform +
                  "'><Path Stroke='#000000' StrokeThickness='1e30' StrokeDashArray='1e-30 1e-30' "
                  "Data='M 0,0 L 1e30,1e30 A 1e30,1e30 0 1 1 5,5 Z'/></Canvas>"),
             kInch);
    job.Close();
  }
}

INT Cancelling(BYTE* flag) {
  *flag = 1;
  return 1;
}

TEST_F(ConverterPairTest, ACancelledJobStopsBetweenBands) {
  ConverterJob job(pair_, &Cancelling);
  ASSERT_TRUE(job.Opened());
  EXPECT_FALSE(job.Page(Page("<Path Fill='#000000' Data='M 0,0 L 96,0 96,96 0,96 Z'/>"), kInch));
}

TEST_F(ConverterPairTest, AnOutputThatFailsWhileAPageIsSentFailsTheNextPageAndTheClose) {
  const std::string page = Page("<Path Fill='#000000' Data='M 0,0 L 96,0 96,96 0,96 Z'/>");
  {
    SCOPED_TRACE("the next page");
    ConverterJob job(pair_);
    job.RefuseWrites();
    job.Page(page, kInch);
    EXPECT_FALSE(job.Page(page, kInch));
  }
  {
    SCOPED_TRACE("the close");
    ConverterJob job(pair_);
    job.RefuseWrites();
    job.Page(page, kInch);
    job.Close();
    EXPECT_FALSE(job.closedWell());
  }
  ConverterJob job(pair_);
  job.Page(page, kInch);
  job.Close();
  EXPECT_TRUE(job.closedWell());
}

TEST_F(ConverterPairTest, APageReadWhileTheOneBeforeIsSentComesOutAsItWouldAlone) {
  // Each page's text at a size of its own: its glyphs are rasterised on the
  // job's thread while the next page's runs take their metrics from the same font.
  FakeParts parts;
  parts.fonts["/font.ttf"] = converter_test::ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  auto page = [](int size) {
    std::string markup = "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' Width='816' Height='1056'>";
    for (int line = 1; line <= 40; ++line)
      markup += "<Glyphs Fill='#000000' FontUri='/font.ttf' FontRenderingEmSize='" + std::to_string(size) +
                "' OriginX='20' OriginY='" + std::to_string(line * 25) +
                "' UnicodeString='The quick brown fox jumps over the lazy dog, 0123456789 times.'/>";
    return markup + "</FixedPage>";
  };
  constexpr Device kLetter{215900, 279400, 100, 2, 3};
  constexpr int kPages = 12;
  auto print = [&] {
    ConverterJob job(pair_);
    for (int i = 0; i < kPages; ++i) EXPECT_TRUE(job.Page(page(10 + i), kLetter, DMDUP_SIMPLEX, &parts));
    return job.Close();
  };
  const std::vector<RasterPage> first = print(), second = print();
  ASSERT_EQ(first.size(), std::size_t{kPages});
  ASSERT_EQ(second.size(), std::size_t{kPages});
  for (int i = 0; i < kPages; ++i) EXPECT_TRUE(first[i].pixels == second[i].pixels) << "page " << i + 1;
}

TEST_F(ConverterPairTest, AMissingEncoderRefusesTheJob) {
  ConverterJob job(pair_, &ConverterJob::ZeroFlag, u"NOSUCHENC.DLL");
  EXPECT_FALSE(job.Opened());
}

}  // namespace
