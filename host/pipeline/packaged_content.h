// Part content read from the input package, opened only when a filter (or the
// output) asks for a stream.
#pragma once

#include <memory>
#include <string>

#include "host/package/xps_package_reader.h"
#include "host/pipeline/job_report.h"
#include "host/pipeline/content_source.h"

namespace kestrel::host {

class PackagedContent final : public ContentSource {
 public:
  PackagedContent(std::shared_ptr<const package::PackageReader> reader, std::string name,
                 std::shared_ptr<JobReport> report)
      : reader_(std::move(reader)), name_(std::move(name)), report_(std::move(report)) {}
  HRESULT OpenReader(IPrintReadStream** stream) override;

 private:
  std::shared_ptr<const package::PackageReader> reader_;
  const std::string name_;
  std::shared_ptr<JobReport> report_;
};

}  // namespace kestrel::host
