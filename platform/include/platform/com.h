// The component runtime: apartments, the in-process class registry, task memory,
// identifiers and clocks.
#pragma once

#include <functional>

#include "platform/unknown.h"

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

// Per thread: S_OK for the first call, S_FALSE for a nested one of the same
// model, RPC_E_CHANGED_MODE for another model. Each success needs a CoUninitialize.
HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();

// Creates an object of a registered class. Outer must be NULL (no aggregation).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);

// Makes one object of a class and queries it for riid.
using ClassCreator = std::function<HRESULT(REFIID riid, void** ppv)>;
// Registers (or replaces) a class in this process.
void RegisterClassCreator(REFCLSID clsid, ClassCreator creator);
void UnregisterClassCreator(REFCLSID clsid);

// Registers a class at load time: `static const ClassRegistration r{clsid, creator};`.
struct ClassRegistration {
  ClassRegistration(REFCLSID clsid, ClassCreator creator) { RegisterClassCreator(clsid, std::move(creator)); }
};

HRESULT CoCreateGuid(GUID* guid);  // random (version 4), from the kernel
HRESULT CoFileTimeNow(FILETIME* now);
DWORD GetTickCount();  // milliseconds since an arbitrary start, wraps at 2^32

void* CoTaskMemAlloc(SIZE_T bytes);
void* CoTaskMemRealloc(void* block, SIZE_T bytes);
void CoTaskMemFree(void* block);

// The process heap.
inline constexpr DWORD HEAP_ZERO_MEMORY = 0x8;
HANDLE GetProcessHeap();
void* HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
void* HeapReAlloc(HANDLE heap, DWORD flags, void* block, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, void* block);
SIZE_T HeapSize(HANDLE heap, DWORD flags, const void* block);

LONG InterlockedIncrement(volatile LONG* value);
LONG InterlockedDecrement(volatile LONG* value);
LONG InterlockedExchange(volatile LONG* value, LONG replacement);
