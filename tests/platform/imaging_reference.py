#!/usr/bin/python3
"""Fixtures for the imaging tests and their pixels as Python's imaging library decodes them.

  imaging_reference.py make DIR      writes images to DIR and manifest.txt listing them
  imaging_reference.py ref IMAGE     writes IMAGE.ref for any image

A .ref is one text line "width height channels dpi_x dpi_y icc_length [tolerance]" then the
pixels as 8-bit samples: grey, RGB, RGBA or CMYK, the layout the decoder under
test should end with; then the ICC profile bytes.
Run with Debian's /usr/bin/python3 (python3-pil, python3-numpy).
"""
import os
import struct
import subprocess
import sys
import zlib

import numpy as np
from PIL import Image, ImageCms


def reference(path, force_mode=None):
    im = Image.open(path)
    im.load()
    mode = im.mode
    if force_mode:
        pixels = np.asarray(im.convert(force_mode))
    elif mode in ("I", "I;16", "I;16B"):
        pixels = (np.asarray(im).astype(np.uint32) >> 8).astype(np.uint8)
    elif mode == "1":
        pixels = np.asarray(im.convert("L"))
    elif mode in ("P", "PA", "LA") or "transparency" in im.info:
        pixels = np.asarray(im.convert("RGBA"))
    else:
        pixels = np.asarray(im)
    channels = 1 if pixels.ndim == 2 else pixels.shape[2]
    dpi = im.info.get("dpi", (0, 0))
    if im.format == "TIFF" and (282 not in im.tag_v2 or im.tag_v2.get(296) == 1):
        dpi = (0, 0)  # none declared (the library says 1), or only an aspect ratio
    icc = im.info.get("icc_profile") or b""
    with open(path + ".ref", "wb") as out:
        out.write(b"%d %d %d %r %r %d\n" % (im.width, im.height, channels, float(dpi[0]), float(dpi[1]), len(icc)))
        out.write(pixels.astype(np.uint8).tobytes())
        out.write(icc)


def raw_png(path, width, height, depth, colour_type, rows, before_data=b""):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    data = b"".join(b"\0" + row for row in rows)
    extra = chunk(before_data[:4], before_data[4:]) if before_data else b""
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", zlib.compress(data)) +
                  chunk(b"IEND", b""))


def make_hostile(folder):
    """Images whose headers lie; they have no reference."""
    rows = [b"\0" * 16] * 4
    raw_png(os.path.join(folder, "hostile_huge.png"), 65536, 65536, 8, 6, rows)
    # 512 MiB decoded: within the decoders' bound, beyond the rip filter's sides.
    raw_png(os.path.join(folder, "hostile_huge_bilevel.png"), 65536, 65536, 1, 0, rows)
    raw_png(os.path.join(folder, "hostile_no_palette.png"), 4, 4, 8, 3, rows)
    raw_png(os.path.join(folder, "hostile_empty_palette.png"), 4, 4, 8, 3, rows, before_data=b"PLTE")
    raw_png(os.path.join(folder, "hostile_short_rows.png"), 300, 300, 8, 2, rows)


def transfer(v):
    v = np.nan_to_num(np.asarray(v, dtype=np.float32), nan=0.0)
    curve = (np.float32(1.099) * np.power(np.clip(v, 0.018, 1), np.float32(0.45)) - np.float32(0.099)) * 255
    out = np.where(v < 0.018, v * np.float32(1147.5), curve)
    return np.where(v <= 0, 0, np.where(v >= 1, 255, out)).astype(np.uint8)


