// The exception of the framework's utilities: one HRESULT, caught by every
// COM-facing operation and returned from it.
#pragma once

#include <exception>
#include <new>

#include "platform/hresult.h"

class HResultError : public std::exception {
 public:
  explicit HResultError(HRESULT hr) noexcept : hr_(hr) {}
  HRESULT hr() const noexcept { return hr_; }
  const char* what() const noexcept override { return "operation failed with an HRESULT"; }

 private:
  HRESULT hr_;
};

// Runs an operation that returns an HRESULT and turns what it throws into
// one, so that no exception leaves a COM method.
template <typename Operation>
HRESULT CallReturningHresult(Operation&& operation) noexcept {
  try {
    return operation();
  } catch (const HResultError& error) {
    return error.hr();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception&) {
    return E_FAIL;
  }
}

// Throws HResultError when hr is a failure; returns hr otherwise (S_FALSE stays visible).
inline HRESULT ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw HResultError(hr);
  return hr;
}
