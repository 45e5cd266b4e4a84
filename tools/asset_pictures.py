"""The panel's pictures: speaker and listener bitmaps, the surround pad, the Start button faces
and the icons.

Shapes are drawn four (icons: eight) times larger and box-filtered down, which gives smooth
edges without any resampling filter that could differ between Pillow builds. Directions are
literal unit vectors rather than sin/cos results, so no library rounding enters the geometry.

The pictures that the windows show are drawn at 100, 125, 150 and 200 %: their geometry is given
in pixels at 100 % and every length is multiplied by the scale before anything is rasterised, so
that a larger picture is drawn anew at its size rather than resampled from the small one.
"""

from PIL import Image, ImageDraw, ImageFont

import asset_formats

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# The classic 3-D face colour of dialogs, which the speaker pictures sit on.
DIALOG_FACE = (192, 192, 192)

# The sixteen colours of a 4-bit Windows bitmap, in the order of the standard VGA palette.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, TEAL, SILVER, GREY = VGA16[0], VGA16[2], VGA16[6], VGA16[7], VGA16[8]
BRIGHT_GREEN, YELLOW, WHITE = VGA16[10], VGA16[11], VGA16[15]

SPEAKER_SIZE = 48
LABEL_TOP = 35  # the label takes the rows below
LABEL_SIZE = 12
PAD_SIZE = 65
PAD_GRID_STEP = 8
BUTTON_WIDTH, BUTTON_HEIGHT = 48, 25

COS30 = 0.8660254037844386

# The scales in percent at which the windows' pictures exist, and what a picture's resource id
# (res/resource_ids.h) and name gain at each: an offset, and a suffix such as "TESTU_125".
SCALES = (100, 125, 150, 200)
SCALE_ID_OFFSETS = {100: 0, 125: 10000, 150: 20000, 200: 30000}
SCALE_SUFFIXES = {100: "", 125: "_125", 150: "_150", 200: "_200"}


def scaled(pixels, percent):
    """`pixels` at 100 % as whole pixels at `percent`, halves rounded up as the program rounds
    its 96-DPI constants."""
    return (pixels * percent + 50) // 100

# Resource of the normal and of the active picture, label, and the direction in which the
# speaker faces the listener (x to the right, y down): the listener sits in the middle of the
# layout, front speakers above it, rear speakers and the subwoofer below.
SPEAKERS = [
    (190, 191, "前左", (COS30, 0.5), 1.0),  # front left
    (193, 192, "中置", (0.0, 1.0), 1.0),  # centre
    (195, 194, "前右", (-COS30, 0.5), 1.0),  # front right
    (197, 196, "後右", (-COS30, -0.5), 1.0),  # rear right
    (201, 200, "低音", (0.0, -1.0), 1.25),  # subwoofer, drawn with a larger cone
    (199, 198, "後左", (COS30, -0.5), 1.0),  # rear left
]


def font(size):
    return ImageFont.truetype(FONT_PATH, size)


class Supersampled:
    """An RGBA drawing surface of `width` x `height` final pixels, addressed in pixels at 100 %
    (one such pixel is `percent` / 100 final pixels) and rasterised `scale` times larger."""

    def __init__(self, width, height, background, scale=4, percent=100):
        self.width, self.height = width, height
        self.scale = scale * percent / 100
        self.image = Image.new("RGBA", (width * scale, height * scale), background)
        self.draw = ImageDraw.Draw(self.image)

    def _points(self, points):
        return [(x * self.scale, y * self.scale) for x, y in points]

    def polygon(self, points, fill, outline=None, width=1.0):
        self.draw.polygon(self._points(points), fill=fill)
        if outline is not None:
            closed = list(points) + [points[0]]
            self.line(closed, outline, width)

    def line(self, points, fill, width=1.0):
        self.draw.line(self._points(points), fill=fill, width=round(width * self.scale),
                       joint="curve")

    def ellipse(self, left, top, right, bottom, fill, outline=None, width=1.0):
        box = self._points([(left, top), (right, bottom)])
        self.draw.ellipse(box, fill=fill, outline=outline,
                          width=round(width * self.scale) if outline else 0)

    def arc(self, left, top, right, bottom, start, end, fill, width=1.0):
        box = self._points([(left, top), (right, bottom)])
        self.draw.arc(box, start, end, fill=fill, width=round(width * self.scale))

    def chord(self, left, top, right, bottom, start, end, fill):
        self.draw.chord(self._points([(left, top), (right, bottom)]), start, end, fill=fill)

    def rectangle(self, left, top, right, bottom, fill):
        self.draw.rectangle(self._points([(left, top), (right, bottom)]), fill=fill)

    def result(self):
        return self.image.resize((self.width, self.height), Image.Resampling.BOX)


