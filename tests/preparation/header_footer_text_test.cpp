// The header/footer's line: date and time in the ticket's formats with the
// driver's names, the ID, and formats or modules that cannot give a line.
#include "filters/preparation/header_footer_text.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/spooler.h"
#include "platform/string_resources.h"
#include "platform/user_identity.h"
#include "test_pipeline.h"

namespace {

constexpr char16_t kPrinter[] = u"Header/footer text test";

// A printer whose driver lies in the built package, and the pipeline's
// properties naming its language module.
class ComposeTextTest : public testing::Test {
 protected:
  void SetUp() override {
    AddSpoolerJob(kPrinter, 1, u"doc.xps");
    const std::u16string directory(KESTREL_DRIVER_DIR, KESTREL_DRIVER_DIR + sizeof(KESTREL_DRIVER_DIR) - 1);
    SetPrinterDriver(kPrinter, {u"Kestrel", directory, directory + u"/printer.xml", directory + u"/KSTUI.DLL"});
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, nullptr));
    PutString(properties_.Get(), u"LangDllName64", u"KSTLANG.DLL");
    PutString(properties_.Get(), u"DataTimeID", u"1000,1010,1020,1040,1050");
  }
  void TearDown() override {
    ClosePrinter(printer_);
    RemoveSpoolerJob(kPrinter, 1);
  }

  // On, with a date and a time format, at 9 March 2024 (a Saturday) 13:05:07.
  DecorationSettings Settings(const char16_t* dateFormat, const char16_t* dateData, const char16_t* timeFormat,
                              const char16_t* timeData) const {
    DecorationSettings settings;
    settings.printer = printer_;
    settings.properties = ComPtr<IPrintPipelinePropertyBag>(properties_.Get());
    settings.printTime = {2024, 3, 6, 9, 13, 5, 7, 0};
    HeaderFooterOptions& options = settings.headerFooter;
    options.on = OffOn::On;
    if (dateFormat) {
      options.dateFormat = DateTimeFormat::Type1;
      options.dateStringFormat = Bstr(dateFormat);
      options.dateDataFormat = Bstr(dateData);
    }
    if (timeFormat) {
      options.timeFormat = DateTimeFormat::Type2;
      options.timeStringFormat = Bstr(timeFormat);
      options.timeDataFormat = Bstr(timeData);
    }
    return settings;
  }

  HANDLE printer_ = nullptr;
  ComPtr<MapPropertyBag> properties_ = MakeComObject<MapPropertyBag>();
};

