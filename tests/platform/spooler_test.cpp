// The spooler stand-in: jobs by printer and number, their document name and
// status (and user) through GetJobW's two-call protocol, and the printer-driver directory.
#include "platform/spooler.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/hresult.h"
#include "platform/last_error.h"

namespace {

// GetJobW level 1 the way callers make it: ask for the size, then fill.
std::vector<BYTE> JobInfo(HANDLE printer, DWORD job) {
  DWORD needed = 0;
  EXPECT_FALSE(GetJobW(printer, job, 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buffer(needed);
  EXPECT_FALSE(GetJobW(printer, job, 1, buffer.data(), needed - 1, &needed));
  EXPECT_TRUE(GetJobW(printer, job, 1, buffer.data(), needed, &needed));
  return buffer;
}

TEST(Spooler, AJobShowsItsDocumentAndStatusUntilRemoved) {
  AddSpoolerJob(u"Spooler test", 3, u"letter.xps");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Spooler test", &printer, nullptr));
  std::vector<BYTE> info = JobInfo(printer, 3);
  const auto* job = reinterpret_cast<const JOB_INFO_1W*>(info.data());
  EXPECT_EQ(job->JobId, 3u);
  EXPECT_EQ(std::u16string(job->pDocument), u"letter.xps");
  EXPECT_EQ(std::u16string(job->pPrinterName), u"Spooler test");
  EXPECT_EQ(job->pUserName, nullptr);
  EXPECT_EQ(job->Status, 0u);

  SetSpoolerJobStatus(u"Spooler test", 3, JOB_STATUS_DELETING);
  info = JobInfo(printer, 3);
  EXPECT_EQ(reinterpret_cast<const JOB_INFO_1W*>(info.data())->Status, JOB_STATUS_DELETING);

  DWORD needed = 0;
  EXPECT_FALSE(GetJobW(printer, 4, 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  RemoveSpoolerJob(u"Spooler test", 3);
  EXPECT_FALSE(GetJobW(printer, 3, 1, nullptr, 0, &needed));
  EXPECT_TRUE(ClosePrinter(printer));

  EXPECT_FALSE(OpenPrinterW(u"Spooler test", &printer, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  EXPECT_EQ(printer, nullptr);
}

TEST(Spooler, AJobNamesTheUserWhoSubmittedIt) {
  AddSpoolerJob(u"Spooler test", 5, u"Quarterly report", {}, u"alice");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Spooler test", &printer, nullptr));
  const std::vector<BYTE> info = JobInfo(printer, 5);
  const auto* job = reinterpret_cast<const JOB_INFO_1W*>(info.data());
  EXPECT_EQ(std::u16string(job->pDocument), u"Quarterly report");
  ASSERT_NE(job->pUserName, nullptr);
  EXPECT_EQ(std::u16string(job->pUserName), u"alice");
  RemoveSpoolerJob(u"Spooler test", 5);
  EXPECT_TRUE(ClosePrinter(printer));
}

TEST(Spooler, ThePrinterDriverDirectoryIsTheOneSet) {
  SetPrinterDriverDirectory(u"/opt/driver");
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, buffer.data(), needed, &needed));
  EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(buffer.data())), u"/opt/driver");
  EXPECT_FALSE(GetPrinterDriverDirectoryW(u"server", nullptr, 1, buffer.data(), needed, &needed));
  SetPrinterDriverDirectory(u"");
  EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, buffer.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace

namespace {

TEST(Spooler, AJobKeepsItsSubmissionTimeAndThePrinterItsDriverFiles) {
  const SYSTEMTIME submitted{2024, 3, 6, 9, 13, 5, 7, 0};
  AddSpoolerJob(u"Driver test", 8, u"report.xps", submitted);
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Driver test", &printer, nullptr));
  const std::vector<BYTE> info = JobInfo(printer, 8);
  const SYSTEMTIME& time = reinterpret_cast<const JOB_INFO_1W*>(info.data())->Submitted;
  EXPECT_EQ(time.wYear, 2024);
  EXPECT_EQ(time.wDayOfWeek, 6);
  EXPECT_EQ(time.wSecond, 7);

  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_UNKNOWN_PRINTER_DRIVER) << "nothing registered yet";
  SetPrinterDriver(u"Driver test", {u"Kestrel", u"/pkg", u"/pkg/printer.xml", u"/pkg/KSTUI.DLL"});
  EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buffer(needed);
  EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed - 1, &needed));
  ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed));
  const auto* driver = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
  EXPECT_EQ(std::u16string(driver->pName), u"Kestrel");
  EXPECT_EQ(std::u16string(driver->pDataFile), u"/pkg/printer.xml");
  EXPECT_EQ(std::u16string(driver->pConfigFile), u"/pkg/KSTUI.DLL");
  EXPECT_FALSE(GetPrinterDriverW(printer, u"Windows x64", 2, buffer.data(), needed, &needed));
  EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 3, buffer.data(), needed, &needed));
  EXPECT_FALSE(GetPrinterDriverW(nullptr, nullptr, 2, buffer.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  ClosePrinter(printer);
  RemoveSpoolerJob(u"Driver test", 8);
}

}  // namespace
