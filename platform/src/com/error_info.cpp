#include "platform/error_info.h"

#include <new>
#include <string>

#include "platform/checked_int.h"
#include "platform/com_object.h"

namespace {

class ErrorInfo final : public ComObject<IErrorInfo> {
 public:
  explicit ErrorInfo(std::u16string_view description) : description_(description) {}
  HRESULT GetDescription(BSTR* description) override {
    if (!description) return E_POINTER;
    const std::optional<UINT> length = TryIntCast<UINT>(description_.size());
    if (!length) return E_OUTOFMEMORY;
    *description = SysAllocStringLen(description_.data(), *length);
    return *description ? S_OK : E_OUTOFMEMORY;
  }

 private:
  const std::u16string description_;
};

}  // namespace

ComPtr<IErrorInfo> CreateErrorInfo(std::u16string_view description) {
  try {
    return MakeComObject<ErrorInfo, IErrorInfo>(description);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::u16string DescriptionOf(IUnknown* errorInfo) {
  if (!errorInfo) return {};
  ComPtr<IErrorInfo> info;
  if (FAILED(errorInfo->QueryInterface(IID_IErrorInfo, info.PutVoid())) || !info) return {};
  BSTR text = nullptr;
  if (FAILED(info->GetDescription(&text)) || !text) return {};
  std::u16string description(text, SysStringLen(text));
  SysFreeString(text);
  return description;
}
