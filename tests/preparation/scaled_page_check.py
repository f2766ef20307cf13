"""Pixel checks of scaled pages, for the preparation filter's end-to-end test.

  scaled_page_check.py make OUT WxH [WxH ...]
      writes an XPS document with one page of each size: four coloured blocks
      in the quadrants, a ContentBox inset by a tenth of the page and a
      BleedBox 10 units outside it, so that scale, offset and clip all show.
  scaled_page_check.py check IN OUT PAGE SCALE DX DY CX CY CW CH
      renders page PAGE of IN and of OUT, composes what OUT should show (IN's
      page clipped to the rectangle CX,CY,CW,CH, scaled by SCALE and moved by
      DX,DY, on a white page of OUT's size) and prints the RMSE of mutool's and
      xpstopng's rendering of OUT against it (each composed from that
      renderer's own drawing of IN), and of the unscaled page against it.

Exit status 77 when a renderer or Python module is missing (the test skips).
"""
import os
import shutil
import sys
import zipfile

try:
    from PIL import Image, ImageFilter
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "render"))
    import xps_render
except ImportError as missing:
    print("skip: %s" % missing)
    sys.exit(77)

DPI = 24
NS = "http://schemas.microsoft.com/xps/2005/06"


def page_markup(width, height):
    def block(x, y, w, h, colour):
        return ('<Path Data="M %g,%g L %g,%g %g,%g %g,%g Z" Fill="%s"/>'
                % (x, y, x + w, y, x + w, y + h, x, y + h, colour))
    hw, hh = width / 2, height / 2
    m = min(width, height) / 20
    blocks = (block(m, m, hw - 2 * m, hh - 2 * m, "#FFFF0000") + block(hw + m, m, hw - 2 * m, hh - 2 * m, "#FF00A000")
              + block(m, hh + m, hw - 2 * m, hh - 2 * m, "#FF0000FF") + block(hw + m, hh + m, hw - 2 * m, hh - 2 * m, "#FF202020")
              # a frame along the edges, which the ContentBox clips away
              + block(0, 0, width, m / 2, "#FFFF00FF") + block(0, height - m / 2, width, m / 2, "#FFFF00FF"))
    return ('<FixedPage xmlns="%s" Width="%g" Height="%g" ContentBox="%g,%g,%g,%g" BleedBox="%g,%g,%g,%g" '
            'xml:lang="en-US">%s</FixedPage>'
            % (NS, width, height, width / 10, height / 10, width * 0.8, height * 0.8,
               -10, -10, width + 20, height + 20, blocks))


def make(out, sizes):
    pages = [tuple(float(v) for v in size.split("x")) for size in sizes]
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="utf-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="fdseq" ContentType="application/vnd.ms-package.xps-fixeddocumentsequence+xml"/>'
                   '<Default Extension="fdoc" ContentType="application/vnd.ms-package.xps-fixeddocument+xml"/>'
                   '<Default Extension="fpage" ContentType="application/vnd.ms-package.xps-fixedpage+xml"/></Types>')
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="utf-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="R0" Type="http://schemas.microsoft.com/xps/2005/06/fixedrepresentation" '
                   'Target="/FixedDocumentSequence.fdseq"/></Relationships>')
        z.writestr("FixedDocumentSequence.fdseq",
                   '<FixedDocumentSequence xmlns="%s"><DocumentReference Source="/Documents/1/FixedDocument.fdoc"/>'
                   '</FixedDocumentSequence>' % NS)
        refs = "".join('<PageContent Source="/Documents/1/Pages/%d.fpage"/>' % (i + 1) for i in range(len(pages)))
        z.writestr("Documents/1/FixedDocument.fdoc", '<FixedDocument xmlns="%s">%s</FixedDocument>' % (NS, refs))
        for i, (w, h) in enumerate(pages):
            z.writestr("Documents/1/Pages/%d.fpage" % (i + 1), page_markup(w, h))


# The expected page is composed at a finer resolution and then reduced, so that
# its own rounding stays well under a renderer's.
FINE = 4


def px(units):
    return int(round(units * DPI * FINE / 96.0))


def expected(source, out_size, scale, dx, dy, clip):
    """source: the input page rendered at DPI * FINE."""
    cx, cy, cw, ch = clip
    region = source.crop((px(cx), px(cy), px(cx + cw), px(cy + ch)))
    target = (max(1, px(cw * scale)), max(1, px(ch * scale)))
    sheet = Image.new("RGB", (out_size[0] * FINE, out_size[1] * FINE), "white")
    sheet.paste(region.resize(target, Image.BILINEAR), (px(cx * scale + dx), px(cy * scale + dy)))
    return sheet.resize(out_size, Image.BOX)


def distance(a, b):
    """RMSE after a blur of one pixel: renderers place the edges of fills on the
    pixel grid each in their own way, which a blur forgives and a wrong scale or
    offset does not survive."""
    soften = ImageFilter.GaussianBlur(1)
    return xps_render.rmse(a.filter(soften), b.filter(soften))


def check(args):
    source_xps, out_xps, page = args[0], args[1], int(args[2])
    scale, dx, dy, cx, cy, cw, ch = (float(v) for v in args[3:10])
    if not shutil.which("mutool") or not shutil.which("xpstopng"):
        print("skip: mutool or xpstopng missing")
        return 77
    # Each renderer is held to the input as it draws it itself.
    source = xps_render.render_mutool(source_xps, page, DPI * FINE)
    other_source = xps_render.render_xpstopng(source_xps, page, DPI * FINE)
    drawn = xps_render.render_mutool(out_xps, page, DPI)
    other = xps_render.render_xpstopng(out_xps, page, DPI)
    if other is None or other_source is None:
        print("xpstopng refused the %s" % ("output" if other is None else "input"))
        return 1
    # libgxps rounds a page size up where mutool rounds it: a page 204.003
    # pixels wide is 205 there. The extra column is past the page's edge.
    if all(0 <= o - d <= 1 for o, d in zip(other.size, drawn.size)):
        other = other.crop((0, 0) + drawn.size)
    clip = (cx, cy, cw, ch)
    want = expected(source, drawn.size, scale, dx, dy, clip)
    other_want = expected(other_source, drawn.size, scale, dx, dy, clip)
    unscaled = expected(source, drawn.size, 1, 0, 0, clip)
    print("mutool=%.2f xpstopng=%.2f unscaled=%.2f size=%dx%d xpstopng_size=%dx%d" % (
        distance(want, drawn), distance(other_want, other), distance(want, unscaled),
        drawn.size[0], drawn.size[1], other.size[0], other.size[1]))
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3:])
        sys.exit(0)
    sys.exit(check(sys.argv[2:]))
