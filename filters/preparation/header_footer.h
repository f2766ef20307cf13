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

// The composed line and the font it is measured and drawn with: made once and
// shared by the pages whose settings ask for the same line, so the language
// module is loaded and the font file read once for them.
struct HeaderFooterLine {
  DecorationSettings settings;
  std::u16string text;
  std::unique_ptr<FontResource> font;
};

class HeaderFooter final : public PageDecoration {
 public:
  // Takes *shared when it draws the line these settings ask for; otherwise
  // composes the text (once: the markup draws exactly the text measured),
  // selects and measures the font, and leaves the new line in *shared
  // (shared may be NULL). E_INVALIDARG when the settings draw no
  // header/footer; the failure of the text or the font otherwise.
  static HRESULT Create(const DecorationSettings& settings, std::shared_ptr<HeaderFooterLine>* shared,
                        std::unique_ptr<HeaderFooter>* made);

  // E_PENDING before the font part's URI is known.
  HRESULT BuildMarkup(REAL pageWidth, REAL pageHeight, const PageBox& imageable) override;

  const std::u16string& text() const { return line_->text; }

 private:
  explicit HeaderFooter(std::shared_ptr<const HeaderFooterLine> line) : line_(std::move(line)) {}
  ResourceProvider& Provider() override { return *line_->font; }
  const IID& PartInterface() const override { return IID_IPartFont; }

  const std::shared_ptr<const HeaderFooterLine> line_;
};
