// The print spooler as the filters see it: printers opened by name, the jobs
// queued on them (document name and status) and the printer-driver directory.
//
// The host feeds it: AddSpoolerJob for every job it runs, SetSpoolerJobStatus
// when the job is cancelled (JOB_STATUS_DELETING), RemoveSpoolerJob at the
// end, and SetPrinterDriverDirectory with the driver package's folder.
// Failures return FALSE and set the thread's last error.
#pragma once

#include <string_view>

#include "platform/types.h"

inline constexpr DWORD JOB_STATUS_PAUSED = 0x1;
inline constexpr DWORD JOB_STATUS_ERROR = 0x2;
inline constexpr DWORD JOB_STATUS_DELETING = 0x4;
inline constexpr DWORD JOB_STATUS_SPOOLING = 0x8;
inline constexpr DWORD JOB_STATUS_PRINTING = 0x10;
inline constexpr DWORD JOB_STATUS_DELETED = 0x100;

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

// Level 1 of GetJobW. The strings point into the caller's buffer, after the record.
struct JOB_INFO_1W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pDatatype;
  LPWSTR pStatus;
  DWORD Status;  // JOB_STATUS_... bits
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
};

// ---- The filters' side ----

// A printer the spooler has a job for. defaults must be NULL here.
BOOL OpenPrinterW(LPCWSTR printerName, HANDLE* printer, void* defaults);
BOOL ClosePrinter(HANDLE printer);
// Level 1 only. With a buffer too small (or NULL), FALSE with
// ERROR_INSUFFICIENT_BUFFER and *needed set; ERROR_INVALID_PARAMETER for a job
// the printer does not have.
BOOL GetJobW(HANDLE printer, DWORD jobId, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
// The printer-driver directory as a NUL-terminated wide string (level 1;
// server and environment must be NULL). ERROR_INSUFFICIENT_BUFFER as above,
// ERROR_FILE_NOT_FOUND when no directory was set.
BOOL GetPrinterDriverDirectoryW(LPCWSTR server, LPCWSTR environment, DWORD level, BYTE* directory, DWORD size,
                                DWORD* needed);

// ---- The host's side ----

void SetPrinterDriverDirectory(std::u16string_view directory);
// A job queued on the printer; adding it again replaces it. userName: who
// submitted it (pUserName), empty when not known (pUserName NULL).
void AddSpoolerJob(std::u16string_view printerName, DWORD jobId, std::u16string_view documentName,
                   std::u16string_view userName = {});
// Sets the status bits given (a job of another printer or id: nothing).
void SetSpoolerJobStatus(std::u16string_view printerName, DWORD jobId, DWORD status);
void RemoveSpoolerJob(std::u16string_view printerName, DWORD jobId);
