#include "platform/format.h"

#include <locale.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/utf.h"
#include "platform/wstring.h"

namespace {

enum class Length { None, Char, Short, Long, LongLong, Wide, I32, I64 };
enum class Kind { SignedInteger, UnsignedInteger, Character, String, Floating };

// One conversion as parsed; precision -1 means none, as C takes a negative one.
struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zeroPad = false;
  int width = 0;
  int precision = -1;
  Length length = Length::None;
  Kind kind = Kind::String;
  char conversion = 0;
};

std::optional<Kind> KindOf(char conversion) {
  switch (conversion) {
    case 'd': case 'i': return Kind::SignedInteger;
    case 'u': case 'x': case 'X': case 'o': return Kind::UnsignedInteger;
    case 'c': return Kind::Character;
    case 's': case 'S': return Kind::String;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': return Kind::Floating;
    default: return std::nullopt;
  }
}

bool LengthFits(Length length, Kind kind) {
  switch (kind) {
    case Kind::SignedInteger:
    case Kind::UnsignedInteger:
      return length != Length::Wide;
    case Kind::Floating:
      return length == Length::None || length == Length::Long;
    case Kind::Character:
    case Kind::String:
      return length == Length::None || length == Length::Short || length == Length::Long || length == Length::Wide;
  }
  return false;
}

// The numbers are written in the "C" locale for the whole call: markup needs a '.'.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(CLocale() ? uselocale(CLocale()) : locale_t{}) {}
  ~CLocaleScope() {
    if (previous_) uselocale(previous_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  static locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
  }
  locale_t previous_;
};

// A single numeric conversion through the C library. Its conversion text is built only from
// validated pieces, with width and precision passed as * arguments.
std::string CSpec(const Spec& spec, bool integer) {
  std::string c = "%";
  if (spec.left) c += '-';
  if (spec.plus) c += '+';
  if (spec.space) c += ' ';
  if (spec.zeroPad) c += '0';
  const bool alternateDefined = !integer || spec.conversion == 'o' || spec.conversion == 'x' || spec.conversion == 'X';
  if (spec.alternate && alternateDefined) c += '#';
  c += "*.*";
  if (integer) c += "ll";
  c += spec.conversion;
  return c;
}

template <class Number>
std::optional<std::string> CFormat(const Spec& spec, bool integer, Number value) {
  const std::string c = CSpec(spec, integer);
  std::array<char, 128> small;
  const int needed = std::snprintf(small.data(), small.size(), c.c_str(), spec.width, spec.precision, value);
  if (needed < 0) return std::nullopt;
  const auto length = static_cast<std::size_t>(needed);
  if (length < small.size()) return std::string(small.data(), length);
  std::string text(length, '\0');
  if (std::snprintf(text.data(), length + 1, c.c_str(), spec.width, spec.precision, value) != needed)
    return std::nullopt;
  return text;
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
  if (maxBytes >= text.size()) return text.size();
  std::size_t cut = maxBytes;
  const auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
  for (int step = 0; step < 3 && cut > 0 && continuation(cut); ++step) --cut;
  return cut;
}

std::size_t PrefixLength(std::u16string_view text, std::size_t max) { return WidePrefixLength(text, max); }
std::size_t PrefixLength(std::string_view text, std::size_t max) { return Utf8PrefixLength(text, max); }

template <class Char>
class Formatter {
 public:
  using View = std::basic_string_view<Char>;
  using Text = std::basic_string<Char>;

  Formatter(View format, std::span<const FormatArg> args) : format_(format), args_(args) {}

  Formatted<Text> Run() {
    const CLocaleScope locale;
    while (pos_ < format_.size()) {
      const std::size_t percent = format_.find(Char('%'), pos_);
      out_.append(format_.substr(pos_, percent - pos_));
      if (percent == View::npos) break;
      pos_ = percent + 1;
      if (const HRESULT hr = Conversion(); FAILED(hr)) return {hr, {}};
    }
    return {S_OK, std::move(out_)};
  }

 private:
  // The character at the current position as ASCII, 0 past the end or beyond ASCII.
  char Peek() const {
    if (pos_ >= format_.size()) return 0;
    const auto c = static_cast<std::uint32_t>(format_[pos_]);
    return c < 0x80 ? static_cast<char>(c) : 0;
  }

