// The recording markup converter: logs every call with its arguments. Refuses
// a chosen element, or cancels the job at one (see recording_job.h).
#include <signal.h>
#include <unistd.h>

#include <vector>

#include "platform/spooler.h"
#include "platform/system_info.h"
#include "platform/utf.h"
#include "tests/rip/recording_converter/recording_job.h"

using recording::Escape;
using recording::RecordingJob;

namespace {

RecordingJob& Job(void* converter) { return *static_cast<RecordingJob*>(converter); }

std::string Pointer(const void* p) { return p ? "set" : "null"; }

// Until the spooler shows the job as deleting (at most 10 s).
void WaitForDeleting(const RecordingJob& job) {
  HANDLE printer = nullptr;
  if (!OpenPrinterW(job.printer.c_str(), &printer, nullptr)) return;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    DWORD needed = 0;
    GetJobW(printer, job.job, 1, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed && GetJobW(printer, job.job, 1, buffer.data(), needed, &needed) &&
        (reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status & JOB_STATUS_DELETING))
      break;
    Sleep(10);
  }
  ClosePrinter(printer);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) INT XpsSetConvResAPI(void* converter, IFixedPage* page,
                                                                      GetXPSFontDataFunction font,
                                                                      GetXPSICCDataFunction profile,
                                                                      GetXPSImageDataFunction image,
                                                                      void* reserved1, void* reserved2) {
  Job(converter).Call("XpsSetConvResAPI page=" + Pointer(page) + " font=" + Pointer(reinterpret_cast<void*>(font)) +
                      " profile=" + Pointer(reinterpret_cast<void*>(profile)) +
                      " image=" + Pointer(reinterpret_cast<void*>(image)) + " reserved=" + Pointer(reserved1) +
                      "," + Pointer(reserved2));
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XpsSetPageDevice(void* converter, BYTE one, INT v1, INT v2,
                                                                      INT v3, INT v4, INT v5, INT v6, INT v7, INT v8,
                                                                      INT v9, INT v10, INT v11, INT v12, INT v13,
                                                                      INT v14, INT v15, INT v16, INT v17, INT v18) {
  std::string line = "XpsSetPageDevice " + std::to_string(one);
  for (const INT value : {v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13, v14, v15, v16, v17, v18})
    line += " " + std::to_string(value);
  Job(converter).Call(line);
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSStartElem(const char* name, void* converter) {
  RecordingJob& job = Job(converter);
  job.Call("StartElem " + Escape(name));
  if (job.cancel().Matches(job.page(), name)) {
    ::kill(::getpid(), SIGINT);
    WaitForDeleting(job);
  }
  return job.reject().Matches(job.page(), name) ? 0 : 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSReadAtt(const char* name, const void* value,
                                                                void* converter) {
  std::string text;
  if (std::string_view(name) == "UnicodeString")
    text = Utf16ToUtf8(static_cast<const WCHAR*>(value)).value_or("<invalid UTF-16>");
  else
    text = static_cast<const char*>(value);
  Job(converter).Call("ReadAtt " + Escape(name) + "=" + Escape(text));
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSEndElem(const char* name, void* converter) {
  Job(converter).Call("EndElem " + Escape(name));
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT XPSEndCurElem(void* converter) {
  Job(converter).Call("EndCurElem");
  return 1;
}
