#!/usr/bin/env python3
"""Writes the stand-in inputs the hardening tests feed to quorvane.

  make_inputs.py images DIR   one file per image variant (see VARIANTS), plus manifest.txt
  make_inputs.py data DIR     a complete, good data/ folder: eleven small images and a
                              short MP3 (needs lame)
  make_inputs.py music DIR    the bad soundtrack variants, one file each, and good.mp3

Every decodable image is filled with FILL, whose channels are multiples of 8 so that
5- and 6-bit formats hold it exactly; the texture must come out with that colour.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import wave
import zlib

FILL = (200, 48, 8)  # red, green, blue
# The demo's own list: the quoted names of src/assets/ImageNames.inc, without ".bmp".
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "assets",
                       "ImageNames.inc")) as names:
    IMAGE_NAMES = re.findall(r'^"(.*)\.bmp",$', names.read(), re.M)
BI_RGB, BI_RLE8, BI_BITFIELDS = 0, 1, 3


def bmp(width, height, bpp, top_down=False, compression=BI_RGB, masks=None, colour=FILL,
        header_size=40):
    """A BMP of one colour, every pixel depth the format allows."""
    r, g, b = colour
    palette = b""
    if bpp <= 8:
        entries = [(b, g, r, 0)] + [(0, 0, 0, 0)] * ((1 << bpp) - 1)
        palette = b"".join(bytes(e) for e in entries)
    row_bytes = (width * bpp + 7) // 8
    stride = (row_bytes + 3) & ~3
    if compression == BI_RLE8:
        rows = []
        for _ in range(height):
            run = b""
            left = width
            while left > 0:
                n = min(left, 255)
                run += bytes((n, 0))
                left -= n
            rows.append(run + b"\x00\x00")  # end of line
        pixels = b"".join(rows)[:-2] + b"\x00\x01"  # end of bitmap
    else:
        if bpp <= 8:
            row = bytes(row_bytes)  # palette index 0 everywhere
        elif bpp == 16:
            if masks:  # 5-6-5
                v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
            else:  # 5-5-5
                v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)
            row = struct.pack("<H", v) * width
        elif bpp == 24:
            row = bytes((b, g, r)) * width
        else:
            row = bytes((b, g, r, 255)) * width
        pixels = (row + bytes(stride - row_bytes)) * height
    extra = b""
    if compression == BI_BITFIELDS:
        extra = struct.pack("<3I", *masks[:3])
        if header_size > 40:
            extra += struct.pack("<I", masks[3]) + bytes(header_size - 56)
    info = struct.pack("<IiiHHIIiiII", header_size if header_size == 40 else 40 + 0,
                       width, -height if top_down else height, 1, bpp, compression,
                       len(pixels), 2835, 2835, (1 << bpp) if bpp <= 8 else 0, 0)
    if header_size > 40:
        info = struct.pack("<I", header_size) + info[4:]
    offset = 14 + len(info) + len(extra) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + extra + palette + pixels


def png(width, height, colour=FILL):
    """An RGB PNG of one colour (decodable by the image loader whatever the file is called)."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + bytes(colour) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def corpus_file(name):
    """A kept input of the image fuzzer (tests/hardening/corpus/)."""
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", name), "rb") as f:
        return f.read()


GOOD = bmp(64, 64, 24)

