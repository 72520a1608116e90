#!/usr/bin/env python3
"""Fits an 8-bit RGB PNG (as quorvane-capture writes them) into a byte limit, the same bytes
for the same input on every run: first the picture as it is, compressed again (zlib at its
best level, each row with the filter whose output sums smallest); while that is too large,
the same picture in a palette of 256 colours, then 128, 64 and so on, made by median cut and
used without dithering. The text chunks are kept. Prints what it wrote.

  small_png.py IN OUT MAX_BYTES
"""
import struct
import sys
import zlib
from collections import Counter

from failure import fail

SIGNATURE = b'\x89PNG\r\n\x1a\n'
RGB = 2          # PNG colour types
PALETTE = 3
CHANNELS = 3
LEVEL = 9
MOST_COLOURS = 256
FEWEST_COLOURS = 2


def read_png(path):
    """(width, height, rows of RGB bytes, [text chunk payloads])."""
    with open(path, 'rb') as source:
        data = source.read()
    if data[:8] != SIGNATURE:
        fail(f'{path} is not a PNG')
    at, header, compressed, texts = 8, None, b'', []
    while at + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        payload = data[at + 8:at + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', payload)
        elif kind == b'IDAT':
            compressed += payload
        elif kind == b'tEXt':
            texts.append(payload)
        at += 12 + length
    if header is None or header[2:] != (8, RGB, 0, 0, 0):
        fail(f'{path} is not an 8-bit RGB PNG without interlacing')
    width, height = header[:2]
    raw = zlib.decompress(compressed)
    stride = width * CHANNELS
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = row[x - CHANNELS] if x >= CHANNELS else 0
            up = previous[x]
            corner = previous[x - CHANNELS] if x >= CHANNELS else 0
            if kind == 1:
                row[x] = (row[x] + left) & 0xff
            elif kind == 2:
                row[x] = (row[x] + up) & 0xff
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 0xff
            elif kind == 4:
                row[x] = (row[x] + paeth(left, up, corner)) & 0xff
        rows.append(bytes(row))
        previous = row
    return width, height, rows, texts


def paeth(left, up, corner):
    estimate = left + up - corner
    a, b, c = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
    if a <= b and a <= c:
        return left
    return up if b <= c else corner


def filtered(row, previous, step):
    """The row under each of PNG's five filters; the one whose bytes, as signed, sum least."""
    best = None
    for kind in range(5):
        out = bytearray([kind])
        for x, value in enumerate(row):
            left = row[x - step] if x >= step else 0
            up = previous[x]
            corner = previous[x - step] if x >= step else 0
            guess = (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]
            out.append((value - guess) & 0xff)
        cost = sum(b if b < 128 else 256 - b for b in out[1:])
        if best is None or cost < best[0]:
            best = (cost, out)
    return bytes(best[1])


def chunk(kind, payload):
    body = kind + payload
    return struct.pack('>I', len(payload)) + body + struct.pack('>I', zlib.crc32(body))


def png_bytes(width, height, colour_type, rows, texts, palette=None):
    if colour_type == RGB:
        previous, lines = bytes(width * CHANNELS), []
        for row in rows:
            lines.append(filtered(row, previous, CHANNELS))
            previous = row
    else:
        # Indices do not predict one another: a palette picture is best left unfiltered.
        lines = [b'\0' + row for row in rows]
    out = SIGNATURE + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, colour_type,
                                                 0, 0, 0))
    if palette is not None:
        out += chunk(b'PLTE', b''.join(bytes(colour) for colour in palette))
    for text in texts:
        out += chunk(b'tEXt', text)
    return out + chunk(b'IDAT', zlib.compress(b''.join(lines), LEVEL)) + chunk(b'IEND', b'')


def median_cut(counts, wanted):
    """[(palette colour, [colours it stands for])]: the box with the widest channel is split
    at its weighted median until there are `wanted` boxes or none can be split."""
    boxes = [sorted(counts)]
    while len(boxes) < wanted:
        widest, box_at, channel_at = -1, None, 0
        for at, box in enumerate(boxes):
            for channel in range(CHANNELS):
                values = [colour[channel] for colour in box]
                width = max(values) - min(values)
                if width > widest:
                    widest, box_at, channel_at = width, at, channel
        if widest <= 0:
            break
        box = sorted(boxes[box_at], key=lambda colour: (colour[channel_at], colour))
        half, running, cut = sum(counts[colour] for colour in box) / 2, 0, 1
        for cut, colour in enumerate(box[:-1], 1):
            running += counts[colour]
            if running >= half:
                break
        boxes[box_at:box_at + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(counts[colour] for colour in box)
        mean = tuple((sum(colour[c] * counts[colour] for colour in box) + total // 2) // total
                     for c in range(CHANNELS))
        palette.append((mean, box))
    return palette


def main():
    if len(sys.argv) != 4 or not sys.argv[3].isdigit():
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    source, target, limit = sys.argv[1], sys.argv[2], int(sys.argv[3])
    width, height, rows, texts = read_png(source)
    data, what = png_bytes(width, height, RGB, rows, texts), 'every colour'
    if len(data) > limit:
        pixels = [tuple(row[x:x + CHANNELS]) for row in rows
                  for x in range(0, width * CHANNELS, CHANNELS)]
        counts = Counter(pixels)
        colours = MOST_COLOURS
        while len(data) > limit and colours >= FEWEST_COLOURS:
            palette = median_cut(counts, colours)
            index = {colour: at for at, (_, box) in enumerate(palette) for colour in box}
            indexed = [bytes(index[pixels[y * width + x]] for x in range(width))
                       for y in range(height)]
            data = png_bytes(width, height, PALETTE, indexed, texts,
                             [mean for mean, _ in palette])
            what = f'{len(palette)} colours'
            colours //= 2
    if len(data) > limit:
        fail(f'{source} does not fit {limit} bytes even in {FEWEST_COLOURS} colours')
    with open(target, 'wb') as out:
        out.write(data)
    print(f'quorvane release: {target}: {width}x{height}, {what}, {len(data)} bytes')
    return 0


if __name__ == '__main__':
    sys.exit(main())
