// The header/footer decoration: where its line lies on the printable area,
// the boxes as wide as the line, and one glyph run per code point at the
// measured advances.
#include "filters/preparation/header_footer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "platform/format.h"
#include "preparation_pipeline.h"

namespace {

using namespace preparation_test;

constexpr PageBox kImageable{16, 16, 784, 1024};
constexpr REAL kPageWidth = 816;

DecorationSettings CustomLine(std::u16string_view text) {
  DecorationSettings settings;
  HeaderFooterOptions& options = settings.headerFooter;
  options.on = OffOn::On;
  options.idPrint = HeaderFooterId::Custom;
  options.customId = Bstr(text);
  options.fontName = Bstr(u"DejaVu Sans");
  options.fontSize = 12;  // em 16
  return settings;
}

// The same font, measured on its own, for the expected geometry.
std::unique_ptr<FontResource> Measured(const DecorationSettings& settings) {
  const HeaderFooterOptions& options = settings.headerFooter;
  FontRequest request{std::u16string(options.fontName.View()), options.fontSize, options.bold, options.italic,
                      options.charSet, std::u16string(options.customId.View())};
  std::unique_ptr<FontResource> font;
  EXPECT_EQ(FontResource::Create(request, &font), S_OK);
  return font;
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::vector<std::string> All(const std::string& markup, const std::string& pattern) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(markup.begin(), markup.end(), re); it != std::sregex_iterator(); ++it)
    found.push_back((*it)[1]);
  return found;
}

class HeaderFooterTest : public testing::Test {
 protected:
  // The decoration's markup for a page of the given width, its font part attached.
  std::string Markup(const DecorationSettings& settings) {
    std::unique_ptr<HeaderFooter> decoration;
    EXPECT_EQ(HeaderFooter::Create(settings, nullptr, &decoration), S_OK);
    if (!decoration) return {};
    EXPECT_EQ(decoration->BuildMarkup(kPageWidth, 1056, kImageable), E_PENDING) << "no font part yet";
    const auto page = MakeComObject<RewritablePage>("/p1", ContentOf(PageMarkup(1)));
    EXPECT_EQ(decoration->PrepareResources(fonts_.Get(), page.Get(), &cache_), S_OK);
    EXPECT_EQ(decoration->BuildMarkup(kPageWidth, 1056, kImageable), S_OK);
    std::u16string markup;
    EXPECT_EQ(decoration->GetMarkup(false, &markup), S_OK);
    return Utf16ToUtf8(markup).value();
  }

  PartResourceCache cache_;
  ComPtr<FontConsumer> fonts_ = MakeComObject<FontConsumer>();
};

TEST_F(HeaderFooterTest, TheLineLiesAtTheRequestedCornerOfThePrintableArea) {
  struct Case {
    const char* label;
    HeaderFooterX x;
    HeaderFooterY y;
  };
  const Case cases[] = {{"left top", HeaderFooterX::Left, HeaderFooterY::Top},
                        {"right bottom", HeaderFooterX::Right, HeaderFooterY::Bottom},
                        {"centred on the page", HeaderFooterX::Center, HeaderFooterY::Bottom}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecorationSettings settings = CustomLine(u"Page line");
    settings.headerFooter.positionX = c.x;
    settings.headerFooter.positionY = c.y;
    const auto font = Measured(settings);
    const REAL width = static_cast<REAL>(font->TextExtent().cx);
    const REAL x = c.x == HeaderFooterX::Left    ? kImageable.x
                   : c.x == HeaderFooterX::Right ? kImageable.x + kImageable.width - width
                                                 : (kPageWidth - width) * 0.5f;
    const REAL baseline = c.y == HeaderFooterY::Top
                              ? kImageable.y + static_cast<REAL>(font->Ascent())
                              : kImageable.y + kImageable.height - static_cast<REAL>(font->Descent());
    const std::string markup = Markup(settings);
    const std::vector<std::string> originsX = All(markup, "OriginX=\"([^\"]*)\"");
    ASSERT_EQ(originsX.size(), 9u);
    EXPECT_EQ(originsX.front(), Fixed(x));
    for (const std::string& y : All(markup, "OriginY=\"([^\"]*)\"")) EXPECT_EQ(y, Fixed(baseline));
    EXPECT_EQ(All(markup, "<(Path)").size(), 0u);
  }
}