# name -> (bytes or None for a missing file, texture size "WxH" or "error",
#          texture size when the GL takes powers of two only)
VARIANTS = {
    "missing": (None, "error", "error"),
    "empty": (b"", "error", "error"),
    "truncated-header": (GOOD[:30], "error", "error"),
    "truncated-pixels": (GOOD[:len(GOOD) // 2], "error", "error"),
    "not-an-image": (b"quorvane: this is a text file, not a picture\n" * 20, "error", "error"),
    "huge-claimed-size": (GOOD[:18] + struct.pack("<ii", 40000, 40000) + GOOD[26:60], "error", "error"),
    "zero-depth": (GOOD[:28] + struct.pack("<H", 0) + GOOD[30:], "error", "error"),
    # The fuzzer's: a header cut inside its info block that the loader decodes to 12608 x 64
    # pixels of 24 bits in rows of 0 bytes.
    "rows-shorter-than-width": (b"BM60" + bytes(6) + b"6\x00\x00\x00(\x00\x00\x00@1\x00\x00@\x00\x00\x00"
                                b"\x01\x00\x18\x07", "error", "error"),
    # The fuzzer's: 1 x 1 pictures of 1 and of 8 bits per pixel that the loader makes
    # without a palette.
    "one-bit-without-palette": (corpus_file("one-bit-no-palette.bmp"), "error", "error"),
    "eight-bit-without-palette": (corpus_file("eight-bit-no-palette.bmp"), "error", "error"),
    # And a header whose height times row size overflows: the loader runs out of memory.
    "overflowing-surface-size": (corpus_file("overflowing-surface-size.bmp"), "error", "error"),
    "too-many-pixels": (bmp(8192, 4096, 8, compression=BI_RLE8)[:1078] + b"\x00\x01", "error", "error"),
    "bpp1": (bmp(64, 64, 1), "64x64", "64x64"),
    "bpp4": (bmp(64, 64, 4), "64x64", "64x64"),
    "bpp8": (bmp(64, 64, 8), "64x64", "64x64"),
    "bpp8-rle": (bmp(64, 64, 8, compression=BI_RLE8), "64x64", "64x64"),
    "bpp16-555": (bmp(64, 64, 16), "64x64", "64x64"),
    "bpp16-565": (bmp(64, 64, 16, compression=BI_BITFIELDS, masks=(0xF800, 0x07E0, 0x001F)), "64x64", "64x64"),
    "bpp24": (GOOD, "64x64", "64x64"),
    "bpp24-top-down": (bmp(64, 64, 24, top_down=True), "64x64", "64x64"),
    "bpp32": (bmp(64, 64, 32), "64x64", "64x64"),
    "bpp32-alpha": (bmp(64, 64, 32, compression=BI_BITFIELDS,
                        masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000), header_size=108),
                    "64x64", "64x64"),
    "non-power-of-two": (bmp(100, 60, 24), "100x60", "64x32"),
    "odd-width": (bmp(33, 7, 24), "33x7", "32x4"),
    "one-pixel": (bmp(1, 1, 24), "1x1", "1x1"),
    "one-pixel-bpp8": (bmp(1, 1, 8), "1x1", "1x1"),
    "over-max-texture-size": (bmp(2, 16400, 24), "2x16384", "2x16384"),
    "png-named-bmp": (png(32, 16), "32x16", "32x16"),
}

# The soundtrack's bad variants: none of them may stop the show.
MUSIC_VARIANTS = {
    "missing": None,
    "empty": b"",
    "truncated": "truncated",  # the first 100 bytes of a real MP3: inside its first frame
    "cut-midway": "cut-midway",  # the first half of a real MP3: plays what it holds
    "not-audio": b"quorvane: this is a text file, not music\n" * 50,
}


def sine_mp3(path, seconds=2.0):
    with tempfile.TemporaryDirectory() as tmp:
        wav_path = os.path.join(tmp, "tone.wav")
        with wave.open(wav_path, "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(22050)
            frames = bytearray()
            for i in range(int(22050 * seconds)):
                v = 6000 if (i // 50) % 2 else -6000  # a 220 Hz square wave
                frames += struct.pack("<hh", v, v)
            w.writeframes(bytes(frames))
        subprocess.run(["lame", "--quiet", "-b", "64", wav_path, path], check=True)


def write_images(out):
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "manifest.txt"), "w") as manifest:
        for name, (data, expected, expected_pow2) in VARIANTS.items():
            if data is not None:
                with open(os.path.join(out, name + ".bmp"), "wb") as f:
                    f.write(data)
            manifest.write(f"{name} {expected} {expected_pow2}\n")


def write_data(out):
    os.makedirs(out, exist_ok=True)
    for name in IMAGE_NAMES:
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(GOOD)
    sine_mp3(os.path.join(out, "quorvane.mp3"))


def write_music(out):
    os.makedirs(out, exist_ok=True)
    good = os.path.join(out, "good.mp3")
    sine_mp3(good)
    with open(good, "rb") as f:
        real = f.read()
    for name, data in MUSIC_VARIANTS.items():
        if data is None:
            continue
        if data == "truncated":
            data = real[:100]
        elif data == "cut-midway":
            data = real[:len(real) // 2]
        with open(os.path.join(out, name + ".mp3"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("images", "data", "music"):
        sys.exit("usage: make_inputs.py images|data|music DIR")
    {"images": write_images, "data": write_data, "music": write_music}[sys.argv[1]](sys.argv[2])
