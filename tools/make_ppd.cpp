// make-ppd: writes the PPD of a driver package's printer for CUPS, from the
// printer's print capabilities and the print option table, so that nothing
// is described twice by hand. Media sizes and their printable areas, the
// custom size range, and every option that offers a list of values with the
// printer's default; *cupsFilter2 lines send both XPS flavours through the
// CUPS filter to PWG Raster.
//
//   make-ppd [--driver DIR] [--filter PROGRAM] OUT
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/pipeline/host_error.h"
#include "host/print_options/print_options.h"
#include "host/print_options/printer_offer.h"
#include "host/xpspipe/job_setup.h"
#include "host/xpspipe/opened_printer.h"
#include "ticket/imageable_area.h"
#include "ticket/print_schema_namespaces.h"

namespace {

namespace po = kestrel::print_options;
using kestrel::host::HostError;

// Options CUPS already gives every job, or that CUPS names by its own PPD keyword.
const std::map<std::string, std::string> kPpdKeyword = {
    {"media", "PageSize"}, {"sides", "Duplex"}, {"printer-resolution", "Resolution"}};
const std::map<std::string, std::string> kDuplexChoice = {
    {"one-sided", "None"}, {"two-sided-long-edge", "DuplexNoTumble"}, {"two-sided-short-edge", "DuplexTumble"}};
// copies is CUPS's own; a queue has no print UI to hand a manual-duplex job's back sides to.
const std::set<std::string_view> kNotInPpd = {"copies", "manual-duplex"};

std::string Points(LONG microns) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", microns * 72.0 / 25400.0);
  std::string value = text;
  while (value.back() == '0') value.pop_back();
  if (value.back() == '.') value.pop_back();
  return value;
}

// The unprintable edges, the same for every size: those of the default size's printable area.
struct Margins {
  LONG left = 0, top = 0, right = 0, bottom = 0;
};

Margins ReadMargins(const std::string& capabilities, const po::OfferedOption& size) {
  const ComPtr<IXMLDOMDocument2> document = kestrel::xpspipe::ParseXml(capabilities, "the printer's capabilities");
  const PrintTicketDom dom(u"PrintCapabilities", PRIVATE_KEYWORDS_NS, document.Get());
  ImageableArea area;
  if (FAILED(ReadImageableArea(dom, area))) throw HostError("the printer's capabilities give no printable area");
  const LONG width = size.scored.at("psk:MediaSizeWidth"), height = size.scored.at("psk:MediaSizeHeight");
  return {area.originWidth, area.originHeight, width - area.originWidth - area.extentWidth,
          height - area.originHeight - area.extentHeight};
}

// PPD text is ASCII without quotes in strings, keywords without spaces, colons or slashes.
bool Keyword(const std::string& text) {
  if (text.empty() || text.size() > 40) return false;
  for (const char c : text)
    if (c <= ' ' || c > '~' || c == ':' || c == '/') return false;
  return true;
}

std::string Label(const std::string& text) {
  std::string label;
  for (const char c : text) label += c >= ' ' && c <= '~' && c != ':' && c != '"' ? c : ' ';
  return label;
}

const po::OptionSummary& Summary(const std::vector<po::OptionSummary>& summaries, std::string_view name) {
  for (const po::OptionSummary& summary : summaries)
    if (summary.row->name == name) return summary;
  throw HostError("the print option table has no " + std::string(name));
}

void WriteHeader(std::ostream& out, const std::string& model, const std::string& filter) {
  out << "*PPD-Adobe: \"4.3\"\n"
         "*% Made by make-ppd from the printer's print capabilities and the print option table.\n"
         "*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n*PCFileName: \"KESTREL.PPD\"\n*Manufacturer: \"Kestrel\"\n"
      << "*Product: \"(" << Label(model) << ")\"\n*ModelName: \"" << Label(model) << "\"\n*ShortNickName: \""
      << Label(model) << "\"\n*NickName: \"" << Label(model) << ", XPS\"\n"
      << "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n*DefaultColorSpace: RGB\n"
         "*FileSystem: False\n*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
         "*cupsVersion: 2.4\n*cupsLanguages: \"en\"\n*cupsManualCopies: False\n"
      << "*cupsFilter2: \"application/vnd.ms-xpsdocument application/vnd.cups-pwg-raster 0 " << filter << "\"\n"
      << "*cupsFilter2: \"application/oxps application/vnd.cups-pwg-raster 0 " << filter << "\"\n";
}

