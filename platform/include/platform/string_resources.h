// String resources of a library: a library loaded with LoadLibraryW carries
// its strings as a table it exports through a function named
// "StringResourceTable" (see STRING_RESOURCE_TABLE_PROC); LoadStringW looks a
// string up by its number.
#pragma once

#include "platform/types.h"

struct STRING_RESOURCE {
  UINT id;
  LPCWSTR text;  // NUL-terminated
};

// Answers the table and its length; the table lives as long as the library.
using STRING_RESOURCE_TABLE_PROC = const STRING_RESOURCE* (*)(UINT* count);
inline constexpr char kStringResourceTableProc[] = "StringResourceTable";

inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// Copies the string (cut to bufferMax - 1 characters) and its NUL into buffer
// and returns its length. 0 when the module has no table
// (ERROR_RESOURCE_DATA_NOT_FOUND) or no such string
// (ERROR_RESOURCE_NAME_NOT_FOUND); ERROR_INVALID_PARAMETER for a NULL buffer
// or a bufferMax below 1, ERROR_INVALID_HANDLE for a module not loaded.
int LoadStringW(HMODULE module, UINT id, LPWSTR buffer, int bufferMax);
