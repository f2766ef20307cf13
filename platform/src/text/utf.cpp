#include "platform/utf.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

char16_t* PutCodePoint(char16_t* out, char32_t cp) {
  if (cp < 0x10000) {
    *out++ = static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
  return out;
}

// Markup is mostly ASCII: widens whole runs of it a block at a time. A run that
// reaches the end finishes with one block that overlaps what was already done.
std::size_t WidenAsciiRun(const unsigned char* in, std::size_t n, char16_t* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto widen16 = [&](std::size_t at) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
    if (_mm_movemask_epi8(bytes) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(bytes, zero));
    return true;
  };
  const auto widen8 = [&](std::size_t at) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + at));
    if ((_mm_movemask_epi8(bytes) & 0xFF) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, zero));
    return true;
  };
  if (n >= 16) {
    while (n - i >= 16 && widen16(i)) i += 16;
    if (n - i < 16 && i > 0 && widen16(n - 16)) return n;
  } else if (n >= 8) {
    if (widen8(0)) i = widen8(n - 8) ? n : 8;
  }
#endif
  while (i < n && in[i] < 0x80) {
    out[i] = in[i];
    ++i;
  }
  return i;
}

}  // namespace

std::optional<std::size_t> Utf8ToUtf16(std::string_view utf8, char16_t* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  char16_t* const first = out;
  std::size_t i = 0;
  while (i < n) {
    const std::size_t ascii = WidenAsciiRun(in + i, n - i, out);
    i += ascii;
    out += ascii;
    if (i == n) break;
    const unsigned char lead = in[i];
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
      return std::nullopt;
    }
    if (n - i <= static_cast<std::size_t>(extra)) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char c = in[i + k];
      if (!IsContinuation(c)) return std::nullopt;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    out = PutCodePoint(out, cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return static_cast<std::size_t>(out - first);
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  std::u16string out(utf8.size(), u'\0');
  const std::optional<std::size_t> units = Utf8ToUtf16(utf8, out.data());
  if (!units) return std::nullopt;
  out.resize(*units);
  return out;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= utf16.size() || utf16[i + 1] < 0xDC00 || utf16[i + 1] > 0xDFFF) return std::nullopt;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return std::nullopt;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}
