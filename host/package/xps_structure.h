// The document structure of a package: start part, sequence, documents,
// pages with their tickets, resources and attachments, signatures and the
// parts of their own.
//
// At Open, BuildXpsStructure visits every part of the structure once: it is
// checked, and its role (PartKind) is recorded in the directory, so that the
// parts no relationship reaches are known; pages are counted, not kept.
// Afterwards OpenPageCursor reads one document's pages again, the same way
// but without checking what Open checked, one page at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/package/package_model.h"
#include "host/package/part_directory.h"
#include "host/package/xps_package_reader.h"

namespace kestrel::package {

// What reading the structure needs of the package reader.
class StructureAccess {
 public:
  virtual const PartDirectory& Directory() const = 0;
  // A part read whole (sequence, document and signature markup).
  virtual std::string ReadWhole(std::size_t entry) const = 0;
  virtual std::unique_ptr<PartReader> OpenEntry(std::size_t entry) const = 0;
  // A part's relationships, those to missing extras dropped.
  virtual std::vector<Relationship> RelationshipsOf(std::string_view source) const = 0;

 protected:
  ~StructureAccess() = default;
};

// A relationship whose internal target is missing, found while reading the
// relationships parts; kept only when printing needs it (an error when it is
// reached), else dropped with a warning.
struct DanglingRelationship {
  std::string source;  // "/" for the package
  Relationship relationship;
};

// Throws PackageError naming the part for what a print path cannot print.
// dangling: in the order its warnings are to be given.
void BuildXpsStructure(Package& package, PartDirectory& directory, const StructureAccess& access,
                       const ReaderLimits& limits, const std::vector<std::size_t>& order,
                       const std::vector<DanglingRelationship>& dangling);

// Whether a relationship of this type is kept when its target is missing (to be reported where it is reached).
bool IsEssentialRelationship(const std::string& type, Flavour flavour);

// The pages of a document of the package the structure was built for. The
// cursor uses access for as long as it lives.
std::unique_ptr<PageCursor> OpenPageCursor(const StructureAccess& access, Flavour flavour, const Document& document);

// The part names a signature's manifest references.
std::vector<std::string> SignedPartsOf(const std::string& markup, const std::string& signature);

}  // namespace kestrel::package
