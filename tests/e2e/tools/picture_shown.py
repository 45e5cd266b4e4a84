#!/usr/bin/python3
"""Whether a screenshot shows a picture file of the build pixel for pixel at a place.

    picture_shown.py SCREENSHOT PICTURE LEFT TOP RIGHT BOTTOM

LEFT TOP RIGHT BOTTOM is a control's rectangle on the screen; the picture is looked for centred
in it, as the statics and the bitmap buttons show a picture of their own size, and only as far
as it lies within the control. A bitmap must
match exactly; an icon's edges are blended onto whatever lies below it, so it is laid over the
screenshot's own pixels there and may differ by the blending's rounding. Prints "shown", or what
differs, and exits 1 when the picture is not shown.
"""

import sys
import warnings

from PIL import Image

# Alpha blending rounds each channel on its own: a step or two either way.
BLEND_TOLERANCE = 3


def _icon(path):
    """The only image of an .ico file as RGBA, at the size its own header gives: Pillow warns
    that the directory, which stores a side of 256 or more as 0, disagrees."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with Image.open(path) as icon:
            return icon.convert("RGBA")


def _background(expected, shown):
    """The colour below the picture: what shows where the picture is transparent (an icon's
    corners lie on the window's face); black for a picture with no transparent pixel."""
    for (*_, alpha), below in zip(expected.getdata(), shown.getdata()):
        if alpha == 0:
            return below
    return (0, 0, 0)


def _difference(expected, shown, tolerance):
    """Pixels of `expected` (RGBA) that `shown` (RGB, same size) does not show, the picture laid
    over its background."""
    background = _background(expected, shown)
    differing = 0
    for (r, g, b, a), pixel in zip(expected.getdata(), shown.getdata()):
        want = [(c * a + d * (255 - a) + 127) // 255 for c, d in zip((r, g, b), background)]
        if any(abs(w - p) > tolerance for w, p in zip(want, pixel)):
            differing += 1
    return differing


def _centred(start, length, size):
    """Where a picture of `size` starts when centred in `length` from `start`, as the program's
    and the system's C code rounds (toward zero)."""
    return start + int((length - size) / 2)


def main(arguments):
    if len(arguments) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    screenshot, picture_path = arguments[:2]
    left, top, right, bottom = (int(value) for value in arguments[2:])
    is_icon = picture_path.endswith(".ico")
    picture = _icon(picture_path) if is_icon else Image.open(picture_path).convert("RGBA")
    width, height = picture.size
    x = _centred(left, right - left, width)
    y = _centred(top, bottom - top, height)
    # A picture larger than its control (the Start button's face) shows only within it.
    visible = (max(left - x, 0), max(top - y, 0), min(right - x, width), min(bottom - y, height))
    picture = picture.crop(visible)
    x, y = x + visible[0], y + visible[1]
    shown = Image.open(screenshot).convert("RGB").crop((x, y, x + picture.width,
                                                        y + picture.height))
    differing = _difference(picture, shown, BLEND_TOLERANCE if is_icon else 0)
    if differing:
        print("not shown: %d of the %dx%d pixels seen of the picture differ at %d,%d"
              % (differing, picture.width, picture.height, x, y))
        return 1
    print("shown")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
