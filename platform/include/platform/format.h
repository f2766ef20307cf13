// printf-style formatting that is safe with formats from outside (a print ticket's
// header/footer format): arguments are typed values, and every conversion is checked
// against the argument it meets. Anything a C printf would leave undefined is an error.
//
// Conversions: %d %i %u %x %X %o %c %s %S %f %F %e %E %g %G and %% (exactly "%%").
// Flags - + space # 0; width and precision as digits or * (from an integer argument; a
// negative * width means '-', a negative * precision none), each at most
// kFormatMaxWidth. Length modifiers h hh l ll I32 I64 are accepted and ignored for
// integers, l for floating conversions, h l w for %c and strings: an integer is printed
// at the width of the C++ type it came from (%X of an int -1 is "FFFFFFFF").
//
// Numbers are exactly what the C library's printf writes in the "C" locale, whatever the
// process's locale. %c takes an integer that is one code unit of the output (0 to 0xFF in
// a narrow format, 0 to 0xFFFF in a wide one). Any string conversion (%s %hs %ls %ws %S)
// takes either string kind: narrow text is UTF-8, converted strictly where the other kind
// is needed; text that does not convert gives HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION).
// A string's precision and width count code units of the output (UTF-16 units in a wide
// format, bytes in a narrow one), and precision never cuts a surrogate pair or a UTF-8
// sequence in two. The 0 flag pads strings and %c with blanks.
//
// Errors (E_INVALIDARG): a NULL format, a conversion without its argument, an argument of
// the wrong kind, %n %p and any other conversion not listed, a modifier that does not fit
// its conversion, a format ending inside a conversion, positional arguments ("%1$d"), a
// width or precision above the cap. Arguments left over are allowed, as in C.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "platform/hresult.h"
#include "platform/types.h"

inline constexpr int kFormatMaxWidth = 4096;

// An integer argument: its value and the signedness and size of the type it came from.
struct FormatInteger {
  std::uint64_t bits;  // sign-extended to 64 bits for a signed type
  bool isSigned;
  std::uint8_t bytes;  // 1, 2, 4 or 8

  std::int64_t AsSigned() const;      // the bits of its own size read as signed
  std::uint64_t AsUnsigned() const;   // the bits of its own size read as unsigned
};

// One argument. It refers to the caller's text rather than copying it, so it lives only
// as long as the call that formats it. A NULL string pointer is the empty string.
class FormatArg {
 public:
  using Value = std::variant<FormatInteger, double, std::string_view, std::u16string_view>;

  template <std::integral T>
    requires(!std::same_as<T, bool>)
  FormatArg(T value)
      : value_(FormatInteger{static_cast<std::uint64_t>(value), std::is_signed_v<T>, sizeof(T)}) {}
  template <std::floating_point T>
    requires(!std::same_as<T, long double>)
  FormatArg(T value) : value_(static_cast<double>(value)) {}
  FormatArg(const char* text) : value_(text ? std::string_view(text) : std::string_view()) {}
  FormatArg(std::string_view text) : value_(text) {}
  FormatArg(const std::string& text) : value_(std::string_view(text)) {}
  FormatArg(const char16_t* text) : value_(text ? std::u16string_view(text) : std::u16string_view()) {}
  FormatArg(std::u16string_view text) : value_(text) {}
  FormatArg(const std::u16string& text) : value_(std::u16string_view(text)) {}

  const Value& value() const { return value_; }

 private:
  Value value_;
};

// The formatted text, or the HRESULT of the failure (the text is then empty).
template <class Text>
struct Formatted {
  HRESULT hr = S_OK;
  Text text;

  explicit operator bool() const { return SUCCEEDED(hr); }
};

Formatted<std::u16string> FormatWideArgs(LPCWSTR format, std::span<const FormatArg> args);
Formatted<std::string> FormatNarrowArgs(LPCSTR format, std::span<const FormatArg> args);

// The same from C++ values: FormatWide(u"%s_%u", name, count).
template <class... Args>
  requires(std::constructible_from<FormatArg, const Args&> && ...)
Formatted<std::u16string> FormatWide(LPCWSTR format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return FormatWideArgs(format, list);
}

template <class... Args>
  requires(std::constructible_from<FormatArg, const Args&> && ...)
Formatted<std::string> FormatNarrow(LPCSTR format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return FormatNarrowArgs(format, list);
}
