// The print options, one row each. Names and values are those of CUPS
// (lp -o) where CUPS has the option; features CUPS lacks get short
// lower-case hyphenated names in the same style. The values of every option
// the printer's capabilities describe come from them: a row only spells the
// printer's options the way users type them. Adding an option is adding a
// row (and, where it needs one, its apply function above the table).
#include <algorithm>
#include <array>
#include <type_traits>

#include "host/print_options/option_rows.h"
#include "host/print_options/option_values.h"
#include "host/print_options/print_option_table.h"
#include "platform/checked_int.h"
#include "platform/utf.h"
#include "ticket/binding_settings.h"
#include "ticket/duplex_settings.h"
#include "ticket/header_footer_settings.h"
#include "ticket/input_bin_settings.h"
#include "ticket/job_info_settings.h"
#include "ticket/media_size_settings.h"
#include "ticket/mirror_settings.h"
#include "ticket/nup_settings.h"
#include "ticket/watermark_settings.h"
#include "ticket/scaling_settings.h"

namespace kestrel::print_options {
namespace {

// Longest gutter and booklet set taken: beyond them a job is surely a typing error.
constexpr LONG kMaxGutter = 100000;
constexpr long kMaxSetSheets = 1000;
// PWG names round their sizes; a named size matches within this.
constexpr LONG kMediaTolerance = 500;

// The features the rows edit.
constexpr char kMediaSize[] = "psk:PageMediaSize";
constexpr char kOrientation[] = "psk:PageOrientation";
constexpr char kDuplex[] = "psk:JobDuplexAllDocumentsContiguously";
constexpr char kBinding[] = "psk:JobBindAllDocuments";
constexpr char kNUp[] = "psk:JobNUpAllDocumentsContiguously";
constexpr char kPoster[] = "psk:PagePoster";
constexpr char kInputBin[] = "psk:PageInputBin";
constexpr char kColor[] = "psk:PageOutputColor";
constexpr char kResolution[] = "psk:PageResolution";
constexpr char kCollate[] = "psk:DocumentCollate";
constexpr char kMirror[] = "psk:PageMirrorImage";
constexpr char kCopies[] = "psk:JobCopiesAllDocuments";
constexpr char kScaling[] = "psk:PageScaling";
constexpr char kGutterForm[] = "a length of at most 100mm: 10mm, 1cm or 0.5in (a plain number is millimetres)";
constexpr char kSetSheetsForm[] = "a whole number of sheets from 1 to 1000";
constexpr char kPercentForm[] = "a whole percent from 1 to 1000";
constexpr char kOffsetForm[] = "two lengths of at most 100mm, across and down: 5mm,10mm";
constexpr Spelling kOffOn[] = {{"Off", "false"}, {"On", "true"}};

std::optional<std::string> Hyphenate(const OfferedOption& option) {
  if (option.name.empty()) return std::nullopt;
  return Hyphenated(LocalName(option.name));
}

// The integer of a scored property, as the value of an unnamed option (pages per sheet, sheets per page).
template <const char* kScored>
std::optional<std::string> Numbered(const OfferedOption& option) {
  const auto found = option.scored.find(kScored);
  if (found == option.scored.end()) return std::nullopt;
  return std::to_string(found->second);
}
constexpr char kPagesPerSheet[] = "psk:PagesPerSheet";
constexpr char kSheetsPerPage[] = "psk:SheetsPerPage";

void Select(TicketEdit& edit, std::string_view feature, const Choice& choice) {
  edit.SelectOption(feature, *choice.option);
}

// --- media, orientation-requested, landscape: MediaSizeSettings ---

std::optional<std::string> MediaName(const OfferedOption& option) {
  if (option.name == "psk:CustomMediaSize") return std::nullopt;  // any size in range: see ApplyMedia
  const std::string keyword = LocalName(option.name);
  if (const std::optional<MediaNames> known = KnownMediaNames(keyword)) return std::string(known->common);
  return keyword;
}

Offer MediaOffer(const PrinterOffer& printer) {
  Offer offer = FeatureOffer(printer, kMediaSize, MediaName);
  for (Choice& choice : offer.choices) {
    const std::string keyword = LocalName(choice.option->name);
    if (const std::optional<MediaNames> known = KnownMediaNames(keyword)) choice.aliases.emplace_back(known->pwg);
    if (choice.value != keyword) choice.aliases.push_back(keyword);
  }
  const OfferedParameter& width = printer.Parameter("psk:PageMediaSizeMediaSizeWidth");
  const OfferedParameter& height = printer.Parameter("psk:PageMediaSizeMediaSizeHeight");
  offer.accepts = "a PWG size name such as iso_a4_210x297mm, or Custom.WxHmm from " + Millimetres(width.min) +
                  " x " + Millimetres(height.min) + " to " + Millimetres(width.max) + " x " +
                  Millimetres(height.max);
  return offer;
}

bool Near(LONG a, LONG b) { return std::abs(a - b) <= kMediaTolerance; }

// The paper a media choice names, on top of `media` (orientation and the rest stay).
MediaSizeSettings ChosenMedia(MediaSizeSettings media, const Choice& choice, const PrinterOffer& printer) {
  std::optional<OfferedOption> size = choice.option;
  std::optional<MediaDimensions> dimensions;
  if (!size) {
    dimensions = ParseMediaDimensions(choice.value);
    if (!dimensions) throw BadValue("");
    // A size the printer names is taken by its name.
    for (const OfferedOption& option : printer.Feature("psk:PageMediaSize").options)
      if (option.scored.contains("psk:MediaSizeWidth") &&
          Near(option.scored.at("psk:MediaSizeWidth"), dimensions->width) &&
          Near(option.scored.at("psk:MediaSizeHeight"), dimensions->height))
        size = option;
  }
  if (size) {
    media.optionName = Bstr(Wide(LocalName(size->name)));
    media.width = size->scored.at("psk:MediaSizeWidth");
    media.height = size->scored.at("psk:MediaSizeHeight");
  } else {
    const OfferedParameter& width = printer.Parameter("psk:PageMediaSizeMediaSizeWidth");
    const OfferedParameter& height = printer.Parameter("psk:PageMediaSizeMediaSizeHeight");
    if (dimensions->width < width.min || dimensions->width > width.max || dimensions->height < height.min ||
        dimensions->height > height.max)
      throw BadValue("");
    media.optionName = Bstr(u"CustomMediaSize");
    media.width = dimensions->width;
    media.height = dimensions->height;
  }
  media.optionIsPrivate = size && size->name.starts_with("kp:");
  return media;
}

void ApplyMedia(TicketEdit& edit, const Choice& choice, const PrinterOffer& printer) {
  edit.Write(WriteMediaSize, ChosenMedia(edit.Read(ReadMediaSize), choice, printer));
}

// A paper as a media value: the name of its choice, else Custom.WxHmm.
std::optional<std::string> MediaValue(const MediaSizeSettings& media, const Offer& offer) {
  for (const Choice& choice : offer.choices)
    if (choice.option && LocalName(choice.option->name) == Narrow(media.optionName.View())) return choice.value;
  if (media.optionName.View() != u"CustomMediaSize") return std::nullopt;
  const std::string width = Millimetres(media.width);
  return "Custom." + width.substr(0, width.size() - 2) + "x" + Millimetres(media.height);
}

std::optional<std::string> GivenMedia(const PrintTicketDom& ticket, const Offer& offer) {
  if (std::optional<std::string> named = GivenOption(ticket, offer, kMediaSize)) return named;
  const MediaSizeSettings media = ReadAlone(ticket, ReadMediaSize);
  if (media.optionName.View() != u"CustomMediaSize") return std::nullopt;
  return MediaValue(media, offer);
}

constexpr Spelling kOrientations[] = {
    {"psk:Portrait", "3"}, {"psk:Landscape", "4"}, {"psk:ReverseLandscape", "5"}, {"psk:ReversePortrait", "6"}};
constexpr Spelling kLandscape[] = {{"psk:Landscape", "true"}, {"psk:Portrait", "false"}};

void ApplyOrientation(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  MediaSizeSettings media = edit.Read(ReadMediaSize);
  media.orientation = FromName<Orientation>(kOrientationOptions, Wide(LocalName(choice.option->name))).value();
  edit.Write(WriteMediaSize, media);
}

// --- sides, booklet, binding and their details: DuplexSettings, BindingSettings ---

void SelectDuplex(TicketEdit& edit, std::u16string_view option) {
  DuplexSettings duplex = edit.Read(ReadDuplex);
  // Of the two rows of an option, the one of the mode the tickets asked for (none: the first).
  std::optional<DuplexType> type;
  for (std::size_t row = 0; row < kDuplexOptions.size(); ++row)
    if (kDuplexOptions[row].option == option && (!type || kDuplexOptions[row].mode == duplex.duplexMode))
      type = FromIndex<DuplexType>(IntCast<LONG>(row));
  duplex.scope = Scope::Job;
  duplex.duplexType = type.value();
  if (*type == DuplexType::OneSided) duplex.duplexMode = DuplexMode::None;
  edit.Write(WriteDuplex, duplex);
}

void ApplySides(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  SelectDuplex(edit, Wide(LocalName(choice.option->name)));
}

constexpr Spelling kBookletEdges[] = {
    {"psk:None", "off"}, {"psk:Booklet", "on"}, {"kp:BookletReverseFlip", "reverse-flip"}};
constexpr Spelling kBindingEdges[] = {{"psk:None", "none"},
                                      {"psk:BindLeft", "left"},
                                      {"psk:BindRight", "right"},
                                      {"psk:BindTop", "top"},
                                      {"psk:BindBottom", "bottom"}};

void ApplyBindingEdge(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  edit.Remove(RemoveBinding);
  const std::optional<BindingEdge> edge =
      FromName<BindingEdge>(kBindingEdgeOptions, Wide(LocalName(choice.option->name)));
  if (!edge) return Select(edit, "psk:JobBindAllDocuments", choice);  // no binding
  BindingSettings binding = edit.Read(ReadBinding);
  binding.scope = Scope::Job;
  binding.bindingEdge = *edge;
  edit.Write(WriteBinding, binding);
}

// A booklet is printed on both sides, turned on the short edge, two pages to a side: the
// layout makes spreads only when the ticket asks for two pages per sheet.
void ApplyBooklet(TicketEdit& edit, const Choice& choice, const PrinterOffer& printer) {
  ApplyBindingEdge(edit, choice, printer);
  if (choice.value == "off") return;
  SelectDuplex(edit, u"TwoSidedShortEdge");
  NUpSettings nup = edit.Read(ReadNUp);
  nup.scope = Scope::Job;
  nup.pagesPerSheet = 2;
  edit.Write(WriteNUp, nup);
}

bool IsBooklet(const std::optional<std::string>& edge) {
  return edge == "psk:Booklet" || edge == "kp:BookletReverseFlip";
}

void ApplyGutter(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  const std::optional<std::string> edge = edit.OptionInForce("psk:JobBindAllDocuments");
  if (!edge || *edge == "psk:None") throw BadValue("there is no binding to leave a gutter for (add -o binding=EDGE or -o booklet)");
  const std::optional<LONG> gutter = ParseLength(choice.value);
  if (!gutter || *gutter > kMaxGutter) throw BadValue("");
  BindingSettings binding = edit.Read(ReadBinding);
  binding.gutter = *gutter;
  binding.gutterControl = *gutter > 0 ? OffOn::On : OffOn::Off;
  binding.unit = choice.value.ends_with("in") ? BindingUnit::Inches : BindingUnit::Microns;  // as the user measures
  edit.Write(WriteBinding, binding);
}

std::optional<std::string> GivenGutter(const PrintTicketDom& ticket, const Offer&) {
  return Millimetres(ReadAlone(ticket, ReadBinding).gutter);
}

void ApplySetSheets(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  if (!IsBooklet(edit.OptionInForce("psk:JobBindAllDocuments")))
    throw BadValue("only a booklet is divided into sets (add -o booklet)");
  const std::optional<long> sheets = ParseCount(choice.value);
  if (!sheets || *sheets < 1 || *sheets > kMaxSetSheets) throw BadValue("");
  BindingSettings binding = edit.Read(ReadBinding);
  binding.bookletMethod = BookletMethod::DivideIntoSets;
  binding.bookletSheets = IntCast<LONG>(*sheets);
  edit.Write(WriteBinding, binding);
}

std::optional<std::string> GivenSetSheets(const PrintTicketDom& ticket, const Offer&) {
  const BindingSettings binding = ReadAlone(ticket, ReadBinding);
  if (binding.bookletMethod != BookletMethod::DivideIntoSets) return std::nullopt;
  return std::to_string(binding.bookletSheets);
}

constexpr Spelling kFirstPaper[] = {{"DuplexPrintFirstPage", "false"}, {"DuplexPrintFirstPaper", "true"}};

// Two-sided by hand: the fronts print, the person turns the stack over, the backs follow.
constexpr Spelling kManualDuplex[] = {{"Automatic", "false"}, {"Manual", "true"}};

void ApplyManualDuplex(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  DuplexSettings duplex = edit.Read(ReadDuplex);
  const bool manual = choice.value == "true";
  if (duplex.duplexType == DuplexType::OneSided) {
    if (!manual) return;
    throw BadValue("only a two-sided job is printed by hand (add -o sides=two-sided-long-edge or two-sided-short-edge)");
  }
  const bool shortEdge = duplex.duplexType == DuplexType::ShortEdge || duplex.duplexType == DuplexType::ShortEdgeManual;
  duplex.scope = Scope::Job;
  duplex.duplexMode = manual ? DuplexMode::Manual : DuplexMode::Automatic;
  duplex.duplexType = shortEdge ? (manual ? DuplexType::ShortEdgeManual : DuplexType::ShortEdge)
                                : (manual ? DuplexType::LongEdgeManual : DuplexType::LongEdge);
  edit.Write(WriteDuplex, duplex);
}

std::optional<std::string> GivenManualDuplex(const PrintTicketDom& ticket, const Offer&) {
  return ReadAlone(ticket, ReadDuplex).duplexMode == DuplexMode::Manual ? "true" : "false";
}

// --- number-up and its layout and border, poster: NUpSettings, PagePoster ---

void ApplyNumberUp(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  NUpSettings nup = edit.Read(ReadNUp);
  nup.scope = Scope::Job;
  nup.pagesPerSheet = choice.option->scored.at(kPagesPerSheet);
  edit.Write(WriteNUp, nup);
}

// CUPS names eight orders; the layout knows four. The others are refused, not approximated.
constexpr Spelling kLayouts[] = {
    {"RightBottom", "lrtb"}, {"BottomRight", "tblr"}, {"LeftBottom", "rltb"}, {"BottomLeft", "tbrl"}};
constexpr Spelling kBorders[] = {{"None", "none"}, {"SolidLine", "single"}, {"BreakLine", "dashed"}};

// --- paper sources: InputBinSettings ---

constexpr Spelling kMediaSources[] = {{"psk:AutoSelect", "auto"}, {"psk:Manual", "manual"},
                                      {"kp:Tray1", "tray-1"},     {"kp:Tray2", "tray-2"},
                                      {"kp:Tray3", "tray-3"},     {"kp:Tray4", "tray-4"},
                                      {"kp:MPTray", "by-pass-tray"}};

std::optional<std::string> MediaSourceName(const OfferedOption& option) {
  return SpelledAs(kMediaSources, option).value_or(Hyphenated(LocalName(option.name)));
}

void ApplyMediaSource(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  InputBinSettings bins = edit.Read(ReadInputBin);
  SetInputBinSlot(bins, 0, FromName<InputBin>(kInputBinOptions, Wide(LocalName(choice.option->name))).value());
  edit.Write(WriteInputBin, bins);
}

// --- page-scaling, fit-to-page, scaling, scaling-offset, scaling-alignment, fit-to-paper: ScalingSettings ---

constexpr Spelling kScalingModes[] = {
    {"psk:None", "none"},
    {"kp:FitToPaper", "fit-to-paper"},
    {"psk:CustomSquare", "custom-scale"},  // not "custom": PPD readers keep that choice name for custom options
    {"psk:FitApplicationBleedSizeToPageImageableSize", "fit-bleed-to-printable-area"},
    {"psk:FitApplicationContentSizeToPageImageableSize", "fit-content-to-printable-area"},
    {"psk:FitApplicationMediaSizeToPageImageableSize", "fit-to-printable-area"},
    {"psk:FitApplicationMediaSizeToPageMediaSize", "fit-to-media"}};
// As CUPS means it: the whole page within the printable area.
constexpr Spelling kFitToPage[] = {{"psk:FitApplicationMediaSizeToPageImageableSize", "true"}, {"psk:None", "false"}};
constexpr Spelling kAlignments[] = {{"BottomCenter", "bottom"}, {"BottomLeft", "bottom-left"},
                                    {"BottomRight", "bottom-right"}, {"Center", "center"},
                                    {"LeftCenter", "left"},     {"RightCenter", "right"},
                                    {"TopCenter", "top"},       {"TopLeft", "top-left"},
                                    {"TopRight", "top-right"}};
constexpr long kMaxPercent = 1000;
constexpr LONG kMaxOffset = 100000;

void ApplyScalingMode(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  ScalingSettings scaling = edit.Read(ReadScalingSettings);
  scaling.mode = FromName<ScalingMode>(kScalingModeNames, Wide(LocalName(choice.option->name))).value();
  edit.Write(WriteScaling, scaling);
}

void ApplyPercent(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  const std::optional<long> percent = ParseCount(choice.value);
  if (!percent || *percent < 1 || *percent > kMaxPercent) throw BadValue("");
  ScalingSettings scaling = edit.Read(ReadScalingSettings);
  scaling.mode = ScalingMode::CustomSquare;
  scaling.scale = IntCast<LONG>(*percent);
  edit.Write(WriteScaling, scaling);
}

std::optional<std::string> GivenPercent(const PrintTicketDom& ticket, const Offer&) {
  const ScalingSettings scaling = ReadAlone(ticket, ReadScalingSettings);
  if (scaling.mode != ScalingMode::CustomSquare) return std::nullopt;
  return std::to_string(scaling.scale);
}

void ApplyOffset(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  ScalingSettings scaling = edit.Read(ReadScalingSettings);
  if (scaling.mode != ScalingMode::CustomSquare) throw BadValue("only a custom scale is offset (add -o scaling=PERCENT)");
  const std::size_t comma = choice.value.find(',');
  if (comma == std::string::npos) throw BadValue("");
  const std::optional<LONG> across = ParseLength(std::string_view(choice.value).substr(0, comma));
  const std::optional<LONG> down = ParseLength(std::string_view(choice.value).substr(comma + 1));
  if (!across || !down || *across > kMaxOffset || *down > kMaxOffset) throw BadValue("");
  scaling.offsetWidth = *across;
  scaling.offsetHeight = *down;
  edit.Write(WriteScaling, scaling);
}

std::optional<std::string> GivenOffset(const PrintTicketDom& ticket, const Offer&) {
  const ScalingSettings scaling = ReadAlone(ticket, ReadScalingSettings);
  return Millimetres(scaling.offsetWidth) + "," + Millimetres(scaling.offsetHeight);
}

// The paper FitToPaper fits to: any paper the media option takes.
void ApplyFitToPaper(TicketEdit& edit, const Choice& choice, const PrinterOffer& printer) {
  ScalingSettings scaling = edit.Read(ReadScalingSettings);
  scaling.mode = ScalingMode::FitToPaper;
  scaling.targetPaper = ChosenMedia(scaling.targetPaper, choice, printer);
  edit.Write(WriteScaling, scaling);
}

std::optional<std::string> GivenFitToPaper(const PrintTicketDom& ticket, const Offer& offer) {
  const ScalingSettings scaling = ReadAlone(ticket, ReadScalingSettings);
  if (scaling.mode != ScalingMode::FitToPaper) return std::nullopt;
  return MediaValue(scaling.targetPaper, offer);
}

// --- colour, resolution, copies, collation, mirror ---

constexpr Spelling kColorModes[] = {
    {"psk:Color", "color"}, {"psk:Grayscale", "monochrome"}, {"psk:Monochrome", "bi-level"}};

std::optional<std::string> ResolutionName(const OfferedOption& option) {
  const auto x = option.scored.find("psk:ResolutionX"), y = option.scored.find("psk:ResolutionY");
  if (x == option.scored.end() || y == option.scored.end()) return std::nullopt;
  if (x->second == y->second) return std::to_string(x->second) + "dpi";
  return std::to_string(x->second) + "x" + std::to_string(y->second) + "dpi";
}

Offer ResolutionOffer(const PrinterOffer& printer) {
  Offer offer = FeatureOffer(printer, kResolution, ResolutionName);
  for (Choice& choice : offer.choices)
    if (choice.value.find('x') == std::string::npos)
      choice.aliases.push_back(choice.value.substr(0, choice.value.size() - 3) + "x" + choice.value);
  return offer;
}

Offer CopiesOffer(const PrinterOffer& printer) {
  const OfferedParameter& copies = printer.Parameter(kCopies);
  return {{}, "a whole number from " + std::to_string(copies.min) + " to " + std::to_string(copies.max)};
}

void ApplyCopies(TicketEdit& edit, const Choice& choice, const PrinterOffer& printer) {
  const OfferedParameter& range = printer.Parameter(kCopies);
  const std::optional<long> copies = ParseCount(choice.value);
  if (!copies || *copies < range.min || *copies > range.max) throw BadValue("");
  edit.SetParameter(kCopies, IntCast<LONG>(*copies));
}

std::optional<std::string> GivenCopies(const PrintTicketDom& ticket, const Offer&) {
  XPathQuery query = ticket.NewQuery();
  LONG copies = 0;
  if (FAILED(query.AppendParameterInit(ticket.KeywordsPrefix(), u"JobCopiesAllDocuments")) ||
      ticket.GetValueInt(query.Text(), &copies) != S_OK)
    return std::nullopt;
  return std::to_string(copies);
}

constexpr Spelling kCollation[] = {{"psk:Collated", "true"}, {"psk:Uncollated", "false"}};
constexpr Spelling kMirrors[] = {
    {"psk:None", "none"}, {"psk:MirrorImageWidth", "horizontal"}, {"psk:MirrorImageHeight", "vertical"}};

void ApplyMirror(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  MirrorSettings mirror = edit.Read(ReadMirror);
  mirror.mirror = FromName<Mirror>(kMirrorOptions, Wide(LocalName(choice.option->name))).value();
  edit.Write(WriteMirror, mirror);
}

// --- header-footer and its position, date, time and ID: HeaderFooterOptions ---

constexpr char kHeaderFooter[] = "kp:PageHeaderFooter";
// Where the line goes: the index is 3 x PositionY + PositionX.
constexpr std::array<std::u16string_view, 6> kPlaces = {u"TopLeft",    u"TopCenter",    u"TopRight",
                                                        u"BottomLeft", u"BottomCenter", u"BottomRight"};
constexpr Spelling kPlaceSpellings[] = {{"TopLeft", "top-left"},       {"TopCenter", "top-center"},
                                        {"TopRight", "top-right"},     {"BottomLeft", "bottom-left"},
                                        {"BottomCenter", "bottom-center"}, {"BottomRight", "bottom-right"}};
constexpr char kDateForm[] =
    "none, or a pattern of at most four of y (year) m d (numbers) M (month) W w (weekday, long and short) "
    "between other characters: y-m-d, W d M y";
constexpr char kTimeForm[] =
    "none, or a pattern of at most four of h (0-23) H (1-12) m s (numbers) A a (AM/PM, am/pm) "
    "between other characters: h:m:s, H:m A";
constexpr char kIdForm[] = "none, user (the submitting user's name), or any other text, printed as it stands";

// A pattern's letters as the ticket's two texts: the printf format that
// prints them (numbers two digits wide but the year and the 12-hour clock)
// and the letters in order.
struct DateTimePattern {
  std::u16string format;
  std::u16string letters;
};

std::optional<DateTimePattern> ParsePattern(std::string_view pattern, std::string_view letters,
                                            std::string_view names) {
  const std::optional<std::u16string> wide = Utf8ToUtf16(pattern);
  if (!wide || wide->empty()) return std::nullopt;
  DateTimePattern parsed;
  for (const char16_t c : *wide) {
    const bool letter = c < 0x80 && letters.find(static_cast<char>(c)) != std::string_view::npos;
    if (!letter) {
      parsed.format += c == u'%' ? std::u16string_view(u"%%") : std::u16string_view(&c, 1);
      continue;
    }
    if (parsed.letters.size() == 4) return std::nullopt;
    parsed.letters += c;
    if (names.find(static_cast<char>(c)) != std::string_view::npos) {
      parsed.format += u"%s";
    } else {
      parsed.format += c == u'y' || c == u'H' ? u"%d" : u"%02d";
    }
  }
  if (parsed.letters.empty()) return std::nullopt;
  return parsed;
}

// The pattern back from the ticket's texts, when they are a pattern's: the
// format's literal text with each conversion replaced by its letter.
std::optional<std::string> PatternOf(DateTimeFormat format, const Bstr& text, const Bstr& letters,
                                     std::string_view known, std::string_view names) {
  if (format == DateTimeFormat::None) return "none";
  const std::optional<std::string> narrowFormat = Utf16ToUtf8(text.View());
  const std::optional<std::string> narrowLetters = Utf16ToUtf8(letters.View());
  if (!narrowFormat || !narrowLetters) return std::nullopt;
  std::string pattern;
  std::size_t next = 0;
  const std::string& f = *narrowFormat;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%') {
      pattern += f[i];
    } else if (i + 1 < f.size() && f[i + 1] == '%') {
      pattern += '%';
      ++i;
    } else {
      if (next >= narrowLetters->size()) return std::nullopt;
      pattern += (*narrowLetters)[next++];
      while (i < f.size() && f[i] != 'd' && f[i] != 's') ++i;
    }
  }
  const std::optional<DateTimePattern> again = ParsePattern(pattern, known, names);
  if (!again || again->format != text.View() || again->letters != letters.View()) return std::nullopt;
  return pattern;
}

