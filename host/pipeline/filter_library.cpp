#include "host/pipeline/filter_library.h"

#include "host/pipeline/host_error.h"
#include "platform/library_loader.h"
#include "platform/utf.h"

namespace kestrel::host {
namespace {

using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);

}  // namespace

FilterLibrary::FilterLibrary(const FilterEntry& entry) : entry_(entry) {
  const std::string what = "filter " + entry.name + " (" + entry.dll + ")";
  const std::optional<std::u16string> dll = Utf8ToUtf16(entry.dll);
  if (!dll) throw HostError(what + ": the library name is not UTF-8", E_INVALIDARG);
  module_ = LoadLibraryW(dll->c_str());
  if (!module_) {
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    throw HostError(what + ": cannot load the library: " + GetLastLoaderMessage(), hr);
  }
  // Through void (*)(): the generic function pointer type a cast may pass through.
  const auto get_class_object = reinterpret_cast<DllGetClassObjectFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module_, "DllGetClassObject")));
  if (!get_class_object) {
    FreeLibrary(module_);
    throw HostError(what + ": the library exports no DllGetClassObject", HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
  }
  if (const HRESULT hr = get_class_object(entry.clsid, IID_IPrintPipelineFilter, filter_.PutVoid());
      FAILED(hr) || !filter_) {
    filter_ = nullptr;
    FreeLibrary(module_);
    throw HostError(what + ": DllGetClassObject for " + FormatGuid(entry.clsid) + " failed: " +
                        HresultName(FAILED(hr) ? hr : E_POINTER),
                    FAILED(hr) ? hr : E_POINTER);
  }
}

FilterLibrary::~FilterLibrary() {
  filter_ = nullptr;
  FreeLibrary(module_);
}

}  // namespace kestrel::host
