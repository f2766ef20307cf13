#include "finisher_filter.h"

#include "finisher_page_rewriter.h"
#include "framework/page_rewrite.h"
#include "framework/ticket_part_writer.h"

namespace {

std::u16string_view View(BSTR text) { return {text ? text : u"", SysStringLen(text)}; }

}  // namespace

template <typename Part>
std::unique_ptr<FinisherSettings> FinisherFilter::ExamineScope(Part* part, EPrintTicketScope scope, LPCWSTR tag,
                                                               bool always) {
  IXMLDOMDocument2* merged = nullptr;
  ComPtr<IXMLDOMDocument2> copy;
  if (FAILED(ticket_manager().GetTicket(scope, &merged)) || FAILED(PrintTicketManager::CopyDocument(merged, &copy)))
    return nullptr;
  auto settings = std::make_unique<FinisherSettings>(ticket_manager(), View(private_namespace()));
  bool changed = false;
  if (FAILED(settings->ReadFinisherSettings(copy.Get(), &changed))) return nullptr;
  if (changed && (always || ticket_manager().HasPartTicket(scope)) && consumer()) {
    ComPtr<IPartPrintTicket> ticket;
    if (SUCCEEDED(WriteTicketPart(consumer(), copy.Get(), tag, ticket.Put()))) part->SetPrintTicket(ticket.Get());
  }
  return settings;
}

HRESULT FinisherFilter::ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) {
  if (!sequence) return E_POINTER;
  const HRESULT hr = ticket_manager().OnDocumentSequence(sequence);
  if (FAILED(hr)) return hr;
  ExamineScope(sequence, kPTJobScope, u"FI_JOB", true);
  if (!consumer()) return E_PENDING;
  return consumer()->SendFixedDocumentSequence(sequence);
}

HRESULT FinisherFilter::ProcessFixedDocument(IFixedDocument* document) {
  if (!document) return E_POINTER;
  documentSettings_.reset();
  const HRESULT hr = ticket_manager().OnDocument(document);
  if (FAILED(hr)) return hr;
  documentSettings_ = ExamineScope(document, kPTDocumentScope, u"FI_DOC", false);
  if (!consumer()) return E_PENDING;
  return consumer()->SendFixedDocument(document);
}

HRESULT FinisherFilter::ProcessFixedPage(IFixedPage* page) {
  if (!page) return E_POINTER;
  if (!consumer()) return E_PENDING;
  bool hasTicket = false;
  HRESULT hr = PageHasOwnTicket(page, &hasTicket);
  if (FAILED(hr)) return hr;
  if (hasTicket || !documentSettings_) {
    hr = FinishPageUnderItsTicket(page);
  } else if (documentSettings_->RewritesPage()) {
    hr = FinishPage(page, *documentSettings_);
  }
  if (FAILED(hr)) return hr;
  return consumer()->SendFixedPage(page);
}

HRESULT FinisherFilter::FinishPageUnderItsTicket(IFixedPage* page) {
  HRESULT hr = ticket_manager().OnPage(page);
  IXMLDOMDocument2* ticket = nullptr;
  if (SUCCEEDED(hr)) hr = ticket_manager().GetTicket(kPTPageScope, &ticket);
  if (hr == kTicketItemNotFound) return S_FALSE;
  if (FAILED(hr)) return hr;
  FinisherSettings settings(ticket_manager(), View(private_namespace()));
  bool changed = false;
  hr = settings.ReadFinisherSettings(ticket, &changed);
  if (FAILED(hr)) return hr;
  if (settings.RewritesPage()) {
    hr = FinishPage(page, settings);
    if (FAILED(hr)) return hr;
  }
  if (!changed || !ticket_manager().HasPartTicket(kPTPageScope)) return hr;
  ComPtr<IPartPrintTicket> part;
  hr = WriteTicketPart(consumer(), ticket, u"FI", part.Put());
  if (FAILED(hr)) return hr;
  return page->SetPrintTicket(part.Get());
}

HRESULT FinisherFilter::FinishPage(IFixedPage* page, const FinisherSettings& settings) {
  return RewritePageMarkup(page, [&settings](IPrintWriteStream* output) {
    return ComPtr<MarkupHandlerBase>::Attach(new FinisherPageRewriter(output, settings));
  });
}
