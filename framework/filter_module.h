// What makes a filter library a COM in-process server of the pipeline: its
// identifiers, its module-wide state and its three exported entry points.
//
// Each filter library defines kThisFilterModule; the framework, linked into
// each library as a static library with hidden symbols, keeps one module
// state per library. DllMain runs from the library's load and unload.
#pragma once

#include <new>

#include "platform/com_server.h"
#include "platform/guid.h"

class XpsFilterBase;

struct FilterModuleDefinition {
  // The class DllGetClassObject answers.
  CLSID class_id;
  // The control GUID of the library's trace provider (also its message GUID).
  GUID trace_provider;
  // A new filter object with one reference, NULL when memory runs out; may
  // throw HResultError.
  XpsFilterBase* (*create)();
};

// Defined by each filter library.
extern const FilterModuleDefinition kThisFilterModule;

template <typename Filter>
XpsFilterBase* CreateFilterObject() {
  return new (std::nothrow) Filter;
}

// The trace flag that enables the load and unload messages (10 and 11).
inline constexpr ULONG kTraceFlagLoadUnload = 0x4;

// The module lock count: live filter objects of this library.
void LockModule();
void UnlockModule();

// The handle of this library, as received at process attach.
HMODULE ThisModuleHandle();

extern "C" {
__attribute__((visibility("default"))) BOOL DllMain(HMODULE module, DWORD reason, void* reserved);
__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
__attribute__((visibility("default"))) HRESULT DllCanUnloadNow();
}
