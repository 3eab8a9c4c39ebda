#!/usr/bin/python3
"""Draws the window's artwork into ui/artwork/.

Needs python3-pil, fonts-dejavu-core and fonts-liberation2 (Debian). The
results are committed, so the build never runs this script.

  background.bmp   502 x 300, 8-bit palette, RLE8-compressed
  icon-16/32/48.png  application icon, 32-bit with alpha
  pressling.ico    the six icon images: 48, 32, 16 at 8 and at 32 bits
  hand.png         32 x 32 link cursor, 16 colours, hot spot (12, 3)

and the page's icons into web/site/:

  icon-192.png, icon-512.png   the application icon for the page's manifest
"""

import io
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "ui", "artwork")
WEB_OUT = os.path.join(HERE, "..", "web", "site")

WHITE = (255, 255, 255)
PANEL_BORDER = (33, 206, 206)
PANEL_FILL = (255, 255, 198)
INK = (24, 64, 72)
FOLDER_BACK = (236, 178, 52)
FOLDER_FRONT = (252, 208, 92)
FOLDER_EDGE = (150, 96, 20)

SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
SANS_BOLD_ITALIC = "/usr/share/fonts/truetype/liberation2/LiberationSans-BoldItalic.ttf"

SCALE = 4  # drawings are made this much larger and scaled down for smooth edges


def scaled(box):
    return [round(v * SCALE) for v in box]


# ---------------------------------------------------------------- background

def draw_folder(draw, x0, y0, x1, y1):
    """A closed document folder with two sheets showing, inside (x0, y0)-(x1, y1)."""
    s = SCALE
    edge = max(1, round(1.2 * s))
    # Back cover with its tab.
    draw.rounded_rectangle(scaled((x0, y0, x0 + 30, y0 + 16)), radius=3 * s, fill=FOLDER_BACK,
                           outline=FOLDER_EDGE, width=edge)
    draw.rounded_rectangle(scaled((x0, y0 + 8, x1, y1)), radius=4 * s, fill=FOLDER_BACK,
                           outline=FOLDER_EDGE, width=edge)
    # Two sheets of paper, the rear one slightly offset.
    draw.rectangle(scaled((x0 + 9, y0 + 12, x1 - 5, y1 - 20)), fill=(238, 246, 246),
                   outline=(120, 150, 156), width=edge)
    draw.rectangle(scaled((x0 + 5, y0 + 17, x1 - 9, y1 - 16)), fill=WHITE,
                   outline=(120, 150, 156), width=edge)
    for i in range(4):
        y = y0 + 24 + i * 6
        draw.line(scaled((x0 + 11, y, x1 - 16 - (8 if i == 3 else 0), y)), fill=PANEL_BORDER,
                  width=round(1.4 * s))
    # Front cover, leaning forward a little.
    front = [(x0 + 3, y0 + 40), (x1 + 0.0, y0 + 40), (x1 - 2, y1), (x0, y1)]
    draw.polygon([(round(x * s), round(y * s)) for x, y in front], fill=FOLDER_FRONT)
    draw.line([(round(x * s), round(y * s)) for x, y in front + front[:1]], fill=FOLDER_EDGE,
              width=edge, joint="curve")
    # A highlight along the front cover's top edge.
    draw.line(scaled((x0 + 5, y0 + 42.5, x1 - 3, y0 + 42.5)), fill=(255, 232, 160), width=round(1.5 * s))


def fit_font(path, text, width, height):
    """The largest size at which text stays within width x height pixels."""
    size = 8
    while True:
        font = ImageFont.truetype(path, (size + 1) * SCALE)
        x0, y0, x1, y1 = font.getbbox(text)
        if x1 - x0 > width * SCALE or y1 - y0 > height * SCALE:
            return ImageFont.truetype(path, size * SCALE)
        size += 1


