#include "preparation_filter.h"

#include <cstdio>

#include "framework/page_rewrite.h"
#include "framework/ticket_part_writer.h"
#include "page_rewriter.h"

namespace {

std::u16string_view View(BSTR text) { return {text ? text : u"", SysStringLen(text)}; }

}  // namespace

template <typename Part>
std::unique_ptr<ScopeSettings> PreparationFilter::ExamineScope(Part* part, EPrintTicketScope scope, LPCWSTR tag,
                                                               bool always) {
  IXMLDOMDocument2* merged = nullptr;
  ComPtr<IXMLDOMDocument2> copy;
  if (FAILED(ticket_manager().GetTicket(scope, &merged)) || FAILED(PrintTicketManager::CopyDocument(merged, &copy)))
    return nullptr;
  auto settings = std::make_unique<ScopeSettings>(ticket_manager(), View(private_namespace()), property_bag());
  // A document's decorations serve its pages without a ticket of their own.
  if (scope == kPTDocumentScope) ReadDecorations(*settings, copy.Get());
  bool changed = false;
  if (FAILED(settings->ReadScopeSettings(copy.Get(), &changed))) return nullptr;
  // Only the scaling request is neutralised in a job's or document's ticket.
  if (settings->ScalesPages() && changed && (always || ticket_manager().HasPartTicket(scope)) && consumer()) {
    ComPtr<IPartPrintTicket> ticket;
    if (SUCCEEDED(WriteTicketPart(consumer(), copy.Get(), tag, ticket.Put()))) part->SetPrintTicket(ticket.Get());
  }
  return settings;
}

HRESULT PreparationFilter::ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) {
  if (!sequence) return E_POINTER;
  HRESULT hr = ticket_manager().OnDocumentSequence(sequence);
  if (FAILED(hr)) return hr;
  ExamineScope(sequence, kPTJobScope, u"SC_JOB", true);
  if (!consumer()) return E_PENDING;
  return consumer()->SendFixedDocumentSequence(sequence);
}

HRESULT PreparationFilter::ProcessFixedDocument(IFixedDocument* document) {
  if (!document) return E_POINTER;
  documentScope_.reset();
  HRESULT hr = ticket_manager().OnDocument(document);
  if (FAILED(hr)) return hr;
  documentScope_ = ExamineScope(document, kPTDocumentScope, u"SC_DOC", false);
  if (!consumer()) return E_PENDING;
  return consumer()->SendFixedDocument(document);
}

HRESULT PreparationFilter::ProcessFixedPage(IFixedPage* page) {
  if (!page) return E_POINTER;
  if (!consumer()) return E_PENDING;
  bool hasTicket = false;
  HRESULT hr = PageHasOwnTicket(page, &hasTicket);
  if (FAILED(hr)) return hr;
  if (hasTicket || !documentScope_ || documentScope_->WatermarkVariesByPage()) {
    hr = PreparePageUnderItsTicket(page);
  } else if (documentScope_->IsActive()) {
    hr = PreparePage(page, *documentScope_);
  }
  if (FAILED(hr)) return hr;
  return consumer()->SendFixedPage(page);
}

HRESULT PreparationFilter::PreparePageUnderItsTicket(IFixedPage* page) {
  HRESULT hr = ticket_manager().OnPage(page);
  if (FAILED(hr)) return hr;
  IXMLDOMDocument2* ticket = nullptr;
  hr = ticket_manager().GetTicket(kPTPageScope, &ticket);
  if (FAILED(hr)) return hr;
  ScopeSettings scope(ticket_manager(), View(private_namespace()), property_bag());
  ReadDecorations(scope, ticket);
  bool changed = false;
  hr = scope.ReadScopeSettings(ticket, &changed);
  if (hr == kTicketItemNotFound) return S_FALSE;
  if (FAILED(hr) || !scope.IsActive()) return hr;
  hr = PreparePage(page, scope);
  if (FAILED(hr) || !changed || !ticket_manager().HasPartTicket(kPTPageScope)) return hr;
  ComPtr<IPartPrintTicket> part;
  hr = WriteTicketPart(consumer(), ticket, u"SC", part.Put());
  if (FAILED(hr)) return hr;
  return page->SetPrintTicket(part.Get());
}

void PreparationFilter::ReadDecorations(ScopeSettings& scope, IXMLDOMDocument2* ticket) {
  scope.ShareHeaderFooterLine(&headerFooterLine_);
  // The page number of a document's scope is that of the page before its first.
  const HRESULT hr = scope.ReadDecorations(ticket, pages_seen());
  // Once per job: a ticket that asks for what cannot be drawn usually asks it on every page.
  if (FAILED(hr) && !warned_) {
    warned_ = true;
    std::fprintf(stderr, "xprepflt: a page decoration is left off: %s\n", HresultName(hr).c_str());
  }
}

HRESULT PreparationFilter::PreparePage(IFixedPage* page, ScopeSettings& scope) {
  const HRESULT hr = scope.PrepareDecorationResources(consumer(), page, &resource_cache());
  if (FAILED(hr)) return hr;
  return RewritePageMarkup(page, [&scope](IPrintWriteStream* output) {
    return ComPtr<MarkupHandlerBase>::Attach(new PageRewriter(output, scope));
  });
}
