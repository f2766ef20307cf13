#include "nup_geometry.h"

#include <algorithm>

#include "platform/checked_int.h"
#include "ticket/hresult_error.h"

namespace {

// Columns and rows of a sheet that keeps the page's orientation; a turned
// sheet has them for a portrait page and exchanges them for a landscape one.
struct Grid {
  LONG pages;
  LONG columns;
  LONG rows;
  bool turnsSheet;
};

constexpr Grid kGrids[] = {{1, 1, 1, false}, {2, 2, 1, true},  {4, 2, 2, false},  {6, 3, 2, true},
                           {8, 4, 2, true},  {9, 3, 3, false}, {16, 4, 4, false}, {25, 5, 5, false}};
constexpr Grid kBookletGrid = {2, 2, 1, true};

// Border lines: 80 microns thick, dashes of 1690 microns.
constexpr REAL kBorderThickness = 0.302366f;
constexpr REAL kBorderDash = 6.387482f;

const Grid& GridFor(const NUpRequest& request) {
  if (request.booklet) return kBookletGrid;
  for (const Grid& grid : kGrids)
    if (grid.pages == request.pagesPerSheet) return grid;
  return kGrids[0];
}

struct Size {
  REAL width;
  REAL height;
};

MediaSizeSettings WithOrientation(const MediaSizeSettings& media, Orientation orientation) {
  MediaSizeSettings turned = media;
  turned.orientation = orientation;
  return turned;
}

bool HasExtent(const ImageableArea& area) {
  return area.imageableWidth > 0 && area.imageableHeight > 0 && area.extentWidth > 0 && area.extentHeight > 0;
}

// The printable extent the printer reports for the paper, or the whole paper.
Size PrintableExtent(const ImageableAreaQuery& query, const MediaSizeSettings& paper, Size whole) {
  const std::optional<ImageableArea> area = query ? query(paper) : std::nullopt;
  if (!area || !HasExtent(*area)) return whole;
  return {ToXpsUnits(area->extentWidth), ToXpsUnits(area->extentHeight)};
}

ImageableArea Exchanged(const ImageableArea& area) {
  return {area.imageableHeight, area.imageableWidth, area.originHeight,
          area.originWidth,     area.extentHeight,   area.extentWidth};
}

LONG CellKey(NUpDirection direction, LONG columns, LONG rows, LONG column, LONG row) {
  switch (direction) {
    case NUpDirection::BottomRight: return rows * column + row;
    case NUpDirection::LeftBottom: return (row + 1) * columns - column - 1;
    case NUpDirection::BottomLeft: return (columns - column - 1) * rows + row;
    default: return columns * row + column;
  }
}

void MapCells(NUpSheet& sheet, NUpDirection direction) {
  sheet.cells.assign(IntCast<std::size_t>(sheet.columns * sheet.rows), {0, 0});
  for (LONG row = 0; row < sheet.rows; ++row)
    for (LONG column = 0; column < sheet.columns; ++column)
      sheet.cells[IntCast<std::size_t>(CellKey(direction, sheet.columns, sheet.rows, column, row))] = {column, row};
}

void DrawBorders(NUpSheet& sheet, BorderLine borderLine) {
  sheet.borders = BorderSet{};
  if (borderLine == BorderLine::None) return;
  for (LONG i = 1; i < sheet.rows; ++i)
    sheet.borders.horizontal.push_back(
        {sheet.originX, sheet.originY - sheet.marginY + i * sheet.cellHeight, sheet.originX + sheet.extentWidth});
  for (LONG j = 1; j < sheet.columns; ++j)
    sheet.borders.vertical.push_back(
        {sheet.originX - sheet.marginX + j * sheet.cellWidth, sheet.originY, sheet.originY + sheet.extentHeight});
  sheet.borders.thickness = kBorderThickness;
  sheet.borders.dash = kBorderDash;
  sheet.borders.style = borderLine;
}

// The page's own size: its imageable area, or its paper when the printer gave none.
Size PageSize(const SheetFormat& page) {
  if (page.area.imageableWidth > 0 && page.area.imageableHeight > 0)
    return {ToXpsUnits(page.area.imageableWidth), ToXpsUnits(page.area.imageableHeight)};
  const REAL w = ToXpsUnits(page.media.width), h = ToXpsUnits(page.media.height);
  return IsPortraitKind(page.media.orientation) ? Size{w, h} : Size{h, w};
}

// Appends the translation that moves the image of (x, y) to (toX, toY).
void MovePoint(Transform& transform, REAL x, REAL y, REAL toX, REAL toY) {
  const GpPointF at = transform.Apply({x, y});
  transform.Translate(toX - at.X, toY - at.Y);
}

}  // namespace

LONG OfferedPagesPerSheet(LONG requested) {
  LONG offered = 1;
  for (const Grid& grid : kGrids)
    if (grid.pages <= requested) offered = grid.pages;
  return offered;
}