def draw_title(image, x0, y0, x1, y1):
    """The lettering "Dorv's Pressling" inside (x0, y0)-(x1, y1): a small "Dorv's"
    at the top left, a large "Pressling" under it reaching the right edge."""
    s = SCALE
    big = fit_font(SANS_BOLD_ITALIC, "Pressling", x1 - x0 - 2, y1 - y0 - 12)
    small = ImageFont.truetype(SANS_BOLD_ITALIC, 12 * s)
    layer = Image.new("L", image.size, 0)
    accent = Image.new("L", image.size, 0)
    box = big.getbbox("Pressling")
    # Right and bottom edges of the bounding box meet the band's edges.
    ImageDraw.Draw(layer).text(((x1 - 2) * s - box[2], y1 * s - box[3]), "Pressling", font=big, fill=255)
    sbox = small.getbbox("Dorv's")
    ImageDraw.Draw(accent).text((x0 * s - sbox[0], y0 * s - sbox[1]), "Dorv's", font=small, fill=255)
    both = Image.new("L", image.size, 0)
    both.paste(255, (0, 0), layer)
    both.paste(255, (0, 0), accent)
    # A soft cyan shadow below and right of the letters.
    shadow = both.filter(ImageFilter.GaussianBlur(1.0 * s))
    offset = Image.new("L", image.size, 0)
    offset.paste(shadow, (round(1.5 * s), round(1.5 * s)))
    image.paste(Image.new("RGB", image.size, (150, 226, 226)), (0, 0), offset)
    gradient = Image.new("RGB", image.size, INK)
    gd = ImageDraw.Draw(gradient)
    for y in range(y0 * s, y1 * s + 1):
        t = (y - y0 * s) / ((y1 - y0) * s)
        colour = tuple(round(a + (b - a) * t) for a, b in zip((26, 130, 142), (14, 48, 56)))
        gd.line((0, y, image.size[0], y), fill=colour)
    image.paste(gradient, (0, 0), layer)
    image.paste(Image.new("RGB", image.size, (20, 160, 170)), (0, 0), accent)


def make_background():
    width, height = 502, 300
    s = SCALE
    image = Image.new("RGB", (width * s, height * s), WHITE)
    draw = ImageDraw.Draw(image)
    # Report panel: a soft shadow, then the rounded frame from (156, 12) to (350, 124).
    shadow = Image.new("L", image.size, 0)
    ImageDraw.Draw(shadow).rounded_rectangle(scaled((158, 14, 351, 125)), radius=9 * s, fill=90)
    shadow = shadow.filter(ImageFilter.GaussianBlur(1.0 * s))
    image.paste(Image.new("RGB", image.size, (150, 170, 170)), (0, 0), shadow)
    draw.rounded_rectangle(scaled((156, 12, 350, 124)), radius=9 * s, fill=PANEL_FILL,
                           outline=PANEL_BORDER, width=round(1.5 * s))
    draw_folder(draw, 42, 36, 109, 109)
    draw_title(image, 178, 138, 329, 173)
    image = image.resize((width, height), Image.LANCZOS)
    # Nothing may reach past the top-left 353 x 174 pixels.
    image.paste(WHITE, (353, 0, width, height))
    image.paste(WHITE, (0, 174, width, height))
    return to_palette(image, keep=[WHITE, PANEL_BORDER, PANEL_FILL])


def to_palette(image, keep):
    """Quantises to 256 colours; palette entries close to a kept colour become it exactly."""
    indexed = image.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = indexed.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    for i in range(256):
        entry = palette[3 * i:3 * i + 3]
        for colour in keep:
            if sum(abs(a - b) for a, b in zip(entry, colour)) <= 9:
                palette[3 * i:3 * i + 3] = list(colour)
    indexed.putpalette(palette)
    return indexed


