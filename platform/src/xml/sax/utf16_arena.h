// A UTF-16 buffer that strings are converted into and addressed by offset. It is
// emptied and refilled from event to event and only ever grows, so steady parsing
// allocates nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One string in an arena; the character after it is a zero.
struct Utf16Span {
  std::size_t offset = 0;
  int length = 0;
};

class Utf16Arena {
 public:
  // nullopt when the text is not UTF-8 or too long for an int length.
  std::optional<Utf16Span> Append(std::string_view utf8);
  // "prefix:local", or "local" for an empty prefix; the local name is the tail.
  struct QualifiedName {
    Utf16Span qName;
    Utf16Span localName;
  };
  std::optional<QualifiedName> AppendQualified(std::string_view prefix, std::string_view local);

  const char16_t* At(std::size_t offset) const { return data_.data() + offset; }
  std::u16string_view View(Utf16Span s) const { return {At(s.offset), static_cast<std::size_t>(s.length)}; }

  std::size_t Mark() const { return used_; }
  void Truncate(std::size_t mark) { used_ = mark; }
  void Clear() { used_ = 0; }

 private:
  // Room for `units` more characters at used_.
  char16_t* Reserve(std::size_t units);
  // Converts into the reserved room at used_ and advances past the text.
  bool Convert(std::string_view utf8);
  std::optional<Utf16Span> Finish(std::size_t start);

  std::u16string data_;
  std::size_t used_ = 0;
};
