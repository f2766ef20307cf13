// UTF-16 text as the converter libraries receive it (NUL-terminated WCHARs),
// decoded without the platform's library: the converter pair links only
// Debian libraries. Unpaired surrogates become U+FFFD.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace converter {

// Code points of a NUL-terminated UTF-16 string, at most maxUnits units read.
inline std::u32string DecodeUtf16(const WCHAR* text, std::size_t maxUnits = 1 << 20) {
  std::u32string out;
  if (!text) return out;
  for (std::size_t i = 0; i < maxUnits && text[i]; ++i) {
    const char32_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < maxUnits && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      out.push_back(0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit < 0xE000) {
      out.push_back(0xFFFD);
    } else {
      out.push_back(unit);
    }
  }
  return out;
}

inline std::string EncodeUtf8(const std::u32string& text) {
  std::string out;
  for (const char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// UTF-16 of UTF-8 text (a file path the library reports); nullopt when the
// text is not strict UTF-8.
inline std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (next & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return std::nullopt;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return out;
}

}  // namespace converter
