// Result values of the GDI+ flat API.
#pragma once

#include "platform/hresult.h"
#include "platform/types.h"

namespace Gdiplus {

enum Status : INT {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
  UnsupportedGdiplusVersion = 17,
  GdiplusNotInitialized = 18,
  PropertyNotFound = 19,
  PropertyNotSupported = 20,
};

}  // namespace Gdiplus

// The flat API uses the values unqualified.
using GpStatus = Gdiplus::Status;
using Gdiplus::Status;
using enum Gdiplus::Status;

// The one translation of a status into a result: Ok S_OK, InvalidParameter
// E_INVALIDARG, OutOfMemory and InsufficientBuffer E_OUTOFMEMORY, ObjectBusy
// E_PENDING, NotImplemented E_NOTIMPL, Win32Error the thread's last error
// (E_FAIL when that is none), FileNotFound HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
// AccessDenied E_ACCESSDENIED, anything else E_FAIL.
HRESULT HresultFromGdiplusStatus(GpStatus status);
