#include "platform/spooler.h"

#include <cstring>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <utility>

#include "platform/checked_int.h"
#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

struct SpoolerJob {
  std::u16string document;
  SYSTEMTIME submitted{};
  std::u16string user;
  DWORD status = 0;
};

struct Spooler {
  std::mutex mutex;
  std::u16string driver_directory;
  std::map<std::pair<std::u16string, DWORD>, SpoolerJob> jobs;
  std::map<std::u16string, PrinterDriverFiles, std::less<>> drivers;
};

Spooler& TheSpooler() {
  static Spooler spooler;
  return spooler;
}

// What an open printer handle points at.
struct OpenPrinter {
  std::u16string name;
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Copies text and its NUL into out; returns the position after it.
BYTE* PutString(BYTE* out, const std::u16string& text) {
  std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  return out + (text.size() + 1) * sizeof(WCHAR);
}

}  // namespace

BOOL OpenPrinterW(LPCWSTR printerName, HANDLE* printer, void* defaults) {
  if (!printer) return Fail(ERROR_INVALID_PARAMETER);
  *printer = nullptr;
  if (!printerName || defaults) return Fail(ERROR_INVALID_PARAMETER);
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  const std::u16string name(printerName);
  const auto job = spooler.jobs.lower_bound({name, 0});
  if (job == spooler.jobs.end() || job->first.first != name) return Fail(ERROR_INVALID_PRINTER_NAME);
  *printer = new OpenPrinter{name};
  return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
  if (!printer) return Fail(ERROR_INVALID_HANDLE);
  delete static_cast<OpenPrinter*>(printer);
  return TRUE;
}

BOOL GetJobW(HANDLE printer, DWORD jobId, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  if (!printer || !needed) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_PARAMETER);
  const OpenPrinter& open = *static_cast<const OpenPrinter*>(printer);
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  const auto found = spooler.jobs.find({open.name, jobId});
  if (found == spooler.jobs.end()) return Fail(ERROR_INVALID_PARAMETER);
  const SpoolerJob& job = found->second;
  const std::size_t bytes =
      sizeof(JOB_INFO_1W) + (open.name.size() + 1 + job.document.size() + 1 + job.user.size() + 1) * sizeof(WCHAR);
  const std::optional<DWORD> size_needed = TryIntCast<DWORD>(bytes);
  if (!size_needed) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  *needed = *size_needed;
  if (!buffer || size < bytes) return Fail(ERROR_INSUFFICIENT_BUFFER);
  JOB_INFO_1W info{};
  info.JobId = jobId;
  info.Status = job.status;
  info.Submitted = job.submitted;
  BYTE* strings = buffer + sizeof(JOB_INFO_1W);
  info.pPrinterName = reinterpret_cast<LPWSTR>(strings);
  strings = PutString(strings, open.name);
  info.pDocument = reinterpret_cast<LPWSTR>(strings);
  strings = PutString(strings, job.document);
  if (!job.user.empty()) {
    info.pUserName = reinterpret_cast<LPWSTR>(strings);
    PutString(strings, job.user);
  }
  std::memcpy(buffer, &info, sizeof info);
  return TRUE;
}

BOOL GetPrinterDriverW(HANDLE printer, LPCWSTR environment, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  if (!printer) return Fail(ERROR_INVALID_HANDLE);
  if (environment || level != 2 || !needed) return Fail(ERROR_INVALID_PARAMETER);
  const OpenPrinter& open = *static_cast<const OpenPrinter*>(printer);
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  const auto found = spooler.drivers.find(open.name);
  if (found == spooler.drivers.end()) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
  const PrinterDriverFiles& files = found->second;
  const std::u16string environmentName = u"Linux";
  const std::u16string* strings[] = {&files.name, &environmentName, &files.driverPath, &files.dataFile,
                                     &files.configFile};
  std::size_t bytes = sizeof(DRIVER_INFO_2W);
  for (const std::u16string* text : strings) bytes += (text->size() + 1) * sizeof(WCHAR);
  const std::optional<DWORD> size_needed = TryIntCast<DWORD>(bytes);
  if (!size_needed) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  *needed = *size_needed;
  if (!buffer || size < bytes) return Fail(ERROR_INSUFFICIENT_BUFFER);
  DRIVER_INFO_2W info{};
  info.cVersion = 3;
  LPWSTR* fields[] = {&info.pName, &info.pEnvironment, &info.pDriverPath, &info.pDataFile, &info.pConfigFile};
  BYTE* out = buffer + sizeof(DRIVER_INFO_2W);
  for (std::size_t i = 0; i < std::size(strings); ++i) {
    *fields[i] = reinterpret_cast<LPWSTR>(out);
    out = PutString(out, *strings[i]);
  }
  std::memcpy(buffer, &info, sizeof info);
  return TRUE;
}

BOOL GetPrinterDriverDirectoryW(LPCWSTR server, LPCWSTR environment, DWORD level, BYTE* directory, DWORD size,
                                DWORD* needed) {
  if (server || environment || level != 1 || !needed) return Fail(ERROR_INVALID_PARAMETER);
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  if (spooler.driver_directory.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  const std::size_t bytes = (spooler.driver_directory.size() + 1) * sizeof(WCHAR);
  const std::optional<DWORD> size_needed = TryIntCast<DWORD>(bytes);
  if (!size_needed) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  *needed = *size_needed;
  if (!directory || size < bytes) return Fail(ERROR_INSUFFICIENT_BUFFER);
  PutString(directory, spooler.driver_directory);
  return TRUE;
}

void SetPrinterDriverDirectory(std::u16string_view directory) {
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  spooler.driver_directory = directory;
}

void AddSpoolerJob(std::u16string_view printerName, DWORD jobId, std::u16string_view documentName,
                   const SYSTEMTIME& submitted, std::u16string_view userName) {
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  spooler.jobs.insert_or_assign({std::u16string(printerName), jobId},
                                SpoolerJob{std::u16string(documentName), submitted, std::u16string(userName), 0});
}

void SetPrinterDriver(std::u16string_view printerName, const PrinterDriverFiles& driver) {
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  spooler.drivers.insert_or_assign(std::u16string(printerName), driver);
}

void SetSpoolerJobStatus(std::u16string_view printerName, DWORD jobId, DWORD status) {
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  const auto found = spooler.jobs.find({std::u16string(printerName), jobId});
  if (found != spooler.jobs.end()) found->second.status |= status;
}

void RemoveSpoolerJob(std::u16string_view printerName, DWORD jobId) {
  Spooler& spooler = TheSpooler();
  std::lock_guard lock(spooler.mutex);
  spooler.jobs.erase({std::u16string(printerName), jobId});
}
