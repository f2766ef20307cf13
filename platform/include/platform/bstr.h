// Length-prefixed UTF-16 strings: the 32-bit byte length sits just before the
// first character and a zero character follows the last. NULL is the empty string.
#pragma once

#include <string_view>
#include <utility>

#include "platform/types.h"

using BSTR = WCHAR*;
using OLECHAR = WCHAR;
using LPCOLESTR = const OLECHAR*;

BSTR SysAllocString(LPCOLESTR text);
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);  // text may be NULL: uninitialised characters
BOOL SysReAllocString(BSTR* target, LPCOLESTR text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text);
  Bstr(const Bstr& other);
  Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr& operator=(Bstr other) noexcept {
    std::swap(s_, other.s_);
    return *this;
  }

  static Bstr Attach(BSTR s) {
    Bstr b;
    b.s_ = s;
    return b;
  }
  BSTR Detach() { return std::exchange(s_, nullptr); }
  BSTR Get() const { return s_; }
  // For out parameters: frees what is held and returns the slot.
  BSTR* Put() {
    SysFreeString(std::exchange(s_, nullptr));
    return &s_;
  }
  UINT Length() const { return SysStringLen(s_); }
  bool Empty() const { return Length() == 0; }
  std::u16string_view View() const { return {s_ ? s_ : u"", Length()}; }

 private:
  BSTR s_ = nullptr;
};
