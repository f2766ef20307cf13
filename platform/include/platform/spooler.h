// The print spooler as the filters see it: printers opened by name, the jobs
// queued on them (document name, submission time and status), the printer's
// driver files and the printer-driver directory.
//
// The host feeds it: AddSpoolerJob for every job it runs, SetSpoolerJobStatus
// when the job is cancelled (JOB_STATUS_DELETING), RemoveSpoolerJob at the
// end, SetPrinterDriverDirectory with the driver package's folder and
// SetPrinterDriver with the printer's driver files.
// Failures return FALSE and set the thread's last error.
#pragma once

#include <string>
#include <string_view>

#include "platform/system_time.h"
#include "platform/types.h"

inline constexpr DWORD ERROR_UNKNOWN_PRINTER_DRIVER = 1797;

inline constexpr DWORD JOB_STATUS_PAUSED = 0x1;
inline constexpr DWORD JOB_STATUS_ERROR = 0x2;
inline constexpr DWORD JOB_STATUS_DELETING = 0x4;
inline constexpr DWORD JOB_STATUS_SPOOLING = 0x8;
inline constexpr DWORD JOB_STATUS_PRINTING = 0x10;
inline constexpr DWORD JOB_STATUS_DELETED = 0x100;

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
  SYSTEMTIME Submitted;  // UTC; all 0 when the host did not say
};

// Level 2 of GetPrinterDriverW. The strings point into the caller's buffer.
struct DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;  // the driver's configuration module; its folder holds the driver's other modules
};

// What the host registers for a printer.
struct PrinterDriverFiles {
  std::u16string name;
  std::u16string driverPath;
  std::u16string dataFile;
  std::u16string configFile;
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

// Level 2 only, environment NULL. ERROR_INSUFFICIENT_BUFFER as above;
// ERROR_UNKNOWN_PRINTER_DRIVER when the host registered no driver for the printer.
BOOL GetPrinterDriverW(HANDLE printer, LPCWSTR environment, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);

// ---- The host's side ----

void SetPrinterDriverDirectory(std::u16string_view directory);
// A job queued on the printer; adding it again replaces it. submitted is UTC;
// userName: who submitted it (pUserName), empty when not known (pUserName NULL).
void AddSpoolerJob(std::u16string_view printerName, DWORD jobId, std::u16string_view documentName,
                   const SYSTEMTIME& submitted = {}, std::u16string_view userName = {});
// Sets the status bits given (a job of another printer or id: nothing).
void SetSpoolerJobStatus(std::u16string_view printerName, DWORD jobId, DWORD status);
void RemoveSpoolerJob(std::u16string_view printerName, DWORD jobId);
void SetPrinterDriver(std::u16string_view printerName, const PrinterDriverFiles& driver);
