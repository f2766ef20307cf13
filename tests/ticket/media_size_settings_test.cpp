#include "ticket/media_size_settings.h"

#include <gtest/gtest.h>

#include "ticket/imageable_area.h"
#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string MediaSize(std::string_view option, std::string_view width, std::string_view height) {
  return Feature("psk:PageMediaSize", Option(option, Scored("psk:MediaSizeWidth", width) +
                                                         Scored("psk:MediaSizeHeight", height)));
}

std::string OrientationFeature(std::string_view option) { return Feature("psk:PageOrientation", Option(option)); }

std::string PrivateString(std::string_view name, std::string_view text) {
  return Property("ns0000:" + std::string(name), StringValue(text));
}
std::string PrivateInt(std::string_view name, long value) {
  return Property("ns0000:" + std::string(name), IntValue(value));
}

// PageMediaSizeData with every item, CustomPaperTemp as given.
std::string MediaSizeData(long paperTemp, std::string_view unit = "inch") {
  std::string items = PrivateString("CustomUnitType", unit) + PrivateString("TransverseMode", "On") +
                      PrivateString("ThicknessType", "Envelope") + PrivateString("UseFixedMargin", "On");
  long margin = 1;
  for (const char* name : {"DocMarginLeft", "DocMarginRight", "DocMarginTop", "DocMarginBottom", "OutMarginLeft",
                           "OutMarginRight", "OutMarginTop", "OutMarginBottom"})
    items += PrivateInt(name, margin++);
  return Property("ns0000:PageMediaSizeData", items + PrivateInt("CustomPaperTemp", paperTemp));
}

struct ReadCase {
  const char* label;
  std::string body;
  HRESULT hr;
  const char* option;
  LONG isPrivate;
  LONG width;
  LONG height;
  Orientation orientation;
};

TEST(ReadMediaSize, ReadsSizeAndOrientation) {
  const std::string a4 = MediaSize("psk:ISOA4", IntValue(210000), IntValue(297000));
  const std::string full = OrientationFeature("psk:Portrait") + MediaSizeData(256);
  const ReadCase cases[] = {
      {"nothing there", "", S_SETTINGS_DEFAULTED, "NorthAmericaLetter", 0, 215900, 279400, Orientation::Portrait},
      {"ISOA4", a4 + full, S_OK, "ISOA4", 0, 210000, 297000, Orientation::Portrait},
      {"ISOA4 without the private block", a4 + OrientationFeature("psk:Portrait"), S_SETTINGS_DEFAULTED, "ISOA4", 0,
       210000, 297000, Orientation::Portrait},
      {"custom size through ParameterRef",
       Init("psk:PageMediaSizeMediaSizeWidth", IntValue(100000)) +
           Init("psk:PageMediaSizeMediaSizeHeight", IntValue(5)) +
           MediaSize("psk:CustomMediaSize", Ref("psk:PageMediaSizeMediaSizeWidth"),
                     Ref("psk:PageMediaSizeMediaSizeHeight")) +
           full,
       S_OK, "CustomMediaSize", 0, 100000, 5, Orientation::Portrait},
      {"private option", MediaSize("ns0000:Postcard", IntValue(100000), IntValue(148000)) + full, S_OK, "Postcard", 1,
       100000, 148000, Orientation::Portrait},
      {"width missing keeps the whole size",
       Feature("psk:PageMediaSize", Option("psk:ISOA4", Scored("psk:MediaSizeHeight", IntValue(297000)))) + full, S_OK,
       "NorthAmericaLetter", 0, 215900, 279400, Orientation::Portrait},
      {"ReversePortrait", OrientationFeature("psk:ReversePortrait") + MediaSizeData(256), S_SETTINGS_DEFAULTED,
       "NorthAmericaLetter", 0, 215900, 279400, Orientation::ReversePortrait},
      {"unknown orientation", OrientationFeature("psk:Sideways"), S_SETTINGS_DEFAULTED, "NorthAmericaLetter", 0, 215900,
       279400, Orientation::Portrait},
      {"orientation in lower case", OrientationFeature("psk:landscape"), S_SETTINGS_DEFAULTED, "NorthAmericaLetter", 0,
       215900, 279400, Orientation::Portrait},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    MediaSizeSettings settings;
    EXPECT_EQ(ReadMediaSize(*ticket, settings), c.hr);
    EXPECT_EQ(Text(settings.optionName), c.option);
    EXPECT_EQ(settings.optionIsPrivate, c.isPrivate);
    EXPECT_EQ(settings.width, c.width);
    EXPECT_EQ(settings.height, c.height);
    EXPECT_EQ(settings.orientation, c.orientation);
  }
}

