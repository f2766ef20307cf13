// The recording printer-control library: opens the recording job, logs the
// job's calls and, per page, the DEVMODE's main fields; reports a file per
// page when asked to, and fails the conversion's close when asked to
// (KESTREL_RECORDER_CLOSE_FAILS).
#include <cstring>
#include <fstream>

#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "tests/rip/recording_converter/recording_job.h"

using recording::RecordingJob;

namespace {

std::string Utf8(const WCHAR* text) { return Utf16ToUtf8(text).value_or("<invalid UTF-16>"); }

// The conversion handle: the job itself, one step removed.
struct Conversion {
  RecordingJob* job;
};

void ReportPageFile(RecordingJob& job) {
  if (job.files().empty()) return;
  const std::string path = job.files() + "/page" + std::to_string(job.page()) + ".spl";
  std::ofstream(path) << "page " << job.page() << "\n";
  const std::u16string wide = Utf8ToUtf16(path).value() + u'\0';
  job.Call("Emit kind=1 " + path);
  job.Emit(kOutputFileName, std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
  // A kind the filter must skip.
  job.Emit(7, "skip me");
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* PrnCtrlOpen(const WCHAR* channel, void* reserved,
                                                                    const WCHAR* encoderPath,
                                                                    ConverterWriteCallback write, void* context,
                                                                    ConverterOpenInfo* info, ZeroFlagCallback zero) {
  if (!write || !info || !zero) return nullptr;
  auto* job = new RecordingJob(write, context);
  job->printer = info->printerName;
  job->job = info->jobId;
  BYTE flag = 9;
  zero(&flag);
  job->Call("PrnCtrlOpen channel=" + Utf8(channel) + " reserved=" + (reserved ? "set" : "null") +
            " encoder=" + Utf8(encoderPath) + " size=" + std::to_string(info->size) +
            " printer=" + Utf8(info->printerName) + " document=" + Utf8(info->documentName) +
            " job=" + std::to_string(info->jobId) + " one=" + std::to_string(info->one) +
            " last=" + Utf8(info->reserved) + " zeroflag=" + std::to_string(flag));
  return job;
}

extern "C" __attribute__((visibility("default"))) void* PrnCtrlXPS2SPDLOpen(ZeroFlagCallback zero, void* control) {
  if (!zero || !control) return nullptr;
  auto* job = static_cast<RecordingJob*>(control);
  job->Call("PrnCtrlXPS2SPDLOpen");
  return new Conversion{job};
}

extern "C" __attribute__((visibility("default"))) void* GetConvCntFromSPDLCnt(void* conversion) {
  if (!conversion) return nullptr;
  RecordingJob* job = static_cast<Conversion*>(conversion)->job;
  job->Call("GetConvCntFromSPDLCnt");
  return job;
}

extern "C" __attribute__((visibility("default"))) INT DevModeSet(const void* devmode, DWORD size, void* control) {
  auto* job = static_cast<RecordingJob*>(control);
  job->NextPage();
  std::string line = "DevModeSet page=" + std::to_string(job->page()) + " size=" + std::to_string(size);
  if (devmode && size >= sizeof(DEVMODEW)) {
    DEVMODEW public_part;
    std::memcpy(&public_part, devmode, sizeof public_part);
    line += " orientation=" + std::to_string(public_part.dmOrientation) +
            " paper=" + std::to_string(public_part.dmPaperSize) +
            " quality=" + std::to_string(public_part.dmPrintQuality) +
            " yresolution=" + std::to_string(public_part.dmYResolution);
  }
  job->Call(line);
  ReportPageFile(*job);
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT PrnCtrlXPS2SPDLClose(void* conversion) {
  auto* handle = static_cast<Conversion*>(conversion);
  handle->job->Call("PrnCtrlXPS2SPDLClose");
  handle->job->Flush();
  delete handle;
  return recording::Env("KESTREL_RECORDER_CLOSE_FAILS").empty() ? 1 : 0;
}

extern "C" __attribute__((visibility("default"))) INT PrnCtrlClose(void* control) {
  auto* job = static_cast<RecordingJob*>(control);
  job->Call("PrnCtrlClose");
  job->Flush();
  delete job;
  return 1;
}