constexpr std::string_view kDateLetters = "ymdMWw";
constexpr std::string_view kDateNames = "MWw";
constexpr std::string_view kTimeLetters = "hHmsAa";
constexpr std::string_view kTimeNames = "Aa";

void ApplyHeaderFooter(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  HeaderFooterOptions options = edit.Read(ReadHeaderFooterOptions);
  options.on = static_cast<OffOn>(choice.index);
  // Turned on with nothing to print, it prints the date, the time and the user.
  if (options.on == OffOn::On && options.dateFormat == DateTimeFormat::None &&
      options.timeFormat == DateTimeFormat::None && options.idPrint == HeaderFooterId::None) {
    options.dateFormat = DateTimeFormat::Type1;
    options.dateStringFormat = Bstr(u"%d-%02d-%02d");
    options.dateDataFormat = Bstr(u"ymd");
    options.timeFormat = DateTimeFormat::Type1;
    options.timeStringFormat = Bstr(u"%02d:%02d");
    options.timeDataFormat = Bstr(u"hm");
    options.idPrint = HeaderFooterId::UserName;
  }
  edit.Write(WriteHeaderFooterOptions, options);
}

void ApplyPlace(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  HeaderFooterOptions options = edit.Read(ReadHeaderFooterOptions);
  options.positionX = static_cast<HeaderFooterX>(choice.index % 3);
  options.positionY = static_cast<HeaderFooterY>(choice.index / 3);
  edit.Write(WriteHeaderFooterOptions, options);
}

