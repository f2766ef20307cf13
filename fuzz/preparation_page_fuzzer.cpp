// The preparation filter's page rewriter on hostile page markup, under each
// scaling mode of the reference printer (a scope made once per mode from a
// user ticket asking for it). A page rewritten without failure must be
// well-formed markup again. Input: a byte picking the mode, then the page.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "filters/preparation/page_rewriter.h"
#include "filters/preparation/scope_settings.h"
#include "fuzz_input.h"
#include "fuzz_tickets.h"
#include "markup_check.h"
#include "ticket/print_schema_namespaces.h"

namespace {

// The scaling feature's content, with the data the filter reads beside it.
std::string Ticket(const std::string& scaling) {
  return "<psf:Feature name=\"psk:PageScaling\">" + scaling + "</psf:Feature>"
         "<psf:Property name=\"kp:PageScalingData\"><psf:Property name=\"kp:CorrectFixedPageSize\">"
         "<psf:Value xsi:type=\"xsd:string\">On</psf:Value></psf:Property></psf:Property>";
}

std::string Scored(const char* name, int value) {
  return std::string("<psf:ScoredProperty name=\"psk:") + name + "\"><psf:Value xsi:type=\"xsd:integer\">" +
         std::to_string(value) + "</psf:Value></psf:ScoredProperty>";
}

// The scaling feature's content in each mode.
const std::array<std::string, 7> kModes = {
    "<psf:Option name=\"psk:None\"/>",
    "<psf:Option name=\"kp:FitToPaper\"/><psf:Feature name=\"kp:FitMediaSize\"><psf:Option name=\"psk:ISOA4\">" +
        Scored("FitMediaSizeWidth", 210000) + Scored("FitMediaSizeHeight", 297000) + "</psf:Option></psf:Feature>",
    "<psf:Option name=\"psk:CustomSquare\">" + Scored("Scale", 60) + Scored("OffsetWidth", 0) +
        Scored("OffsetHeight", 5000) + "</psf:Option>",
    "<psf:Option name=\"psk:FitApplicationBleedSizeToPageImageableSize\"/>",
    "<psf:Option name=\"psk:FitApplicationContentSizeToPageImageableSize\"/>",
    "<psf:Option name=\"psk:FitApplicationMediaSizeToPageImageableSize\"/><psf:Feature "
    "name=\"psk:ScaleOffsetAlignment\"><psf:Option name=\"psk:TopRight\"/></psf:Feature>",
    "<psf:Option name=\"psk:FitApplicationMediaSizeToPageMediaSize\"/>",
};

struct Scope {
  PrintTicketManager manager;
  std::unique_ptr<ScopeSettings> settings;
};

// One scope per mode, for the process.
const std::array<Scope, 7>& Scopes() {
  static std::array<Scope, 7>* scopes = [] {
    auto* made = new std::array<Scope, 7>;
    for (std::size_t mode = 0; mode < made->size(); ++mode) {
      Scope& scope = (*made)[mode];
      IXMLDOMDocument2* ticket = kestrel::fuzz::OpenJobTicket(scope.manager, Ticket(kModes[mode]));
      scope.settings = std::make_unique<ScopeSettings>(scope.manager, PRIVATE_KEYWORDS_NS, nullptr);
      bool changed = false;
      if (FAILED(scope.settings->ReadScopeSettings(ticket, &changed)) || !scope.settings->scaler()) __builtin_trap();
    }
    return made;
  }();
  return *scopes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::FuzzInput input(data, size);
  const ScopeSettings& scope = *Scopes()[input.Byte() % 7].settings;
  const std::string_view page = input.Rest();
  const std::optional<int> depth = kestrel::fuzz::NestingDepth(page);

  const std::optional<std::string> rewritten = kestrel::fuzz::Rewrite(page, [&scope](IPrintWriteStream* output) {
    return ComPtr<MarkupHandlerBase>::Attach(new PageRewriter(output, scope));
  });
  if (rewritten && depth) kestrel::fuzz::CheckWellFormed(*rewritten, *depth, 3);
  return 0;
}