def _turned(points, facing, scale):
    """Local points (y toward the listener), scaled and turned so that local y runs along
    `facing`."""
    dx, dy = facing
    return [(scale * (lx * dy + ly * dx), scale * (ly * dy - lx * dx)) for lx, ly in points]


def speaker(label, facing, cone_scale, active, percent=100):
    """A loudspeaker seen from above: magnet at the back, the cone opening toward the listener,
    the cone's rim as a yellow line and a status mark on the magnet."""
    size = scaled(SPEAKER_SIZE, percent)
    surface = Supersampled(size, size, DIALOG_FACE + (255,), percent=percent)
    magnet = [(-5.0, -15.0), (5.0, -15.0), (5.0, -7.0), (-5.0, -7.0)]
    cone = [(-4.0, -7.0), (4.0, -7.0), (13.0, 5.0), (-13.0, 5.0)]
    rim = [(-13.0, 5.0), (13.0, 5.0)]
    mark = [(0.0, -11.0)]
    xs, ys = zip(*_turned(magnet + cone, facing, cone_scale))
    # Centred in the space above the label, whichever way the speaker faces.
    ox = SPEAKER_SIZE / 2 - (min(xs) + max(xs)) / 2
    oy = LABEL_TOP / 2 - (min(ys) + max(ys)) / 2

    def place(points):
        return [(x + ox, y + oy) for x, y in _turned(points, facing, cone_scale)]

    outline = (16, 16, 24, 255)
    surface.polygon(place(magnet), (70, 74, 84, 255), outline, 1.0)
    surface.polygon(place(cone), (54, 84, 128, 255), outline, 1.0)
    rim_colour = (255, 240, 0, 255) if active else (176, 150, 40, 255)
    surface.line(place(rim), rim_colour, 2.5 if active else 2.0)
    (mx, my), = place(mark)
    mark_colour = (230, 0, 0, 255) if active else (0, 190, 0, 255)
    surface.ellipse(mx - 2.6, my - 2.6, mx + 2.6, my + 2.6, mark_colour, outline, 0.75)
    picture = surface.result().convert("RGB")
    _label(picture, label, percent)
    return picture


def _label(picture, text, percent):
    draw = ImageDraw.Draw(picture)
    label_font = font(scaled(LABEL_SIZE, percent))
    left, top, right, bottom = draw.textbbox((0, 0), text, font=label_font)
    x = (picture.width - (right - left)) // 2 - left
    y = picture.height - scaled(1, percent) - bottom
    draw.text((x, y), text, font=label_font, fill=(0, 0, 0))


def listener(percent=100):
    """A head seen from above, facing the front (up): shoulders, ears, the crown of hair with
    the forehead and the nose showing at the front."""
    size = scaled(SPEAKER_SIZE, percent)
    surface = Supersampled(size, size, DIALOG_FACE + (255,), percent=percent)
    outline = (40, 30, 24, 255)
    skin, hair = (236, 190, 156, 255), (84, 52, 30, 255)
    surface.ellipse(3.0, 20.0, 45.0, 38.0, (52, 96, 160, 255), (20, 40, 80, 255), 1.0)
    surface.ellipse(10.5, 18.5, 14.5, 26.5, skin, outline, 0.75)
    surface.ellipse(33.5, 18.5, 37.5, 26.5, skin, outline, 0.75)
    surface.polygon([(21.0, 11.0), (27.0, 11.0), (24.0, 5.5)], skin, outline, 0.75)
    surface.ellipse(13.0, 9.0, 35.0, 35.0, skin, outline, 1.0)
    surface.chord(13.0, 9.0, 35.0, 35.0, -25, 205, hair)
    surface.arc(13.0, 9.0, 35.0, 35.0, 0, 360, outline, 1.0)
    return surface.result().convert("RGB")


