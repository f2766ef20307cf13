// The markup buffers: growth, editing, formatting, and the ANSI conversion.
#include "framework/markup_buffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <string>

#include "ticket/hresult_error.h"

namespace {

template <class Operation>
HRESULT ThrownBy(Operation&& operation) {
  try {
    operation();
  } catch (const HResultError& error) {
    return error.hr();
  }
  return S_OK;
}

MarkupBuffer Holding(std::u16string_view text) {
  MarkupBuffer buffer;
  buffer.Assign(text);
  return buffer;
}

TEST(MarkupBuffer, StartsWithoutStorage) {
  MarkupBuffer buffer;
  EXPECT_EQ(buffer.Capacity(), 0u);
  EXPECT_EQ(buffer.Length(), 0u);
  EXPECT_EQ(std::u16string(buffer.Text()), u"");
  EXPECT_EQ(buffer.Find(u""), -1);
  EXPECT_EQ(buffer.Erase(0, 0), 0u);
  EXPECT_TRUE(buffer.Equals(u""));
  EXPECT_EQ(buffer.ReplaceAll(u"a", u"b"), 0u);
}

TEST(MarkupBuffer, GrowsByDoublingFrom128) {
  struct Case {
    std::size_t first, second, capacity;
  };
  const Case cases[] = {
      {127, 0, 128}, {127, 1, 256}, {128, 0, 256}, {255, 0, 256}, {200, 56, 512}, {1000, 0, 1024}, {0, 0, 128},
  };
  for (const Case& c : cases) {
    MarkupBuffer buffer;
    buffer.Append(std::u16string(c.first, u'a'));
    buffer.Append(std::u16string(c.second, u'b'));
    EXPECT_EQ(buffer.Capacity(), c.capacity) << c.first << " + " << c.second;
    EXPECT_EQ(buffer.view(), std::u16string(c.first, u'a') + std::u16string(c.second, u'b'));
    EXPECT_EQ(buffer.Text()[buffer.Length()], u'\0');
  }
}

TEST(MarkupBuffer, AssignAndAppendTreatNullAsNoText) {
  MarkupBuffer buffer = Holding(u"abc");
  buffer.Assign(static_cast<const WCHAR*>(nullptr));
  buffer.Append(static_cast<const WCHAR*>(nullptr));
  EXPECT_EQ(buffer.view(), u"abc");
  buffer.Assign(u"x");
  buffer.Append(u"yz");
  EXPECT_EQ(buffer.view(), u"xyz");
}

TEST(MarkupBuffer, TakesItsOwnTextWhileGrowing) {
  MarkupBuffer buffer = Holding(std::u16string(100, u'a') + u"b");
  buffer.Append(buffer.view());  // 202 characters: the storage moves
  EXPECT_EQ(buffer.view(), std::u16string(100, u'a') + u"b" + std::u16string(100, u'a') + u"b");
  buffer.Assign(buffer.view().substr(100, 3));
  EXPECT_EQ(buffer.view(), u"baa");
}

TEST(MarkupBuffer, Formats) {
  MarkupBuffer buffer;
  buffer.Format(u"%s_%u_%.2f", u"PT", 7u, 1.5);
  EXPECT_EQ(buffer.view(), u"PT_7_1.50");
  buffer.Format(u"plain");
  EXPECT_EQ(buffer.view(), u"plain");

  // A failing format leaves the text alone.
  EXPECT_EQ(ThrownBy([&] { buffer.Format(nullptr); }), E_INVALIDARG);
  EXPECT_EQ(ThrownBy([&] { buffer.Format(u"%d", u"text"); }), E_INVALIDARG);
  EXPECT_EQ(ThrownBy([&] { buffer.Format(u"%d %d", 1); }), E_INVALIDARG);
  EXPECT_EQ(ThrownBy([&] { buffer.Format(u"%n", 1); }), E_INVALIDARG);
  EXPECT_EQ(buffer.view(), u"plain");

  NarrowBuffer narrow;
  narrow.Format("/Pad_page_%u_%u.xaml", 12u, 34);
  EXPECT_EQ(narrow.view(), "/Pad_page_12_34.xaml");
  EXPECT_EQ(ThrownBy([&] { narrow.Format(nullptr); }), E_INVALIDARG);
}

TEST(MarkupBuffer, FindsAndCompares) {
  struct Case {
    std::u16string_view text;
    const WCHAR* part;
    std::ptrdiff_t found;
  };
  const Case cases[] = {
      {u"ababab", u"ba", 1}, {u"abc", u"d", -1}, {u"abc", u"", 0}, {u"abc", nullptr, -1}, {u"abc", u"abcd", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Holding(c.text).Find(c.part), c.found) << std::string(c.text.begin(), c.text.end());

  const MarkupBuffer buffer = Holding(u"Canvas");
  EXPECT_TRUE(buffer.Equals(u"Canvas"));
  EXPECT_FALSE(buffer.Equals(u"canvas"));
  EXPECT_FALSE(buffer.Equals(u"Canva"));
  EXPECT_FALSE(buffer.Equals(u"Canvas.Resources"));
  EXPECT_EQ(ThrownBy([&] { (void)buffer.Equals(nullptr); }), E_FAIL);
}

TEST(MarkupBuffer, Erases) {
  constexpr std::ptrdiff_t kHuge = std::numeric_limits<std::ptrdiff_t>::max();
  struct Case {
    std::ptrdiff_t position, count;
    std::u16string_view left;  // empty view with error set: throws
    HRESULT error;
  };
  const Case cases[] = {
      {1, 2, u"ade", S_OK},   {-3, 2, u"cde", S_OK},      {2, -1, u"abcde", S_OK},    {0, 5, u"", S_OK},
      {5, 0, u"abcde", S_OK}, {2, 10, u"", E_INVALIDARG}, {6, 0, u"", E_INVALIDARG}, {kHuge, kHuge, u"", E_INVALIDARG},
      {1, kHuge, u"", E_INVALIDARG},
  };
  for (const Case& c : cases) {
    MarkupBuffer buffer = Holding(u"abcde");
    std::size_t length = 0;
    EXPECT_EQ(ThrownBy([&] { length = buffer.Erase(c.position, c.count); }), c.error) << c.position << "," << c.count;
    if (c.error == S_OK) {
      EXPECT_EQ(buffer.view(), c.left);
      EXPECT_EQ(length, c.left.size());
      EXPECT_EQ(buffer.Text()[length], u'\0');
    } else {
      EXPECT_EQ(buffer.view(), u"abcde");
    }
  }
}

TEST(MarkupBuffer, ReplacesEveryOccurrenceLeftToRight) {
  struct Case {
    std::u16string text;
    const WCHAR* from;
    const WCHAR* to;
    std::u16string result;
    std::size_t count;
  };
  const Case cases[] = {
      {u"ababab", u"ab", u"x", u"xxx", 3},
      {u"aaa", u"aa", u"b", u"ba", 1},
      {u"abc", u"b", u"XYZ", u"aXYZc", 1},
      {u"xx", u"x", u"yxy", u"yxyyxy", 2},  // inserted text is not searched again
      {u"abcabc", u"abc", u"abc", u"abcabc", 2},
      {u"abc", u"b", nullptr, u"ac", 1},
      {u"abc", u"d", u"e", u"abc", 0},
      {u"abc", u"", u"z", u"abc", 0},
      {u"abc", nullptr, u"z", u"abc", 0},
      {std::u16string(100, u'a'), u"a", u"bb", std::u16string(200, u'b'), 100},  // grows past 128
      {u"<a&b>", u"&", u"&amp;", u"<a&amp;b>", 1},
  };
  for (const Case& c : cases) {
    MarkupBuffer buffer = Holding(c.text);
    EXPECT_EQ(buffer.ReplaceAll(c.from, c.to), c.count) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(buffer.view(), c.result);
    EXPECT_EQ(buffer.Text()[buffer.Length()], u'\0');
  }

  NarrowBuffer narrow;
  narrow.Assign("a-b-c");
  EXPECT_EQ(narrow.ReplaceAll("-", "--"), 2u);
  EXPECT_EQ(narrow.view(), "a--b--c");
}

TEST(MarkupBuffer, ReplacesWithItsOwnText) {
  MarkupBuffer buffer = Holding(u"abab");
  EXPECT_EQ(buffer.ReplaceAll(buffer.Text() + 2, buffer.Text()), 2u);  // "ab" by "abab"
  EXPECT_EQ(buffer.view(), u"abababab");
}

TEST(MarkupBuffer, MovesItsStorage) {
  MarkupBuffer source = Holding(u"text");
  MarkupBuffer target(std::move(source));
  EXPECT_EQ(target.view(), u"text");
  EXPECT_EQ(source.Capacity(), 0u);  // the moved-from buffer is empty
  source = std::move(target);
  EXPECT_EQ(source.view(), u"text");
}

TEST(NarrowBuffer, ConvertsToTheAnsiCodePage) {
  struct Case {
    const WCHAR* wide;
    std::string_view narrow;
    HRESULT error;
  };
  const Case cases[] = {
      {u"abc", "abc", S_OK},
      {u"caf\u00E9", "caf\xE9", S_OK},
      {u"\u20AC5", "\x80" "5", S_OK},
      {u"", "", S_OK},
      {nullptr, "before", S_OK},
      {u"\u4E2D", "before", E_FAIL},        // not in the code page
      {u"a\xD800z", "before", E_FAIL},       // not UTF-16
  };
  for (const Case& c : cases) {
    NarrowBuffer buffer;
    buffer.Assign("before");
    EXPECT_EQ(ThrownBy([&] { buffer.FromWide(c.wide); }), c.error) << c.narrow;
    EXPECT_EQ(buffer.view(), c.narrow);
  }
}

}  // namespace