def rle8_rows(indexed):
    """RLE8 data of a palette image: rows bottom-up, runs as (count, index),
    longer mixed stretches in absolute mode, each row closed by 0 0."""
    width, height = indexed.size
    pixels = indexed.tobytes()
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        i = 0
        literal = bytearray()

        def flush():
            nonlocal literal
            while literal:
                chunk, literal = literal[:255], literal[255:]
                if len(chunk) < 3:
                    for b in chunk:
                        out.extend((1, b))
                else:
                    out.extend((0, len(chunk)))
                    out.extend(chunk)
                    if len(chunk) % 2:
                        out.append(0)

        while i < width:
            run = 1
            while i + run < width and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 3:
                flush()
                out.extend((run, row[i]))
            else:
                literal.extend(row[i:i + run])
            i += run
        flush()
        out.extend((0, 0))
    out[-2:] = bytes((0, 1))  # the last end-of-line becomes end-of-bitmap
    return bytes(out)


def write_bmp_rle8(indexed, path):
    width, height = indexed.size
    data = rle8_rows(indexed)
    palette = indexed.getpalette()[:768]
    colours = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0)) for i in range(256))
    offset = 14 + 40 + len(colours)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    # BITMAPINFOHEADER: size, width, height, planes, bit count, compression 1 (RLE8),
    # image size, 96 dpi in pixels per metre twice, colours used, colours important.
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data), 3780, 3780, 256, 0)
    with open(path, "wb") as f:
        f.write(file_header + info + colours + data)


# ---------------------------------------------------------------- icon

def draw_icon(size):
    """The application icon: a folder with two cyan arrowheads pressing it."""
    s = 16 if size <= 48 else 4  # supersampling per output pixel
    n = size * s
    u = n / 48.0  # the design is made on a 48-unit grid in steps of 3, so that
    # its edges fall on whole pixels at 16, 32 and 48 pixels
    image = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)

    def box(x0, y0, x1, y1):
        return [round(x0 * u), round(y0 * u), round(x1 * u) - 1, round(y1 * u) - 1]

    edge = round(1.5 * s) if size >= 48 else s
    radius = round(3 * u)
    d.rounded_rectangle(box(3, 6, 21, 15), radius=radius, fill=FOLDER_BACK + (255,),
                        outline=FOLDER_EDGE + (255,), width=edge)
    d.rounded_rectangle(box(3, 12, 45, 45), radius=radius, fill=FOLDER_BACK + (255,),
                        outline=FOLDER_EDGE + (255,), width=edge)
    d.rectangle(box(9, 15, 39, 33), fill=(255, 255, 255, 255), outline=(110, 140, 146, 255), width=edge)
    if size > 16:
        for y in (20, 24.5):
            d.line([round(13.5 * u), round(y * u), round(34.5 * u), round(y * u)], fill=PANEL_BORDER + (255,),
                   width=round(1.5 * u))
    d.rounded_rectangle(box(3, 24, 45, 45), radius=radius, fill=FOLDER_FRONT + (255,),
                        outline=FOLDER_EDGE + (255,), width=edge)
    # Two arrowheads press on the folder from above and below.
    arrow = (20, 160, 170, 255)
    outline = (10, 80, 88, 255)
    for tip, base in ((12, 0), (36, 48)):
        points = [(27 * u, base * u), (45 * u, base * u), (36 * u, tip * u)]
        d.polygon([(round(x), round(y)) for x, y in points], fill=arrow, outline=outline, width=edge)
    return image.resize((size, size), Image.BOX)


def icon_8bit(image):
    """The 8-bit form of a 32-bit icon: opaque pixels in a 256-colour palette, and
    the transparency mask taken from alpha."""
    rgb = Image.new("RGB", image.size, WHITE)
    rgb.paste(image, (0, 0), image)
    indexed = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    mask = [a < 128 for a in image.getchannel("A").getdata()]
    return indexed, mask


def ico_entry_8bit(indexed, mask):
    w, h = indexed.size
    palette = indexed.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    colours = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0)) for i in range(256))
    row_bytes = (w + 3) & ~3
    pixels = indexed.tobytes()
    xor = b"".join(pixels[y * w:(y + 1) * w] + b"\0" * (row_bytes - w) for y in range(h - 1, -1, -1))
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(xor) + and_mask_size(w, h), 0, 0, 256, 0)
    return info + colours + xor + and_mask(mask, w, h)


