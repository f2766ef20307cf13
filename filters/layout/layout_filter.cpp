#include "layout_filter.h"

#include "emit_pass.h"
#include "plan_pass.h"
#include "platform/variant.h"
#include "settings_pass.h"
#include "ticket/hresult_error.h"

LayoutFilter::LayoutFilter() {
  const BSTR uri = private_namespace();
  state_.watch.namespaceUri = Bstr(std::u16string_view(uri ? uri : u"", SysStringLen(uri)));
  if (!state_.watch.namespaceUri.Get()) throw HResultError(E_OUTOFMEMORY);
}

HRESULT LayoutFilter::ConnectPipeline() {
  const HRESULT hr = XpsFilterBase::ConnectPipeline();
  if (property_bag()) {
    Variant rotation;
    // Only 90 is told apart from the other values, so the VARIANT's type does not matter.
    if (property_bag()->GetProperty(u"LandscapeRotation", rotation.Get()) == S_OK)
      state_.landscapeRotation = rotation.Get()->lVal;
  }
  return hr;
}

LayoutContext LayoutFilter::Context() {
  const BSTR uri = private_namespace();
  return {consumer(), ticket_manager(), std::u16string_view(uri ? uri : u"", SysStringLen(uri))};
}

HRESULT LayoutFilter::RunSettingsPass(EPrintTicketScope scope) { return SettingsPass(state_, Context(), scope).Run(); }

HRESULT LayoutFilter::ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) {
  state_.Reset();
  if (!sequence) return E_POINTER;
  state_.sequencePart = ComPtr<IFixedDocumentSequence>(sequence);
  HRESULT hr = ticket_manager().OnDocumentSequence(sequence);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* ticket = nullptr;
  hr = ticket_manager().GetTicket(kPTJobScope, &ticket);
  if (FAILED(hr)) return hr;
  state_.currentTicket = ComPtr<IXMLDOMDocument2>(ticket);
  hr = RunSettingsPass(kPTJobScope);
  if (FAILED(hr)) return hr;
  if (!consumer()) return E_PENDING;
  hr = consumer()->SendFixedDocumentSequence(sequence);
  state_.sequencePart = nullptr;
  state_.currentTicket = nullptr;
  return hr;
}

HRESULT LayoutFilter::ProcessFixedDocument(IFixedDocument* document) {
  state_.documentPart = ComPtr<IFixedDocument>(document);
  state_.currentTicket = nullptr;
  if (!document) return E_POINTER;
  HRESULT hr = ticket_manager().OnDocument(document);
  if (FAILED(hr)) return hr;
  // With N-up and duplex both settled the document's ticket has nothing to add.
  if (!state_.nUp.IsActive() || !state_.bindingDuplex.IsActive()) {
    IXMLDOMDocument2* ticket = nullptr;
    hr = ticket_manager().GetTicket(kPTDocumentScope, &ticket);
    if (FAILED(hr)) return hr;
    state_.currentTicket = ComPtr<IXMLDOMDocument2>(ticket);
  }
  hr = RunSettingsPass(kPTDocumentScope);
  if (FAILED(hr)) return hr;
  // Under job-scope N-up the pages of every document share sheets: only the
  // first fixed document goes on.
  bool hold = false;
  if (state_.nUp.IsActive()) {
    hold = state_.nUp.jobNUpDocumentSent;
    if (!hold && state_.nUp.nup.scope == Scope::Job) state_.nUp.jobNUpDocumentSent = true;
  }
  if (hold) return S_OK;
  if (!consumer()) return E_PENDING;
  hr = consumer()->SendFixedDocument(document);
  state_.documentPart = nullptr;
  state_.currentTicket = nullptr;
  return hr;
}

HRESULT LayoutFilter::ProcessFixedPage(IFixedPage* page) {
  if (!consumer()) return E_PENDING;
  if (!page) return E_POINTER;
  state_.pagePart = ComPtr<IFixedPage>(page);
  state_.currentTicket = nullptr;
  HRESULT hr = ticket_manager().OnPage(page);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* ticket = nullptr;
  hr = ticket_manager().GetTicket(kPTPageScope, &ticket);
  if (FAILED(hr)) return hr;
  state_.currentTicket = ComPtr<IXMLDOMDocument2>(ticket);
  hr = RunSettingsPass(kPTPageScope);
  if (FAILED(hr)) return hr;
  const LayoutContext context = Context();
  hr = PlanPass(state_, context).Run();
  if (FAILED(hr)) return hr;
  hr = TransformPass(state_).Run();
  if (FAILED(hr)) return hr;
  return EmitPass(state_, context).Run();
}

HRESULT LayoutFilter::FinishParts() {
  if (!consumer()) return state_.pendingSheet.page ? E_PENDING : S_OK;
  return EmitPass(state_, Context()).Finish();
}
