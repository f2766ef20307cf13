// Walks a snapshot of a page's resources.
#pragma once

#include "host/pipeline/fixed_page_part.h"

namespace kestrel::host {

class PartIterator final : public ComObject<IXpsPartIterator> {
 public:
  explicit PartIterator(PageResources resources) : resources_(std::move(resources)) {}
  void Reset() override { next_ = 0; }
  HRESULT Current(BSTR* uri, IUnknown** part) override;
  BOOL IsDone() override { return next_ >= resources_.size() ? TRUE : FALSE; }
  void Next() override {
    if (next_ < resources_.size()) ++next_;
  }

 private:
  const PageResources resources_;
  std::size_t next_ = 0;
};

}  // namespace kestrel::host
