#include "devmode_builder.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "platform/checked_int.h"
#include "platform/print_ticket_provider.h"
#include "platform/utf.h"
#include "schema_writer.h"

namespace {

template <typename T>
std::optional<T> Fit(std::optional<std::int64_t> value) {
  return value ? TryIntCast<T>(*value) : std::nullopt;
}

std::int64_t TenthsOfMillimetre(std::int32_t microns) { return (static_cast<std::int64_t>(microns) + 50) / 100; }

std::optional<QualifiedName> NameOf(const OptionDescription* option) {
  return option ? option->name : std::nullopt;
}

void CopyName(WCHAR (&target)[32], std::u16string_view text) {
  const std::size_t n = std::min<std::size_t>(text.size(), 31);
  std::copy_n(text.begin(), n, target);
  target[n] = 0;
}

class DevModeBuilder {
 public:
  explicit DevModeBuilder(const TicketSettings& t) : t_(t) {}

  DEVMODEW Build(std::u16string_view printer_name, const DevModeExtension& extension) {
    CopyName(d_.dmDeviceName, printer_name);
    d_.dmSpecVersion = DM_SPECVERSION;
    d_.dmDriverVersion = extension.driver_version;
    d_.dmSize = sizeof(DEVMODEW);
    d_.dmDriverExtra = extension.private_size;
    FillPublic();
    return d_;
  }

 private:
  template <typename T>
  void Set(T& field, std::optional<T> value, DWORD flag) {
    if (!value) return;
    field = *value;
    d_.dmFields |= flag;
  }

  std::optional<SHORT> Code(const OptionDescription* option) { return option ? Fit<SHORT>(option->devmode) : std::nullopt; }

  void Paper() {
    const OptionDescription* media = t_.Selected(Psk("PageMediaSize"));
    const auto code = Code(media);
    if (code && *code != DMPAPER_USER) {
      Set(d_.dmPaperSize, code, DM_PAPERSIZE);
    } else {
      const auto length = Fit<SHORT>(TenthsOfMillimetre(t_.MediaHeight()));
      const auto width = Fit<SHORT>(TenthsOfMillimetre(t_.MediaWidth()));
      if (length && width) {
        Set(d_.dmPaperSize, std::optional<SHORT>(DMPAPER_USER), DM_PAPERSIZE);
        Set(d_.dmPaperLength, length, DM_PAPERLENGTH);
        Set(d_.dmPaperWidth, width, DM_PAPERWIDTH);
      }
    }
    if (media) {
      const std::string& form = media->form.empty() ? media->display_name : media->form;
      if (const auto text = Utf8ToUtf16(form); text && !text->empty()) {
        CopyName(d_.dmFormName, *text);
        d_.dmFields |= DM_FORMNAME;
      }
    }
  }

  void FillPublic() {
    DEVMODEW& d = d_;
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

  const TicketSettings& t_;
  DEVMODEW d_{};
};

}  // namespace

std::vector<BYTE> BuildDevMode(const TicketSettings& ticket, std::u16string_view printer_name,
                               const DevModeExtension& extension) {
  const DEVMODEW devmode = DevModeBuilder(ticket).Build(printer_name, extension);
  std::vector<BYTE> block(sizeof devmode + extension.private_size);
  std::memcpy(block.data(), &devmode, sizeof devmode);
  if (extension.fill_private) extension.fill_private(PrintTicketView(ticket), std::span(block).subspan(sizeof devmode));
  return block;
}
