"""Renders XPS pages with two independent renderers and compares pixels.

Tests use it to check what a filter wrote against what the geometry says the page
should show: render the input pages, compose the expected sheet with PIL, render the
output, and compare by RMSE. Run with Debian's /usr/bin/python3 (python3-pil, python3-numpy).
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image


def render_mutool(xps, page, dpi):
    """Page `page` (1-based) of `xps` as an RGB image at `dpi`, drawn by mutool."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "page.png")
        subprocess.run(["mutool", "draw", "-q", "-r", str(dpi), "-o", out, xps, str(page)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return Image.open(out).convert("RGB")


def render_xpstopng(xps, page, dpi):
    """The same page drawn by libgxps; None when xpstopng refuses the document."""
    with tempfile.TemporaryDirectory() as tmp:
        stem = os.path.join(tmp, "page")
        done = subprocess.run(["xpstopng", "-f", str(page), "-l", str(page), "-r", str(dpi), xps, stem],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        names = sorted(n for n in os.listdir(tmp) if n.endswith(".png"))
        if done.returncode != 0 or not names:
            return None
        return Image.open(os.path.join(tmp, names[0])).convert("RGB")


def page_count(xps):
    """Number of pages mutool finds in the document (each drawn at 1 dpi and counted)."""
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["mutool", "draw", "-q", "-r", "1", "-o", os.path.join(tmp, "p%d.png"), xps],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return len([n for n in os.listdir(tmp) if n.endswith(".png")])


def rmse(a, b):
    """Root mean square difference of two images in 0..255, after bringing b to a's size."""
    if a.size != b.size:
        b = b.resize(a.size, Image.BILINEAR)
    x = np.asarray(a, dtype=np.float64)
    y = np.asarray(b, dtype=np.float64)
    return float(np.sqrt(np.mean((x - y) ** 2)))


if __name__ == "__main__":
    # xps_render.py FILE PAGE DPI OUT.png: a quick look at one page.
    render_mutool(sys.argv[1], int(sys.argv[2]), int(sys.argv[3])).save(sys.argv[4])
