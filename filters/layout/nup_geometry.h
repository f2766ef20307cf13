// Where logical pages land on an N-up or booklet sheet: the sheet's grid, the
// one scale used for all its cells, the order of the cells, the quarter and
// half turns that bring a page into its cell, and the border lines between
// cells. The first page of a sheet run fixes the sheet; later pages of other
// sizes or orientations are only turned, centred and clipped.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "sheet_format.h"
#include "ticket/nup_settings.h"
#include "transform.h"

// The pages-per-sheet counts a sheet offers: 1, 2, 4, 6, 8, 9, 16 and 25.
// Another count places the largest offered count below it (at least 1).
LONG OfferedPagesPerSheet(LONG requested);

// Lines between the cells of a sheet, drawn when the sheet is closed.
struct BorderSet {
  REAL thickness = 0;
  REAL dash = 0;
  std::vector<std::array<REAL, 3>> horizontal;  // (x0, y, x1)
  std::vector<std::array<REAL, 3>> vertical;    // (x, y0, y1)
  BorderLine style = BorderLine::None;

  bool HasLines() const { return style != BorderLine::None && (!horizontal.empty() || !vertical.empty()); }
};

// What the sheet is set up for.
struct NUpRequest {
  LONG pagesPerSheet = 1;  // an offered count
  bool booklet = false;
  NUpDirection direction = NUpDirection::RightBottom;
  BorderLine borderLine = BorderLine::None;
};

// The printer's imageable area for a paper (its media record and
// orientation), or nullopt when the printer cannot say.
using ImageableAreaQuery = std::function<std::optional<ImageableArea>(const MediaSizeSettings&)>;

struct NUpSheet {
  SheetFormat format;
  bool turned = false;  // a 2-up, 6-up, 8-up or booklet sheet: turned a quarter from the page
  LONG columns = 1;
  LONG rows = 1;
  REAL sheetWidth = 0;  // the whole sheet
  REAL sheetHeight = 0;
  REAL originX = 0;  // the sheet's printable rectangle
  REAL originY = 0;
  REAL extentWidth = 0;
  REAL extentHeight = 0;
  REAL cellWidth = 0;
  REAL cellHeight = 0;
  REAL marginX = 0;  // a cell's scaled margin
  REAL marginY = 0;
  REAL scale = 1;
  std::vector<std::pair<LONG, LONG>> cells;  // cell index -> (column, row)
  BorderSet borders;
};

// The sheet for a run of pages starting with a page of this format. Throws
// HResultError(E_INVALIDARG) for a paper or printable area without extent.
NUpSheet SetUpSheet(const SheetFormat& page, const NUpRequest& request, const ImageableAreaQuery& query);

// How one logical page is turned onto the sheet.
struct PageTurn {
  bool rotate = false;
  bool rotatePlus90 = false;
  bool flip = false;
  REAL pageWidth = 0;
  REAL pageHeight = 0;
};

PageTurn TurnPage(const SheetFormat& page, const NUpSheet& sheet);

// The page turned, scaled by the sheet's scale and centred in the cell at
// cellIndex. landscapeRotation90 reverses every quarter turn.
Transform CellTransform(const NUpSheet& sheet, const PageTurn& turn, LONG cellIndex, bool landscapeRotation90);

// A page alone on a sheet (duplex without N-up): turned a quarter when its
// orientation kind differs from the sheet's, centred, never scaled.
Transform OneUpTransform(const NUpSheet& sheet, const SheetFormat& page, bool landscapeRotation90);
