#include "utf16_arena.h"

#include <algorithm>
#include <climits>

#include "platform/utf.h"

char16_t* Utf16Arena::Reserve(std::size_t units) {
  const std::size_t needed = used_ + units;
  if (needed > data_.size()) data_.resize(std::max(needed, 2 * data_.size()));
  return data_.data() + used_;
}

bool Utf16Arena::Convert(std::string_view utf8) {
  const std::optional<std::size_t> units = Utf8ToUtf16(utf8, Reserve(utf8.size()));
  if (!units) return false;
  used_ += *units;
  return true;
}

std::optional<Utf16Span> Utf16Arena::Finish(std::size_t start) {
  const std::size_t length = used_ - start;
  if (length > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  *Reserve(1) = u'\0';
  ++used_;
  return Utf16Span{start, static_cast<int>(length)};
}

std::optional<Utf16Span> Utf16Arena::Append(std::string_view utf8) {
  const std::size_t start = used_;
  if (!Convert(utf8)) return std::nullopt;
  return Finish(start);
}

std::optional<Utf16Arena::QualifiedName> Utf16Arena::AppendQualified(std::string_view prefix,
                                                                     std::string_view local) {
  const std::size_t start = used_;
  if (!prefix.empty()) {
    if (!Convert(prefix)) return std::nullopt;
    *Reserve(1) = u':';
    ++used_;
  }
  const std::size_t localStart = used_;
  if (!Convert(local)) return std::nullopt;
  const std::optional<Utf16Span> qName = Finish(start);
  if (!qName) return std::nullopt;
  return QualifiedName{*qName, {localStart, static_cast<int>(used_ - 1 - localStart)}};
}
