"""Reads the clock face off a picture of the screen: where the tiles stand
(1000 world units = the picture's height, origin in its centre), whether
each tile column holds glyph ink, and whether the corners are black, as the
vignette leaves them.

    python3 tests/e2e/clockface.py build/screenshot.png

checks a PNG and exits 0 when it shows the clock, 1 (with the reasons)
when it does not."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xshot  # noqa: E402

# x of each shown digit tile (slots 4..9) and the meridiem tiles (10, 11).
COLUMNS_24 = [-546, -354, -92, 100, 360, 552]
COLUMNS_12 = [-711, -519, -257, -65, 195, 387, 623, 759]
DIGIT_HINGE = 7.2
DIGIT_HALF_WIDTH = 97.2
DIGIT_HALF_HEIGHT = 155.6


def screen(pic, wx, wy):
    """The pixel of a world point."""
    scale = pic.height / 1000.0
    return (int(round(pic.width / 2 + wx * scale)), int(round(pic.height / 2 - wy * scale)))


def is_ink(rgb):
    """Glyph ink is saturated; paper and metal are nearly grey."""
    hi, lo = max(rgb), min(rgb)
    return hi > 76 and (hi - lo) > 0.45 * hi


def ink_in_column(pic, x, half_width=0.7 * DIGIT_HALF_WIDTH, step=2):
    """The share of ink pixels in a band at world x, as high as the middle
    of a digit tile."""
    x0, y0 = screen(pic, x - half_width, DIGIT_HINGE + 0.8 * DIGIT_HALF_HEIGHT)
    x1, y1 = screen(pic, x + half_width, DIGIT_HINGE - 0.8 * DIGIT_HALF_HEIGHT)
    x0, x1 = max(x0, 0), min(x1, pic.width - 1)
    y0, y1 = max(y0, 0), min(y1, pic.height - 1)
    total = ink = 0
    for y in range(y0, y1 + 1, step):
        for x in range(x0, x1 + 1, step):
            total += 1
            ink += is_ink(pic.pixel(x, y))
    return ink / total if total else 0.0


def problems(pic):
    """What keeps the picture from being the clock; empty when it is one."""
    layouts = []
    for name, columns in (("24-hour", COLUMNS_24), ("12-hour", COLUMNS_12[:6])):
        shares = [ink_in_column(pic, x) for x in columns]
        # The gap between the hours and the minutes holds no ink at all.
        gap = ink_in_column(pic, (columns[1] + columns[2]) / 2, half_width=20)
        if min(shares) > 0.01 and gap < 0.002:
            layouts = []
            break
        layouts.append("%s layout: ink share per digit column %s, between groups %.3f" %
                       (name, " ".join("%.3f" % s for s in shares), gap))
    if layouts:
        return layouts
    found = []
    corner = max(8, pic.height // 100)
    for cx, cy in ((0, 0), (pic.width - corner, 0), (0, pic.height - corner),
                   (pic.width - corner, pic.height - corner)):
        brightest = max(max(pic.pixel(x, y)) for y in range(cy, cy + corner) for x in range(cx, cx + corner))
        if brightest > 24:
            found.append("corner at (%d, %d) is not black (brightest channel %d)" % (cx, cy, brightest))
    return found


def main(argv):
    if len(argv) != 2:
        print("usage: clockface.py PICTURE.png", file=sys.stderr)
        return 2
    try:
        pic = xshot.read_png(argv[1])
    except (OSError, ValueError, AssertionError) as error:
        print("clockface: %s" % error)
        return 1
    found = problems(pic)
    for line in found:
        print("clockface: %s: %s" % (argv[1], line))
    if not found:
        print("clockface: %s shows the clock (%dx%d)" % (argv[1], pic.width, pic.height))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