std::optional<std::string> GivenPlace(const PrintTicketDom& ticket, const Offer& offer) {
  const HeaderFooterOptions options = ReadAlone(ticket, ReadHeaderFooterOptions);
  return GivenIndex(offer, Index(options.positionY) * 3 + Index(options.positionX));
}

template <bool kDate>
void ApplyDateTime(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  HeaderFooterOptions options = edit.Read(ReadHeaderFooterOptions);
  DateTimeFormat& format = kDate ? options.dateFormat : options.timeFormat;
  Bstr& text = kDate ? options.dateStringFormat : options.timeStringFormat;
  Bstr& letters = kDate ? options.dateDataFormat : options.timeDataFormat;
  if (SameWord(choice.value, "none")) {
    format = DateTimeFormat::None;
    text = Bstr(u"");
    letters = Bstr(u"");
  } else {
    const std::optional<DateTimePattern> pattern = kDate ? ParsePattern(choice.value, kDateLetters, kDateNames)
                                                         : ParsePattern(choice.value, kTimeLetters, kTimeNames);
    if (!pattern) throw BadValue("");
    format = DateTimeFormat::Type1;
    text = Bstr(pattern->format);
    letters = Bstr(pattern->letters);
  }
  edit.Write(WriteHeaderFooterOptions, options);
}

