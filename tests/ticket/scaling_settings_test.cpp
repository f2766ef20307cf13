// Reading the scaling request from a ticket, and replacing it by the neutral one.
#include "ticket/scaling_settings.h"

#include <gtest/gtest.h>

#include "ticket/ticket_documents.h"

namespace {

using namespace ticket_test;

std::string Scaling(std::string_view option, std::string_view content = "") {
  return Feature("psk:PageScaling", Option(option, content));
}
std::string ScaledInt(std::string_view name, long value) { return Scored(name, IntValue(value)); }
std::string FitMediaSize(std::string_view option, std::string_view content) {
  return Feature("ns0000:FitMediaSize", Option(option, content));
}
std::string ScalingData(std::string_view content) { return Property("ns0000:PageScalingData", content); }
std::string Sub(std::string_view name, std::string_view value) { return Property(name, value); }

TEST(ScalingSettingsTest, ReadsModeDetailsAndScalingData) {
  struct Case {
    const char* label;
    std::string body;
    ScalingMode mode;
    LONG scale, offsetWidth;
    ScaleAlignment alignment;
    std::string paper;
    LONG paperWidth;
    OffOn printableArea, correct;
    SHORT customPaper;
  };
  using enum ScalingMode;
  using enum ScaleAlignment;
  constexpr OffOn kOff = OffOn::Off, kOn = OffOn::On;
  const std::string letter = "NorthAmericaLetter";
  const Case cases[] = {
      {"nothing", "", None, 100, 4233, Center, letter, 215900, kOff, kOff, 256},
      {"custom square", Scaling("psk:CustomSquare", ScaledInt("psk:Scale", 50) + ScaledInt("psk:OffsetWidth", 0) +
                                                        ScaledInt("psk:OffsetHeight", 0) +
                                                        Feature("psk:ScaleOffsetAlignment", Option("psk:TopLeft"))),
       CustomSquare, 50, 0, TopLeft, letter, 215900, kOff, kOff, 256},
      {"fit to paper, A4",
       Scaling("ns0000:FitToPaper", FitMediaSize("psk:ISOA4", ScaledInt("psk:FitMediaSizeWidth", 210000) +
                                                                 ScaledInt("psk:FitMediaSizeHeight", 297000))),
       FitToPaper, 100, 4233, Center, "ISOA4", 210000, kOff, kOff, 256},
      {"fit to paper without a size keeps Letter", Scaling("ns0000:FitToPaper", FitMediaSize("psk:ISOA4", "")),
       FitToPaper, 100, 4233, Center, letter, 215900, kOff, kOff, 256},
      {"an option naming no mode", Scaling("psk:Bogus", ScaledInt("psk:Scale", 50)), None, 100, 4233, Center, letter,
       215900, kOff, kOff, 256},
      {"scaling data",
       ScalingData(Sub("ns0000:ScalePrintableArea", StringValue("On")) +
                   Sub("ns0000:CorrectFixedPageSize", StringValue("On")) +
                   Sub("ns0000:FitToCustomPaperTemp", IntValue(0x10005))),
       None, 100, 4233, Center, letter, 215900, kOn, kOn, 5},
      {"flags in lower case are off",
       ScalingData(Sub("ns0000:ScalePrintableArea", StringValue("on")) +
                   Sub("ns0000:CorrectFixedPageSize", StringValue("ON"))),
       None, 100, 4233, Center, letter, 215900, kOff, kOff, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    ScalingSettings settings;
    settings.scalePrintableArea = settings.correctFixedPageSize = OffOn::On;  // written in any case
    ASSERT_EQ(ReadScalingSettings(*ticket, settings), S_OK);
    EXPECT_EQ(settings.mode, c.mode);
    EXPECT_EQ(settings.scale, c.scale);
    EXPECT_EQ(settings.offsetWidth, c.offsetWidth);
    EXPECT_EQ(settings.offsetHeight, c.offsetWidth);
    EXPECT_EQ(settings.alignment, c.alignment);
    EXPECT_EQ(Text(settings.targetPaper.optionName), c.paper);
    EXPECT_EQ(settings.targetPaper.width, c.paperWidth);
    EXPECT_EQ(settings.scalePrintableArea, c.printableArea);
    EXPECT_EQ(settings.correctFixedPageSize, c.correct);
    EXPECT_EQ(settings.customPaper, c.customPaper);
  }
}

TEST(ScalingSettingsTest, NeutralScalingReplacesEveryRequestByOne) {
  Wrapped ticket(TicketXml(
      Scaling("ns0000:FitToPaper", FitMediaSize("psk:ISOA4", ScaledInt("psk:FitMediaSizeWidth", 210000) +
                                                                ScaledInt("psk:FitMediaSizeHeight", 297000))) +
      Scaling("psk:CustomSquare") + ScalingData(Sub("ns0000:CorrectFixedPageSize", StringValue("On"))) +
      ScalingData(Sub("ns0000:ScalePrintableArea", StringValue("On")))));
  ASSERT_EQ(WriteNeutralScaling(*ticket), S_OK);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name='psk:PageScaling']"), 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name='ns0000:PageScalingData']"), 1);
  ScalingSettings settings;
  settings.mode = ScalingMode::CustomSquare;
  ASSERT_EQ(ReadScalingSettings(*ticket, settings), S_OK);
  const ScalingSettings neutral;
  EXPECT_EQ(settings.mode, ScalingMode::None);
  EXPECT_EQ(settings.alignment, neutral.alignment);
  EXPECT_EQ(Text(settings.targetPaper.optionName), "NorthAmericaLetter");
  EXPECT_EQ(settings.targetPaper.height, neutral.targetPaper.height);
  EXPECT_EQ(settings.correctFixedPageSize, OffOn::Off);
  EXPECT_EQ(settings.scalePrintableArea, OffOn::Off);
  EXPECT_EQ(settings.customPaper, 256);
}

