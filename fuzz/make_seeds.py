#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (corpus/<target>/seed-*) from the
project's own documents: the sample XPS of tools/make-sample-xps (and what the
order filter makes of it), the reference driver's tickets and printer
description, and the formats the ticket code prints. Regression inputs
(anything not named seed-*) are left alone.

The page rewriter targets get the sample's pages and small pages made here
to reach their corners (boxes, resources, escaped values, remote
dictionaries), the converter's element stream also pages that draw with
every kind of geometry, brush and text; the font and image targets small
files made here with fontTools, PIL and JxrEncApp.

Usage: fuzz/make_seeds.py BUILD_DIR   (a built release or sanitize tree)
"""
import io
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE.parent
PRINTER = SOURCE / "driver/printer/kestrel-inkjet-mfp.xml"
FONT_KEEP = 2048  # the reader never parses fonts: the head is enough, and keeps seeds small

PSF = "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework"
PSK = "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords"
KP = "http://schemas.kestrel-print.example/kestrel/printing/2006/11/printschemakeywords"
NAMESPACES = (f"xmlns:psf='{PSF}' xmlns:psk='{PSK}' xmlns:kp='{KP}' "
              "xmlns:x='http://schemas.microsoft.com/xps/2005/06' "
              "xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'")


def write_seeds(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed-*"):
        old.unlink()
    for name, data in seeds:
        (folder / f"seed-{name}").write_bytes(data)


def parts_of(xps):
    with zipfile.ZipFile(io.BytesIO(xps)) as z:
        return [(i.filename, z.read(i), i.compress_type) for i in z.infolist()]


def shrink(parts):
    """Fonts and noise images cut to their head."""
    return [(n, d[:FONT_KEEP] if re.search(r"\.(odttf|ttf|otf)$", n, re.I) else d, c) for n, d, c in parts]


def zipped(parts, stored=False):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        for name, data, compress in parts:
            z.writestr(zipfile.ZipInfo(name), data,
                       compress_type=zipfile.ZIP_STORED if stored else compress)
    return out.getvalue()


def interleaved(parts):
    """The first page split into two pieces, as interleaving writers store it."""
    out, done = [], False
    for name, data, compress in parts:
        if not done and name.endswith(".fpage"):
            half = len(data) // 2
            out += [(f"{name}/[0].piece", data[:half], compress), (f"{name}/[1].last.piece", data[half:], compress)]
            done = True
        else:
            out.append((name, data, compress))
    return out


def part_list(parts):
    """The package_parts input format: flags, name, newline, 32-bit length, bytes."""
    return b"".join(bytes([1 if c == zipfile.ZIP_STORED else 0]) + n.encode() + b"\n" +
                    struct.pack("<I", len(d)) + d for n, d, c in parts)


def xml_parts(parts):
    return [(n, d) for n, d, _ in parts if re.search(r"(\.rels|\.xml|\.fdseq|\.fdoc|\.fpage|\.dict)$", n)]


def tag(name):
    return re.sub(r"[^A-Za-z0-9]+", "_", name).strip("_")[-40:]


def tickets_from_printer():
    """The default user ticket, and one delta a non-default option or parameter bound."""
    text = PRINTER.read_text()
    tickets = [("default-user", (SOURCE / "driver/tickets/default-user.xml").read_bytes())]
    head = f"<?xml version='1.0' encoding='UTF-8'?>\n<psf:PrintTicket version='1' {NAMESPACES} xmlns:xsd='http://www.w3.org/2001/XMLSchema'>"
    for feature, body in re.findall(r'<Feature name="([^"]+)"[^>]*>(.*?)</Feature>', text, re.S):
        for option in re.findall(r'<Option name="([^"]+)"(?![^>]*default="true")', body):
            xml = f"{head}<psf:Feature name='{feature}'><psf:Option name='{option}'/></psf:Feature></psf:PrintTicket>"
            tickets.append((tag(feature + "-" + option), xml.encode()))
    for name, low, high in re.findall(r'<Parameter name="([^"]+)"[^>]*min="(-?\d+)" max="(-?\d+)"', text):
        for value in (low, high, str(int(high) + 1)):
            xml = (f"{head}<psf:ParameterInit name='{name}'><psf:Value xsi:type='xsd:integer'>{value}"
                   "</psf:Value></psf:ParameterInit></psf:PrintTicket>")
            tickets.append((tag(name + "-" + value), xml.encode()))
    return tickets


def write_ticket_dictionary():
    """The Print Schema framework and every name the printer description uses."""
    words = ["psf:PrintTicket", "psf:PrintCapabilities", "psf:Feature", "psf:Option", "psf:ScoredProperty",
             "psf:Property", "psf:ParameterInit", "psf:ParameterDef", "psf:ParameterRef", "psf:Value",
             "name=", "version=\"1\"", "xsi:type=", "xsd:integer", "xsd:string", "xsd:decimal", "xsd:QName",
             PSF, PSK, KP, "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/2001/XMLSchema",
             "xmlns:psf=", "xmlns:psk=", "xmlns:kp=", "xmlns:ns0000="]
    words += sorted(set(re.findall(r'name="([^"]+)"', PRINTER.read_text())))
    lines = ["# The Print Schema vocabulary and the reference printer's features, options and parameters.",
             "# Written by make_seeds.py from driver/printer/kestrel-inkjet-mfp.xml."]
    lines += ['"' + w.replace('"', '\\"') + '"' for w in words]
    (HERE / "dictionaries/ticket.dict").write_text("\n".join(lines) + "\n")


XPS = "http://schemas.microsoft.com/xps/2005/06"
MADE_PAGES = [
    ("boxes", f'<FixedPage xmlns="{XPS}" Width="480" Height="640" ContentBox="48,64,384,512" '
              'BleedBox="-10,-10,500,660" xml:lang="en-US"><Path Data="M 0,0 L 480,0 480,640 Z" Fill="#FFFF0000"/>'
              '</FixedPage>'),
    ("resources", f'<FixedPage xmlns="{XPS}" xmlns:x="http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key" '
                  'Width="816" Height="1056" xml:lang="en-US"><FixedPage.Resources><ResourceDictionary>'
                  '<SolidColorBrush x:Key="b" Color="#FF00A000"/></ResourceDictionary></FixedPage.Resources>'
                  '<Canvas Name="c1" RenderTransform="1,0,0,1,10,10"><Path Name="p1" Data="M 1,1 L 9,9 Z" '
                  'Fill="{StaticResource b}"/></Canvas></FixedPage>'),
    ("escaped", f'<FixedPage xmlns="{XPS}" Width="816" Height="1056" xml:lang="en-US">'
                '<Canvas FixedPage.NavigateUri="http://example.com/?a=1&amp;b=&lt;2&gt;&quot;">'
                '<Glyphs UnicodeString="{}a&amp;b &#x1F600; &#xE9;" FontUri="/Resources/f.odttf" '
                'OriginX="10" OriginY="20" FontRenderingEmSize="12" Indices="1;2,50"/></Canvas></FixedPage>'),
    ("empty", f'<FixedPage xmlns="{XPS}" Width="0" Height="nan"/>'),
    ("image", f'<FixedPage xmlns="{XPS}" Width="816" Height="1056"><Path Data="M 0,0 L 100,0 100,100 0,100 Z">'
              '<Path.Fill><ImageBrush ImageSource="/Resources/i.png" Viewbox="0,0,10,10" ViewboxUnits="Absolute" '
              'Viewport="0,0,100,100" ViewportUnits="Absolute"/></Path.Fill></Path></FixedPage>'),
]
REMOTE_PAGE = (f'<FixedPage xmlns="{XPS}" Width="816" Height="1056"><FixedPage.Resources>'
               '<ResourceDictionary Source="/Resources/shared.dict"/></FixedPage.Resources>'
               '<Path Data="M 0,0 L 9,9 Z" Fill="{StaticResource b}"/></FixedPage>')
REMOTE_DICTIONARY = (f'<ResourceDictionary xmlns="{XPS}" '
                     'xmlns:x="http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key">'
                     '<SolidColorBrush x:Key="b" Color="#FF0000FF"/></ResourceDictionary>')

# Pages that reach the converter's drawing: geometry, brushes, tiles, masks, text, colour.
KEY = "http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key"
DRAWN_PAGES = [
    ("geometry", f'<FixedPage xmlns="{XPS}" Width="816" Height="1056"><Path Stroke="#FF000080" '
                 'StrokeThickness="3" StrokeDashArray="2 1" StrokeDashCap="Round" StrokeStartLineCap="Triangle" '
                 'StrokeEndLineCap="Round" StrokeLineJoin="Bevel" Data="F1 M 10,10 L 100,10 H 150 V 60 '
                 'C 160,70 170,80 180,60 S 200,40 210,60 Q 220,80 230,60 A 40,20 30 1 1 300,100 40,20 30 0 0 '
                 '350,120 z m 5,5 l 10,0"/><Path Fill="#80FF0000"><Path.Data><PathGeometry FillRule="NonZero" '
                 'Transform="1,0,0,1,0,200"><PathFigure StartPoint="0,0" IsClosed="true"><PolyLineSegment '
                 'Points="50,0 50,50"/><PolyBezierSegment Points="40,60 20,60 0,50"/><PolyQuadraticBezierSegment '
                 'Points="10,40 0,30"/><ArcSegment Point="0,10" Size="5,5" RotationAngle="0" IsLargeArc="true" '
                 'SweepDirection="Clockwise"/></PathFigure></PathGeometry></Path.Data></Path></FixedPage>'),
    ("gradients", f'<FixedPage xmlns="{XPS}" Width="816" Height="1056"><Path Data="M 0,0 H 300 V 300 H 0 Z">'
                  '<Path.Fill><LinearGradientBrush MappingMode="RelativeToBoundingBox" StartPoint="0,0" '
                  'EndPoint="1,1" SpreadMethod="Reflect"><LinearGradientBrush.GradientStops><GradientStop '
                  'Offset="0" Color="#FFFF0000"/><GradientStop Offset="1" Color="sc#1,0,0,1"/>'
                  '</LinearGradientBrush.GradientStops></LinearGradientBrush></Path.Fill></Path><Path '
                  'Data="M 300,300 H 600 V 600 H 300 Z"><Path.Fill><RadialGradientBrush Center="450,450" '
                  'GradientOrigin="400,400" RadiusX="150" RadiusY="80" SpreadMethod="Repeat" Transform="1,0,0,1,0,0">'
                  '<RadialGradientBrush.GradientStops><GradientStop Offset="0.2" Color="ContextColor /p.icc 1,0.5,0.5,0.5"/>'
                  '<GradientStop Offset="0.9" Color="#8000FF00"/></RadialGradientBrush.GradientStops>'
                  '</RadialGradientBrush></Path.Fill></Path></FixedPage>'),
    ("tiles", f'<FixedPage xmlns="{XPS}" xmlns:x="{KEY}" Width="816" Height="1056"><FixedPage.Resources>'
              '<ResourceDictionary><VisualBrush x:Key="v" Viewbox="0,0,10,10" ViewboxUnits="Absolute" '
              'Viewport="0,0,40,40" ViewportUnits="Absolute" TileMode="FlipXY"><VisualBrush.Visual><Path '
              'Data="M 0,0 L 10,10 L 0,10 Z" Fill="#FF0000FF"/></VisualBrush.Visual></VisualBrush>'
              '</ResourceDictionary></FixedPage.Resources><Canvas Opacity="0.5" Clip="M 0,0 H 500 V 500 H 0 Z" '
              'RenderTransform="1,0,0,1,20,20"><Path Data="M 0,0 H 400 V 400 H 0 Z" Fill="{StaticResource v}"/>'
              '<Path Data="M 0,400 H 400 V 500 H 0 Z"><Path.Fill><ImageBrush ImageSource="/Resources/i.png" '
              'Viewbox="0,0,1,1" ViewboxUnits="RelativeToBoundingBox" Viewport="0,0,0.25,0.5" '
              'ViewportUnits="RelativeToBoundingBox" TileMode="Tile"/></Path.Fill></Path></Canvas>'
              '<Canvas><Canvas.OpacityMask><LinearGradientBrush StartPoint="0,0" EndPoint="816,0">'
              '<LinearGradientBrush.GradientStops><GradientStop Offset="0" Color="#00000000"/><GradientStop '
              'Offset="1" Color="#FF000000"/></LinearGradientBrush.GradientStops></LinearGradientBrush>'
              '</Canvas.OpacityMask><Path Data="M 0,600 H 816 V 700 H 0 Z"><Path.Fill><ImageBrush '
              'ImageSource="{ColorConvertedBitmap /Resources/j.tif /Resources/p.icc}" Viewbox="0,0,5,3" '
              'ViewboxUnits="Absolute" Viewport="0,600,816,100" ViewportUnits="Absolute"/></Path.Fill></Path>'
              '</Canvas></FixedPage>'),
    ("text", f'<FixedPage xmlns="{XPS}" Width="816" Height="1056" xml:lang="en-US"><Glyphs '
             'FontUri="/Resources/Font.ttf" FontRenderingEmSize="24" OriginX="20" OriginY="60" '
             'UnicodeString="Kestrel &#x1F600; &#xE9;" Indices=";;,120;(2:1)5" Fill="#FF000000" '
             'StyleSimulations="BoldSimulation"/><Glyphs FontUri="/Resources/Font.ttc#1" FontRenderingEmSize="30" '
             'OriginX="20" OriginY="120" BidiLevel="1" IsSideways="true" UnicodeString="abc" Fill="#FF008000" '
             'RenderTransform="0,1,-1,0,400,0"/></FixedPage>'),
    ("alternate", '<FixedPage xmlns="http://schemas.openxps.org/oxps/v1.0" '
                  'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" Width="100" Height="100">'
                  '<mc:AlternateContent><mc:Choice Requires="v2"><Path Data="M 0,0 L 9,9" Stroke="#FF000000"/>'
                  '</mc:Choice><mc:Fallback><Path Data="M 0,0 L 90,90" Stroke="#FF00FF00" StrokeThickness="4"/>'
                  '</mc:Fallback></mc:AlternateContent></FixedPage>'),
]
# An image of 5 x 3 pixels at 96 dpi, for the converter's image stub: kind, width, height, dpi, pixels.
STUB_IMAGE = bytes([0, 5, 0, 3, 0, 96, 96, 0]) + bytes(range(0, 256, 3))


def made_fonts():
    """A small TrueType font with format-4 and format-12 cmaps, and a collection of two."""
    from fontTools.fontBuilder import FontBuilder
    from fontTools.pens.ttGlyphPen import TTGlyphPen
    from fontTools.ttLib.ttCollection import TTCollection

    def font(family):
        fb = FontBuilder(1000, isTTF=True)
        fb.setupGlyphOrder([".notdef", "A", "smile"])
        fb.setupCharacterMap({0x41: "A", 0x1F600: "smile"})
        pen = TTGlyphPen(None)
        pen.moveTo((100, 0)); pen.lineTo((500, 700)); pen.lineTo((900, 0)); pen.closePath()
        glyph = pen.glyph()
        fb.setupGlyf({".notdef": glyph, "A": glyph, "smile": glyph})
        fb.setupHorizontalMetrics({n: (1000, 100) for n in (".notdef", "A", "smile")})
        fb.setupHorizontalHeader(ascent=800, descent=-200)
        fb.setupNameTable({"familyName": family, "styleName": "Regular"})
        fb.setupOS2(yStrikeoutPosition=250, yStrikeoutSize=50)
        fb.setupPost(underlinePosition=-100, underlineThickness=50)
        out = io.BytesIO()
        fb.save(out)
        return out.getvalue()

    from fontTools.ttLib import TTFont
    first, second = font("Fuzz Sans"), font("Fuzz Serif")
    collection = TTCollection()
    collection.fonts = [TTFont(io.BytesIO(first)), TTFont(io.BytesIO(second))]
    out = io.BytesIO()
    collection.save(out)
    named = lambda name: bytes([len(name)]) + name.encode("utf-16-le")
    return [("ttf", named("") + first), ("ttc-first", named("Fuzz Sans Regular") + out.getvalue()),
            ("ttc-second", named("Fuzz Serif Regular") + out.getvalue())]


def made_images(tmp):
    """PNG, JPEG, TIFF and JPEG XR files of a few pixel formats, 5 x 3 pixels."""
    from PIL import Image
    images = []
    base = Image.new("RGB", (5, 3))
    base.putdata([(x * 50, y * 100, 128) for y in range(3) for x in range(5)])

    def saved(image, form, **options):
        out = io.BytesIO()
        image.save(out, form, **options)
        return out.getvalue()

    images.append(("rgb.png", saved(base, "PNG")))
    images.append(("palette.png", saved(base.convert("P"), "PNG")))
    images.append(("gray16.png", saved(base.convert("L").convert("I"), "PNG")))
    images.append(("rgba-icc.png", saved(base.convert("RGBA"), "PNG", icc_profile=bytes(128))))
    images.append(("bilevel.png", saved(base.convert("1"), "PNG")))
    images.append(("rgb.jpg", saved(base, "JPEG")))
    images.append(("gray.jpg", saved(base.convert("L"), "JPEG")))
    images.append(("cmyk.jpg", saved(base.convert("CMYK"), "JPEG")))
    images.append(("rgb.tif", saved(base, "TIFF")))
    images.append(("cmyk-lzw.tif", saved(base.convert("CMYK"), "TIFF", compression="tiff_lzw")))
    images.append(("gray.tif", saved(base.convert("L"), "TIFF", compression="packbits")))
    bmp = pathlib.Path(tmp) / "base.bmp"
    jxr = pathlib.Path(tmp) / "base.jxr"
    base.save(bmp)
    run("JxrEncApp", "-i", str(bmp), "-o", str(jxr), "-q", "1")
    images.append(("rgb.jxr", jxr.read_bytes()))
    return images


def run(*command):
    return subprocess.run(command, check=True, capture_output=True).stdout


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    write_ticket_dictionary()
    xpspipe = build / "host/xpspipe/xpspipe"
    with tempfile.TemporaryDirectory() as tmp:
        sample = pathlib.Path(tmp) / "sample.xps"
        run(str(build / "tools/make-sample-xps"), "--pages", "2", str(sample))
        ordered = pathlib.Path(tmp) / "ordered.xps"
        run(str(xpspipe), "run", "--quiet", "--filters", "xordflt", str(sample), str(ordered))
        default_ticket = run(str(xpspipe), "ticket", "default")
        capabilities = run(str(xpspipe), "ticket", "capabilities", str(SOURCE / "driver/tickets/default-user.xml"))
        documents = {"sample": shrink(parts_of(sample.read_bytes())),
                     "ordered": shrink(parts_of(ordered.read_bytes()))}

    packages = []
    for name, parts in documents.items():
        packages += [(name, parts), (name + "-stored", [(n, d, zipfile.ZIP_STORED) for n, d, _ in parts]),
                     (name + "-pieces", interleaved(parts))]
    write_seeds("package_bytes", [(n + ".xps", zipped(p)) for n, p in packages])
    write_seeds("package_parts", [(n, part_list(p)) for n, p in packages])

    tickets = tickets_from_printer() + [("printer-default", default_ticket)]
    markup = [(tag(doc + "-" + n), d) for doc in documents for n, d in xml_parts(documents[doc])]
    markup += [(t, d) for t, d in tickets[:8]] + [("capabilities", capabilities)]
    # mode, four chunk sizes, no stop; then the same with odd chunks and a stop early on
    write_seeds("sax_chunks", [(n, bytes([0, 0, 6, 63, 254, 255]) + d) for n, d in markup] +
                [(n + "-text", bytes([1, 0, 0, 0, 0, 7]) + d) for n, d in markup[:4]])

    def script(operations):
        out = NAMESPACES.encode() + b"\n" + bytes([len(operations)])
        for code, xpath, argument in operations:
            out += bytes([code]) + xpath.encode() + b"\n" + argument.encode() + b"\n"
        return out

    ticket_edits = [(0, "psf:PrintTicket/psf:Feature[@name='psk:PageMediaSize']", ""),
                    (1, "//psf:Option/@name", "psk:ISOA4"),
                    (2, "psf:PrintTicket/psf:Feature[2]/psf:Option", "constrained"),
                    (4, "psf:PrintTicket/psf:Feature[last()]", ""),
                    (0x25, "//psf:Feature[1]", "psf:Feature"),
                    (0x83, "//psf:ScoredProperty", ""),
                    (6, "//psf:Option", "name"),
                    (7, "//psf:Value[@xsi:type='xsd:integer']", "name")]
    page_edits = [(0x80, "//x:Glyphs", ""), (2, "x:FixedPage", "Width"), (3, "//x:Path[1]", ""),
                  (1, "//x:Canvas/@RenderTransform", "1,0,0,1,0,0"), (7, "/x:FixedPage", "Height")]
    dom = [(t, script(ticket_edits) + d) for t, d in tickets[:6]]
    dom += [(tag(n), script(page_edits) + d) for n, d in xml_parts(documents["sample"]) if n.endswith(".fpage")]
    write_seeds("dom_xpath", dom)

    # mode byte (scope, JSON, path), the ticket, a NUL and the delta where there is one
    # every ticket down each path: merge, describe and DEVMODE, capabilities and settings
    write_seeds("ticket", [(f"{t}-{path}", bytes([path << 3 | i % 8]) + d)
                           for i, (t, d) in enumerate(tickets) for path in range(3)] +
                [("merge-onto-default", bytes([2]) + default_ticket + b"\0" + tickets[1][1]),
                 ("capabilities-as-ticket", bytes([2 << 3 | 2]) + capabilities)])

    def formatted(wide, format_text, *arguments):
        out = bytes([1 if wide else 0, len(arguments)])
        for kind, value in arguments:
            out += bytes([kind]) + value
        return out + (format_text.encode("utf-16-le") if wide else format_text.encode())

    int32 = lambda v: (0x14, struct.pack("<i", v))
    uint64 = lambda v: (0x06, struct.pack("<Q", v))
    real = lambda v: (1, struct.pack("<d", v))
    narrow = lambda v: (2, v.encode() + b"\n")
    wide = lambda v: (3, v.encode("utf-16-le") + b"\n")
    formats = [(False, "%s_%u", narrow("page"), int32(3)),
               (True, "Page %d of %d", int32(2), int32(10)),
               (True, "%-12.3s|%08.3f|%#x|%c", wide("Kestrel"), real(3.14159), int32(255), int32(65)),
               (False, "%+.2e %G %5.1f%%", real(-1e300), real(1e-5), real(50.0)),
               (True, "%*.*ls [%llu] %I64X %hs", int32(-8), int32(3), wide("abc"), uint64(2**64 - 1),
                uint64(0xDEAD), narrow("n")),
               (False, "%05i %o %X %ws", int32(-42), int32(8), int32(-1), wide("\u00e9t\u00e9"))]
    write_seeds("format", [(f"{i}", formatted(*f)) for i, f in enumerate(formats)])

    pages = [(tag(n), d) for n, d in xml_parts(documents["sample"]) if n.endswith(".fpage")]
    pages += [(n, d.encode()) for n, d in MADE_PAGES]
    # a mode byte, then the page: each page under a mode of its own
    write_seeds("preparation_page", [(n, bytes([i % 7]) + d) for i, (n, d) in enumerate(pages)] +
                [(f"{n}-mode{m}", bytes([m]) + d) for n, d in pages[-5:-3] for m in range(7)])
    write_seeds("layout_page", [(f"{n}-{kind}", bytes([mode]) + d) for n, d in pages
                                for kind, mode in (("cell", 0), ("second-cell", 2), ("shift", 1))])
    # the most bytes a read gives, less one; then the page, and dictionaries after NUL bytes
    write_seeds("rip_markup", [(n, bytes([255]) + d) for n, d in pages] +
                [("remote", bytes([6]) + REMOTE_PAGE.encode() + b"\0/Resources/shared.dict\0" +
                  REMOTE_DICTIONARY.encode())])
    write_seeds("finisher_page", [(n, bytes([i % 8]) + d) for i, (n, d) in enumerate(pages)] +
                [(f"{n}-mode{m}", bytes([m]) + d) for n, d in pages[-5:-3] for m in range(8)])
    # device, resource choices; the page; after a NUL the bytes the resource stubs hand out
    drawn = pages + [(n, d.encode()) for n, d in DRAWN_PAGES]
    write_seeds("converter_elements", [(n, bytes([i * 7 % 144, i % 8]) + d + b"\0" + STUB_IMAGE)
                                       for i, (n, d) in enumerate(drawn)] +
                [("fuzzed-font", bytes([11, 1]) + DRAWN_PAGES[3][1].encode() + b"\0" + made_fonts()[0][1][1:])])
    write_seeds("font_tables", made_fonts())
    with tempfile.TemporaryDirectory() as tmp:
        write_seeds("image", made_images(tmp))


if __name__ == "__main__":
    main()
