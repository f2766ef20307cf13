// The header/footer decoration: one line of text (see header_footer_text.h)
// at the top or bottom of the printable area, left, centred on the page or
// right, drawn glyph by glyph at the advances measured for its font, with an
// optional background box, underline and strike-out as wide as the line.
#pragma once

#include <memory>
#include <string>

#include "decoration_settings.h"
#include "filters/preparation/font/font_resource.h"
#include "page_decoration.h"

class HeaderFooter final : public PageDecoration {
 public:
  // Composes the text once (the markup draws exactly the text measured) and
  // selects and measures the font. E_INVALIDARG when the settings draw no
  // header/footer; the failure of the text or the font otherwise.
  static HRESULT Create(const DecorationSettings& settings, std::unique_ptr<HeaderFooter>* made);

  // E_PENDING before the font part's URI is known.
  HRESULT BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox& imageable) override;

  const std::u16string& text() const { return text_; }

 private:
  HeaderFooter(const DecorationSettings& settings, std::u16string text, std::unique_ptr<FontResource> font);
  ResourceProvider& Provider() override { return *font_; }
  const IID& PartInterface() const override { return IID_IPartFont; }

  const DecorationSettings settings_;
  const std::u16string text_;
  const std::unique_ptr<FontResource> font_;
};
