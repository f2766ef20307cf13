// Part names with a small value each, held compactly enough to keep every
// part of a large job: the names sit in shared blocks of bytes, and an
// open-addressing index of entry numbers finds them by their comparison key
// (names compare as part names do, see part_name.h). About 20 bytes a name
// beyond its characters and the value; entries are never removed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "host/package/part_name.h"
#include "platform/checked_int.h"

namespace kestrel::package {

template <typename Value>
class PartNameTable {
 public:
  // The entry of name, added with a value-initialised Value when absent
  // (keeping name as given); second is whether it was added.
  std::pair<std::size_t, bool> Insert(std::string_view name) {
    const std::uint32_t hash = HashOf(name);
    if (const std::optional<std::size_t> found = Lookup(name, hash)) return {*found, false};
    const std::optional<std::uint32_t> length = TryIntCast<std::uint32_t>(name.size());
    if (entries_.size() >= kMaxEntries || !length) throw std::length_error("too many part names");
    if ((entries_.size() + 1) * 4 > slots_.size() * 3) Grow();
    entries_.push_back(Entry{Store(name), *length, hash, Value{}});
    Place(entries_.size() - 1);
    return {entries_.size() - 1, true};
  }

  std::optional<std::size_t> Find(std::string_view name) const { return Lookup(name, HashOf(name)); }

  // The name as it was first inserted.
  std::string_view Name(std::size_t entry) const { return {entries_[entry].name, entries_[entry].length}; }
  Value& At(std::size_t entry) { return entries_[entry].value; }
  const Value& At(std::size_t entry) const { return entries_[entry].value; }
  // Entries are numbered 0 .. Size() - 1 in the order they were added.
  std::size_t Size() const { return entries_.size(); }

 private:
  struct Entry {
    const char* name;
    std::uint32_t length;
    std::uint32_t hash;
    Value value;
  };
  static constexpr std::size_t kBlockSize = 64 << 10;
  static constexpr std::size_t kMaxEntries = std::numeric_limits<std::uint32_t>::max() - 1;

  static std::uint32_t HashOf(std::string_view name) {
    const std::uint64_t hash = PartNameHash(name);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
  }

  std::optional<std::size_t> Lookup(std::string_view name, std::uint32_t hash) const {
    if (slots_.empty()) return std::nullopt;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      if (slots_[slot] == 0) return std::nullopt;
      const std::size_t entry = slots_[slot] - 1;
      if (entries_[entry].hash == hash && SamePartName(Name(entry), name)) return entry;
    }
  }

  void Place(std::size_t entry) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = entries_[entry].hash & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = static_cast<std::uint32_t>(entry + 1);
  }

  void Grow() {
    slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, 0);
    for (std::size_t entry = 0; entry < entries_.size(); ++entry) Place(entry);
  }

  // Copies name into the blocks, which never move.
  const char* Store(std::string_view name) {
    if (free_ < name.size()) {
      const std::size_t size = std::max(kBlockSize, name.size());
      blocks_.push_back(std::make_unique<char[]>(size));
      next_ = blocks_.back().get();
      free_ = size;
    }
    char* at = next_;
    if (!name.empty()) std::memcpy(at, name.data(), name.size());
    next_ += name.size();
    free_ -= name.size();
    return at;
  }

  std::deque<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // entry + 1; 0 is free
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;  // the free end of the last block
  std::size_t free_ = 0;
};

}  // namespace kestrel::package
