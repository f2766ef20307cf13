#include "ticket/mirror_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

TEST(ReadMirror, ReadsMirrorAndAPrivateReverse) {
  struct Case {
    const char* label;
    std::string body;
    MirrorSettings expected;
  };
  const Case cases[] = {
      {"nothing there", "", {Mirror::None, OffOn::Off}},
      {"mirror width, reverse on",
       Feature("psk:PageMirrorImage", Option("psk:MirrorImageWidth")) +
           Feature("ns0000:PageReverseImage", Option("ns0000:On")),
       {Mirror::MirrorImageWidth, OffOn::On}},
      {"reverse as a keywords option does not count",
       Feature("ns0000:PageReverseImage", Option("psk:On")),
       {Mirror::None, OffOn::Off}},
      {"unknown mirror", Feature("psk:PageMirrorImage", Option("psk:Kaleidoscope")), {Mirror::None, OffOn::Off}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    MirrorSettings settings;
    EXPECT_EQ(ReadMirror(*ticket, settings), S_OK);
    EXPECT_EQ(settings.mirror, c.expected.mirror);
    EXPECT_EQ(settings.reverse, c.expected.reverse);
  }
}

TEST(WriteMirror, RoundTripsAndRefusesValuesOutsideTheTables) {
  Wrapped ticket(TicketXml(Feature("psk:PageMirrorImage", Option("psk:None")) +
                           Feature("ns0000:PageReverseImage", Option("ns0000:Off"))));
  ASSERT_EQ(WriteMirror(*ticket, MirrorSettings{Mirror::MirrorImageHeight, OffOn::On}), S_OK);
  MirrorSettings read;
  EXPECT_EQ(ReadMirror(*ticket, read), S_OK);
  EXPECT_EQ(read.mirror, Mirror::MirrorImageHeight);
  EXPECT_EQ(read.reverse, OffOn::On);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 2);
  EXPECT_EQ(WriteMirror(*ticket, MirrorSettings{static_cast<Mirror>(3), OffOn::Off}), E_INVALIDARG);
  EXPECT_EQ(WriteMirror(*ticket, MirrorSettings{Mirror::MirrorImageWidth, static_cast<OffOn>(2)}), E_INVALIDARG);
  EXPECT_EQ(ReadMirror(*ticket, read), S_OK);
  EXPECT_EQ(read.mirror, Mirror::MirrorImageHeight) << "ticket unchanged";
}

}  // namespace
