#include "plan_pass.h"

#include "gutter_geometry.h"
#include "ticket/hresult_error.h"
#include "ticket/imageable_area.h"

namespace {

SheetEntry Blank(bool posterTile = false) {
  SheetEntry entry;
  entry.blank = true;
  entry.posterTile = posterTile;
  return entry;
}

SheetEntry Flush() {
  SheetEntry entry;
  entry.flush = true;
  return entry;
}

SheetEntry Tile() {
  SheetEntry entry;
  entry.posterTile = true;
  return entry;
}

}  // namespace

HRESULT PlanPass::Run() {
  return CallReturningHresult([&] {
    currentSheet_ = previousSheet_ = state_.pageFormat;
    divideChanged_ = state_.watch.changed;
    for (SettingGroup* group : state_.groups)
      if (group->IsActive()) group->Accept(*this);
    BuildPlan();
    state_.sheetFormat = currentSheet_;
    state_.previousSheetFormat = previousSheet_;
    return S_OK;
  });
}

void PlanPass::VisitBindingDuplex(BindingDuplexGroup& group) {
  duplexOn_ = group.duplex.duplexType != DuplexType::OneSided;
  evenSides_ = group.sidesEmitted % 2 == 0;
  if (divideChanged_ && IsBookletEdge(group.binding.bindingEdge)) {
    group.gutterDirty = true;
    group.bookletParity = 0;
  }
}

void PlanPass::VisitNUp(NUpGroup& group) {
  pagesPerSheet_ = group.nup.pagesPerSheet;
  position_ = group.cellIndex;
  previousSheet_ = group.sheet.format;
  if (divideChanged_) {
    pendingFlush_ = position_ != 0;
    group.needsSetup = true;
    group.transformDirty = true;
    group.cellIndex = position_ = 0;
  }
  if (position_ == 0) {
    if (group.needsSetup) SetUpSheet(group);
    group.transformDirty = true;
  }
  group.turn = TurnPage(state_.pageFormat, group.sheet);
  currentSheet_ = group.sheet.format;
}

void PlanPass::SetUpSheet(NUpGroup& group) {
  IXMLDOMDocument2* ticket = state_.currentTicket.Get();
  const ImageableAreaQuery query = [&](const MediaSizeSettings& media) -> std::optional<ImageableArea> {
    if (!ticket) return std::nullopt;
    try {
      PrintTicketDom dom(u"PrintTicket", context_.privateNamespace, ticket);
      if (WriteMediaSize(dom, media) != S_OK) return std::nullopt;
      ComPtr<IXMLDOMDocument2> capabilities;
      if (FAILED(context_.tickets.GetCapabilities(ticket, capabilities.Put()))) return std::nullopt;
      const PrintTicketDom printer(u"PrintCapabilities", context_.privateNamespace, capabilities.Get());
      ImageableArea area;
      if (FAILED(ReadImageableArea(printer, area))) return std::nullopt;
      return area;
    } catch (const HResultError&) {
      return std::nullopt;
    }
  };
  const bool booklet = group.booklet.scope != Scope::None;
  const NUpRequest request{group.nup.pagesPerSheet, booklet, group.nup.presentationDirection, group.nup.borderLine};
  group.sheet = ::SetUpSheet(state_.pageFormat, request, query);
  if (ticket) {
    // The ticket keeps the sheet's paper.
    PrintTicketDom dom(u"PrintTicket", context_.privateNamespace, ticket);
    ThrowIfFailed(WriteMediaSize(dom, group.sheet.format.media));
  }
  group.needsSetup = false;
}

void PlanPass::VisitPoster(PosterGroup& group) {
  group.tile.reset();
  posterSheets_ = group.poster.sheetsPerPage;
}

