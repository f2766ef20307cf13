// The driver's language module through LoadStringW: the names of its five
// lists, a string cut to the buffer, and what a module without strings answers.
#include <gtest/gtest.h>

#include <string>

#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/library_loader.h"
#include "platform/string_resources.h"
#include "platform/utf.h"

namespace {

std::u16string Load(HMODULE module, UINT id) {
  WCHAR buffer[200] = {};
  const int length = LoadStringW(module, id, buffer, 200);
  return std::u16string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

TEST(LanguageModule, HoldsTheNamesOfItsFiveLists) {
  const HMODULE module = LoadLibraryW(Utf8ToUtf16(KESTREL_LANGUAGE_MODULE).value().c_str());
  ASSERT_NE(module, nullptr) << GetLastLoaderMessage();
  struct Case {
    UINT id;
    const char16_t* text;
  };
  const Case cases[] = {{1000, u"Sun"},      {1006, u"Sat"}, {1010, u"Sunday"}, {1022, u"March"},
                        {1031, u"December"}, {1041, u"pm"},  {1050, u"AM"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(Load(module, c.id), c.text);
  }
  WCHAR small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(LoadStringW(module, 1020, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"Jan");
  EXPECT_EQ(LoadStringW(module, 1007, small, 4), 0);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(small[0], u'\0');
  EXPECT_EQ(LoadStringW(module, 1020, nullptr, 4), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(LoadStringW(module, 1020, small, 0), 0);
  FreeLibrary(module);
}

TEST(LanguageModule, AModuleWithoutStringsHasNone) {
  const HMODULE module = LoadLibraryW(Utf8ToUtf16(KESTREL_ORDER_FILTER).value().c_str());
  ASSERT_NE(module, nullptr) << GetLastLoaderMessage();
  WCHAR buffer[8] = {};
  EXPECT_EQ(LoadStringW(module, 1000, buffer, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
  FreeLibrary(module);
  EXPECT_EQ(LoadStringW(nullptr, 1000, buffer, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
