// A poster: one logical page enlarged over a square grid of sheets, each
// sheet (a tile) of the page's own size showing its part of the page.
#pragma once

#include <utility>
#include <vector>

#include "sheet_format.h"
#include "transform.h"

// The tile counts a poster offers: 4, 9, 16 and 25. Another count above 4
// makes the largest offered poster below it; below 4 there is no poster (0).
LONG OfferedSheetsPerPage(LONG requested);

struct PosterGrid {
  LONG columns = 1;
  LONG rows = 1;
  std::vector<std::pair<LONG, LONG>> tiles;  // tile index -> (column, row), row by row
};

// The grid of an offered count.
PosterGrid MakePosterGrid(LONG sheetsPerPage);

struct PosterTile {
  Transform transform;  // page to tile: enlarged about the printable origin, shifted to the tile
  ClipRect clip;        // the part of the page the tile shows, in page units
};

PosterTile PosterTileAt(const PosterGrid& grid, const ImageableArea& page, LONG tileIndex);
