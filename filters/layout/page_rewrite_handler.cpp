#include "page_rewrite_handler.h"

#include "copied_markup.h"
#include "platform/checked_int.h"
#include "ticket/hresult_error.h"

namespace {

std::u16string_view View(const WCHAR* text, int length) { return {text, IntCast<std::size_t>(length)}; }

// A length attribute is copied into the clip as it stands; anything but a
// plain number would break the clip's path, so it becomes 0.
std::u16string PlainNumber(std::u16string_view value) {
  if (value.empty() || value.find_first_not_of(u"0123456789.eE+-") != std::u16string_view::npos) return u"0";
  return std::u16string(value);
}

}  // namespace

PageRewriteHandler::PageRewriteHandler(IPrintWriteStream* stream, std::u16string canvasTransform)
    : MarkupHandlerBase(stream), canvasTransform_(std::move(canvasTransform)) {}

HRESULT PageRewriteHandler::startDocument() { return Write(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"); }

void PageRewriteHandler::OpenCanvas() {
  markup_ += u"<Canvas RenderTransform=\"" + canvasTransform_ + u"\" Clip=\"M 0,0 L " + width_ + u",0 L " + width_ +
             u"," + height_ + u" L 0," + height_ + u" Z\">";
  canvasOpen_ = true;
}

HRESULT PageRewriteHandler::startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qLength,
                                         ISAXAttributes* attributes) {
  return CallReturningHresult([&] {
    markup_.clear();
    if (tagOpen_) markup_ += u'>';
    tagOpen_ = false;
    const std::u16string_view name = View(qName, qLength);
    const bool root = depth_++ == 0;
    // The page's resources stay its first child; the content after them moves.
    if (depth_ == 2 && !canvasOpen_ && name != u"FixedPage.Resources") OpenCanvas();
    const HRESULT hr = AppendStartTag(markup_, name, attributes, [&](const CopiedAttribute& attribute) {
      if (root && attribute.qName == u"Width") width_ = PlainNumber(attribute.value);
      if (root && attribute.qName == u"Height") height_ = PlainNumber(attribute.value);
      return std::u16string(attribute.value);
    });
    if (FAILED(hr)) return hr;
    tagOpen_ = true;
    return Write(markup_);
  });
}

HRESULT PageRewriteHandler::endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int qLength) {
  return CallReturningHresult([&] {
    markup_.clear();
    const std::u16string_view name = View(qName, qLength);
    // The root's content, if any, ended inside the canvas.
    if (--depth_ == 0 && canvasOpen_) markup_ += u"</Canvas>";
    AppendEndTag(markup_, name, tagOpen_);
    tagOpen_ = false;
    return Write(markup_);
  });
}
