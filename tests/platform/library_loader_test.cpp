#include "platform/library_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/bstr.h"
#include "platform/utf.h"

namespace {

namespace fs = std::filesystem;

std::u16string Wide(const std::string& text) { return *Utf8ToUtf16(text); }

std::string ModulePath(HMODULE module) {
  WCHAR path[4096];
  const DWORD n = GetModuleFileNameW(module, path, 4096);
  return n ? *Utf16ToUtf8(std::u16string_view(path, n)) : std::string();
}

// The platform library itself: a real library the test can load by its
// Windows-style name.
HMODULE PlatformModule() {
  HMODULE module = nullptr;
  EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(&SysAllocString), &module));
  return module;
}

TEST(LibraryLoader, MapsWindowsNamesToDriverPackageFiles) {
  const std::pair<std::u16string_view, std::string_view> cases[] = {
      {u"XORDFLT.DLL", "libxordflt.so"},
      {u"xordflt.dll", "libxordflt.so"},
      {u"PrnCtrl.Dll", "libprnctrl.so"},
      {u"XPSCONV", "libxpsconv.so"},
      {u"C:\\Drivers\\X64\\PRNCTRL.DLL", "libprnctrl.so"},
      {u"/opt/driver/Enc64.dll", "libenc64.so"},
      {u"libnative.so", "libnative.so"},
      {u"name.with.dots.dll", "libname.with.dots.so"},
      {u"", ""},
      {u".dll", ""},
      {u"dir/", ""},
      {u"\xD800.dll", ""},  // not UTF-16
  };
  for (const auto& [name, file] : cases) EXPECT_EQ(MapLibraryFileName(name), file) << "expected " << file;
}

TEST(LibraryLoader, LoadsByWindowsNameFromTheDllDirectory) {
  const HMODULE platform = PlatformModule();
  const fs::path platform_path = ModulePath(platform);
  ASSERT_EQ(platform_path.filename(), "libkestrel_platform.so");

  ASSERT_TRUE(SetDllDirectoryW(Wide(platform_path.parent_path().string()).c_str()));
  const HMODULE loaded = LoadLibraryW(u"KESTREL_PLATFORM.DLL");
  ASSERT_TRUE(SetDllDirectoryW(nullptr));
  ASSERT_NE(loaded, nullptr) << GetLastLoaderMessage();
  EXPECT_EQ(loaded, platform);  // a loaded library keeps its handle
  EXPECT_EQ(ModulePath(loaded), platform_path.string());

  // An absolute path is searched only where it points.
  const HMODULE by_path = LoadLibraryW(Wide((platform_path.parent_path() / "Kestrel_Platform.dll").string()).c_str());
  EXPECT_EQ(by_path, platform);

  EXPECT_TRUE(FreeLibrary(by_path));
  EXPECT_TRUE(FreeLibrary(loaded));
  // Every load is freed; a further FreeLibrary is refused.
  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(loaded));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(LibraryLoader, FailuresSetTheLastError) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"NO_SUCH_LIBRARY.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_NE(GetLastLoaderMessage().find("libno_such_library.so"), std::string::npos) << GetLastLoaderMessage();

  EXPECT_EQ(LoadLibraryW(u"/nonexistent/dir/XORDFLT.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // A file of the right name that is not a library.
  const fs::path junk = fs::temp_directory_path() / "libkestrel_loader_junk.so";
  std::ofstream(junk) << "not a library";
  EXPECT_EQ(LoadLibraryW(Wide((junk.parent_path() / "KESTREL_LOADER_JUNK.DLL").string()).c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
  EXPECT_FALSE(GetLastLoaderMessage().empty());
  fs::remove(junk);

  int not_a_module = 0;
  const auto bogus = static_cast<HMODULE>(&not_a_module);
  EXPECT_EQ(GetProcAddress(bogus, "DllMain"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FreeLibrary(bogus));
  EXPECT_FALSE(FreeLibrary(nullptr));
  WCHAR path[16];
  EXPECT_EQ(GetModuleFileNameW(bogus, path, 16), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // A module known by an address in it answers its entry points too.
  const HMODULE platform = PlatformModule();
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(platform, "_Z12GetLastErrorv")),
            reinterpret_cast<void*>(&GetLastError));
  EXPECT_EQ(GetProcAddress(platform, "NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(GetProcAddress(platform, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  HMODULE module = reinterpret_cast<HMODULE>(1);
  EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&SysAllocString),
                                  &module));
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(LibraryLoader, ModuleFileNameOfTheProgramAndShortBuffers) {
  const std::string program = ModulePath(nullptr);
  EXPECT_EQ(fs::path(program), fs::read_symlink("/proc/self/exe"));

  WCHAR small[5];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(small), Wide(program.substr(0, 4)));
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 0), 0u);
  EXPECT_EQ(GetModuleFileNameW(nullptr, nullptr, 5), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
