#include "filters/rip/converter_libraries.h"

#include <optional>
#include <vector>

#include "platform/library_loader.h"
#include "platform/spooler.h"
#include "platform/utf.h"

namespace {

// "<printer-driver directory>/3", or nothing when the spooler has no directory.
std::optional<std::u16string> ConverterFolder() {
  DWORD needed = 0;
  GetPrinterDriverDirectoryW(nullptr, nullptr, 1, nullptr, 0, &needed);
  if (needed < sizeof(WCHAR)) return std::nullopt;
  std::vector<BYTE> buffer(needed);
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, buffer.data(), needed, &needed)) return std::nullopt;
  std::u16string folder(reinterpret_cast<const WCHAR*>(buffer.data()));
  if (folder.empty()) return std::nullopt;
  if (folder.back() != u'/' && folder.back() != u'\\') folder += u'/';
  return folder + kConverterSubfolder;
}

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text).value_or("?"); }

}  // namespace

ConverterLibrary::ConverterLibrary(const WCHAR* name) {
  const std::string mapped = MapLibraryFileName(name);
  const std::optional<std::u16string> folder = ConverterFolder();
  if (!folder) {
    file_ = mapped;
    failure_ = "converter library " + mapped + " (" + Utf8(name) + "): the printer-driver directory is not known";
    return;
  }
  const std::u16string path = *folder + u"/" + name;
  file_ = Utf8(*folder) + "/" + mapped;
  module_ = LoadLibraryW(path.c_str());
  if (!module_)
    failure_ = "converter library " + file_ + " (" + Utf8(name) + ")" +
               (GetLastError() == ERROR_MOD_NOT_FOUND ? " is missing" : " cannot be loaded: " + GetLastLoaderMessage());
}

ConverterLibrary::~ConverterLibrary() {
  if (module_) FreeLibrary(module_);
}

FARPROC ConverterLibrary::FindEntry(const char* entry) {
  if (!module_) return nullptr;
  FARPROC found = GetProcAddress(module_, entry);
  if (!found && failure_.empty()) failure_ = "converter library " + file_ + " has no entry point " + entry;
  return found;
}

PrinterControlLibrary::PrinterControlLibrary() : ConverterLibrary(kPrinterControlLibrary) {
  open = Find<PrnCtrlOpenFunction>("PrnCtrlOpen");
  openConversion = Find<PrnCtrlXPS2SPDLOpenFunction>("PrnCtrlXPS2SPDLOpen");
  converterContext = Find<GetConvCntFromSPDLCntFunction>("GetConvCntFromSPDLCnt");
  setDevMode = Find<DevModeSetFunction>("DevModeSet");
  closeConversion = Find<PrnCtrlXPS2SPDLCloseFunction>("PrnCtrlXPS2SPDLClose");
  close = Find<PrnCtrlCloseFunction>("PrnCtrlClose");
}

MarkupConverterLibrary::MarkupConverterLibrary() : ConverterLibrary(kMarkupConverterLibrary) {
  setResourceCallbacks = Find<XpsSetConvResAPIFunction>("XpsSetConvResAPI");
  setPageDevice = Find<XpsSetPageDeviceFunction>("XpsSetPageDevice");
  startElement = Find<XPSStartElemFunction>("XPSStartElem");
  readAttribute = Find<XPSReadAttFunction>("XPSReadAtt");
  endElement = Find<XPSEndElemFunction>("XPSEndElem");
  endCurrentElement = Find<XPSEndCurElemFunction>("XPSEndCurElem");
}
