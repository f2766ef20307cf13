// The font of a text decoration (a watermark, a header or footer): chosen by
// face name, the text measured with it at its size and style, and the regular
// face's file (taken out of its collection when it lives in one) handed to
// the job as an obfuscated font part named by a fresh GUID. One part is made
// per face name for the whole job, so the cache key is the face name alone.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "font_file_tables.h"
#include "framework/resource_provider.h"
#include "platform/bstr.h"
#include "platform/gdi_font.h"
#include "platform/guid.h"
#include "platform/print_stream.h"
#include "platform/unknown.h"

struct FontRequest {
  std::u16string faceName;  // under 32 characters; a leading '@' is the vertical form
  int pointSize = 11;
  bool bold = false;
  bool italic = false;
  BYTE charSet = DEFAULT_CHARSET;
  std::u16string text;
};

inline constexpr char16_t kObfuscatedFontContentType[] = u"application/vnd.ms-package.obfuscated-opentype";

class FontResource final : public ResourceProvider {
 public:
  // Selects the font, measures the text and loads the font file. E_INVALIDARG
  // for a face name of 32 characters or more or an unusable size; E_FAIL when
  // the face's collection has no face of that full name; the platform's error
  // when the font cannot be made or read.
  static HRESULT Create(const FontRequest& request, std::unique_ptr<FontResource>* resource);
  ~FontResource() override;
  FontResource(const FontResource&) = delete;
  FontResource& operator=(const FontResource&) = delete;

  // The part's bytes (the plain font file; the package stores them obfuscated)
  // with its content type and the obfuscation option. E_POINTER for NULL
  // arguments, E_NOINTERFACE for a part that is not a font. A part that cannot
  // be marked obfuscated fails before its content type claims it is.
  HRESULT WritePartContent(IUnknown* part, IPrintWriteStream* stream) override;
  HRESULT GetCacheKey(Bstr* key) override;
  // "/<GUID>.odttf", the GUID upper-case without braces.
  HRESULT GetPartUri(Bstr* uri) override;

  SIZE TextExtent() const { return extent_; }
  // One advance per code point of the text (a surrogate pair counts once).
  std::span<const LONG> Advances() const { return advances_; }
  LONG Ascent() const { return metrics_.tmAscent; }
  LONG Descent() const { return metrics_.tmDescent; }
  const FontLineMetrics& LineMetrics() const { return lineMetrics_; }
  std::span<const BYTE> FontData() const { return fontData_; }
  // For code points above U+FFFF: the glyph in the font's format-12 cmap.
  std::optional<std::uint32_t> FindGlyphIndex(char32_t codePoint) const;

 private:
  FontResource() = default;
  HRESULT SelectFont(const FontRequest& request, LONG weight, bool italic);
  HRESULT Measure(std::u16string_view text);
  HRESULT LoadFontData();

  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
  std::u16string key_;
  GUID partGuid_{};
  SIZE extent_{};
  std::vector<LONG> advances_;
  TEXTMETRICW metrics_{};
  std::vector<BYTE> fontData_;
  FontLineMetrics lineMetrics_;
};