def raw_tiff(path, samples, photometric, sample_format=1, extras=(), inkset=None, profile=None):
    """An uncompressed little-endian TIFF of one strip; samples is an (h, w, n) array; profile: ICC bytes."""
    h, w, n = samples.shape
    bits = samples.dtype.itemsize * 8
    data = samples.astype(samples.dtype.newbyteorder("<")).tobytes()
    tags = [(256, 4, [w]), (257, 4, [h]), (258, 3, [bits] * n), (259, 3, [1]), (262, 3, [photometric]),
            (273, 4, [0]), (277, 3, [n]), (278, 4, [h]), (279, 4, [len(data)]), (284, 3, [1])]
    if inkset:
        tags.append((332, 3, [inkset]))
    if extras:
        tags.append((338, 3, list(extras)))
    tags.append((339, 3, [sample_format] * n))
    if profile:
        tags.append((34675, 7, list(profile)))
    tags.sort()
    directory_size = 2 + 12 * len(tags) + 4
    extra_at = 8 + directory_size
    extra = b""
    entries = b""
    for tag, kind, values in tags:
        packed = b"".join(struct.pack({3: "<H", 4: "<I", 7: "<B"}[kind], v) for v in values)
        if tag == 273:
            packed = struct.pack("<I", 0)  # filled below
        if len(packed) <= 4:
            entries += struct.pack("<HHI", tag, kind, len(values)) + packed.ljust(4, b"\0")
        else:
            entries += struct.pack("<HHII", tag, kind, len(values), extra_at + len(extra))
            extra += packed + b"\0" * (len(packed) % 2)
    data_at = extra_at + len(extra)
    entries = entries.replace(struct.pack("<HHI", 273, 4, 1) + struct.pack("<I", 0),
                              struct.pack("<HHI", 273, 4, 1) + struct.pack("<I", data_at))
    with open(path, "wb") as out:
        out.write(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(tags)) + entries + b"\0\0\0\0" + extra + data)


def write_ref(path, pixels, dpi=0.0, tolerance=0):
    h, w = pixels.shape[:2]
    channels = 1 if pixels.ndim == 2 else pixels.shape[2]
    with open(path + ".ref", "wb") as out:
        out.write(b"%d %d %d %r %r 0 %d\n" % (w, h, channels, dpi, dpi, tolerance))
        out.write(pixels.astype(np.uint8).tobytes())


def make_deep_tiffs(folder, rng, w, h):
    """TIFF layouts the imaging library cannot read: their reference is what was written."""
    made = []

    def put(name, samples, expected, photometric, **options):
        raw_tiff(os.path.join(folder, name), samples, photometric, **options)
        write_ref(os.path.join(folder, name), expected)
        made.append(name)

    def words(n):
        return rng.integers(0, 65536, (h, w, n), dtype=np.uint16)

    def bytes_(n):
        return rng.integers(0, 256, (h, w, n), dtype=np.uint8)

    rgb16, rgba16, cmyk16, cmyka16, ch5a16 = words(3), words(4), words(4), words(5), words(5)
    put("rgb16.tif", rgb16, rgb16 >> 8, 2)
    put("rgba16.tif", rgba16, rgba16 >> 8, 2, extras=[2])
    put("cmyk16.tif", cmyk16, cmyk16 >> 8, 5, inkset=1)
    put("cmyk_alpha16.tif", cmyka16, cmyka16 >> 8, 5, inkset=1, extras=[2])
    put("channels4_alpha16.tif", ch5a16, ch5a16 >> 8, 5, inkset=2, extras=[2])
    cmyka, ch5, rgbx = bytes_(5), bytes_(5), bytes_(5)
    put("cmyk_alpha.tif", cmyka, cmyka, 5, inkset=1, extras=[2])
    put("channels5.tif", ch5, ch5, 5, inkset=2)
    put("rgb_two_extra.tif", rgbx, rgbx, 2, extras=[0, 0])
    grey = bytes_(1)
    put("miniswhite.tif", grey, 255 - grey[:, :, 0], 0)
    floats = rng.uniform(-0.2, 1.2, (h, w, 4)).astype(np.float32)
    put("grey_float.tif", floats[:, :, :1], transfer(floats[:, :, 0]), 1, sample_format=3)
    alpha = np.round(np.clip(floats[:, :, 3:], 0, 1) * 255)
    put("rgba_float.tif", floats, np.concatenate([transfer(floats[:, :, :3]), alpha], axis=2), 2,
        sample_format=3, extras=[2])
    halves = floats[:, :, :3].astype(np.float16)
    put("rgb_half.tif", halves, transfer(halves.astype(np.float32)), 2, sample_format=3)
    return made


