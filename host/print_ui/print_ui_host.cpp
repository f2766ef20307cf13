#include "host/print_ui/print_ui_host.h"

#include <cstdlib>

#include "driver/manual_duplex/manual_duplex_argument.h"
#include "host/pipeline/host_error.h"
#include "platform/library_loader.h"
#include "platform/utf.h"

namespace kestrel::print_ui {
namespace {

namespace fs = std::filesystem;
using host::HostError;

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text).value_or("?"); }

using StartManualDuplexFunction = const WCHAR* (*)(const WCHAR*);

// KESTREL_JOB_OUTPUT for the length of the call.
class JobOutputVariable {
 public:
  explicit JobOutputVariable(const fs::path& output) { setenv(kName, output.c_str(), 1); }
  ~JobOutputVariable() { unsetenv(kName); }
  JobOutputVariable(const JobOutputVariable&) = delete;
  JobOutputVariable& operator=(const JobOutputVariable&) = delete;

 private:
  static constexpr const char* kName = "KESTREL_JOB_OUTPUT";
};

class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::u16string& path) : module_(LoadLibraryW(path.c_str())) {}
  ~LoadedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

}  // namespace

fs::path ListedBackSides(const PrintUiRequest& request) {
  if (request.entrypoint != kStartManualDuplex) return {};
  return fs::path(Utf8(ParseManualDuplexArgument(request.argument).list));
}

void RunPrintUiRequest(const PrintUiRequest& request, const fs::path& driver, const fs::path& job_output) {
  if (!IsPackageFileName(request.dll))
    throw HostError("the print UI request names the library \"" + Utf8(request.dll) +
                        "\", which is not a file of the driver package",
                    E_ACCESSDENIED);
  if (request.entrypoint != kStartManualDuplex)
    throw HostError("the print UI request asks for the entry point \"" + Utf8(request.entrypoint) +
                        "\"; only StartManualDuplex is run",
                    E_ACCESSDENIED);
  const std::optional<std::u16string> folder = Utf8ToUtf16(fs::absolute(driver).string() + "/");
  if (!folder) throw HostError("the driver package's folder is not valid UTF-8", E_INVALIDARG);
  const LoadedLibrary library(*folder + request.dll);
  if (!library.get())
    throw HostError("the print UI cannot load " + Utf8(request.dll) + ": " + GetLastLoaderMessage(),
                    HRESULT_FROM_WIN32(GetLastError()));
  const auto start = reinterpret_cast<StartManualDuplexFunction>(GetProcAddress(library.get(), "StartManualDuplex"));
  if (!start) throw HostError(Utf8(request.dll) + " has no entry point StartManualDuplex", E_NOINTERFACE);
  {
    const JobOutputVariable output(job_output);
    start(request.argument.c_str());
  }
  const fs::path list = ListedBackSides(request);
  std::error_code error;
  if (!list.empty() && fs::exists(list, error))
    throw HostError("the back sides were not printed by the manual-duplex program; they are listed in " +
                        list.string(),
                    E_FAIL);
}

}  // namespace kestrel::print_ui
