#!/usr/bin/env python3
"""Measures a PNG or SVG picture and prints what it finds, one fact a line,
for the end-to-end tests to judge. Python standard library only.

PNG:  "size W H", "foreground N" (pixels that differ from the background,
      the most frequent colour), "colours N" (distinct foreground colours),
      then "hue H N" for each 30-degree band of hue from H degrees holding
      N >= 20 clearly coloured pixels. Frame, tics, grid and text are black
      or grey, so the hues are those of the curves and their key samples.
SVG:  "size W H", then "plot <TAB> key text <TAB> vertices" for each plotted
      curve group, vertices counting the points of all its paths (the key's
      sample line included).
A picture that cannot be read gives "error <reason>" and exit status 1.
"""

import collections
import colorsys
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}  # grey, RGB, palette, grey+alpha, RGBA


class Unreadable(Exception):
    pass


def png_chunks(data):
    if not data.startswith(PNG_SIGNATURE):
        raise Unreadable("no PNG signature")
    at = len(PNG_SIGNATURE)
    while at + 12 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        if at + 12 + length > len(data):
            break
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise Unreadable(f"chunk {kind!r} is damaged")
        yield kind, body
        if kind == b"IEND":
            return
        at += 12 + length
    raise Unreadable("no IEND chunk")


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def unfilter(raw, width, height, bpp):
    """The scanlines of an 8-bit, non-interlaced image without their filters."""
    stride = width * bpp
    if len(raw) != height * (stride + 1):
        raise Unreadable("image data has the wrong length")
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, previous))
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                up_left = previous[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + paeth(left, previous[i], up_left)) & 0xFF
        elif kind != 0:
            raise Unreadable(f"unknown filter {kind} in row {y}")
        rows.append(bytes(line))
        previous = line
    return rows


def measure_png(data):
    chunks = list(png_chunks(data))
    if not chunks or chunks[0][0] != b"IHDR":
        raise Unreadable("IHDR is not the first chunk")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if depth != 8 or colour not in CHANNELS or interlace != 0:
        raise Unreadable(f"bit depth {depth}, colour type {colour}, interlace {interlace} not handled")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    bpp = CHANNELS[colour]
    counts = collections.Counter()
    for line in unfilter(raw, width, height, bpp):
        counts.update(line[i:i + bpp] for i in range(0, len(line), bpp))
    _, background_count = counts.most_common(1)[0]
    if colour == 3:
        palette = next((body for kind, body in chunks if kind == b"PLTE"), b"")
        counts = collections.Counter({palette[3 * p[0]:3 * p[0] + 3]: n for p, n in counts.items()})
    hues = collections.Counter()
    for pixel, n in counts.items():
        if len(pixel) >= 3 and (len(pixel) < 4 or pixel[3] >= 128):
            hue, _, saturation = colorsys.rgb_to_hls(*(c / 255 for c in pixel[:3]))
            if saturation >= 0.5 and max(pixel[:3]) >= 64:
                hues[int(hue * 12) % 12 * 30] += n
    return [f"size {width} {height}",
            f"foreground {width * height - background_count}",
            f"colours {len(counts) - 1}"] + [f"hue {h} {n}" for h, n in sorted(hues.items()) if n >= 20]


def measure_svg(data):
    try:
        root = ET.fromstring(data)
    except ET.ParseError as e:
        raise Unreadable(f"not well-formed XML: {e}")
    ns = "{http://www.w3.org/2000/svg}"
    if root.tag not in ("svg", ns + "svg"):
        raise Unreadable(f"root element is {root.tag}, not svg")
    facts = [f"size {root.get('width')} {root.get('height')}"]
    for group in root.iter():
        if group.tag == ns + "g" and (group.get("id") or "").startswith("gnuplot_plot_"):
            # The key's text as shown; markup of enhanced text (sub- and
            # superscripts) would split it into pieces without the markup.
            key = group.find(".//" + ns + "text")
            vertices = sum(len(re.findall(r"[MLml]", path.get("d", "")))
                           for path in group.iter(ns + "path"))
            facts.append(f"plot\t{''.join(key.itertext()) if key is not None else ''}\t{vertices}")
    return facts


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        facts = measure_svg(data) if path.lower().endswith(".svg") else measure_png(data)
    except (Unreadable, zlib.error, struct.error) as e:
        print(f"error {e}")
        return 1
    sys.stdout.buffer.write(("\n".join(facts) + "\n").encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
