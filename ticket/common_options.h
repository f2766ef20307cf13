// Option vocabulary several settings records share.
#pragma once

#include <array>
#include <concepts>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/types.h"

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

// Switches of the private namespace.
enum class OffOn : LONG { Off, On };
inline constexpr std::array<std::u16string_view, 2> kOffOnNames = {u"Off", u"On"};
constexpr std::optional<std::u16string_view> Name(OffOn value) { return TableName(kOffOnNames, value); }

// Which feature of a job/document pair supplied a record; Job and Document
// index the tables of feature names.
enum class Scope : LONG { None = -1, Job, Document };
inline constexpr std::array<std::u16string_view, 3> kScopeNames = {u"None", u"Job", u"Document"};
constexpr std::optional<std::u16string_view> Name(Scope scope) {
  const LONG index = Index(scope);
  if (index < Index(Scope::None) || index > Index(Scope::Document)) return std::nullopt;
  return kScopeNames[static_cast<std::size_t>(index + 1)];
}
constexpr bool IsScope(Scope scope) { return Name(scope).has_value(); }
// The row of a Job or Document scope in a feature table.
constexpr std::size_t ScopeRow(Scope scope) { return static_cast<std::size_t>(Index(scope)); }