template <bool kDate>
std::optional<std::string> GivenDateTime(const PrintTicketDom& ticket, const Offer&) {
  const HeaderFooterOptions options = ReadAlone(ticket, ReadHeaderFooterOptions);
  if (kDate)
    return PatternOf(options.dateFormat, options.dateStringFormat, options.dateDataFormat, kDateLetters, kDateNames);
  return PatternOf(options.timeFormat, options.timeStringFormat, options.timeDataFormat, kTimeLetters, kTimeNames);
}

void ApplyId(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  HeaderFooterOptions options = edit.Read(ReadHeaderFooterOptions);
  if (SameWord(choice.value, "none")) {
    options.idPrint = HeaderFooterId::None;
  } else if (SameWord(choice.value, "user")) {
    options.idPrint = HeaderFooterId::UserName;
  } else {
    const std::optional<std::u16string> custom = Utf8ToUtf16(choice.value);
    if (!custom || custom->empty()) throw BadValue("");
    options.idPrint = HeaderFooterId::Custom;
    options.customId = Bstr(*custom);
  }
  edit.Write(WriteHeaderFooterOptions, options);
}

std::optional<std::string> GivenId(const PrintTicketDom& ticket, const Offer&) {
  const HeaderFooterOptions options = ReadAlone(ticket, ReadHeaderFooterOptions);
  switch (options.idPrint) {
    case HeaderFooterId::None: return "none";
    case HeaderFooterId::UserName: return "user";
    case HeaderFooterId::Custom: return Utf16ToUtf8(options.customId.View());
  }
  return std::nullopt;
}

