// Print options against the tickets they produce: each set of options is
// applied for the reference printer, and the ticket it gives is read back as
// the filters read it, with `xpspipe ticket show` (the settings records) and
// `xpspipe ticket devmode` (the features the records leave to the printer).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "host/pipeline/driver_printer.h"
#include "host/print_options/option_values.h"
#include "host/print_options/print_options.h"
#include "tests/host/host_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kestrel::host::testing::ReadFile;
using kestrel::host::testing::RunProcess;
using kestrel::host::testing::ScratchDir;
using kestrel::host::testing::WriteFile;
using nlohmann::json;
namespace po = kestrel::print_options;

std::vector<po::PrintOption> Options(const std::vector<std::string>& arguments) {
  std::vector<po::PrintOption> options;
  for (const std::string& argument : arguments)
    for (po::PrintOption& option : po::SplitPrintOptions(argument)) options.push_back(std::move(option));
  return options;
}

std::string Joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += "-o " + argument + " ";
  return text;
}

class PrintOptions : public ::testing::Test {
 protected:
  void SetUp() override { provider_ = Open(kestrel::host::LoadDriverPrinter(KESTREL_DRIVER_DIR)); }
  void TearDown() override { PTCloseProvider(provider_); }

  static HPTPROVIDER Open(const kestrel::host::DriverPrinter& printer) {
    kestrel::host::RegisterDriverPrinter(printer);
    const std::u16string name(printer.name.begin(), printer.name.end());
    HPTPROVIDER provider = nullptr;
    EXPECT_EQ(PTOpenProvider(name.c_str(), 1, &provider), S_OK);
    return provider;
  }

  po::OptionedTicket Apply(const std::vector<std::string>& arguments,
                           std::optional<std::string_view> job = std::nullopt) const {
    return po::ApplyPrintOptions(provider_, Options(arguments), user_, job);
  }

  // What an xpspipe ticket tool says of the ticket, as JSON.
  json Tool(const std::string& ticket, const std::string& tool) const {
    WriteFile(scratch_ / "ticket.xml", ticket);
    std::vector<std::string> args = {KESTREL_XPSPIPE, "ticket", tool, "--json", (scratch_ / "ticket.xml").string()};
    if (tool == "show") args.erase(args.begin() + 3);
    const auto run = RunProcess(args, 60s);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return json::parse(run.out);
  }

  HPTPROVIDER provider_ = nullptr;
  const std::string user_ = ReadFile(fs::path(KESTREL_DRIVER_DIR) / "tickets" / "default-user.xml");
  ScratchDir scratch_;
};

struct Expect {
  const char* pointer;
  json value;
};

struct Case {
  std::vector<std::string> options;
  std::vector<Expect> records;  // in `ticket show`
  std::vector<Expect> devmode;  // in `ticket devmode --json`
};

