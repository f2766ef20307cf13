// This driver's DEVMODEs: the public part as the provider fills it for the reference
// printer, and the private block the driver's extension appends.
#include "driver/devmode_fixture.h"

namespace ticket_test {
namespace {

using TicketDevMode = KestrelDevModeTest;

std::u16string Chars(const WCHAR (&chars)[32]) { return std::u16string(chars); }

TEST_F(TicketDevMode, A4LandscapeDuplexTwoCopies) {
  const Converted c = DevMode(Ticket(Feature("psk:PageMediaSize", "psk:ISOA4") +
                                     Feature("psk:PageOrientation", "psk:Landscape") +
                                     Feature("psk:JobDuplexAllDocumentsContiguously", "psk:TwoSidedLongEdge") +
                                     IntegerInit("psk:JobCopiesAllDocuments", "2")));
  ASSERT_EQ(c.hr, S_OK) << c.message;
  EXPECT_EQ(c.size, sizeof(DEVMODEW) + sizeof(KestrelDevModePrivate));
  const DEVMODEW& d = c.devmode;
  EXPECT_EQ(Chars(d.dmDeviceName), u"Kestrel InkJet MFP");
  EXPECT_EQ(d.dmSpecVersion, DM_SPECVERSION);
  EXPECT_EQ(d.dmSize, 220);
  EXPECT_EQ(d.dmDriverExtra, sizeof(KestrelDevModePrivate));
  const DWORD filled = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR |
                       DM_DUPLEX | DM_YRESOLUTION | DM_COLLATE | DM_FORMNAME | DM_NUP;
  EXPECT_EQ(d.dmFields, filled);
  EXPECT_EQ(d.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(d.dmPaperSize, 9);  // A4
  EXPECT_EQ(d.dmDuplex, DMDUP_VERTICAL);
  EXPECT_EQ(d.dmCopies, 2);
  EXPECT_EQ(d.dmPrintQuality, 600);
  EXPECT_EQ(d.dmYResolution, 600);
  EXPECT_EQ(d.dmColor, DMCOLOR_COLOR);
  EXPECT_EQ(d.dmCollate, DMCOLLATE_FALSE);
  EXPECT_EQ(d.dmDefaultSource, 7);  // automatic
  EXPECT_EQ(d.dmNup, DMNUP_ONEUP);
  EXPECT_EQ(Chars(d.dmFormName), u"A4");

  const KestrelDevModePrivate& p = c.extra;
  EXPECT_EQ(p.signature, kDevModePrivateSignature);
  EXPECT_EQ(p.version, kDevModePrivateVersion);
  EXPECT_EQ(p.size, sizeof(KestrelDevModePrivate));
  EXPECT_EQ(p.mediaWidth, 210000);
  EXPECT_EQ(p.mediaHeight, 297000);
  EXPECT_EQ(p.orientation, 0);  // Landscape
  EXPECT_EQ(p.imageableExtentWidth, 297000 - 2 * 4233);
  EXPECT_EQ(p.imageableExtentHeight, 210000 - 2 * 4233);
  EXPECT_EQ(p.pagesPerSheet, 1);
  EXPECT_EQ(p.bindingEdge, -1);
  EXPECT_EQ(p.inputBin, 0);
  EXPECT_EQ(p.secondInputBin, 1);
  EXPECT_EQ(p.mirror, 2);
  EXPECT_EQ(p.flags, 0u);
}

TEST_F(TicketDevMode, CustomSizesUseLengthAndWidth) {
  const Converted c = DevMode(Ticket(
      Feature("psk:PageMediaSize", "psk:CustomMediaSize",
              "<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:ParameterRef "
              "name=\"psk:PageMediaSizeMediaSizeWidth\"/></psf:ScoredProperty><psf:ScoredProperty "
              "name=\"psk:MediaSizeHeight\"><psf:ParameterRef name=\"psk:PageMediaSizeMediaSizeHeight\"/>"
              "</psf:ScoredProperty>") +
      IntegerInit("psk:PageMediaSizeMediaSizeWidth", "100000") + IntegerInit("psk:PageMediaSizeMediaSizeHeight", "148049")));
  ASSERT_EQ(c.hr, S_OK) << c.message;
  EXPECT_EQ(c.devmode.dmPaperSize, DMPAPER_USER);
  EXPECT_EQ(c.devmode.dmPaperWidth, 1000);
  EXPECT_EQ(c.devmode.dmPaperLength, 1480);
  EXPECT_TRUE(c.devmode.dmFields & DM_PAPERLENGTH);
  EXPECT_EQ(c.extra.mediaHeight, 148049);

  // A length no DEVMODE field can hold is left to the private block.
  const Converted huge = DevMode(Ticket(Feature("psk:PageMediaSize", "psk:NorthAmerica4x6",
                                                Scored("psk:MediaSizeHeight", 2147483647))));
  ASSERT_EQ(huge.hr, S_OK) << huge.message;
  EXPECT_FALSE(huge.devmode.dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));
  EXPECT_EQ(huge.extra.mediaHeight, 2147483647);
  EXPECT_EQ(huge.extra.mediaWidth, 101600);
}

TEST_F(TicketDevMode, LayoutAndDecorationsGoToThePrivateBlock) {
  const Converted c = DevMode(Ticket(
      "<psf:Feature name=\"psk:JobNUpAllDocumentsContiguously\"><psf:Option>" + Scored("psk:PagesPerSheet", 4) +
      "</psf:Option></psf:Feature>" + Feature("psk:JobBindAllDocuments", "kp:BookletReverseFlip", Scored("psk:BindingGutter", 5000)) +
      Feature("psk:PageWatermark", "psk:On") + Feature("kp:PageHeaderFooter", "kp:On") +
      Feature("kp:PageReverseImage", "kp:On") + Feature("psk:PageMirrorImage", "psk:MirrorImageHeight") +
      Feature("psk:PageInputBin", "kp:Tray2") + Feature("kp:JobInput2ndBin", "psk:Manual") +
      Feature("psk:PageScaling", "psk:CustomSquare", Scored("psk:Scale", 80)) +
      "<psf:Feature name=\"psk:PagePoster\"><psf:Option>" + Scored("psk:SheetsPerPage", 4) + "</psf:Option></psf:Feature>" +
      Feature("psk:PageOutputColor", "psk:Monochrome") + Feature("psk:DocumentCollate", "psk:Collated") +
      "<psf:Property name=\"kp:PageInputBinData\"><psf:Property name=\"kp:SecondBinData\"><psf:Value "
      "xsi:type=\"xsd:string\">InvalidSecondBinData</psf:Value></psf:Property></psf:Property>"));
  ASSERT_EQ(c.hr, S_OK) << c.message;
  const KestrelDevModePrivate& p = c.extra;
  EXPECT_EQ(p.pagesPerSheet, 4);
  EXPECT_EQ(p.bindingEdge, 5);
  EXPECT_EQ(p.booklet, 1);
  EXPECT_EQ(p.bindingGutter, 5000);
  EXPECT_EQ(p.posterSheetsPerPage, 4);
  EXPECT_EQ(p.scalingMode, 2);
  EXPECT_EQ(p.scalePercent, 80);
  EXPECT_EQ(p.inputBin, 3);
  EXPECT_EQ(p.secondInputBin, 10);
  EXPECT_EQ(p.mirror, 1);
  EXPECT_EQ(p.flags, kDevModeFlagWatermark | kDevModeFlagHeaderFooter | kDevModeFlagReverseImage |
                         kDevModeFlagSecondBinInvalid);
  EXPECT_EQ(c.devmode.dmNup, DMNUP_SYSTEM);
  EXPECT_EQ(c.devmode.dmScale, 80);
  EXPECT_EQ(c.devmode.dmDefaultSource, 258);
  EXPECT_EQ(c.devmode.dmColor, DMCOLOR_MONOCHROME);
  EXPECT_EQ(c.devmode.dmCollate, DMCOLLATE_TRUE);
}

TEST_F(TicketDevMode, ManualDuplexIsFlaggedForTheConverter) {
  struct Case {
    const char* option;
    const char* mode;  // the DuplexMode scored property, or none
    bool manual;
  };
  const Case cases[] = {{"psk:TwoSidedLongEdge", "Manual", true},
                        {"psk:TwoSidedShortEdge", "Manual", true},
                        {"psk:TwoSidedLongEdge", "Automatic", false},
                        {"psk:TwoSidedLongEdge", nullptr, false},
                        {"psk:OneSided", "Manual", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + (c.mode ? c.mode : "-"));
    const std::string mode = c.mode ? std::string("<psf:ScoredProperty name=\"psk:DuplexMode\"><psf:Value "
                                                  "xsi:type=\"xsd:string\">") +
                                          c.mode + "</psf:Value></psf:ScoredProperty>"
                                    : "";
    const Converted converted = DevMode(Ticket(Feature("psk:JobDuplexAllDocumentsContiguously", c.option, mode)));
    ASSERT_EQ(converted.hr, S_OK) << converted.message;
    EXPECT_EQ((converted.extra.flags & kDevModeFlagManualDuplex) != 0, c.manual);
  }
}

}  // namespace
}  // namespace ticket_test
