#include "host/pipeline/document_parts.h"

namespace kestrel::host {

HRESULT XpsDocumentPart::GetThumbnail(IPartThumbnail** thumbnail) {
  if (!thumbnail) return E_POINTER;
  std::lock_guard lock(mutex_);
  *thumbnail = nullptr;
  if (!thumbnail_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  return thumbnail_.CopyTo(thumbnail);
}

HRESULT XpsDocumentPart::SetThumbnail(IPartThumbnail* thumbnail) {
  std::lock_guard lock(mutex_);
  thumbnail_ = ComPtr<IPartThumbnail>(thumbnail);
  return S_OK;
}

}  // namespace kestrel::host