TEST_F(PrintOptions, OptionSetsGiveTheTicketsOfTheirSettings) {
  const Case cases[] = {
      {{"media=A4"}, {{"/mediaSize/optionName", "ISOA4"}, {"/mediaSize/width", 210000}, {"/mediaSize/height", 297000}},
       {{"/dmPaperSize", 9}}},
      {{"media=iso_a4_210x297mm"}, {{"/mediaSize/optionName", "ISOA4"}}, {}},
      {{"media=na_letter_8.5x11in"}, {{"/mediaSize/optionName", "NorthAmericaLetter"}}, {{"/dmPaperSize", 1}}},
      {{"media=na_legal_8.5x14in"}, {{"/mediaSize/optionName", "NorthAmericaLegal"}}, {}},
      {{"media=na_number-10_4.125x9.5in"}, {{"/mediaSize/optionName", "NorthAmericaNumber10Envelope"}}, {}},
      {{"media=jis_b5_182x257mm"}, {{"/mediaSize/optionName", "JISB5"}}, {}},
      {{"media=B5"}, {{"/mediaSize/optionName", "JISB5"}}, {}},
      {{"media=iso_b5_176x250mm"}, {{"/mediaSize/optionName", "ISOB5"}}, {}},
      {{"media=jpn_hagaki_100x148mm"}, {{"/mediaSize/optionName", "JapanHagakiPostcard"}}, {}},
      {{"media=Custom.4x6in"}, {{"/mediaSize/optionName", "NorthAmerica4x6"}}, {}},
      {{"media=Custom.100x150mm"},
       {{"/mediaSize/optionName", "CustomMediaSize"}, {"/mediaSize/width", 100000}, {"/mediaSize/height", 150000}},
       {{"/dmPaperSize", 256}}},
      {{"media=oe_photo-l_3.5x5in"}, {{"/mediaSize/optionName", "CustomMediaSize"}, {"/mediaSize/width", 88900}}, {}},
      {{"media=A5 landscape"}, {{"/mediaSize/optionName", "ISOA5"}, {"/mediaSize/orientation/name", "Landscape"}}, {}},
      {{"orientation-requested=3"}, {{"/mediaSize/orientation/name", "Portrait"}}, {}},
      {{"orientation-requested=4"}, {{"/mediaSize/orientation/name", "Landscape"}}, {{"/dmOrientation", 2}}},
      {{"orientation-requested=5"}, {{"/mediaSize/orientation/name", "ReverseLandscape"}}, {}},
      {{"orientation-requested=6"}, {{"/mediaSize/orientation/name", "ReversePortrait"}}, {}},
      {{"sides=one-sided"}, {{"/duplex/duplexType/name", "OneSided"}}, {{"/dmDuplex", 1}}},
      {{"sides=two-sided-long-edge"}, {{"/duplex/duplexType/name", "TwoSidedLongEdge"}}, {{"/dmDuplex", 2}}},
      {{"sides=two-sided-short-edge"}, {{"/duplex/duplexType/name", "TwoSidedShortEdge"}}, {{"/dmDuplex", 3}}},
      {{"sides=two-sided-long-edge", "manual-duplex"},
       {{"/duplex/duplexType/name", "TwoSidedLongEdge"}, {"/duplex/duplexMode/name", "Manual"}},
       {{"/private/flags", "0x00000010"}}},
      {{"manual-duplex=true", "booklet"},
       {{"/duplex/duplexType/name", "TwoSidedShortEdge"}, {"/duplex/duplexMode/name", "Manual"}},
       {{"/private/flags", "0x00000010"}}},
      {{"sides=two-sided-short-edge", "manual-duplex=false"}, {{"/duplex/duplexMode/name", "Automatic"}},
       {{"/private/flags", "0x00000000"}}},
      {{"sides=one-sided", "manual-duplex=false"}, {{"/duplex/duplexType/name", "OneSided"}}, {}},
      {{"sides=two-sided-long-edge", "duplex-first-paper"},
       {{"/duplex/duplexType/name", "TwoSidedLongEdge"}, {"/duplex/firstPaper/name", "DuplexPrintFirstPaper"}},
       {}},
      {{"number-up=4"}, {{"/nUp/scope/name", "Job"}, {"/nUp/pagesPerSheet", 4}}, {{"/private/pagesPerSheet", 4}}},
      {{"number-up=4", "number-up-layout=lrtb"}, {{"/nUp/presentationDirection/name", "RightBottom"}}, {}},
      {{"number-up=4", "number-up-layout=tblr"}, {{"/nUp/presentationDirection/name", "BottomRight"}}, {}},
      {{"number-up=4", "number-up-layout=rltb"}, {{"/nUp/presentationDirection/name", "LeftBottom"}}, {}},
      {{"number-up=4", "number-up-layout=tbrl"}, {{"/nUp/presentationDirection/name", "BottomLeft"}}, {}},
      {{"number-up=2 page-border=dashed"}, {{"/nUp/pagesPerSheet", 2}, {"/nUp/borderLine/name", "BreakLine"}}, {}},
      {{"number-up=2", "page-border=none"}, {{"/nUp/borderLine/name", "None"}}, {}},
      {{"number-up=2", "number-up=9"}, {{"/nUp/pagesPerSheet", 9}}, {}},
      {{"booklet"},
       {{"/binding/bindingEdge/name", "Booklet"},
        {"/duplex/duplexType/name", "TwoSidedShortEdge"},
        {"/nUp/pagesPerSheet", 2}},
       {{"/private/booklet", 1}, {"/dmDuplex", 3}}},
      {{"booklet=reverse-flip", "booklet-set-sheets=3"},
       {{"/binding/bindingEdge/name", "BookletReverseFlip"},
        {"/binding/bookletMethod/name", "DivideIntoSets"},
        {"/binding/bookletSheets", 3}},
       {}},
      {{"binding=top", "binding-gutter=0.5in"},
       {{"/binding/bindingEdge/name", "BindTop"},
        {"/binding/gutter", 12700},
        {"/binding/gutterControl/name", "On"},
        {"/binding/unit/name", "inches"}},
       {{"/private/bindingGutter", 12700}}},
      {{"binding-gutter=7", "binding=left"}, {{"/binding/bindingEdge/name", "BindLeft"}, {"/binding/gutter", 7000}}, {}},
      {{"poster=4"}, {{"/poster/sheetsPerPage", 4}}, {{"/private/posterSheetsPerPage", 4}}},
      {{"media-source=tray-2"}, {{"/inputBin/binIndex/0/name", "Tray2"}}, {{"/dmDefaultSource", 258}}},
      {{"media-source=manual"}, {{"/inputBin/binIndex/0/name", "Manual"}}, {{"/dmDefaultSource", 4}}},
      {{"media-source=by-pass-tray"}, {{"/inputBin/binIndex/0/name", "MPTray"}}, {}},
      {{"tray-separation"}, {{"/jobInfo/separateTrayMode/name", "On"}}, {}},
      {{"mirror"}, {{"/mirror/mirror/name", "MirrorImageWidth"}}, {}},
      {{"mirror=vertical"}, {{"/mirror/mirror/name", "MirrorImageHeight"}}, {}},
      {{"reverse-image"}, {{"/mirror/reverse/name", "On"}}, {}},
      {{"media=A4", "transverse"}, {{"/mediaSize/optionName", "ISOA4"}, {"/mediaSize/transverse/name", "On"}}, {}},
      {{"print-color-mode=monochrome"}, {}, {{"/dmColor", 1}}},
      {{"printer-resolution=300x300dpi"}, {}, {{"/dmPrintQuality", 300}, {"/dmYResolution", 300}}},
      {{"printer-resolution=1200dpi"}, {}, {{"/dmPrintQuality", 1200}}},
      {{"copies=5", "collate"}, {}, {{"/dmCopies", 5}, {"/dmCollate", 1}}},
      {{"watermark-text=Draft&<copy>", "watermark-overlay=transparent", "watermark-outline"},
       {{"/watermark/on/name", "On"},
        {"/watermark/common/type/name", "Text"},
        {"/watermark/common/text", "Draft&<copy>"},
        {"/watermark/overlay/name", "Transparent"},
        {"/watermark/outline/name", "On"}},
       {}},
      {{"watermark-image=/srv/logo-1.png"},
       {{"/watermark/common/type/name", "Bitmap"}, {"/watermark/common/fileName", "/srv/logo-1.png"}},
       {}},
      {{"fit-to-page"},
       {{"/scaling/mode/name", "FitApplicationMediaSizeToPageImageableSize"}},
       {{"/private/scalingMode", 5}}},
      {{"fit-to-page=false"}, {{"/scaling/mode/name", "None"}}, {}},
      {{"scaling=50"},
       {{"/scaling/mode/name", "CustomSquare"}, {"/scaling/scale", 50}, {"/scaling/offsetWidth", 4233}},
       {{"/dmScale", 50}, {"/private/scalePercent", 50}}},
      {{"scaling=250", "scaling-offset=0,0.5in"},
       {{"/scaling/scale", 250}, {"/scaling/offsetWidth", 0}, {"/scaling/offsetHeight", 12700}},
       {}},
      {{"fit-to-paper=A4"},
       {{"/scaling/mode/name", "FitToPaper"},
        {"/scaling/targetPaper/optionName", "ISOA4"},
        {"/scaling/targetPaper/height", 297000}},
       {{"/private/scalingMode", 1}}},
      {{"fit-to-paper=Custom.100x150mm"},
       {{"/scaling/targetPaper/optionName", "CustomMediaSize"}, {"/scaling/targetPaper/width", 100000}},
       {}},
      {{"page-scaling=fit-bleed-to-printable-area", "scaling-alignment=top-left"},
       {{"/scaling/mode/name", "FitApplicationBleedSizeToPageImageableSize"},
        {"/scaling/alignment/name", "TopLeft"}},
       {}},
      {{"page-scaling=fit-content-to-printable-area", "scaling-alignment=bottom"},
       {{"/scaling/mode/name", "FitApplicationContentSizeToPageImageableSize"},
        {"/scaling/alignment/name", "BottomCenter"}},
       {}},
      {{"page-scaling=fit-to-media"}, {{"/scaling/mode/name", "FitApplicationMediaSizeToPageMediaSize"}}, {}},
      {{"page-scaling=custom-scale"}, {{"/scaling/mode/name", "CustomSquare"}, {"/scaling/scale", 100}}, {}},
      {{"page-scaling=fit-to-paper"},
       {{"/scaling/mode/name", "FitToPaper"}, {"/scaling/targetPaper/optionName", "NorthAmericaLetter"}},
       {}},
      {{"page-scaling=none"}, {{"/scaling/mode/name", "None"}}, {{"/private/scalingMode", 0}}},
      {{"header-footer"},
       {{"/headerFooter/on/name", "On"},
        {"/headerFooter/dateStringFormat", "%d-%02d-%02d"},
        {"/headerFooter/timeDataFormat", "hm"},
        {"/headerFooter/idPrint/name", "UserName"}},
       {}},
      {{"header-footer header-footer-date=none header-footer-time=none header-footer-id='R&D \\'lab\\''",
        "header-footer-position=top-center"},
       {{"/headerFooter/dateFormat/name", "None"},
        {"/headerFooter/timeFormat/name", "None"},
        {"/headerFooter/customId", "R&D 'lab'"},
        {"/headerFooter/positionX/name", "Center"},
        {"/headerFooter/positionY/name", "Top"}},
       {}},
      {{"header-footer-date=\"W, d M y-1988\"", "header-footer-time=H:m:s%A"},
       {{"/headerFooter/on/name", "Off"},
        {"/headerFooter/dateStringFormat", "%s, %02d %s %d-1988"},
        {"/headerFooter/dateDataFormat", "WdMy"},
        {"/headerFooter/timeStringFormat", "%d:%02d:%02d%%%s"},
        {"/headerFooter/timeDataFormat", "HmsA"}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.options));
    const po::OptionedTicket ticket = Apply(c.options);
    EXPECT_TRUE(ticket.notes.empty());
    const json records = Tool(ticket.job_ticket, "show");
    for (const Expect& e : c.records) EXPECT_EQ(records.at(json::json_pointer(e.pointer)), e.value) << e.pointer;
    if (c.devmode.empty()) continue;
    const json devmode = Tool(ticket.job_ticket, "devmode");
    for (const Expect& e : c.devmode) EXPECT_EQ(devmode.at(json::json_pointer(e.pointer)), e.value) << e.pointer;
  }
}

