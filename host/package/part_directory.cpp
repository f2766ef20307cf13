#include "host/package/part_directory.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>

#include "host/package/content_types.h"
#include "host/package/font_obfuscation.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/relationships.h"
#include "platform/checked_int.h"

namespace kestrel::package {
namespace {

struct Piece {
  std::uint64_t number = 0;
  bool last = false;
};

// "[3].piece" or "[4].last.piece", compared case-insensitively; nothing for other names.
std::optional<Piece> ParsePieceName(std::string_view segment) {
  const std::string key = PartNameKey(segment);
  std::string_view rest = key;
  if (!rest.starts_with('[')) return std::nullopt;
  const std::size_t close = rest.find(']');
  if (close == std::string_view::npos || close == 1) return std::nullopt;
  Piece piece;
  const std::string_view digits = rest.substr(1, close - 1);
  if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), piece.number);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  rest = rest.substr(close + 1);
  if (rest == ".piece") return piece;
  if (rest == ".last.piece") {
    piece.last = true;
    return piece;
  }
  return std::nullopt;
}

struct PieceSet {
  std::string name;
  std::map<std::uint64_t, std::pair<StoredItem, bool>> pieces;  // number -> (item, last)
};

StoredPart JoinPieces(const PieceSet& set) {
  StoredPart part{set.name, {}, 0};
  std::uint64_t expected = 0;
  for (const auto& [number, entry] : set.pieces) {
    if (number != expected) throw PackageError(set.name, "piece [" + std::to_string(expected) + "] is missing");
    const bool is_final = number + 1 == set.pieces.size();
    if (entry.second != is_final) {
      throw PackageError(set.name, entry.second ? "piece [" + std::to_string(number) + "] is marked last but more follow"
                                                : "the last piece is not marked .last");
    }
    part.items.push_back(entry.first);
    part.size += entry.first.size;
    ++expected;
  }
  return part;
}

void CheckItem(const ZipItem& item, const ReaderLimits& limits) {
  if (item.encrypted) throw PackageError("/" + item.name, "encrypted ZIP item");
  if (item.method != 0 && item.method != 8) {
    throw PackageError("/" + item.name, "compression method " + std::to_string(item.method) +
                                            " (packages allow only stored and deflated items)");
  }
  if (item.size > limits.max_part_size) {
    throw PackageError("/" + item.name, "uncompressed size " + std::to_string(item.size) + " over the limit of " +
                                            std::to_string(limits.max_part_size) + " bytes");
  }
}

}  // namespace

PartDirectory::PartDirectory(ZipArchive& archive, const ReaderLimits& limits, const std::string& package_path) {
  const std::uint64_t count = archive.Count();
  // Records hold ZIP indexes in 32 bits: a higher limit than that is no limit here.
  const std::uint64_t limit = std::min<std::uint64_t>(limits.max_zip_items, std::numeric_limits<std::uint32_t>::max());
  if (count > limit) {
    throw PackageError(package_path,
                       std::to_string(count) + " ZIP items, over the limit of " + std::to_string(limit));
  }
  std::map<std::string, PieceSet> piece_sets;  // by PartNameKey; only while building
  std::uint64_t total = 0;
  for (std::uint64_t index = 0; index < count; ++index) {
    const ZipItem item = archive.Item(index);
    if (item.name.ends_with('/')) {
      if (item.size != 0) throw PackageError("/" + item.name, "folder item with content");
      continue;  // folder entries some ZIP tools add; no part
    }
    CheckItem(item, limits);
    total += item.size;
    if (total > limits.max_total_size) {
      throw PackageError(package_path, "uncompressed size over the limit of " + std::to_string(limits.max_total_size) +
                                           " bytes");
    }
    const std::string name = "/" + item.name;
    const std::size_t slash = name.rfind('/');
    if (auto piece = ParsePieceName(std::string_view(name).substr(slash + 1)); piece && slash > 0) {
      const std::string part_name = name.substr(0, slash);
      PieceSet& set = piece_sets[PartNameKey(part_name)];
      if (set.name.empty()) set.name = part_name;
      if (!set.pieces.emplace(piece->number, std::pair{StoredItem{index, item.size}, piece->last}).second) {
        throw PackageError(part_name, "piece [" + std::to_string(piece->number) + "] is stored twice");
      }
      continue;
    }
    AddWhole(name, {StoredItem{index, item.size}}, item.size);
  }
  for (const auto& [key, set] : piece_sets) {
    StoredPart joined = JoinPieces(set);
    if (joined.size > limits.max_part_size) throw PackageError(set.name, "uncompressed size over the limit");
    AddWhole(joined.name, joined.items, joined.size);
  }
}

