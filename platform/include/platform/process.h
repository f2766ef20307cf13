// Starting a program and waiting for it, over posix_spawn and waitpid.
//
// Arguments (CreateProcessW): applicationName is the program's path, used as
// it stands (blanks and all, no search of PATH) and handed to the program as
// its argv[0]. commandLine holds only the arguments that follow, split by
// this rule:
// - arguments are separated by runs of blanks and tabs;
// - a double quote starts or ends a quoted run, in which blanks and tabs
//   belong to the argument; the quotes themselves are dropped, and "" alone
//   is an empty argument;
// - no other character is special: backslashes are kept as they are.
// So `1041 "/tmp/my files/kv1.tmp"` is two arguments, and an argument cannot
// hold a double quote. A NULL or blank command line gives no arguments.
//
// Only what this layer's callers use is supported: no handle inheritance
// beyond the standard streams, creation flags 0, the caller's environment
// (environment NULL); currentDirectory NULL keeps the caller's. Failures
// return FALSE and set the last error: ERROR_INVALID_PARAMETER for what is
// not supported, ERROR_FILE_NOT_FOUND / ERROR_ACCESS_DENIED when the program
// cannot be run (a directory is ERROR_ACCESS_DENIED).
//
// The process and thread handles are the caller's to close; closing them
// does not stop the program. A handle waited for is reaped by the wait.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

inline constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
inline constexpr WORD SW_SHOWNORMAL = 1;

struct STARTUPINFOW {
  DWORD cb;  // sizeof(STARTUPINFOW)
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;  // no windows here: taken and ignored
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, void* processAttributes, void* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment, LPCWSTR currentDirectory,
                    STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation);

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Waits until the process of a process or thread handle has ended.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// FALSE with ERROR_INVALID_HANDLE for anything but a live process or thread handle.
BOOL CloseHandle(HANDLE handle);

// The command-line rule above, for UTF-8 text; nullopt for an unclosed quote.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine);
