#include "platform/utf.h"

#include <algorithm>
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

// Code points from 0x80 on, as two to four bytes; returns how many.
std::size_t PutUtf8(char* out, char32_t cp) {
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// The way back: narrows whole runs of ASCII units eight at a time.
std::size_t NarrowAsciiRun(const char16_t* in, std::size_t n, char* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  while (n - i >= 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), zero)) != 0xFFFF) break;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(units, units));
    i += 8;
  }
#endif
  while (i < n && in[i] < 0x80) {
    out[i] = static_cast<char>(in[i]);
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
    std::size_t extra = 0;
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
    if (n - i <= extra) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned char c = in[i + k];
      if (!IsContinuation(c)) return std::nullopt;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    out = PutCodePoint(out, cp);
    i += extra + 1;
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
  const char16_t* const in = utf16.data();
  const std::size_t n = utf16.size();
  // Room for one byte a unit: exact for ASCII. Before each wider code point the
  // room grows so that one byte a remaining unit still fits after it.
  std::string out(n, '\0');
  std::size_t o = 0;
  std::size_t i = 0;
  while (i < n) {
    const std::size_t ascii = NarrowAsciiRun(in + i, n - i, out.data() + o);
    i += ascii;
    o += ascii;
    if (i == n) break;
    char32_t cp = in[i];
    std::size_t units = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= n || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF) return std::nullopt;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      units = 2;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return std::nullopt;
    }
    if (out.size() - o < 4 + (n - i - units)) out.resize(std::max(out.size() * 2, o + 4 + (n - i - units)));
    o += PutUtf8(out.data() + o, cp);
    i += units;
  }
  out.resize(o);
  return out;
}
