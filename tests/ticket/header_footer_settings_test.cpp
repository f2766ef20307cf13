#include "ticket/header_footer_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string Sub(std::string_view name, std::string_view option, std::string_view content = "") {
  return Feature("ns0000:" + std::string(name), Option(option, content));
}

std::string DateType1(std::string_view format, std::string_view data) {
  return Sub("DateFormat", "ns0000:Type1",
             Scored("ns0000:StringFormat", StringValue(format)) + Scored("ns0000:DataFormat", StringValue(data)));
}

std::string FontSettings(std::string_view items) { return Property("ns0000:FontSettings", items); }

TEST(ReadHeaderFooterOptions, ReadsTheFeatureItsSubFeaturesAndItsData) {
  struct Case {
    const char* label;
    std::string body;
    void (*check)(const HeaderFooterOptions&);
  };
  const Case cases[] = {
      {"nothing there keeps the defaults", "",
       [](const HeaderFooterOptions& o) {
         EXPECT_EQ(o.on, OffOn::Off);
         EXPECT_EQ(o.dateFormat, DateTimeFormat::None);
         EXPECT_EQ(o.idPrint, HeaderFooterId::None);
         EXPECT_EQ(o.positionX, HeaderFooterX::Right);
         EXPECT_EQ(o.positionY, HeaderFooterY::Bottom);
         EXPECT_EQ(Text(o.fontName), "Arial");
         EXPECT_EQ(o.fontSize, 11);
         EXPECT_EQ(o.backgroundColor, 0xFFFFFFu);
       }},
      {"on, with a date format and its texts, placement and ID",
       Feature("ns0000:PageHeaderFooter", Option("ns0000:On") + DateType1("%d/%02d/%02d", "ymd") +
                                              Sub("IDPrint", "ns0000:Custom") + Sub("PositionX", "ns0000:Left") +
                                              Sub("PositionY", "ns0000:Top") + Sub("Background", "ns0000:Opaque")),
       [](const HeaderFooterOptions& o) {
         EXPECT_EQ(o.on, OffOn::On);
         EXPECT_EQ(o.dateFormat, DateTimeFormat::Type1);
         EXPECT_EQ(Text(o.dateStringFormat), "%d/%02d/%02d");
         EXPECT_EQ(Text(o.dateDataFormat), "ymd");
         EXPECT_EQ(o.timeFormat, DateTimeFormat::None);
         EXPECT_EQ(o.idPrint, HeaderFooterId::Custom);
         EXPECT_EQ(o.positionX, HeaderFooterX::Left);
         EXPECT_EQ(o.positionY, HeaderFooterY::Top);
         EXPECT_EQ(o.background, HeaderFooterBackground::Opaque);
       }},
      {"keywords options and unknown names do not count",
       Feature("ns0000:PageHeaderFooter", Option("psk:On") + Sub("DateFormat", "ns0000:Type9") +
                                              Sub("IDPrint", "psk:UserName")),
       [](const HeaderFooterOptions& o) {
         EXPECT_EQ(o.on, OffOn::Off);
         EXPECT_EQ(o.dateFormat, DateTimeFormat::None);
         EXPECT_EQ(o.idPrint, HeaderFooterId::None);
       }},
      {"font settings, custom name and background colour",
       Property("ns0000:PageHeaderFooterData",
                FontSettings(Property("ns0000:FontName", StringValue("DejaVu Serif")) +
                             Property("ns0000:FontCharSet", IntValue(0x180)) +
                             Property("ns0000:FontItalicStyle", IntValue(1)) +
                             Property("ns0000:FontBoldStyle", IntValue(0)) +
                             Property("ns0000:FontUnderLine", IntValue(1)) +
                             Property("ns0000:FontStruckOut", IntValue(1)) +
                             Property("ns0000:FontSize", IntValue(14)) +
                             Property("ns0000:FontColor", IntValue(255))) +
                    Property("ns0000:IDPrintCustomName", StringValue("A&amp;B &lt;x&gt;")) +
                    Property("ns0000:BackgroudColor", IntValue(0x00FF00))),
       [](const HeaderFooterOptions& o) {
         EXPECT_EQ(Text(o.fontName), "DejaVu Serif");
         EXPECT_EQ(o.charSet, 0x80);
         EXPECT_TRUE(o.italic);
         EXPECT_FALSE(o.bold);
         EXPECT_TRUE(o.underline);
         EXPECT_TRUE(o.strikeOut);
         EXPECT_EQ(o.fontSize, 14);
         EXPECT_EQ(o.fontColor, 255u);
         EXPECT_EQ(Text(o.customId), "A&B <x>");
         EXPECT_EQ(o.backgroundColor, 0x00FF00u);
       }},
      {"font settings stop at the first missing item",
       Property("ns0000:PageHeaderFooterData",
                FontSettings(Property("ns0000:FontName", StringValue("Courier")) +
                             Property("ns0000:FontItalicStyle", IntValue(1)))),
       [](const HeaderFooterOptions& o) {
         EXPECT_EQ(Text(o.fontName), "Courier");
         EXPECT_FALSE(o.italic) << "read only after the missing character set";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    HeaderFooterOptions options;
    EXPECT_EQ(ReadHeaderFooterOptions(*ticket, options), S_OK);
    c.check(options);
  }
}

TEST(WriteHeaderFooterOptions, RoundTripsAndRefusesValuesOutsideTheTables) {
  Wrapped ticket(TicketXml(Feature("ns0000:PageHeaderFooter", Option("ns0000:Off"))));
  HeaderFooterOptions written;
  written.on = OffOn::On;
  written.dateFormat = DateTimeFormat::Type3;
  written.dateStringFormat = Bstr(u"%s %d");
  written.dateDataFormat = Bstr(u"Md");
  written.timeFormat = DateTimeFormat::Type2;
  written.timeStringFormat = Bstr(u"%02d:%02d");
  written.timeDataFormat = Bstr(u"hm");
  written.idPrint = HeaderFooterId::Custom;
  written.customId = Bstr(u"R&D <1>");
  written.positionX = HeaderFooterX::Center;
  written.positionY = HeaderFooterY::Top;
  written.fontName = Bstr(u"Liberation Serif");
  written.bold = true;
  written.fontSize = 9;
  written.fontColor = 0x123456;
  ASSERT_EQ(WriteHeaderFooterOptions(*ticket, written), S_OK);
  HeaderFooterOptions read;
  EXPECT_EQ(ReadHeaderFooterOptions(*ticket, read), S_OK);
  EXPECT_EQ(read.on, OffOn::On);
  EXPECT_EQ(read.dateFormat, DateTimeFormat::Type3);
  EXPECT_EQ(Text(read.dateStringFormat), "%s %d");
  EXPECT_EQ(Text(read.timeDataFormat), "hm");
  EXPECT_EQ(read.idPrint, HeaderFooterId::Custom);
  EXPECT_EQ(Text(read.customId), "R&D <1>");
  EXPECT_EQ(read.positionX, HeaderFooterX::Center);
  EXPECT_EQ(Text(read.fontName), "Liberation Serif");
  EXPECT_TRUE(read.bold);
  EXPECT_EQ(read.fontSize, 9);
  EXPECT_EQ(read.fontColor, 0x123456u);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name='ns0000:PageHeaderFooter']"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name='ns0000:PageHeaderFooterData']"), 1);

  HeaderFooterOptions outside = written;
  outside.positionY = static_cast<HeaderFooterY>(2);
  EXPECT_EQ(WriteHeaderFooterOptions(*ticket, outside), E_INVALIDARG);
  EXPECT_EQ(ReadHeaderFooterOptions(*ticket, read), S_OK);
  EXPECT_EQ(read.positionY, HeaderFooterY::Top) << "ticket unchanged";
}

}  // namespace
