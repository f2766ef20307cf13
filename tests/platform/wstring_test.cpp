#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/wstring.h"

namespace {

constexpr HRESULT kTruncated = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);

TEST(WideString, LengthCountsCodeUnitsAndTakesNullAsEmpty) {
  EXPECT_EQ(WideLength(nullptr), 0u);
  EXPECT_EQ(WideLength(u""), 0u);
  EXPECT_EQ(WideLength(u"a\U0001F600b"), 4u);
}

TEST(WideString, CopyReportsTruncationAndStaysTerminated) {
  struct Case {
    std::size_t dstCount;
    const char16_t* src;
    HRESULT hr;
    std::u16string result;
  };
  const Case cases[] = {
      {8, u"abc", S_OK, u"abc"},
      {4, u"abc", S_OK, u"abc"},  // exactly fits with its terminator
      {3, u"abc", kTruncated, u"ab"},
      {1, u"abc", kTruncated, u""},
      {1, u"", S_OK, u""},
      {4, u"a\U0001F600", S_OK, u"a\U0001F600"},
      {3, u"a\U0001F600", kTruncated, u"a"},
      {3, u"ab\U0001F600", kTruncated, u"ab"},
      {3, u"a\U0001F600z", kTruncated, u"a"},  // never the high half alone
  };
  for (const Case& c : cases) {
    std::array<WCHAR, 8> dst;
    dst.fill(u'#');
    EXPECT_EQ(WideCopy(dst.data(), c.dstCount, c.src), c.hr) << c.dstCount;
    EXPECT_EQ(std::u16string(dst.data()), c.result) << c.dstCount;
  }
}

TEST(WideString, CopyAndConcatRejectBadArguments) {
  WCHAR dst[4] = u"ab";
  EXPECT_EQ(WideCopy(nullptr, 4, u"a"), E_POINTER);
  EXPECT_EQ(WideCopy(dst, 4, nullptr), E_POINTER);
  EXPECT_EQ(WideCopy(dst, 0, u"a"), E_INVALIDARG);
  EXPECT_EQ(WideConcat(dst, 0, u"a"), E_INVALIDARG);
  EXPECT_EQ(WideConcat(dst, 2, u"a"), E_INVALIDARG);  // no terminator within the count
  EXPECT_EQ(WideConcat(dst, 4, nullptr), E_POINTER);
  EXPECT_EQ(std::u16string(dst), u"ab");
}

TEST(WideString, ConcatAppendsWhatFits) {
  WCHAR dst[6] = u"ab";
  EXPECT_EQ(WideConcat(dst, 6, u"cd"), S_OK);
  EXPECT_EQ(std::u16string(dst), u"abcd");
  EXPECT_EQ(WideConcat(dst, 6, u"efg"), kTruncated);
  EXPECT_EQ(std::u16string(dst), u"abcde");
  EXPECT_EQ(WideConcat(dst, 6, u"x"), kTruncated);  // already full
  EXPECT_EQ(std::u16string(dst), u"abcde");
}

TEST(WideString, ComparesExactlyAndIgnoringAsciiCase) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    int exact;
    int noCase;
  };
  const Case cases[] = {
      {u"abc", u"abc", 0, 0},
      {u"ABC", u"abc", -1, 0},
      {u"abc", u"abd", -1, -1},
      {u"ab", u"abc", -1, -1},
      {u"abc", u"AB", 1, 1},
      {u"a_", u"AA", 1, -1},             // folding goes to lower case: '_' sorts before 'a'
      {u"\u00C9", u"\u00E9", -1, -1},    // only ASCII letters fold
      {u"\uFFFF", u"a", 1, 1},           // code units compare unsigned
      {nullptr, u"", 0, 0},
      {nullptr, u"a", -1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideCompare(c.a, c.b), c.exact) << testing::PrintToString(c.a ? std::u16string(c.a) : u"(null)");
    EXPECT_EQ(WideCompareNoCase(c.a, c.b), c.noCase) << testing::PrintToString(c.a ? std::u16string(c.a) : u"(null)");
    EXPECT_EQ(WideCompare(c.b, c.a), -c.exact);
    EXPECT_EQ(WideCompareNoCase(c.b, c.a), -c.noCase);
  }
}

