// The exception of the shared utilities: it carries one HRESULT, and every
// COM-facing operation catches it and returns that HRESULT.
#pragma once

#include <exception>

#include "platform/hresult.h"

class HResultError : public std::exception {
 public:
  explicit HResultError(HRESULT hr) : hr_(hr) {}
  HRESULT hr() const noexcept { return hr_; }
  const char* what() const noexcept override { return "HResultError"; }

 private:
  HRESULT hr_;
};

// Throws HResultError when hr is a failure; returns hr otherwise (S_FALSE stays visible).
inline HRESULT ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw HResultError(hr);
  return hr;
}
