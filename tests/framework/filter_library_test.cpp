// The five built filter libraries, loaded the way the pipeline loads them.
#include <gtest/gtest.h>

#include <string>

#include "platform/com_server.h"
#include "platform/filter_pipeline.h"
#include "platform/gdiplus_testing.h"
#include "platform/library_loader.h"
#include "platform/utf.h"

namespace {

struct FilterLibrary {
  const char16_t* dll;  // the name a pipeline configuration gives
  const char* file;
  CLSID class_id;
};

const FilterLibrary kFilters[] = {
    {u"XPREPFLT.DLL", "libxprepflt.so", MakeGuid("{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}")},
    {u"XORDFLT.DLL", "libxordflt.so", MakeGuid("{0338B91C-FB1A-409B-B13C-F0AE34025A82}")},
    {u"xlayflt.dll", "libxlayflt.so", MakeGuid("{565E8DF1-288C-4EAE-BAAC-6DAE5096C63D}")},
    {u"XFinFlt.Dll", "libxfinflt.so", MakeGuid("{ACF994F0-C691-4546-8141-A7F794D3CE3E}")},
    {u"XRIPFLT.DLL", "libxripflt.so", MakeGuid("{4048888E-2F5E-491B-9AF4-5963D0011F0F}")},
};

// One loaded filter library and its entry points.
class LoadedFilter {
 public:
  explicit LoadedFilter(const FilterLibrary& filter) {
    const std::u16string path = *Utf8ToUtf16(KESTREL_FILTER_DIR "/") + filter.dll;
    module_ = LoadLibraryW(path.c_str());
    EXPECT_NE(module_, nullptr) << GetLastLoaderMessage();
    if (!module_) return;
    get_class_object = reinterpret_cast<DllGetClassObjectFunction>(GetProcAddress(module_, "DllGetClassObject"));
    can_unload_now = reinterpret_cast<DllCanUnloadNowFunction>(GetProcAddress(module_, "DllCanUnloadNow"));
    main = reinterpret_cast<DllMainFunction>(GetProcAddress(module_, "DllMain"));
  }
  ~LoadedFilter() {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  bool Complete() const { return get_class_object && can_unload_now && main; }
  HMODULE module() const { return module_; }

  DllGetClassObjectFunction get_class_object = nullptr;
  DllCanUnloadNowFunction can_unload_now = nullptr;
  DllMainFunction main = nullptr;

 private:
  HMODULE module_ = nullptr;
};

std::string ModulePath(HMODULE module) {
  WCHAR path[4096];
  const DWORD n = GetModuleFileNameW(module, path, 4096);
  return *Utf16ToUtf8(std::u16string_view(path, n));
}

class FilterLibraries : public ::testing::TestWithParam<FilterLibrary> {};

TEST_P(FilterLibraries, HandOutTheirFilterObjectAndCountIt) {
  const FilterLibrary& filter = GetParam();
  LoadedFilter library(filter);
  ASSERT_TRUE(library.Complete());
  EXPECT_EQ(ModulePath(library.module()), KESTREL_FILTER_DIR "/" + std::string(filter.file));

  EXPECT_EQ(library.can_unload_now(), S_OK);
  IPrintPipelineFilter* object = nullptr;
  ASSERT_EQ(library.get_class_object(filter.class_id, IID_IPrintPipelineFilter, reinterpret_cast<void**>(&object)),
            S_OK);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->AddRef(), 2u);  // the caller holds the only reference
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(library.can_unload_now(), S_FALSE);

  IUnknown* unknown = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  unknown->Release();
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(library.can_unload_now(), S_OK);
}

TEST_P(FilterLibraries, RefuseOtherClassesAndInterfaces) {
  const FilterLibrary& filter = GetParam();
  LoadedFilter library(filter);
  ASSERT_TRUE(library.Complete());
  EXPECT_EQ(library.main(library.module(), DLL_THREAD_ATTACH, nullptr), TRUE);

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(library.get_class_object(filter.class_id, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(library.can_unload_now(), S_OK);  // the refused object is gone

  for (const FilterLibrary& other : kFilters) {
    if (other.class_id == filter.class_id) continue;
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(library.get_class_object(other.class_id, IID_IPrintPipelineFilter, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(library.get_class_object(filter.class_id, IID_IPrintPipelineFilter, nullptr), E_POINTER);
  // Only the entry points are exported.
  EXPECT_EQ(GetProcAddress(library.module(), "kThisFilterModule"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

TEST_P(FilterLibraries, StillHandOutObjectsWithoutGraphics) {
  const FilterLibrary& filter = GetParam();
  LoadedFilter library(filter);
  ASSERT_TRUE(library.Complete());
  SetGdiplusStartupFailureForTesting(Gdiplus::GenericError);
  IUnknown* object = nullptr;
  const HRESULT hr = library.get_class_object(filter.class_id, IID_IUnknown, reinterpret_cast<void**>(&object));
  SetGdiplusStartupFailureForTesting(Gdiplus::Ok);
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(object->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Each, FilterLibraries, ::testing::ValuesIn(kFilters),
                         [](const auto& info) { return std::string(info.param.file + 3, 7); });

TEST(FilterLibrary, EachLibraryCountsItsOwnObjects) {
  LoadedFilter order(kFilters[1]);
  LoadedFilter layout(kFilters[2]);
  ASSERT_TRUE(order.Complete() && layout.Complete());
  IUnknown* object = nullptr;
  ASSERT_EQ(order.get_class_object(kFilters[1].class_id, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
  EXPECT_EQ(order.can_unload_now(), S_FALSE);
  EXPECT_EQ(layout.can_unload_now(), S_OK);
  object->Release();
}

TEST(FilterLibrary, FoundByBareNameInTheDllDirectory) {
  ASSERT_TRUE(SetDllDirectoryW(Utf8ToUtf16(KESTREL_FILTER_DIR)->c_str()));
  const HMODULE module = LoadLibraryW(u"XORDFLT.DLL");
  SetDllDirectoryW(nullptr);
  ASSERT_NE(module, nullptr) << GetLastLoaderMessage();
  EXPECT_EQ(ModulePath(module), KESTREL_FILTER_DIR "/libxordflt.so");
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
