#include "host/pipeline/written_content.h"

#include <algorithm>

namespace kestrel::host {

HRESULT WrittenContentRegistry::Make(std::shared_ptr<ContentSource>& source, ComPtr<IPrintWriteStream>& writer) {
  try {
    std::shared_ptr<::PartContent> content = CreatePartContent();
    if (!content) return E_OUTOFMEMORY;
    std::lock_guard lock(mutex_);
    if (FAILED(aborted_)) return aborted_;
    if (const HRESULT hr = content->OpenWriter(writer.Put()); FAILED(hr)) return hr;
    // Forget contents that are gone or finished, so the list stays as short
    // as the number of parts in flight.
    std::erase_if(made_, [](const std::weak_ptr<::PartContent>& weak) {
      const std::shared_ptr<::PartContent> alive = weak.lock();
      return !alive || alive->IsComplete();
    });
    made_.push_back(content);
    source = std::make_shared<WrittenSource>(std::move(content));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void WrittenContentRegistry::AbortAll(HRESULT reason) {
  std::vector<std::shared_ptr<::PartContent>> alive;
  {
    std::lock_guard lock(mutex_);
    aborted_ = reason;
    for (const std::weak_ptr<::PartContent>& weak : made_)
      if (std::shared_ptr<::PartContent> content = weak.lock()) alive.push_back(std::move(content));
    made_.clear();
  }
  for (const std::shared_ptr<::PartContent>& content : alive) content->Abort(reason);
}

}  // namespace kestrel::host
