// Calendar time as the filters ask for it: the local time now, and the
// conversions between a SYSTEMTIME (calendar fields), a FILETIME (100 ns since
// 1601-01-01 UTC) and local time, on the C library's time zone (TZ).
// Failures return FALSE with ERROR_INVALID_PARAMETER as the last error.
#pragma once

#include "platform/types.h"

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1 to 12
  WORD wDayOfWeek;  // 0 Sunday to 6 Saturday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);  // UTC
// A field out of its range (month 13, 30 February, year before 1601 or after
// 30827) fails; the day of the week is not read.
BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* file);
BOOL FileTimeToSystemTime(const FILETIME* file, SYSTEMTIME* system);
// UTC to local time by the zone's rule at that moment.
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
