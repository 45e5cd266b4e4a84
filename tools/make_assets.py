#!/usr/bin/env python3
"""Draws and synthesises every picture, icon and sound that the panel's resource script names.

    make_assets.py OUTPUT_DIR   writes the files into OUTPUT_DIR
    make_assets.py --list       prints the file names, one a line (the build's list of outputs)

The output depends on nothing but this code, Pillow and the font: no clock, no randomness
beyond a fixed-seed generator, so two runs give the same bytes.
"""

import os
import sys
from functools import partial

import asset_pictures as pictures
import asset_sounds as sounds


def _catalogue():
    """File name and a function making its bytes, for every asset."""
    files = []
    for resource, channel, tenths_hz in sounds.TONES:
        files.append(("tone_%d.wav" % resource, partial(sounds.test_tone, channel, tenths_hz)))
    files.append(("silence_215.wav", sounds.silence))
    files.append(("surround_209.wav", sounds.surround_sound))
    for percent in pictures.SCALES:
        files.extend(_pictures_at(percent))
    for resource, drawing in ((130, pictures.icon_connected), (131, pictures.icon_not_connected),
                              (186, pictures.icon_settings_open)):
        files.append(("icon_%d.ico" % resource, partial(pictures.ico_rgba, drawing)))
    return files


def _pictures_at(percent):
    """The windows' pictures drawn at one scale, each under its resource id or name at that
    scale."""
    offset, suffix = pictures.SCALE_ID_OFFSETS[percent], pictures.SCALE_SUFFIXES[percent]
    files = []
    for normal, active, label, facing, cone_scale in pictures.SPEAKERS:
        for resource, is_active in ((normal, False), (active, True)):
            drawing = partial(pictures.speaker, label, facing, cone_scale, is_active, percent)
            files.append(("speaker_%d.bmp" % (resource + offset),
                          _then(drawing, pictures.bmp_256)))
    files.append(("listener_%d.bmp" % (1019 + offset),
                  _then(partial(pictures.listener, percent), pictures.bmp_256)))
    files.append(("pad_%d.bmp" % (187 + offset),
                  _then(partial(pictures.surround_pad, percent), pictures.bmp_16)))
    for name, word, pressed, enabled in (("testu", "測試", False, True),
                                         ("testd", "停止", True, True),
                                         ("testx", "測試", False, False)):
        drawing = partial(pictures.start_button, word, pressed, enabled, percent)
        files.append(("%s%s.bmp" % (name, suffix.lower()), _then(drawing, pictures.bmp_16)))
    files.append(("icon_%d.ico" % (242 + offset),
                  _then(partial(pictures.panel_banner, percent), pictures.ico_rgba_picture)))
    files.append(("icon_%d.ico" % (203 + offset),
                  _then(partial(pictures.icon_about, percent), pictures.ico_256)))
    return files


def _then(draw, encode):
    return lambda: encode(draw())


def main(arguments):
    if arguments == ["--list"]:
        for name, _ in _catalogue():
            print(name)
        return 0
    if len(arguments) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    output = arguments[0]
    os.makedirs(output, exist_ok=True)
    for name, make in _catalogue():
        with open(os.path.join(output, name), "wb") as file:
            file.write(make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
