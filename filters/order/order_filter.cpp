#include "order_filter.h"

#include <cstdint>

#include "booklet_order.h"
#include "framework/ticket_part_writer.h"
#include "ticket/hresult_error.h"
#include "ticket/print_ticket_dom.h"

namespace {

constexpr std::size_t kPagesPerSheet = 4;
constexpr WCHAR kPadTicketTag[] = u"OD";

std::u16string_view View(BSTR text) { return {text ? text : u"", SysStringLen(text)}; }

}  // namespace

OrderFilter::OrderFilter() {
  watch_.namespaceUri = Bstr(View(private_namespace()));
  if (!watch_.namespaceUri.Get()) throw HResultError(E_OUTOFMEMORY);
}

HRESULT OrderFilter::ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) {
  if (!sequence) return E_POINTER;
  HRESULT hr = ticket_manager().OnDocumentSequence(sequence);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* ticket = nullptr;
  hr = ticket_manager().GetTicket(kPTJobScope, &ticket);
  if (FAILED(hr)) return hr;
  hr = ObserveDivideCondition(watch_, ticket, kPTJobScope);
  if (FAILED(hr)) return hr;
  hr = ReadOrderSettings(ticket, View(private_namespace()), settings_);
  if (FAILED(hr)) return hr;
  if (!consumer()) return E_PENDING;
  return consumer()->SendFixedDocumentSequence(sequence);
}

HRESULT OrderFilter::ProcessFixedDocument(IFixedDocument* document) {
  if (!document) return E_POINTER;
  HRESULT hr = ticket_manager().OnDocument(document);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* ticket = nullptr;
  hr = ticket_manager().GetTicket(kPTDocumentScope, &ticket);
  if (FAILED(hr)) return hr;
  if (settings_.bookletMode != BookletMode::WholeJob) {
    // The previous document's pages form their own group, under the
    // settings that were in force for them.
    hr = FlushPages();
    if (FAILED(hr)) return hr;
    hr = ReadOrderSettings(ticket, View(private_namespace()), settings_);
    if (FAILED(hr)) return hr;
  }
  // A whole-job booklet carries the pages of every document in the first one.
  if (!sendDocuments_) return S_OK;
  if (!consumer()) return E_PENDING;
  hr = consumer()->SendFixedDocument(document);
  if (settings_.bookletMode == BookletMode::WholeJob) sendDocuments_ = false;
  return hr;
}

HRESULT OrderFilter::ProcessFixedPage(IFixedPage* page) {
  if (!page) return E_POINTER;
  if (!consumer()) return E_PENDING;
  if (settings_.bookletMode == BookletMode::None) return consumer()->SendFixedPage(page);
  IXMLDOMDocument2* ticket = nullptr;
  HRESULT hr = PageTicket(page, &ticket);
  if (FAILED(hr)) return hr;
  hr = ObservePageTicket(ticket);
  if (FAILED(hr)) return hr;
  if (watch_.changed || SetIsComplete()) {
    hr = FlushPages();
    if (FAILED(hr)) return hr;
  }
  HoldPage(page, ticket);
  return S_OK;
}

HRESULT OrderFilter::FinishParts() { return FlushPages(); }

HRESULT OrderFilter::PageTicket(IFixedPage* page, IXMLDOMDocument2** ticket) {
  bool own = false;
  HRESULT hr = PageHasOwnTicket(page, &own);
  if (FAILED(hr)) return hr;
  // A page without a ticket of its own is under its document's ticket, which
  // the page level would only copy: reading that one spares a copy a page.
  if (!own) return ticket_manager().GetTicket(kPTDocumentScope, ticket);
  hr = ticket_manager().OnPage(page);
  if (FAILED(hr)) return hr;
  return ticket_manager().GetTicket(kPTPageScope, ticket);
}

HRESULT OrderFilter::ObservePageTicket(IXMLDOMDocument2* ticket) {
  // The ticket last read holds the same divide condition as before.
  if (ticket == observedTicket_.Get()) {
    watch_.changed = false;
    return S_OK;
  }
  const HRESULT hr = ObserveDivideCondition(watch_, ticket, kPTPageScope);
  observedTicket_ = SUCCEEDED(hr) ? ComPtr<IXMLDOMDocument2>(ticket) : nullptr;
  return hr;
}

bool OrderFilter::SetIsComplete() const {
  if (settings_.bookletMethod != BookletMethod::DivideIntoSets || pendingPages_.empty()) return false;
  // At least one sheet per set (ReadOrderSettings); 64 bits hold any count of pages.
  const std::uint64_t setPages = static_cast<std::uint64_t>(settings_.bookletSheets) * kPagesPerSheet;
  return pendingPages_.size() % setPages == 0;
}

void OrderFilter::HoldPage(IFixedPage* page, IXMLDOMDocument2* ticket) {
  if (pendingPages_.empty()) groupTicket_ = ComPtr<IXMLDOMDocument2>(ticket);
  pendingPages_.push_back(ComPtr<IFixedPage>(page));
}

HRESULT OrderFilter::FlushPages() {
  if (!consumer()) return E_PENDING;
  if (pendingPages_.empty()) return S_OK;
  std::size_t sent = pendingPages_.size();
  // Pages only pend under a booklet; should the settings have changed since,
  // they still leave, in arrival order.
  if (settings_.bookletMode != BookletMode::None) {
    // One page under manual duplex is one side of one sheet: the back, all
    // pads, is not printed.
    const bool oneSide = sent == 1 && settings_.duplexMode == DuplexMode::Manual;
    const HRESULT hr = AddPadPages();
    if (FAILED(hr)) return hr;
    sent = oneSide ? 2 : pendingPages_.size();
  }
  const HRESULT hr = SendGroup(sent);
  pendingPages_.clear();
  groupTicket_ = nullptr;
  return hr;
}

HRESULT OrderFilter::AddPadPages() {
  const std::size_t pads = (kPagesPerSheet - pendingPages_.size() % kPagesPerSheet) % kPagesPerSheet;
  if (pads == 0) return S_OK;
  std::string markup;
  HRESULT hr = ReadPadPageMarkup(pendingPages_.front().Get(), &markup);
  if (FAILED(hr)) return hr;
  std::vector<ComPtr<IFixedPage>> made;
  for (std::size_t i = 0; i < pads; ++i) {
    ComPtr<IFixedPage> pad;
    hr = CreatePadPage(consumer(), markup, padNames_, &pad);
    if (FAILED(hr)) return hr;
    ComPtr<IPartPrintTicket> ticket;
    hr = WriteTicketPart(consumer(), groupTicket_.Get(), kPadTicketTag, ticket.Put());
    if (FAILED(hr)) return hr;
    hr = pad->SetPrintTicket(ticket.Get());
    if (FAILED(hr)) return hr;
    made.push_back(std::move(pad));
  }
  pendingPages_.insert(pendingPages_.end(), made.begin(), made.end());
  return S_OK;
}

HRESULT OrderFilter::SendGroup(std::size_t count) {
  const std::vector<std::size_t> order = BookletOrder(pendingPages_.size(), settings_.bindingEdge);
  for (std::size_t position = 0; position < count; ++position) {
    const HRESULT hr = consumer()->SendFixedPage(pendingPages_[order[position]].Get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}
