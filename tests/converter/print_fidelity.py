"""Compares printed pages with mupdf's drawing of the same XPS pages.

Usage: print_fidelity.py CHAIN.xps PNG-PREFIX DPI MIN-PERCENT
CHAIN.xps is the XPS chain's output for a document, PNG-PREFIX-N.png the pages
pwg-to-png made of the print chain's output at DPI. Page count and page sizes
must agree; a pixel counts as matching when some pixel of mupdf's within one
pixel of it (anti-aliasing moves edges) is within the tolerance on every
channel. Prints one line per page; a page below MIN-PERCENT names the
features its markup uses that may be missing. Exit 1 on any shortfall.
Run with Debian's /usr/bin/python3 (python3-pil, python3-numpy).
"""
import os
import re
import sys
import zipfile

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "render"))
import xps_render  # noqa: E402

TOLERANCE = 40
FEATURES = ["Glyphs", "ImageBrush", "VisualBrush", "LinearGradientBrush", "RadialGradientBrush", "OpacityMask",
            "Opacity=", "Clip", "StrokeDashArray", "ContextColor", "ResourceDictionary Source", "AlternateContent"]


def matching_fraction(ours, theirs):
    a = np.asarray(ours, dtype=np.int16)
    b = np.asarray(theirs, dtype=np.int16)
    padded = np.pad(b, ((1, 1), (1, 1), (0, 0)), mode="edge")
    height, width = a.shape[:2]
    best = None
    for dy in (0, 1, 2):
        for dx in (0, 1, 2):
            diff = np.abs(a - padded[dy:dy + height, dx:dx + width]).max(axis=2)
            best = diff if best is None else np.minimum(best, diff)
    return float(np.mean(best <= TOLERANCE))


def page_markups(xps):
    """Markup of each fixed page, in document order (the parts the sequence names, as mupdf reads them)."""
    with zipfile.ZipFile(xps) as package:
        names = package.namelist()

        def read(name):
            name = name.lstrip("/")
            for candidate in names:
                if candidate.lower() == name.lower():
                    return package.read(candidate).decode("utf-8", "replace")
            return ""

        def resolve(base, ref):
            if ref.startswith("/"):
                return ref
            return os.path.normpath(os.path.join(os.path.dirname("/" + base.lstrip("/")), ref))

        pages = []
        rels = read("_rels/.rels")
        seq = re.search(r'Target="([^"]+\.fdseq)"', rels, re.I)
        seq_name = seq.group(1) if seq else "/FixedDocumentSequence.fdseq"
        for doc in re.findall(r'Source="([^"]+)"', read(seq_name)):
            doc_name = resolve(seq_name, doc)
            for page in re.findall(r'<PageContent[^>]*Source="([^"]+)"', read(doc_name)):
                pages.append(read(resolve(doc_name, page)))
        return pages


def main():
    chain, prefix, dpi, minimum = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
    expected = xps_render.page_count(chain)
    ours = []
    while os.path.exists(f"{prefix}-{len(ours) + 1}.png"):
        ours.append(f"{prefix}-{len(ours) + 1}.png")
    print(f"pages: printed {len(ours)}, mupdf {expected}")
    if len(ours) != expected:
        return 1
    markups = page_markups(chain)
    failed = False
    for number, path in enumerate(ours, start=1):
        printed = Image.open(path).convert("RGB")
        reference = xps_render.render_mutool(chain, number, dpi)
        if printed.size != reference.size and printed.size == reference.size[::-1]:
            printed = printed.rotate(90, expand=True)  # landscape pages are printed turned
        if printed.size != reference.size:
            print(f"page {number}: size {printed.size} differs from mupdf's {reference.size}")
            failed = True
            continue
        percent = 100 * matching_fraction(printed, reference)
        line = f"page {number}: {printed.size[0]}x{printed.size[1]}, {percent:.2f}% of pixels match"
        if percent < minimum:
            markup = markups[number - 1] if number - 1 < len(markups) else ""
            used = [f.rstrip("=") for f in FEATURES if f in markup]
            line += f" (below {minimum}%; the page uses {', '.join(used) or 'paths only'})"
            failed = True
        print(line)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
