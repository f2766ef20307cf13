#include "platform/gdiplus_status.h"
#include "platform/last_error.h"

HRESULT HresultFromGdiplusStatus(GpStatus status) {
  switch (status) {
    case Ok: return S_OK;
    case InvalidParameter: return E_INVALIDARG;
    case OutOfMemory:
    case InsufficientBuffer: return E_OUTOFMEMORY;
    case ObjectBusy: return E_PENDING;
    case NotImplemented: return E_NOTIMPL;
    case Win32Error: {
      const DWORD error = GetLastError();
      return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
    }
    case FileNotFound: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case AccessDenied: return E_ACCESSDENIED;
    default: return E_FAIL;
  }
}
