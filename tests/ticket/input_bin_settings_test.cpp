#include "ticket/input_bin_settings.h"

#include <gtest/gtest.h>

#include "ticket_documents.h"

namespace {

using namespace ticket_test;

std::string PageBin(std::string_view option) { return Feature("psk:PageInputBin", Option(option)); }
std::string SecondBin(std::string_view option) { return Feature("ns0000:JobInput2ndBin", Option(option)); }
std::string BinData(std::string_view text) {
  return Property("ns0000:PageInputBinData", Property("ns0000:SecondBinData", StringValue(text)));
}

struct Slots {
  LONG pageBin;
  LONG secondBin;
  LONG secondBinInvalid;
};

void ExpectSlots(const InputBinSettings& settings, const Slots& expected) {
  for (std::size_t slot = 0; slot < 2; ++slot) {
    const LONG index = slot == 0 ? expected.pageBin : expected.secondBin;
    EXPECT_EQ(settings.binIndex[slot], index) << "slot " << slot;
    EXPECT_EQ(settings.binName[slot].View(), kInputBinOptions[static_cast<std::size_t>(index)]) << "slot " << slot;
    EXPECT_EQ(settings.binNamespace[slot], kInputBinNamespaces[static_cast<std::size_t>(index)]) << "slot " << slot;
  }
  EXPECT_EQ(settings.secondBinInvalid, expected.secondBinInvalid);
}

TEST(ReadInputBin, AcceptsABinOnlyInItsOwnNamespace) {
  struct Case {
    const char* label;
    std::string body;
    Slots expected;
  };
  const Case cases[] = {
      {"nothing there", "", {0, 1, 0}},
      {"private Tray1", PageBin("ns0000:Tray1"), {2, 1, 0}},
      {"keywords Tray1 is AutoSelect", PageBin("psk:Tray1"), {0, 1, 0}},
      {"keywords Manual", PageBin("psk:Manual") + SecondBin("ns0000:MPTray"), {10, 11, 0}},
      {"second bin in the wrong namespace", PageBin("ns0000:Tray3") + SecondBin("psk:Tray2"), {4, 1, 0}},
      {"unknown bins are kept", PageBin("psk:Drawer") + SecondBin("ns0000:Drawer"), {0, 1, 0}},
      {"second bin invalid", BinData("InvalidSecondBinData"), {0, 1, 1}},
      {"second bin valid", BinData("ValidSecondBinData"), {0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Wrapped ticket(TicketXml(c.body));
    InputBinSettings settings;
    EXPECT_EQ(ReadInputBin(*ticket, settings), S_OK);
    ExpectSlots(settings, c.expected);
  }
}

TEST(SetInputBinSlot, RefusesSlotsAndIndicesOutsideTheTable) {
  InputBinSettings settings;
  EXPECT_EQ(SetInputBinSlot(settings, 1, 9), S_OK);
  EXPECT_EQ(SetInputBinSlot(settings, 2, 0), E_FAIL);
  EXPECT_EQ(SetInputBinSlot(settings, 0, 12), E_FAIL);
  EXPECT_EQ(SetInputBinSlot(settings, 0, -1), E_FAIL);
  ExpectSlots(settings, {0, 9, 0});
}

TEST(WriteInputBin, RoundTripsBothBins) {
  Wrapped ticket(TicketXml(PageBin("psk:AutoSelect") + SecondBin("ns0000:Tray1") + BinData("InvalidSecondBinData") +
                           BinData("InvalidSecondBinData")));
  InputBinSettings written;
  ASSERT_EQ(SetInputBinSlot(written, 0, 10), S_OK);
  ASSERT_EQ(SetInputBinSlot(written, 1, 7), S_OK);
  ASSERT_EQ(WriteInputBin(*ticket, written), S_OK);
  InputBinSettings read;
  EXPECT_EQ(ReadInputBin(*ticket, read), S_OK);
  ExpectSlots(read, {10, 7, 0});
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property"), 0) << "a valid second bin writes no PageInputBinData";

  written.secondBinInvalid = 1;
  ASSERT_EQ(WriteInputBin(*ticket, written), S_OK);
  EXPECT_EQ(ReadInputBin(*ticket, read), S_OK);
  ExpectSlots(read, {10, 7, 1});

  written.binIndex[1] = 12;
  EXPECT_EQ(WriteInputBin(*ticket, written), E_INVALIDARG);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 2);
}

}  // namespace
