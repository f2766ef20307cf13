#include "layout_state.h"

void BindingDuplexGroup::Reset() {
  binding = BindingSettings{};
  duplex = DuplexSettings{};
  gutter = Transform();
  gutterDirty = true;
  firstSheetMedia = MediaSizeSettings{};
  firstSheetDirty = true;
  sidesEmitted = 0;
  bookletParity = 0;
  sheetOrientation = Orientation::Portrait;
}

void NUpGroup::Reset() {
  nup = NUpSettings{};
  booklet = NUpSettings{};
  sheet = NUpSheet{};
  turn = PageTurn{};
  cellTransform = Transform();
  transformDirty = true;
  cellIndex = 0;
  needsSetup = true;
  jobNUpDocumentSent = false;
}

void PosterGroup::Reset() {
  poster = PosterSettings{};
  grid = PosterGrid{};
  tileIndex = 0;
  tile.reset();
}

void LayoutState::Reset() {
  currentTicket = nullptr;
  sheetTicket = nullptr;
  sequencePart = nullptr;
  documentPart = nullptr;
  pagePart = nullptr;
  pageSettingsSource = nullptr;
  lastSideTicket = nullptr;
  lastSideTicketSource = nullptr;
  plan.clear();
  traySeparationStarted = false;
  traySeparationCount = 0;
  firstPaper = false;
  separateTrayMode = false;
  firstBinRecorded = false;
  forcedBlank = false;
  bindingDuplex.Reset();
  nUp.Reset();
  poster.Reset();
}
