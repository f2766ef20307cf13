// One filter of the chain, loaded from its library through the platform
// loader: LoadLibraryW of the configured name, GetProcAddress of
// DllGetClassObject, and the filter object it makes for the configured class.
#pragma once

#include "host/pipeline/pipeline_config.h"
#include "platform/filter_pipeline.h"

namespace kestrel::host {

class FilterLibrary {
 public:
  // Throws HostError naming the filter and what failed.
  explicit FilterLibrary(const FilterEntry& entry);
  ~FilterLibrary();
  FilterLibrary(const FilterLibrary&) = delete;
  FilterLibrary& operator=(const FilterLibrary&) = delete;

  const FilterEntry& Entry() const { return entry_; }
  IPrintPipelineFilter* Filter() const { return filter_.Get(); }
  // Drops the filter object; the library stays loaded until destruction.
  void ReleaseFilter() { filter_ = nullptr; }

 private:
  FilterEntry entry_;
  HMODULE module_ = nullptr;
  ComPtr<IPrintPipelineFilter> filter_;
};

}  // namespace kestrel::host
