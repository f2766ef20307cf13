#!/usr/bin/python3
"""Checks what the recording converter received through the resource callbacks
against the document's own parts, decoded by independent libraries.

  resource_check.py add-profiles IN OUT   copies IN with, on its first page, a
      colour of an ICC profile part and a JPEG carrying a profile of its own
  resource_check.py check DOCUMENT FOLDER KIND...
      reads FOLDER/resources.txt (one line per callback: kind, page, result,
      size, NULL releases, file, URI) and checks every call succeeded: a font
      is the part's bytes de-obfuscated and fontTools reads it; a profile is
      the part's bytes and the colour management library opens it; an image
      block has the layout of the converter interface and the pixels and
      profile Python's imaging library decodes (imaging_reference.py). Each
      KIND named must have been fetched at least once.
Run with Debian's /usr/bin/python3 (python3-pil, python3-numpy, python3-fonttools).
"""
import io
import os
import posixpath
import struct
import sys
import tempfile
import zipfile

from fontTools.ttLib import TTFont
from PIL import Image, ImageCms

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "platform"))
from compare_call_log import Package, resolve  # noqa: E402
import imaging_reference  # noqa: E402

PROFILE_PART = "/Resources/Profiles/sRGB.icc"
PHOTO_PART = "/Resources/Images/photo.jpg"
COLOUR_TYPES = {0: "L", 1: "RGB", 2: "CMYK", 9: "RGBA", 10: "CMYKA", 5: "n", 13: "nA"}


def deobfuscate(name, data):
    """An obfuscated font's first 32 bytes XORed with the GUID of its part name."""
    guid = posixpath.splitext(posixpath.basename(name))[0].replace("-", "")
    key = bytes.fromhex(guid)
    head = bytes(b ^ key[15 - i % 16] for i, b in enumerate(data[:32]))
    return head + data[32:]


def check_font(package, name, data):
    expected = package.read(name)
    if name.lower().endswith(".odttf"):
        expected = deobfuscate(name, expected)
    if data != expected:
        return "not the part's font bytes"
    font = TTFont(io.BytesIO(data), fontNumber=0)
    return None if font["maxp"].numGlyphs > 0 else "a font without glyphs"


def check_profile(package, name, data):
    if data != package.read(name):
        return "not the part's bytes"
    ImageCms.ImageCmsProfile(io.BytesIO(data))
    return None


def check_image(package, name, block):
    if block[:4] != b"RIRO" or struct.unpack("<HH", block[4:8]) != (6, 28):
        return "no block header"
    width, height, _, _ = struct.unpack("<HHHH", block[8:16])
    depth, colour_type = block[16], block[17]
    profile_flag = block[23]
    profile_at, profile_size = struct.unpack(">II", block[24:32])
    pixels_end = 512 + depth * width * height
    if colour_type not in COLOUR_TYPES or block[18:23] != b"\0\0\x01\x31\0" or any(block[36:512]):
        return "header fields out of place"
    if profile_flag not in (0, 2) or (profile_flag == 2) != (profile_size > 0):
        return "profile flag %d with %d profile bytes" % (profile_flag, profile_size)
    if profile_size and profile_at != pixels_end:
        return "profile at %d, pixels end at %d" % (profile_at, pixels_end)
    if len(block) != pixels_end + profile_size:
        return "block of %d bytes, header says %d" % (len(block), pixels_end + profile_size)
    with tempfile.TemporaryDirectory() as folder:
        image = os.path.join(folder, posixpath.basename(name))
        with open(image, "wb") as out:
            out.write(package.read(name))
        imaging_reference.reference(image)
        with open(image + ".ref", "rb") as ref:
            header, rest = ref.read().split(b"\n", 1)
    w, h, channels, dpi_x, dpi_y, icc_length = header.split()[:6]
    tolerance = int(header.split()[6]) if len(header.split()) > 6 else 0
    if (int(w), int(h), int(channels)) != (width, height, depth):
        return "%dx%d of %d bytes a pixel, the library decodes %sx%s of %s" % (width, height, depth, w, h, channels)
    declared = float(dpi_x) > 0 and float(dpi_y) > 0
    for axis, whole_at, fraction_at, dpi in ((0, 12, 32, dpi_x), (1, 14, 34, dpi_y)):
        got = struct.unpack("<H", block[whole_at:whole_at + 2])[0] + \
            struct.unpack("<H", block[fraction_at:fraction_at + 2])[0] / 65536.0
        if abs(got - (float(dpi) if declared else 96.0)) > 0.01:
            return "resolution %r where the image declares %s" % (got, dpi)
    reference_pixels = rest[:width * height * depth]
    differing = sum(1 for a, b in zip(block[512:pixels_end], reference_pixels) if abs(a - b) > tolerance)
    if differing:
        return "%d of %d samples differ from the library's" % (differing, len(reference_pixels))
    if block[pixels_end:] != rest[width * height * depth:width * height * depth + int(icc_length)]:
        return "not the image's embedded profile"
    return None


