"""Inputs and probes for the watermark tests. Run with Debian's /usr/bin/python3.

watermark_check.py make OUT PAGES [PAGES ...]
    an XPS job of white Letter pages, one document per argument with that
    many pages, each page with a small black mark at its top-left corner
watermark_check.py image OUT.EXT
    a 120 x 60 pixel image at 200 dpi in the format of its extension: the left
    half red, the right half blue
watermark_check.py pixels XPS PAGE X,Y [X,Y ...]
    renders the page (1-based) with mutool at 48 dpi and prints "R G B" for
    each point, given in XPS units (1/96 inch), one line each
"""
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "render"))

NS = "http://schemas.microsoft.com/xps/2005/06"
DPI = 48


def make(out, counts):
    page = ('<FixedPage xmlns="%s" Width="816" Height="1056" xml:lang="en-US">'
            '<Path Data="M 10,10 L 30,10 30,30 10,30 Z" Fill="#FF000000"/></FixedPage>' % NS)
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
        refs = "".join('<DocumentReference Source="/Documents/%d/FixedDocument.fdoc"/>' % (d + 1)
                       for d in range(len(counts)))
        z.writestr("FixedDocumentSequence.fdseq",
                   '<FixedDocumentSequence xmlns="%s">%s</FixedDocumentSequence>' % (NS, refs))
        for d, count in enumerate(counts):
            pages = "".join('<PageContent Source="/Documents/%d/Pages/%d.fpage"/>' % (d + 1, p + 1)
                            for p in range(count))
            z.writestr("Documents/%d/FixedDocument.fdoc" % (d + 1),
                       '<FixedDocument xmlns="%s">%s</FixedDocument>' % (NS, pages))
            for p in range(count):
                z.writestr("Documents/%d/Pages/%d.fpage" % (d + 1, p + 1), page)


def image(out):
    from PIL import Image
    picture = Image.new("RGB", (120, 60), (0, 0, 255))
    picture.paste((255, 0, 0), (0, 0, 60, 60))
    options = {"dpi": (200, 200)}
    if out.endswith(".jpg"):
        options["quality"] = 95
    if out.endswith(".gif"):
        options = {}  # GIF declares no resolution: 96 dpi
    picture.save(out, **options)


def pixels(xps, page, points):
    import xps_render
    picture = xps_render.render_mutool(xps, page, DPI)
    for point in points:
        x, y = (float(v) * DPI / 96 for v in point.split(","))
        x = min(max(int(x), 0), picture.width - 1)
        y = min(max(int(y), 0), picture.height - 1)
        print(*picture.getpixel((x, y)))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "make":
        make(args[0], [int(n) for n in args[1:]])
    elif command == "image":
        image(args[0])
    else:
        pixels(args[0], int(args[1]), args[2:])
