// A UTF-16 buffer that strings are converted into and addressed by offset. It is
// emptied and refilled from event to event and only ever grows, so steady parsing
// allocates nothing.
#pragma once

#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/utf.h"

// One string in an arena; the character after it is a zero.
struct Utf16Span {
  std::size_t offset = 0;
  int length = 0;
};

class Utf16Arena {
 public:
  // "prefix:local", or "local" for an empty prefix; the local name is its tail.
  struct QualifiedName {
    Utf16Span qName;
    Utf16Span localName;
  };

  // nullopt when the text is not UTF-8 or too long for an int length.
  std::optional<Utf16Span> Append(std::string_view utf8) {
    char16_t* room = Reserve(utf8.size() + 1);
    if (utf8.empty()) {
      *room = u'\0';
      return Utf16Span{used_++, 0};
    }
    const std::optional<std::size_t> units = Utf8ToUtf16(utf8, room);
    if (!units || *units > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    room[*units] = u'\0';
    const Utf16Span span{used_, static_cast<int>(*units)};
    used_ += *units + 1;
    return span;
  }
  std::optional<QualifiedName> AppendQualified(std::string_view prefix, std::string_view local);
  // A name already in UTF-16 and no longer than INT_MAX, its local part at localOffset.
  QualifiedName AppendCopy(std::u16string_view qName, std::size_t localOffset) {
    char16_t* room = Reserve(qName.size() + 1);
    for (std::size_t i = 0; i < qName.size(); ++i) room[i] = qName[i];
    room[qName.size()] = u'\0';
    const QualifiedName name{{used_, static_cast<int>(qName.size())},
                             {used_ + localOffset, static_cast<int>(qName.size() - localOffset)}};
    used_ += qName.size() + 1;
    return name;
  }

  const char16_t* At(std::size_t offset) const { return data_.data() + offset; }
  std::u16string_view View(Utf16Span s) const { return {At(s.offset), static_cast<std::size_t>(s.length)}; }

  std::size_t Mark() const { return used_; }
  void Truncate(std::size_t mark) { used_ = mark; }
  void Clear() { used_ = 0; }

 private:
  // Room for `units` more characters at used_.
  char16_t* Reserve(std::size_t units) {
    if (data_.size() - used_ < units) Grow(units);
    return data_.data() + used_;
  }
  void Grow(std::size_t units);

  std::u16string data_;
  std::size_t used_ = 0;
};