NUpSheet SetUpSheet(const SheetFormat& page, const NUpRequest& request, const ImageableAreaQuery& query) {
  const MediaSizeSettings& media = page.media;
  const REAL paperWidth = ToXpsUnits(media.width), paperHeight = ToXpsUnits(media.height);
  if (!(paperWidth > 0 && paperHeight > 0)) throw HResultError(E_INVALIDARG);
  // The printable extents of the paper upright and turned a quarter bound the scale.
  const Size upright = PrintableExtent(query, WithOrientation(media, Orientation::Portrait), {paperWidth, paperHeight});
  const Size across = PrintableExtent(query, WithOrientation(media, Orientation::Landscape), {paperHeight, paperWidth});

  const Grid& grid = GridFor(request);
  NUpSheet sheet;
  sheet.format = page;
  sheet.turned = grid.turnsSheet;
  sheet.columns = grid.columns;
  sheet.rows = grid.rows;
  if (sheet.turned) {
    const Orientation o = media.orientation;
    const bool portrait = IsPortraitKind(o);
    sheet.format.media.orientation =
        portrait ? (o == Orientation::Portrait ? Orientation::Landscape : Orientation::ReverseLandscape)
                 : (o == Orientation::Landscape ? Orientation::Portrait : Orientation::ReversePortrait);
    if (!portrait) std::swap(sheet.columns, sheet.rows);
    const std::optional<ImageableArea> area = query ? query(sheet.format.media) : std::nullopt;
    sheet.format.area = area && HasExtent(*area) ? *area : Exchanged(page.area);
  }

  const ImageableArea& j = sheet.format.area;
  if (!HasExtent(j)) throw HResultError(E_INVALIDARG);
  const REAL sW = ToXpsUnits(j.imageableWidth), sH = ToXpsUnits(j.imageableHeight);
  const REAL eW = ToXpsUnits(j.extentWidth), eH = ToXpsUnits(j.extentHeight);
  sheet.sheetWidth = sW;
  sheet.sheetHeight = sH;
  sheet.originX = ToXpsUnits(j.originWidth);
  sheet.originY = ToXpsUnits(j.originHeight);
  sheet.extentWidth = eW;
  sheet.extentHeight = eH;

  // Each cell is the whole sheet scaled down: the cells' printable parts fill
  // the sheet's printable rectangle and their scaled margins are the gaps.
  const REAL dw = (sheet.columns - 1) * sW + eW, dh = (sheet.rows - 1) * sH + eH;
  sheet.cellWidth = eW * sW / dw;
  sheet.cellHeight = eH * sH / dh;
  sheet.marginX = (sW - eW) * eW / (2 * dw);
  sheet.marginY = (sH - eH) * eH / (2 * dh);
  const REAL contentWidth = eW * eW / dw, contentHeight = eH * eH / dh;

  // The printable extent of a page upright and turned both fit the cell's content.
  const bool cellPortrait = sheet.turned != IsPortraitKind(sheet.format.media.orientation);
  const Size same = cellPortrait ? upright : across, other = cellPortrait ? across : upright;
  sheet.scale = std::min({contentWidth / same.width, contentHeight / same.height, contentWidth / other.height,
                          contentHeight / other.width});

  MapCells(sheet, request.booklet ? NUpDirection::RightBottom : request.direction);
  DrawBorders(sheet, request.booklet ? BorderLine::None : request.borderLine);
  return sheet;
}

PageTurn TurnPage(const SheetFormat& page, const NUpSheet& sheet) {
  const Orientation o = page.media.orientation, t = sheet.format.media.orientation;
  PageTurn turn;
  turn.rotatePlus90 = IsPortraitKind(o);
  const bool sameKind = IsPortraitKind(o) == IsPortraitKind(t);
  turn.rotate = sheet.turned ? sameKind : !sameKind;
  turn.flip = IsReverseKind(o) != IsReverseKind(t);
  const Size size = PageSize(page);
  turn.pageWidth = size.width;
  turn.pageHeight = size.height;
  return turn;
}

Transform CellTransform(const NUpSheet& sheet, const PageTurn& turn, LONG cellIndex, bool landscapeRotation90) {
  REAL angle = 0;
  if (turn.rotate) {
    angle = turn.rotatePlus90 ? 90.0f : -90.0f;
    if (turn.flip) angle = -angle;
    if (landscapeRotation90) angle = -angle;
  } else if (turn.flip) {
    angle = 180.0f;
  }
  Transform transform;
  if (angle != 0) transform.Rotate(angle);
  transform.Scale(sheet.scale, sheet.scale);
  std::pair<LONG, LONG> cell{0, 0};
  if (cellIndex >= 0 && IntCast<std::size_t>(cellIndex) < sheet.cells.size())
    cell = sheet.cells[IntCast<std::size_t>(cellIndex)];
  const REAL centreX = sheet.originX - sheet.marginX + cell.first * sheet.cellWidth + sheet.cellWidth / 2;
  const REAL centreY = sheet.originY - sheet.marginY + cell.second * sheet.cellHeight + sheet.cellHeight / 2;
  MovePoint(transform, turn.pageWidth / 2, turn.pageHeight / 2, centreX, centreY);
  return transform;
}

Transform OneUpTransform(const NUpSheet& sheet, const SheetFormat& page, bool landscapeRotation90) {
  const bool pagePortrait = IsPortraitKind(page.media.orientation);
  Transform transform;
  if (pagePortrait != IsPortraitKind(sheet.format.media.orientation)) {
    REAL angle = pagePortrait ? 90.0f : -90.0f;
    if (landscapeRotation90) angle = -angle;
    transform.Rotate(angle);
  }
  const Size size = PageSize(page);
  MovePoint(transform, size.width / 2, size.height / 2, sheet.sheetWidth / 2, sheet.sheetHeight / 2);
  return transform;
}
