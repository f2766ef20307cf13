// The preparation filter's page rewriter: the FixedPage gets the paper's size
// (and loses its ContentBox and BleedBox), and its content goes into the
// scaler's canvases together with the decorations, which are placed in the
// incoming page's coordinates and so are scaled and clipped with it.
#pragma once

#include "framework/page_markup_rewriter.h"
#include "scope_settings.h"

class PageRewriter final : public PageMarkupRewriter {
 public:
  // The scope must have a scaler and outlive the rewriter.
  PageRewriter(IPrintWriteStream* stream, const ScopeSettings& scope);

 private:
  void RewritePageAttribute(std::u16string_view name, std::u16string_view value, std::u16string& tag) override;
  void OpenPageContent(std::u16string& markup) override;
  void ClosePageContent(std::u16string& markup) override;

  PageScaler& scaler_;
  PageDecoration* watermark_;
  PageDecoration* headerFooter_;
  PageBox imageable_;
  REAL pageWidth_ = 0;
  REAL pageHeight_ = 0;
  PageBox bleed_;
  PageBox content_;
};
