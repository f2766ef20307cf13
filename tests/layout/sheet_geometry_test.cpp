// Where logical pages land on output sheets: grids, cells, turns, posters and
// gutters, checked against positions worked out by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "filters/layout/gutter_geometry.h"
#include "filters/layout/nup_geometry.h"
#include "filters/layout/poster_geometry.h"
#include "platform/checked_int.h"
#include "ticket/hresult_error.h"

namespace {

constexpr REAL kTolerance = 0.02f;

// The orientation of index i of the orientation table (0 Landscape, 1 Portrait, 2 and 3 reversed).
Orientation O(LONG i) { return FromIndex<Orientation>(i).value(); }

LONG Microns(REAL units) { return static_cast<LONG>(units * 264.58f + 0.5f); }

// Letter with a printable margin of 12 units all round, in the given orientation.
ImageableArea LetterArea(Orientation orientation) {
  const bool portrait = IsPortraitKind(orientation);
  const REAL w = portrait ? 816 : 1056, h = portrait ? 1056 : 816;
  return {Microns(w), Microns(h), Microns(12), Microns(12), Microns(w - 24), Microns(h - 24)};
}

SheetFormat Letter(Orientation orientation) {
  SheetFormat format;
  format.media.orientation = orientation;
  format.area = LetterArea(orientation);
  return format;
}

// The printer answers with Letter's margins for every orientation.
std::optional<ImageableArea> LetterQuery(const MediaSizeSettings& media) { return LetterArea(media.orientation); }

NUpSheet Sheet(LONG pages, LONG pageOrientation = 1, LONG direction = 0, LONG border = 0, bool booklet = false) {
  const NUpRequest request{pages, booklet, FromIndex<NUpDirection>(direction).value(),
                           FromIndex<BorderLine>(border).value()};
  return SetUpSheet(Letter(O(pageOrientation)), request, LetterQuery);
}

void ExpectPoint(GpPointF actual, REAL x, REAL y) {
  EXPECT_NEAR(actual.X, x, kTolerance);
  EXPECT_NEAR(actual.Y, y, kTolerance);
}

TEST(SheetGeometry, CellMetricsSplitThePrintableRectangle) {
  const NUpSheet sheet = Sheet(4);
  EXPECT_EQ(sheet.format.media.orientation, Orientation::Portrait);
  EXPECT_EQ(sheet.columns, 2);
  EXPECT_EQ(sheet.rows, 2);
  // Dw = 816 + 792 = 1608.
  EXPECT_NEAR(sheet.cellWidth, 792.0f * 816 / 1608, kTolerance);
  EXPECT_NEAR(sheet.marginX, 24.0f * 792 / (2 * 1608), kTolerance);
  // The printable extent fits the cell's content upright and turned.
  const REAL contentWidth = 792.0f * 792 / 1608, contentHeight = 1032.0f * 1032 / (1056 + 1032);
  EXPECT_NEAR(sheet.scale,
              std::min({contentWidth / 792, contentHeight / 1032, contentWidth / 792, contentHeight / 1032}), 1e-5);
}

TEST(SheetGeometry, GridsTurnTheSheetForTwoSixAndEightPagesAndForBooklets) {
  struct Case {
    LONG pages;
    LONG pageOrientation;
    bool booklet;
    LONG sheetOrientation;
    LONG columns;
    LONG rows;
  };
  const Case cases[] = {
      {1, 1, false, 1, 1, 1},  {2, 1, false, 0, 2, 1},  {2, 0, false, 1, 1, 2}, {2, 3, false, 2, 2, 1},
      {2, 2, false, 3, 1, 2},  {4, 1, false, 1, 2, 2},  {4, 0, false, 0, 2, 2}, {6, 1, false, 0, 3, 2},
      {6, 0, false, 1, 2, 3},  {8, 1, false, 0, 4, 2},  {8, 0, false, 1, 2, 4}, {9, 1, false, 1, 3, 3},
      {16, 1, false, 1, 4, 4}, {25, 1, false, 1, 5, 5}, {1, 1, true, 0, 2, 1},  {2, 0, true, 1, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pages << " pages, page orientation " << c.pageOrientation
                                    << (c.booklet ? ", booklet" : ""));
    const NUpSheet sheet = Sheet(c.pages, c.pageOrientation, 0, 0, c.booklet);
    EXPECT_EQ(Index(sheet.format.media.orientation), c.sheetOrientation);
    EXPECT_EQ(sheet.columns, c.columns);
    EXPECT_EQ(sheet.rows, c.rows);
    EXPECT_EQ(sheet.format.area.imageableWidth, LetterArea(O(c.sheetOrientation)).imageableWidth);
  }
}

TEST(SheetGeometry, OtherCountsPlaceTheLargestOfferedCountBelowThem) {
  const std::pair<LONG, LONG> cases[] = {{-5, 1}, {0, 1}, {1, 1},  {3, 2},   {5, 4},
                                         {7, 6},  {8, 8}, {10, 9}, {24, 16}, {1000000, 25}};
  for (const auto& [requested, offered] : cases) EXPECT_EQ(OfferedPagesPerSheet(requested), offered) << requested;
}

TEST(SheetGeometry, CellMapsFollowThePresentationDirection) {
  using Cells = std::vector<std::pair<LONG, LONG>>;
  struct Case {
    LONG pages;
    LONG direction;
    Cells cells;
  };
  const Case cases[] = {
      {4, 0, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
      {4, 1, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
      {4, 2, {{1, 0}, {0, 0}, {1, 1}, {0, 1}}},
      {4, 3, {{1, 0}, {1, 1}, {0, 0}, {0, 1}}},
      {6, 1, {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}}},
      {6, 2, {{2, 0}, {1, 0}, {0, 0}, {2, 1}, {1, 1}, {0, 1}}},
      {6, 3, {{2, 0}, {2, 1}, {1, 0}, {1, 1}, {0, 0}, {0, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pages << " pages, direction " << c.direction);
    EXPECT_EQ(Sheet(c.pages, 1, c.direction).cells, c.cells);
  }
}

// Every page's printable rectangle lands inside its own cell, and the cells
// of one sheet do not overlap.
TEST(SheetGeometry, EveryPageLandsInsideItsOwnCell) {
  for (const LONG pages : {2, 4, 6, 8, 9, 16, 25}) {
    for (const LONG orientation : {0, 1, 2, 3}) {
      SCOPED_TRACE(testing::Message() << pages << " pages, page orientation " << orientation);
      const NUpSheet sheet = Sheet(pages, orientation, 3);
      const PageTurn turn = TurnPage(Letter(O(orientation)), sheet);
      const ClipRect printable = PrintableRect(Letter(O(orientation)).area);
      std::vector<ClipRect> placed;
      for (LONG cell = 0; cell < pages; ++cell) {
        const Transform t = CellTransform(sheet, turn, cell, false);
        const GpPointF a = t.Apply({printable.x0, printable.y0}), b = t.Apply({printable.x1, printable.y1});
        const ClipRect box{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
        const auto [column, row] = sheet.cells[IntCast<std::size_t>(cell)];
        const REAL left = sheet.originX - sheet.marginX + column * sheet.cellWidth;
        const REAL top = sheet.originY - sheet.marginY + row * sheet.cellHeight;
        EXPECT_GE(box.x0, left - kTolerance);
        EXPECT_GE(box.y0, top - kTolerance);
        EXPECT_LE(box.x1, left + sheet.cellWidth + kTolerance);
        EXPECT_LE(box.y1, top + sheet.cellHeight + kTolerance);
        for (const ClipRect& other : placed)
          EXPECT_TRUE(box.x1 <= other.x0 + kTolerance || other.x1 <= box.x0 + kTolerance ||
                      box.y1 <= other.y0 + kTolerance || other.y1 <= box.y0 + kTolerance);
        placed.push_back(box);
      }
    }
  }
}

TEST(SheetGeometry, PagesTurnAQuarterOrAHalfIntoTheirCells) {
  struct Case {
    const char* label;
    LONG pages;
    LONG firstOrientation;
    LONG pageOrientation;
    bool landscapeRotation90;
    REAL m11, m12;  // cos and sin of the turn
  };
  const Case cases[] = {
      {"portrait page on a 2-up sheet", 2, 1, 1, false, 1, 0},
      {"landscape page on a 2-up sheet", 2, 1, 0, false, 0, -1},
      {"landscape page on a 2-up sheet, rotation 90", 2, 1, 0, true, 0, 1},
      {"landscape page on a 4-up portrait sheet", 4, 1, 0, false, 0, -1},
      {"reverse portrait page on a 4-up portrait sheet", 4, 1, 3, false, -1, 0},
      {"portrait page on a 4-up landscape sheet", 4, 0, 1, false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const NUpSheet sheet = Sheet(c.pages, c.firstOrientation);
    const Transform t = CellTransform(sheet, TurnPage(Letter(O(c.pageOrientation)), sheet), 0, c.landscapeRotation90);
    const auto e = t.Elements();
    EXPECT_NEAR(e[0], c.m11 * sheet.scale, 1e-5);
    EXPECT_NEAR(e[1], c.m12 * sheet.scale, 1e-5);
  }
}

TEST(SheetGeometry, OneUpPagesAreTurnedOntoTheSheetAndCentred) {
  const NUpSheet upright = Sheet(1);
  EXPECT_TRUE(OneUpTransform(upright, Letter(O(1)), false).IsIdentity());
  const Transform turned = OneUpTransform(upright, Letter(O(0)), false);
  ExpectPoint(turned.Apply({528, 408}), 408, 528);  // the page centre on the sheet centre
  ExpectPoint(turned.Apply({0, 0}), 0, 1056);       // a quarter turn, -90
  // A booklet sheet without N-up: each portrait page on its own turned sheet.
  const NUpSheet booklet = Sheet(1, 1, 0, 0, true);
  const Transform onBooklet = OneUpTransform(booklet, Letter(O(1)), false);
  ExpectPoint(onBooklet.Apply({408, 528}), 528, 408);
  ExpectPoint(onBooklet.Apply({0, 0}), 1056, 0);
}

TEST(SheetGeometry, BordersRunBetweenCellsExceptOnBooklets) {
  const NUpSheet solid = Sheet(9, 1, 0, 1);
  EXPECT_EQ(solid.borders.style, BorderLine::SolidLine);
  ASSERT_EQ(solid.borders.horizontal.size(), 2u);
  ASSERT_EQ(solid.borders.vertical.size(), 2u);
  EXPECT_NEAR(solid.borders.horizontal[0][0], 12, kTolerance);
  EXPECT_NEAR(solid.borders.horizontal[0][2], 804, kTolerance);
  EXPECT_NEAR(solid.borders.vertical[1][0], 12 - solid.marginX + 2 * solid.cellWidth, kTolerance);
  EXPECT_NEAR(solid.borders.thickness, 0.302366f, 1e-6);
  EXPECT_EQ(Sheet(9, 1, 0, 2).borders.style, BorderLine::BreakLine);
  EXPECT_FALSE(Sheet(9, 1, 0, 0).borders.HasLines());
  EXPECT_FALSE(Sheet(2, 1, 0, 1, true).borders.HasLines());
}

TEST(SheetGeometry, APaperWithoutExtentIsRefused) {
  SheetFormat page = Letter(O(1));
  page.media.width = 0;
  EXPECT_THROW(SetUpSheet(page, {4, false, NUpDirection::RightBottom, BorderLine::None}, LetterQuery), HResultError);
  page = Letter(O(1));
  page.area = {};
  EXPECT_THROW(SetUpSheet(page, {4, false, NUpDirection::RightBottom, BorderLine::None}, {}), HResultError);
}

TEST(PosterGeometry, TilesEnlargeTheirPartOfThePageOntoThePrintableArea) {
  const ImageableArea area = LetterArea(O(1));
  const PosterGrid grid = MakePosterGrid(9);
  ASSERT_EQ(grid.tiles.size(), 9u);
  const PosterTile centre = PosterTileAt(grid, area, 4);
  EXPECT_NEAR(centre.clip.x0, 12 + 792.0f / 3, kTolerance);
  EXPECT_NEAR(centre.clip.x1, 12 + 2 * 792.0f / 3, kTolerance);
  EXPECT_NEAR(centre.clip.y0, 12 + 1032.0f / 3, kTolerance);
  ExpectPoint(centre.transform.Apply({centre.clip.x0, centre.clip.y0}), 12, 12);
  ExpectPoint(centre.transform.Apply({centre.clip.x1, centre.clip.y1}), 804, 1044);
  const PosterTile last = PosterTileAt(MakePosterGrid(4), area, 3);
  ExpectPoint(last.transform.Apply({last.clip.x0, last.clip.y0}), 12, 12);
  EXPECT_NEAR(last.clip.x1, 804, kTolerance);
}

TEST(PosterGeometry, OtherCountsMakeTheLargestOfferedPosterBelowThem) {
  const std::pair<LONG, LONG> cases[] = {{0, 0}, {1, 0}, {3, 0}, {4, 4}, {8, 4}, {9, 9}, {24, 16}, {1000000, 25}};
  for (const auto& [requested, offered] : cases) EXPECT_EQ(OfferedSheetsPerPage(requested), offered) << requested;
}

BindingSettings Binding(BindingEdge edge, LONG gutter = 10000, LONG gutterControl = 1, LONG optionControl = 1) {
  BindingSettings binding;
  binding.scope = Scope::Job;
  binding.bindingEdge = edge;
  binding.gutter = gutter;
  binding.gutterControl = FromIndex<OffOn>(gutterControl).value();
  binding.optionControl = FromIndex<OffOn>(optionControl).value();
  return binding;
}

TEST(GutterGeometry, SidesShiftAwayFromTheBindingEdge) {
  struct Case {
    const char* label;
    BindingSettings binding;
    DuplexType duplexType;
    SidePosition side;
    REAL dx, dy;
  };
  const REAL g = 10000 / 264.58f;
  const Case cases[] = {
      {"left, simplex", Binding(BindingEdge::BindLeft), DuplexType::OneSided, {O(1), O(1), 1}, g, 0},
      {"right", Binding(BindingEdge::BindRight), DuplexType::OneSided, {O(1), O(1), 0}, -g, 0},
      {"top", Binding(BindingEdge::BindTop), DuplexType::OneSided, {O(1), O(1), 0}, 0, g},
      {"bottom", Binding(BindingEdge::BindBottom), DuplexType::OneSided, {O(1), O(1), 0}, 0, -g},
      {"left, landscape sheet after a portrait one",
       Binding(BindingEdge::BindLeft),
       DuplexType::OneSided,
       {O(1), O(0), 0},
       0,
       g},
      {"left, long edge, back of an upright sheet",
       Binding(BindingEdge::BindLeft),
       DuplexType::LongEdge,
       {O(1), O(1), 1},
       -g,
       0},
      {"left, short edge, back of an upright sheet",
       Binding(BindingEdge::BindLeft),
       DuplexType::ShortEdge,
       {O(1), O(1), 1},
       g,
       0},
      {"left, short edge, back of a lying sheet",
       Binding(BindingEdge::BindLeft),
       DuplexType::ShortEdge,
       {O(0), O(0), 1},
       -g,
       0},
      {"top, short edge, back of an upright sheet",
       Binding(BindingEdge::BindTop),
       DuplexType::ShortEdge,
       {O(1), O(1), 3},
       0,
       -g},
      {"top, long edge, back of an upright sheet",
       Binding(BindingEdge::BindTop),
       DuplexType::LongEdge,
       {O(1), O(1), 3},
       0,
       g},
      {"gutter control off", Binding(BindingEdge::BindLeft, 10000, 0), DuplexType::OneSided, {O(1), O(1), 0}, 0, 0},
      {"option control off", Binding(BindingEdge::BindLeft, 10000, 1, 0), DuplexType::OneSided, {O(1), O(1), 0}, 0, 0},
      {"negative gutter", Binding(BindingEdge::BindLeft, -10000), DuplexType::OneSided, {O(1), O(1), 0}, 0, 0},
      {"booklet edge", Binding(BindingEdge::Booklet), DuplexType::OneSided, {O(1), O(1), 0}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DuplexSettings duplex;
    duplex.duplexType = c.duplexType;
    const auto e = GutterShift(c.binding, duplex, c.side).Elements();
    EXPECT_NEAR(e[4], c.dx, 1e-3);
    EXPECT_NEAR(e[5], c.dy, 1e-3);
    EXPECT_EQ(e[0], 1);
    EXPECT_EQ(e[3], 1);
  }
}

TEST(GutterGeometry, BookletSpreadsMoveApartFromTheFold) {
  const REAL g = 10000 / 264.58f;
  EXPECT_NEAR(BookletShift(Binding(BindingEdge::Booklet), 0, O(0)).Elements()[4], -g, 1e-3);
  EXPECT_NEAR(BookletShift(Binding(BindingEdge::BookletReverseFlip), 1, O(0)).Elements()[4], g, 1e-3);
  EXPECT_NEAR(BookletShift(Binding(BindingEdge::Booklet), 1, O(1)).Elements()[5], g, 1e-3);
  EXPECT_TRUE(BookletShift(Binding(BindingEdge::Booklet, 10000, 0), 0, O(0)).IsIdentity());
  EXPECT_TRUE(BookletShift(Binding(BindingEdge::BindLeft), 0, O(0)).IsIdentity());
}

}  // namespace
