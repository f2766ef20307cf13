// UTF-16 text as the converter libraries receive it (NUL-terminated WCHARs),
// decoded without the platform's library: the converter pair links only
// Debian libraries. Unpaired surrogates become U+FFFD.
#pragma once

#include <string>

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

}  // namespace converter
