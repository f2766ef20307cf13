#include "platform/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Layout: [UINT byte length][characters][zero character].
constexpr std::size_t kPrefix = sizeof(UINT);

UINT* PrefixOf(BSTR s) { return reinterpret_cast<UINT*>(reinterpret_cast<BYTE*>(s) - kPrefix); }

std::size_t LengthOf(LPCOLESTR text) {
  std::size_t n = 0;
  while (text[n]) ++n;
  return n;
}

BSTR Allocate(LPCOLESTR text, std::size_t length) {
  // The byte length must fit the 32-bit prefix.
  if (length > (std::numeric_limits<UINT>::max() - kPrefix - sizeof(WCHAR)) / sizeof(WCHAR))
    return nullptr;
  void* block = std::malloc(kPrefix + (length + 1) * sizeof(WCHAR));
  if (!block) return nullptr;
  *static_cast<UINT*>(block) = static_cast<UINT>(length * sizeof(WCHAR));
  BSTR s = reinterpret_cast<BSTR>(static_cast<BYTE*>(block) + kPrefix);
  if (text)
    std::memcpy(s, text, length * sizeof(WCHAR));
  else
    std::memset(s, 0, length * sizeof(WCHAR));
  s[length] = 0;
  return s;
}

}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  return Allocate(text, LengthOf(text));
}

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) { return Allocate(text, length); }

BOOL SysReAllocString(BSTR* target, LPCOLESTR text) {
  if (!target) return FALSE;
  BSTR copy = text ? Allocate(text, LengthOf(text)) : nullptr;
  if (text && !copy) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text) std::free(PrefixOf(text));
}

UINT SysStringByteLen(BSTR text) { return text ? *PrefixOf(text) : 0; }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / UINT{sizeof(WCHAR)}; }

Bstr::Bstr(std::u16string_view text)
    : s_(text.size() <= std::numeric_limits<UINT>::max()
             ? SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))
             : nullptr) {}

Bstr::Bstr(const Bstr& other) : s_(other.s_ ? SysAllocStringLen(other.s_, other.Length()) : nullptr) {}
