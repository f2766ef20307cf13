#include "ticket/watermark_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string Private(std::string_view name, std::string_view content) {
  return Property("ns0000:" + std::string(name), content);
}
std::string PrivateString(std::string_view name, std::string_view text) { return Private(name, StringValue(text)); }
std::string PrivateInt(std::string_view name, long value) { return Private(name, IntValue(value)); }

std::string Watermark(std::string_view option, std::string_view subFeatures = "") {
  return Feature("psk:PageWatermark", Option("psk:" + std::string(option)) + std::string(subFeatures));
}
std::string Sub(std::string_view name, std::string_view option) {
  return Feature("ns0000:" + std::string(name), Option("ns0000:" + std::string(option)));
}

// Every sub-property in the ticket's order, the spellings its own.
std::string FullItem(std::string_view name, std::string_view type, std::string_view text) {
  return Private(name, PrivateInt("ID", 7) + PrivateString("Type", type) + PrivateInt("PostionX", -100) +
                           PrivateInt("PostionY", 100) + PrivateInt("FontColor", 0xFF0000) +
                           PrivateInt("FontSize", 48) + PrivateString("Text", text) + PrivateInt("Angle", 65536 + 30) +
                           PrivateString("FontName", "DejaVu Sans") + PrivateInt("FontItalicStyle", 1) +
                           PrivateInt("FontBoldStyle", 1) + PrivateString("Filename", "/tmp/logo.bmp") +
                           PrivateInt("Scaling", 50) + PrivateInt("SubData", 0x180) +
                           PrivateInt("BmpLightness", 0x1FF));
}

TEST(ReadWatermarkOptions, ReadsSwitchesAndItems) {
  Wrapped ticket(TicketXml(
      Watermark("On", Sub("LayoutOrder", "Background") + Sub("OverlayMethod", "Transparent") +
                          Sub("OutlineTxt", "On") + Sub("CustomSettings", "On")) +
      Private("PageWatermarkData", "") + PrivateString("Title", "Draft copy") +
      FullItem("WatermarkSettings", "Bitmap", "COMMON") + FullItem("CustomWatermarkSettingsFirst", "Text", "FIRST") +
      Private("CustomWatermarkSettingsOther", PrivateInt("ID", 3) + PrivateString("Type", "None"))));
  WatermarkOptions options;
  ASSERT_EQ(ReadWatermarkOptions(*ticket, options), S_OK);
  EXPECT_EQ(options.on, OffOn::On);
  EXPECT_EQ(options.layoutOrder, WatermarkLayoutOrder::Background);
  EXPECT_EQ(options.overlay, WatermarkOverlay::Transparent);
  EXPECT_EQ(options.outline, OffOn::On);
  EXPECT_EQ(options.customSettings, OffOn::On);
  EXPECT_EQ(Text(options.title), "Draft copy");

  const WatermarkItem& common = options.common;
  EXPECT_EQ(common.id, 7);
  EXPECT_EQ(common.type, WatermarkType::Bitmap);
  EXPECT_EQ(common.positionX, -100);
  EXPECT_EQ(common.positionY, 100);
  EXPECT_EQ(common.fontColor, 0xFF0000u);
  EXPECT_EQ(common.fontSize, 48);
  EXPECT_EQ(Text(common.text), "COMMON");
  EXPECT_EQ(common.angle, 30);  // the low 16 bits
  EXPECT_EQ(Text(common.fontName), "DejaVu Sans");
  EXPECT_EQ(common.italic, 1);
  EXPECT_EQ(common.bold, 1);
  EXPECT_EQ(Text(common.fileName), "/tmp/logo.bmp");
  EXPECT_EQ(common.scaling, 50);
  EXPECT_EQ(common.subData, 0x180);
  EXPECT_EQ(common.bmpLightness, 0xFF);  // the low 8 bits
  EXPECT_EQ(options.first.type, WatermarkType::Text);
  EXPECT_EQ(Text(options.first.text), "FIRST");
  EXPECT_EQ(options.other.id, 3);
  EXPECT_EQ(options.other.type, WatermarkType::None);
  EXPECT_EQ(options.other.fontSize, 72);  // not given: the default stays

  // Custom settings: the job's first page gets the first item, every later one the other.
  EXPECT_EQ(&EffectiveWatermarkItem(options, 1), &options.first);
  EXPECT_EQ(&EffectiveWatermarkItem(options, 2), &options.other);
  EXPECT_EQ(&EffectiveWatermarkItem(options, 4), &options.other);
  options.customSettings = OffOn::Off;
  EXPECT_EQ(&EffectiveWatermarkItem(options, 1), &options.common);
}

