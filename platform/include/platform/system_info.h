// What a library may ask of the system about itself: its version, the
// system's language, and a pause.
#pragma once

#include "platform/types.h"

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;  // set by the caller: sizeof(OSVERSIONINFOW)
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// Version 6.1 of the platform this layer stands in for. FALSE with
// ERROR_INVALID_PARAMETER when the size is not set.
BOOL GetVersionExW(OSVERSIONINFOW* info);

using LANGID = WORD;
// The language of the process's locale (LC_ALL, LC_MESSAGES, LANG, in the
// usual order) as a language identifier: "ja_JP.UTF-8" is 0x0411; a language
// not in the table, "C" and "POSIX" are 0x0409 (English, United States).
LANGID GetSystemDefaultLangID();

void Sleep(DWORD milliseconds);
