// The 2-D graphics library: start-up and shutdown.
#pragma once

#include "platform/types.h"

using ULONG_PTR = std::uintptr_t;

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

using DebugEventProc = void (*)(INT level, char* message);

struct GdiplusStartupInput {
  UINT GdiplusVersion = 1;
  DebugEventProc DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};

using NotificationHookProc = Status (*)(ULONG_PTR* token);
using NotificationUnhookProc = void (*)(ULONG_PTR token);

// Filled only when the caller suppresses the background thread.
struct GdiplusStartupOutput {
  NotificationHookProc NotificationHook;
  NotificationUnhookProc NotificationUnhook;
};

// Starts the library for one user; every Ok start gets its own non-zero token
// and needs one GdiplusShutdown. Version 1 only (UnsupportedGdiplusVersion
// otherwise); NULL token or input gives InvalidParameter.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
// Ends the start the token stands for; unknown tokens are ignored.
void GdiplusShutdown(ULONG_PTR token);

}  // namespace Gdiplus

using GpStatus = Gdiplus::Status;