void WriteMedia(std::ostream& out, const po::OptionSummary& media, const Margins& margins,
                const po::OfferedParameter& width, const po::OfferedParameter& height) {
  std::ostringstream sizes, regions, areas, dimensions;
  std::string fallback;
  for (const po::Choice& choice : media.offer.choices) {
    if (!choice.option || !choice.option->scored.contains("psk:MediaSizeWidth") || !Keyword(choice.value)) continue;
    const LONG w = choice.option->scored.at("psk:MediaSizeWidth"), h = choice.option->scored.at("psk:MediaSizeHeight");
    const std::string name = choice.value + "/" + Label(choice.option->display.empty() ? choice.value : choice.option->display);
    sizes << "*PageSize " << name << ": \"<</PageSize[" << Points(w) << " " << Points(h)
          << "]/ImagingBBox null>>setpagedevice\"\n";
    regions << "*PageRegion " << name << ": \"<</PageSize[" << Points(w) << " " << Points(h)
            << "]/ImagingBBox null>>setpagedevice\"\n";
    areas << "*ImageableArea " << name << ": \"" << Points(margins.left) << " " << Points(margins.bottom) << " "
          << Points(w - margins.right) << " " << Points(h - margins.top) << "\"\n";
    dimensions << "*PaperDimension " << name << ": \"" << Points(w) << " " << Points(h) << "\"\n";
    if (choice.value == media.fallback || fallback.empty()) fallback = choice.value;
  }
  out << "*OpenUI *PageSize/Paper size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n*DefaultPageSize: "
      << fallback << "\n" << sizes.str() << "*CloseUI: *PageSize\n"
      << "*OpenUI *PageRegion/Paper size: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n*DefaultPageRegion: "
      << fallback << "\n" << regions.str() << "*CloseUI: *PageRegion\n"
      << "*DefaultImageableArea: " << fallback << "\n" << areas.str()
      << "*DefaultPaperDimension: " << fallback << "\n" << dimensions.str()
      << "*HWMargins: " << Points(margins.left) << " " << Points(margins.bottom) << " " << Points(margins.right) << " "
      << Points(margins.top) << "\n"
      << "*VariablePaperSize: True\n*MaxMediaWidth: \"" << Points(width.max) << "\"\n*MaxMediaHeight: \""
      << Points(height.max) << "\"\n"
      << "*CustomPageSize True: \"pop pop pop <</PageSize[5 -2 roll]/ImagingBBox null>>setpagedevice\"\n"
      << "*ParamCustomPageSize Width: 1 points " << Points(width.min) << " " << Points(width.max) << "\n"
      << "*ParamCustomPageSize Height: 2 points " << Points(height.min) << " " << Points(height.max) << "\n"
      << "*ParamCustomPageSize WidthOffset: 3 points 0 0\n*ParamCustomPageSize HeightOffset: 4 points 0 0\n"
      << "*ParamCustomPageSize Orientation: 5 int 0 0\n";
}

// An option with a list of values; options taking free values (lengths,
// counts) are left to -o, which the filter takes all the same.
void WriteOption(std::ostream& out, const po::OptionSummary& summary, int order) {
  const std::string name(summary.row->name);
  const auto standard = kPpdKeyword.find(name);
  const std::string keyword = standard == kPpdKeyword.end() ? name : standard->second;
  std::vector<std::pair<std::string, std::string>> choices;  // PPD choice, label
  std::string fallback;
  for (const po::Choice& choice : summary.offer.choices) {
    std::string value = choice.value;
    if (keyword == "Duplex") {
      const auto mapped = kDuplexChoice.find(value);
      if (mapped == kDuplexChoice.end()) continue;
      value = mapped->second;
    }
    if (!Keyword(value)) continue;
    choices.emplace_back(value, choice.option && !choice.option->display.empty() ? choice.option->display : choice.value);
    if (choice.value == summary.fallback || fallback.empty()) fallback = value;
  }
  if (choices.empty()) return;
  out << "*OpenUI *" << keyword << "/" << Label(std::string(summary.row->title)) << ": PickOne\n*OrderDependency: "
      << order << " AnySetup *" << keyword << "\n*Default" << keyword << ": " << fallback << "\n";
  for (const auto& [value, label] : choices) out << "*" << keyword << " " << value << "/" << Label(label) << ": \"\"\n";
  out << "*CloseUI: *" << keyword << "\n";
}

struct Arguments {
  std::optional<std::filesystem::path> driver;
  std::string filter = "kestrel-xps";
  std::filesystem::path out;
};

Arguments Parse(int argc, char** argv) {
  Arguments arguments;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--driver" && i + 1 < argc)
      arguments.driver = argv[++i];
    else if (arg == "--filter" && i + 1 < argc)
      arguments.filter = argv[++i];
    else
      rest.push_back(arg);
  }
  if (rest.size() != 1 || rest[0].starts_with("-") || !Keyword(arguments.filter))
    throw std::invalid_argument("usage: make-ppd [--driver DIR] [--filter PROGRAM] OUT");
  arguments.out = rest[0];
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Arguments arguments = Parse(argc, argv);
    const std::filesystem::path driver = arguments.driver.value_or(kestrel::xpspipe::BundledDriver());
    const kestrel::xpspipe::OpenedPrinter printer(driver);
    const std::vector<BYTE> user_bytes = kestrel::xpspipe::ReadTicket(driver / "tickets" / "default-user.xml");
    const std::string user(user_bytes.begin(), user_bytes.end());
    const std::string capabilities = po::PrinterCapabilities(printer.Provider(), user);
    const po::PrinterOffer offer = po::ReadPrinterOffer(capabilities);
    const std::vector<po::OptionSummary> summaries = po::DescribePrintOptions(printer.Provider(), user);
    const po::OptionSummary& media = Summary(summaries, "media");
    const auto fallback = std::find_if(media.offer.choices.begin(), media.offer.choices.end(),
                                       [&](const po::Choice& c) { return c.value == media.fallback; });
    if (fallback == media.offer.choices.end() || !fallback->option) throw HostError("the default media size is not one the printer names");

    std::ostringstream ppd;
    WriteHeader(ppd, kestrel::host::LoadDriverPrinter(driver).name, arguments.filter);
    WriteMedia(ppd, media, ReadMargins(capabilities, *fallback->option),
               offer.Parameter("psk:PageMediaSizeMediaSizeWidth"), offer.Parameter("psk:PageMediaSizeMediaSizeHeight"));
    int order = 20;
    for (const po::OptionSummary& summary : summaries)
      if (summary.row->name != "media" && !kNotInPpd.contains(summary.row->name)) WriteOption(ppd, summary, order++);
    std::ofstream out(arguments.out, std::ios::binary);
    out << ppd.str();
    if (!out.flush()) throw HostError(arguments.out.string() + ": cannot write the PPD");
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "make-ppd: " << error.what() << '\n';
    return 1;
  }
}
