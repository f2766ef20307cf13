// Qualified names converted to UTF-16 once per parse instead of at every use.
// libxml2 hands SAX2 names out of its parser's dictionary (its own tree builder
// keeps those pointers without copying), so within one parse a pointer stands for
// one name, and the few dozen names of a page come back as the same pointers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class NameCache {
 public:
  struct Name {
    std::u16string qName;  // "prefix:local" or "local"; never longer than INT_MAX
    std::size_t localOffset = 0;
  };

  // The dictionary dies with its parser: every parse starts empty.
  void Clear();
  // The converted name, or nullptr when it is not UTF-8. Valid until the next Find.
  const Name* Find(const char* prefix, const char* local) {
    Slot& slot = slots_[SlotOf(prefix, local)];
    if (slot.localKey == local && slot.prefixKey == prefix && local) return &slot.name;
    return Fill(slot, prefix, local) ? &slot.name : nullptr;
  }

 private:
  struct Slot {
    const char* prefixKey = nullptr;
    const char* localKey = nullptr;
    Name name;
  };
  static constexpr std::size_t kSlotBits = 8;

  // Dictionary strings lie a few bytes apart: every bit of both addresses counts.
  static std::size_t SlotOf(const char* prefix, const char* local) {
    const auto p = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(prefix));
    const auto l = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(local));
    return static_cast<std::size_t>(((l ^ (p << 1)) * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits));
  }
  static bool Fill(Slot& slot, const char* prefix, const char* local);

  std::array<Slot, std::size_t{1} << kSlotBits> slots_;
};