  bool Accept(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }

  HRESULT Conversion() {
    if (Accept('%')) {
      out_.push_back(Char('%'));
      return S_OK;
    }
    Spec spec;
    ParseFlags(spec);
    if (const HRESULT hr = ParseWidth(spec); FAILED(hr)) return hr;
    if (const HRESULT hr = ParsePrecision(spec); FAILED(hr)) return hr;
    if (const HRESULT hr = ParseLength(spec); FAILED(hr)) return hr;
    spec.conversion = Peek();
    const std::optional<Kind> kind = KindOf(spec.conversion);
    if (!kind || !LengthFits(spec.length, *kind)) return E_INVALIDARG;
    ++pos_;
    spec.kind = *kind;
    return Render(spec);
  }

  void ParseFlags(Spec& spec) {
    for (;;) {
      switch (Peek()) {
        case '-': spec.left = true; break;
        case '+': spec.plus = true; break;
        case ' ': spec.space = true; break;
        case '#': spec.alternate = true; break;
        case '0': spec.zeroPad = true; break;
        default: return;
      }
      ++pos_;
    }
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  // Digits up to the cap; E_INVALIDARG as soon as the number passes it.
  HRESULT ParseDigits(int& value) {
    value = 0;
    while (IsDigit(Peek())) {
      value = value * 10 + (Peek() - '0');
      if (value > kFormatMaxWidth) return E_INVALIDARG;
      ++pos_;
    }
    return S_OK;
  }

  // A * value: E_INVALIDARG unless the next argument is an integer within ±cap.
  HRESULT StarArgument(int& value) {
    const FormatArg* arg = NextArgument();
    const auto* integer = arg ? std::get_if<FormatInteger>(&arg->value()) : nullptr;
    if (!integer) return E_INVALIDARG;
    if (integer->isSigned) {
      const std::int64_t v = integer->AsSigned();
      if (v > kFormatMaxWidth || v < -kFormatMaxWidth) return E_INVALIDARG;
      value = static_cast<int>(v);
    } else {
      const std::uint64_t v = integer->AsUnsigned();
      if (v > static_cast<std::uint64_t>(kFormatMaxWidth)) return E_INVALIDARG;
      value = static_cast<int>(v);
    }
    return S_OK;
  }

  HRESULT ParseWidth(Spec& spec) {
    if (!Accept('*')) return ParseDigits(spec.width);
    if (const HRESULT hr = StarArgument(spec.width); FAILED(hr)) return hr;
    if (spec.width < 0) {
      spec.left = true;
      spec.width = -spec.width;
    }
    return S_OK;
  }

  HRESULT ParsePrecision(Spec& spec) {
    if (!Accept('.')) return S_OK;
    if (!Accept('*')) return ParseDigits(spec.precision);
    if (const HRESULT hr = StarArgument(spec.precision); FAILED(hr)) return hr;
    if (spec.precision < 0) spec.precision = -1;
    return S_OK;
  }

  HRESULT ParseLength(Spec& spec) {
    if (Accept('h')) {
      spec.length = Accept('h') ? Length::Char : Length::Short;
    } else if (Accept('l')) {
      spec.length = Accept('l') ? Length::LongLong : Length::Long;
    } else if (Accept('w')) {
      spec.length = Length::Wide;
    } else if (Accept('I')) {
      if (Accept('6') && Accept('4')) {
        spec.length = Length::I64;
      } else if (Accept('3') && Accept('2')) {
        spec.length = Length::I32;
      } else {
        return E_INVALIDARG;
      }
    }
    return S_OK;
  }

  const FormatArg* NextArgument() { return next_ < args_.size() ? &args_[next_++] : nullptr; }

  HRESULT Render(const Spec& spec) {
    const FormatArg* arg = NextArgument();
    if (!arg) return E_INVALIDARG;
    switch (spec.kind) {
      case Kind::SignedInteger:
      case Kind::UnsignedInteger:
        return RenderInteger(spec, *arg);
      case Kind::Floating:
        return RenderFloating(spec, *arg);
      case Kind::Character:
        return RenderCharacter(spec, *arg);
      case Kind::String:
        return RenderString(spec, *arg);
    }
    return E_INVALIDARG;
  }

  HRESULT AppendNumber(const std::optional<std::string>& number) {
    if (!number) return E_FAIL;
    out_.append(number->begin(), number->end());  // ASCII only
    return S_OK;
  }

  HRESULT RenderInteger(const Spec& spec, const FormatArg& arg) {
    const auto* integer = std::get_if<FormatInteger>(&arg.value());
    if (!integer) return E_INVALIDARG;
    if (spec.kind == Kind::SignedInteger)
      return AppendNumber(CFormat(spec, true, static_cast<long long>(integer->AsSigned())));
    return AppendNumber(CFormat(spec, true, static_cast<unsigned long long>(integer->AsUnsigned())));
  }

  HRESULT RenderFloating(const Spec& spec, const FormatArg& arg) {
    const auto* number = std::get_if<double>(&arg.value());
    if (!number) return E_INVALIDARG;
    return AppendNumber(CFormat(spec, false, *number));
  }

  HRESULT RenderCharacter(const Spec& spec, const FormatArg& arg) {
    const auto* integer = std::get_if<FormatInteger>(&arg.value());
    constexpr std::uint64_t kMaxUnit = sizeof(Char) == 1 ? 0xFF : 0xFFFF;
    if (!integer || integer->AsUnsigned() > kMaxUnit) return E_INVALIDARG;
    const Char unit = static_cast<Char>(integer->AsUnsigned());
    AppendPadded(spec, View(&unit, 1));
    return S_OK;
  }

  HRESULT RenderString(const Spec& spec, const FormatArg& arg) {
    Text converted;
    View text;
    if (const HRESULT hr = StringText(arg, converted, text); FAILED(hr)) return hr;
    if (spec.precision >= 0) text = text.substr(0, PrefixLength(text, static_cast<std::size_t>(spec.precision)));
    AppendPadded(spec, text);
    return S_OK;
  }

  // The argument's text in the output's kind; converted holds it when it had to change.
  static HRESULT StringText(const FormatArg& arg, Text& converted, View& text) {
    using Other = std::conditional_t<sizeof(Char) == 1, std::u16string_view, std::string_view>;
    if (const auto* same = std::get_if<View>(&arg.value())) {
      text = *same;
      return S_OK;
    }
    const auto* other = std::get_if<Other>(&arg.value());
    if (!other) return E_INVALIDARG;
    std::optional<Text> result;
    if constexpr (sizeof(Char) == 1) {
      result = Utf16ToUtf8(*other);
    } else {
      result = Utf8ToUtf16(*other);
    }
    if (!result) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    converted = std::move(*result);
    text = converted;
    return S_OK;
  }

  void AppendPadded(const Spec& spec, View text) {
    const std::size_t width = static_cast<std::size_t>(spec.width);
    const std::size_t padding = width > text.size() ? width - text.size() : 0;
    if (!spec.left) out_.append(padding, Char(' '));
    out_.append(text);
    if (spec.left) out_.append(padding, Char(' '));
  }

  View format_;
  std::size_t pos_ = 0;
  std::span<const FormatArg> args_;
  std::size_t next_ = 0;
  Text out_;
};

}  // namespace

std::uint64_t FormatInteger::AsUnsigned() const {
  if (bytes >= 8) return bits;
  return bits & ((std::uint64_t{1} << (bytes * 8u)) - 1);
}

std::int64_t FormatInteger::AsSigned() const {
  if (bytes >= 8) return static_cast<std::int64_t>(bits);
  const unsigned shift = 64u - bytes * 8u;
  return static_cast<std::int64_t>(AsUnsigned() << shift) >> shift;
}

Formatted<std::u16string> FormatWideArgs(LPCWSTR format, std::span<const FormatArg> args) {
  if (!format) return {E_INVALIDARG, {}};
  return Formatter<char16_t>(format, args).Run();
}

Formatted<std::string> FormatNarrowArgs(LPCSTR format, std::span<const FormatArg> args) {
  if (!format) return {E_INVALIDARG, {}};
  return Formatter<char>(format, args).Run();
}
