// The device values a page's ticket and the output settings give.
#include "filters/rip/page_device_settings.h"

#include <gtest/gtest.h>

#include "tests/ticket/ticket_documents.h"

namespace {

using namespace ticket_test;

TEST(RotationCode, FollowsTheOrientationsRotation) {
  struct Case {
    Orientation orientation;
    LONG portrait;
    LONG landscape;
    LONG code;
  };
  const Case cases[] = {
      {Orientation::Portrait, 0, 270, 2},        {Orientation::ReversePortrait, 90, 270, 3},
      {Orientation::Portrait, 180, 0, 4},        {Orientation::Portrait, 270, 0, 5},
      {Orientation::Portrait, 45, 90, 2},        {Orientation::Landscape, 0, 0, 2},
      {Orientation::ReverseLandscape, 0, 90, 3}, {Orientation::Landscape, 0, 180, 4},
      {Orientation::ReverseLandscape, 0, 270, 5}, {Orientation::Landscape, 0, 45, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "orientation " << Utf16ToUtf8(Name(c.orientation).value()).value()
                                    << ", portrait " << c.portrait
                                    << ", landscape " << c.landscape);
    RipOutputSettings output;
    output.portraitRotation = c.portrait;
    output.landscapeRotation = c.landscape;
    EXPECT_EQ(RotationCode(c.orientation, output), c.code);
  }
  EXPECT_EQ(PlaneCode(1), 1);
  EXPECT_EQ(PlaneCode(4), 4);
  EXPECT_EQ(PlaneCode(2), 3);
  EXPECT_EQ(PlaneCode(0), 3);
}

TEST(ReadPageResolution, TakesOnlyTheSquareResolutionsTheConverterKnows) {
  const auto resolution = [](long x, long y) {
    return Feature("psk:PageResolution", Option("ns0000:R", Scored("psk:ResolutionX", IntValue(x)) +
                                                               Scored("psk:ResolutionY", IntValue(y))));
  };
  struct Case {
    const char* label;
    std::string body;
    LONG expected;
  };
  const Case cases[] = {
      {"1200 x 1200", resolution(1200, 1200), 1200}, {"150 x 150", resolution(150, 150), 150},
      {"600 x 1200", resolution(600, 1200), 600},    {"400 x 400", resolution(400, 400), 600},
      {"none", "", 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const ComPtr<IXMLDOMDocument2> ticket = LoadXml(TicketXml(c.body));
    const PrintTicketDom dom(u"PrintTicket", u"", ticket.Get());
    LONG x = 0;
    LONG y = 0;
    ReadPageResolution(dom, &x, &y);
    EXPECT_EQ(x, c.expected);
    EXPECT_EQ(y, c.expected);
  }
}

}  // namespace
