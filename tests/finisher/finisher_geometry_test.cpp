// The finisher's geometry: which transform each request gives, where the
// page's boxes land, and the clip and cut-out marks round the printable area.
#include "filters/finisher/finisher_geometry.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/utf.h"

namespace {

std::string Utf8(const std::u16string& text) { return Utf16ToUtf8(text).value(); }

TEST(MirrorCodeOf, CombinesMirrorAndReverse) {
  struct Case {
    Mirror mirror;
    LONG reverse;
    MirrorCode expected;
  };
  const Case cases[] = {
      {Mirror::MirrorImageWidth, 0, MirrorCode::AcrossWidth},  {Mirror::MirrorImageHeight, 0, MirrorCode::AcrossHeight},
      {Mirror::None, 0, MirrorCode::None},                     {Mirror::MirrorImageWidth, 1, MirrorCode::AcrossHeight},
      {Mirror::MirrorImageHeight, 1, MirrorCode::AcrossWidth}, {Mirror::None, 1, MirrorCode::Both},
      {Mirror::None, 2, MirrorCode::None},                     {static_cast<Mirror>(7), 1, MirrorCode::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mirror " << Index(c.mirror) << ", reverse " << c.reverse);
    EXPECT_EQ(MirrorCodeOf({c.mirror, static_cast<OffOn>(c.reverse)}), c.expected);
  }
}

// Each transform as text, and where it puts the whole page and an off-centre
// box (10,20 100x200) of a Letter page: the whole page must land on the page
// it makes, the box where the content it frames now is.
TEST(ContentTransform, TurnsAndMirrorsThePageOntoItsNewSize) {
  struct Case {
    TransverseFeed transverse;
    MirrorCode mirror;
    const char* text;
    PageBox page, box;
  };
  const TransverseFeed turn = TransverseFeed::TurnPage;
  const Case cases[] = {
      {turn, MirrorCode::None, "\"0,1,-1,0,1056.00,0\"", {0, 0, 1056, 816}, {836, 10, 200, 100}},
      {turn, MirrorCode::AcrossWidth, "\"0,-1,-1,0,1056.00,816.00\"", {0, 0, 1056, 816}, {836, 706, 200, 100}},
      {turn, MirrorCode::AcrossHeight, "\"0,1,1,0,0,0\"", {0, 0, 1056, 816}, {20, 10, 200, 100}},
      {turn, MirrorCode::Both, "\"0,-1,1,0,0,816.00\"", {0, 0, 1056, 816}, {20, 706, 200, 100}},
      {TransverseFeed::None, MirrorCode::AcrossWidth, "\"-1,0,0,1,816.00,0\"", {0, 0, 816, 1056}, {706, 20, 100, 200}},
      {TransverseFeed::None, MirrorCode::AcrossHeight, "\"1,0,0,-1,0,1056.00\"", {0, 0, 816, 1056}, {10, 836, 100, 200}},
      {TransverseFeed::LandscapePage, MirrorCode::Both, "\"-1,0,0,-1,816.00,1056.00\"", {0, 0, 816, 1056},
       {706, 836, 100, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto transform = ContentTransform(c.transverse, c.mirror, 816, 1056);
    ASSERT_TRUE(transform);
    std::u16string text;
    BuildRenderTransform(*transform, text);
    EXPECT_EQ(Utf8(text), c.text);
    for (const auto& [from, to] : {std::pair{PageBox{0, 0, 816, 1056}, c.page}, std::pair{PageBox{10, 20, 100, 200}, c.box}}) {
      const PageBox placed = TransformBox(*transform, from);
      EXPECT_FLOAT_EQ(placed.x, to.x);
      EXPECT_FLOAT_EQ(placed.y, to.y);
      EXPECT_FLOAT_EQ(placed.width, to.width);
      EXPECT_FLOAT_EQ(placed.height, to.height);
    }
  }
  EXPECT_FALSE(ContentTransform(TransverseFeed::None, MirrorCode::None, 816, 1056));
  EXPECT_FALSE(ContentTransform(TransverseFeed::LandscapePage, MirrorCode::None, 816, 1056));
}

TEST(CutOutLines, ClipAndMarksGoRoundThePrintableArea) {
  // Letter's printable area with 4233-micron margins, in page units.
  const PageBox area{4233 / 264.58f, 4233 / 264.58f, 207434 / 264.58f, 270934 / 264.58f};
  std::u16string clip;
  BuildClipCanvas(area, clip);
  EXPECT_EQ(Utf8(clip), "<Canvas Clip=\"M 16.00,16.00 h 784.01 v 1024.02 h -784.01 v -1024.02 z\" >");
  std::u16string marks;
  BuildCutOutLines(area, marks);
  EXPECT_EQ(Utf8(marks),
            "<Path Stroke=\"#000000\" StrokeThickness=\"0.32\" Data=\""
            "M 16.64,16.64 v 68.18 M 16.64,16.64 h 52.18 M 799.37,16.64 v 68.18 M 799.37,16.64 h -52.18 "
            "M 16.64,1039.37 v -68.18 M 16.64,1039.37 h 52.18 M 799.37,1039.37 v -68.18 M 799.37,1039.37 h -52.18 "
            "M 16.64,493.92 v 68.18 M 799.37,493.92 v 68.18 M 381.91,16.64 h 52.18 M 381.91,1039.37 h 52.18 \" />");
  // Without a printable area nothing is clipped away.
  std::u16string whole;
  BuildClipCanvas(std::nullopt, whole);
  EXPECT_EQ(Utf8(whole), "<Canvas>");
}

}  // namespace
