#include "framework/filter_module.h"

#include <atomic>

#include "framework/xps_filter_base.h"
#include "platform/event_trace.h"
#include "platform/library_loader.h"
#include "ticket/hresult_error.h"

namespace {

// What the trace controller last told this library's provider.
struct TraceControlBlock {
  TRACEHANDLE registration;
  TRACEHANDLE logger;
  UCHAR level;
  ULONG flags;
};

// Module-wide state, constant-initialised so that it is ready before any
// load-time code of the library runs.
constinit HMODULE module_handle = nullptr;
constinit TraceControlBlock trace_control{0, 0, 0, 0};
constinit std::atomic<LONG> module_lock_count{0};

constexpr USHORT kMessageLoaded = 10;
constexpr USHORT kMessageUnloading = 11;
constexpr ULONG kMessageFlags =
    TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;

ULONG TraceControlCallback(WMIDPREQUESTCODE request, void* context, ULONG*, void* buffer) {
  auto* control = static_cast<TraceControlBlock*>(context);
  switch (request) {
    case WMI_ENABLE_EVENTS:
      control->logger = GetTraceLoggerHandle(buffer);
      control->level = GetTraceEnableLevel(control->logger);
      control->flags = GetTraceEnableFlags(control->logger);
      return ERROR_SUCCESS;
    case WMI_DISABLE_EVENTS:
      control->logger = 0;
      control->level = 0;
      control->flags = 0;
      return ERROR_SUCCESS;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

void TraceLoadUnload(USHORT message) {
  if (trace_control.logger != 0 && (trace_control.flags & kTraceFlagLoadUnload))
    TraceMessage(trace_control.logger, kMessageFlags, &kThisFilterModule.trace_provider, message);
}

void AttachProcess(HMODULE module) {
  module_handle = module;
  trace_control = TraceControlBlock{0, 0, 0, 0};
  TRACE_GUID_REGISTRATION registration{&kThisFilterModule.trace_provider, nullptr};
  // A library without tracing still works: the result is not needed.
  RegisterTraceGuidsW(TraceControlCallback, &trace_control, &kThisFilterModule.trace_provider, 1, &registration,
                      nullptr, nullptr, &trace_control.registration);
  TraceLoadUnload(kMessageLoaded);
}

void DetachProcess() {
  TraceLoadUnload(kMessageUnloading);
  if (trace_control.registration != 0) {
    UnregisterTraceGuids(trace_control.registration);
    trace_control.registration = 0;
  }
}

BOOL OnModuleEvent(HMODULE module, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) AttachProcess(module);
  if (reason == DLL_PROCESS_DETACH) DetachProcess();
  return TRUE;
}

// The dynamic linker's load and unload of the library stand for the process
// attach and detach calls of DllMain. They call its body directly, so that
// another library's DllMain can never be bound in its place.
__attribute__((constructor)) void OnLibraryLoad() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&module_handle), &self);
  OnModuleEvent(self, DLL_PROCESS_ATTACH);
}

__attribute__((destructor)) void OnLibraryUnload() { OnModuleEvent(module_handle, DLL_PROCESS_DETACH); }

}  // namespace

void LockModule() { module_lock_count.fetch_add(1); }
void UnlockModule() { module_lock_count.fetch_sub(1); }
HMODULE ThisModuleHandle() { return module_handle; }

extern "C" BOOL DllMain(HMODULE module, DWORD reason, void*) { return OnModuleEvent(module, reason); }

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != kThisFilterModule.class_id) return CLASS_E_CLASSNOTAVAILABLE;
  XpsFilterBase* filter = nullptr;
  const HRESULT created = CallReturningHresult([&] {
    filter = kThisFilterModule.create();
    return filter ? S_OK : E_OUTOFMEMORY;
  });
  if (FAILED(created)) return created;
  const HRESULT hr = filter->QueryInterface(riid, ppv);
  // The construction reference: the object dies here when the query failed.
  filter->Release();
  return hr;
}

extern "C" HRESULT DllCanUnloadNow() {
  return module_lock_count.load() == 0 ? S_OK : S_FALSE;
}