void PlanPass::BuildPlan() {
  std::vector<SheetEntry> plan;
  if (divideChanged_) {
    if (pendingFlush_) {
      plan.push_back(Flush());
      if (duplexOn_ && evenSides_) plan.push_back(Blank());
    } else if (duplexOn_ && !evenSides_) {
      plan.push_back(Blank());
    }
  }
  if (posterSheets_ < 1) {
    plan.emplace_back();
  } else {
    if (!divideChanged_) {
      if (position_ < 1) {
        if (duplexOn_ && !evenSides_) plan.push_back(Blank());
      } else {
        plan.push_back(Flush());
        if (duplexOn_ && evenSides_) plan.push_back(Blank());
      }
    }
    for (LONG tile = 0; tile < posterSheets_; ++tile) {
      plan.push_back(Tile());
      plan.push_back(Blank(true));
    }
  }
  LONG position = position_;
  for (SheetEntry& entry : plan) {
    if (entry.blank || entry.flush) continue;
    if (pagesPerSheet_ < 1) {
      entry.startsSheet = entry.posterTile;
      continue;
    }
    entry.startsSheet = position == 0 || entry.posterTile;
    if (++position == pagesPerSheet_)
      position = 0;
    else
      entry.endsSheet = false;
  }
  state_.plan = std::move(plan);
}

HRESULT TransformPass::Run() {
  return CallReturningHresult([&] {
    ClipRect base = PrintableRect(state_.pageFormat.area);
    for (SheetEntry& entry : state_.plan) {
      borders_ = BorderSet{};
      nUp_ = booklet_ = poster_ = Transform();
      clip_ = base;
      if (entry.blank || entry.flush) continue;
      entry_ = &entry;
      for (SettingGroup* group : state_.groups)
        if (group->IsActive()) group->Accept(*this);
      Transform composed;
      for (const Transform* part : {&poster_, &nUp_, &booklet_})
        if (!part->IsIdentity()) composed.Append(*part);
      entry.transform = composed;
      if (entry.startsSheet && borders_.HasLines()) entry.borders = borders_;
      entry.clip = clip_;
    }
    entry_ = nullptr;
    return S_OK;
  });
}

void TransformPass::VisitBindingDuplex(BindingDuplexGroup& group) {
  if (entry_->posterTile) return;
  if (group.firstSheetDirty) {
    group.firstSheetMedia = state_.sheetFormat.media;
    group.firstSheetDirty = false;
  }
  group.sheetOrientation = state_.sheetFormat.media.orientation;
  if (!IsBookletEdge(group.binding.bindingEdge)) return;
  if (group.gutterDirty)
    group.gutter = BookletShift(group.binding, group.bookletParity, group.firstSheetMedia.orientation);
  booklet_ = group.gutter;
  group.gutterDirty = true;
  group.bookletParity ^= 1;
}

void TransformPass::VisitNUp(NUpGroup& group) {
  if (entry_->posterTile) {
    group.needsSetup = true;
    group.transformDirty = true;
    group.cellIndex = 0;
    return;
  }
  const LONG pages = group.nup.pagesPerSheet;
  if (pages == 1) {
    nUp_ = OneUpTransform(group.sheet, state_.pageFormat, group.landscapeRotation90);
  } else {
    if (group.transformDirty)
      group.cellTransform = CellTransform(group.sheet, group.turn, group.cellIndex, group.landscapeRotation90);
    nUp_ = group.cellTransform;
    if (group.cellIndex == 0 && group.sheet.borders.style != BorderLine::None) borders_ = group.sheet.borders;
  }
  group.transformDirty = true;
  if (++group.cellIndex >= pages) group.cellIndex = 0;
}

void TransformPass::VisitPoster(PosterGroup& group) {
  if (!group.tile) group.tile = PosterTileAt(group.grid, state_.pageFormat.area, group.tileIndex);
  poster_ = group.tile->transform;
  clip_ = group.tile->clip;
  if (++group.tileIndex >= group.poster.sheetsPerPage) group.tileIndex = 0;
  group.tile.reset();
}
