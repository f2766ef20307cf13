// Loading the libraries of the driver package by their Windows-style file
// names, over the dynamic linker.
//
// Mapping rule (MapLibraryFileName): the final component of the name (after
// the last '/' or '\') loses a ".dll" extension in any letter case, is
// lower-cased and becomes "lib<name>.so": "XORDFLT.DLL" and "xordflt.dll" ->
// "libxordflt.so", "PrnCtrl" -> "libprnctrl.so". A name that already ends in
// ".so" is a native file name and is kept as it is.
//
// Search (LoadLibraryW):
// - a name starting with '/' is a path: its mapped file in that directory only;
// - a name with a directory part is resolved against the current directory;
// - a bare name is looked for, in this order, in the directory last set with
//   SetDllDirectoryW, the directory of the module that calls LoadLibraryW,
//   and the directory of the program.
// The system's library path is never searched, so a driver package cannot
// pick up a stray library of the same name. Libraries load with their symbols
// kept private (each filter library has its own entry points of the same names).
//
// Failures return NULL or FALSE and set the thread's last error
// (platform/last_error.h): ERROR_MOD_NOT_FOUND when no file exists,
// ERROR_BAD_EXE_FORMAT when a file exists but does not load, ERROR_PROC_NOT_FOUND
// for a missing entry point, ERROR_INVALID_HANDLE / ERROR_INVALID_PARAMETER
// for bad arguments. GetLastLoaderMessage tells why a load failed, in words.
//
// An HMODULE is the dynamic linker's handle of the loaded object; the handle
// of a library that is already loaded is the same for every load.
#pragma once

#include <string>
#include <string_view>

#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/types.h"

// Any exported function; cast it to its real type with reinterpret_cast
// before the call (the generic function type converts without warnings).
using FARPROC = void (*)();

inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;

// The file name a Windows-style library name maps to (see above); empty when
// the name has no file part or is not valid UTF-16.
std::string MapLibraryFileName(std::u16string_view name);

// Loads a library (counted: every successful load needs a FreeLibrary).
HMODULE LoadLibraryW(LPCWSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// The full path of a module (NULL: the program), as a NUL-terminated string.
// Returns the characters copied without the NUL; when the buffer is too small
// the path is cut to size - 1 characters, the last error is
// ERROR_INSUFFICIENT_BUFFER and size is returned. 0 on failure.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

// The directory searched first for bare names; NULL or "" clears it.
BOOL SetDllDirectoryW(LPCWSTR pathName);

// The module containing an address (flag FROM_ADDRESS), without taking a load
// reference (flag UNCHANGED_REFCOUNT, which is required here). A library uses
// it to find its own handle.
inline constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
inline constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleNameOrAddress, HMODULE* module);

// Why the last failed LoadLibraryW on this thread failed (the dynamic
// linker's words, or the file names searched); empty after a success.
std::string GetLastLoaderMessage();

// The reasons a library's entry function DllMain is called for.
inline constexpr DWORD DLL_PROCESS_DETACH = 0;
inline constexpr DWORD DLL_PROCESS_ATTACH = 1;
inline constexpr DWORD DLL_THREAD_ATTACH = 2;
inline constexpr DWORD DLL_THREAD_DETACH = 3;
