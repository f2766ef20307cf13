// The entry points of an in-process server library, as its loader calls them
// (find them with GetProcAddress under the names DllMain, DllGetClassObject
// and DllCanUnloadNow).
#pragma once

#include "platform/hresult.h"
#include "platform/unknown.h"

// reason is DLL_PROCESS_ATTACH etc. (platform/library_loader.h); returns TRUE.
using DllMainFunction = BOOL (*)(HMODULE module, DWORD reason, void* reserved);
// Creates the library's object of class rclsid and queries it for riid.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
// S_OK when no object of the library is alive, else S_FALSE.
using DllCanUnloadNowFunction = HRESULT (*)();
