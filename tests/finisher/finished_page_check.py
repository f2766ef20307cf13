"""Pixel checks of finished pages, for the finisher filter's end-to-end test.

  finished_page_check.py turned IN OUT PAGE OP
      renders page PAGE of IN and of OUT and prints the RMSE of OUT against IN
      turned or mirrored by OP (identity, mirror-width, mirror-height,
      half-turn, turn, turn-mirror-width, turn-mirror-height, turn-both), for
      mutool and for xpstopng (each against its own drawing of IN), and of OUT
      against IN as it came.
  finished_page_check.py marks IN OUT PAGE X Y W H
      IN is a page before the finisher, OUT the same page with cut-out lines
      round the area X,Y,W,H (page units): prints the RMSE of OUT against IN
      with everything outside the area white, the darkest value found outside
      the area in OUT, and how many of the twelve marks OUT shows.

Exit status 77 when a renderer or Python module is missing (the test skips).
"""
import os
import shutil
import sys

try:
    from PIL import Image, ImageChops, ImageFilter
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "render"))
    import xps_render
except ImportError as missing:
    print("skip: %s" % missing)
    sys.exit(77)

OPS = {
    "identity": None,
    "mirror-width": Image.FLIP_LEFT_RIGHT,
    "mirror-height": Image.FLIP_TOP_BOTTOM,
    "half-turn": Image.ROTATE_180,
    "turn": Image.ROTATE_270,  # a quarter clockwise
    "turn-mirror-width": Image.TRANSVERSE,
    "turn-mirror-height": Image.TRANSPOSE,
    "turn-both": Image.ROTATE_90,
}


def distance(a, b):
    """RMSE after a blur of one pixel, which forgives each renderer's own edge
    placement but not a wrong turn."""
    soften = ImageFilter.GaussianBlur(1)
    return xps_render.rmse(a.filter(soften), b.filter(soften))


def both(xps, page, dpi):
    other = xps_render.render_xpstopng(xps, page, dpi)
    if other is None:
        raise SystemExit("xpstopng refused %s" % xps)
    return xps_render.render_mutool(xps, page, dpi), other


def turned(args):
    source_xps, out_xps, page, op = args[0], args[1], int(args[2]), args[3]
    dpi = 24
    sources = both(source_xps, page, dpi)
    outs = both(out_xps, page, dpi)
    results = []
    for source, out in zip(sources, outs):
        want = source if OPS[op] is None else source.transpose(OPS[op])
        results.append(distance(want, out))
    print("mutool=%.2f xpstopng=%.2f unturned=%.2f" % (results[0], results[1], distance(sources[0], outs[0])))
    return 0


def marks(args):
    source_xps, out_xps, page = args[0], args[1], int(args[2])
    x, y, w, h = (float(v) for v in args[3:7])
    dpi = 300
    scale = dpi / 96.0
    source = xps_render.render_mutool(source_xps, page, dpi).convert("L")
    out = xps_render.render_mutool(out_xps, page, dpi).convert("L")
    if xps_render.render_xpstopng(out_xps, page, 24) is None:
        print("xpstopng refused the output")
        return 1
    box = tuple(int(round(v * scale)) for v in (x, y, x + w, y + h))
    want = Image.new("L", source.size, 255)
    want.paste(source.crop(box), box[:2])
    # Outside the area, a pixel's width away from its edge.
    outside = out.copy()
    outside.paste(255, (box[0] - 2, box[1] - 2, box[2] + 2, box[3] + 2))
    darkest_outside = min(outside.getdata())
    # The marks, as the filter places them: 0.64 inside the area, a fifteenth of the inner side long.
    left, top = x + 0.64, y + 0.64
    iw, ih = w - 1.28, h - 1.28
    right, bottom = left + iw, top + ih
    dx, dy = iw / 15, ih / 15
    mx, my = iw * 0.5 + left - dx * 0.5, ih * 0.5 + top - dy * 0.5
    segments = [("v", left, top, dy), ("h", left, top, dx), ("v", right, top, dy), ("h", right, top, -dx),
                ("v", left, bottom, -dy), ("h", left, bottom, dx), ("v", right, bottom, -dy),
                ("h", right, bottom, -dx), ("v", left, my, dy), ("v", right, my, dy), ("h", mx, top, dx),
                ("h", mx, bottom, dx)]
    difference = ImageChops.subtract(want, out)  # where OUT is darker than IN
    shown = 0
    for kind, sx, sy, length in segments:
        # Sample the middle of the segment, a few pixels across it.
        cx, cy = (sx + length / 2, sy) if kind == "h" else (sx, sy + length / 2)
        px, py = int(cx * scale), int(cy * scale)
        region = difference.crop((px - 3, py - 3, px + 4, py + 4))
        if max(region.getdata()) > 60:
            shown += 1
    print("clipped=%.2f darkest_outside=%d marks=%d" % (distance(want.convert("RGB"), out.convert("RGB")),
                                                       darkest_outside, shown))
    return 0


if __name__ == "__main__":
    if not shutil.which("mutool") or not shutil.which("xpstopng"):
        print("skip: mutool or xpstopng missing")
        sys.exit(77)
    sys.exit(turned(sys.argv[2:]) if sys.argv[1] == "turned" else marks(sys.argv[2:]))