TEST(ReadMediaSize, ReadsThePrivateBlockItemByItem) {
  Wrapped full(TicketXml(MediaSizeData(70000)));
  MediaSizeSettings settings;
  EXPECT_EQ(ReadMediaSize(*full, settings), S_SETTINGS_DEFAULTED) << "size and orientation absent";
  EXPECT_EQ(settings.customUnitIsInch, CustomUnit::Inch);
  EXPECT_EQ(settings.transverse, OffOn::On);
  EXPECT_EQ(settings.thicknessType, Thickness::Envelope);
  EXPECT_EQ(settings.fixedMargin, OffOn::On);
  EXPECT_EQ(settings.docMarginLeft, 1);
  EXPECT_EQ(settings.outMarginBottom, 8);
  EXPECT_EQ(settings.customPaperTemp, 4464) << "the low 16 bits of 70000";

  // An unknown text leaves its field; a missing item defaults; the block is
  // found by name anywhere, items too.
  Wrapped partial(TicketXml(MediaSize("psk:ISOA4", IntValue(1), IntValue(2)) + OrientationFeature("psk:Landscape") +
                            Property("ns0000:PageMediaSizeData", PrivateString("CustomUnitType", "cm")) +
                            PrivateInt("DocMarginTop", 77)));
  MediaSizeSettings defaults;
  EXPECT_EQ(ReadMediaSize(*partial, defaults), S_SETTINGS_DEFAULTED);
  EXPECT_EQ(defaults.customUnitIsInch, CustomUnit::Mm);
  EXPECT_EQ(defaults.docMarginTop, 77);
  EXPECT_EQ(defaults.docMarginLeft, -1);
  EXPECT_EQ(defaults.customPaperTemp, 256);
  EXPECT_EQ(defaults.orientation, Orientation::Landscape);
}

MediaSizeSettings Custom(LONG width, LONG height) {
  MediaSizeSettings settings;
  settings.optionName = Bstr(u"CustomMediaSize");
  settings.width = width;
  settings.height = height;
  settings.orientation = Orientation::Landscape;
  settings.customUnitIsInch = CustomUnit::Inch;
  settings.transverse = OffOn::On;
  settings.thicknessType = Thickness::Thick;
  settings.fixedMargin = OffOn::On;
  settings.docMarginLeft = 10;
  settings.docMarginRight = 20;
  settings.docMarginTop = 30;
  settings.docMarginBottom = 40;
  settings.outMarginLeft = 50;
  settings.outMarginRight = 60;
  settings.outMarginTop = 70;
  settings.outMarginBottom = 80;
  settings.customPaperTemp = -2;
  return settings;
}

void ExpectSameRecord(const MediaSizeSettings& a, const MediaSizeSettings& b) {
  EXPECT_EQ(Text(a.optionName), Text(b.optionName));
  EXPECT_EQ(a.optionIsPrivate, b.optionIsPrivate);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.orientation, b.orientation);
  EXPECT_EQ(a.customUnitIsInch, b.customUnitIsInch);
  EXPECT_EQ(a.transverse, b.transverse);
  EXPECT_EQ(a.thicknessType, b.thicknessType);
  EXPECT_EQ(a.fixedMargin, b.fixedMargin);
  EXPECT_EQ(a.docMarginLeft, b.docMarginLeft);
  EXPECT_EQ(a.docMarginRight, b.docMarginRight);
  EXPECT_EQ(a.docMarginTop, b.docMarginTop);
  EXPECT_EQ(a.docMarginBottom, b.docMarginBottom);
  EXPECT_EQ(a.outMarginLeft, b.outMarginLeft);
  EXPECT_EQ(a.outMarginRight, b.outMarginRight);
  EXPECT_EQ(a.outMarginTop, b.outMarginTop);
  EXPECT_EQ(a.outMarginBottom, b.outMarginBottom);
  EXPECT_EQ(a.customPaperTemp, b.customPaperTemp);
}

