#include "filters/preparation/decoration_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(DecorationType, HeaderFooterIsTextWhenOnAndSomethingIsPrinted) {
  int printer = 0;
  struct Case {
    const char* label;
    OffOn on;
    DateTimeFormat date;
    DateTimeFormat time;
    HeaderFooterId id;
    const char16_t* customId;
    bool hasPrinter;
    DecorationContent expected;
  };
  const Case cases[] = {
      {"off", OffOn::Off, DateTimeFormat::Type1, DateTimeFormat::None, HeaderFooterId::UserName, u"", true,
       DecorationContent::Nothing},
      {"date with a printer", OffOn::On, DateTimeFormat::Type1, DateTimeFormat::None, HeaderFooterId::None, u"",
       true, DecorationContent::Text},
      {"date and time without a printer print nothing", OffOn::On, DateTimeFormat::Type1, DateTimeFormat::Type2,
       HeaderFooterId::None, u"", false, DecorationContent::Nothing},
      {"user name needs no printer", OffOn::On, DateTimeFormat::None, DateTimeFormat::None, HeaderFooterId::UserName,
       u"", false, DecorationContent::Text},
      {"empty custom ID", OffOn::On, DateTimeFormat::None, DateTimeFormat::None, HeaderFooterId::Custom, u"", true,
       DecorationContent::Nothing},
      {"custom ID", OffOn::On, DateTimeFormat::None, DateTimeFormat::None, HeaderFooterId::Custom, u"X", false,
       DecorationContent::Text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DecorationSettings settings;
    settings.headerFooter.on = c.on;
    settings.headerFooter.dateFormat = c.date;
    settings.headerFooter.timeFormat = c.time;
    settings.headerFooter.idPrint = c.id;
    settings.headerFooter.customId = Bstr(c.customId);
    settings.printer = c.hasPrinter ? &printer : nullptr;
    EXPECT_EQ(DecorationType(settings), c.expected);
  }
}

}  // namespace
