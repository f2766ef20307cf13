#include "framework/page_markup_rewriter.h"

#include "platform/xml_escape.h"
#include "ticket/hresult_error.h"

namespace {

constexpr std::u16string_view kFixedPage = u"FixedPage";
constexpr std::u16string_view kPageResources = u"FixedPage.Resources";
constexpr std::u16string_view kCanvasResources = u"Canvas.Resources";

std::u16string_view View(const WCHAR* text, int length) {
  return text && length > 0 ? std::u16string_view(text, static_cast<std::size_t>(length)) : std::u16string_view();
}

}  // namespace

void PageMarkupRewriter::AppendAttribute(std::u16string& tag, std::u16string_view name, std::u16string_view value) {
  tag += u' ';
  tag += name;
  tag += u"=\"";
  AppendEscapedXml(tag, value);
  tag += u'"';
}

HRESULT PageMarkupRewriter::startDocument() { return Write(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"); }

HRESULT PageMarkupRewriter::startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int cchQName,
                                         ISAXAttributes* attributes) {
  return CallReturningHresult([&] {
    StartElement(View(qName, cchQName), attributes);
    return Write(markup_);
  });
}

HRESULT PageMarkupRewriter::endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR* qName, int cchQName) {
  return CallReturningHresult([&] {
    EndElement(View(qName, cchQName));
    return Write(markup_);
  });
}

void PageMarkupRewriter::StartElement(std::u16string_view name, ISAXAttributes* attributes) {
  markup_.clear();
  if (startTagOpen_) markup_ += u'>';
  if (name == kPageResources) {
    name = kCanvasResources;
    // One canvas, closed at the page's end: a misplaced second resources
    // element is only renamed, or its canvas would never be closed.
    if (resourcesCanvas_ == ResourcesCanvas::kOwnCanvas && !resourcesWrapped_) {
      markup_ += u"<Canvas>";
      resourcesWrapped_ = true;
    }
  }
  markup_ += u'<';
  markup_ += name;
  startTagOpen_ = true;
  const bool page = name == kFixedPage;
  int count = 0;
  if (attributes && SUCCEEDED(attributes->getLength(&count))) {
    for (int i = 0; i < count; ++i) {
      const WCHAR* qualified = nullptr;
      int qualifiedLength = 0;
      const WCHAR* value = nullptr;
      int valueLength = 0;
      if (FAILED(attributes->getQName(i, &qualified, &qualifiedLength)) ||
          FAILED(attributes->getValue(i, &value, &valueLength)))
        continue;
      if (page)
        RewritePageAttribute(View(qualified, qualifiedLength), View(value, valueLength), markup_);
      else
        AppendAttribute(markup_, View(qualified, qualifiedLength), View(value, valueLength));
    }
  }
  if (page) {
    AppendPageAttributes(markup_);
    markup_ += u'>';
    startTagOpen_ = false;
    OpenPageContent(markup_);
  }
}

void PageMarkupRewriter::EndElement(std::u16string_view name) {
  markup_.clear();
  if (name == kPageResources) name = kCanvasResources;
  if (name == kFixedPage) {
    if (resourcesWrapped_) markup_ += u"</Canvas>";
    ClosePageContent(markup_);
    markup_ += u"</FixedPage>\n";
  } else if (startTagOpen_) {
    markup_ += u"/>";
  } else {
    markup_ += u"</";
    markup_ += name;
    markup_ += u'>';
  }
  startTagOpen_ = false;
}
