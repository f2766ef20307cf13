// Content that filters write during the job (new parts, replaced page
// markup), kept in memory. The registry remembers every content it made, so
// that stopping the job can fail the ones still being written and no reader
// waits on them for ever.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "host/pipeline/content_source.h"
#include "platform/part_content.h"

namespace kestrel::host {

class WrittenSource final : public ContentSource {
 public:
  explicit WrittenSource(std::shared_ptr<::PartContent> content) : content_(std::move(content)) {}
  HRESULT OpenReader(IPrintReadStream** stream) override { return content_->OpenReader(stream); }

 private:
  std::shared_ptr<::PartContent> content_;
};

class WrittenContentRegistry {
 public:
  // New empty content and its one writer.
  HRESULT Make(std::shared_ptr<ContentSource>& source, ComPtr<IPrintWriteStream>& writer);
  // Fails every content still being written; later Make calls fail too.
  void AbortAll(HRESULT reason);

 private:
  std::mutex mutex_;
  std::vector<std::weak_ptr<::PartContent>> made_;
  HRESULT aborted_ = S_OK;
};

}  // namespace kestrel::host
