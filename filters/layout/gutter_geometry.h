// The binding gutter: a whole output side shifted away from the binding
// edge, and the two pages of a booklet spread moved apart from the fold.
#pragma once

#include "sheet_format.h"
#include "ticket/binding_settings.h"
#include "ticket/duplex_settings.h"
#include "transform.h"

// Where a side lies in the job.
struct SidePosition {
  Orientation firstSheetOrientation = Orientation::Portrait;  // of the job's first output sheet
  Orientation sheetOrientation = Orientation::Portrait;       // of the sheet being written
  LONG sidesEmitted = 0;                                      // sides before this one
};

// The shift of a side for the edges BindLeft, BindRight, BindTop and
// BindBottom: turned with the sheet, and on the back of a duplex sheet
// mirrored across the axis the sheet is turned over. The identity unless both
// the option and the gutter controls are on, for a booklet edge and for a
// gutter that is not positive.
Transform GutterShift(const BindingSettings& binding, const DuplexSettings& duplex, const SidePosition& side);

// The shift of one page of a booklet spread: the first page of the spread
// (parity 0) one gutter towards the start, the second one away, along the
// spread. The identity unless the edge is a booklet edge and both controls are on.
Transform BookletShift(const BindingSettings& binding, LONG parity, Orientation firstSheetOrientation);
