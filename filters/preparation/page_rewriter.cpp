#include "page_rewriter.h"

#include <string>

#include "framework/page_box.h"
#include "ticket/hresult_error.h"

PageRewriter::PageRewriter(IPrintWriteStream* stream, const ScopeSettings& scope)
    : PageMarkupRewriter(stream),
      scaler_(*scope.scaler()),
      watermark_(scope.watermark()),
      headerFooter_(scope.header_footer()),
      imageable_(scope.imageable_area()) {}

void PageRewriter::RewritePageAttribute(std::u16string_view name, std::u16string_view value, std::u16string& tag) {
  if (name == u"Width" || name == u"Height") {
    const bool width = name == u"Width";
    (width ? pageWidth_ : pageHeight_) = ParseMarkupNumber(value);
    const std::optional<std::u16string> paper = width ? scaler_.PageWidthText() : scaler_.PageHeightText();
    AppendAttribute(tag, name, paper ? std::u16string_view(*paper) : value);
  } else if (name == u"ContentBox") {
    content_ = ParsePageBox(value);
  } else if (name == u"BleedBox") {
    bleed_ = ParsePageBox(value);
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
