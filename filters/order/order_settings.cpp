#include "order_settings.h"

#include <algorithm>

#include "ticket/hresult_error.h"
#include "ticket/print_ticket_dom.h"

namespace {

// A booklet cannot be printed one-sided or turned on the long edge: it
// becomes a plain left binding.
void DropBookletForDuplex(BindingSettings& binding, const DuplexSettings& duplex) {
  const DuplexType type = duplex.duplexType;
  if ((type == DuplexType::OneSided || type == DuplexType::LongEdge || type == DuplexType::LongEdgeManual) &&
      IsBookletEdge(binding.bindingEdge)) {
    binding.bindingEdge = BindingEdge::BindLeft;
    binding.gutterControl = OffOn::Off;
  }
}

// A booklet of this scope without a duplex choice of its own prints short-edge.
// False when the duplex record belongs to another scope.
bool ImplyShortEdgeDuplex(DuplexSettings& duplex, Scope scope) {
  const Scope before = duplex.scope;
  duplex.scope = scope;
  duplex.duplexType = DuplexType::ShortEdge;
  return before == Scope::None;
}

}  // namespace

HRESULT ResolveBookletDuplex(BindingSettings& binding, DuplexSettings& duplex, ResolvedBooklet* resolved) {
  if (!resolved) return E_POINTER;
  const bool booklet = IsBookletEdge(binding.bindingEdge);
  if (duplex.scope == Scope::Job) {
    DropBookletForDuplex(binding, duplex);
  } else if (binding.scope == Scope::Job && booklet) {
    if (!ImplyShortEdgeDuplex(duplex, Scope::Job)) return E_FAIL;
  } else if (duplex.scope == Scope::Document) {
    DropBookletForDuplex(binding, duplex);
  } else if (binding.scope == Scope::Document && booklet) {
    if (!ImplyShortEdgeDuplex(duplex, Scope::Document)) return E_FAIL;
  }
  resolved->bookletMode = !IsBookletEdge(binding.bindingEdge) ? BookletMode::None
                          : binding.scope == Scope::Job        ? BookletMode::WholeJob
                                                              : BookletMode::PerDocument;
  resolved->bindingEdge = binding.bindingEdge;
  resolved->duplexMode = duplex.duplexMode;
  return S_OK;
}

HRESULT ReadOrderSettings(IXMLDOMDocument2* ticket, std::u16string_view privateNamespace, OrderSettings& settings) {
  return CallReturningHresult([&] {
    const PrintTicketDom dom(u"PrintTicket", privateNamespace, ticket);
    BindingSettings binding;
    HRESULT hr = ReadBinding(dom, binding);
    if (FAILED(hr)) return hr;
    DuplexSettings duplex;
    hr = ReadDuplex(dom, duplex);
    if (FAILED(hr)) return hr;
    ResolvedBooklet resolved;
    hr = ResolveBookletDuplex(binding, duplex, &resolved);
    if (FAILED(hr)) return hr;
    settings.bookletMode = resolved.bookletMode;
    settings.bindingEdge = resolved.bindingEdge;
    settings.duplexMode = resolved.duplexMode;
    settings.bookletMethod = binding.bookletMethod;
    // The set test divides by the set's page count: a set is at least one sheet.
    settings.bookletSheets = std::max<LONG>(binding.bookletSheets, 1);
    return S_OK;
  });
}
