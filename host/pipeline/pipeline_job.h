// One print job: the input package's parts through a chain of filters to the
// output. Each filter runs StartOperation on its own thread; consecutive
// filters are joined by bounded part channels, the first fed by the job's
// source, the last drained by the sink (an XPS package) or, when the last
// filter writes printer data, by a byte stream into the output file.
//
// The first failure stops the whole job: ShutdownOperation to the other
// filters, every channel and every part still being written aborted, so no
// thread stays blocked. The output exists only when the job succeeded.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/pipeline/driver_printer.h"
#include "host/pipeline/filter_control.h"
#include "host/pipeline/job_properties.h"
#include "host/pipeline/job_report.h"
#include "host/pipeline/job_sink.h"
#include "host/pipeline/pipeline_config.h"

namespace kestrel::host {

struct JobOptions {
  std::vector<FilterEntry> filters;              // in chain order
  std::vector<ConfiguredProperty> properties;    // into the property bag
  std::filesystem::path library_directory;       // where the filter libraries are
  std::filesystem::path input;
  std::filesystem::path output;
  // Printer data straight into this descriptor instead of the output file
  // (a chain ending in printer data only); -1: the output file.
  int output_descriptor = -1;
  std::vector<BYTE> user_ticket;
  std::optional<std::vector<BYTE>> job_ticket;   // replaces the sequence's ticket
  bool job_ticket_extends_sequence = false;      // made from the sequence's own ticket: no warning
  JobIdentity identity;
  // Registered with the print ticket provider before the filters start; its
  // name then replaces identity.printer_name.
  std::optional<DriverPrinter> printer;
  std::size_t channel_capacity = 8;              // parts queued between two filters
  JobSink::ProgressCallback progress;
};

struct JobResult {
  bool succeeded = false;
  std::string failure;                // one line: what failed, naming the part or filter
  HRESULT hr = S_OK;
  std::vector<std::string> notices;   // warnings and notes, one line each
  // Requests the filters sent to the asynchronous print UI (also when the job
  // failed: the caller must not run those, but may say what they held).
  std::vector<std::u16string> print_ui_requests;
};

class PipelineJob final : public FilterEvents {
 public:
  explicit PipelineJob(JobOptions options);
  ~PipelineJob() override;

  // Runs the job to its end; call once.
  JobResult Run();
  // Stops the job from any thread (a signal): it fails with ERROR_CANCELLED.
  void Cancel(const std::string& why);

  void FilterFailed(std::size_t filter, HRESULT reason, const std::string& description) override;
  void FilterFinished(std::size_t filter) override;

 private:
  struct Failure {
    std::string what;
    HRESULT hr;
    std::optional<std::size_t> filter;
  };
  struct Wiring;

  void Build(Wiring& wiring);
  void RunThreads(Wiring& wiring);
  void Conclude(Wiring& wiring);
  JobResult Result() const;
  void Fail(Failure failure);
  void Stop(std::optional<std::size_t> failed_filter);

  const JobOptions options_;
  std::shared_ptr<JobReport> report_ = std::make_shared<JobReport>();
  mutable std::mutex failure_mutex_;
  std::optional<Failure> failure_;
  std::atomic<bool> stopping_{false};
  std::vector<std::u16string> print_ui_requests_;
  std::mutex wiring_mutex_;
  Wiring* wiring_ = nullptr;  // while the job's threads run
};

}  // namespace kestrel::host
