// Keeps exceptions of the standard library from crossing an interface method.
#pragma once

#include <exception>
#include <new>

#include "platform/hresult.h"

namespace xmldom {

template <typename F>
HRESULT Guard(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception&) {
    return E_FAIL;
  }
}

}  // namespace xmldom
