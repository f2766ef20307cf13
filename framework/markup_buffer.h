// Growable zero-terminated text in which page rewriters build markup:
// MarkupBuffer holds UTF-16, NarrowBuffer 8-bit text.
//
// The characters live on the process heap behind a 64-bit capacity (counted in
// characters, terminator included) in the same allocation. A buffer without
// storage is empty; every operation that needs storage makes it first. Storage
// starts at 128 characters and doubles until it exceeds the text, so appending
// 127 characters to an empty buffer keeps 128 and the 128th grows it to 256.
//
// Failures throw HResultError: E_OUTOFMEMORY when storage cannot be had,
// E_INVALIDARG and E_FAIL as noted below. A NULL text pointer reads as "no text".
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <span>
#include <string_view>

#include "platform/format.h"
#include "platform/types.h"

template <class Char>
class BasicMarkupBuffer {
 public:
  using View = std::basic_string_view<Char>;

  BasicMarkupBuffer() = default;
  BasicMarkupBuffer(BasicMarkupBuffer&& other) noexcept;
  BasicMarkupBuffer& operator=(BasicMarkupBuffer&& other) noexcept;
  BasicMarkupBuffer(const BasicMarkupBuffer&) = delete;
  BasicMarkupBuffer& operator=(const BasicMarkupBuffer&) = delete;
  ~BasicMarkupBuffer();

  // Makes room for length characters of text (and the terminator).
  void Ensure(std::size_t length);

  // Replaces the text; a NULL text leaves the buffer as it is.
  void Assign(const Char* text);
  void Assign(View text);
  void Append(const Char* text);
  void Append(View text);

  // Replaces the text with a printf format's (see platform/format.h); a NULL or
  // invalid format throws E_INVALIDARG and leaves the text as it was.
  template <class... Args>
    requires(std::constructible_from<FormatArg, const Args&> && ...)
  void Format(const Char* format, const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    FormatArgs(format, list);
  }
  void FormatArgs(const Char* format, std::span<const FormatArg> args);

  // Index of the first occurrence of text; -1 when there is none, for NULL text
  // and for a buffer without storage.
  std::ptrdiff_t Find(const Char* text) const;
  // Exact comparison; NULL text throws E_FAIL.
  bool Equals(const Char* text) const;
  // Removes count characters at position (negative values count as 0) and returns
  // the new length; a range beyond the text throws E_INVALIDARG.
  std::size_t Erase(std::ptrdiff_t position, std::ptrdiff_t count);
  // Replaces every occurrence of from, left to right, by to (NULL: nothing) and
  // returns how many there were. A NULL or empty from replaces nothing.
  std::size_t ReplaceAll(const Char* from, const Char* to);
  // Empties the text and keeps the storage.
  void Clear();

  std::size_t Length() const { return length_; }
  // 0 without storage.
  std::size_t Capacity() const;
  // The zero-terminated text; "" without storage.
  const Char* Text() const;
  View view() const { return View(Text(), length_); }

 private:
  void Reallocate(std::size_t capacity);

  Char* text_ = nullptr;
  std::size_t length_ = 0;
};

extern template class BasicMarkupBuffer<WCHAR>;
extern template class BasicMarkupBuffer<char>;

using MarkupBuffer = BasicMarkupBuffer<WCHAR>;

class NarrowBuffer : public BasicMarkupBuffer<char> {
 public:
  // Replaces the text with the ANSI code page form of text (NULL: nothing). Every
  // character must convert to one byte, else E_FAIL and the text stays as it was.
  void FromWide(LPCWSTR text);
};
