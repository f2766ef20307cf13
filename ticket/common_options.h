// Option vocabulary several settings records share.
#pragma once

#include <array>
#include <concepts>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/types.h"

// Switches of the private namespace: index 0 "Off", 1 "On".
inline constexpr std::array<std::u16string_view, 2> kOffOnNames = {u"Off", u"On"};

// Which feature of a job/document pair supplied a record.
inline constexpr LONG kScopeNone = -1;
inline constexpr LONG kScopeJob = 0;
inline constexpr LONG kScopeDocument = 1;

inline constexpr bool IsScope(LONG scope) { return scope >= kScopeNone && scope <= kScopeDocument; }

// Named tables: a record field holding an index into a table of names is an
// enum class over LONG, so its numbers stay those of the table. Each such
// enum has a Name(Enum) overload, nullopt outside its table; a record may
// hold such a value, which the writers refuse.
template <class Enum>
requires std::is_enum_v<Enum>
constexpr LONG Index(Enum value) { return static_cast<LONG>(value); }

// The table's name of value, or nullopt outside the table.
template <class Enum, std::size_t N>
constexpr std::optional<std::u16string_view> TableName(const std::array<std::u16string_view, N>& names, Enum value) {
  const LONG index = Index(value);
  if (index < 0 || static_cast<std::size_t>(index) >= N) return std::nullopt;
  return names[static_cast<std::size_t>(index)];
}

// The enum value of an index, or nullopt outside its table.
template <class Enum>
constexpr std::optional<Enum> FromIndex(LONG index) {
  const Enum value = static_cast<Enum>(index);
  if (!Name(value)) return std::nullopt;
  return value;
}

// The enum value named name in its table (case-sensitive), or nullopt.
template <class Enum, std::size_t N>
constexpr std::optional<Enum> FromName(const std::array<std::u16string_view, N>& names, std::u16string_view name) {
  for (std::size_t index = 0; index < N; ++index)
    if (names[index] == name) return static_cast<Enum>(index);
  return std::nullopt;
}
