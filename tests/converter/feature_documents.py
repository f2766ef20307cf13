"""Writes small XPS documents that use one converter feature each, and beside
each the document the printed page must look like, for mupdf to draw.

Usage: feature_documents.py OUT-DIR
Writes NAME.xps and NAME-expected.xps for every NAME in DOCUMENTS:
- glyphs: sideways runs (a font with vertical metrics and one without) and
  right-to-left runs, with and without advances and offsets; expected: itself.
- profiles: RGB images whose ICC profile (embedded in PNG, JPEG, TIFF, or named
  by ColorConvertedBitmap, which replaces the embedded one) turns red into blue;
  a CMYK JPEG with an embedded CMYK profile where one is installed. Expected:
  the images converted to sRGB by PIL's ImageCms, without profiles.
- inks: CMYK JPEG and TIFF, CMYK with alpha, separations of three and five inks,
  without profiles. Expected: RGB(A) PNGs from the device formula (each of red,
  green and blue is 1 - min(1, ink + black); spot inks left out).
- hostile: a page of paths and images where some images cannot be used (a
  broken profile, a profile of another kind or for another number of channels,
  twelve channels).
  Expected: the page without those images.
Run with Debian's /usr/bin/python3 (python3-pil, python3-numpy, fonttools).
"""
import io
import os
import struct
import sys
import tempfile
import zipfile

import numpy as np
from PIL import Image, ImageCms

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "platform"))
import imaging_reference  # noqa: E402

NS = "http://schemas.microsoft.com/xps/2005/06"
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
WITH_VERTICAL_METRICS = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
CMYK_PROFILE = "/usr/share/color/icc/ghostscript/default_cmyk.icc"
CONTENT_TYPES = {
    "rels": "application/vnd.openxmlformats-package.relationships+xml",
    "fdseq": "application/vnd.ms-package.xps-fixeddocumentsequence+xml",
    "fdoc": "application/vnd.ms-package.xps-fixeddocument+xml",
    "fpage": "application/vnd.ms-package.xps-fixedpage+xml",
    "ttf": "application/vnd.ms-opentype", "png": "image/png", "jpg": "image/jpeg", "tif": "image/tiff",
    "icc": "application/vnd.ms-color.iccprofile",
}


def write_package(path, body, resources):
    """A one-page Letter document; resources: part name -> bytes."""
    rels = '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">{}</Relationships>'
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        package.writestr("[Content_Types].xml",
                         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">' +
                         "".join(f'<Default Extension="{e}" ContentType="{t}"/>' for e, t in CONTENT_TYPES.items()) +
                         "</Types>")
        package.writestr("_rels/.rels", rels.format(
            '<Relationship Type="http://schemas.microsoft.com/xps/2005/06/fixedrepresentation" '
            'Target="/FixedDocumentSequence.fdseq" Id="R0"/>'))
        package.writestr("FixedDocumentSequence.fdseq", f'<FixedDocumentSequence xmlns="{NS}"><DocumentReference '
                         'Source="/Documents/1/FixedDocument.fdoc"/></FixedDocumentSequence>')
        package.writestr("Documents/1/FixedDocument.fdoc",
                         f'<FixedDocument xmlns="{NS}"><PageContent Source="/Documents/1/Pages/1.fpage"/></FixedDocument>')
        package.writestr("Documents/1/Pages/1.fpage",
                         f'<FixedPage Width="816" Height="1056" xml:lang="en-US" xmlns="{NS}">{body}</FixedPage>')
        package.writestr("Documents/1/Pages/_rels/1.fpage.rels", rels.format("".join(
            f'<Relationship Type="http://schemas.microsoft.com/xps/2005/06/required-resource" Target="{name}" '
            f'Id="R{i}"/>' for i, name in enumerate(resources))))
        for name, data in resources.items():
            package.writestr(name.lstrip("/"), data)


def encoded(image, kind, **options):
    out = io.BytesIO()
    image.save(out, kind, **options)
    return out.getvalue()


