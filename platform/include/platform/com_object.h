// Reference counting and QueryInterface for the platform's own objects.
// List the interfaces the object implements; each also answers the bases it
// names with `using Base = ...`, and the first answers IUnknown. Objects are made with MakeComObject and die on the last Release.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "platform/unknown.h"

template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(static_cast<First*>(this));
    } else if (!(Answer<First>(riid, ppv) || (Answer<Rest>(riid, ppv) || ...))) {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

 private:
  template <typename I, typename Via = I>
  bool Answer(REFIID riid, void** ppv) {
    if (riid == I::iid) {
      *ppv = static_cast<I*>(static_cast<Via*>(this));
      return true;
    }
    if constexpr (requires { typename I::Base; }) {
      return Answer<typename I::Base, Via>(riid, ppv);
    }
    return false;
  }

  std::atomic<ULONG> refs_{1};
};

// Creates an object with one reference owned by the returned pointer.
// Returns an empty pointer when memory runs out.
template <typename T, typename Interface = T, typename... Args>
ComPtr<Interface> MakeComObject(Args&&... args) {
  T* object = new (std::nothrow) T(std::forward<Args>(args)...);
  return ComPtr<Interface>::Attach(object);
}