def surround_pad(percent=100):
    """Black field, dark-green grid, bright-green axes through the centre: lines one pixel wide
    at 100 %, as wide as the scale makes a pixel."""
    size = scaled(PAD_SIZE, percent)
    line = scaled(1, percent)
    picture = Image.new("RGB", (size, size), BLACK)
    draw = ImageDraw.Draw(picture)
    centre = PAD_SIZE // 2

    def band(position, colour):
        start = scaled(position, percent)
        draw.rectangle([(start, 0), (start + line - 1, size - 1)], fill=colour)
        draw.rectangle([(0, start), (size - 1, start + line - 1)], fill=colour)

    for offset in range(PAD_GRID_STEP, centre, PAD_GRID_STEP):
        for position in (centre - offset, centre + offset):
            band(position, DARK_GREEN)
    band(centre, BRIGHT_GREEN)
    return picture


def start_button(text, pressed, enabled, percent=100):
    """A 3-D push-button face with a two-character word, in the sixteen VGA colours; the bevel's
    lines are as wide as the scale makes a pixel."""
    face = TEAL if enabled else SILVER
    width, height = scaled(BUTTON_WIDTH, percent), scaled(BUTTON_HEIGHT, percent)
    picture = Image.new("RGB", (width, height), face)
    draw = ImageDraw.Draw(picture)
    line = scaled(1, percent)
    light, shadow, dark = (GREY, WHITE, BLACK) if pressed else (WHITE, GREY, BLACK)
    right, bottom = width - 1, height - 1
    for outer in range(line):
        # One pixel-wide ring of the bevel's outer edge and one of its inner edge a pass.
        inner = line + outer
        if pressed:
            draw.line([(outer, bottom), (outer, outer), (right, outer)], fill=dark)
            draw.line([(inner, bottom - line), (inner, inner), (right - line, inner)], fill=light)
            draw.line([(line, bottom - outer), (right - outer, bottom - outer),
                       (right - outer, line)], fill=shadow)
        else:
            draw.line([(outer, bottom - line), (outer, outer), (right - line, outer)], fill=light)
            draw.line([(outer, bottom - outer), (right - outer, bottom - outer),
                       (right - outer, outer)], fill=dark)
            draw.line([(line, bottom - inner), (right - inner, bottom - inner),
                       (right - inner, line)], fill=shadow)
    draw.fontmode = "1"
    word_font = font(scaled(15, percent))
    shift = line if pressed else 0
    left, top, text_right, text_bottom = draw.textbbox((0, 0), text, font=word_font)
    x = (width - (text_right - left)) // 2 - left + shift
    y = (height - (text_bottom - top)) // 2 - top + shift
    if enabled:
        draw.text((x, y), text, font=word_font, fill=YELLOW)
    else:
        draw.text((x + line, y + line), text, font=word_font, fill=WHITE)
        draw.text((x, y), text, font=word_font, fill=GREY)
    return picture


def _speaker_glyph(surface, x, y, size, body, cone):
    """A loudspeaker in side view, facing right, inside the square (x, y, size)."""
    u = size / 32.0
    outline = (20, 24, 36, 255)
    surface.polygon([(x + 3 * u, y + 11 * u), (x + 10 * u, y + 11 * u), (x + 10 * u, y + 21 * u),
                     (x + 3 * u, y + 21 * u)], body, outline, 1.0 * u)
    surface.polygon([(x + 10 * u, y + 11 * u), (x + 18 * u, y + 4 * u), (x + 18 * u, y + 28 * u),
                     (x + 10 * u, y + 21 * u)], cone, outline, 1.0 * u)


def _circle_points(cx, cy, radius, half_turn_tangent, steps):
    """Points of an arc centred on the +x axis, from the rational parametrisation of the circle
    (no sin or cos): t runs over [-h, h], h being tan of a quarter of the arc's angle."""
    points = []
    for step in range(steps + 1):
        t = half_turn_tangent * (2.0 * step / steps - 1.0)
        q = 1.0 + t * t
        points.append((cx + radius * (1.0 - t * t) / q, cy + radius * 2.0 * t / q))
    return points


def _sound_waves(surface, x, y, size, colour, count):
    """Arcs of sound spreading to the right of a speaker glyph; tan 25 degrees gives 100-degree
    arcs."""
    u = size / 32.0
    for index in range(count):
        reach = (5 + 4.5 * index) * u
        arc = _circle_points(x + 17 * u, y + 16 * u, reach, 0.4663, 12)
        surface.line(arc, colour, 2.2 * u)


