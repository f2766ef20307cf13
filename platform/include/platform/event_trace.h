// Event tracing: providers register with a control callback; a trace
// controller enables them, and enabled providers send numbered messages.
//
// Here the controller is the environment. KESTREL_TRACE lists the enabled
// providers, separated by commas: "{GUID}:flags[:level]", flags and level in
// C notation (0x10, 16), level 5 when left out, for example
//   KESTREL_TRACE="{977A71CB-A363-413E-A5C2-E68D4BB3CD62}:0x4"
// The list is read at each registration. Registering an enabled provider calls
// its callback with WMI_ENABLE_EVENTS before RegisterTraceGuidsW returns; the
// buffer it receives yields the logger handle (GetTraceLoggerHandle), whose
// level and flags the provider then asks for. TraceMessage with that handle
// writes one line to stderr: "trace {MESSAGE-GUID} message <number>".
#pragma once

#include "platform/guid.h"
#include "platform/hresult.h"
#include "platform/types.h"

using TRACEHANDLE = ULONGLONG;
using UCHAR = std::uint8_t;

enum WMIDPREQUESTCODE : DWORD {
  WMI_GET_ALL_DATA = 0,
  WMI_GET_SINGLE_INSTANCE = 1,
  WMI_SET_SINGLE_INSTANCE = 2,
  WMI_SET_SINGLE_ITEM = 3,
  WMI_ENABLE_EVENTS = 4,
  WMI_DISABLE_EVENTS = 5,
  WMI_ENABLE_COLLECTION = 6,
  WMI_DISABLE_COLLECTION = 7,
  WMI_REGINFO = 8,
  WMI_EXECUTE_METHOD = 9,
};

// The control callback: returns ERROR_SUCCESS or a Win32 error code.
using WMIDPREQUEST = ULONG (*)(WMIDPREQUESTCODE requestCode, void* context, ULONG* bufferSize, void* buffer);

struct TRACE_GUID_REGISTRATION {
  const GUID* Guid;
  HANDLE RegHandle;
};

// What a message carries besides its number.
inline constexpr ULONG TRACE_MESSAGE_SEQUENCE = 0x01;
inline constexpr ULONG TRACE_MESSAGE_GUID = 0x02;
inline constexpr ULONG TRACE_MESSAGE_COMPONENTID = 0x04;
inline constexpr ULONG TRACE_MESSAGE_TIMESTAMP = 0x08;
inline constexpr ULONG TRACE_MESSAGE_PERFORMANCE_TIMESTAMP = 0x10;
inline constexpr ULONG TRACE_MESSAGE_SYSTEMINFO = 0x20;

// Registers a provider; *registrationHandle identifies it for UnregisterTraceGuids.
// The two resource names are accepted and ignored.
ULONG RegisterTraceGuidsW(WMIDPREQUEST callback, void* context, const GUID* controlGuid, ULONG guidCount,
                          TRACE_GUID_REGISTRATION* registrations, LPCWSTR mofImagePath, LPCWSTR mofResourceName,
                          TRACEHANDLE* registrationHandle);
ULONG UnregisterTraceGuids(TRACEHANDLE registrationHandle);

// The logger handle from the buffer an enable request carries; 0 for NULL.
TRACEHANDLE GetTraceLoggerHandle(void* buffer);
UCHAR GetTraceEnableLevel(TRACEHANDLE loggerHandle);
ULONG GetTraceEnableFlags(TRACEHANDLE loggerHandle);

// Sends a message. The variable arguments are (pointer, size) pairs ended by
// a NULL pointer; they are accepted and not rendered. ERROR_INVALID_HANDLE
// for a handle no enabled provider holds.
ULONG TraceMessage(TRACEHANDLE loggerHandle, ULONG messageFlags, const GUID* messageGuid, USHORT messageNumber, ...);
