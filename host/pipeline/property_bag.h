// The pipeline's property bag: named VARIANTs shared by every filter of a job.
// Filters call it from their own threads, so every access is locked.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/com_object.h"
#include "platform/filter_pipeline.h"

namespace kestrel::host {

class PropertyBag final : public ComObject<IPrintPipelinePropertyBag> {
 public:
  HRESULT AddProperty(LPCWSTR name, const VARIANT* value) override;
  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when the property is absent.
  HRESULT GetProperty(LPCWSTR name, VARIANT* value) override;
  BOOL DeleteProperty(LPCWSTR name) override;

 private:
  std::mutex mutex_;
  std::map<std::u16string, Variant, std::less<>> values_;
};

}  // namespace kestrel::host
