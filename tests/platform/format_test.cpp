#include <gtest/gtest.h>

#include <locale.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/format.h"

namespace {

// Bool, pointers, enums and long double never turn into a number by accident.
enum Plain { kPlain };
static_assert(!std::is_constructible_v<FormatArg, bool>);
static_assert(!std::is_constructible_v<FormatArg, int*>);
static_assert(!std::is_constructible_v<FormatArg, Plain>);
static_assert(!std::is_constructible_v<FormatArg, long double>);
static_assert(std::is_constructible_v<FormatArg, const WCHAR*>);

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

template <class T>
std::string CPrintf(const std::string& spec, T value) {
  const int n = std::snprintf(nullptr, 0, spec.c_str(), value);
  std::vector<char> text(static_cast<std::size_t>(n) + 1);
  std::snprintf(text.data(), text.size(), spec.c_str(), value);
  return text.data();
}

// Both entry points must write exactly what the C library writes for a C-typed value.
template <class T>
void ExpectLikeCPrintf(const std::string& ours, const std::string& c, T value) {
  const std::string expected = CPrintf(c, value);
  const FormatArg args[] = {value};
  const auto narrow = FormatNarrowArgs(ours.c_str(), args);
  EXPECT_EQ(narrow.hr, S_OK) << ours;
  EXPECT_EQ(narrow.text, expected) << ours << " of " << value;
  const auto wide = FormatWideArgs(Widen(ours).c_str(), args);
  EXPECT_EQ(wide.hr, S_OK) << ours;
  EXPECT_EQ(wide.text, Widen(expected)) << ours << " of " << value;
}

TEST(Format, IntegersMatchCPrintf) {
  const char* specs[] = {"%d", "%i",  "%5d", "%-5d|", "%+d",  "% d",   "%05d", "%.3d", "%-+8.4d|",
                         "%.0d", "%u", "%x", "%#x",  "%X",   "%02X", "%#08X", "%o",   "%#o"};
  // Our modifiers are ignored: the C spec they mean for a value of this type.
  const std::pair<const char*, const char*> modified[] = {{"%ld", "%d"}, {"%I32d", "%d"}, {"%lu", "%u"}, {"%lx", "%x"}};
  for (const int value : {0, 1, -1, 42, 255, INT_MIN, INT_MAX}) {
    for (const char* spec : specs) ExpectLikeCPrintf(spec, spec, value);
    for (const auto& [ours, c] : modified) ExpectLikeCPrintf(ours, c, value);
  }
  const std::pair<const char*, const char*> wide[] = {
      {"%lld", "%lld"}, {"%I64d", "%lld"}, {"%llx", "%llx"}, {"%I64X", "%llX"}, {"%+20lld|", "%+20lld|"}};
  for (const long long value : {LLONG_MIN, LLONG_MAX, -1LL, 1LL << 40})
    for (const auto& [ours, c] : wide) ExpectLikeCPrintf(ours, c, value);
  for (const unsigned value : {0u, 7u, UINT_MAX})
    for (const char* spec : {"%u", "%x", "%#o", "%.5u"}) ExpectLikeCPrintf(spec, spec, value);
}

TEST(Format, IntegersKeepTheSizeOfTheirType) {
  struct Case {
    const char* format;
    FormatArg arg;
    const char* text;
  };
  const Case cases[] = {
      {"%08X", std::int32_t{-2147024809}, "80070057"},  // an HRESULT
      {"%X", std::int16_t{-1}, "FFFF"},
      {"%x", std::int64_t{-1}, "ffffffffffffffff"},
      {"%d", UINT_MAX, "-1"},
      {"%u", std::uint64_t{UINT64_MAX}, "18446744073709551615"},
      {"%d", std::uint8_t{200}, "-56"},
      {"%u", u'\u20AC', "8364"},
      {"%hx", 0x12345, "12345"},  // h is ignored, not a cast
  };
  for (const Case& c : cases) {
    const auto result = FormatNarrowArgs(c.format, {&c.arg, 1});
    EXPECT_EQ(result.hr, S_OK) << c.format;
    EXPECT_EQ(result.text, c.text) << c.format;
  }
}

TEST(Format, FloatingMatchesCPrintf) {
  const char* specs[] = {"%f",  "%.2f", "%.6f", "%.3f",  "%.0f",     "%#.0f",   "%F",   "%e",  "%E",    "%.3e", "%g",
                         "%G",  "%#g",  "%.3g", "%+.1f", "%010.3f",  "%-10.2f|", "% f",  "%lf", "%12.4e", "%+08.2f"};
  const double values[] = {0.0,           -0.0, 816.0066, 0.5, 2.5, 1e-7, 123456789.125, 1e300, -1.5e-300,
                           -3.0 / 7.0,    std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
  for (const double value : values)
    for (const char* spec : specs) ExpectLikeCPrintf(spec, spec, value);
  ExpectLikeCPrintf("%.4096f", "%.4096f", 1e308);  // the largest text one conversion can make
  ExpectLikeCPrintf("%4096.4096e", "%4096.4096e", -1e-308);
}

TEST(Format, WritesTheMarkupAndNameFormatsOfThePrintPath) {
  EXPECT_EQ(FormatNarrow("%.2f", 816.0066).text, "816.01");
  EXPECT_EQ(FormatWide(u"%.6f,%.6f,%.6f,%.6f,%.3f,%.3f", 1.0, 0.0, 0.0, 1.0, 0.0, 0.0).text,
            u"1.000000,0.000000,0.000000,1.000000,0.000,0.000");
  EXPECT_EQ(FormatWide(u"M %.2f,%.2f L %.2f,%.2f", 0.0f, 0.5f, 10.125, -20.0).text, u"M 0.00,0.50 L 10.12,-20.00");
  EXPECT_EQ(FormatWide(u"/PT_%ws_%u_%u.xml", u"SC_JOB", 4000000000u, 17).text, u"/PT_SC_JOB_4000000000_17.xml");
  EXPECT_EQ(FormatWide(u"#%06X", 16777215).text, u"#FFFFFF");
  EXPECT_EQ(FormatWide(u"%d/%02d/%02d", 2024, 3, 9).text, u"2024/03/09");
  EXPECT_EQ(FormatNarrow("%d %s %s", 7, "dup.exe", std::string("C:\\out.ini")).text, "7 dup.exe C:\\out.ini");
  EXPECT_EQ(FormatWide(u"100%% of %d%%", 5).text, u"100% of 5%");
  EXPECT_EQ(FormatWide(u"no conversions").text, u"no conversions");
  EXPECT_EQ(FormatNarrow("%d", 1, 2, "unused").text, "1");  // arguments left over are fine, as in C
}

TEST(Format, StarTakesWidthAndPrecisionFromIntegers) {
  EXPECT_EQ(FormatNarrow("[%*d]", 5, 42).text, "[   42]");
  EXPECT_EQ(FormatNarrow("[%*d]", -5, 42).text, "[42   ]");  // a negative width left-justifies
  EXPECT_EQ(FormatNarrow("%.*f", 2, 3.14159).text, "3.14");
  EXPECT_EQ(FormatNarrow("%.*f", -1, 3.5).text, "3.500000");  // a negative precision is none
  EXPECT_EQ(FormatWide(u"[%*.*s]", 6u, 2, u"abc").text, u"[    ab]");
  EXPECT_EQ(FormatWide(u"[%*c]", std::int64_t{-3}, u'x').text, u"[x  ]");
}

TEST(Format, WideFormatStringsPadAndCutInCodeUnitsWithoutSplittingPairs) {
  struct Case {
    const char16_t* format;
    FormatArg arg;
    std::u16string text;
  };
  const Case cases[] = {
      {u"[%s]", u"abc", u"[abc]"},
      {u"[%5s]", u"abc", u"[  abc]"},
      {u"[%-5s]", u"abc", u"[abc  ]"},
      {u"[%05s]", u"abc", u"[  abc]"},  // 0 pads strings with blanks
      {u"[%.2s]", u"abc", u"[ab]"},
      {u"[%.0s]", u"abc", u"[]"},
      {u"[%ls]", u"abc", u"[abc]"},
      {u"[%ws]", u"abc", u"[abc]"},
      {u"[%hs]", "caf\xC3\xA9", u"[caf\u00E9]"},  // narrow text is UTF-8
      {u"[%S]", "\xE2\x82\xAC", u"[\u20AC]"},
      {u"[%s]", "narrow", u"[narrow]"},  // either kind where a string is expected
      {u"[%hs]", u"wide", u"[wide]"},
      {u"[%s]", static_cast<const char16_t*>(nullptr), u"[]"},
      {u"[%.1s]", u"\U0001F600x", u"[]"},
      {u"[%.2s]", u"\U0001F600x", u"[\U0001F600]"},
      {u"[%.3s]", u"\U0001F600x", u"[\U0001F600x]"},
      {u"[%3.1s]", u"\U0001F600", u"[   ]"},
      {u"[%3s]", u"\U0001F600", u"[ \U0001F600]"},
      {u"[%.2hs]", "\xF0\x9F\x98\x80", u"[\U0001F600]"},  // cut after conversion, in UTF-16
      {u"[%c]", u'\u20AC', u"[\u20AC]"},
      {u"[%3c]", 'a', u"[  a]"},
      {u"[%-3lc]", 0xFFFF, u"[\uFFFF  ]"},
  };
  for (const Case& c : cases) {
    const auto result = FormatWideArgs(c.format, {&c.arg, 1});
    EXPECT_EQ(result.hr, S_OK) << testing::PrintToString(std::u16string(c.format));
    EXPECT_EQ(result.text, c.text) << testing::PrintToString(std::u16string(c.format));
  }
}

TEST(Format, NarrowFormatStringsCountBytesWithoutSplittingSequences) {
  struct Case {
    const char* format;
    FormatArg arg;
    std::string text;
  };
  const Case cases[] = {
      {"[%s]", "abc", "[abc]"},
      {"[%-4s]", std::string_view("ab"), "[ab  ]"},
      {"[%ls]", u"\u20AC", "[\xE2\x82\xAC]"},
      {"[%S]", u"\u00E9", "[\xC3\xA9]"},
      {"[%.2ls]", u"\u20AC", "[]"},
      {"[%.3s]", "a\xC3\xA9z", "[a\xC3\xA9]"},
      {"[%.2s]", "a\xC3\xA9z", "[a]"},
      {"[%.1s]", "\xF0\x9F\x98\x80", "[]"},
      {"[%4s]", "\xC3\xA9", "[  \xC3\xA9]"},
      {"[%s]", static_cast<const char*>(nullptr), "[]"},
      {"[%c]", 'A', "[A]"},
      {"[%c]", static_cast<char>(-23), "[\xE9]"},
  };
  for (const Case& c : cases) {
    const auto result = FormatNarrowArgs(c.format, {&c.arg, 1});
    EXPECT_EQ(result.hr, S_OK) << c.format;
    EXPECT_EQ(result.text, c.text) << c.format;
  }
}

TEST(Format, RejectsHostileAndMismatchedFormats) {
  struct Case {
    const char* format;
    std::vector<FormatArg> args;
  };
  const Case cases[] = {
      {"%n", {1}},
      {"%hn", {1}},
      {"%p", {1}},
      {"%s", {42}},
      {"%ls", {42}},
      {"%d", {"text"}},
      {"%x", {u"text"}},
      {"%f", {1}},
      {"%d", {1.5}},
      {"%c", {"a"}},
      {"%c", {1.0}},
      {"%99999d", {1}},
      {"%4097d", {1}},
      {"%.4097f", {1.0}},
      {"%99999999999999999999d", {1}},
      {"%*d", {5000, 1}},
      {"%*d", {-5000, 1}},
      {"%*d", {std::int64_t{INT64_MIN}, 1}},
      {"%*d", {std::uint64_t{UINT64_MAX}, 1}},
      {"%.*f", {99999, 1.0}},
      {"%*d", {"5", 1}},
      {"%.*f", {2.0, 1.0}},
      {"%.*f", {2}},  // precision present, value missing
      {"%.*f", {}},
      {"%d", {}},
      {"%d %d", {1}},
      {"%", {1}},
      {"abc%", {1}},
      {"%-", {1}},
      {"%5", {1}},
      {"%.", {1.0}},
      {"%l", {1}},
      {"%I", {1}},
      {"%Id", {1}},
      {"%I6d", {1}},
      {"%I32", {1}},
      {"%llf", {1.0}},
      {"%hf", {1.0}},
      {"%Lf", {1.0}},
      {"%wd", {1}},
      {"%lls", {"a"}},
      {"%hhc", {'a'}},
      {"%q", {1}},
      {"%a", {1.0}},
      {"%C", {'a'}},
      {"%1$d", {1}},
      {"%5%", {}},
      {"%-%", {}},
  };
  for (const Case& c : cases) {
    const auto narrow = FormatNarrowArgs(c.format, c.args);
    EXPECT_EQ(narrow.hr, E_INVALIDARG) << c.format;
    EXPECT_EQ(narrow.text, "") << c.format;
    const auto wide = FormatWideArgs(Widen(c.format).c_str(), c.args);
    EXPECT_EQ(wide.hr, E_INVALIDARG) << c.format;
    EXPECT_EQ(wide.text, u"") << c.format;
  }
}

TEST(Format, RejectsCharactersOutsideTheOutputAndNullFormats) {
  EXPECT_EQ(FormatNarrow("%c", 0x20AC).hr, E_INVALIDARG);
  EXPECT_EQ(FormatNarrow("%c", 256).hr, E_INVALIDARG);
  EXPECT_EQ(FormatWide(u"%c", -1).hr, E_INVALIDARG);
  EXPECT_EQ(FormatWide(u"%c", 0x10000).hr, E_INVALIDARG);
  EXPECT_EQ(FormatWide(u"%\u0441", 1).hr, E_INVALIDARG);  // a non-ASCII conversion letter
  EXPECT_EQ(FormatWideArgs(nullptr, {}).hr, E_INVALIDARG);
  EXPECT_EQ(FormatNarrowArgs(nullptr, {}).hr, E_INVALIDARG);
}

TEST(Format, ReportsStringsThatDoNotConvert) {
  constexpr HRESULT kNoTranslation = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  const char16_t lone[] = {u'a', 0xD800, 0};
  EXPECT_EQ(FormatWide(u"%hs", "caf\xE9").hr, kNoTranslation);  // Windows-1252 bytes, not UTF-8
  EXPECT_EQ(FormatNarrow("%ls", lone).hr, kNoTranslation);
  EXPECT_EQ(FormatWide(u"%s", lone).text, lone);  // same kind: passed through unchanged
}

TEST(Format, WritesNumbersInTheCLocaleWhateverTheProcessLocale) {
  locale_t comma = locale_t{};
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"})
    if ((comma = newlocale(LC_ALL_MASK, name, locale_t{}))) break;
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
  const locale_t previous = uselocale(comma);
  const std::string c = CPrintf("%.2f", 1.5);
  const auto ours = FormatNarrow("%.2f", 1.5);
  uselocale(previous);
  freelocale(comma);
  EXPECT_EQ(c, "1,50");
  EXPECT_EQ(ours.text, "1.50");
}

}  // namespace