TEST(WideString, FindsSubstringsAndCharacters) {
  const char16_t* text = u"PT_Job_12.xml";
  EXPECT_EQ(WideFind(text, u"_12"), text + 6);
  EXPECT_EQ(WideFind(text, u""), text);
  EXPECT_EQ(WideFind(text, u"xmlx"), nullptr);
  EXPECT_EQ(WideFind(nullptr, u"a"), nullptr);
  EXPECT_EQ(WideFind(text, nullptr), nullptr);
  EXPECT_EQ(WideFindChar(text, u'_'), text + 2);
  EXPECT_EQ(WideFindChar(text, u'\0'), text + 13);
  EXPECT_EQ(WideFindChar(text, u'z'), nullptr);
  EXPECT_EQ(WideFindChar(nullptr, u'a'), nullptr);
}

TEST(CodePage, Utf8CallsMeasureConvertAndIncludeTheTerminator) {
  const char16_t* wide = u"A\u20AC\U0001F600";
  const char* utf8 = "A\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr), 9);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, 2, nullptr, 0, nullptr, nullptr), 4);
  char narrow[16] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, 16, nullptr, nullptr), 9);
  EXPECT_STREQ(narrow, utf8);

  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0), 5);
  WCHAR back[8] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, back, 8), 5);
  EXPECT_EQ(std::u16string(back), wide);
}

TEST(CodePage, CallsFailWithoutTouchingTheDestination) {
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  char narrow[4] = "xyz";
  WCHAR wide[4] = u"xyz";
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"abcd", -1, narrow, 4, nullptr, nullptr), 0);  // 5 needed
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 0, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -2, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, -1, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, nullptr, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, -1, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, 4, "?", nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(1200, 0, u"a", -1, narrow, 4, nullptr, nullptr), 0);
  EXPECT_STREQ(narrow, "xyz");

  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcd", -1, wide, 4), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC0\xAF", -1, wide, 4), 0);  // overlong
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xE2\x82", 3, wide, 4), 0);   // cut sequence
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x81", 1, wide, 4), 0);
  EXPECT_EQ(std::u16string(wide), u"xyz");
}

TEST(CodePage, Windows1252RoundTripsEveryDefinedByte) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all.push_back(static_cast<char>(b));
  const auto wide = ToWide(all, CP_ACP);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->size(), all.size());
  EXPECT_EQ(ToNarrow(*wide, CP_ACP), all);

  EXPECT_EQ(ToWide("\x80\x9F\xE9", CP_ACP), u"\u20AC\u0178\u00E9");
  EXPECT_EQ(ToNarrow(u"\u20AC", CP_ACP), "\x80");
  for (const char* undefined : {"\x81", "\x8D", "\x8F", "\x90", "\x9D"})
    EXPECT_FALSE(ToWide(std::string("a") + undefined, CP_ACP)) << int(static_cast<unsigned char>(*undefined));
  // Code points with no byte: CJK, the C1 controls whose bytes mean other letters, surrogates.
  for (const char16_t c : {u'\u4E00', u'\u0080', u'\u0081', u'\u009F', u'\u0100', char16_t(0xD800)})
    EXPECT_FALSE(ToNarrow(std::u16string{u'a', c}, CP_ACP)) << int(c);
}

TEST(CodePage, AnsiConversionReportsUnrepresentableTextAsFailure) {
  // The caller's check: the converted length must equal the source length.
  const std::u16string text = u"caf\u00E9 \u4E00";
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), 0);
  char narrow[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), 5, narrow, 8, nullptr, nullptr), 5);
  EXPECT_STREQ(narrow, "caf\xE9 ");
}

TEST(CodePage, ConvenienceConversionsTakeEmptyTextAndRejectOtherCodePages) {
  EXPECT_EQ(ToWide(""), u"");
  EXPECT_EQ(ToNarrow(u""), "");
  EXPECT_EQ(ToWide("\xC3\xA9"), u"\u00E9");
  EXPECT_FALSE(ToWide("\xE9"));  // Windows-1252, not UTF-8
  EXPECT_FALSE(ToWide("a", 437));
  EXPECT_FALSE(ToNarrow(u"a", 437));
}

}  // namespace
