#include "driver/devmode/kestrel_devmode_extension.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "driver/devmode/devmode_private.h"
#include "platform/checked_int.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "ticket/print_schema_namespaces.h"

namespace {

template <typename T>
std::optional<T> Fit(std::optional<std::int64_t> value) {
  return value ? TryIntCast<T>(*value) : std::nullopt;
}

PrintSchemaName Psk(const char* local) { return {kPrintSchemaKeywordsNamespace, local}; }

PrintSchemaName Private(const char* local) {
  static const std::string uri = Utf16ToUtf8(PRIVATE_KEYWORDS_NS).value();
  return {uri, local};
}

// The tables of the ticket readers, by option name.
const std::array<PrintSchemaName, 12> kBins = {
    Psk("AutoSelect"), Private("SameTray"), Private("Tray1"),   Private("Tray2"),   Private("Tray3"),
    Private("Tray4"),  Private("TrayID1"),  Private("TrayID2"), Private("TrayID3"), Private("TrayID4"),
    Psk("Manual"),     Private("MPTray")};
const std::array<PrintSchemaName, 6> kBindingEdges = {Psk("BindBottom"), Psk("BindLeft"), Psk("BindRight"),
                                                      Psk("BindTop"),    Psk("Booklet"),  Private("BookletReverseFlip")};
const std::array<PrintSchemaName, 7> kScalingModes = {Psk("None"),
                                                      Private("FitToPaper"),
                                                      Psk("CustomSquare"),
                                                      Psk("FitApplicationBleedSizeToPageImageableSize"),
                                                      Psk("FitApplicationContentSizeToPageImageableSize"),
                                                      Psk("FitApplicationMediaSizeToPageImageableSize"),
                                                      Psk("FitApplicationMediaSizeToPageMediaSize")};
const std::array<PrintSchemaName, 3> kMirrors = {Psk("MirrorImageWidth"), Psk("MirrorImageHeight"), Psk("None")};

template <std::size_t N>
std::optional<WORD> IndexIn(const std::array<PrintSchemaName, N>& table, const std::optional<PrintSchemaName>& name) {
  if (!name) return std::nullopt;
  const auto it = std::find(table.begin(), table.end(), *name);
  if (it == table.end()) return std::nullopt;
  return static_cast<WORD>(it - table.begin());
}

class PrivateBlockWriter {
 public:
  explicit PrivateBlockWriter(const PrintTicketView& t) : t_(t) {}

  KestrelDevModePrivate Write() {
    p_.signature = kDevModePrivateSignature;
    p_.version = kDevModePrivateVersion;
    p_.size = sizeof(KestrelDevModePrivate);
    const TicketPageGeometry page = t_.PageGeometry();
    p_.mediaWidth = page.media_width;
    p_.mediaHeight = page.media_height;
    p_.imageableOriginWidth = page.imageable_origin_width;
    p_.imageableOriginHeight = page.imageable_origin_height;
    p_.imageableExtentWidth = page.imageable_extent_width;
    p_.imageableExtentHeight = page.imageable_extent_height;
    p_.orientation = static_cast<WORD>(page.orientation);
    p_.pagesPerSheet = Fit<WORD>(t_.SelectedScoredValue(Psk("JobNUpAllDocumentsContiguously"), Psk("PagesPerSheet"),
                                                        {Psk("JobNUpAllDocumentsContiguously"), Psk("DocumentNUp")}))
                           .value_or(1);
    Binding();
    p_.posterSheetsPerPage = Fit<WORD>(t_.ScoredValue(Psk("PagePoster"), Psk("SheetsPerPage"))).value_or(0);
    p_.scalingMode = IndexIn(kScalingModes, t_.SelectedOption(Psk("PageScaling"))).value_or(0);
    p_.scalePercent = Fit<WORD>(t_.ScoredValue(Psk("PageScaling"), Psk("Scale"))).value_or(100);
    p_.inputBin = IndexIn(kBins, t_.SelectedOption(Psk("PageInputBin"))).value_or(0);
    p_.secondInputBin = IndexIn(kBins, t_.OptionName(Private("JobInput2ndBin"))).value_or(1);
    p_.mirror = IndexIn(kMirrors, t_.SelectedOption(Psk("PageMirrorImage"))).value_or(2);
    Flags();
    return p_;
  }

 private:
  void Binding() {
    p_.bindingEdge = -1;
    for (const PrintSchemaName& feature : {Psk("JobBindAllDocuments"), Psk("DocumentBinding")}) {
      if (!t_.CarriesOption(feature)) continue;
      const auto edge = IndexIn(kBindingEdges, t_.SelectedOption(Psk("JobBindAllDocuments"), {feature}));
      if (edge) p_.bindingEdge = static_cast<SHORT>(*edge);
      p_.booklet = edge == 4 || edge == 5;
      p_.bindingGutter = std::max(t_.ScoredValue(feature, Psk("BindingGutter")).value_or(0), 0);
      return;
    }
  }

  void Flags() {
    const auto on = [&](const PrintSchemaName& feature) {
      const auto name = t_.OptionName(feature);
      return name && name->local == "On";
    };
    if (on(Psk("PageWatermark"))) p_.flags |= kDevModeFlagWatermark;
    if (on(Private("PageHeaderFooter"))) p_.flags |= kDevModeFlagHeaderFooter;
    if (on(Private("PageReverseImage"))) p_.flags |= kDevModeFlagReverseImage;
    if (t_.PropertyValue({Private("PageInputBinData"), Private("SecondBinData")}) == "InvalidSecondBinData")
      p_.flags |= kDevModeFlagSecondBinInvalid;
    const PrintSchemaName duplex = Psk("JobDuplexAllDocumentsContiguously");
    const auto sides = t_.OptionName(duplex);
    if (sides && sides->local != "OneSided" && t_.ScoredText(duplex, Psk("DuplexMode")) == "Manual")
      p_.flags |= kDevModeFlagManualDuplex;
  }

  const PrintTicketView& t_;
  KestrelDevModePrivate p_{};
};

}  // namespace

DevModeExtension KestrelDevModeExtension() {
  return {kKestrelDriverVersion, sizeof(KestrelDevModePrivate), [](const PrintTicketView& ticket, std::span<BYTE> block) {
            const KestrelDevModePrivate written = PrivateBlockWriter(ticket).Write();
            std::memcpy(block.data(), &written, std::min(block.size(), sizeof written));
          }};
}
