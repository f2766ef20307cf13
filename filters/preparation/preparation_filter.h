// The preparation filter: scales pages to the paper and draws the decorations
// the ticket asks for, then hands on tickets that ask for no further scaling
// ("SC_JOB", "SC_DOC", "SC" parts), so that the filters after it see pages
// already scaled. Every other part, and every page under a ticket that asks
// for nothing, passes through unchanged.
//
// The job's ticket is examined whether or not the sequence carries one: a
// request that comes only from the user's default ticket is neutralised in
// an "SC_JOB" ticket given to the sequence, since the later filters read the
// same default. A page without a ticket of its own is prepared under its
// document's settings, read once per document, and needs no ticket part: its
// document's or the job's carries the neutral request.
#pragma once

#include <memory>

#include "framework/xps_filter_base.h"
#include "scope_settings.h"

class PreparationFilter final : public XpsFilterBase {
 protected:
  HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) override;
  HRESULT ProcessFixedDocument(IFixedDocument* document) override;
  HRESULT ProcessFixedPage(IFixedPage* page) override;

 private:
  // The settings of a copy of the scope's merged ticket; the copy, rewritten,
  // goes to the part as a ticket with that tag when the part carried one of
  // its own or always is set. Failures leave the part's ticket as it was.
  template <typename Part>
  std::unique_ptr<ScopeSettings> ExamineScope(Part* part, EPrintTicketScope scope, LPCWSTR tag, bool always);
  // Rewrites the page under the scope's settings.
  HRESULT PreparePage(IFixedPage* page, ScopeSettings& scope);
  // Reads the settings of the page's merged ticket and prepares the page by
  // them; a page rewritten under a ticket of its own gets an "SC" ticket.
  HRESULT PreparePageUnderItsTicket(IFixedPage* page);

  // Decorations that cannot be made leave the page without them; the first
  // such failure of the job is reported.
  void ReadDecorations(ScopeSettings& scope, IXMLDOMDocument2* ticket);

  // The document's settings, for its pages without a ticket of their own;
  // NULL when they could not be read.
  std::unique_ptr<ScopeSettings> documentScope_;
  bool warned_ = false;
  // The last header/footer line made, for the pages that ask for the same.
  std::shared_ptr<HeaderFooterLine> headerFooterLine_;
};
