#include "host/package/xps_package_reader.h"

#include "host/package/content_types.h"
#include "host/package/font_obfuscation.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/relationships.h"
#include "host/package/stored_part.h"
#include "host/package/stored_part_reader.h"
#include "host/package/xps_structure.h"
#include "host/package/xps_vocabulary.h"

namespace kestrel::package {
namespace {

class ZipPackageReader final : public PackageReader {
 public:
  ZipPackageReader(const std::filesystem::path& path, const ReaderLimits& limits)
      : limits_(limits), archive_(ZipArchive::Open(path)) {
    StoredDirectory directory = BuildStoredDirectory(archive_->Items(), limits_, path.string());
    if (!directory.content_types) throw PackageError(path.string(), "no [Content_Types].xml: not a package");
    const ContentTypes types = ContentTypes::Parse(ReadWhole(*directory.content_types, {}));
    stored_ = std::move(directory.parts);
    AddParts(types);
    AddRelationships(types);
    BuildXpsStructure(model_, [this](const Part& part) { return ReadWhole(StoredOf(part.name), KeyOf(part)); },
                      limits_);
  }

  const Package& Model() const override { return model_; }

  const Part* Find(std::string_view name) const override {
    auto found = model_.parts.find(PartNameKey(name));
    return found == model_.parts.end() ? nullptr : &found->second;
  }

  std::unique_ptr<PartReader> OpenPart(std::string_view name) const override {
    const Part* part = Find(name);
    if (!part) throw PackageError(std::string(name), "no such part in the package");
    return std::make_unique<StoredPartReader>(archive_, StoredOf(part->name), KeyOf(*part));
  }

 private:
  const StoredPart& StoredOf(const std::string& name) const { return stored_.at(PartNameKey(name)); }

  static std::optional<ObfuscationKey> KeyOf(const Part& part) {
    return part.obfuscated ? FontObfuscationKey(part.name) : std::nullopt;
  }

  std::string ReadWhole(const StoredPart& stored, std::optional<ObfuscationKey> key) const {
    StoredPartReader reader(archive_, stored, key);
    return ReadWholePart(reader, limits_.max_structure_part_size, stored.name);
  }

  // Every stored part but the relationships parts becomes a Part with its content type.
  void AddParts(const ContentTypes& types) {
    for (const auto& [key, stored] : stored_) {
      const std::string content_type = types.Find(stored.name);
      if (content_type.empty()) throw PackageError(stored.name, "no content type in [Content_Types].xml");
      if (IsRelationshipsPartName(stored.name)) continue;
      Part part;
      part.name = stored.name;
      part.content_type = content_type;
      part.size = stored.size;
      part.obfuscated = IsObfuscatedFont(stored.name, content_type);
      if (part.obfuscated && !FontObfuscationKey(stored.name)) {
        throw PackageError(stored.name, "obfuscated font whose name holds no GUID");
      }
      model_.parts.emplace(key, std::move(part));
    }
  }

  void AddRelationships(const ContentTypes& types) {
    for (const auto& [key, stored] : stored_) {
      if (!IsRelationshipsPartName(stored.name)) continue;
      if (MediaType(types.Find(stored.name)) != kRelationshipsContentType) {
        throw PackageError(stored.name, "relationships part with content type \"" + types.Find(stored.name) + "\"");
      }
      const std::string source = RelationshipsSource(stored.name);
      if (source != "/" && IsRelationshipsPartName(source)) {
        throw PackageError(stored.name, "relationships of a relationships part");
      }
      std::vector<Relationship> relationships = ParseRelationships(ReadWhole(stored, {}), stored.name, source);
      if (source == "/") {
        model_.package_relationships = std::move(relationships);
        continue;
      }
      auto owner = model_.parts.find(PartNameKey(source));
      if (owner == model_.parts.end()) {
        model_.warnings.push_back(stored.name + ": relationships of the missing part " + source + " are dropped");
        continue;
      }
      owner->second.relationships = std::move(relationships);
    }
  }

  ReaderLimits limits_;
  std::shared_ptr<ZipArchive> archive_;
  std::map<std::string, StoredPart> stored_;
  Package model_;
};

}  // namespace

std::unique_ptr<PackageReader> PackageReader::Open(const std::filesystem::path& path, const ReaderLimits& limits) {
  return std::make_unique<ZipPackageReader>(path, limits);
}

}  // namespace kestrel::package