// What the rows below have in common, by the feature or table they work on.
template <const char* kFeature, const auto& kSpellings>
Offer Spelled(const PrinterOffer& printer) {
  return FeatureOffer(printer, kFeature, [](const OfferedOption& option) { return SpelledAs(kSpellings, option); });
}
template <const char* kFeature, OptionNamer kNamer>
Offer Named(const PrinterOffer& printer) {
  return FeatureOffer(printer, kFeature, kNamer);
}
template <const auto& kTable, const auto& kSpellings>
Offer FromTable(const PrinterOffer&) {
  return TableOffer(kTable, kSpellings);
}
template <const char* kAccepts>
Offer FreeForm(const PrinterOffer&) {
  return {{}, kAccepts};
}
template <const char* kFeature>
std::optional<std::string> GivenOptionOf(const PrintTicketDom& ticket, const Offer& offer) {
  return GivenOption(ticket, offer, kFeature);
}
// A record field that holds the index of a table offer's choice, as a plain
// index or as the enum of its table.
template <class Field>
LONG IndexOf(Field value) {
  if constexpr (std::is_enum_v<Field>)
    return Index(value);
  else
    return value;
}
template <auto kReader, auto kField>
std::optional<std::string> GivenField(const PrintTicketDom& ticket, const Offer& offer) {
  return GivenIndex(offer, IndexOf(ReadAlone(ticket, kReader).*kField));
}
template <auto kReader, auto kWriter, auto kField>
void SetField(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  auto record = edit.Read(kReader);
  using Field = std::remove_reference_t<decltype(record.*kField)>;
  record.*kField = static_cast<Field>(choice.index);  // a position in the field's own table
  edit.Write(kWriter, record);
}
template <const char* kFeature>
void SelectIn(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  Select(edit, kFeature, choice);
}

