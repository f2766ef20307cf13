#include "devmode_builder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/utf.h"
#include "schema_writer.h"
#include "ticket_schema.h"

namespace {

template <typename T>
std::optional<T> Fit(std::optional<std::int64_t> value) {
  if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max()) return std::nullopt;
  return static_cast<T>(*value);
}

std::int64_t TenthsOfMillimetre(std::int32_t microns) { return (static_cast<std::int64_t>(microns) + 50) / 100; }

// The tables of the ticket readers, by option name.
const std::array<QualifiedName, 12> kBins = {
    Psk("AutoSelect"), Private("SameTray"), Private("Tray1"),   Private("Tray2"),   Private("Tray3"),
    Private("Tray4"),  Private("TrayID1"),  Private("TrayID2"), Private("TrayID3"), Private("TrayID4"),
    Psk("Manual"),     Private("MPTray")};
const std::array<QualifiedName, 6> kBindingEdges = {Psk("BindBottom"), Psk("BindLeft"), Psk("BindRight"),
                                                    Psk("BindTop"),    Psk("Booklet"),  Private("BookletReverseFlip")};
const std::array<QualifiedName, 7> kScalingModes = {Psk("None"),
                                                    Private("FitToPaper"),
                                                    Psk("CustomSquare"),
                                                    Psk("FitApplicationBleedSizeToPageImageableSize"),
                                                    Psk("FitApplicationContentSizeToPageImageableSize"),
                                                    Psk("FitApplicationMediaSizeToPageImageableSize"),
                                                    Psk("FitApplicationMediaSizeToPageMediaSize")};
const std::array<QualifiedName, 3> kMirrors = {Psk("MirrorImageWidth"), Psk("MirrorImageHeight"), Psk("None")};

template <std::size_t N>
std::optional<WORD> IndexIn(const std::array<QualifiedName, N>& table, const std::optional<QualifiedName>& name) {
  if (!name) return std::nullopt;
  const auto it = std::find(table.begin(), table.end(), *name);
  if (it == table.end()) return std::nullopt;
  return static_cast<WORD>(it - table.begin());
}

std::optional<QualifiedName> NameOf(const OptionDescription* option) {
  return option ? option->name : std::nullopt;
}

void CopyName(WCHAR (&target)[32], std::u16string_view text) {
  const std::size_t n = std::min<std::size_t>(text.size(), 31);
  std::copy_n(text.begin(), n, target);
  target[n] = 0;
}

// Text of the named sub-property of a top-level private property.
std::string SubPropertyText(xmlDoc* doc, const QualifiedName& property, const QualifiedName& sub) {
  for (xmlNode* n = xmlDocGetRootElement(doc)->children; n; n = n->next) {
    if (!IsFramework(n, "Property") || ::NameOf(n) != property) continue;
    for (xmlNode* c = n->children; c; c = c->next)
      if (IsFramework(c, "Property") && ::NameOf(c) == sub)
        if (const xmlNode* value = ChildElement(c, kPrintSchemaFrameworkNamespace, "Value")) return TextOf(value);
  }
  return {};
}

class DevModeBuilder {
 public:
  explicit DevModeBuilder(const TicketSettings& t) : t_(t) {}

  DevModeBlock Build(std::u16string_view printer_name) {
    CopyName(b_.devmode.dmDeviceName, printer_name);
    b_.devmode.dmSpecVersion = DM_SPECVERSION;
    b_.devmode.dmDriverVersion = kKestrelDriverVersion;
    b_.devmode.dmSize = sizeof(DEVMODEW);
    b_.devmode.dmDriverExtra = sizeof(KestrelDevModePrivate);
    FillPublic();
    FillPrivate(t_.Document());
    return b_;
  }

 private:
  template <typename T>
  void Set(T& field, std::optional<T> value, DWORD flag) {
    if (!value) return;
    field = *value;
    b_.devmode.dmFields |= flag;
  }

  std::optional<SHORT> Code(const OptionDescription* option) { return option ? Fit<SHORT>(option->devmode) : std::nullopt; }

  void Paper() {
    DEVMODEW& d = b_.devmode;
    const OptionDescription* media = t_.Selected(Psk("PageMediaSize"));
    const auto code = Code(media);
    if (code && *code != DMPAPER_USER) {
      Set(d.dmPaperSize, code, DM_PAPERSIZE);
    } else {
      const auto length = Fit<SHORT>(TenthsOfMillimetre(t_.MediaHeight()));
      const auto width = Fit<SHORT>(TenthsOfMillimetre(t_.MediaWidth()));
      if (length && width) {
        Set(d.dmPaperSize, std::optional<SHORT>(DMPAPER_USER), DM_PAPERSIZE);
        Set(d.dmPaperLength, length, DM_PAPERLENGTH);
        Set(d.dmPaperWidth, width, DM_PAPERWIDTH);
      }
    }
    if (media) {
      const std::string& form = media->form.empty() ? media->display_name : media->form;
      if (const auto text = Utf8ToUtf16(form); text && !text->empty()) {
        CopyName(d.dmFormName, *text);
        d.dmFields |= DM_FORMNAME;
      }
    }
  }

