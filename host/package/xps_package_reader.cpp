#include "host/package/xps_package_reader.h"

#include <algorithm>

#include "host/package/content_types.h"
#include "host/package/font_obfuscation.h"
#include "host/package/package_error.h"
#include "host/package/part_directory.h"
#include "host/package/part_name.h"
#include "host/package/relationships.h"
#include "host/package/stored_part_reader.h"
#include "host/package/xps_structure.h"
#include "host/package/xps_vocabulary.h"

namespace kestrel::package {
namespace {

class ZipPackageReader final : public PackageReader, private StructureAccess {
 public:
  ZipPackageReader(const std::filesystem::path& path, const ReaderLimits& limits)
      : limits_(limits), archive_(ZipArchive::Open(path)), directory_(*archive_, limits_, path.string()) {
    const std::vector<std::size_t> order = directory_.SortedEntries();
    directory_.CheckNoPartIsAFolder(order);
    if (!directory_.ContentTypesPart()) throw PackageError(path.string(), "no [Content_Types].xml: not a package");
    const ContentTypes types = ContentTypes::Parse(ReadStored(*directory_.ContentTypesPart(), {}));
    directory_.AssignContentTypes(types, order);
    const std::vector<DanglingRelationship> dangling = ReadAllRelationships(order);
    BuildXpsStructure(model_, directory_, *this, limits_, order, dangling);
  }

  const Package& Model() const override { return model_; }

  std::optional<Part> Find(std::string_view name) const override {
    const std::optional<std::size_t> entry = FindPart(name);
    if (!entry) return std::nullopt;
    return directory_.Describe(*entry);
  }

  void ForEachPart(const std::function<void(const Part&)>& visit) const override {
    for (std::size_t entry = 0; entry < directory_.Size(); ++entry)
      if (!directory_.IsRelationshipsPart(entry)) visit(directory_.Describe(entry));
  }

  std::unique_ptr<PartReader> OpenPart(std::string_view name) const override {
    const std::optional<std::size_t> entry = FindPart(name);
    if (!entry) throw PackageError(std::string(name), "no such part in the package");
    return OpenEntry(*entry);
  }

  std::vector<Relationship> Relationships(std::string_view source) const override {
    if (source == "/") return model_.package_relationships;
    return RelationshipsOf(source);
  }

  std::unique_ptr<PageCursor> Pages(const Document& document) const override {
    return OpenPageCursor(*this, model_.flavour, document);
  }

  std::vector<std::string> SignedParts(const Signature& signature) const override {
    if (!signature.readable) return {};
    const std::optional<std::size_t> entry = FindPart(signature.name);
    if (!entry) throw PackageError(signature.name, "no such part in the package");
    return SignedPartsOf(ReadWhole(*entry), signature.name);
  }

 private:
  const PartDirectory& Directory() const override { return directory_; }

  std::string ReadWhole(std::size_t entry) const override {
    return ReadStored(directory_.Stored(entry), KeyOf(entry));
  }

  std::unique_ptr<PartReader> OpenEntry(std::size_t entry) const override {
    return std::make_unique<StoredPartReader>(archive_, directory_.Stored(entry), KeyOf(entry));
  }

  // Parsed again at each call: relationships are not kept, so that a large
  // package's memory does not grow with its parts.
  std::vector<Relationship> RelationshipsOf(std::string_view source) const override {
    const std::optional<std::size_t> entry = directory_.Find(RelationshipsPartName(source));
    if (!entry) return {};
    const std::string rels_name(directory_.Name(*entry));
    std::vector<Relationship> relationships =
        ParseRelationships(ReadWhole(*entry), rels_name, RelationshipsSource(rels_name));
    std::erase_if(relationships, [this](const Relationship& r) {
      return !r.external && !IsEssentialRelationship(r.type, model_.flavour) && !FindPart(r.target);
    });
    return relationships;
  }

  std::optional<std::size_t> FindPart(std::string_view name) const {
    const std::optional<std::size_t> entry = directory_.Find(name);
    if (!entry || directory_.IsRelationshipsPart(*entry)) return std::nullopt;
    return entry;
  }

  std::optional<ObfuscationKey> KeyOf(std::size_t entry) const {
    return directory_.Record(entry).obfuscated ? FontObfuscationKey(directory_.Name(entry)) : std::nullopt;
  }

  std::string ReadStored(StoredPart stored, std::optional<ObfuscationKey> key) const {
    const std::string name = stored.name;
    StoredPartReader reader(archive_, std::move(stored), key);
    return ReadWholePart(reader, limits_.max_structure_part_size, name);
  }

  // Checks every relationships part; keeps the package's own relationships,
  // and returns those whose internal target is missing (their source first
  // the package, then in part name order) for the structure to judge.
  std::vector<DanglingRelationship> ReadAllRelationships(const std::vector<std::size_t>& order) {
    std::vector<std::pair<std::string, DanglingRelationship>> dangling;  // by source key, "" for the package
    for (const std::size_t entry : order) {
      if (!directory_.IsRelationshipsPart(entry)) continue;
      const std::string name(directory_.Name(entry));
      const std::string& content_type = directory_.ContentType(entry);
      if (MediaType(content_type) != kRelationshipsContentType) {
        throw PackageError(name, "relationships part with content type \"" + content_type + "\"");
      }
      const std::string source = RelationshipsSource(name);
      if (source != "/" && IsRelationshipsPartName(source)) {
        throw PackageError(name, "relationships of a relationships part");
      }
      std::vector<Relationship> relationships = ParseRelationships(ReadWhole(entry), name, source);
      std::string owner = "/";
      if (source != "/") {
        const std::optional<std::size_t> found = FindPart(source);
        if (!found) {
          model_.warnings.push_back(name + ": relationships of the missing part " + source + " are dropped");
          continue;
        }
        owner = directory_.Name(*found);
      }
      const std::string key = owner == "/" ? "" : PartNameKey(owner);
      for (const Relationship& r : relationships)
        if (!r.external && !FindPart(r.target)) dangling.emplace_back(key, DanglingRelationship{owner, r});
      if (owner == "/") model_.package_relationships = std::move(relationships);
    }
    std::stable_sort(dangling.begin(), dangling.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DanglingRelationship> ordered;
    for (auto& [key, relationship] : dangling) ordered.push_back(std::move(relationship));
    return ordered;
  }

  ReaderLimits limits_;
  std::shared_ptr<ZipArchive> archive_;
  PartDirectory directory_;
  Package model_;
};

}  // namespace

std::unique_ptr<PackageReader> PackageReader::Open(const std::filesystem::path& path, const ReaderLimits& limits) {
  return std::make_unique<ZipPackageReader>(path, limits);
}

}  // namespace kestrel::package
