// The layout filter: places several logical pages on one sheet side (N-up,
// booklet spreads), splits a page over several sheets (poster), shifts sides
// by a binding gutter, adds blank sides so that duplex sets and separated
// trays start on a front side, and hands every side on with a ticket that
// describes the sheet.
//
// Each part's ticket feeds the settings pass (settings_pass.h); each logical
// page is then planned into output items (plan_pass.h) and written
// (emit_pass.h). Pages are never reordered: booklet order comes from the
// order filter before this one.
#pragma once

#include "framework/xps_filter_base.h"
#include "layout_context.h"
#include "layout_state.h"

class LayoutFilter final : public XpsFilterBase {
 public:
  // Throws HResultError(E_OUTOFMEMORY).
  LayoutFilter();

 protected:
  HRESULT ProcessFixedPage(IFixedPage* page) override;
  HRESULT ProcessFixedDocument(IFixedDocument* document) override;
  HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) override;
  HRESULT FinishParts() override;
  HRESULT ConnectPipeline() override;

 private:
  LayoutContext Context();
  HRESULT RunSettingsPass(EPrintTicketScope scope);

  LayoutState state_;
};
