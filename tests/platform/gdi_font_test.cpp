// GDI fonts on the installed faces: matching, measuring, reading the file.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi_font.h"

namespace {

const char* const kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char* const kLiberationSansBold = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";
const char* const kMicroHei = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

std::vector<BYTE> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

LOGFONTW Request(std::u16string_view face, LONG height, LONG weight = FW_NORMAL, bool italic = false,
                 BYTE charSet = DEFAULT_CHARSET) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfCharSet = charSet;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return lf;
}

std::vector<BYTE> WholeFile(HDC dc, DWORD table = 0) {
  const DWORD size = GetFontData(dc, table, 0, nullptr, 0);
  if (size == GDI_ERROR) return {};
  std::vector<BYTE> bytes(size);
  EXPECT_EQ(GetFontData(dc, table, 0, bytes.data(), size), size);
  return bytes;
}

// A display context with one font selected, released in the order GDI wants.
class FontFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dc_ = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(dc_, nullptr);
  }
  void TearDown() override {
    if (font_) {
      SelectObject(dc_, original_);
      DeleteObject(font_);
    }
    DeleteDC(dc_);
  }
  void Select(const LOGFONTW& request) {
    if (font_) {
      SelectObject(dc_, original_);
      DeleteObject(font_);
    }
    font_ = CreateFontIndirectW(&request);
    ASSERT_NE(font_, nullptr);
    original_ = SelectObject(dc_, font_);
    ASSERT_NE(original_, nullptr);
  }

  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ original_ = nullptr;
};

TEST(MulDivTest, RoundsHalfAwayFromZeroAndReportsOverflow) {
  struct Case {
    int number, numerator, denominator, expected;
  };
  const Case cases[] = {
      {72, 96, 72, 96},  {11, 96, 72, 15},  {10, 96, 72, 13},   {-11, 96, 72, -15},     {1, 1, 2, 1},
      {-1, 1, 2, -1},    {3, 1, -2, -2},    {5, 1, 0, -1},      {INT_MAX, 2, 1, -1},    {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN, 1, 1, INT_MIN}, {INT_MIN, -1, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.number << " * " << c.numerator << " / " << c.denominator);
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected);
  }
}

TEST(DeviceContextTest, OnlyTheDisplayAt96PixelsPerInch) {
  HDC dc = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  SIZE size{};
  EXPECT_FALSE(GetTextExtentPoint32W(dc, u"A", 1, &size)) << "the stock font measures nothing";
  EXPECT_EQ(GetFontData(dc, 0, 0, nullptr, 0), GDI_ERROR);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc)) << "a stale handle is refused, not freed twice";
  EXPECT_EQ(CreateDCW(u"WINSPOOL", nullptr, nullptr, nullptr), nullptr);
}

TEST_F(FontFixture, FamiliesReachTheFacesAUserExpects) {
  struct Case {
    const char* name;
    LOGFONTW request;
    const char* file;
  };
  const Case cases[] = {
      {"Arial falls to its metric twin", Request(u"Arial", -16), kLiberationSans},
      {"the vertical form drops its at sign", Request(u"@Arial", -16), kLiberationSans},
      {"bold picks the bold face", Request(u"Arial", -16, FW_BOLD), kLiberationSansBold},
      {"a face of a collection", Request(u"WenQuanYi Micro Hei Mono", -16), kMicroHei},
      {"a Chinese character set finds a Chinese face", Request(u"NoSuchFamilyAnywhere", -16, FW_NORMAL, false,
                                                               GB2312_CHARSET),
       kMicroHei},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Select(c.request);
    EXPECT_EQ(WholeFile(dc_), ReadFile(c.file)) << "table 0 is the whole file";
  }
}

TEST_F(FontFixture, MeasuresFromTheFaceMetrics) {
  // Liberation Sans: 2048 units per em, Windows ascent 1854, descent 434, "A" 1366, missing glyph 1536.
  Select(Request(u"Arial", -MulDiv(72, GetDeviceCaps(dc_, LOGPIXELSY), 72)));
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(dc_, &tm));
  EXPECT_EQ(tm.tmAscent, 87);
  EXPECT_EQ(tm.tmDescent, 20);
  EXPECT_EQ(tm.tmHeight, 107);
  EXPECT_EQ(tm.tmInternalLeading, 11);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);

  struct Case {
    const char* name;
    std::u16string text;
    int count;
    LONG width;
  };
  const Case cases[] = {
      {"one letter", u"A", 1, 64},
      {"letters add up", u"AA", 2, 128},
      {"a pair the face lacks is one missing glyph", u"A\U0001F600", 3, 64 + 72},
      {"a high surrogate at the end is not paired with what follows", u"A\xD83D\xDE00", 2, 64 + 72},
      {"empty", u"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc_, c.text.c_str(), c.count, &size));
    EXPECT_EQ(size.cx, c.width);
    EXPECT_EQ(size.cy, 107);
  }
}

TEST_F(FontFixture, FontDataByTableTag) {
  Select(Request(u"WenQuanYi Micro Hei Mono", -16));
  EXPECT_EQ(WholeFile(dc_, kFontDataCollection), ReadFile(kMicroHei)) << "the collection tag gives the collection";
  EXPECT_EQ(GetFontData(dc_, FontDataTag("head"), 0, nullptr, 0), 54u);
  BYTE magic[4]{};
  ASSERT_EQ(GetFontData(dc_, FontDataTag("head"), 12, magic, sizeof magic), 4u);
  EXPECT_EQ(std::memcmp(magic, "\x5F\x0F\x3C\xF5", 4), 0) << "head's magic number at 12";
  BYTE tail[8]{};
  EXPECT_EQ(GetFontData(dc_, FontDataTag("head"), 50, tail, sizeof tail), 4u) << "reads stop at the table's end";
  EXPECT_EQ(GetFontData(dc_, FontDataTag("head"), 55, tail, sizeof tail), GDI_ERROR);
  EXPECT_EQ(GetFontData(dc_, FontDataTag("zzzz"), 0, nullptr, 0), GDI_ERROR);

  Select(Request(u"Arial", -16));
  EXPECT_EQ(GetFontData(dc_, kFontDataCollection, 0, nullptr, 0), GDI_ERROR) << "not a collection";
}

TEST(FontHandleTest, StaleHandlesAreRefusedAndASelectedFontOutlivesItsHandle) {
  HDC dc = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
  const LOGFONTW request = Request(u"Arial", -16);
  HFONT font = CreateFontIndirectW(&request);
  ASSERT_NE(font, nullptr);
  HGDIOBJ original = SelectObject(dc, font);
  ASSERT_NE(original, nullptr);
  ASSERT_TRUE(DeleteObject(font));
  SIZE size{};
  EXPECT_TRUE(GetTextExtentPoint32W(dc, u"A", 1, &size));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_EQ(SelectObject(dc, font), nullptr);
  EXPECT_EQ(SelectObject(dc, original), font) << "the old handle comes back as a value";
  DeleteDC(dc);

  LOGFONTW unterminated = Request(u"", -16);
  std::fill(std::begin(unterminated.lfFaceName), std::end(unterminated.lfFaceName), u'A');
  EXPECT_EQ(CreateFontIndirectW(&unterminated), nullptr);
  for (const LONG absurd : {LONG{INT_MIN}, LONG{INT_MAX}, LONG{-16385}}) {
    const LOGFONTW huge = Request(u"Arial", absurd);
    EXPECT_EQ(CreateFontIndirectW(&huge), nullptr) << absurd;
  }
}

}  // namespace
