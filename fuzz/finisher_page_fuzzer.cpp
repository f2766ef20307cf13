// The finisher filter's page rewriter on hostile page markup, under each way
// it rewrites a page: mirrored, turned by reverse printing, turned for
// transverse feeding, and clipped with cut-out marks for a poster tile (the
// settings made once per mode from a user ticket asking for it). A page
// rewritten without failure must be well-formed markup again. Input: a byte
// picking the mode, then the page.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "filters/finisher/finisher_page_rewriter.h"
#include "fuzz_input.h"
#include "fuzz_tickets.h"
#include "markup_check.h"
#include "ticket/print_schema_namespaces.h"

namespace {

std::string Feature(const std::string& name, const std::string& content) {
  return "<psf:Feature name=\"" + name + "\">" + content + "</psf:Feature>";
}
std::string Option(const std::string& name, const std::string& content = "") {
  return "<psf:Option name=\"" + name + "\">" + content + "</psf:Option>";
}

const std::string kMirrorWidth = Feature("psk:PageMirrorImage", Option("psk:MirrorImageWidth"));
const std::string kMirrorHeight = Feature("psk:PageMirrorImage", Option("psk:MirrorImageHeight"));
const std::string kReverse = Feature("kp:PageReverseImage", Option("kp:On"));
std::string Transverse(const std::string& orientation) {
  return Feature("psk:PageOrientation", Option(orientation)) +
         "<psf:Property name=\"kp:PageMediaSizeData\"><psf:Property name=\"kp:TransverseMode\">"
         "<psf:Value xsi:type=\"xsd:string\">On</psf:Value></psf:Property></psf:Property>";
}
const std::string kPosterTile = Feature(
    "psk:PagePoster", Option("psk:On", "<psf:ScoredProperty name=\"psk:SheetsPerPage\"><psf:Value "
                                       "xsi:type=\"xsd:integer\">4</psf:Value></psf:ScoredProperty>") +
                          Feature("kp:PagePrintCutOutLine", Option("kp:On")));

// What each mode's user ticket asks for; every one has the page rewritten.
const std::array<std::string, 8> kModes = {
    kMirrorWidth,
    kMirrorHeight,
    kReverse,
    Transverse("psk:Portrait"),
    Transverse("psk:Portrait") + kMirrorWidth,
    Transverse("psk:Landscape") + kReverse,
    kPosterTile,
    kPosterTile + Transverse("psk:Portrait") + kMirrorHeight + kReverse,
};

struct Mode {
  PrintTicketManager manager;
  std::unique_ptr<FinisherSettings> settings;
};

// The settings of every mode, for the process.
const std::array<Mode, 8>& Modes() {
  static std::array<Mode, 8>* modes = [] {
    auto* made = new std::array<Mode, 8>;
    for (std::size_t index = 0; index < made->size(); ++index) {
      Mode& mode = (*made)[index];
      IXMLDOMDocument2* ticket = kestrel::fuzz::OpenJobTicket(mode.manager, kModes[index]);
      mode.settings = std::make_unique<FinisherSettings>(mode.manager, PRIVATE_KEYWORDS_NS);
      bool changed = false;
      if (FAILED(mode.settings->ReadFinisherSettings(ticket, &changed)) || !mode.settings->RewritesPage())
        __builtin_trap();
    }
    return made;
  }();
  return *modes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::FuzzInput input(data, size);
  const FinisherSettings& settings = *Modes()[input.Byte() % 8].settings;
  const std::string_view page = input.Rest();
  const std::optional<int> depth = kestrel::fuzz::NestingDepth(page);

  const std::optional<std::string> rewritten = kestrel::fuzz::Rewrite(page, [&settings](IPrintWriteStream* output) {
    return ComPtr<MarkupHandlerBase>::Attach(new FinisherPageRewriter(output, settings));
  });
  // The transform canvas and the clip canvas go round the content.
  if (rewritten && depth) kestrel::fuzz::CheckWellFormed(*rewritten, *depth, 2);
  return 0;
}