// --- watermark-text, watermark-image and their look: WatermarkOptions (one
// watermark for all pages) ---

constexpr char kWatermark[] = "psk:PageWatermark";
constexpr char kWatermarkTextForm[] = "any text, drawn across the middle of every page";
constexpr char kWatermarkImageForm[] =
    "the absolute path of a BMP, GIF, PNG, JPEG or TIFF file, drawn in the middle of every page";
constexpr Spelling kOverlays[] = {{"Transparent", "transparent"}, {"Opaque", "opaque"}};

// Switches the watermark on with the common item of that type and value.
void ApplyWatermark(TicketEdit& edit, WatermarkType type, Bstr WatermarkItem::*field, std::string_view value) {
  const std::optional<std::u16string> wide = Utf8ToUtf16(value);
  if (!wide || wide->empty()) throw BadValue("");
  WatermarkOptions options = edit.Read(ReadWatermarkOptions);
  options.on = OffOn::On;
  options.customSettings = OffOn::Off;
  options.common.type = type;
  options.common.*field = Bstr(*wide);
  edit.Write(WriteWatermarkOptions, options);
}
void ApplyWatermarkText(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  ApplyWatermark(edit, WatermarkType::Text, &WatermarkItem::text, choice.value);
}
void ApplyWatermarkImage(TicketEdit& edit, const Choice& choice, const PrinterOffer&) {
  // The filter opens it wherever the job runs: a relative path would name another file there.
  if (!choice.value.starts_with('/')) throw BadValue("");
  ApplyWatermark(edit, WatermarkType::Bitmap, &WatermarkItem::fileName, choice.value);
}
template <WatermarkType kType, Bstr WatermarkItem::*kField>
std::optional<std::string> GivenWatermark(const PrintTicketDom& ticket, const Offer&) {
  const WatermarkOptions options = ReadAlone(ticket, ReadWatermarkOptions);
  if (options.on != OffOn::On || options.customSettings == OffOn::On || options.common.type != kType)
    return std::nullopt;
  return Utf16ToUtf8((options.common.*kField).View());
}