TEST(WriteMediaSize, RoundTripsCustomAndStandardSizes) {
  MediaSizeSettings standard;
  standard.optionName = Bstr(u"ISOA5");
  standard.width = 148000;
  standard.height = 210000;
  standard.orientation = Orientation::ReversePortrait;
  MediaSizeSettings privateSize = standard;
  privateSize.optionName = Bstr(u"Postcard");
  privateSize.optionIsPrivate = 1;
  struct Case {
    const char* label;
    MediaSizeSettings written;
    long initialisers;
  };
  const Case cases[] = {{"custom", Custom(100000, 148000), 2}, {"standard", standard, 0}, {"private", privateSize, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    // The ticket already holds a size, a stale custom parameter and two data blocks.
    Wrapped ticket(TicketXml(MediaSize("psk:ISOA4", IntValue(210000), IntValue(297000)) + MediaSizeData(1) +
                             MediaSizeData(2) + Init("psk:PageMediaSizeMediaSizeWidth", IntValue(9)) +
                             OrientationFeature("psk:Portrait")));
    ASSERT_EQ(WriteMediaSize(*ticket, c.written), S_OK);
    MediaSizeSettings read;
    EXPECT_EQ(ReadMediaSize(*ticket, read), S_OK);
    ExpectSameRecord(read, c.written);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name = \"psk:PageMediaSize\"]"), 1);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name = \"psk:PageOrientation\"]"), 1);
    EXPECT_EQ(CountOf(*ticket, u"//psf:ParameterInit"), c.initialisers);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name = \"ns0000:PageMediaSizeData\"]"), 1);
  }
}

TEST(WriteMediaSize, PaperTempIsWrittenSignExtended) {
  Wrapped ticket(TicketXml(""));
  MediaSizeSettings settings;
  ASSERT_EQ(WriteMediaSize(*ticket, settings), S_OK);
  MediaSizeSettings read;
  read.customPaperTemp = 0;
  EXPECT_EQ(ReadMediaSize(*ticket, read), S_OK);
  EXPECT_EQ(read.customPaperTemp, 256);
  settings.customPaperTemp = -1;
  ASSERT_EQ(WriteMediaSize(*ticket, settings), S_OK);
  Bstr text;
  ASSERT_EQ(ticket->GetValue(u"//psf:Property[@name = \"ns0000:CustomPaperTemp\"]", &text), S_OK);
  EXPECT_EQ(Text(text), "-1");
}

TEST(WriteMediaSize, RefusesValuesOutsideItsTablesBeforeTouchingTheTicket) {
  const std::string original = TicketXml(MediaSize("psk:ISOA4", IntValue(210000), IntValue(297000)));
  MediaSizeSettings badOrientation;
  badOrientation.orientation = static_cast<Orientation>(4);
  MediaSizeSettings badThickness;
  badThickness.thicknessType = static_cast<Thickness>(-1);
  MediaSizeSettings noName;
  noName.optionName = Bstr(u"");
  for (const MediaSizeSettings* settings : {&badOrientation, &badThickness, &noName}) {
    Wrapped ticket(original);
    EXPECT_EQ(WriteMediaSize(*ticket, *settings), E_INVALIDARG);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 1);
  }
}

std::string ImageableSize(std::string_view extentHeight) {
  const auto p = [](std::string_view name, std::string_view value) {
    return Property("psk:" + std::string(name), value);
  };
  return Property("psk:PageImageableSize",
                  p("ImageableSizeWidth", IntValue(215900)) + p("ImageableSizeHeight", IntValue(279400)) +
                      p("ImageableArea", p("OriginWidth", IntValue(4233)) + p("OriginHeight", IntValue(4233)) +
                                             p("ExtentWidth", IntValue(207434)) + std::string(extentHeight)));
}

TEST(ReadImageableArea, ReadsTheSixValuesInOrderAndStopsAtTheFirstMissing) {
  const std::string extentHeight = Property("psk:ExtentHeight", IntValue(270934));
  {
    Wrapped capabilities(TicketXml(ImageableSize(extentHeight), kDeclarations, "PrintCapabilities"),
                         u"PrintCapabilities");
    ImageableArea area;
    EXPECT_EQ(ReadImageableArea(*capabilities, area), S_OK);
    EXPECT_EQ(area.imageableWidth, 215900);
    EXPECT_EQ(area.imageableHeight, 279400);
    EXPECT_EQ(area.originWidth, 4233);
    EXPECT_EQ(area.originHeight, 4233);
    EXPECT_EQ(area.extentWidth, 207434);
    EXPECT_EQ(area.extentHeight, 270934);
  }
  {
    Wrapped capabilities(TicketXml(ImageableSize(""), kDeclarations, "PrintCapabilities"), u"PrintCapabilities");
    ImageableArea area;
    area.extentHeight = -5;
    EXPECT_EQ(ReadImageableArea(*capabilities, area), kTicketItemNotFound);
    EXPECT_EQ(area.extentWidth, 207434);
    EXPECT_EQ(area.extentHeight, -5);
  }
  {
    Wrapped capabilities(TicketXml("", kDeclarations, "PrintCapabilities"), u"PrintCapabilities");
    ImageableArea area;
    EXPECT_EQ(ReadImageableArea(*capabilities, area), kTicketItemNotFound);
  }
}

}  // namespace
