// The pipeline's progress object ("ProgressReport" in the property bag): the
// last filter reports each document and page it takes, and the job's progress
// callback hears the counts, as it does from the sink of an XPS chain.
#pragma once

#include <mutex>

#include "host/pipeline/job_sink.h"
#include "platform/com_object.h"
#include "platform/filter_pipeline.h"

namespace kestrel::host {

class ProgressReport final : public ComObject<IPrintPipelineProgressReport> {
 public:
  explicit ProgressReport(JobSink::ProgressCallback callback) : callback_(std::move(callback)) {}
  HRESULT ReportProgress(EXpsJobConsumption update) override;

 private:
  std::mutex mutex_;
  JobSink::ProgressCallback callback_;
  SinkProgress progress_;
};

}  // namespace kestrel::host
