// Escaping attribute values, UTF-8 from a markup buffer, and the text of
// transforms and clip rectangles.
#include "framework/markup_text.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/geometry_text.h"
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

TEST(EscapeXml, EscapesTheFiveSpecialCharacters) {
  struct Case {
    std::u16string text, escaped;
  };
  const Case cases[] = {
      {u"a&b<c>\"d'e", u"a&amp;b&lt;c&gt;&quot;d&apos;e"},
      {u"&amp;", u"&amp;amp;"},
      {u"plain", u"plain"},
      {u"", u""},
      {std::u16string(u"a\0&", 3), std::u16string(u"a\0&amp;", 7)},  // the whole BSTR, not up to a zero
  };
  for (const Case& c : cases) {
    BSTR text = SysAllocStringLen(c.text.data(), static_cast<UINT>(c.text.size()));
    ASSERT_EQ(EscapeXml(text), S_OK);
    EXPECT_EQ(std::u16string_view(text, SysStringLen(text)), c.escaped);
    SysFreeString(text);
  }
  BSTR none = nullptr;
  EXPECT_EQ(EscapeXml(none), E_POINTER);
}

MarkupBuffer Holding(std::u16string_view text) {
  MarkupBuffer buffer;
  buffer.Assign(text);
  return buffer;
}

TEST(ToUtf8, ConvertsTheTextWithoutItsTerminator) {
  struct Case {
    std::u16string text;
    std::string utf8;
  };
  const Case cases[] = {
      {u"<a/>", "<a/>"},
      {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600x", "\xF0\x9F\x98\x80x"},  // a surrogate pair is one character
  };
  for (const Case& c : cases) EXPECT_EQ(ToUtf8(Holding(c.text)), c.utf8);

  EXPECT_EQ(ThrownBy([] { ToUtf8(MarkupBuffer()); }), E_FAIL);
  EXPECT_EQ(ThrownBy([] { ToUtf8(Holding(u"a\xD83D")); }), E_FAIL);  // half a pair
  EXPECT_EQ(ThrownBy([] { ToUtf8(Holding(u"\xDE00" "a")); }), E_FAIL);
}

std::u16string MatrixText(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
  GpMatrix* matrix = nullptr;
  EXPECT_EQ(GdipCreateMatrix2(m11, m12, m21, m22, dx, dy, &matrix), Ok);
  const std::u16string text(FormatMatrix(matrix).View());
  GdipDeleteMatrix(matrix);
  return text;
}

TEST(GeometryText, FormatsMatrices) {
  EXPECT_EQ(MatrixText(1, 0, 0, 1, 0, 0), u"1.000000,0.000000,0.000000,1.000000,0.000,0.000");
  EXPECT_EQ(MatrixText(0, 1, -1, 0, 10.5f, -20.25f), u"0.000000,1.000000,-1.000000,0.000000,10.500,-20.250");
  EXPECT_EQ(MatrixText(0.5f, 0, 0, 0.25f, 1234.5678f, 0.0004f), u"0.500000,0.000000,0.000000,0.250000,1234.568,0.000");
  EXPECT_EQ(ThrownBy([] { FormatMatrix(nullptr); }), E_FAIL);
}

TEST(GeometryText, FormatsRectanglePaths) {
  EXPECT_EQ(FormatRectPath(0, 0, 10, 20).View(), u"M 0.00,0.00 L 10.00,0.00 L 10.00,20.00 L 0.00,20.00 Z");
  EXPECT_EQ(FormatRectPath(-1.5f, 2.25f, 816, 1056).View(),
            u"M -1.50,2.25 L 816.00,2.25 L 816.00,1056.00 L -1.50,1056.00 Z");
}

}  // namespace
