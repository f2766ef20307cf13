"""Checks composed sheets against the input pages as the sheet geometry places them.

    sheet_check.py nup IN OUT PAGES_PER_SHEET DIRECTION
    sheet_check.py booklet IN OUT GUTTER_MICRONS        (IN already in booklet order, pads blank)
    sheet_check.py poster IN OUT SHEETS_PER_PAGE
    sheet_check.py accept IN OUT                          (only: both renderers draw every page of OUT)

IN holds portrait Letter pages; the printer's printable area leaves 16 units all round.
Each output sheet is rendered by mutool and by xpstopng; the expected sheet is composed
with PIL from the same renderer's renderings of the input pages, placed by the geometry worked out
here on its own. Prints one line per sheet and renderer with the RMSE; exits 1 when a
renderer refuses a sheet or a sheet differs by more than the limit, 2 when a tool is missing.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "render"))
import xps_render  # noqa: E402
from PIL import Image, ImageFilter  # noqa: E402

DPI = 24
LIMIT = 14.0
PAGE = (816.0, 1056.0)
MARGIN = 16.0
GRIDS = {2: (2, 1, True), 4: (2, 2, False), 6: (3, 2, True), 8: (4, 2, True), 9: (3, 3, False),
         16: (4, 4, False), 25: (5, 5, False)}


def px(units):
    return units * DPI / 96.0


def cell_order(cols, rows, direction):
    """(column, row) of each cell index."""
    cells = {}
    for r in range(rows):
        for c in range(cols):
            k = {0: cols * r + c, 1: rows * c + r, 2: (r + 1) * cols - c - 1, 3: (cols - c - 1) * rows + r}[direction]
            cells[k] = (c, r)
    return [cells[k] for k in range(cols * rows)]


def nup_layout(pages_per_sheet, direction, booklet=False):
    """Sheet size, scale and the centre of each cell, for portrait pages."""
    cols, rows, turned = (2, 1, True) if booklet else GRIDS[pages_per_sheet]
    sw, sh = (PAGE[1], PAGE[0]) if turned else PAGE
    ew, eh = sw - 2 * MARGIN, sh - 2 * MARGIN
    dw, dh = (cols - 1) * sw + ew, (rows - 1) * sh + eh
    cw, ch = ew * sw / dw, eh * sh / dh
    mx, my = (sw - ew) * ew / (2 * dw), (sh - eh) * eh / (2 * dh)
    cew, ceh = ew * ew / dw, eh * eh / dh
    upright = (PAGE[0] - 2 * MARGIN, PAGE[1] - 2 * MARGIN)
    across = (upright[1], upright[0])
    cell_portrait = turned != (sh > sw)
    same, other = (upright, across) if cell_portrait else (across, upright)
    s = min(cew / same[0], ceh / same[1], cew / other[1], ceh / other[0])
    centres = [(MARGIN - mx + c * cw + cw / 2, MARGIN - my + r * ch + ch / 2)
               for c, r in cell_order(cols, rows, 0 if booklet else direction)]
    return (sw, sh), s, centres


def printable_part(image):
    """The page's printable rectangle, as rendered."""
    return image.crop((round(px(MARGIN)), round(px(MARGIN)), round(px(PAGE[0] - MARGIN)),
                       round(px(PAGE[1] - MARGIN))))


def place(sheet, page, scale, centre):
    """The printable part of page, scaled and centred on centre (units)."""
    part = printable_part(page)
    size = (max(1, round(part.width * scale)), max(1, round(part.height * scale)))
    left = centre[0] - scale * (PAGE[0] / 2 - MARGIN)
    top = centre[1] - scale * (PAGE[1] / 2 - MARGIN)
    sheet.paste(part.resize(size, Image.LANCZOS), (round(px(left)), round(px(top))))


def blank(size):
    return Image.new("RGB", (round(px(size[0])), round(px(size[1]))), "white")


def expected_nup(pages, pages_per_sheet, direction):
    size, s, centres = nup_layout(pages_per_sheet, direction)
    sheets = []
    for first in range(0, len(pages), pages_per_sheet):
        sheet = blank(size)
        for k, page in enumerate(pages[first:first + pages_per_sheet]):
            place(sheet, page, s, centres[k])
        sheets.append(sheet)
    return sheets


def expected_booklet(pages, gutter_microns):
    size, s, centres = nup_layout(2, 0, booklet=True)
    g = gutter_microns / 264.58
    sheets = []
    for first in range(0, len(pages), 2):
        sheet = blank(size)
        for k, page in enumerate(pages[first:first + 2]):
            # A booklet side holds one page a cell at the scale of the cell (no 2-up shrink
            # beyond it); the two pages move apart from the fold by the gutter.
            place(sheet, page, s, (centres[k][0] + (g if k else -g), centres[k][1]))
        sheets.append(sheet)
    return sheets


def expected_poster(pages, sheets_per_page):
    side = int(round(sheets_per_page ** 0.5))
    ew, eh = PAGE[0] - 2 * MARGIN, PAGE[1] - 2 * MARGIN
    sheets = []
    for page in pages:
        part = printable_part(page)
        for row in range(side):
            for col in range(side):
                box = (round(col * part.width / side), round(row * part.height / side),
                       round((col + 1) * part.width / side), round((row + 1) * part.height / side))
                tile = part.crop(box).resize((round(px(ew)), round(px(eh))), Image.LANCZOS)
                sheet = blank(PAGE)
                sheet.paste(tile, (round(px(MARGIN)), round(px(MARGIN))))
                sheets.append(sheet)
    return sheets


def soften(image):
    return image.filter(ImageFilter.GaussianBlur(1.5))


def main(argv):
    for tool in ("mutool", "xpstopng"):
        if not shutil.which(tool):
            print(f"{tool} is not installed")
            return 2
    mode, source, output = argv[1], argv[2], argv[3]
    count = xps_render.page_count(output)
    if mode == "accept":
        for n in range(1, count + 1):
            if xps_render.render_xpstopng(output, n, DPI) is None:
                print(f"page {n}: xpstopng refuses it")
                return 1
        return 0
    worst = 0.0
    for name, render in (("mutool", xps_render.render_mutool), ("xpstopng", xps_render.render_xpstopng)):
        pages = [render(source, n, DPI) for n in range(1, xps_render.page_count(source) + 1)]
        if mode == "nup":
            expected = expected_nup(pages, int(argv[4]), int(argv[5]))
        elif mode == "booklet":
            expected = expected_booklet(pages, int(argv[4]))
        else:
            expected = expected_poster(pages, int(argv[4]))
        if count != len(expected):
            print(f"{count} sheets, expected {len(expected)}")
            return 1
        for n, want in enumerate(expected, start=1):
            got = render(output, n, DPI)
            if got is None:
                print(f"sheet {n}: {name} refuses it")
                return 1
            if abs(got.width - want.width) > 1 or abs(got.height - want.height) > 1:
                print(f"sheet {n}: {name} gives {got.size}, expected {want.size}")
                return 1
            # Softened, so that a pixel's rounding between two resamplings does not count.
            error = xps_render.rmse(soften(want), soften(got.resize(want.size, Image.BILINEAR)))
            worst = max(worst, error)
            print(f"sheet {n} {name}: rmse {error:.2f}")
    return 0 if worst <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
