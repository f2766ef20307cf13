// Makes the new, empty parts filters ask for with GetNewEmptyPart. Names are
// unique in the job: a name the input package or an earlier new part already
// has is refused.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <variant>

#include "host/package/part_name_table.h"
#include "host/package/xps_package_reader.h"
#include "host/pipeline/job_report.h"
#include "host/pipeline/pipeline_ends.h"
#include "host/pipeline/written_content.h"

namespace kestrel::host {

// The refusal of a name already in use.
inline constexpr HRESULT kPartNameInUse = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);

class JobPartMaker final : public EmptyPartMaker {
 public:
  JobPartMaker(std::shared_ptr<const package::PackageReader> input, std::shared_ptr<WrittenContentRegistry> written,
               std::shared_ptr<JobReport> report)
      : input_(std::move(input)), written_(std::move(written)), report_(std::move(report)) {}

  // riid: IFixedPage, IFixedDocument, IPartPrintTicket, IPartFont, IPartImage,
  // IPartColorProfile, IPartResourceDictionary or IPartThumbnail.
  HRESULT MakeEmptyPart(LPCWSTR uri, REFIID riid, void** part, IPrintWriteStream** stream) override;
  // Reserves a name for a part the host itself adds (false when taken).
  bool Reserve(const std::string& name);

 private:
  ComPtr<IUnknown> MakeOfKind(std::u16string uri, const std::string& name, REFIID riid,
                              std::shared_ptr<ContentSource> content);

  std::shared_ptr<const package::PackageReader> input_;
  std::shared_ptr<WrittenContentRegistry> written_;
  std::shared_ptr<JobReport> report_;
  std::mutex mutex_;
  package::PartNameTable<std::monostate> made_;  // names of the new parts
};

// The content type a new image or thumbnail gets from its name's extension.
std::u16string ImageContentTypeFor(const std::string& name);

}  // namespace kestrel::host