TEST_F(ComposeTextTest, FormatsDateAndTimeWithTheDriversNames) {
  struct Case {
    const char* label;
    const char16_t* dateFormat;
    const char16_t* dateData;
    const char16_t* timeFormat;
    const char16_t* timeData;
    WORD hour;
    const char16_t* expected;
  };
  const Case cases[] = {
      {"year, month, day", u"%d/%02d/%02d", u"ymd", nullptr, nullptr, 13, u"2024/03/09"},
      {"years counted from 1988", u"%d/%02d/%02d", u"y-1988md", nullptr, nullptr, 13, u"36/03/09"},
      {"years shifted forward", u"%d", u"y543", nullptr, nullptr, 13, u"2567"},
      {"month and weekday names", u"%s, %s %d", u"WMd", nullptr, nullptr, 13, u"Saturday, March 9"},
      {"short weekday", u"(%s)", u"w", nullptr, nullptr, 13, u"(Sat)"},
      {"at most four arguments", u"%d %d %d %d", u"dddddd", nullptr, nullptr, 13, u"9 9 9 9"},
      {"twelve-hour clock after noon", nullptr, nullptr, u"%d:%02d:%02d", u"Hms", 13, u"1:05:07"},
      {"twelve-hour clock at midnight", nullptr, nullptr, u"%d:%02d:%02d", u"Hms", 0, u"12:05:07"},
      {"markers", nullptr, nullptr, u"%02d:%02d %s%s", u"hmAa", 13, u"13:05 PMpm"},
      {"date and time joined", u"%d-%02d-%02d", u"ymd", u"%02d:%02d", u"hm", 9, u"2024-03-09 09:05"},
      {"arguments not chosen are 0", u"%d %d", u"d", nullptr, nullptr, 13, u"9 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecorationSettings settings = Settings(c.dateFormat, c.dateData, c.timeFormat, c.timeData);
    settings.printTime.wHour = c.hour;
    std::u16string text;
    ASSERT_EQ(ComposeText(settings, &text), S_OK);
    EXPECT_EQ(text, c.expected);
  }
}

TEST_F(ComposeTextTest, IdsJoinTheLineOrStandAlone) {
  DecorationSettings settings = Settings(u"%d", u"y", nullptr, nullptr);
  settings.headerFooter.idPrint = HeaderFooterId::Custom;
  settings.headerFooter.customId = Bstr(u"R&D <1>");
  std::u16string text;
  ASSERT_EQ(ComposeText(settings, &text), S_OK);
  EXPECT_EQ(text, u"2024 R&D <1>");

  // The ID alone needs neither the printer nor the language module.
  DecorationSettings alone;
  alone.headerFooter.on = OffOn::On;
  alone.headerFooter.idPrint = HeaderFooterId::UserName;
  alone.jobInfo.userName = Bstr(u"alice");
  ASSERT_EQ(ComposeText(alone, &text), S_OK);
  EXPECT_EQ(text, u"alice");
  alone.jobInfo.userName = Bstr(u"");
  ASSERT_EQ(ComposeText(alone, &text), S_OK);
  EXPECT_EQ(text, u"") << "no name and no token";
  HANDLE nobody = nullptr;
  ASSERT_TRUE(LogonUserW(u"nobody", &nobody));
  alone.userToken = nobody;
  ASSERT_EQ(ComposeText(alone, &text), S_OK);
  EXPECT_EQ(text, u"nobody");
  WCHAR self[UNLEN + 1];
  DWORD size = UNLEN + 1;
  ASSERT_TRUE(GetUserNameW(self, &size));
  EXPECT_NE(std::u16string(self), u"nobody") << "the impersonation was reverted";
  CloseUserToken(nobody);
}

TEST_F(ComposeTextTest, FormatsThatDoNotFitAndMissingNamesGiveNoLine) {
  struct Case {
    const char* label;
    const char16_t* dateFormat;
    const char16_t* dateData;
    const char16_t* ids;
    HRESULT expected;
  };
  const Case cases[] = {
      {"a string conversion meets a number", u"%s", u"d", nullptr, E_INVALIDARG},
      {"%n", u"%d%n", u"d", nullptr, E_INVALIDARG},
      {"more conversions than arguments", u"%d %d %d %d %d", u"dmy", nullptr, E_INVALIDARG},
      {"a number conversion meets a name", u"%d", u"M", nullptr, E_INVALIDARG},
      {"only four identifiers: names from 0", u"%s", u"M", u"1000,1010,1020,1040",
       HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND)},
      {"huge identifiers", u"%s", u"M", u"99999999999999999999,1,1,1,1",
       HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND)},
      {"a huge year shift does not overflow", u"%d", u"y-99999999999999999999", nullptr, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.ids) PutString(properties_.Get(), u"DataTimeID", c.ids);
    std::u16string text = u"before";
    EXPECT_EQ(ComposeText(Settings(c.dateFormat, c.dateData, nullptr, nullptr), &text), c.expected);
    if (FAILED(c.expected)) {
      EXPECT_EQ(text, u"");
    }
    PutString(properties_.Get(), u"DataTimeID", u"1000,1010,1020,1040,1050");
  }
  // Markers fall back to AM/PM when the module lacks them.
  PutString(properties_.Get(), u"DataTimeID", u"1000,1010,1020,0,0");
  std::u16string text;
  ASSERT_EQ(ComposeText(Settings(nullptr, nullptr, u"%s", u"A"), &text), S_OK);
  EXPECT_EQ(text, u"PM");
}

TEST_F(ComposeTextTest, WithoutTheDriverOrItsModuleDateAndTimeFail) {
  DecorationSettings settings = Settings(u"%d", u"y", nullptr, nullptr);
  settings.printer = nullptr;
  std::u16string text;
  EXPECT_EQ(ComposeText(settings, &text), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
  // A module name that is not there: the configuration module itself is
  // tried, and is not there either.
  PutString(properties_.Get(), u"LangDllName64", u"MISSING.DLL");
  EXPECT_EQ(ComposeText(Settings(u"%d", u"y", nullptr, nullptr), &text), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(ComposeText(Settings(u"%d", u"y", nullptr, nullptr), nullptr), E_POINTER);
}

}  // namespace