TEST_F(PrintOptions, WhatThePrinterDoesNotTakeIsOneLineNamingTheOptionAndWhatIsAccepted) {
  const struct {
    std::vector<std::string> options;
    const char* message;
  } cases[] = {
      {{"number-up=7"}, "-o number-up=7: the printer offers 1, 2, 4, 6, 8, 9, 16 or 25"},
      {{"number-up-layout=lrbt"}, "-o number-up-layout=lrbt: the printer offers lrtb, tblr, rltb or tbrl"},
      {{"number-up-layout=rlbt"}, "-o number-up-layout=rlbt: the printer offers lrtb, tblr, rltb or tbrl"},
      {{"number-up-layout=btlr"}, "-o number-up-layout=btlr: the printer offers lrtb, tblr, rltb or tbrl"},
      {{"number-up-layout=btrl"}, "-o number-up-layout=btrl: the printer offers lrtb, tblr, rltb or tbrl"},
      {{"mirror=sideways"}, "-o mirror=sideways: the printer offers none, horizontal or vertical"},
      {{"sides"}, "-o sides needs a value: the printer offers one-sided, two-sided-long-edge or two-sided-short-edge"},
      {{"binding=left", "binding-gutter=1x"}, "-o binding-gutter=1x: wants a length of at most 100mm"},
      {{"binding=left", "binding-gutter=-1mm"}, "-o binding-gutter=-1mm: wants a length"},
      {{"binding=left", "binding-gutter=101mm"}, "-o binding-gutter=101mm: wants a length"},
      {{"binding=left", "binding-gutter=1e3"}, "-o binding-gutter=1e3: wants a length"},
      {{"binding-gutter=5mm"}, "-o binding-gutter=5mm: there is no binding to leave a gutter for"},
      {{"booklet-set-sheets=2"}, "-o booklet-set-sheets=2: only a booklet is divided into sets"},
      {{"booklet", "booklet-set-sheets=0"}, "-o booklet-set-sheets=0: wants a whole number of sheets from 1 to 1000"},
      {{"copies=1000"}, "-o copies=1000: wants a whole number from 1 to 999"},
      {{"copies=2.5"}, "-o copies=2.5: wants a whole number from 1 to 999"},
      {{"copies=99999999999999999999"}, "-o copies=99999999999999999999: wants a whole number"},
      {{"media=Custom.10x10mm"}, "-o media=Custom.10x10mm: the printer offers Letter, Legal,"},
      {{"media=A9"}, "or Custom.WxHmm from 76.2mm x 76.2mm to 431.8mm x 1117.6mm"},
      {{"manual-duplex"}, "-o manual-duplex: only a two-sided job is printed by hand (add -o sides=two-sided-long-edge"},
      {{"manual-duplex=sometimes"}, "-o manual-duplex=sometimes: the printer offers false or true"},
      {{"booklet", "sides=one-sided"},
       "-o booklet and -o sides=one-sided contradict each other: a booklet is printed with sides=two-sided-short-edge"},
      {{"booklet=on", "binding=left"}, "-o booklet=on and -o binding=left contradict each other"},
      {{"number-up=4", "booklet"}, "-o booklet and -o number-up=4 contradict each other"},
      {{"poster=4", "number-up=2"}, "-o poster=4 and -o number-up=2 contradict each other"},
      {{"landscape", "orientation-requested=3"}, "-o landscape and -o orientation-requested=3 contradict each other"},
      {{"watermark-image=logo.png"}, "-o watermark-image=logo.png: wants the absolute path of a BMP"},
      {{"watermark-text=A", "watermark-image=/a.png"},
       "-o watermark-text=A and -o watermark-image=/a.png contradict each other: a page has one watermark"},
      {{"scaling=0"}, "-o scaling=0: wants a whole percent from 1 to 1000"},
      {{"scaling=1001"}, "-o scaling=1001: wants a whole percent from 1 to 1000"},
      {{"scaling=50%"}, "-o scaling=50%: wants a whole percent"},
      {{"scaling-offset=5mm,5mm"}, "-o scaling-offset=5mm,5mm: only a custom scale is offset"},
      {{"scaling=50", "scaling-offset=5mm"}, "-o scaling-offset=5mm: wants two lengths of at most 100mm"},
      {{"scaling=50", "scaling-offset=5mm,-1"}, "-o scaling-offset=5mm,-1: wants two lengths"},
      {{"scaling-alignment=middle"}, "-o scaling-alignment=middle: the printer offers bottom, bottom-left,"},
      {{"fit-to-paper=A9"}, "-o fit-to-paper=A9: the printer offers Letter"},
      {{"page-scaling=stretch"}, "-o page-scaling=stretch: the printer offers none, fit-to-paper, custom-scale,"},
      {{"fit-to-page", "scaling=50"}, "-o scaling=50 and -o fit-to-page contradict each other: a page is scaled one way"},
      {{"page-scaling=none", "fit-to-page"}, "-o page-scaling=none and -o fit-to-page contradict each other"},
      {{"fit-to-paper=A4", "page-scaling=custom-scale"}, "-o fit-to-paper=A4 and -o page-scaling=custom-scale contradict"},
      {{"out.xps"}, "-o out.xps: no such print option; the output file is now the second argument"},
      {{"../out"}, "the output file is now the second argument"},
      {{"nosuch=1"}, "-o nosuch=1: no such print option (xpspipe options lists them)"},
      {{"header-footer-date=dmyMW"}, "-o header-footer-date=dmyMW: wants none, or a pattern of at most four"},
      {{"header-footer-time=x"}, "-o header-footer-time=x: wants none, or a pattern"},
      {{"header-footer-position=middle"}, "-o header-footer-position=middle: the printer offers top-left"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Joined(c.options));
    try {
      Apply(c.options);
      ADD_FAILURE() << "taken";
    } catch (const po::OptionError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
    }
  }
  // Agreeing options are no contradiction.
  EXPECT_NO_THROW(Apply({"booklet", "sides=two-sided-short-edge", "number-up=2", "landscape",
                         "orientation-requested=4"}));
  EXPECT_NO_THROW(Apply({"page-scaling=custom-scale", "scaling=50", "scaling-offset=0,0"}));
  EXPECT_NO_THROW(Apply({"page-scaling=none", "fit-to-paper=A5", "page-scaling=fit-to-paper"}))
      << "the last page-scaling counts";
}

