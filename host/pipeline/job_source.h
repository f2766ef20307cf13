// The start of the chain: delivers the input package's parts to the first
// filter in pipeline order — the XPS document, the package's own carried
// parts, the fixed document sequence, then each fixed document followed by
// its pages. Part objects are light: their bytes stay in the package until a
// filter asks for a stream.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/package/xps_package_reader.h"
#include "host/pipeline/job_part_maker.h"
#include "host/pipeline/part_channel.h"

namespace kestrel::host {

struct JobTicket {
  std::vector<BYTE> bytes;  // the print ticket that replaces the sequence's
};

class JobSource {
 public:
  JobSource(std::shared_ptr<const package::PackageReader> input, std::shared_ptr<WrittenContentRegistry> written,
            std::shared_ptr<JobReport> report, JobPartMaker& names);

  // The sequence's print ticket becomes this one (a new part under the name
  // of the ticket it replaces, or a new name). Returns the name it replaced,
  // if any.
  std::optional<std::string> ReplaceSequenceTicket(JobTicket ticket);

  // Sends every part, then closes the channel. The first failed send ends it.
  HRESULT Run(PartChannel& channel);

 private:
  ComPtr<IUnknown> PackagePart(const std::string& name);
  ComPtr<IPartPrintTicket> Ticket(const std::optional<std::string>& name);
  ComPtr<IUnknown> XpsDocument();
  ComPtr<IUnknown> Sequence();
  ComPtr<IUnknown> Document(const package::Document& document);
  ComPtr<IUnknown> Page(package::Page page, const std::string& document, std::uint64_t ordinal);
  std::shared_ptr<ContentSource> Content(const std::string& name);

  std::shared_ptr<const package::PackageReader> input_;
  std::shared_ptr<WrittenContentRegistry> written_;
  std::shared_ptr<JobReport> report_;
  JobPartMaker& names_;
  ComPtr<IPartPrintTicket> job_ticket_;
};

}  // namespace kestrel::host