BLUE_BODY, BLUE_CONE = (40, 60, 110, 255), (70, 120, 200, 255)
GREY_BODY, GREY_CONE = (110, 110, 110, 255), (170, 170, 170, 255)
WAVE_GREEN, WAVE_AMBER = (40, 190, 80, 255), (250, 170, 20, 255)
ALERT_RED = (220, 20, 20, 255)
CLEAR = (0, 0, 0, 0)


def icon_connected(size):
    surface = Supersampled(size, size, CLEAR, scale=8)
    _speaker_glyph(surface, 0, 0, size, BLUE_BODY, BLUE_CONE)
    _sound_waves(surface, 0, 0, size, WAVE_GREEN, 3 if size >= 32 else 2)
    return surface.result()


def icon_not_connected(size):
    """The speaker greyed, silent, with a red stop badge."""
    surface = Supersampled(size, size, CLEAR, scale=8)
    _speaker_glyph(surface, 0, 0, size, GREY_BODY, GREY_CONE)
    u = size / 32.0
    surface.ellipse(17 * u, 15 * u, 31 * u, 29 * u, ALERT_RED, (120, 0, 0, 255), 1.0 * u)
    surface.line([(20.8 * u, 18.8 * u), (27.2 * u, 25.2 * u)], (255, 255, 255, 255), 2.4 * u)
    surface.line([(27.2 * u, 18.8 * u), (20.8 * u, 25.2 * u)], (255, 255, 255, 255), 2.4 * u)
    return surface.result()


def icon_settings_open(size):
    """The connected speaker, its waves amber, with a small mixer of three sliders."""
    surface = Supersampled(size, size, CLEAR, scale=8)
    _speaker_glyph(surface, 0, 0, size, BLUE_BODY, BLUE_CONE)
    _sound_waves(surface, 0, 0, size, WAVE_AMBER, 2)
    u = size / 32.0
    surface.polygon([(18 * u, 17 * u), (31 * u, 17 * u), (31 * u, 31 * u), (18 * u, 31 * u)],
                    (250, 250, 250, 255), (20, 24, 36, 255), 1.0 * u)
    for column, knob in zip((21.5, 24.5, 27.5), (26.0, 21.0, 24.0)):
        surface.line([(column * u, 19.5 * u), (column * u, 28.5 * u)], (60, 60, 60, 255), 1.0 * u)
        surface.rectangle((column - 1.3) * u, (knob - 1.0) * u, (column + 1.3) * u,
                          (knob + 1.0) * u, WAVE_AMBER)
    return surface.result()


# Positions of the six speakers of a 5.1 layout round the listener, in a 32-unit square.
LAYOUT_5_1 = [(7.0, 8.0), (16.0, 4.5), (25.0, 8.0), (7.0, 22.0), (25.0, 22.0)]
SUBWOOFER_5_1 = (16.0, 27.0)


def icon_panel(size):
    """The decoration of the panel: five speakers and a subwoofer round a listener."""
    surface = Supersampled(size, size, CLEAR, scale=8)
    u = size / 32.0
    outline = (20, 24, 36, 255)
    surface.ellipse(1.5 * u, 1.5 * u, 30.5 * u, 30.5 * u, (225, 235, 250, 255), (70, 120, 200, 255),
                    1.2 * u)
    for cx, cy in LAYOUT_5_1:
        surface.ellipse((cx - 3.2) * u, (cy - 3.2) * u, (cx + 3.2) * u, (cy + 3.2) * u, BLUE_CONE,
                        outline, 1.0 * u)
    sx, sy = SUBWOOFER_5_1
    surface.rectangle((sx - 3.5) * u, (sy - 2.5) * u, (sx + 3.5) * u, (sy + 2.5) * u, BLUE_BODY)
    surface.ellipse(12.5 * u, 12.5 * u, 19.5 * u, 19.5 * u, WAVE_AMBER, outline, 1.0 * u)
    return surface.result()


BANNER_WIDTH, BANNER_HEIGHT = 168, 32