// The job's own ticket: options go on top of it, keep what they do not touch, and say what they change.
TEST_F(PrintOptions, OptionsApplyOnTopOfTheJobsOwnTicket) {
  const std::string job =
      "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
      "xmlns:p=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
      "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "version=\"1\">"
      "<psf:Feature name=\"p:JobDuplexAllDocumentsContiguously\"><psf:Option name=\"p:TwoSidedLongEdge\"/>"
      "</psf:Feature><psf:Feature name=\"p:PageMirrorImage\"><psf:Option name=\"p:MirrorImageHeight\"/></psf:Feature>"
      "<psf:ParameterInit name=\"p:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xs:integer\">2</psf:Value>"
      "</psf:ParameterInit></psf:PrintTicket>";
  const po::OptionedTicket edited = Apply({"copies=3", "sides=two-sided-long-edge", "number-up=2"}, job);
  EXPECT_EQ(edited.notes, std::vector<std::string>{
                              "-o copies=3 overrides the job's print ticket, which asks for copies=2"});
  const json records = Tool(edited.job_ticket, "show");
  EXPECT_EQ(records["mirror"]["mirror"]["name"], "MirrorImageHeight");
  EXPECT_EQ(records["duplex"]["duplexType"]["name"], "TwoSidedLongEdge");
  EXPECT_EQ(records["nUp"]["pagesPerSheet"], 2);
  EXPECT_EQ(Tool(edited.job_ticket, "devmode")["dmCopies"], 3);

  const std::string scaled = std::regex_replace(
      job, std::regex("<psf:Feature name=\"p:PageMirrorImage\">"),
      "<psf:Feature name=\"p:PageScaling\"><psf:Option name=\"p:CustomSquare\"><psf:ScoredProperty "
      "name=\"p:Scale\"><psf:Value xsi:type=\"xs:integer\">50</psf:Value></psf:ScoredProperty></psf:Option>"
      "</psf:Feature>$&");
  const po::OptionedTicket fitted = Apply({"fit-to-page"}, scaled);
  EXPECT_EQ(fitted.notes,
            std::vector<std::string>{"-o fit-to-page overrides the job's print ticket, which asks for fit-to-page=something else"});
  EXPECT_EQ(Tool(fitted.job_ticket, "show")["scaling"]["mode"]["name"], "FitApplicationMediaSizeToPageImageableSize");
  const po::OptionedTicket rescaled = Apply({"scaling=75"}, scaled);
  EXPECT_EQ(rescaled.notes,
            std::vector<std::string>{"-o scaling=75 overrides the job's print ticket, which asks for scaling=50"});
  EXPECT_EQ(Tool(rescaled.job_ticket, "show")["scaling"]["scale"], 75);

  const po::OptionedTicket booklet = Apply({"booklet"}, job);
  EXPECT_TRUE(booklet.notes.empty()) << booklet.notes.front();
  EXPECT_EQ(Tool(booklet.job_ticket, "show")["duplex"]["duplexType"]["name"], "TwoSidedShortEdge");

  // A document's own ticket keeps its page media for its pages: the options say so, and go on.
  const std::string document = std::regex_replace(
      job, std::regex("<psf:Feature.*</psf:ParameterInit>"),
      "<psf:Feature name=\"p:PageMediaSize\"><psf:Option name=\"p:NorthAmericaLegal\"/></psf:Feature>"
      "<psf:Feature name=\"p:JobDuplexAllDocumentsContiguously\"><psf:Option name=\"p:TwoSidedLongEdge\"/>"
      "</psf:Feature>");  // a document ticket does not outrank the job for job features
  const po::DocumentTicket documents[] = {{"/Documents/1/FixedDocument.fdoc", document}};
  const po::OptionedTicket media = po::ApplyPrintOptions(provider_, Options({"media=A4", "sides=one-sided"}), user_,
                                                         std::nullopt, documents);
  EXPECT_EQ(media.notes, std::vector<std::string>{"-o media=A4: the print ticket of /Documents/1/FixedDocument.fdoc "
                                                  "asks for media=Legal, which its pages keep"});
}

