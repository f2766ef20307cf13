#include "header_footer.h"

#include <tuple>

#include "filters/preparation/font/glyph_run_text.h"
#include "header_footer_text.h"
#include "platform/format.h"
#include "platform/gdi_font.h"
#include "platform/xml_escape.h"

namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

std::u16string Number(REAL value) { return FormatWide(u"%.2f", static_cast<double>(value)).text; }

// A filled rectangle from (x, top) to (x + width, bottom), as the four corners
// in the order the line's boxes are drawn.
void AppendBox(std::u16string& markup, REAL x, REAL y1, REAL y2, REAL width, std::u16string_view fill) {
  const Formatted<std::u16string> data =
      FormatWide(u"M %.2f,%.2f L %.2f,%.2f %.2f,%.2f %.2f,%.2f z", double{x}, double{y1}, double{x}, double{y2},
                 double{x + width}, double{y2}, double{x + width}, double{y1});
  markup += u"<Path";
  AppendXmlAttribute(markup, u"Data", data.text);
  AppendXmlAttribute(markup, u"Fill", fill);
  markup += u"/>";
}

// Settings that compose the same line in the same font at the same place.
bool SameLine(const DecorationSettings& a, const DecorationSettings& b) {
  const HeaderFooterOptions& x = a.headerFooter;
  const HeaderFooterOptions& y = b.headerFooter;
  const auto texts = [](const HeaderFooterOptions& o) {
    return std::tuple(o.dateStringFormat.View(), o.dateDataFormat.View(), o.timeStringFormat.View(),
                      o.timeDataFormat.View(), o.fontName.View(), o.customId.View());
  };
  const auto values = [](const HeaderFooterOptions& o) {
    return std::tuple(o.on, o.dateFormat, o.timeFormat, o.idPrint, o.positionX, o.positionY, o.background, o.charSet,
                      o.italic, o.bold, o.underline, o.strikeOut, o.fontSize, o.fontColor, o.backgroundColor);
  };
  const SYSTEMTIME& s = a.printTime;
  const SYSTEMTIME& t = b.printTime;
  return texts(x) == texts(y) && values(x) == values(y) && a.printer == b.printer && a.userToken == b.userToken &&
         a.jobInfo.userName.View() == b.jobInfo.userName.View() && a.properties.Get() == b.properties.Get() &&
         std::tie(s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond) ==
             std::tie(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

}  // namespace

HRESULT HeaderFooter::Create(const DecorationSettings& settings, std::shared_ptr<HeaderFooterLine>* shared,
                             std::unique_ptr<HeaderFooter>* made) {
  if (!made) return E_POINTER;
  made->reset();
  if (DecorationType(settings) != DecorationContent::Text) return E_INVALIDARG;
  if (shared && *shared && SameLine((*shared)->settings, settings)) {
    made->reset(new HeaderFooter(*shared));
    return S_OK;
  }
  auto line = std::make_shared<HeaderFooterLine>();
  line->settings = settings;
  if (HRESULT hr = ComposeText(settings, &line->text); FAILED(hr)) return hr;
  const HeaderFooterOptions& options = settings.headerFooter;
  FontRequest request;
  request.faceName = options.fontName.View();
  request.pointSize = options.fontSize;
  request.bold = options.bold;
  request.italic = options.italic;
  request.charSet = options.charSet;
  request.text = line->text;
  if (HRESULT hr = FontResource::Create(request, &line->font); FAILED(hr)) return hr;
  if (shared) *shared = line;
  made->reset(new HeaderFooter(std::move(line)));
  return S_OK;
}

HRESULT HeaderFooter::BuildMarkup(REAL pageWidth, REAL /*pageHeight*/, const PageBox& imageable) {
  if (resource_uri().View().empty()) return E_PENDING;
  const HeaderFooterOptions& options = line_->settings.headerFooter;
  const FontResource& font = *line_->font;
  const std::u16string& text = line_->text;
  const std::u16string fill = GlyphFillText(options.fontColor);
  const std::u16string style = StyleSimulationsText(options.bold, options.italic);
  const std::u16string emText = FontRenderingEmSizeText(options.fontSize);
  if (emText.empty()) return E_INVALIDARG;
  const REAL em = static_cast<REAL>(MulDiv(options.fontSize, 96, 72));
  const LONG ascent = font.Ascent();
  const LONG descent = font.Descent();
  const REAL width = static_cast<REAL>(font.TextExtent().cx + (options.italic ? static_cast<LONG>(em) / 2 : 0));

  REAL x = imageable.x;
  if (options.positionX == HeaderFooterX::Center) x = (pageWidth - width) * 0.5f;
  if (options.positionX == HeaderFooterX::Right) x = imageable.x + imageable.width - width;
  const REAL baseline = options.positionY == HeaderFooterY::Top
                            ? imageable.y + static_cast<REAL>(ascent)
                            : imageable.y + imageable.height - static_cast<REAL>(descent);

  std::u16string markup = u"<Canvas>";
  if (options.background == HeaderFooterBackground::Opaque)
    AppendBox(markup, x, baseline + static_cast<REAL>(descent), baseline - static_cast<REAL>(ascent), width,
              GlyphFillText(options.backgroundColor));
  const FontLineMetrics& lines = font.LineMetrics();
  if (options.underline) {
    const REAL top = baseline - lines.underlinePosition * em;
    AppendBox(markup, x, top, top + lines.underlineThickness * em, width, fill);
  }
  if (options.strikeOut) {
    const REAL top = baseline - lines.strikeoutPosition * em;
    AppendBox(markup, x, top, top + lines.strikeoutSize * em, width, fill);
  }
  const std::span<const LONG> advances = font.Advances();
  std::size_t index = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++index) {
    const bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    const std::u16string_view character(text.data() + i, pair ? 2 : 1);
    markup += u"<Glyphs";
    AppendXmlAttribute(markup, u"Fill", fill);
    AppendXmlAttribute(markup, u"FontUri", resource_uri().View());
    AppendXmlAttribute(markup, u"FontRenderingEmSize", emText);
    AppendXmlAttribute(markup, u"StyleSimulations", style);
    AppendXmlAttribute(markup, u"OriginX", Number(x));
    AppendXmlAttribute(markup, u"OriginY", Number(baseline));
    // A leading brace would start an escape sequence.
    AppendXmlAttribute(markup, u"UnicodeString", character == u"{" ? std::u16string(u"{}{") : std::u16string(character));
    if (pair) {
      const char32_t codePoint = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) +
                                 (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      if (const std::optional<std::uint32_t> glyph = font.FindGlyphIndex(codePoint))
        AppendXmlAttribute(markup, u"Indices", FormatWide(u"(2:1)%u", *glyph).text);
      ++i;
    }
    markup += u"/>";
    if (index < advances.size()) x += static_cast<REAL>(advances[index]);
  }
  markup += u"</Canvas>";
  SetMarkup(std::move(markup));
  return S_OK;
}
