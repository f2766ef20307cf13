#include "finisher_page_rewriter.h"

#include <string>


FinisherPageRewriter::FinisherPageRewriter(IPrintWriteStream* stream, const FinisherSettings& settings)
    : PageMarkupRewriter(stream, ResourcesCanvas::kContentCanvas), settings_(settings) {}

void FinisherPageRewriter::RewritePageAttribute(std::u16string_view name, std::u16string_view value,
                                                std::u16string& tag) {
  if (name == u"Width")
    pageWidth_ = ParseMarkupNumber(value);
  else if (name == u"Height")
    pageHeight_ = ParseMarkupNumber(value);
  else if (name == u"ContentBox")
    content_ = ParsePageBox(value);
  else if (name == u"BleedBox")
    bleed_ = ParsePageBox(value);
  else
    AppendAttribute(tag, name, value);
}

void FinisherPageRewriter::AppendBox(std::u16string& tag, std::u16string_view name, const PageBox& box) const {
  // A box lies on the page as the content now does; an empty one stays empty.
  const bool empty = box.width <= 0 && box.height <= 0;
  const PageBox placed = transform_ && !empty ? TransformBox(*transform_, box) : box;
  std::u16string value;
  AppendDecimals(value, {placed.x, placed.y, placed.width, placed.height});
  AppendAttribute(tag, name, value);
}

void FinisherPageRewriter::AppendPageAttributes(std::u16string& tag) {
  transform_ = ContentTransform(settings_.transverse(), settings_.mirror(), pageWidth_, pageHeight_);
  const bool turned = settings_.transverse() == TransverseFeed::TurnPage;
  std::u16string value;
  AppendDecimals(value, {turned ? pageHeight_ : pageWidth_});
  AppendAttribute(tag, u"Width", value);
  value.clear();
  AppendDecimals(value, {turned ? pageWidth_ : pageHeight_});
  AppendAttribute(tag, u"Height", value);
  if (bleed_) AppendBox(tag, u"BleedBox", *bleed_);
  if (content_) AppendBox(tag, u"ContentBox", *content_);
}

void FinisherPageRewriter::OpenPageContent(std::u16string& markup) {
  if (transform_) {
    markup += u"<Canvas RenderTransform=";
    BuildRenderTransform(*transform_, markup);
    markup += u'>';
  }
  // Without cut-out lines the transform canvas holds the content; there is
  // always one of the two, since the settings ask for a rewrite.
  if (settings_.cut_out_lines()) BuildClipCanvas(settings_.printable_area(), markup);
}

void FinisherPageRewriter::ClosePageContent(std::u16string& markup) {
  if (settings_.cut_out_lines()) {
    markup += u"</Canvas>";
    // Without a printable area the marks go round the page itself.
    BuildCutOutLines(settings_.printable_area().value_or(PageBox{0, 0, pageWidth_, pageHeight_}), markup);
  }
  if (transform_) markup += u"</Canvas>";
}
