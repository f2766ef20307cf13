#include "utf16_arena.h"

#include <algorithm>

void Utf16Arena::Grow(std::size_t units) { data_.resize(std::max(used_ + units, 2 * data_.size())); }

std::optional<Utf16Arena::QualifiedName> Utf16Arena::AppendQualified(std::string_view prefix,
                                                                     std::string_view local) {
  if (prefix.empty()) {
    const std::optional<Utf16Span> name = Append(local);
    if (!name) return std::nullopt;
    return QualifiedName{*name, *name};
  }
  char16_t* room = Reserve(prefix.size() + 1 + local.size() + 1);
  const std::optional<std::size_t> prefixUnits = Utf8ToUtf16(prefix, room);
  if (!prefixUnits) return std::nullopt;
  room[*prefixUnits] = u':';
  const std::optional<std::size_t> localUnits = Utf8ToUtf16(local, room + *prefixUnits + 1);
  if (!localUnits) return std::nullopt;
  const std::size_t units = *prefixUnits + 1 + *localUnits;
  if (units > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  room[units] = u'\0';
  const QualifiedName name{{used_, static_cast<int>(units)},
                           {used_ + *prefixUnits + 1, static_cast<int>(*localUnits)}};
  used_ += units + 1;
  return name;
}

