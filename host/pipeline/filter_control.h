// What the pipeline hands each filter at initialisation besides the property
// bag: its communicator (the ends it reads from and writes to) and its
// manager control (how it reports the end of its work or a failure).
#pragma once

#include <cstddef>
#include <string>

#include "platform/com_object.h"
#include "platform/filter_pipeline.h"

namespace kestrel::host {

// The job, as the filters' manager controls report to it.
class FilterEvents {
 public:
  virtual ~FilterEvents() = default;
  // description: the filter's own words on the failure, when it gave any.
  virtual void FilterFailed(std::size_t filter, HRESULT reason, const std::string& description) = 0;
  virtual void FilterFinished(std::size_t filter) = 0;
};

class Communicator final : public ComObject<IInterFilterCommunicator> {
 public:
  Communicator(ComPtr<IUnknown> reader, ComPtr<IUnknown> writer)
      : reader_(std::move(reader)), writer_(std::move(writer)) {}
  HRESULT RequestReader(void** reader) override { return Hand(reader_, reader); }
  HRESULT RequestWriter(void** writer) override { return Hand(writer_, writer); }

 private:
  static HRESULT Hand(const ComPtr<IUnknown>& end, void** out);

  ComPtr<IUnknown> reader_;
  ComPtr<IUnknown> writer_;
};

class ManagerControl final : public ComObject<IPrintPipelineManagerControl> {
 public:
  // events must outlive every reference to this object.
  ManagerControl(FilterEvents& events, std::size_t filter) : events_(events), filter_(filter) {}
  HRESULT RequestShutdown(HRESULT reason, IUnknown* errorInfo) override;
  HRESULT FilterFinished() override;

 private:
  FilterEvents& events_;
  const std::size_t filter_;
};

}  // namespace kestrel::host