def make_jpegxr(folder, rng, w, h):
    """JPEG XR images, losslessly coded from TIFFs of known samples."""
    def words(n):
        return rng.integers(0, 65536, (h, w, n), dtype=np.uint16)

    def bytes_(n):
        return rng.integers(0, 256, (h, w, n), dtype=np.uint8)

    rgb8, grey8, bgra, cmyka = bytes_(3), bytes_(1), bytes_(4), bytes_(5)
    grey16, rgb16, rgba16 = words(1), words(3), words(4)
    # Above the steep toe of the curve, where the coding's rounding stays below a step.
    greyf, rgbf = rng.uniform(0.05, 1, (h, w, 1)).astype(np.float32), rng.uniform(0.05, 1, (h, w, 3)).astype(np.float32)
    greyh, rgbh = greyf.astype(np.float16), rgbf.astype(np.float16)
    # 128-bit RGB float: jxrlib's own coding moves about 3% of the samples far
    # from the source (its JxrDecApp gives them back so too), so its reference
    # is what JxrDecApp decodes (see rgb_float_jxr).
    cases = [  # name, samples, photometric, sample format, extra samples, JxrEncApp format, expected
        ("rgb8", rgb8, 2, 1, [], 9, rgb8),
        ("grey8", grey8, 1, 1, [], 2, grey8[:, :, 0]),
        ("grey16", grey16, 1, 1, [], 3, grey16[:, :, 0] >> 8),
        ("rgb16", rgb16, 2, 1, [], 10, rgb16 >> 8),
        ("rgba16", rgba16, 2, 1, [2], 23, rgba16 >> 8),
        ("bgra8", bgra, 2, 1, [2], 22, bgra),
        ("cmyk_alpha8", cmyka, 5, 1, [2], 32, cmyka),
        ("grey_half", greyh, 1, 3, [], 5, transfer(greyh[:, :, 0].astype(np.float32))),
        ("rgb_half", rgbh, 2, 3, [], 12, transfer(rgbh.astype(np.float32))),
        ("grey_float", greyf, 1, 3, [], 8, transfer(greyf[:, :, 0])),
    ]
    made = []
    for name, samples, photometric, sample_format, extras, code, expected in cases:
        source = os.path.join(folder, "jxr_source_" + name + ".tif")
        target = os.path.join(folder, name + ".jxr")
        raw_tiff(source, samples, photometric, sample_format=sample_format, extras=extras)
        subprocess.run(["JxrEncApp", "-i", source, "-o", target, "-c", str(code)] + (["-a", "2"] if extras else []),
                       check=True, stdout=subprocess.DEVNULL)
        if name == "bgra8":  # the same with alpha interleaved, which is refused
            subprocess.run(["JxrEncApp", "-i", source, "-o", os.path.join(folder, "interleaved_alpha.jxr"),
                            "-c", str(code), "-a", "3"], check=True, stdout=subprocess.DEVNULL)
        os.remove(source)
        # 96 dpi: what the encoder declares when the source declares nothing. Its
        # "lossless" float coding rounds the mantissa: a step of the curve at most.
        write_ref(target, expected, dpi=96.0, tolerance=2 if "float" in name else 0)
        made.append(name + ".jxr")
    made.append(rgb_float_jxr(folder, rgbf))
    return made


