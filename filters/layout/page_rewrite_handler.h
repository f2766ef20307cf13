// Rewrites a page in its own part with its content shifted as a whole: the
// FixedPage and every element keep their attributes (values escaped), and the
// content after FixedPage.Resources goes into one canvas with the shift,
// clipped to the page.
#pragma once

#include <string>
#include <string_view>

#include "framework/markup_handler_base.h"

class PageRewriteHandler final : public MarkupHandlerBase {
 public:
  // canvasTransform: the transform text of the shift.
  PageRewriteHandler(IPrintWriteStream* stream, std::u16string canvasTransform);

  HRESULT startDocument() override;
  HRESULT startElement(const WCHAR* uri, int uriLength, const WCHAR* localName, int localLength, const WCHAR* qName,
                       int qLength, ISAXAttributes* attributes) override;
  HRESULT endElement(const WCHAR* uri, int uriLength, const WCHAR* localName, int localLength, const WCHAR* qName,
                     int qLength) override;

 private:
  void OpenCanvas();

  std::u16string canvasTransform_;
  std::u16string width_ = u"0";
  std::u16string height_ = u"0";
  bool tagOpen_ = false;
  bool canvasOpen_ = false;
  int depth_ = 0;
  std::u16string markup_;
};
