#include "platform/com.h"

namespace {

// Apartment state of the calling thread.
struct Apartment {
  int depth = 0;
  DWORD model = 0;
};

thread_local Apartment t_apartment;

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD model) {
  if (reserved) return E_INVALIDARG;
  if (model != COINIT_MULTITHREADED && model != COINIT_APARTMENTTHREADED) return E_INVALIDARG;
  Apartment& a = t_apartment;
  if (a.depth == 0) {
    a.model = model;
    a.depth = 1;
    return S_OK;
  }
  if (a.model != model) return RPC_E_CHANGED_MODE;
  ++a.depth;
  return S_FALSE;
}

void CoUninitialize() {
  if (t_apartment.depth > 0) --t_apartment.depth;
}
