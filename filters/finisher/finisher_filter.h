// The finisher filter: mirrors and turns page content, feeds sheets transverse
// and draws cut-out lines round poster tiles, as the merged ticket asks
// (finisher_settings.h). Under transverse feeding it hands on tickets whose
// media is exchanged ("FI_JOB", "FI_DOC", "FI" parts), so that the filters
// after it see the sheet as it is fed. Every other part, and every page under
// a ticket that asks for nothing, passes through unchanged.
//
// The job's ticket is examined whether or not the sequence carries one: a
// request from the user's default ticket alone must reach the later filters,
// which read the same default. A page without a ticket of its own is finished
// under its document's settings, read once per document, and needs no ticket
// part: its document's or the job's carries the exchanged media.
#pragma once

#include <memory>

#include "finisher_settings.h"
#include "framework/xps_filter_base.h"

class FinisherFilter final : public XpsFilterBase {
 protected:
  HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) override;
  HRESULT ProcessFixedDocument(IFixedDocument* document) override;
  HRESULT ProcessFixedPage(IFixedPage* page) override;

 private:
  // The settings of a copy of the scope's merged ticket; the copy, changed,
  // goes to the part as a ticket with that tag when the part carried one of
  // its own or always is set. Failures leave the part's ticket as it was and
  // give NULL.
  template <typename Part>
  std::unique_ptr<FinisherSettings> ExamineScope(Part* part, EPrintTicketScope scope, LPCWSTR tag, bool always);
  // Reads the settings of the page's merged ticket and finishes the page by
  // them; a page whose ticket changed under a ticket of its own gets an "FI"
  // ticket.
  HRESULT FinishPageUnderItsTicket(IFixedPage* page);
  // Rewrites the page under the settings.
  HRESULT FinishPage(IFixedPage* page, const FinisherSettings& settings);

  // The document's settings, for its pages without a ticket of their own;
  // NULL when they could not be read.
  std::unique_ptr<FinisherSettings> documentSettings_;
};
