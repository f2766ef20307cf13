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
  InputBin pageBin;
  InputBin secondBin;
  LONG secondBinInvalid;
};

void ExpectSlots(const InputBinSettings& settings, const Slots& expected) {
  for (std::size_t slot = 0; slot < 2; ++slot) {
    const InputBin bin = slot == 0 ? expected.pageBin : expected.secondBin;
    EXPECT_EQ(settings.binIndex[slot], bin) << "slot " << slot;
    EXPECT_EQ(settings.binName[slot].View(), *Name(bin)) << "slot " << slot;
    EXPECT_EQ(settings.binNamespace[slot], NamespaceOf(bin)) << "slot " << slot;
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
      {"nothing there", "", {InputBin::AutoSelect, InputBin::SameTray, 0}},
      {"private Tray1", PageBin("ns0000:Tray1"), {InputBin::Tray1, InputBin::SameTray, 0}},
      {"keywords Tray1 is AutoSelect", PageBin("psk:Tray1"), {InputBin::AutoSelect, InputBin::SameTray, 0}},
      {"keywords Manual", PageBin("psk:Manual") + SecondBin("ns0000:MPTray"), {InputBin::Manual, InputBin::MPTray, 0}},
      {"second bin in the wrong namespace",
       PageBin("ns0000:Tray3") + SecondBin("psk:Tray2"),
       {InputBin::Tray3, InputBin::SameTray, 0}},
      {"unknown bins are kept",
       PageBin("psk:Drawer") + SecondBin("ns0000:Drawer"),
       {InputBin::AutoSelect, InputBin::SameTray, 0}},
      {"second bin invalid", BinData("InvalidSecondBinData"), {InputBin::AutoSelect, InputBin::SameTray, 1}},
      {"second bin valid", BinData("ValidSecondBinData"), {InputBin::AutoSelect, InputBin::SameTray, 0}},
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
  EXPECT_EQ(SetInputBinSlot(settings, 1, InputBin::TrayID4), S_OK);
  EXPECT_EQ(SetInputBinSlot(settings, 2, InputBin::AutoSelect), E_FAIL);
  EXPECT_EQ(SetInputBinSlot(settings, 0, static_cast<InputBin>(12)), E_FAIL);
  EXPECT_EQ(SetInputBinSlot(settings, 0, static_cast<InputBin>(-1)), E_FAIL);
  ExpectSlots(settings, {InputBin::AutoSelect, InputBin::TrayID4, 0});
}

TEST(WriteInputBin, RoundTripsBothBins) {
  Wrapped ticket(TicketXml(PageBin("psk:AutoSelect") + SecondBin("ns0000:Tray1") + BinData("InvalidSecondBinData") +
                           BinData("InvalidSecondBinData")));
  InputBinSettings written;
  ASSERT_EQ(SetInputBinSlot(written, 0, InputBin::Manual), S_OK);
  ASSERT_EQ(SetInputBinSlot(written, 1, InputBin::TrayID2), S_OK);
  ASSERT_EQ(WriteInputBin(*ticket, written), S_OK);
  InputBinSettings read;
  EXPECT_EQ(ReadInputBin(*ticket, read), S_OK);
  ExpectSlots(read, {InputBin::Manual, InputBin::TrayID2, 0});
  EXPECT_EQ(CountOf(*ticket, u"//psf:Property"), 0) << "a valid second bin writes no PageInputBinData";

  written.secondBinInvalid = 1;
  ASSERT_EQ(WriteInputBin(*ticket, written), S_OK);
  EXPECT_EQ(ReadInputBin(*ticket, read), S_OK);
  ExpectSlots(read, {InputBin::Manual, InputBin::TrayID2, 1});

  written.binIndex[1] = static_cast<InputBin>(12);
  EXPECT_EQ(WriteInputBin(*ticket, written), E_INVALIDARG);
  EXPECT_EQ(CountOf(*ticket, u"//psf:Feature"), 2);
}

}  // namespace
