#include <gtest/gtest.h>

#include "platform/utf.h"

namespace {

TEST(Utf, RoundTripsEveryPlaneIncludingSurrogatePairs) {
  const std::u16string text = u"A\u00E9\u20AC\U0001F600z";
  const auto utf8 = Utf16ToUtf8(text);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToUtf16(*utf8), text);
}

TEST(Utf, RejectsMalformedInput) {
  for (const char* bad : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82",
                          "\xFF", "ab\xC3"})
    EXPECT_FALSE(Utf8ToUtf16(bad).has_value()) << testing::PrintToString(bad);
  EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, u'\xD800')).has_value());
  EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, u'\xDC00')).has_value());
  EXPECT_FALSE(Utf16ToUtf8(std::u16string{u'\xD800', u'a'}).has_value());
}

TEST(Utf, ConvertsIntoABufferWhereverTheAsciiRunsEnd) {
  // Lengths and positions around the block sizes of the ASCII fast path.
  for (std::size_t length = 0; length <= 40; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      std::string utf8(length, 'a');
      for (std::size_t i = 0; i < length; ++i) utf8[i] = static_cast<char>('a' + i % 26);
      if (at < length) utf8.replace(at, 1, "\xE2\x82\xAC");
      std::u16string out(utf8.size(), u'?');
      const std::optional<std::size_t> units = Utf8ToUtf16(utf8, out.data());
      ASSERT_TRUE(units.has_value()) << length << " " << at;
      out.resize(*units);
      EXPECT_EQ(Utf16ToUtf8(out), utf8) << length << " " << at;
      if (at < length) {
        out[at] = u'\xDC00';
        EXPECT_FALSE(Utf16ToUtf8(out).has_value()) << "a lone low surrogate, " << length << " " << at;
        out[at] = u'\xD800';
        EXPECT_FALSE(Utf16ToUtf8(out).has_value()) << "a lone high surrogate, " << length << " " << at;
      }
      utf8 += '\x80';
      EXPECT_FALSE(Utf8ToUtf16(utf8).has_value()) << "a stray continuation byte at the end, " << length;
    }
  }
}

// Text that is mostly wider than ASCII outgrows the room ASCII needs.
TEST(Utf, ConvertsTextOfWideCodePointsWhateverItsMix) {
  for (const std::u16string& wide : {std::u16string(u"\u00E9"), std::u16string(u"\u20AC"), std::u16string(u"\U0001F600")}) {
    for (std::size_t count : {1, 7, 8, 9, 100}) {
      std::u16string text = u"ascii before ";
      for (std::size_t i = 0; i < count; ++i) text += wide;
      text += u" and after";
      SCOPED_TRACE(testing::Message() << count << " of " << static_cast<unsigned>(wide[0]));
      const std::optional<std::string> utf8 = Utf16ToUtf8(text);
      ASSERT_TRUE(utf8.has_value());
      EXPECT_EQ(Utf8ToUtf16(*utf8), text);
    }
  }
}

}  // namespace
