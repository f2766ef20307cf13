// The minimal COM object base of the framework: an interlocked reference
// count starting at 1 and one answered interface besides IUnknown.
#pragma once

#include "platform/com.h"
#include "platform/unknown.h"

template <typename Interface>
class UnknownBase : public Interface {
 public:
  UnknownBase(const UnknownBase&) = delete;
  UnknownBase& operator=(const UnknownBase&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == Interface::iid) {
      *ppv = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  virtual ~UnknownBase() = default;

 protected:
  UnknownBase() = default;

 private:
  volatile LONG references_ = 1;
};