constexpr OptionRow kRows[] = {
    {"media", "Paper size", kMediaSize, "", "", MediaOffer, GivenMedia, ApplyMedia},
    {"orientation-requested", "Orientation (3 portrait, 4 landscape, 5 reverse landscape, 6 reverse portrait)",
     kOrientation, "", "", Spelled<kOrientation, kOrientations>, GivenOptionOf<kOrientation>, ApplyOrientation},
    {"landscape", "Landscape orientation", kOrientation, "true", "false", Spelled<kOrientation, kLandscape>,
     GivenOptionOf<kOrientation>, ApplyOrientation},
    {"sides", "Two-sided printing", kDuplex, "", "", Named<kDuplex, Hyphenate>, GivenOptionOf<kDuplex>, ApplySides},
    {"booklet", "Booklet, printed two-sided on the short edge", kBinding, "on", "off", Spelled<kBinding, kBookletEdges>,
     GivenOptionOf<kBinding>, ApplyBooklet},
    {"binding", "Binding edge", kBinding, "", "", Spelled<kBinding, kBindingEdges>, GivenOptionOf<kBinding>,
     ApplyBindingEdge},
    {"binding-gutter", "Binding gutter", kBinding, "", "", FreeForm<kGutterForm>, GivenGutter, ApplyGutter},
    {"booklet-set-sheets", "Booklet divided into sets of this many sheets", kBinding, "", "",
     FreeForm<kSetSheetsForm>, GivenSetSheets, ApplySetSheets},
    {"manual-duplex", "Two-sided by hand, the fronts first and the backs once the stack is turned over", kDuplex,
     "true", "false", FromTable<kDuplexModeNames, kManualDuplex>, GivenManualDuplex, ApplyManualDuplex},
    {"duplex-first-paper", "Tray separation takes the whole first sheet", "kp:JobDuplexData", "true", "false",
     FromTable<kTraySeparationNames, kFirstPaper>, GivenField<ReadDuplex, &DuplexSettings::firstPaper>,
     SetField<ReadDuplex, WriteDuplex, &DuplexSettings::firstPaper>},
    {"number-up", "Pages per sheet", kNUp, "", "", Named<kNUp, Numbered<kPagesPerSheet>>, GivenOptionOf<kNUp>,
     ApplyNumberUp},
    {"number-up-layout", "Order of the pages on a sheet", kNUp, "", "",
     FromTable<kPresentationDirectionOptions, kLayouts>, GivenField<ReadNUp, &NUpSettings::presentationDirection>,
     SetField<ReadNUp, WriteNUp, &NUpSettings::presentationDirection>},
    {"page-border", "Border around each page on a sheet", kNUp, "", "", FromTable<kBorderLineOptions, kBorders>,
     GivenField<ReadNUp, &NUpSettings::borderLine>, SetField<ReadNUp, WriteNUp, &NUpSettings::borderLine>},
    {"poster", "Sheets one page is spread over", kPoster, "", "1", Named<kPoster, Numbered<kSheetsPerPage>>,
     GivenOptionOf<kPoster>, SelectIn<kPoster>},
    {"media-source", "Paper source", kInputBin, "", "", Named<kInputBin, MediaSourceName>, GivenOptionOf<kInputBin>,
     ApplyMediaSource},
    {"tray-separation", "Separate jobs by output tray", "kp:JobSettingData", "true", "false",
     FromTable<kOffOnNames, kOffOn>, GivenField<ReadJobInfo, &JobInfoSettings::separateTrayMode>,
     SetField<ReadJobInfo, WriteJobInfo, &JobInfoSettings::separateTrayMode>},
    {"print-color-mode", "Colour", kColor, "", "", Spelled<kColor, kColorModes>, GivenOptionOf<kColor>,
     SelectIn<kColor>},
    {"printer-resolution", "Resolution", kResolution, "", "", ResolutionOffer, GivenOptionOf<kResolution>,
     SelectIn<kResolution>},
    {"copies", "Copies", kCopies, "", "", CopiesOffer, GivenCopies, ApplyCopies},
    {"collate", "Collate copies", kCollate, "true", "false", Spelled<kCollate, kCollation>, GivenOptionOf<kCollate>,
     SelectIn<kCollate>},
    {"mirror", "Mirror image", kMirror, "horizontal", "none", Spelled<kMirror, kMirrors>, GivenOptionOf<kMirror>,
     ApplyMirror},
    {"page-scaling", "How the page is fitted onto the paper", kScaling, "", "", Spelled<kScaling, kScalingModes>,
     GivenOptionOf<kScaling>, ApplyScalingMode},
    {"fit-to-page", "Fit the page to the printable area", kScaling, "true", "false", Spelled<kScaling, kFitToPage>,
     GivenOptionOf<kScaling>, ApplyScalingMode},
    {"scaling", "Scale the page by this percent", kScaling, "", "", FreeForm<kPercentForm>, GivenPercent,
     ApplyPercent},
    {"scaling-offset", "Offset of the scaled page from the printable area's corner", kScaling, "", "",
     FreeForm<kOffsetForm>, GivenOffset, ApplyOffset},
    {"fit-to-paper", "Fit the page to this paper (the paper printed on)", kScaling, "", "", MediaOffer,
     GivenFitToPaper, ApplyFitToPaper},
    {"scaling-alignment", "Where a fitted page sits in the space it leaves", kScaling, "", "",
     FromTable<kScaleAlignmentNames, kAlignments>, GivenField<ReadScalingSettings, &ScalingSettings::alignment>,
     SetField<ReadScalingSettings, WriteScaling, &ScalingSettings::alignment>},
    {"header-footer", "Date, time and ID line on every page", kHeaderFooter, "true", "false",
     FromTable<kOffOnNames, kOffOn>, GivenField<ReadHeaderFooterOptions, &HeaderFooterOptions::on>, ApplyHeaderFooter},
    {"header-footer-position", "Where the header/footer line goes", kHeaderFooter, "", "",
     FromTable<kPlaces, kPlaceSpellings>, GivenPlace, ApplyPlace},
    {"header-footer-date", "Date on the header/footer line", kHeaderFooter, "", "none", FreeForm<kDateForm>,
     GivenDateTime<true>, ApplyDateTime<true>},
    {"header-footer-time", "Time on the header/footer line", kHeaderFooter, "", "none", FreeForm<kTimeForm>,
     GivenDateTime<false>, ApplyDateTime<false>},
    {"header-footer-id", "ID on the header/footer line", kHeaderFooter, "user", "none", FreeForm<kIdForm>, GivenId,
     ApplyId},
    {"reverse-image", "Page turned by half a turn", "kp:PageReverseImage", "true", "false",
     FromTable<kOffOnNames, kOffOn>, GivenField<ReadMirror, &MirrorSettings::reverse>,
     SetField<ReadMirror, WriteMirror, &MirrorSettings::reverse>},
    {"transverse", "Paper fed turned by a quarter", "kp:PageMediaSizeData", "true", "false",
     FromTable<kOffOnNames, kOffOn>, GivenField<ReadMediaSize, &MediaSizeSettings::transverse>,
     SetField<ReadMediaSize, WriteMediaSize, &MediaSizeSettings::transverse>},
    {"watermark-text", "Watermark text", kWatermark, "", "", FreeForm<kWatermarkTextForm>,
     GivenWatermark<WatermarkType::Text, &WatermarkItem::text>, ApplyWatermarkText},
    {"watermark-image", "Watermark image", kWatermark, "", "", FreeForm<kWatermarkImageForm>,
     GivenWatermark<WatermarkType::Bitmap, &WatermarkItem::fileName>, ApplyWatermarkImage},
    {"watermark-overlay", "Watermark drawn see-through or opaque", kWatermark, "", "",
     FromTable<kWatermarkOverlayNames, kOverlays>, GivenField<ReadWatermarkOptions, &WatermarkOptions::overlay>,
     SetField<ReadWatermarkOptions, WriteWatermarkOptions, &WatermarkOptions::overlay>},
    {"watermark-outline", "Watermark text drawn as an outline", kWatermark, "true", "false",
     FromTable<kOffOnNames, kOffOn>, GivenField<ReadWatermarkOptions, &WatermarkOptions::outline>,
     SetField<ReadWatermarkOptions, WriteWatermarkOptions, &WatermarkOptions::outline>},
};

