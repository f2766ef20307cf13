// The calling thread's last error code, set by platform functions that
// report failure as NULL or FALSE.
#pragma once

#include "platform/types.h"

DWORD GetLastError();
void SetLastError(DWORD code);