def check(document, folder, kinds):
    package = Package(document)
    pages = list(package.pages())
    checkers = {"font": check_font, "profile": check_profile, "image": check_image}
    seen = {}
    failures = 0
    with open(os.path.join(folder, "resources.txt"), encoding="utf-8") as listing:
        for line in listing:
            kind, page, result, size, null_releases, file, uri = line.rstrip("\n").split(" ", 6)
            name = resolve(pages[int(page) - 1], uri.split("#")[0])
            data = b""
            if file != "-":
                with open(os.path.join(folder, file), "rb") as received:
                    data = received.read()
            problem = None
            if result != "1" or file == "-" or int(size) != len(data) or null_releases != "0":
                problem = "result %s, %s bytes, %s NULL releases" % (result, size, null_releases)
            else:
                problem = checkers[kind](package, name, data)
            print("%s %s: %s" % (kind, name, problem or "%d bytes as expected" % len(data)))
            failures += problem is not None
            seen[kind] = seen.get(kind, 0) + 1
    for kind in kinds:
        if not seen.get(kind):
            print("no %s was fetched" % kind)
            failures += 1
    return 1 if failures else 0


def add_profiles(source, target):
    """Copies the package, giving its first page a context colour and a JPEG, each with an sRGB profile."""
    profile = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    photo = io.BytesIO()
    Image.linear_gradient("L").resize((64, 48)).convert("RGB").save(photo, "JPEG", quality=90, icc_profile=profile,
                                                                   dpi=(150, 150))
    package = Package(source)
    first = next(package.pages())[1:]
    rels = posixpath.join(posixpath.dirname(first), "_rels", posixpath.basename(first) + ".rels")
    with zipfile.ZipFile(source) as original, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as out:
        names = original.namelist()
        relationship = ('<Relationship Type="http://schemas.microsoft.com/xps/2005/06/required-resource" '
                        'Target="%s" Id="%s"/>')
        added = (relationship % (PROFILE_PART, "kestrelProfile")) + (relationship % (PHOTO_PART, "kestrelPhoto"))
        for name in names:
            data = original.read(name)
            if name.lower() == first.lower():
                close = data.rindex(b"</")
                data = data[:close] + (
                    '<Path Data="M 10,10 L 90,10 90,90 Z" Fill="ContextColor %s 1,0.2,0.4,0.6"/>'
                    '<Path Data="M 100,100 L 164,100 164,148 100,148 Z"><Path.Fill>'
                    '<ImageBrush ImageSource="%s" Viewbox="0,0,64,48" ViewboxUnits="Absolute" '
                    'Viewport="100,100,64,48" ViewportUnits="Absolute"/></Path.Fill></Path>'
                    % (PROFILE_PART, PHOTO_PART)).encode() + data[close:]
            elif name.lower() == rels.lower():
                data = data.replace(b"</Relationships>", added.encode() + b"</Relationships>")
            elif name == "[Content_Types].xml":
                data = data.replace(b"</Types>", b'<Default Extension="icc" ContentType="application/vnd.ms-color.iccprofile"/>'
                                    b'<Override PartName="%s" ContentType="image/jpeg"/></Types>'
                                    % PHOTO_PART.encode())
            out.writestr(name, data)
        if rels.lower() not in (n.lower() for n in names):
            out.writestr(rels, '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                         + added + "</Relationships>")
        out.writestr(PROFILE_PART[1:], profile)
        out.writestr(PHOTO_PART[1:], photo.getvalue())


def main(argv):
    if argv[1:2] == ["add-profiles"]:
        add_profiles(argv[2], argv[3])
        return 0
    if argv[1:2] == ["check"]:
        return check(argv[2], argv[3], argv[4:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
