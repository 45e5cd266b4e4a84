"""Byte-exact writers for the resource file formats of the panel.

Pillow cannot write 4-bit bitmaps, WAVE_FORMAT_EXTENSIBLE or icons with a chosen bit depth, so
the headers are packed here by hand. Everything is little-endian, and nothing depends on the
clock or the machine, so the same pixels and samples always give the same bytes.
"""

import struct

WAVE_FORMAT_PCM = 0x0001
WAVE_FORMAT_EXTENSIBLE = 0xFFFE

# KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00aa00389b71, in its in-memory layout.
PCM_SUBFORMAT_GUID = struct.pack("<IHH", 0x00000001, 0x0000, 0x0010) + bytes.fromhex("800000aa00389b71")


def _chunk(tag, payload):
    pad = b"\0" if len(payload) % 2 else b""
    return tag + struct.pack("<I", len(payload)) + payload + pad


def _riff_wave(chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def extensible_wave(sample_rate, channel_count, channel_mask, frames):
    """A 16-bit WAVE_FORMAT_EXTENSIBLE file; `frames` is a list of per-channel sample tuples."""
    bits = 16
    block_align = channel_count * bits // 8
    extension = struct.pack("<HI", bits, channel_mask) + PCM_SUBFORMAT_GUID
    fmt = struct.pack(
        "<HHIIHHH",
        WAVE_FORMAT_EXTENSIBLE,
        channel_count,
        sample_rate,
        sample_rate * block_align,
        block_align,
        bits,
        len(extension),
    )
    data = b"".join(struct.pack("<%dh" % channel_count, *frame) for frame in frames)
    return _riff_wave([_chunk(b"fmt ", fmt + extension), _chunk(b"data", data)])


def pcm8_wave_with_fact(sample_rate, samples):
    """A mono 8-bit unsigned PCM file with a "fact" chunk (the sample count) before the data."""
    fmt = struct.pack("<HHIIHH", WAVE_FORMAT_PCM, 1, sample_rate, sample_rate, 1, 8)
    fact = struct.pack("<I", len(samples))
    return _riff_wave([_chunk(b"fmt ", fmt), _chunk(b"fact", fact), _chunk(b"data", bytes(samples))])


def _palette_bytes(palette, size):
    entries = list(palette) + [(0, 0, 0)] * (size - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)


def _row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def _pack_rows(width, height, bits, pixel):
    """Bottom-up rows of `pixel(x, y)` values (palette indices or BGRA tuples), padded to DWORDs."""
    stride = _row_stride(width, bits)
    rows = []
    for y in reversed(range(height)):
        if bits == 32:
            row = b"".join(struct.pack("<BBBB", *pixel(x, y)) for x in range(width))
        elif bits == 8:
            row = bytes(pixel(x, y) for x in range(width))
        elif bits == 4:
            nibbles = [pixel(x, y) for x in range(width)] + [0]
            row = bytes((nibbles[x] << 4) | nibbles[x + 1] for x in range(0, width, 2))
        elif bits == 1:
            row = bytearray((width + 7) // 8)
            for x in range(width):
                if pixel(x, y):
                    row[x // 8] |= 0x80 >> (x % 8)
            row = bytes(row)
        else:
            raise ValueError("unsupported bit depth %d" % bits)
        rows.append(row + b"\0" * (stride - len(row)))
    return b"".join(rows)


def _info_header(width, height, bits, image_size, colours_used):
    # 2835 pixels per metre is 72 dpi; the value only has to be fixed.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours_used, 0)


def indexed_bmp(width, height, bits, palette, indices):
    """An uncompressed 4- or 8-bit BMP file; `indices` is a row-major list of palette indices."""
    colours = 1 << bits
    if len(palette) > colours:
        raise ValueError("%d colours do not fit in %d bits" % (len(palette), bits))
    pixels = _pack_rows(width, height, bits, lambda x, y: indices[y * width + x])
    header = _info_header(width, height, bits, len(pixels), colours)
    table = _palette_bytes(palette, colours)
    offset = 14 + len(header) + len(table)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return file_header + header + table + pixels


def _icon_and_mask(width, height, transparent):
    return _pack_rows(width, height, 1, lambda x, y: transparent[y * width + x])


def rgba_icon_image(width, height, rgba):
    """One 32-bit icon image with its AND mask; `rgba` is a row-major list of (r, g, b, a)."""
    colour = _pack_rows(width, height, 32, lambda x, y: _bgra(rgba[y * width + x]))
    mask = _icon_and_mask(width, height, [a < 128 for _, _, _, a in rgba])
    header = _info_header(width, height * 2, 32, len(colour) + len(mask), 0)
    return (width, height, 0, 32), header + colour + mask


def _bgra(pixel):
    r, g, b, a = pixel
    return b, g, r, a


def indexed_icon_image(width, height, palette, indices, transparent):
    """One 8-bit icon image; transparent pixels must use a black palette entry."""
    colour = _pack_rows(width, height, 8, lambda x, y: indices[y * width + x])
    mask = _icon_and_mask(width, height, transparent)
    header = _info_header(width, height * 2, 8, len(colour) + len(mask), 256)
    return (width, height, 0, 8), header + _palette_bytes(palette, 256) + colour + mask


def ico(images):
    """An .ico file from (directory fields, image bytes) pairs as made by the two functions above."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    blobs = b""
    for (width, height, colour_count, bits), blob in images:
        # A directory byte holds sizes below 256; a larger side is stored as 0 and read from
        # the image's own header (the banner at 200 % is 336 pixels wide).
        entries += struct.pack("<BBBBHHII", width if width < 256 else 0,
                               height if height < 256 else 0, colour_count, 0, 1, bits,
                               len(blob), offset + len(blobs))
        blobs += blob
    return directory + entries + blobs
