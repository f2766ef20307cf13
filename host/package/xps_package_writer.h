// Writes an XPS package part by part as the bytes arrive.
//
//   PackageWriter out("job.xps");
//   auto page = out.BeginPart("/Documents/1/Pages/1.fpage", "application/vnd.ms-package.xps-fixedpage+xml");
//   page->Write(markup.data(), markup.size());  // as often as needed
//   page->Finish();
//   out.AddRelationship("/", {"R1", reltype::kStartPartXps, "/FixedDocumentSequence.fdseq"});
//   out.Commit();  // [Content_Types].xml, relationships parts not finished yet, then the rename
//
// The package is written to a temporary file beside the output and renamed
// onto it by Commit; a writer destroyed without Commit removes it. Parts go to
// the ZIP stream in the order they finish; while one part streams there,
// other open parts spool (in memory up to a bound, then to a temporary file),
// so memory stays bounded whatever the job's size. A source's relationships
// wait until FinishRelationships (or Commit) writes them; for content types
// the writer keeps a count per extension and spools the part names, so a
// large job keeps little more than one short record per part name.
//
// Thread safety: all members may be called from several threads; each
// PartSink by one thread at a time. Errors throw PackageError naming the part.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

#include "host/package/package_model.h"

namespace kestrel::package {

// zlib levels: 0 stores, 1 is fastest, 9 smallest.
inline constexpr int kDefaultCompressionLevel = 6;

struct PartOptions {
  // Stores the font obfuscated, keyed by the GUID in its name: the bytes given
  // are the plain font. Must be set exactly for parts whose content type is the
  // obfuscated font type or whose name ends in ".odttf", and the name must hold a GUID.
  bool obfuscate = false;
  // Overrides the writer's level for this part (e.g. 0 for JPEG data).
  int compression_level = -1;
};

class PartSink {
 public:
  virtual ~PartSink() = default;
  virtual void Write(const void* data, std::size_t size) = 0;
  // Ends the part; a sink destroyed without Finish leaves the part out of the package.
  virtual void Finish() = 0;
};

class PackageWriter {
 public:
  explicit PackageWriter(const std::filesystem::path& output, int compression_level = kDefaultCompressionLevel);
  ~PackageWriter();
  PackageWriter(const PackageWriter&) = delete;
  PackageWriter& operator=(const PackageWriter&) = delete;

  // Rejects an invalid part name, a name a part of this package already has
  // (as part names compare), a relationships part name, and obfuscation that
  // does not match the name and content type (see PartOptions).
  std::unique_ptr<PartSink> BeginPart(std::string_view name, std::string_view content_type,
                                      const PartOptions& options = {});
  // source is a part name or "/" for the package; an internal target is an
  // absolute part name. An empty id gets a fresh one ("R1", "R2", ...).
  // Refused once the source's relationships part was written.
  void AddRelationship(std::string_view source, const Relationship& relationship);
  // The source part's relationships are complete: their part is written now
  // rather than at Commit. The source and every internal target must be
  // finished parts. Nothing is written for a source without relationships,
  // but none may be added later either.
  void FinishRelationships(std::string_view source);
  // Whether a part of this name was begun and not given up.
  bool HasPart(std::string_view name) const;
  // Fails when a part is still open or a relationship's internal target is
  // not a part of the package; the output is then left untouched.
  void Commit();

  class State;  // the implementation, shared with the sinks

 private:
  std::unique_ptr<State> state_;
};

}  // namespace kestrel::package