TEST_F(HeaderFooterTest, BackgroundUnderlineAndStrikeOutSpanTheLineWithItsItalicAllowance) {
  DecorationSettings settings = CustomLine(u"Boxed");
  HeaderFooterOptions& options = settings.headerFooter;
  options.italic = true;
  options.underline = true;
  options.strikeOut = true;
  options.background = HeaderFooterBackground::Opaque;
  options.backgroundColor = 0x00FF00;
  options.fontColor = 255;
  options.positionX = HeaderFooterX::Left;
  options.positionY = HeaderFooterY::Top;
  const auto font = Measured(settings);
  const double width = font->TextExtent().cx + 8;  // em 16 / 2
  const double baseline = kImageable.y + font->Ascent();
  const std::string markup = Markup(settings);
  const std::vector<std::string> paths = All(markup, "<Path Data=\"([^\"]*)\"");
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0], "M 16.00," + Fixed(baseline + font->Descent()) + " L 16.00," +
                          Fixed(baseline - font->Ascent()) + " " + Fixed(16 + width) + "," +
                          Fixed(baseline - font->Ascent()) + " " + Fixed(16 + width) + "," +
                          Fixed(baseline + font->Descent()) + " z");
  const float underline = static_cast<float>(baseline) - font->LineMetrics().underlinePosition * 16;
  EXPECT_EQ(paths[1].substr(0, paths[1].find(" L")), "M 16.00," + Fixed(underline));
  for (const std::string& path : paths) EXPECT_NE(path.find(Fixed(16 + width) + ","), std::string::npos) << path;
  EXPECT_EQ(All(markup, "<Path Data=\"[^\"]*\" Fill=\"([^\"]*)\""),
            (std::vector<std::string>{"#00FF00", "#0000FF", "#0000FF"}));
  EXPECT_EQ(All(markup, "StyleSimulations=\"([^\"]*)\"").front(), "ItalicSimulation");
  EXPECT_EQ(All(markup, "FontRenderingEmSize=\"([^\"]*)\"").front(), "16");
}

TEST_F(HeaderFooterTest, OneGlyphRunPerCodePointAtTheMeasuredAdvances) {
  // "A", a brace, an ampersand, and U+10300 as a surrogate pair.
  const std::u16string text = u"A{&\U00010300";
  DecorationSettings settings = CustomLine(text);
  settings.headerFooter.positionX = HeaderFooterX::Left;
  const auto font = Measured(settings);
  const std::string markup = Markup(settings);
  EXPECT_EQ(All(markup, "UnicodeString=\"([^\"]*)\""),
            (std::vector<std::string>{"A", "{}{", "&amp;", "\xF0\x90\x8C\x80"}));
  const std::vector<std::string> originsX = All(markup, "OriginX=\"([^\"]*)\"");
  ASSERT_EQ(originsX.size(), 4u);
  ASSERT_EQ(font->Advances().size(), 4u);
  float x = kImageable.x;
  for (std::size_t i = 0; i < originsX.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(originsX[i], Fixed(x));
    x += static_cast<float>(font->Advances()[i]);
  }
  const std::optional<std::uint32_t> glyph = font->FindGlyphIndex(0x10300);
  ASSERT_TRUE(glyph.has_value());
  EXPECT_EQ(All(markup, "Indices=\"([^\"]*)\""), (std::vector<std::string>{"(2:1)" + std::to_string(*glyph)}));
  EXPECT_EQ(All(markup, "FontUri=\"([^\"]*)\"").front(), fonts_->fonts.at(0)->uri());
}

TEST_F(HeaderFooterTest, SettingsThatDrawNothingOrAnUnusableFontMakeNoDecoration) {
  std::unique_ptr<HeaderFooter> decoration;
  DecorationSettings off = CustomLine(u"x");
  off.headerFooter.on = OffOn::Off;
  EXPECT_EQ(HeaderFooter::Create(off, nullptr, &decoration), E_INVALIDARG);
  DecorationSettings longName = CustomLine(u"x");
  longName.headerFooter.fontName = Bstr(u"A face name far longer than thirty-one characters");
  EXPECT_EQ(HeaderFooter::Create(longName, nullptr, &decoration), E_INVALIDARG);
  DecorationSettings huge = CustomLine(u"x");
  huge.headerFooter.fontSize = 0x7FFFFFFF;
  EXPECT_EQ(HeaderFooter::Create(huge, nullptr, &decoration), E_INVALIDARG);
  EXPECT_EQ(decoration, nullptr);
  EXPECT_EQ(HeaderFooter::Create(CustomLine(u"x"), nullptr, nullptr), E_POINTER);
}

TEST_F(HeaderFooterTest, PagesAskingForTheSameLineShareItAndAnotherLineReplacesIt) {
  std::shared_ptr<HeaderFooterLine> shared;
  std::unique_ptr<HeaderFooter> first;
  std::unique_ptr<HeaderFooter> second;
  std::unique_ptr<HeaderFooter> other;
  ASSERT_EQ(HeaderFooter::Create(CustomLine(u"Same"), &shared, &first), S_OK);
  const HeaderFooterLine* made = shared.get();
  ASSERT_EQ(HeaderFooter::Create(CustomLine(u"Same"), &shared, &second), S_OK);
  EXPECT_EQ(shared.get(), made) << "the same line is not made again";
  DecorationSettings moved = CustomLine(u"Same");
  moved.headerFooter.positionY = HeaderFooterY::Top;
  ASSERT_EQ(HeaderFooter::Create(moved, &shared, &other), S_OK);
  EXPECT_NE(shared.get(), made);
  EXPECT_EQ(first->text(), u"Same");
  EXPECT_EQ(second->text(), u"Same");
}

}  // namespace
