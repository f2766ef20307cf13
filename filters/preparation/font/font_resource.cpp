#include "font_resource.h"

#include "platform/checked_int.h"
#include "platform/com.h"
#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/write_in_pieces.h"
#include "platform/xps_parts.h"

namespace {

constexpr std::size_t kWritePiece = 65536;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT FontResource::Create(const FontRequest& request, std::unique_ptr<FontResource>* resource) {
  if (!resource) return E_POINTER;
  resource->reset();
  if (request.faceName.size() >= LF_FACESIZE) return E_INVALIDARG;
  std::unique_ptr<FontResource> made(new FontResource);
  made->dc_ = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
  if (!made->dc_) return LastErrorResult();
  if (const HRESULT hr = CoCreateGuid(&made->partGuid_); FAILED(hr)) return hr;
  made->key_ = request.faceName;
  if (HRESULT hr = made->SelectFont(request, request.bold ? FW_BOLD : FW_NORMAL, request.italic); FAILED(hr))
    return hr;
  if (HRESULT hr = made->Measure(request.text); FAILED(hr)) return hr;
  // The part always holds the regular face: bold and italic are simulated by
  // the glyph runs, while the measurements above come from the styled face.
  if (HRESULT hr = made->SelectFont(request, FW_NORMAL, false); FAILED(hr)) return hr;
  if (HRESULT hr = made->LoadFontData(); FAILED(hr)) return hr;
  *resource = std::move(made);
  return S_OK;
}

FontResource::~FontResource() {
  if (font_) {
    SelectObject(dc_, replaced_);
    DeleteObject(font_);
  }
  if (dc_) DeleteDC(dc_);
}

HRESULT FontResource::SelectFont(const FontRequest& request, LONG weight, bool italic) {
  const int pixels = MulDiv(request.pointSize, GetDeviceCaps(dc_, LOGPIXELSY), 72);
  // MulDiv answers -1 on overflow: an absurd size is refused, not wrapped.
  if (request.pointSize <= 0 || pixels <= 0) return E_INVALIDARG;
  LOGFONTW lf{};
  lf.lfHeight = -pixels;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfCharSet = request.charSet;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  lf.lfQuality = CLEARTYPE_QUALITY;
  request.faceName.copy(lf.lfFaceName, LF_FACESIZE - 1);

  if (font_) {
    SelectObject(dc_, replaced_);
    DeleteObject(font_);
    font_ = nullptr;
  }
  HFONT font = CreateFontIndirectW(&lf);
  if (!font) return LastErrorResult();
  HGDIOBJ replaced = SelectObject(dc_, font);
  if (!replaced) {
    const HRESULT hr = LastErrorResult();
    DeleteObject(font);
    return hr;
  }
  font_ = font;
  replaced_ = replaced;
  return S_OK;
}

HRESULT FontResource::Measure(std::u16string_view text) {
  advances_.clear();
  advances_.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A pair is measured as one code point; a high surrogate that ends the
    // text is measured alone, never together with what lies past the end.
    const int units = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
    SIZE size{};
    if (!GetTextExtentPoint32W(dc_, text.data() + i, units, &size)) return LastErrorResult();
    advances_.push_back(size.cx);
    i += static_cast<std::size_t>(units - 1);
  }
  const std::optional<int> length = TryIntCast<int>(text.size());
  if (!length) return E_INVALIDARG;
  if (!GetTextExtentPoint32W(dc_, text.data(), *length, &extent_)) return LastErrorResult();
  if (!GetTextMetricsW(dc_, &metrics_)) return LastErrorResult();
  return S_OK;
}

HRESULT FontResource::LoadFontData() {
  const DWORD collectionSize = GetFontData(dc_, kFontDataCollection, 0, nullptr, 0);
  if (collectionSize != GDI_ERROR && collectionSize != 0) {
    std::vector<BYTE> collection(collectionSize);
    if (GetFontData(dc_, kFontDataCollection, 0, collection.data(), collectionSize) != collectionSize)
      return LastErrorResult();
    std::u16string_view fullName = key_;
    if (!fullName.empty() && fullName.front() == u'@') fullName.remove_prefix(1);
    std::optional<std::vector<BYTE>> face = ExtractCollectionFace(collection, fullName);
    if (!face) return E_FAIL;
    fontData_ = std::move(*face);
  } else {
    const DWORD size = GetFontData(dc_, 0, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0) return LastErrorResult();
    fontData_.resize(size);
    if (GetFontData(dc_, 0, 0, fontData_.data(), size) != size) return LastErrorResult();
  }
  lineMetrics_ = ReadLineMetrics(fontData_);
  return S_OK;
}

std::optional<std::uint32_t> FontResource::FindGlyphIndex(char32_t codePoint) const {
  if (fontData_.empty()) return std::nullopt;
  return FindFormat12Glyph(fontData_, codePoint);
}

HRESULT FontResource::GetCacheKey(Bstr* key) {
  if (!key) return E_POINTER;
  *key = Bstr(key_);
  return S_OK;
}

HRESULT FontResource::GetPartUri(Bstr* uri) {
  if (!uri) return E_POINTER;
  const std::string braced = FormatGuid(partGuid_);
  std::u16string name = u"/";
  for (const char c : braced.substr(1, braced.size() - 2)) name.push_back(static_cast<char16_t>(c));
  name += u".odttf";
  *uri = Bstr(name);
  return S_OK;
}

HRESULT FontResource::WritePartContent(IUnknown* part, IPrintWriteStream* stream) {
  if (!part || !stream || fontData_.empty()) return E_POINTER;
  ComPtr<IPartFont> font;
  if (FAILED(part->QueryInterface(IID_IPartFont, font.PutVoid())) || !font) return E_NOINTERFACE;
  // The option first: a part that cannot be stored obfuscated must not carry
  // the obfuscated content type over plain bytes.
  if (const HRESULT hr = font->SetFontOptions(Font_Obfusticate); FAILED(hr)) return hr;
  const Bstr contentType(kObfuscatedFontContentType);
  if (const HRESULT hr = font->SetFontContent(contentType.Get()); FAILED(hr)) return hr;
  return WriteInPieces(
      [stream](const BYTE* bytes, ULONG count, ULONG* taken) { return stream->WriteBytes(bytes, count, taken); },
      fontData_.data(), fontData_.size(), kWritePiece, nullptr);
}
