// The boundary of every ticket operation that returns an HRESULT: exceptions
// of the code inside become the HRESULT they stand for.
#pragma once

#include <exception>
#include <new>

#include "framework/hresult_error.h"

template <class Operation>
HRESULT CatchAsHresult(Operation&& operation) noexcept {
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
