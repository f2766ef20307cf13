// Files by wide path: the temporary folder, unique temporary files, profile
// (INI) files and removal. Paths are UTF-16 here and UTF-8 on disk. Failures
// return 0 or FALSE and set the thread's last error.
#pragma once

#include "platform/types.h"

inline constexpr DWORD MAX_PATH = 260;

// TMPDIR (else "/tmp") with a trailing '/'. Returns the characters written
// without the NUL, or the size needed (with the NUL) when the buffer is short.
DWORD GetTempPathW(DWORD size, LPWSTR buffer);

// Creates a new empty file "<directory>/<prefix up to 3 characters><random>.tmp",
// exclusively (never an existing file or a link) and readable and writable by
// its owner only, and writes its path (at most MAX_PATH characters) into
// fileName. unique must be 0: a name made from a given number would be
// predictable. Returns a non-zero number on success.
UINT GetTempFileNameW(LPCWSTR directory, LPCWSTR prefix, UINT unique, LPWSTR fileName);

// Sets key = value in [section] of an INI file, UTF-8, creating the file, the
// section or the key as needed. The file is rewritten in place, so its owner
// and permissions stay.
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName);

BOOL DeleteFileW(LPCWSTR fileName);
