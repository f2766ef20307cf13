// Who a thread acts for. A user token names a user of the system's user
// database; a thread impersonating it answers that user's name to
// GetUserNameW until RevertToSelf. No privilege changes hands: the stand-in
// covers what the filters ask (the submitting user's name), not access checks.
// Failures return FALSE and set the last error.
#pragma once

#include "platform/types.h"

inline constexpr DWORD ERROR_NO_SUCH_USER = 1317;
inline constexpr DWORD ERROR_NO_TOKEN = 1008;
inline constexpr DWORD UNLEN = 256;  // longest user name, without the NUL

// A token for the named user (ERROR_NO_SUCH_USER when the database has none);
// for the process's own user when userName is NULL. Closed with CloseUserToken.
BOOL LogonUserW(LPCWSTR userName, HANDLE* token);
BOOL CloseUserToken(HANDLE token);

// The calling thread acts for the token's user; ERROR_INVALID_HANDLE for a
// token that is not one.
BOOL ImpersonateLoggedOnUser(HANDLE token);
// Ends the calling thread's impersonation (TRUE also when there was none).
BOOL RevertToSelf();

// The name of the user the thread acts for, with its NUL; *size is the buffer's
// length in characters on entry and the characters written (with the NUL) on
// return, or the length needed with ERROR_INSUFFICIENT_BUFFER.
BOOL GetUserNameW(LPWSTR buffer, DWORD* size);