def ico_entry_32bit(image, mask):
    w, h = image.size
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b, a = image.getpixel((x, y))
            row.extend((b, g, r, a))
        rows.append(bytes(row))
    xor = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + and_mask_size(w, h), 0, 0, 0, 0)
    return info + xor + and_mask(mask, w, h)


def and_mask_size(w, h):
    return ((w + 31) // 32) * 4 * h


def and_mask(mask, w, h):
    row_bytes = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if mask[y * w + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out.extend(row)
    return bytes(out)


def write_ico(entries, path):
    """entries: (size, bit count, image data); an ICONDIR, its directory, then the data."""
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory = b""
    blobs = b""
    for size, bits, data in entries:
        # ICONDIRENTRY: width, height (0 means 256), colour count, reserved,
        # planes, bit count, data size, data offset.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset + len(blobs))
        blobs += data
    with open(path, "wb") as f:
        f.write(header + directory + blobs)


# ---------------------------------------------------------------- cursor

# The link cursor: a white hand, index finger up, black outline. "." is
# transparent; pixels of the hand left of or above an outline pixel are shaded.
HAND = """
................................
................................
...........KKK..................
..........KWWWK.................
..........KWWWK.................
..........KWWWK.................
..........KWWWK.................
..........KWWWKKK...............
..........KWWWKWWKKK............
..........KWWWKWWKWWKKK.........
..........KWWWKWWKWWKWWK........
.....KKK..KWWWKWWKWWKWWK........
....KWWWK.KWWWWWWWWWWWWK........
....KWWWWKKWWWWWWWWWWWWK........
.....KWWWWKWWWWWWWWWWWWK........
......KWWWWWWWWWWWWWWWWK........
.......KWWWWWWWWWWWWWWWK........
.......KWWWWWWWWWWWWWWK.........
........KWWWWWWWWWWWWWK.........
.........KWWWWWWWWWWWWK.........
..........KWWWWWWWWWWK..........
..........KWWWWWWWWWWK..........
..........KKKKKKKKKKKK..........
................................
................................
................................
................................
................................
................................
................................
................................
................................
"""


def make_cursor():
    rows = [r for r in HAND.strip("\n").split("\n")]
    assert len(rows) == 32 and all(len(r) == 32 for r in rows)
    grid = [list(r) for r in rows]
    for y in range(32):
        for x in range(32):
            if grid[y][x] == "W" and (rows[y][x + 1] == "K" or rows[y + 1][x] == "K"):
                grid[y][x] = "G"
    colours = {".": 0, "K": 1, "W": 2, "G": 3}
    image = Image.new("P", (32, 32), 0)
    palette = [0, 0, 0, 0, 0, 0, 255, 255, 255, 176, 176, 176] + [0] * 36
    image.putpalette(palette)
    image.putdata([colours[c] for row in grid for c in row])
    assert grid[3][12] == "W"  # the hot spot is the finger tip
    return image


def main():
    os.makedirs(OUT, exist_ok=True)
    write_bmp_rle8(make_background(), os.path.join(OUT, "background.bmp"))
    entries = []
    for size in (48, 32, 16):
        icon = draw_icon(size)
        icon.save(os.path.join(OUT, "icon-%d.png" % size), optimize=True)
        indexed, mask = icon_8bit(icon)
        entries.append((size, 8, ico_entry_8bit(indexed, mask)))
    for size in (48, 32, 16):
        icon = draw_icon(size)
        mask = [a < 128 for a in icon.getchannel("A").getdata()]
        entries.append((size, 32, ico_entry_32bit(icon, mask)))
    write_ico(entries, os.path.join(OUT, "pressling.ico"))
    make_cursor().save(os.path.join(OUT, "hand.png"), bits=4, transparency=0, optimize=True)
    for size in (192, 512):
        draw_icon(size).save(os.path.join(WEB_OUT, "icon-%d.png" % size), optimize=True)
    print("artwork written to", os.path.normpath(OUT))


if __name__ == "__main__":
    sys.exit(main())
