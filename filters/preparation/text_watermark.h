// A text watermark: the item's text in its font, size and colour, centred on
// its position and turned by its angle, half transparent unless the overlay is
// opaque. Outlined, it is nine glyph runs (eight shifted copies in the colour
// around a white one); outlined and transparent, an opaque copy is also drawn
// under the page content.
#pragma once

#include <memory>

#include "font/font_resource.h"
#include "page_decoration.h"
#include "decoration_settings.h"

class TextWatermark final : public PageDecoration {
 public:
  // Selects and measures the font (FontResource::Create's failures); E_INVALIDARG
  // when the options do not describe a text watermark.
  static HRESULT Create(const DecorationSettings& settings, std::unique_ptr<PageDecoration>* watermark);

  // E_PENDING before PrepareResources learnt the font part's URI.
  HRESULT BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox& imageable) override;
  bool DrawsUnderContent() const override;

 private:
  TextWatermark(const DecorationSettings& settings, std::unique_ptr<FontResource> font)
      : options_(settings.watermark), item_(settings.watermarkItem), font_(std::move(font)) {}
  ResourceProvider& Provider() override { return *font_; }
  const IID& PartInterface() const override { return IID_IPartFont; }

  WatermarkOptions options_;
  WatermarkItem item_;
  std::unique_ptr<FontResource> font_;
};
