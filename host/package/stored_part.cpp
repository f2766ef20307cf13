#include "host/package/stored_part.h"

#include <algorithm>
#include <charconv>

#include "host/package/content_types.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"

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
  std::map<std::uint64_t, std::pair<const ZipItem*, bool>> pieces;  // number -> (item, last)
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
    part.size += entry.first->size;
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

// A part name may not be the folder of another: "/a" and "/a/b" cannot both exist.
void CheckNoPartIsAFolder(const std::map<std::string, StoredPart>& parts) {
  for (auto it = parts.begin(); it != parts.end(); ++it) {
    auto next = parts.lower_bound(it->first + "/");
    if (next != parts.end() && next->first.starts_with(it->first + "/")) {
      throw PackageError(next->second.name, "lies inside part " + it->second.name);
    }
  }
}

}  // namespace

StoredDirectory BuildStoredDirectory(const std::vector<ZipItem>& items, const ReaderLimits& limits,
                                     const std::string& package_path) {
  if (items.size() > limits.max_zip_items) {
    throw PackageError(package_path, std::to_string(items.size()) + " ZIP items, over the limit of " +
                                         std::to_string(limits.max_zip_items));
  }
  StoredDirectory directory;
  std::map<std::string, PieceSet> piece_sets;
  std::uint64_t total = 0;
  const std::string content_types_key = PartNameKey(std::string("/") + kContentTypesItem);

  auto add_whole = [&](StoredPart part) {
    const std::string key = PartNameKey(part.name);
    if (key == content_types_key) {
      if (directory.content_types) throw PackageError(part.name, "stored twice");
      directory.content_types = std::move(part);
      return;
    }
    if (auto problem = PartNameProblem(part.name)) throw PackageError(part.name, "invalid part name: " + *problem);
    const std::string name = part.name;
    if (!directory.parts.emplace(key, std::move(part)).second) {
      throw PackageError(name, "stored twice (ZIP items whose names are the same part name)");
    }
  };

  for (const ZipItem& item : items) {
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
      if (!set.pieces.emplace(piece->number, std::pair{&item, piece->last}).second) {
        throw PackageError(part_name, "piece [" + std::to_string(piece->number) + "] is stored twice");
      }
      continue;
    }
    add_whole(StoredPart{name, {&item}, item.size});
  }
  for (const auto& [key, set] : piece_sets) {
    StoredPart joined = JoinPieces(set);
    if (joined.size > limits.max_part_size) throw PackageError(set.name, "uncompressed size over the limit");
    add_whole(std::move(joined));
  }
  CheckNoPartIsAFolder(directory.parts);
  return directory;
}

}  // namespace kestrel::package