// The values come from the printer's capabilities: a printer that offers less takes less.
TEST_F(PrintOptions, ThePrintersCapabilitiesSayWhichValuesAreOffered) {
  std::string description = ReadFile(fs::path(KESTREL_DRIVER_DIR) / "printer" / "kestrel-inkjet-mfp.xml");
  for (const char* dropped : {"[^\n]*\"psk:ISOA4\"[^\n]*\n", "[^\n]*\"(2|4|6|8|9|16|25) per sheet\"[^\n]*\n",
                              "[^\n]*\"kp:Resolution1200\"[^\n]*\n"})
    description = std::regex_replace(description, std::regex(dropped), "");
  WriteFile(scratch_ / "lesser.xml", description);
  const HPTPROVIDER lesser = Open({"Lesser Printer", scratch_ / "lesser.xml"});
  const std::vector<po::OptionSummary> options = po::DescribePrintOptions(lesser, user_);
  for (const po::OptionSummary& option : options) {
    if (option.row->name == "number-up") {
      ASSERT_EQ(option.offer.choices.size(), 1u);
      EXPECT_EQ(option.offer.choices[0].value, "1");
      EXPECT_EQ(option.fallback, "1");
    }
    if (option.row->name == "printer-resolution") {
      EXPECT_EQ(option.offer.choices.size(), 3u);
    }
  }
  for (const char* refused : {"media=A4", "number-up=2", "printer-resolution=1200dpi"}) {
    SCOPED_TRACE(refused);
    EXPECT_THROW(po::ApplyPrintOptions(lesser, Options({refused}), user_, std::nullopt), po::OptionError);
  }
  // A size the printer does not name is still a custom size in range.
  const po::OptionedTicket a4 = po::ApplyPrintOptions(lesser, Options({"media=iso_a4_210x297mm"}), user_, std::nullopt);
  EXPECT_EQ(Tool(a4.job_ticket, "show")["mediaSize"]["optionName"], "CustomMediaSize");
  PTCloseProvider(lesser);
}

