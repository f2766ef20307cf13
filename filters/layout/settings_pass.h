// Gathers the layout settings of one part's ticket into the setting groups.
// At job and document scope it reads binding, duplex and N-up (a feature the
// job ticket supplied is not replaced by a document's), makes booklet and
// duplex agree, and hands on an "LO" ticket when it changed them or when the
// pages it composes must read as one page per sheet to the filters after it.
// At page scope it reads the page's paper, trays and poster and follows the
// divide condition and the tray separation.
//
// Requests the sheets cannot honour are brought to what they offer: a
// pages-per-sheet count to the largest offered count below it, a booklet to
// two pages a side at most, a poster to the largest offered tile count below
// it (none below 4), a negative gutter to none.
#pragma once

#include "layout_context.h"
#include "layout_state.h"

class SettingsPass final : public LayoutPass {
 public:
  SettingsPass(LayoutState& state, LayoutContext context, EPrintTicketScope scope);

  // S_OK without a current ticket (nothing happens).
  HRESULT Run();

  void VisitPoster(PosterGroup& group) override;
  void VisitNUp(NUpGroup& group) override;
  void VisitBindingDuplex(BindingDuplexGroup& group) override;

 private:
  bool SameAsLastPage();
  void ReadScopeSettings();
  void ReadPageFormat(const PrintTicketDom& ticket);
  void ChooseBins();
  void ReadAndAdjust();
  void ReadAndAdjustPage();
  void HandOnTicket();

  LayoutState& state_;
  LayoutContext context_;
  EPrintTicketScope scope_;
  bool prePass_ = false;
  bool samePageSettings_ = false;
  BindingSettings binding_;
  DuplexSettings duplex_;
  NUpSettings nup_;
  PosterSettings poster_;
};
