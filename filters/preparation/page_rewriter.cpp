#include "page_rewriter.h"

#include <cmath>
#include <charconv>
#include <string>

#include "ticket/hresult_error.h"

namespace {

// A decimal number as a float; 0 for text that is not one or does not fit.
REAL ParseNumber(std::u16string_view text) {
  std::string narrow;
  for (const char16_t c : text) {
    if (c > 0x7F) return 0;
    if (c != u' ' && c != u'+') narrow += static_cast<char>(c);
  }
  float value = 0;
  const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
  return error == std::errc() && std::isfinite(value) ? value : 0;
}

// Up to four comma-separated numbers; missing ones stay 0.
PageBox ParseBox(std::u16string_view text) {
  REAL numbers[4] = {0, 0, 0, 0};
  for (REAL& number : numbers) {
    const std::size_t comma = text.find(u',');
    number = ParseNumber(text.substr(0, comma));
    if (comma == std::u16string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

}  // namespace

PageRewriter::PageRewriter(IPrintWriteStream* stream, const ScopeSettings& scope)
    : PageMarkupRewriter(stream),
      scaler_(*scope.scaler()),
      watermark_(scope.watermark()),
      headerFooter_(scope.header_footer()),
      imageable_(scope.imageable_area()) {}

void PageRewriter::RewritePageAttribute(std::u16string_view name, std::u16string_view value, std::u16string& tag) {
  if (name == u"Width" || name == u"Height") {
    const bool width = name == u"Width";
    (width ? pageWidth_ : pageHeight_) = ParseNumber(value);
    const std::optional<std::u16string> paper = width ? scaler_.PageWidthText() : scaler_.PageHeightText();
    AppendAttribute(tag, name, paper ? std::u16string_view(*paper) : value);
  } else if (name == u"ContentBox") {
    content_ = ParseBox(value);
  } else if (name == u"BleedBox") {
    bleed_ = ParseBox(value);
  } else {
    AppendAttribute(tag, name, value);
  }
}

void PageRewriter::OpenPageContent(std::u16string& markup) {
  scaler_.SetPageGeometry(pageWidth_, pageHeight_, bleed_, content_);
  markup += scaler_.OpeningMarkup();
  if (watermark_) {
    ThrowIfFailed(watermark_->BuildMarkup(pageWidth_, pageHeight_, imageable_));
    if (watermark_->DrawsUnderContent()) {
      std::u16string under;
      ThrowIfFailed(watermark_->GetMarkup(true, &under));
      markup += under;
    }
  }
  if (headerFooter_) ThrowIfFailed(headerFooter_->BuildMarkup(pageWidth_, pageHeight_, imageable_));
}

void PageRewriter::ClosePageContent(std::u16string& markup) {
  std::u16string decoration;
  // A decoration whose markup cannot be had is left off; the page still prints.
  const bool watermarkDrawn =
      !watermark_ || !watermark_->DrawsOverContent() || SUCCEEDED(watermark_->GetMarkup(false, &decoration));
  markup += decoration;
  if (watermarkDrawn && headerFooter_ && SUCCEEDED(headerFooter_->GetMarkup(false, &decoration))) markup += decoration;
  markup += scaler_.ClosingMarkup();
}
