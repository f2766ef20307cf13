#include "host/pipeline/filter_control.h"

#include "platform/error_info.h"
#include "platform/utf.h"

namespace kestrel::host {

HRESULT Communicator::Hand(const ComPtr<IUnknown>& end, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!end) return E_NOINTERFACE;
  end->AddRef();
  *out = end.Get();
  return S_OK;
}

HRESULT ManagerControl::RequestShutdown(HRESULT reason, IUnknown* errorInfo) {
  // A shutdown without a failure code still stops the job.
  events_.FilterFailed(filter_, SUCCEEDED(reason) ? E_FAIL : reason,
                       Utf16ToUtf8(DescriptionOf(errorInfo)).value_or(std::string()));
  return S_OK;
}

HRESULT ManagerControl::FilterFinished() {
  events_.FilterFinished(filter_);
  return S_OK;
}

}  // namespace kestrel::host
