// A stand-in printer-control library for manual duplex: each page's printer
// data is one line, "front N" (or "page N" for a one-sided job). When the
// page's DEVMODE asks for manual duplex, even pages are backs: their line goes
// into the file "back<N>.prn" of the folder KESTREL_DUPLEX_FILES names (else
// the temporary folder), reported as a file-name record.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "converter/converter_interface.h"
#include "driver/devmode/devmode_private.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"

namespace {

struct DuplexJob {
  ConverterWriteCallback write;
  void* context;
  int page = 0;
};

void Emit(DuplexJob& job, BYTE kind, const void* payload, DWORD length) {
  OutputRecordHeader header{};
  header.kind = kind;
  header.length = length;
  job.write(&header, sizeof header, job.context);
  job.write(payload, length, job.context);
}

bool ManualDuplex(const void* devmode, DWORD size) {
  if (!devmode || size < sizeof(DEVMODEW) + sizeof(KestrelDevModePrivate)) return false;
  KestrelDevModePrivate block;
  std::memcpy(&block, static_cast<const BYTE*>(devmode) + sizeof(DEVMODEW), sizeof block);
  return block.signature == kDevModePrivateSignature && (block.flags & kDevModeFlagManualDuplex);
}

std::string Folder() {
  for (const char* name : {"KESTREL_DUPLEX_FILES", "TMPDIR"})
    if (const char* value = std::getenv(name); value && *value) return value;
  return "/tmp";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* PrnCtrlOpen(const WCHAR*, void*, const WCHAR*,
                                                                    ConverterWriteCallback write, void* context,
                                                                    ConverterOpenInfo* info, ZeroFlagCallback zero) {
  if (!write || !info || !zero) return nullptr;
  return new DuplexJob{write, context};
}

extern "C" __attribute__((visibility("default"))) void* PrnCtrlXPS2SPDLOpen(ZeroFlagCallback, void* control) {
  return control;
}

extern "C" __attribute__((visibility("default"))) void* GetConvCntFromSPDLCnt(void* conversion) { return conversion; }

extern "C" __attribute__((visibility("default"))) INT DevModeSet(const void* devmode, DWORD size, void* control) {
  auto& job = *static_cast<DuplexJob*>(control);
  ++job.page;
  const bool manual = ManualDuplex(devmode, size);
  if (!manual || job.page % 2 == 1) {
    const std::string line = (manual ? "front " : "page ") + std::to_string(job.page) + "\n";
    Emit(job, kOutputPrinterData, line.data(), static_cast<DWORD>(line.size()));
    return 1;
  }
  const std::string path = Folder() + "/back" + std::to_string(job.page) + ".prn";
  std::ofstream(path) << "back " << job.page << "\n";
  const std::u16string wide = Utf8ToUtf16(path).value() + u'\0';
  Emit(job, kOutputFileName, wide.data(), static_cast<DWORD>(wide.size() * sizeof(char16_t)));
  return 1;
}

extern "C" __attribute__((visibility("default"))) INT PrnCtrlXPS2SPDLClose(void*) { return 1; }

extern "C" __attribute__((visibility("default"))) INT PrnCtrlClose(void* control) {
  delete static_cast<DuplexJob*>(control);
  return 1;
}
