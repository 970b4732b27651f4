#!/usr/bin/env python3
"""Draws the program's icons: two overlapping sheets of paper.

The front sheet (lower right) shows the sender state, the back sheet (upper
left) the receiver state: grey idle, yellow holding delayed data, cyan
transferring. The application icon is the same picture in blue.

usage: make_icons.py OUTPUT_DIR
"""
import os
import struct
import sys

GREY, YELLOW, CYAN, BLUE = (0xB4, 0xB4, 0xB4), (0xFF, 0xD4, 0x00), (0x00, 0xD8, 0xF8), (0x30, 0x70, 0xE0)
OUTLINE = (0x20, 0x20, 0x20)
STATE_COLOURS = (GREY, YELLOW, CYAN)

# Tray icon id for sender state s (row) and receiver state r (column).
TRAY_IDS = ((138, 142, 145), (139, 141, 144), (140, 143, 146))

# Sheets on a 16-unit grid: left, top, right, bottom (exclusive), folded corner size.
BACK_SHEET = (1, 0, 10, 12, 3)
FRONT_SHEET = (6, 4, 15, 16, 3)


def sheet_pixels(size, sheet, colour):
    """Pixels of one sheet: outline, fill, a folded top-right corner, two text lines."""
    scale = size / 16.0
    l, t, r, b, fold = (int(round(v * scale)) for v in sheet)
    fold_units = sheet[4]
    w = max(1, size // 16)  # outline width
    pixels = {}
    for y in range(t, b):
        for x in range(l, r):
            # Cut corner: above the diagonal from (r - fold, t) to (r, t + fold).
            if x - (r - fold) > y - t:
                continue
            edge = x < l + w or x >= r - w or y < t + w or y >= b - w
            diagonal = abs((x - (r - fold)) - (y - t)) < w
            fold_edge = (x >= r - fold - w // 2 and x < r - fold + w // 2 + (w == 1) and y < t + fold) or \
                        (y >= t + fold - w // 2 - (w > 1) and y < t + fold + (w + 1) // 2 and x >= r - fold)
            if edge or diagonal or fold_edge:
                pixels[(x, y)] = OUTLINE
            else:
                pixels[(x, y)] = colour
    # Two dark text lines in the lower half, so the sheet reads as paper.
    for k in (0, 1):
        y = t + int(round((fold_units + 2 + 3 * k) * scale))
        for x in range(l + 2 * w + max(1, size // 32), r - 2 * w - max(1, size // 32)):
            if (x, y) in pixels and pixels[(x, y)] != OUTLINE and y < b - 2 * w:
                for dy in range(w):
                    if (x, y + dy) in pixels:
                        pixels[(x, y + dy)] = OUTLINE
    return pixels


def picture(size, back, front):
    pixels = sheet_pixels(size, BACK_SHEET, back)
    pixels.update(sheet_pixels(size, FRONT_SHEET, front))  # the front sheet covers the back
    return pixels


def ico_image(size, pixels):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            c = pixels.get((x, y))
            if c is None:
                xor += b'\0\0\0\0'
                row_mask[x // 8] |= 0x80 >> (x % 8)
            else:
                xor += bytes((c[2], c[1], c[0], 0xFF))
        mask += row_mask
    return header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """images: list of (size, image bytes)."""
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    tmp = path + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(out)
    os.replace(tmp, path)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for s in range(3):
        for r in range(3):
            pixels = picture(16, STATE_COLOURS[r], STATE_COLOURS[s])
            write_ico(os.path.join(out_dir, 'tray%d.ico' % TRAY_IDS[s][r]), [(16, ico_image(16, pixels))])
    write_ico(os.path.join(out_dir, 'app128.ico'),
              [(n, ico_image(n, picture(n, BLUE, BLUE))) for n in (16, 32, 48)])


if __name__ == '__main__':
    main()
