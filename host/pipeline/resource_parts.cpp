#include "host/pipeline/resource_parts.h"

namespace kestrel::host {
namespace {

HRESULT SetContentType(BSTR content_type, std::mutex& mutex, std::u16string& target) {
  if (!content_type || SysStringLen(content_type) == 0) return E_INVALIDARG;
  std::lock_guard lock(mutex);
  target.assign(content_type, SysStringLen(content_type));
  return S_OK;
}

HRESULT GetContentType(BSTR* content_type, std::mutex& mutex, const std::u16string& source) {
  if (!content_type) return E_POINTER;
  std::lock_guard lock(mutex);
  return CopyToBstr(source, content_type);
}

}  // namespace

HRESULT FontPart::GetFontProperties(BSTR* contentType, EXpsFontOptions* options) {
  if (!contentType || !options) return E_POINTER;
  if (const HRESULT hr = GetContentType(contentType, mutex_, content_type_); FAILED(hr)) return hr;
  std::lock_guard lock(mutex_);
  *options = options_;
  return S_OK;
}

HRESULT FontPart::SetFontContent(BSTR contentType) { return SetContentType(contentType, mutex_, content_type_); }

HRESULT FontPart::SetFontOptions(EXpsFontOptions options) {
  if (options != Font_Normal && options != Font_Obfusticate) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  options_ = options;
  return S_OK;
}

HRESULT ImagePart::GetImageProperties(BSTR* contentType) { return GetContentType(contentType, mutex_, content_type_); }
HRESULT ImagePart::SetImageContent(BSTR contentType) { return SetContentType(contentType, mutex_, content_type_); }

HRESULT ThumbnailPart::GetThumbnailProperties(BSTR* contentType) {
  return GetContentType(contentType, mutex_, content_type_);
}
HRESULT ThumbnailPart::SetThumbnailContent(BSTR contentType) {
  return SetContentType(contentType, mutex_, content_type_);
}

}  // namespace kestrel::host
