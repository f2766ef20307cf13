// The load and unload messages of a filter library, switched on from outside.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/library_loader.h"
#include "platform/utf.h"

namespace {

constexpr char kOrderProvider[] = "{977A71CB-A363-413E-A5C2-E68D4BB3CD62}";
constexpr char kLayoutProvider[] = "{B4F49D45-28DE-40AC-B557-E642AC539303}";

// Loads and unloads a filter library; returns what it wrote to stderr.
std::string LoadAndUnload(const char16_t* dll, const std::string& trace_setting) {
  setenv("KESTREL_TRACE", trace_setting.c_str(), 1);
  ::testing::internal::CaptureStderr();
  const HMODULE module = LoadLibraryW((*Utf8ToUtf16(KESTREL_FILTER_DIR "/") + dll).c_str());
  const std::string loaded = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(module, nullptr) << GetLastLoaderMessage();
  ::testing::internal::CaptureStderr();
  if (module) {
    EXPECT_TRUE(FreeLibrary(module));
  }
  const std::string unloaded = ::testing::internal::GetCapturedStderr();
  unsetenv("KESTREL_TRACE");
  return loaded + "|" + unloaded;
}

TEST(FilterTracing, LoadAndUnloadMessagesWhenTheProviderIsEnabled) {
  EXPECT_EQ(LoadAndUnload(u"XORDFLT.DLL", std::string(kOrderProvider) + ":0x4"),
            "trace " + std::string(kOrderProvider) + " message 10\n|trace " + kOrderProvider + " message 11\n");
}

TEST(FilterTracing, SilentWithoutTheLoadFlagOrForOtherProviders) {
  EXPECT_EQ(LoadAndUnload(u"XLAYFLT.DLL", std::string(kLayoutProvider) + ":0x3:5"), "|");
  EXPECT_EQ(LoadAndUnload(u"XLAYFLT.DLL", std::string(kOrderProvider) + ":0x4"), "|");
  EXPECT_EQ(LoadAndUnload(u"XLAYFLT.DLL", ""), "|");
}

}  // namespace
