// The root interface of every object handed across a component boundary,
// and an owning pointer for interface references.
#pragma once

#include <utility>

#include "platform/guid.h"
#include "platform/hresult.h"

// Every interface names its identifier as a static member `iid`, so that
// templates can find it (ComPtr::As, IidOf).
struct IUnknown {
  static constexpr IID iid = MakeGuid("{6B3C1E00-5A4F-4B8E-9C10-4B6573747231}");
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  // Objects die through Release, never through delete on an interface.
  ~IUnknown() = default;
};

inline constexpr const IID& IID_IUnknown = IUnknown::iid;

template <typename T>
constexpr const IID& IidOf() {
  return T::iid;
}

// Owns one reference; copying adds one, destruction releases it.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Adopts a reference the caller already owns (no AddRef).
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives the reference to the caller.
  T* Detach() { return std::exchange(p_, nullptr); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out parameters: releases what is held and returns the slot.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // Hands out a new reference through an out parameter.
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <typename U>
  HRESULT As(ComPtr<U>& out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(IidOf<U>(), out.PutVoid());
  }

 private:
  T* p_ = nullptr;
};

template <typename T, typename U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
  return a.Get() == b.Get();
}