  void FillPublic() {
    DEVMODEW& d = b_.devmode;
    Set(d.dmOrientation, Code(t_.Selected(Psk("PageOrientation"))), DM_ORIENTATION);
    Paper();
    if (NameOf(t_.Selected(Psk("PageScaling"))) == Psk("CustomSquare"))
      Set(d.dmScale, Fit<SHORT>(t_.Scored(Psk("PageScaling"), Psk("Scale"))), DM_SCALE);
    Set(d.dmCopies, Fit<SHORT>(t_.Parameter(Psk("JobCopiesAllDocuments"))), DM_COPIES);
    Set(d.dmDefaultSource,
        Code(t_.Selected(Psk("PageInputBin"), {Psk("PageInputBin"), Psk("DocumentInputBin"), Psk("JobInputBin")})),
        DM_DEFAULTSOURCE);
    if (const OptionDescription* resolution = t_.Selected(Psk("PageResolution"))) {
      Set(d.dmPrintQuality, Fit<SHORT>(resolution->Integer(Psk("ResolutionX"))), DM_PRINTQUALITY);
      Set(d.dmYResolution, Fit<SHORT>(resolution->Integer(Psk("ResolutionY"))), DM_YRESOLUTION);
    }
    Set(d.dmColor, Code(t_.Selected(Psk("PageOutputColor"))), DM_COLOR);
    Set(d.dmDuplex,
        Code(t_.Selected(Psk("JobDuplexAllDocumentsContiguously"),
                         {Psk("JobDuplexAllDocumentsContiguously"), Psk("DocumentDuplex")})),
        DM_DUPLEX);
    Set(d.dmCollate, Code(t_.Selected(Psk("DocumentCollate"), {Psk("DocumentCollate"), Psk("JobCollateAllDocuments")})),
        DM_COLLATE);
    // The pipeline's own filters compose N-up sheets: DMNUP_SYSTEM says N-up is asked for.
    Set(d.dmNup, std::optional<DWORD>(PagesPerSheet() > 1 ? DMNUP_SYSTEM : DMNUP_ONEUP), DM_NUP);
  }

  WORD PagesPerSheet() {
    const OptionDescription* nup = t_.Selected(Psk("JobNUpAllDocumentsContiguously"),
                                               {Psk("JobNUpAllDocumentsContiguously"), Psk("DocumentNUp")});
    return nup ? Fit<WORD>(nup->Integer(Psk("PagesPerSheet"))).value_or(1) : 1;
  }

  void Binding(KestrelDevModePrivate& p) {
    p.bindingEdge = -1;
    for (const QualifiedName& feature : {Psk("JobBindAllDocuments"), Psk("DocumentBinding")}) {
      if (!t_.OptionNode(feature)) continue;
      const auto edge = IndexIn(kBindingEdges, NameOf(t_.Selected(Psk("JobBindAllDocuments"), {feature})));
      if (edge) p.bindingEdge = static_cast<SHORT>(*edge);
      p.booklet = edge == 4 || edge == 5;
      p.bindingGutter = std::max(t_.Scored(feature, Psk("BindingGutter")).value_or(0), 0);
      return;
    }
  }

  void FillPrivate(xmlDoc* doc) {
    KestrelDevModePrivate& p = b_.extra;
    p.signature = kDevModePrivateSignature;
    p.version = kDevModePrivateVersion;
    p.size = sizeof(KestrelDevModePrivate);
    p.mediaWidth = t_.MediaWidth();
    p.mediaHeight = t_.MediaHeight();
    const PageArea area = t_.Imageable();
    p.imageableOriginWidth = area.origin_width;
    p.imageableOriginHeight = area.origin_height;
    p.imageableExtentWidth = area.extent_width;
    p.imageableExtentHeight = area.extent_height;
    p.orientation = static_cast<WORD>(t_.PageOrientation());
    p.pagesPerSheet = PagesPerSheet();
    Binding(p);
    p.posterSheetsPerPage = Fit<WORD>(t_.Scored(Psk("PagePoster"), Psk("SheetsPerPage"))).value_or(0);
    p.scalingMode = IndexIn(kScalingModes, NameOf(t_.Selected(Psk("PageScaling")))).value_or(0);
    p.scalePercent = Fit<WORD>(t_.Scored(Psk("PageScaling"), Psk("Scale"))).value_or(100);
    p.inputBin = IndexIn(kBins, NameOf(t_.Selected(Psk("PageInputBin")))).value_or(0);
    p.secondInputBin = IndexIn(kBins, t_.OptionName(Private("JobInput2ndBin"))).value_or(1);
    p.mirror = IndexIn(kMirrors, NameOf(t_.Selected(Psk("PageMirrorImage")))).value_or(2);
    const auto on = [&](const QualifiedName& feature) {
      const auto name = t_.OptionName(feature);
      return name && name->local == "On";
    };
    if (on(Psk("PageWatermark"))) p.flags |= kDevModeFlagWatermark;
    if (on(Private("PageHeaderFooter"))) p.flags |= kDevModeFlagHeaderFooter;
    if (on(Private("PageReverseImage"))) p.flags |= kDevModeFlagReverseImage;
    if (SubPropertyText(doc, Private("PageInputBinData"), Private("SecondBinData")) == "InvalidSecondBinData")
      p.flags |= kDevModeFlagSecondBinInvalid;
  }

  const TicketSettings& t_;
  DevModeBlock b_{};
};

}  // namespace

DevModeBlock BuildDevMode(const TicketSettings& ticket, std::u16string_view printer_name) {
  return DevModeBuilder(ticket).Build(printer_name);
}