TEST(ReadWatermarkOptions, KeepsDefaultsWhereTheTicketSaysNothingUsable) {
  struct Case {
    const char* label;
    std::string body;
    OffOn on;
    WatermarkOverlay overlay;
    LONG fontSize;
    const char* text;
  };
  const Case cases[] = {
      {"nothing", "", OffOn::Off, WatermarkOverlay::Opaque, 72, ""},
      {"unknown option names", Watermark("Maybe", Sub("OverlayMethod", "Glassy")), OffOn::Off,
       WatermarkOverlay::Opaque, 72, ""},
      {"items without PageWatermarkData are not read",
       Watermark("On") + Private("WatermarkSettings", PrivateInt("ID", 1) + PrivateString("Type", "Text") +
                                                          PrivateInt("PostionX", 0)),
       OffOn::On, WatermarkOverlay::Opaque, 72, ""},
      {"an item without ID keeps every default",
       Watermark("On") + Private("PageWatermarkData", "") +
           Private("WatermarkSettings", PrivateInt("FontSize", 20) + PrivateString("Text", "X")),
       OffOn::On, WatermarkOverlay::Opaque, 72, ""},
      {"reading stops at the first missing sub-property",
       Private("PageWatermarkData", "") +
           Private("WatermarkSettings", PrivateInt("ID", 1) + PrivateString("Type", "Text") + PrivateInt("PostionX", 0) +
                                            PrivateInt("PostionY", 0) + PrivateInt("FontSize", 20)),
       OffOn::Off, WatermarkOverlay::Opaque, 72, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    WatermarkOptions options;
    EXPECT_EQ(ReadWatermarkOptions(*ticket, options), S_OK);
    EXPECT_EQ(options.on, c.on);
    EXPECT_EQ(options.overlay, c.overlay);
    EXPECT_EQ(options.common.fontSize, c.fontSize);
    EXPECT_EQ(Text(options.common.text), c.text);
    EXPECT_EQ(Text(options.common.fontName), "Arial");
    EXPECT_EQ(options.common.fontColor, 0xC0C0C0u);
    EXPECT_EQ(options.common.angle, 45);
  }
}

TEST(WriteWatermarkOptions, RoundTripsEveryFieldAndReplacesWhatWasThere) {
  const std::string stale = Watermark("On", Sub("OverlayMethod", "Opaque")) + Private("PageWatermarkData", "") +
                            FullItem("WatermarkSettings", "Text", "OLD");
  Wrapped ticket(TicketXml(stale));
  WatermarkOptions written;
  written.on = OffOn::On;
  written.layoutOrder = WatermarkLayoutOrder::Background;
  written.overlay = WatermarkOverlay::Transparent;
  written.outline = OffOn::On;
  written.customSettings = OffOn::On;
  written.title = Bstr(u"T & <c>");
  written.common.type = WatermarkType::Bitmap;
  written.common.fileName = Bstr(u"/srv/logo \u00e9.png");
  written.first.text = Bstr(u"FIRST \"page\"");
  written.first.positionX = -40;
  written.first.fontColor = 0x123456;
  written.other.angle = 300;
  written.other.bmpLightness = 9;
  ASSERT_EQ(WriteWatermarkOptions(*ticket, written), S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name='psk:PageWatermark']"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name='ns0000:WatermarkSettings']"), 1);
  WatermarkOptions read;
  ASSERT_EQ(ReadWatermarkOptions(*ticket, read), S_OK);
  EXPECT_EQ(read.on, OffOn::On);
  EXPECT_EQ(read.layoutOrder, WatermarkLayoutOrder::Background);
  EXPECT_EQ(read.overlay, WatermarkOverlay::Transparent);
  EXPECT_EQ(read.outline, OffOn::On);
  EXPECT_EQ(read.customSettings, OffOn::On);
  EXPECT_EQ(Text(read.title), Text(written.title));
  EXPECT_EQ(read.common.type, WatermarkType::Bitmap);
  EXPECT_EQ(Text(read.common.fileName), Text(written.common.fileName));
  EXPECT_EQ(Text(read.first.text), Text(written.first.text));
  EXPECT_EQ(read.first.positionX, -40);
  EXPECT_EQ(read.first.fontColor, 0x123456u);
  EXPECT_EQ(read.other.angle, 300);
  EXPECT_EQ(read.other.bmpLightness, 9);

  WatermarkOptions bad;
  bad.overlay = static_cast<WatermarkOverlay>(5);
  EXPECT_EQ(WriteWatermarkOptions(*ticket, bad), E_INVALIDARG);
}

TEST(DrawnWatermarkType, OnlyWhenOnAndForTextOrBitmap) {
  WatermarkOptions options;
  WatermarkItem item;
  EXPECT_EQ(DrawnWatermarkType(options, item), WatermarkType::None);
  options.on = OffOn::On;
  EXPECT_EQ(DrawnWatermarkType(options, item), WatermarkType::Text);
  item.type = WatermarkType::Bitmap;
  EXPECT_EQ(DrawnWatermarkType(options, item), WatermarkType::Bitmap);
  item.type = static_cast<WatermarkType>(9);
  EXPECT_EQ(DrawnWatermarkType(options, item), WatermarkType::None);
}

}  // namespace