// What the print options write reads back as written, each mode with what it uses.
TEST(ScalingSettingsTest, WrittenSettingsReadBackAndReplaceTheOldRequest) {
  MediaSizeSettings a4;
  a4.optionName = Bstr(u"ISOA4");
  a4.width = 210000;
  a4.height = 297000;
  MediaSizeSettings privatePaper = a4;
  privatePaper.optionName = Bstr(u"CustomPaper");
  privatePaper.optionIsPrivate = 1;
  const auto settings = [](ScalingMode mode, ScaleAlignment alignment, const MediaSizeSettings& paper) {
    ScalingSettings made;
    made.mode = mode;
    made.alignment = alignment;
    made.targetPaper = paper;
    return made;
  };
  ScalingSettings custom = settings(ScalingMode::CustomSquare, ScaleAlignment::TopLeft, {});
  custom.scale = 250;
  custom.offsetWidth = 0;
  custom.offsetHeight = 12700;
  ScalingSettings flagged =
      settings(ScalingMode::FitApplicationMediaSizeToPageMediaSize, ScaleAlignment::BottomRight, {});
  flagged.scalePrintableArea = flagged.correctFixedPageSize = OffOn::On;
  struct Case {
    const char* label;
    ScalingSettings written;
  };
  const Case cases[] = {
      {"custom square", custom},
      {"fit to paper", settings(ScalingMode::FitToPaper, ScaleAlignment::Center, a4)},
      {"fit to a private paper", settings(ScalingMode::FitToPaper, ScaleAlignment::Center, privatePaper)},
      {"fit page to paper, with both flags", flagged},
      {"none", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(Scaling("psk:CustomSquare", ScaledInt("psk:Scale", 50)) + Scaling("psk:None") +
                             ScalingData(Sub("ns0000:ScalePrintableArea", StringValue("On")))));
    ASSERT_EQ(WriteScaling(*ticket, c.written), S_OK);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name='psk:PageScaling']"), 1);
    EXPECT_EQ(CountOf(*ticket, u"//psf:Property[@name='ns0000:PageScalingData']"), 1);
    ScalingSettings read;
    ASSERT_EQ(ReadScalingSettings(*ticket, read), S_OK);
    const ScalingSettings& w = c.written;
    EXPECT_EQ(read.mode, w.mode);
    EXPECT_EQ(read.scale, w.scale);
    EXPECT_EQ(read.offsetWidth, w.offsetWidth);
    EXPECT_EQ(read.offsetHeight, w.offsetHeight);
    EXPECT_EQ(read.alignment, w.alignment);
    EXPECT_EQ(Text(read.targetPaper.optionName), Text(w.targetPaper.optionName));
    EXPECT_EQ(read.targetPaper.optionIsPrivate, w.targetPaper.optionIsPrivate);
    EXPECT_EQ(read.targetPaper.height, w.targetPaper.height);
    EXPECT_EQ(read.scalePrintableArea, w.scalePrintableArea);
    EXPECT_EQ(read.correctFixedPageSize, w.correctFixedPageSize);
  }
  ScalingSettings bad;
  bad.alignment = static_cast<ScaleAlignment>(9);
  Wrapped ticket(TicketXml(Scaling("psk:CustomSquare")));
  EXPECT_EQ(WriteScaling(*ticket, bad), E_INVALIDARG);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature[@name='psk:PageScaling']/psf:Option[@name='psk:CustomSquare']"), 1);
}

}  // namespace
