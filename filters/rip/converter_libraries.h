// The two converter libraries of the driver package, loaded by full path from
// the subfolder "3" of the printer-driver directory (so the process-wide
// library search folder stays as the host set it). A library counts as loaded
// only with every entry point; otherwise failure() says what is missing,
// naming the file.
#pragma once

#include <string>

#include "converter/converter_interface.h"
#include "platform/library_loader.h"
#include "platform/types.h"

class ConverterLibrary {
 public:
  ConverterLibrary(const ConverterLibrary&) = delete;
  ConverterLibrary& operator=(const ConverterLibrary&) = delete;

  bool Loaded() const { return failure_.empty(); }
  const std::string& failure() const { return failure_; }

 protected:
  explicit ConverterLibrary(const WCHAR* name);
  ~ConverterLibrary();

  // The entry point, or NULL with failure() set.
  template <typename Function>
  Function Find(const char* entry) {
    return reinterpret_cast<Function>(FindEntry(entry));
  }

 private:
  FARPROC FindEntry(const char* entry);

  HMODULE module_ = nullptr;
  std::string file_;
  std::string failure_;
};

class PrinterControlLibrary final : public ConverterLibrary {
 public:
  PrinterControlLibrary();

  PrnCtrlOpenFunction open = nullptr;
  PrnCtrlXPS2SPDLOpenFunction openConversion = nullptr;
  GetConvCntFromSPDLCntFunction converterContext = nullptr;
  DevModeSetFunction setDevMode = nullptr;
  PrnCtrlXPS2SPDLCloseFunction closeConversion = nullptr;
  PrnCtrlCloseFunction close = nullptr;
};

class MarkupConverterLibrary final : public ConverterLibrary {
 public:
  MarkupConverterLibrary();

  XpsSetConvResAPIFunction setResourceCallbacks = nullptr;
  XpsSetPageDeviceFunction setPageDevice = nullptr;
  XPSStartElemFunction startElement = nullptr;
  XPSReadAttFunction readAttribute = nullptr;
  XPSEndElemFunction endElement = nullptr;
  XPSEndCurElemFunction endCurrentElement = nullptr;
};
