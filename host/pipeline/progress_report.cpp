#include "host/pipeline/progress_report.h"

namespace kestrel::host {

HRESULT ProgressReport::ReportProgress(EXpsJobConsumption update) {
  std::lock_guard lock(mutex_);
  switch (update) {
    case XpsJob_DocumentSequenceAdded: break;
    case XpsJob_FixedDocumentAdded: ++progress_.documents; break;
    case XpsJob_FixedPageAdded: ++progress_.pages; break;
    default: return E_INVALIDARG;
  }
  if (callback_) callback_(progress_);
  return S_OK;
}

}  // namespace kestrel::host
