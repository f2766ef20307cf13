// The 2-D graphics library: start-up and shutdown.
#pragma once

#include "platform/gdiplus_status.h"
#include "platform/types.h"

using ULONG_PTR = std::uintptr_t;

namespace Gdiplus {


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

