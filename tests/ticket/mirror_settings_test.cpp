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
      {"nothing there", "", {2, 0}},
      {"mirror width, reverse on",
       Feature("psk:PageMirrorImage", Option("psk:MirrorImageWidth")) +
           Feature("ns0000:PageReverseImage", Option("ns0000:On")),
       {0, 1}},
      {"reverse as a keywords option does not count", Feature("ns0000:PageReverseImage", Option("psk:On")), {2, 0}},
      {"unknown mirror", Feature("psk:PageMirrorImage", Option("psk:Kaleidoscope")), {2, 0}},
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
  ASSERT_EQ(WriteMirror(*ticket, MirrorSettings{1, 1}), S_OK);
  MirrorSettings read;
  EXPECT_EQ(ReadMirror(*ticket, read), S_OK);
  EXPECT_EQ(read.mirror, 1);
  EXPECT_EQ(read.reverse, 1);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 2);
  EXPECT_EQ(WriteMirror(*ticket, MirrorSettings{3, 0}), E_INVALIDARG);
  EXPECT_EQ(WriteMirror(*ticket, MirrorSettings{0, 2}), E_INVALIDARG);
  EXPECT_EQ(ReadMirror(*ticket, read), S_OK);
  EXPECT_EQ(read.mirror, 1) << "ticket unchanged";
}

}  // namespace
