// Tagged values for the types the filters put in a VARIANT.
#pragma once

#include "platform/bstr.h"
#include "platform/hresult.h"
#include "platform/unknown.h"

using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_UI4 = 19,
  VT_INT = 22,
  VT_UINT = 23,
  // A pointer-sized handle (the printer handle, the user token).
  VT_UINT_PTR = 38,
};

struct VARIANT {
  VARTYPE vt;
  union {
    LONG lVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    IUnknown* punkVal;
    UINT_PTR uintptrVal;
  };
};

void VariantInit(VARIANT* v);
// Frees the BSTR or releases the interface the variant holds; leaves it VT_EMPTY.
HRESULT VariantClear(VARIANT* v);
// Deep copy: a new BSTR, an added reference. The target is cleared first.
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// Owns one VARIANT.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant& other) : Variant() { VariantCopy(&v_, &other.v_); }
  Variant& operator=(const Variant& other) {
    if (this != &other) VariantCopy(&v_, &other.v_);
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  VARIANT* Get() { return &v_; }
  const VARIANT* Get() const { return &v_; }
  VARIANT* operator->() { return &v_; }
  const VARIANT* operator->() const { return &v_; }

 private:
  VARIANT v_;
};