def rgb_float_jxr(folder, rgbf):
    """A 128bppRGBFloat image whose reference is the floats JxrDecApp decodes from it."""
    source = os.path.join(folder, "jxr_source_rgb_float.tif")
    target = os.path.join(folder, "rgb_float.jxr")
    decoded = os.path.join(folder, "jxr_decoded_rgb_float.tif")
    raw_tiff(source, rgbf, 2, sample_format=3)
    subprocess.run(["JxrEncApp", "-i", source, "-o", target, "-c", "15"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["JxrDecApp", "-i", target, "-o", decoded, "-c", "15"], check=True, stdout=subprocess.DEVNULL)
    with open(decoded, "rb") as tiff:
        data = tiff.read()
    os.remove(source)
    os.remove(decoded)
    # One strip of four floats a pixel (the fourth unused), found through the StripOffsets entry.
    directory = struct.unpack("<I", data[4:8])[0]
    entries = [struct.unpack("<HHII", data[directory + 2 + 12 * i:directory + 14 + 12 * i])
               for i in range(struct.unpack("<H", data[directory:directory + 2])[0])]
    strip = next(value for tag, _, _, value in entries if tag == 273)
    h, w = rgbf.shape[:2]
    floats = np.frombuffer(data[strip:strip + h * w * 16], dtype="<f4").reshape(h, w, 4)[:, :, :3]
    write_ref(target, transfer(floats), dpi=96.0, tolerance=1)
    return "rgb_float.jxr"


def make(folder):
    os.makedirs(folder, exist_ok=True)
    rng = np.random.default_rng(17)
    w, h = 37, 23  # odd sizes: rows that end inside a byte
    rgb = Image.fromarray(rng.integers(0, 256, (h, w, 3), dtype=np.uint8), "RGB")
    rgba = Image.fromarray(rng.integers(0, 256, (h, w, 4), dtype=np.uint8), "RGBA")
    grey = rgb.convert("L")
    icc = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    made = {}  # name -> mode forced on the reference, or None

    def save(image, name, force=None, **options):
        image.save(os.path.join(folder, name), **options)
        made[name] = force

    save(grey.convert("1"), "grey1.png")
    save(grey, "grey8.png", dpi=(150, 150))
    save(Image.fromarray((np.asarray(grey).astype(np.uint16) * 257 + 3), "I;16"), "grey16.png")
    save(rgb.convert("P", palette=Image.ADAPTIVE, colors=16), "palette4.png", bits=4)
    save(rgb.convert("P", palette=Image.ADAPTIVE, colors=200), "palette8_alpha.png", transparency=bytes(range(0, 200)))
    save(rgba.convert("LA"), "grey_alpha.png")
    save(rgb, "rgb.png", icc_profile=icc, dpi=(300, 300))
    save(rgba, "rgba.png")
    save(rgb, "rgb_transparent_colour.png", transparency=tuple(np.asarray(rgb)[0, 0].tolist()))
    packed = [bytes(int("".join(format(v, "02b") for v in row[i:i + 4]).ljust(8, "0"), 2)
                    for i in range(0, w, 4)) for row in rng.integers(0, 4, (h, w))]
    raw_png(os.path.join(folder, "grey2.png"), w, h, 2, 0, packed)
    made["grey2.png"] = None
    deep = rng.integers(0, 65536, (h, w, 3), dtype=np.uint16).astype(">u2")
    raw_png(os.path.join(folder, "rgb16.png"), w, h, 16, 2, [row.tobytes() for row in deep])
    made["rgb16.png"] = None

    save(grey, "grey.jpg", quality=90)
    save(rgb, "rgb.jpg", quality=90, dpi=(300, 300), icc_profile=icc)
    save(rgb, "progressive.jpg", quality=75, progressive=True)
    save(rgb.convert("CMYK"), "cmyk.jpg", quality=95)

    save(grey.convert("1"), "bilevel.tif", compression="group4")
    save(grey, "grey_lzw.tif", compression="tiff_lzw", dpi=(72.5, 72.5))
    save(rgb.convert("P", palette=Image.ADAPTIVE, colors=256), "palette.tif")
    save(rgb, "rgb_deflate.tif", compression="tiff_deflate", icc_profile=icc)
    save(rgba, "rgba.tif")
    save(rgb.convert("CMYK"), "cmyk.tif")
    save(Image.fromarray(np.asarray(grey).astype(np.uint16) * 257, "I;16"), "grey16.tif")
    for name, options in (("tiled.tif", ["-t", "-w", "16", "-l", "16"]), ("planes.tif", ["-p", "separate"]),
                          ("ycbcr_jpeg.tif", ["-c", "jpeg", "-r", "16"])):
        subprocess.run(["tiffcp", *options, os.path.join(folder, "rgb_deflate.tif"), os.path.join(folder, name)],
                       check=True)
        made[name] = "RGBA"  # read through the RGBA reader

    with open(os.path.join(folder, "manifest.txt"), "w") as manifest:
        for name, force in made.items():
            reference(os.path.join(folder, name), force)
            manifest.write(name + "\n")
        for name in make_deep_tiffs(folder, rng, w, h) + make_jpegxr(folder, rng, w, h):
            manifest.write(name + "\n")
    make_hostile(folder)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        reference(sys.argv[2])
