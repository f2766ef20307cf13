"""Colours of points of a rendered XPS page, for the watermark tests.

watermark_pixels.py XPS PAGE X,Y [X,Y ...]: renders page PAGE (1-based) with
mutool at 48 dpi and prints "R G B" for each point, given in XPS units (1/96
inch), one line each. Run with Debian's /usr/bin/python3.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "render"))
import xps_render  # noqa: E402

DPI = 48

if __name__ == "__main__":
    image = xps_render.render_mutool(sys.argv[1], int(sys.argv[2]), DPI)
    for point in sys.argv[3:]:
        x, y = (float(v) * DPI / 96 for v in point.split(","))
        x = min(max(int(x), 0), image.width - 1)
        y = min(max(int(y), 0), image.height - 1)
        print(*image.getpixel((x, y)))