def panel_banner(percent=100):
    """The strip under the settings: the 5.1 emblem and the product's name, at the size of the
    control that shows it, so that no system has to stretch it."""
    width, height = scaled(BANNER_WIDTH, percent), scaled(BANNER_HEIGHT, percent)
    picture = Image.new("RGBA", (width, height), CLEAR)
    picture.alpha_composite(icon_panel(height), (0, 0))
    draw = ImageDraw.Draw(picture)
    text_font = font(scaled(15, percent))
    left, top, right, bottom = draw.textbbox((0, 0), "Quendal5.1RIR", font=text_font)
    draw.text((height + scaled(6, percent) - left, (height - (bottom - top)) // 2 - top),
              "Quendal5.1RIR", font=text_font, fill=BLUE_BODY)
    return picture


ABOUT_WIDTH, ABOUT_HEIGHT = 52, 50


def icon_about(percent=100):
    """The About picture: a large speaker with its waves and the words 5.1 beneath."""
    width, height = scaled(ABOUT_WIDTH, percent), scaled(ABOUT_HEIGHT, percent)
    surface = Supersampled(width, height, CLEAR, scale=8)
    glyph = scaled(40, percent)
    _speaker_glyph(surface, 0, -scaled(1, percent), glyph, BLUE_BODY, BLUE_CONE)
    _sound_waves(surface, 0, -scaled(1, percent), glyph, WAVE_GREEN, 3)
    picture = surface.result()
    draw = ImageDraw.Draw(picture)
    text_font = font(scaled(17, percent))
    left, top, right, bottom = draw.textbbox((0, 0), "5.1", font=text_font)
    x = width - scaled(2, percent) - right
    y = height - scaled(1, percent) - bottom
    draw.text((x, y), "5.1", font=text_font, fill=(200, 30, 30, 255),
              stroke_width=scaled(1, percent), stroke_fill=(255, 255, 255, 255))
    return picture


def _sorted_palette(picture, limit):
    """The picture's own colours when they fit in `limit`, otherwise a median-cut reduction."""
    colours = sorted({colour for colour in picture.getdata()})
    if len(colours) > limit:
        reduced = picture.quantize(colors=limit, method=Image.Quantize.MEDIANCUT,
                                   dither=Image.Dither.NONE).convert("RGB")
        return _sorted_palette(reduced, limit)
    return colours, picture


def bmp_256(picture):
    palette, picture = _sorted_palette(picture.convert("RGB"), 256)
    index = {colour: position for position, colour in enumerate(palette)}
    indices = [index[colour] for colour in picture.getdata()]
    return asset_formats.indexed_bmp(picture.width, picture.height, 8, palette, indices)


def _nearest_vga(colour):
    return min(range(len(VGA16)),
               key=lambda i: sum((a - b) * (a - b) for a, b in zip(colour, VGA16[i])))


def bmp_16(picture):
    indices = [_nearest_vga(colour) for colour in picture.convert("RGB").getdata()]
    return asset_formats.indexed_bmp(picture.width, picture.height, 4, VGA16, indices)


# The small icon (tray, caption) and the big icon (task switcher) at 100, 125, 150 and 200 %;
# the system picks the exact size for its small-icon and icon metrics.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64)


def ico_rgba(draw_at_size):
    images = []
    for size in ICON_SIZES:
        picture = draw_at_size(size)
        images.append(asset_formats.rgba_icon_image(size, size, list(picture.getdata())))
    return asset_formats.ico(images)


def ico_rgba_picture(picture):
    """One 32-bit image with alpha, at the picture's own size."""
    return asset_formats.ico([asset_formats.rgba_icon_image(picture.width, picture.height,
                                                            list(picture.getdata()))])


def ico_256(picture):
    """An 8-bit icon: edges are blended onto the dialog face, transparency becomes the mask."""
    opaque = Image.new("RGBA", picture.size, DIALOG_FACE + (255,))
    opaque.alpha_composite(picture)
    transparent = [alpha < 128 for *_, alpha in picture.getdata()]
    solid = [BLACK if clear else colour[:3]
             for colour, clear in zip(opaque.getdata(), transparent)]
    flat = Image.new("RGB", picture.size)
    flat.putdata(solid)
    palette, flat = _sorted_palette(flat, 255)
    if BLACK not in palette:
        palette = [BLACK] + palette
    index = {colour: position for position, colour in enumerate(palette)}
    indices = [index[BLACK] if clear else index[colour]
               for colour, clear in zip(flat.getdata(), transparent)]
    image = asset_formats.indexed_icon_image(picture.width, picture.height, palette, indices,
                                             transparent)
    return asset_formats.ico([image])
