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

}  // namespace
