// Planning one logical page: which output items it produces (PlanPass) and
// where its content lands in each (TransformPass).
//
// A page fills the N-up or booklet sheet in progress; a change of the divide
// condition closes an unfilled sheet and, under duplex, starts the new set on
// a front side; a poster page closes the unfilled sheet, starts on a front
// side and gives each tile a sheet of its own (the tile's back is planned as
// a blank side).
#pragma once

#include "layout_context.h"
#include "layout_state.h"

class PlanPass final : public LayoutPass {
 public:
  PlanPass(LayoutState& state, LayoutContext context) : state_(state), context_(context) {}

  // Fills the state's plan, sheet format and previous sheet format.
  HRESULT Run();

  void VisitPoster(PosterGroup& group) override;
  void VisitNUp(NUpGroup& group) override;
  void VisitBindingDuplex(BindingDuplexGroup& group) override;

 private:
  void SetUpSheet(NUpGroup& group);
  void BuildPlan();

  LayoutState& state_;
  LayoutContext context_;
  bool pendingFlush_ = false;
  LONG pagesPerSheet_ = 0;
  LONG position_ = 0;
  bool duplexOn_ = false;
  bool evenSides_ = true;
  LONG posterSheets_ = 0;
  bool divideChanged_ = false;
  SheetFormat currentSheet_;
  SheetFormat previousSheet_;
};

class TransformPass final : public LayoutPass {
 public:
  explicit TransformPass(LayoutState& state) : state_(state) {}

  // Sets the transform, clip and borders of every entry of the plan.
  HRESULT Run();

  void VisitPoster(PosterGroup& group) override;
  void VisitNUp(NUpGroup& group) override;
  void VisitBindingDuplex(BindingDuplexGroup& group) override;

 private:
  LayoutState& state_;
  const SheetEntry* entry_ = nullptr;
  Transform nUp_;
  Transform booklet_;
  Transform poster_;
  ClipRect clip_;
  BorderSet borders_;
};
