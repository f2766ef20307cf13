"""Checks the header/footer lines of an XPS job as a reader sees them.

Usage: header_footer_check.py OUT.xps TEXT PER_PAGE CORNER FONT
Every page must carry exactly PER_PAGE text lines equal to TEXT (a number
for every page, or one per page separated by commas) (mutool's
structured text), drawn dark (mutool's pixels there), accepted by xpstopng;
with CORNER (top-left ... bottom-right, or "any") the line lies at that corner
of the reference printer's printable area on Letter. The job holds exactly one
font part, which, de-obfuscated with the GUID of its name, is FONT byte for
byte and a font fontTools reads. Prints what fails; exit code 1 on failure.
Run with Debian's /usr/bin/python3.
"""
import io
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

from fontTools.ttLib import TTFont
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "render"))
import xps_render  # noqa: E402

# The printable area of Letter on the reference printer, in points (4.233 mm margins).
LEFT, TOP, RIGHT, BOTTOM = 12.0, 12.0, 600.0, 780.0
TOLERANCE = 1.5


def lines_of(xps, page):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "page.stext")
        subprocess.run(["mutool", "draw", "-q", "-F", "stext", "-o", out, xps, str(page)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        root = ET.parse(out).getroot()
    for line in root.iter("line"):
        text = "".join(c.get("c", "") for c in line.iter("char"))
        yield text, [float(v) for v in line.get("bbox").split()]


def at_corner(box, corner):
    x0, y0, x1, y1 = box
    if not (LEFT - TOLERANCE <= x0 and x1 <= RIGHT + TOLERANCE and TOP - TOLERANCE <= y0 and y1 <= BOTTOM + TOLERANCE):
        return False
    vertical, horizontal = corner.split("-")
    near = {"top": abs(y0 - TOP) < 6, "bottom": abs(y1 - BOTTOM) < 6}[vertical]
    across = {"left": abs(x0 - LEFT) < TOLERANCE, "right": abs(x1 - RIGHT) < TOLERANCE,
              "center": abs((x0 + x1) / 2 - 306) < TOLERANCE}[horizontal]
    return near and across


def deobfuscated(name, data):
    guid = re.sub("[^0-9A-Fa-f]", "", os.path.splitext(os.path.basename(name))[0])
    key = bytes.fromhex(guid)[::-1]
    head = bytearray(data[:32])
    for i in range(32):
        head[i] ^= key[i % 16]
    return bytes(head) + data[32:]


def main():
    xps, text, corner, font = sys.argv[1], sys.argv[2], sys.argv[4], sys.argv[5]
    counts = [int(n) for n in sys.argv[3].split(",")]
    faults = []
    with zipfile.ZipFile(xps) as package:
        fonts = [n for n in package.namelist() if n.lower().endswith(".odttf")]
        if len(fonts) != 1:
            faults.append(f"{len(fonts)} font parts: {fonts}")
        else:
            plain = deobfuscated(fonts[0], package.read(fonts[0]))
            with open(font, "rb") as f:
                if plain != f.read():
                    faults.append(f"{fonts[0]} is not {font}")
            TTFont(io.BytesIO(plain))
    pages = xps_render.page_count(xps)
    if pages == 0:
        faults.append("no pages")
    if len(counts) > 1 and len(counts) != pages:
        faults.append(f"{pages} pages, not {len(counts)}")
    for page in range(1, pages + 1):
        per_page = counts[min(page, len(counts)) - 1]
        found = [box for line, box in lines_of(xps, page) if line == text]
        if len(found) != per_page:
            faults.append(f"page {page}: {len(found)} lines \"{text}\", not {per_page}")
        image = xps_render.render_mutool(xps, page, 72).convert("L")
        for box in found:
            if corner != "any" and not at_corner(box, corner):
                faults.append(f"page {page}: line at {box}, not at the {corner} of the printable area")
            region = image.crop(tuple(int(round(v)) for v in box))
            if min(region.getdata(), default=255) > 96:
                faults.append(f"page {page}: nothing dark drawn at {box}")
        if xps_render.render_xpstopng(xps, page, 36) is None:
            faults.append(f"page {page}: xpstopng refuses it")
    for fault in faults:
        print(fault)
    if not faults:
        print(f"ok: {pages} pages")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
