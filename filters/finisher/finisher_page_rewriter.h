// The finisher's page rewriter: the FixedPage gets the size and boxes of the
// page as the settings make it (exchanged for transverse feeding, the boxes
// mirrored and turned with the content), and its content goes into the
// transform canvas and, for cut-out lines, into a clip canvas inside it, after
// which the marks are drawn, turned with the content but not clipped:
//
//   <FixedPage ...><Canvas RenderTransform=...><Canvas Clip=...>[resources,
//   content]</Canvas><Path .../></Canvas></FixedPage>
#pragma once

#include <optional>

#include "finisher_geometry.h"
#include "finisher_settings.h"
#include "framework/page_markup_rewriter.h"

class FinisherPageRewriter final : public PageMarkupRewriter {
 public:
  // The settings must ask for a rewrite and outlive the rewriter.
  FinisherPageRewriter(IPrintWriteStream* stream, const FinisherSettings& settings);

 private:
  void RewritePageAttribute(std::u16string_view name, std::u16string_view value, std::u16string& tag) override;
  void AppendPageAttributes(std::u16string& tag) override;
  void OpenPageContent(std::u16string& markup) override;
  void ClosePageContent(std::u16string& markup) override;

  void AppendBox(std::u16string& tag, std::u16string_view name, const PageBox& box) const;

  const FinisherSettings& settings_;
  REAL pageWidth_ = 0;
  REAL pageHeight_ = 0;
  std::optional<PageBox> bleed_;
  std::optional<PageBox> content_;
  std::optional<PageTransform> transform_;
};