def image_path(x, y, width, height, source, pixels):
    """A rectangle filled with the whole image."""
    return (f'<Path Data="M {x},{y} L {x + width},{y} {x + width},{y + height} {x},{y + height} Z"><Path.Fill>'
            f'<ImageBrush ImageSource="{source}" Viewbox="0,0,{pixels[0]},{pixels[1]}" ViewboxUnits="Absolute" '
            f'Viewport="{x},{y},{width},{height}" ViewportUnits="Absolute"/></Path.Fill></Path>')


def stripes(colours, mode):
    """An image of 10 x 10 squares, one a colour, side by side."""
    image = Image.new(mode, (10 * len(colours), 10))
    for i, colour in enumerate(colours):
        image.paste(colour, (10 * i, 0, 10 * i + 10, 10))
    return image


def tiff(samples, photometric, **options):
    """An uncompressed TIFF of any layout (PIL writes few); samples: an (h, w, n) array."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "image.tif")
        imaging_reference.raw_tiff(path, samples, photometric, **options)
        with open(path, "rb") as made:
            return made.read()


def rgb_profile(primaries):
    """A display profile (ICC 2.1, linear curves) whose red, green and blue are the given PCS XYZ colours."""
    def number(v):
        return struct.pack(">i", round(v * 65536))

    def xyz(v):
        return b"XYZ \0\0\0\0" + b"".join(number(c) for c in v)

    linear = b"curv\0\0\0\0" + struct.pack(">IH", 1, 256) + b"\0\0"
    text = b"test\0"
    tags = [(b"desc", b"desc\0\0\0\0" + struct.pack(">I", len(text)) + text + b"\0" * 79),
            (b"wtpt", xyz((0.9642, 1.0, 0.8249))), (b"cprt", b"text\0\0\0\0none\0\0\0\0"),
            (b"rXYZ", xyz(primaries[0])), (b"gXYZ", xyz(primaries[1])), (b"bXYZ", xyz(primaries[2])),
            (b"rTRC", linear), (b"gTRC", linear), (b"bTRC", linear)]
    table, body = struct.pack(">I", len(tags)), b""
    start = 128 + 4 + 12 * len(tags)
    for signature, data in tags:
        table += signature + struct.pack(">II", start + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    header = (struct.pack(">I", 128 + len(table) + len(body)) + b"none" + bytes([2, 0x10, 0, 0]) + b"mntrRGB XYZ " +
              b"\0" * 12 + b"acsp" + b"\0" * 28 + number(0.9642) + number(1.0) + number(0.8249) + b"\0" * 48)
    return header + table + body


# sRGB's primaries in the D50 PCS; the red and blue ones exchanged.
SRGB_PRIMARIES = ((0.4361, 0.2225, 0.0139), (0.3851, 0.7169, 0.0971), (0.1431, 0.0606, 0.7141))
SWAPPED = rgb_profile((SRGB_PRIMARIES[2], SRGB_PRIMARIES[1], SRGB_PRIMARIES[0]))
SRGB = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
RGB_COLOURS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (128, 64, 32), (255, 255, 255), (0, 0, 0), (200, 30, 90),
               (30, 200, 200)]


def to_srgb(image, profile):
    source = ImageCms.ImageCmsProfile(io.BytesIO(profile))
    return ImageCms.profileToProfile(image, source, ImageCms.createProfile("sRGB"), renderingIntent=0,
                                     outputMode="RGB")


VERTICAL_TEXT = "Up 中文字"


def glyphs():
    from fontTools.ttLib import TTFont
    fonts = {"/Resources/plain.ttf": open(DEJAVU, "rb").read()}
    if os.path.exists(WITH_VERTICAL_METRICS):
        import logging
        from fontTools import subset
        logging.getLogger("fontTools.subset").setLevel(logging.ERROR)  # tables it drops are of no use here
        font = TTFont(WITH_VERTICAL_METRICS, fontNumber=0)
        subsetter = subset.Subsetter()
        subsetter.populate(text=VERTICAL_TEXT)
        subsetter.subset(font)
        out = io.BytesIO()
        font.save(out)
        fonts["/Resources/vertical.ttf"] = out.getvalue()

    def run(font, x, y, text, extra):
        return (f'<Glyphs Fill="#ff000000" FontUri="{font}" FontRenderingEmSize="56" OriginX="{x}" OriginY="{y}" '
                f'UnicodeString="{text}" {extra}/>')

    body = (run("/Resources/plain.ttf", 40, 90, "Sideways Agj", 'IsSideways="true"') +
            run("/Resources/plain.ttf", 40, 230, "Moved", 'IsSideways="true" Indices=";,70,10,8;;,90"') +
            run("/Resources/plain.ttf", 780, 370, "Leftwards", 'BidiLevel="1"') +
            run("/Resources/plain.ttf", 780, 510, "Moved", 'BidiLevel="1" Indices=";,70,10,8;;,90"') +
            run("/Resources/plain.ttf", 40, 650, "Slanted side", 'IsSideways="true" StyleSimulations="ItalicSimulation"'))
    if "/Resources/vertical.ttf" in fonts:
        body += run("/Resources/vertical.ttf", 40, 790, VERTICAL_TEXT, 'IsSideways="true"')
        body += run("/Resources/vertical.ttf", 40, 930, VERTICAL_TEXT, 'IsSideways="true" BidiLevel="2"')
    return (body, fonts), (body, fonts)


def profiles():
    image = stripes(RGB_COLOURS, "RGB")
    size = image.size
    swapped = to_srgb(image, SWAPPED)
    parts = {"/Resources/embedded.png": encoded(image, "PNG", icc_profile=SWAPPED),
             "/Resources/embedded.jpg": encoded(image, "JPEG", quality=100, subsampling=0, icc_profile=SWAPPED),
             "/Resources/embedded.tif": encoded(image, "TIFF", icc_profile=SWAPPED),
             "/Resources/plain.png": encoded(image, "PNG"),
             "/Resources/swapped.icc": SWAPPED, "/Resources/srgb.icc": SRGB}
    expected = {"/Resources/swapped.png": encoded(swapped, "PNG"), "/Resources/plain.png": encoded(image, "PNG")}
    rows = [("/Resources/embedded.png", "/Resources/swapped.png"),
            ("/Resources/embedded.jpg", "/Resources/swapped.png"),
            ("/Resources/embedded.tif", "/Resources/swapped.png"),
            ("{ColorConvertedBitmap /Resources/plain.png /Resources/swapped.icc}", "/Resources/swapped.png"),
            ("{ColorConvertedBitmap /Resources/embedded.png /Resources/srgb.icc}", "/Resources/plain.png")]
    if os.path.exists(CMYK_PROFILE):
        cmyk_profile = open(CMYK_PROFILE, "rb").read()
        inks = stripes([(255, 0, 0, 0), (0, 255, 0, 0), (0, 0, 255, 0), (0, 0, 0, 255), (40, 200, 30, 60),
                        (128, 64, 0, 0), (0, 0, 0, 0), (255, 255, 0, 0)], "CMYK")
        parts["/Resources/cmyk.jpg"] = encoded(inks, "JPEG", quality=100, icc_profile=cmyk_profile)
        expected["/Resources/cmyk.png"] = encoded(to_srgb(inks, cmyk_profile), "PNG")
        rows.append(("/Resources/cmyk.jpg", "/Resources/cmyk.png"))
    body = "".join(image_path(40, 40 + 160 * i, 736, 120, source, size) for i, (source, _) in enumerate(rows))
    reference = "".join(image_path(40, 40 + 160 * i, 736, 120, source, size) for i, (_, source) in enumerate(rows))
    return (body, parts), (reference, expected)


def device_rgb(samples):
    """Inks (H x W x N, N >= 3) as RGB: 1 - min(1, ink + black), black 0 for three inks."""
    inks = samples.astype(np.int32)
    black = inks[:, :, 3:4] if inks.shape[2] >= 4 else 0
    return (255 - np.minimum(255, inks[:, :, :3] + black)).astype(np.uint8)


def inks():
    colours = [(255, 0, 0, 0, 0), (0, 255, 0, 0, 90), (0, 0, 255, 0, 180), (0, 0, 0, 255, 255), (40, 200, 30, 60, 0),
               (128, 64, 0, 0, 40), (0, 0, 0, 0, 255), (255, 255, 0, 0, 128)]
    five = np.array([[c for c in colours for _ in range(10)]] * 10, dtype=np.uint8)
    four = five[:, :, :4]
    alpha = np.repeat(np.linspace(255, 0, 80, dtype=np.uint8)[np.newaxis, :, np.newaxis], 10, axis=0)
    cmyk = Image.fromarray(four, "CMYK")
    size = cmyk.size
    cases = [  # source part, its bytes, expected pixels
        ("cmyk.jpg", encoded(cmyk, "JPEG", quality=100), Image.fromarray(device_rgb(four), "RGB")),
        ("cmyk.tif", encoded(cmyk, "TIFF"), Image.fromarray(device_rgb(four), "RGB")),
        ("cmyk-alpha.tif", tiff(np.concatenate([four, alpha], axis=2), 5, extras=[2], inkset=1),
         Image.fromarray(np.concatenate([device_rgb(four), alpha], axis=2), "RGBA")),
        ("five-inks.tif", tiff(five, 5, extras=[0], inkset=1), Image.fromarray(device_rgb(five), "RGB")),
        ("three-inks.tif", tiff(five[:, :, :3].copy(), 5, inkset=2), Image.fromarray(device_rgb(five[:, :, :3]), "RGB")),
    ]
    # Alpha shows over a dark band across the rows.
    band = '<Path Fill="#ff204060" Data="M 380,20 L 440,20 440,1000 380,1000 Z"/>'
    body = band + "".join(image_path(40, 40 + 180 * i, 736, 130, f"/Resources/{name}", size)
                          for i, (name, _, _) in enumerate(cases))
    reference = band + "".join(image_path(40, 40 + 180 * i, 736, 130, f"/Resources/{name}.png", size)
                               for i, (name, _, _) in enumerate(cases))
    return ((body, {f"/Resources/{name}": data for name, data, _ in cases}),
            (reference, {f"/Resources/{name}.png": encoded(image, "PNG") for name, _, image in cases}))


def hostile():
    image = stripes(RGB_COLOURS, "RGB")
    size = image.size
    broken = SWAPPED[:128] + b"\xff" * 200
    lab = ImageCms.ImageCmsProfile(ImageCms.createProfile("LAB")).tobytes()
    parts = {"/Resources/plain.png": encoded(image, "PNG"), "/Resources/broken.icc": broken,
             "/Resources/lab.icc": lab, "/Resources/broken.tif": tiff(np.asarray(image), 2, profile=broken),
             "/Resources/rgb-profile.tif": tiff(np.asarray(image.convert("L"))[:, :, np.newaxis], 1, profile=SWAPPED),
             "/Resources/twelve.tif": tiff(np.full((10, 80, 12), 90, dtype=np.uint8), 5, extras=[0] * 8, inkset=2)}
    kept = image_path(40, 20, 736, 100, "/Resources/plain.png", size)
    sources = ["{ColorConvertedBitmap /Resources/plain.png /Resources/broken.icc}",
               "{ColorConvertedBitmap /Resources/plain.png /Resources/missing.icc}",
               "{ColorConvertedBitmap /Resources/plain.png /Resources/lab.icc}",
               "/Resources/broken.tif", "/Resources/rgb-profile.tif", "/Resources/twelve.tif"]
    dropped = "".join(image_path(40, 140 + 125 * i, 736, 100, source, size) for i, source in enumerate(sources))
    after = '<Path Fill="#ff802040" Data="M 40,900 L 776,900 776,1030 40,1030 Z"/>'
    return (kept + dropped + after, parts), (kept + after, {"/Resources/plain.png": parts["/Resources/plain.png"]})


DOCUMENTS = {"glyphs": glyphs, "profiles": profiles, "inks": inks, "hostile": hostile}


def main():
    out = sys.argv[1]
    for name, make in DOCUMENTS.items():
        document, expected = make()
        write_package(os.path.join(out, f"{name}.xps"), *document)
        write_package(os.path.join(out, f"{name}-expected.xps"), *expected)
    return 0


if __name__ == "__main__":
    sys.exit(main())