void PartDirectory::AddWhole(const std::string& name, const std::vector<StoredItem>& items, std::uint64_t size) {
  if (SamePartName(name, std::string("/") + kContentTypesItem)) {
    if (content_types_) throw PackageError(name, "stored twice");
    content_types_ = StoredPart{name, items, size};
    return;
  }
  if (auto problem = PartNameProblem(name)) throw PackageError(name, "invalid part name: " + *problem);
  const auto [entry, added] = parts_.Insert(name);
  if (!added) throw PackageError(name, "stored twice (ZIP items whose names are the same part name)");
  PartRecord& record = parts_.At(entry);
  record.size = size;
  if (items.size() == 1) {
    record.item = IntCast<std::uint32_t>(items.front().index);
    return;
  }
  record.item = IntCast<std::uint32_t>(pieces_.size());
  record.piece_count = IntCast<std::uint32_t>(items.size());
  pieces_.insert(pieces_.end(), items.begin(), items.end());
}

// A part name may not be the folder of another: "/a" and "/a/b" cannot both exist.
void PartDirectory::CheckNoPartIsAFolder(const std::vector<std::size_t>& order) const {
  for (const std::size_t entry : order) {
    const std::string_view name = Name(entry);
    for (std::size_t slash = name.find('/', 1); slash != std::string_view::npos; slash = name.find('/', slash + 1)) {
      if (const auto outer = Find(name.substr(0, slash))) {
        throw PackageError(std::string(name), "lies inside part " + std::string(Name(*outer)));
      }
    }
  }
}

std::vector<std::size_t> PartDirectory::SortedEntries() const {
  std::vector<std::string> keys;
  keys.reserve(Size());
  for (std::size_t entry = 0; entry < Size(); ++entry) keys.push_back(PartNameKey(Name(entry)));
  std::vector<std::size_t> entries(Size());
  for (std::size_t entry = 0; entry < entries.size(); ++entry) entries[entry] = entry;
  std::sort(entries.begin(), entries.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  return entries;
}

void PartDirectory::AssignContentTypes(const ContentTypes& types, const std::vector<std::size_t>& order) {
  std::map<std::string, std::uint32_t> ids;
  for (const std::size_t entry : order) {
    const std::string name(Name(entry));
    const std::string content_type = types.Find(name);
    if (content_type.empty()) throw PackageError(name, "no content type in [Content_Types].xml");
    auto [id, added] = ids.emplace(content_type, IntCast<std::uint32_t>(content_types_list_.size()));
    if (added) content_types_list_.push_back(content_type);
    PartRecord& record = Record(entry);
    record.content_type = id->second;
    if (IsRelationshipsPartName(name)) continue;
    record.obfuscated = IsObfuscatedFont(name, content_type);
    if (record.obfuscated && !FontObfuscationKey(name)) {
      throw PackageError(name, "obfuscated font whose name holds no GUID");
    }
  }
}

bool PartDirectory::IsRelationshipsPart(std::size_t entry) const { return IsRelationshipsPartName(Name(entry)); }

StoredPart PartDirectory::Stored(std::size_t entry) const {
  const PartRecord& record = Record(entry);
  StoredPart stored{std::string(Name(entry)), {}, record.size};
  if (record.piece_count == 0) {
    stored.items.push_back(StoredItem{record.item, record.size});
  } else {
    stored.items.assign(pieces_.begin() + record.item, pieces_.begin() + record.item + record.piece_count);
  }
  return stored;
}

Part PartDirectory::Describe(std::size_t entry) const {
  const PartRecord& record = Record(entry);
  return Part{std::string(Name(entry)), ContentType(entry), record.kind, record.obfuscated, record.size};
}

}  // namespace kestrel::package