bool BookletOn(const Choice& booklet) { return booklet.value != "off"; }
// The page-scaling value a fit-to-page choice stands for.
std::string_view FitToPageMode(const Choice& fit) { return fit.value == "true" ? "fit-to-printable-area" : "none"; }
bool Always(const Choice&, const Choice&) { return true; }
constexpr char kOneScaling[] = "a page is scaled one way";

constexpr Contradiction kContradictions[] = {
    {"watermark-text", "watermark-image", [](const Choice&, const Choice&) { return true; },
     "a page has one watermark, text or image"},
    {"booklet", "sides", [](const Choice& a, const Choice& b) { return BookletOn(a) && b.value != "two-sided-short-edge"; },
     "a booklet is printed with sides=two-sided-short-edge"},
    {"booklet", "binding", [](const Choice& a, const Choice& b) { return BookletOn(a) && b.value != "none"; },
     "a booklet is bound at its fold"},
    {"booklet", "number-up", [](const Choice& a, const Choice& b) { return BookletOn(a) && b.value != "2"; },
     "a booklet puts two pages on each side of a sheet"},
    {"poster", "number-up", [](const Choice& a, const Choice& b) { return a.value != "1" && b.value != "1"; },
     "a poster spreads one page over several sheets"},
    {"poster", "booklet", [](const Choice& a, const Choice& b) { return a.value != "1" && BookletOn(b); },
     "a poster spreads one page over several sheets"},
    {"landscape", "orientation-requested",
     [](const Choice& a, const Choice& b) { return a.option->name != b.option->name; },
     "they ask for different orientations"},
    {"page-scaling", "fit-to-page", [](const Choice& a, const Choice& b) { return a.value != FitToPageMode(b); },
     kOneScaling},
    {"scaling", "page-scaling", [](const Choice&, const Choice& b) { return b.value != "custom-scale"; }, kOneScaling},
    {"scaling", "fit-to-page", Always, kOneScaling},
    {"fit-to-paper", "page-scaling", [](const Choice&, const Choice& b) { return b.value != "fit-to-paper"; },
     kOneScaling},
    {"fit-to-paper", "scaling", Always, kOneScaling},
    {"fit-to-paper", "fit-to-page", Always, kOneScaling},
};

}  // namespace

std::span<const OptionRow> PrintOptionRows() { return kRows; }
std::span<const Contradiction> PrintOptionContradictions() { return kContradictions; }

}  // namespace kestrel::print_options
