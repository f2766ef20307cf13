// The entry points of the printer-control library (PRNCTRL.DLL): a job per
// PrnCtrlOpen. The conversion handle and the converter context are both the
// job's RasterJob, so nothing is left to free when a failed job skips
// PrnCtrlXPS2SPDLClose.
#include <cstdio>

#include "converter/control/control_job.h"
#include "converter/utf16_text.h"

#define KESTREL_EXPORT extern "C" __attribute__((visibility("default")))

KESTREL_EXPORT void* PrnCtrlOpen(const WCHAR*, void*, const WCHAR* encoderPath, ConverterWriteCallback write,
                                 void* context, ConverterOpenInfo* info, ZeroFlagCallback zeroFlag) {
  if (!write || !info || !zeroFlag || info->size != sizeof(ConverterOpenInfo)) return nullptr;
  const std::string path = converter::EncodeUtf8(converter::DecodeUtf16(encoderPath, 4096));
  auto* job = new ControlJob(path, write, context, zeroFlag);
  if (!job->failure().empty()) {
    std::fprintf(stderr, "prnctrl: %s\n", job->failure().c_str());
    delete job;
    return nullptr;
  }
  return job;
}

KESTREL_EXPORT void* PrnCtrlXPS2SPDLOpen(ZeroFlagCallback, void* control) {
  if (!control) return nullptr;
  return static_cast<ControlJob*>(control)->raster();
}

KESTREL_EXPORT void* GetConvCntFromSPDLCnt(void* conversion) {
  return conversion;
}

KESTREL_EXPORT INT DevModeSet(const void* devmode, DWORD size, void* control) {
  if (!control) return 0;
  static_cast<ControlJob*>(control)->SetDevMode(devmode, size);
  return 1;
}

KESTREL_EXPORT INT PrnCtrlXPS2SPDLClose(void* conversion) {
  if (!conversion) return 0;
  return static_cast<ControlJob*>(static_cast<RasterJob*>(conversion)->control)->Finish() ? 1 : 0;
}

KESTREL_EXPORT INT PrnCtrlClose(void* control) {
  delete static_cast<ControlJob*>(control);
  return 1;
}
