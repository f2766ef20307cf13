// The end of a chain whose last filter sends XPS parts: writes them as an XPS
// package with the names the filters gave them. The sequence and document
// markup is the package's own while the chain keeps their lists of documents
// and pages; otherwise it is written afresh from what was sent. Parts reached
// from several pages are written once. The package is committed (renamed onto
// the output) only when the whole job succeeded.
//
// What the sink keeps does not grow with the pages: a page's relationships
// go to the writer, which writes them out, as soon as the page is written;
// the markup a document may need afresh waits in a spool; the names written
// are the writer's, and the sink notes only those the chain changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <string>
#include <variant>
#include <vector>

#include "host/package/part_name_table.h"
#include "host/package/part_spool.h"
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
    DocumentInProgress(std::string document, const package::Document* model, const std::filesystem::path& folder);
    std::string name;
    const package::Document* original;  // the input package's document of this name, if any
    std::uint64_t pages = 0;
    bool in_order = true;  // so far, each page is the original's page of that place
    package::PartSpool markup;  // the PageContent elements, should the markup be made afresh
  };

  void Take(const ComPtr<IUnknown>& part);
  void TakeXpsDocument(IXpsDocument* document);
  void TakeSequence(IFixedDocumentSequence* sequence);
  void TakeDocument(IFixedDocument* document);
  void TakePage(IFixedPage* page);
  void TakeCarried(IUnknown* part);
  void Finish();
  void ListPage(IFixedPage* page, const std::string& name);

  void FinishDocument();
  void FinishSequence();
  // The package's own markup of a structure part, or markup made afresh.
  void WriteStructure(const std::string& name, std::string_view content_type, bool verbatim,
                      const std::function<void(package::PartSink&)>& write_markup);
  // Writes a part once (by name); false when a part of that name was written.
  bool WritePart(IUnknown* part, const std::string& name);
  // Writes the ticket of a part and adds its relationship to made.
  void WriteTicket(HRESULT found, IPartPrintTicket* ticket, std::vector<package::Relationship>& made);
  void WriteAttachments(IUnknown* part);
  // The relationships of a written part: the package's own where the part is
  // untouched, else the package's other links plus the ticket and resources made.
  // Written out at once when none has to wait for its target. as_read: the
  // package's relationships of the source when known already.
  void Relate(const std::string& source, bool untouched, std::vector<package::Relationship> made,
              const std::vector<package::Relationship>* as_read = nullptr);
  void WriteSignatures();
  bool SignatureHolds(const std::vector<std::string>& signed_parts, std::string& broken) const;
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
  const std::filesystem::path folder_;  // of the output, for spools
  package::PackageWriter writer_;

  std::optional<std::string> sequence_;
  std::vector<std::string> documents_;
  std::set<std::string> related_documents_;  // by key: documents whose relationships were settled
  std::optional<DocumentInProgress> document_;
  SinkProgress count_;
  // The parts written whose bytes or links the chain changed (the writer knows every name written).
  package::PartNameTable<std::monostate> touched_;
  // Relationships waiting for their source or target to be written.
  std::vector<std::pair<std::string, package::Relationship>> pending_;
  std::optional<std::string> thumbnail_;
  std::vector<ComPtr<IUnknown>> signature_parts_;
  std::vector<char> buffer_;
};

}  // namespace kestrel::host
