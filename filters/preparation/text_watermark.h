// A text watermark: the item's text in its font, size and colour, centred on
// its position and turned by its angle, half transparent unless the overlay is
// opaque. Outlined, it is nine glyph runs (eight shifted copies in the colour
// around a white one); outlined and transparent, an opaque copy is also drawn
// under the page content.
#pragma once

#include <memory>

#include "font/font_resource.h"
#include "page_decoration.h"
#include "ticket/watermark_settings.h"

class TextWatermark final : public PageDecoration {
 public:
  // Selects and measures the font (FontResource::Create's failures); E_INVALIDARG
  // when the options do not describe a text watermark.
  static HRESULT Create(const WatermarkOptions& options, const WatermarkItem& item,
                        std::unique_ptr<PageDecoration>* watermark);

  // E_PENDING before PrepareResources learnt the font part's URI.
  HRESULT BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox& imageable) override;
  bool DrawsUnderContent() const override;

 private:
  // The font as the part cache sees it.
  class FontPart final : public ResourceProvider {
   public:
    explicit FontPart(const FontResource& font) : font_(font) {}
    HRESULT WritePartContent(IUnknown* part, IPrintWriteStream* stream) override {
      return font_.WritePartContent(part, stream);
    }
    HRESULT GetCacheKey(Bstr* key) override { return font_.GetCacheKey(key); }
    HRESULT GetPartUri(Bstr* uri) override { return font_.GetPartUri(uri); }

   private:
    const FontResource& font_;
  };

  TextWatermark(const WatermarkOptions& options, const WatermarkItem& item, std::unique_ptr<FontResource> font)
      : options_(options), item_(item), font_(std::move(font)), part_(*font_) {}
  ResourceProvider& Provider() override { return part_; }
  const IID& PartInterface() const override { return IID_IPartFont; }

  WatermarkOptions options_;
  WatermarkItem item_;
  std::unique_ptr<FontResource> font_;
  FontPart part_;
};
