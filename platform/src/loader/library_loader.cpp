#include "platform/library_loader.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/utf.h"

namespace {

namespace fs = std::filesystem;

struct LoadedModule {
  void* dl_handle = nullptr;  // for dlclose
  int loads = 0;              // LoadLibraryW calls not yet freed
};

// Handles the loader handed out, so that a bad handle is refused instead of
// reaching the dynamic linker. Never destroyed: libraries unload after the
// platform's static objects are gone.
struct LoaderState {
  std::mutex mutex;
  std::string dll_directory;
  std::map<HMODULE, LoadedModule> modules;
};

LoaderState& State() {
  static LoaderState* state = new LoaderState;
  return *state;
}

thread_local std::string last_message;

link_map* LinkMapOf(void* dl_handle) {
  link_map* map = nullptr;
  return dlinfo(dl_handle, RTLD_DI_LINKMAP, &map) == 0 ? map : nullptr;
}

std::string ProgramPath() {
  std::error_code error;
  const fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

// The main program's link map has an empty name.
std::string ModulePath(const link_map* map) {
  return map->l_name && map->l_name[0] ? std::string(map->l_name) : ProgramPath();
}

std::string DirectoryOfAddress(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return {};
  return fs::path(ModulePath(map)).parent_path().string();
}

std::vector<std::string> Candidates(const std::string& name, const std::string& mapped, const void* caller) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (const std::size_t slash = path.rfind('/'); slash != std::string::npos) {
    return {(fs::path(path.substr(0, slash + 1)) / mapped).string()};
  }
  std::vector<std::string> directories;
  {
    LoaderState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.dll_directory.empty()) directories.push_back(state.dll_directory);
  }
  directories.push_back(DirectoryOfAddress(caller));
  directories.push_back(fs::path(ProgramPath()).parent_path().string());
  std::vector<std::string> candidates;
  for (const std::string& directory : directories)
    if (!directory.empty()) candidates.push_back((fs::path(directory) / mapped).string());
  return candidates;
}

HMODULE Fail(DWORD code, std::string message) {
  SetLastError(code);
  last_message = std::move(message);
  return nullptr;
}

HMODULE Open(const std::string& file) {
  std::error_code error;
  const std::string absolute = fs::absolute(file, error).string();
  void* handle = dlopen(error ? file.c_str() : absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    return Fail(ERROR_BAD_EXE_FORMAT, why ? why : file + ": does not load");
  }
  link_map* map = LinkMapOf(handle);
  const HMODULE module = map ? static_cast<HMODULE>(map) : handle;
  LoaderState& state = State();
  std::lock_guard lock(state.mutex);
  LoadedModule& entry = state.modules[module];
  entry.dl_handle = handle;
  ++entry.loads;
  last_message.clear();
  return module;
}

// The module's link map if the loader knows the handle, else NULL.
const link_map* KnownModule(HMODULE module) {
  LoaderState& state = State();
  std::lock_guard lock(state.mutex);
  return state.modules.contains(module) ? static_cast<const link_map*>(module) : nullptr;
}

// A handle for a module that is loaded already (the count it adds is
// given back with dlclose).
void* OpenLoaded(const link_map* map) {
  return map->l_name && map->l_name[0] ? dlopen(map->l_name, RTLD_LAZY | RTLD_NOLOAD) : dlopen(nullptr, RTLD_LAZY);
}

}  // namespace

// Not inlined: the return address names the calling module, whose directory is searched.
__attribute__((noinline)) HMODULE LoadLibraryW(LPCWSTR file_name) {
  const void* caller = __builtin_return_address(0);
  if (!file_name) return Fail(ERROR_INVALID_PARAMETER, "no library name");
  const std::optional<std::string> name = Utf16ToUtf8(file_name);
  const std::string mapped = MapLibraryFileName(file_name);
  if (!name || mapped.empty()) return Fail(ERROR_INVALID_PARAMETER, "not a library name");
  std::string searched;
  for (const std::string& candidate : Candidates(*name, mapped, caller)) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return Open(candidate);
    searched += searched.empty() ? candidate : ", " + candidate;
  }
  return Fail(ERROR_MOD_NOT_FOUND, *name + " (" + mapped + ") not found; searched " + searched);
}

BOOL FreeLibrary(HMODULE module) {
  void* dl_handle = nullptr;
  {
    LoaderState& state = State();
    std::lock_guard lock(state.mutex);
    const auto entry = state.modules.find(module);
    if (entry == state.modules.end() || entry->second.loads == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dl_handle = entry->second.dl_handle;
    // The handle may be stale once the last load is freed.
    if (--entry->second.loads == 0) state.modules.erase(entry);
  }
  if (dlclose(dl_handle) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name) {
  void* dl_handle = nullptr;
  {
    LoaderState& state = State();
    std::lock_guard lock(state.mutex);
    const auto entry = state.modules.find(module);
    if (entry == state.modules.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    dl_handle = entry->second.dl_handle;
  }
  // Names only: a "name" below 0x10000 would be an ordinal.
  if (reinterpret_cast<std::uintptr_t>(proc_name) < 0x10000) {
    SetLastError(proc_name ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A module known only by an address in it was not opened here; the dynamic
  // linker looks symbols up only through a handle it handed out.
  const bool opened_here = dl_handle == nullptr;
  if (opened_here) dl_handle = OpenLoaded(static_cast<const link_map*>(module));
  void* symbol = dl_handle ? dlsym(dl_handle, proc_name) : nullptr;
  if (opened_here && dl_handle) dlclose(dl_handle);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR file_name, DWORD size) {
  if (!file_name && size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path;
  if (!module) {
    path = ProgramPath();
  } else if (const link_map* map = KnownModule(module)) {
    path = ModulePath(map);
  } else {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const std::optional<std::u16string> wide = Utf8ToUtf16(path);
  if (path.empty() || !wide) {
    SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (wide->size() >= size) {
    std::copy_n(wide->begin(), size - 1, file_name);
    file_name[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::copy(wide->begin(), wide->end(), file_name);
  file_name[wide->size()] = 0;
  return static_cast<DWORD>(wide->size());  // < size
}

BOOL SetDllDirectoryW(LPCWSTR path_name) {
  std::string directory;
  if (path_name) {
    const std::optional<std::string> utf8 = Utf16ToUtf8(path_name);
    if (!utf8) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    directory = *utf8;
  }
  LoaderState& state = State();
  std::lock_guard lock(state.mutex);
  state.dll_directory = std::move(directory);
  return TRUE;
}

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR address, HMODULE* module) {
  constexpr DWORD kRequired = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!module || flags != kRequired) {
    if (module) *module = nullptr;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  LoaderState& state = State();
  std::lock_guard lock(state.mutex);
  state.modules.try_emplace(map);  // known, without a load of its own
  *module = map;
  return TRUE;
}

std::string GetLastLoaderMessage() { return last_message; }
