// Conversions between narrow and wide text in the two code pages the platform knows.
#include <algorithm>
#include <array>

#include "platform/checked_int.h"
#include "platform/utf.h"
#include "platform/wstring.h"

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined.
// Every other byte is the code point of the same value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsHighByte(unsigned c) { return c >= 0x80 && c <= 0x9F; }

std::optional<std::u16string> Windows1252ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    const char16_t c = IsHighByte(byte) ? kWindows1252High[byte - 0x80u] : byte;
    if (c == 0 && byte != 0) return std::nullopt;
    out.push_back(c);
  }
  return out;
}

std::optional<char> Windows1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  const auto* found = std::find(kWindows1252High.begin(), kWindows1252High.end(), c);
  if (found == kWindows1252High.end()) return std::nullopt;
  return static_cast<char>(0x80 + (found - kWindows1252High.begin()));
}

std::optional<std::string> Utf16ToWindows1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    const std::optional<char> byte = Windows1252Byte(c);
    if (!byte) return std::nullopt;
    out.push_back(*byte);
  }
  return out;
}

// The source of a system conversion call, or nullopt for a NULL pointer or a bad length.
template <class Char>
std::optional<std::basic_string_view<Char>> SourceText(const Char* src, int srcLen) {
  if (!src || srcLen == 0 || srcLen < -1) return std::nullopt;
  if (srcLen == -1) return std::basic_string_view<Char>(src, std::char_traits<Char>::length(src) + 1);
  return std::basic_string_view<Char>(src, static_cast<std::size_t>(srcLen));
}

// Hands a converted text to the caller of a system call: its length, after copying it
// when dst is given and large enough, else 0.
template <class Char>
int Deliver(const std::optional<std::basic_string<Char>>& converted, Char* dst, int dstLen) {
  const std::optional<int> length = converted ? TryIntCast<int>(converted->size()) : std::nullopt;
  if (!length) return 0;
  if (dstLen == 0) return *length;
  if (*length > dstLen) return 0;
  std::copy(converted->begin(), converted->end(), dst);
  return *length;
}

bool ValidDestination(const void* dst, int dstLen) { return dstLen == 0 || (dstLen > 0 && dst); }

}  // namespace

std::optional<std::u16string> ToWide(std::string_view text, UINT codePage) {
  if (codePage == CP_UTF8) return Utf8ToUtf16(text);
  if (codePage == CP_ACP) return Windows1252ToUtf16(text);
  return std::nullopt;
}

std::optional<std::string> ToNarrow(std::u16string_view text, UINT codePage) {
  if (codePage == CP_UTF8) return Utf16ToUtf8(text);
  if (codePage == CP_ACP) return Utf16ToWindows1252(text);
  return std::nullopt;
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, BOOL* usedDefault) {
  const auto text = SourceText(src, srcLen);
  if (!text || !ValidDestination(dst, dstLen) || defaultChar || usedDefault) return 0;
  return Deliver(ToNarrow(*text, codePage), dst, dstLen);
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
  const auto text = SourceText(src, srcLen);
  if (!text || !ValidDestination(dst, dstLen)) return 0;
  return Deliver(ToWide(*text, codePage), dst, dstLen);
}