// The common and PWG names of the media sizes agree with the sizes the printer gives them.
TEST_F(PrintOptions, MediaNamesSpellTheSizesOfTheirOptions) {
  const std::vector<po::OptionSummary> options = po::DescribePrintOptions(provider_, user_);
  const auto media = std::find_if(options.begin(), options.end(), [](const auto& o) { return o.row->name == "media"; });
  ASSERT_NE(media, options.end());
  EXPECT_EQ(media->fallback, "Letter");
  for (const po::Choice& choice : media->offer.choices) {
    SCOPED_TRACE(choice.value);
    ASSERT_FALSE(choice.aliases.empty());
    const std::optional<po::MediaDimensions> size = po::ParseMediaDimensions(choice.aliases[0]);
    ASSERT_TRUE(size.has_value()) << choice.aliases[0];
    EXPECT_NEAR(size->width, choice.option->scored.at("psk:MediaSizeWidth"), 500);
    EXPECT_NEAR(size->height, choice.option->scored.at("psk:MediaSizeHeight"), 500);
  }
}

TEST(PrintOptionValues, LengthsAndMediaSizes) {
  const struct {
    const char* text;
    std::optional<LONG> microns;
  } lengths[] = {{"10mm", 10000}, {"10", 10000}, {"1.5cm", 15000}, {"0.5in", 12700}, {".5in", 12700},
                 {"0", 0},        {"", {}},      {"-1", {}},       {"10pt", {}},      {"1e3", {}},
                 {"10 mm", {}},   {"nan", {}},   {"inf", {}},      {"9999999999", {}}};
  for (const auto& c : lengths) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(po::ParseLength(c.text), c.microns);
  }
  const struct {
    const char* name;
    std::optional<std::pair<LONG, LONG>> size;
  } media[] = {{"iso_a4_210x297mm", {{210000, 297000}}},
               {"na_number-10_4.125x9.5in", {{104775, 241300}}},
               {"Custom.72x144", {{25400, 50800}}},  // points, as CUPS reads a custom size without unit
               {"custom.100x150mm", {{100000, 150000}}},
               {"A4", {}},
               {"iso_a4", {}},
               {"iso_a4_210mm", {}},
               {"x_y_210x297cm", {}},
               {"Custom.x100mm", {}}};
  for (const auto& c : media) {
    SCOPED_TRACE(c.name);
    const std::optional<po::MediaDimensions> size = po::ParseMediaDimensions(c.name);
    ASSERT_EQ(size.has_value(), c.size.has_value());
    if (size) {
      EXPECT_EQ(std::make_pair(size->width, size->height), *c.size);
    }
  }
  EXPECT_EQ(po::Hyphenated("TwoSidedLongEdge"), "two-sided-long-edge");
  EXPECT_EQ(po::Hyphenated("TrayID1"), "tray-id-1");
  EXPECT_EQ(po::Hyphenated("MPTray"), "mp-tray");
}

}  // namespace
