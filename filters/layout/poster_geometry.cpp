#include "poster_geometry.h"

#include <algorithm>

#include "platform/checked_int.h"

namespace {

constexpr LONG kPosterSides[] = {2, 3, 4, 5};

}  // namespace

LONG OfferedSheetsPerPage(LONG requested) {
  LONG offered = 0;
  for (const LONG side : kPosterSides)
    if (side * side <= requested) offered = side * side;
  return offered;
}

PosterGrid MakePosterGrid(LONG sheetsPerPage) {
  PosterGrid grid;
  for (const LONG side : kPosterSides)
    if (side * side == sheetsPerPage) grid.columns = grid.rows = side;
  for (LONG row = 0; row < grid.rows; ++row)
    for (LONG column = 0; column < grid.columns; ++column) grid.tiles.emplace_back(column, row);
  return grid;
}

PosterTile PosterTileAt(const PosterGrid& grid, const ImageableArea& page, LONG tileIndex) {
  const ClipRect printable = PrintableRect(page);
  const REAL ox = printable.x0, oy = printable.y0;
  const REAL ew = printable.x1 - printable.x0, eh = printable.y1 - printable.y0;
  const REAL scale = static_cast<REAL>(std::min(grid.columns, grid.rows));
  std::pair<LONG, LONG> tile{0, 0};
  if (tileIndex >= 0 && IntCast<std::size_t>(tileIndex) < grid.tiles.size())
    tile = grid.tiles[IntCast<std::size_t>(tileIndex)];
  PosterTile result;
  result.transform.Scale(scale, scale);
  result.transform.Translate(ox - scale * ox - tile.first * ew, oy - scale * oy - tile.second * eh);
  result.clip.x0 = ox + tile.first * ew / scale;
  result.clip.y0 = oy + tile.second * eh / scale;
  result.clip.x1 = result.clip.x0 + ew / scale;
  result.clip.y1 = result.clip.y0 + eh / scale;
  return result;
}
