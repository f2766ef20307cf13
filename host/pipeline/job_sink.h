// The end of a chain whose last filter sends XPS parts: writes them as an XPS
// package with the names the filters gave them. The sequence and document
// markup is the package's own while the chain keeps their lists of documents
// and pages; otherwise it is written afresh from what was sent. Parts reached
// from several pages are written once. The package is committed (renamed onto
// the output) only when the whole job succeeded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <string>
#include <vector>

#include "host/package/xps_package_reader.h"
#include "host/package/xps_package_writer.h"
#include "host/package/xps_vocabulary.h"
#include "host/pipeline/job_report.h"
#include "host/pipeline/part_channel.h"
#include "platform/xps_parts.h"

namespace kestrel::host {

struct SinkProgress {
  std::uint32_t documents = 0;
  std::uint32_t pages = 0;
};

class JobSink {
 public:
  using ProgressCallback = std::function<void(const SinkProgress&)>;

  // Throws PackageError when the output cannot be created.
  JobSink(std::shared_ptr<const package::PackageReader> input, const std::filesystem::path& output,
          std::shared_ptr<JobReport> report, ProgressCallback progress = {});

  // Takes parts until the channel ends. S_OK when the channel closed normally
  // and every part was written; the package is not committed yet.
  HRESULT Run(PartChannel& channel);
  // Renames the package onto the output; throws PackageError.
  void Commit();

 private:
  struct DocumentInProgress {
    std::string name;
    bool from_package = false;
    std::vector<std::string> pages;
  };

  void Take(const ComPtr<IUnknown>& part);
  void TakeXpsDocument(IXpsDocument* document);
  void TakeSequence(IFixedDocumentSequence* sequence);
  void TakeDocument(IFixedDocument* document);
  void TakePage(IFixedPage* page);
  void TakeCarried(IUnknown* part);
  void Finish();

  void FinishDocument();
  void FinishSequence();
  // The package's own markup of a structure part, or markup made afresh.
  void WriteStructure(const std::string& name, std::string_view content_type, bool verbatim,
                      const std::string& markup);
  // Writes a part once (by name); false when a part of that name was written.
  bool WritePart(IUnknown* part, const std::string& name);
  // Writes the ticket of a part and adds its relationship to made.
  void WriteTicket(HRESULT found, IPartPrintTicket* ticket, std::vector<package::Relationship>& made);
  void WriteAttachments(IUnknown* part);
  // The relationships of a written part: the package's own where the part is
  // untouched, else the package's other links plus the ticket and resources made.
  void Relate(const std::string& source, bool untouched, std::vector<package::Relationship> made);
  void WriteSignatures();
  bool SignatureHolds(const package::Signature& signature, std::string& broken) const;
  // Adds a relationship now when its source and target are written, else keeps it for the end.
  void AddOrKeep(const std::string& source, const package::Relationship& relationship);
  bool CanAdd(const std::string& source, const package::Relationship& relationship) const;
  std::string ContentTypeOf(IUnknown* part, const std::string& name, package::PartOptions& options) const;
  bool Written(const std::string& name) const;
  bool WrittenUntouched(const std::string& name) const;

  std::shared_ptr<const package::PackageReader> input_;
  const package::XpsVocabulary& vocabulary_;
  std::shared_ptr<JobReport> report_;
  ProgressCallback progress_;
  package::PackageWriter writer_;

  std::optional<std::string> sequence_;
  std::vector<std::string> documents_;
  std::optional<DocumentInProgress> document_;
  SinkProgress count_;
  // Names written (by part name key) and whether the package's bytes went out unchanged.
  std::map<std::string, bool> written_;
  // Sources whose relationships were settled (by key), and relationships
  // waiting for their source or target to be written.
  std::set<std::string> related_;
  std::vector<std::pair<std::string, package::Relationship>> pending_;
  std::optional<std::string> thumbnail_;
  std::vector<ComPtr<IUnknown>> signature_parts_;
  std::vector<char> buffer_;
};

}  // namespace kestrel::host
