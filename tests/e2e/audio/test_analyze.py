#!/usr/bin/python3
"""The recording checker must fail every recording in which a user would hear something wrong.

Each case builds a recording of the kind the sink gives (raw s16le, 48 kHz, FL FR FC LFE BL BR),
with a known fault or none, and runs the checker on it.

    python3 -m unittest tests/e2e/audio/test_analyze.py   (or run the file)
"""

import contextlib
import io
import os
import sys
import tempfile
import unittest

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import analyze  # noqa: E402

RATE = analyze.RATE
TOUR = [("FL", 261.6), ("FC", 293.7), ("FR", 329.6), ("BR", 349.2), ("LFE", 392.0), ("BL", 440.0)]
LEAD_IN = 0.5
SWITCH_GAP = 0.04  # the break Wine leaves between one looped tone and the next


def sawtooth(hertz, seconds, level=1.0):
    frames = np.arange(int(round(seconds * RATE)))
    return np.floor((frames * hertz / RATE % 1.0) * 32767 * level)


class Tape:
    """A recording being built: silence with tones laid on channels at given times."""

    def __init__(self, seconds):
        self.samples = np.zeros((int(round(seconds * RATE)), 6))

    def lay(self, channel, hertz, start, seconds, level=1.0):
        first = int(round(start * RATE))
        tone = sawtooth(hertz, seconds, level)
        self.samples[first : first + len(tone), analyze.CHANNEL_NAMES.index(channel)] += tone
        return self

    def drop(self, channel, start, seconds):
        """A dropout: the sink got nothing for a while."""
        first = int(round(start * RATE))
        self.samples[first : first + int(round(seconds * RATE)),
                     analyze.CHANNEL_NAMES.index(channel)] = 0
        return self

    def pause(self, channel, start, seconds):
        """A dropout after which the sound goes on where it stopped, so at another phase."""
        first = int(round(start * RATE))
        column = self.samples[:, analyze.CHANNEL_NAMES.index(channel)]
        shift = int(round(seconds * RATE))
        column[first + shift :] = column[first : len(column) - shift].copy()
        column[first : first + shift] = 0
        return self

    def save(self, folder):
        path = os.path.join(folder, "recording.raw")
        self.samples.clip(-32768, 32767).astype("<i2").tofile(path)
        return path


def tour_tape(tones=TOUR, lengths=None, extra_seconds=1.5):
    lengths = lengths or [1.0] * len(tones)
    tape = Tape(LEAD_IN + sum(lengths) + extra_seconds)
    start = LEAD_IN
    for (channel, hertz), seconds in zip(tones, lengths):
        tape.lay(channel, hertz, start, seconds - SWITCH_GAP)
        start += seconds
    return tape


def tour_arguments():
    segments = []
    for channel, hertz in TOUR:
        segments += ["--segment", "%s:%s:1.0" % (channel, hertz)]
    return segments + ["--silence-after"]


class CheckerCase(unittest.TestCase):
    def run_checker(self, tape, *arguments):
        with tempfile.TemporaryDirectory() as folder:
            path = tape.save(folder)
            output = io.StringIO()
            with contextlib.redirect_stdout(output):
                status = analyze.main([arguments[0], path] + list(arguments[1:]))
        return status, output.getvalue()

    def assert_verdict(self, tape, arguments, passes):
        status, output = self.run_checker(tape, *arguments)
        self.assertEqual(status, 0 if passes else 1, output)


class TourTest(CheckerCase):
    def test_recordings_and_verdicts(self):
        swapped = list(TOUR)
        swapped[1], swapped[2] = swapped[2], swapped[1]
        sharp = list(TOUR)
        sharp[3] = ("BR", 349.2 * 1.02)
        slightly_off = list(TOUR)
        slightly_off[4] = ("LFE", 392.0 * 1.005)
        wrong_channel = list(TOUR)
        wrong_channel[5] = ("BR", 440.0)
        cases = [
            ("the tour as it should sound", tour_tape(), True),
            ("centre and front right swapped", tour_tape(swapped), False),
            ("rear right 2 % sharp", tour_tape(sharp), False),
            ("subwoofer 0.5 % off, within tolerance", tour_tape(slightly_off), True),
            ("rear left tone on the rear right channel", tour_tape(wrong_channel), False),
            ("front right cut short to 0.5 s",
             tour_tape(lengths=[1.0, 1.0, 0.5, 1.5, 1.0, 1.0]), False),
            ("front left leaks into the centre 25 dB down",
             tour_tape().lay("FC", 261.6, LEAD_IN, 0.96, 10 ** (-25 / 20)), False),
            ("front left leaks into the centre 40 dB down, inaudible beside it",
             tour_tape().lay("FC", 261.6, LEAD_IN, 0.96, 10 ** (-40 / 20)), True),
            ("never stopped: rear left goes on",
             tour_tape().lay("BL", 440.0, LEAD_IN + 6, 1.5), False),
            ("nothing at all", Tape(8.0), False),
            ("a 40 ms dropout in the rear left", tour_tape().drop("BL", LEAD_IN + 5.6, 0.04),
             True),
            ("a 300 ms hole in the centre", tour_tape().drop("FC", LEAD_IN + 1.4, 0.3), False),
        ]
        for name, tape, passes in cases:
            with self.subTest(name):
                self.assert_verdict(tape, ["tour"] + tour_arguments(), passes)

    def test_recording_too_short_to_show_the_stop(self):
        self.assert_verdict(tour_tape(extra_seconds=0.1), ["tour"] + tour_arguments(), False)

    def test_delays_from_the_calls(self):
        with tempfile.TemporaryDirectory() as folder:
            calls = os.path.join(folder, "calls")
            wall_start = 1000.0
            with open(calls, "w") as log:
                for step in range(6):
                    log.write("play %.6f tone\n" % (wall_start + LEAD_IN - 0.1 + step))
                log.write("stop %.6f\n" % (wall_start + LEAD_IN + 6 - SWITCH_GAP))
            tape = tour_tape()
            wall_end = wall_start + len(tape.samples) / RATE
            status, output = self.run_checker(
                tape, "tour", *tour_arguments(), "--wall-end", str(wall_end), "--calls", calls)
        self.assertEqual(status, 0, output)
        self.assertIn("delay from each play call to its sound, ms: " + " ".join(["100"] * 6),
                      output)


class WindowTest(CheckerCase):
    PRESS = (1.0, 1.7)

    @staticmethod
    def sounding(channel, hertz, start, end, tape=None):
        return (tape or Tape(3.0)).lay(channel, hertz, start, end - start)

    def test_recordings_and_verdicts(self):
        start, end = self.PRESS
        cases = [
            ("sounds while held, 200 ms late", self.sounding("FL", 261.6, start + 0.2, end), True),
            ("sounds before the press", self.sounding("FL", 261.6, start - 0.3, end), False),
            ("goes on 0.2 s after the release", self.sounding("FL", 261.6, start, end + 0.2),
             False),
            ("starts 0.5 s late", self.sounding("FL", 261.6, start + 0.5, end), False),
            ("another speaker sounds later",
             self.sounding("FR", 329.6, 2.5, 2.8, self.sounding("FL", 261.6, start, end)), False),
            ("on the wrong speaker", self.sounding("FR", 261.6, start, end), False),
            ("wrong note", self.sounding("FL", 293.7, start, end), False),
            ("a 40 ms dropout while held",
             self.sounding("FL", 261.6, start, end).drop("FL", start + 0.5, 0.04), True),
            ("two dropouts of 18 ms while held, the tone resuming each time",
             self.sounding("FL", 261.6, start, end - 0.036).pause("FL", start + 0.5, 0.018)
             .pause("FL", start + 0.6, 0.018), True),
            ("a 300 ms hole while held",
             self.sounding("FL", 261.6, start, end).drop("FL", start + 0.3, 0.3), False),
        ]
        arguments = ["window", "--channel", "FL", "--frequency", "261.6",
                     "--start", str(start), "--end", str(end)]
        for name, tape, passes in cases:
            with self.subTest(name):
                self.assert_verdict(tape, arguments, passes)


    def test_level_while_held(self):
        start, end = self.PRESS
        # A full-scale rising sawtooth over the positive half: RMS 1/sqrt(3) of full scale.
        full = 20 * np.log10(1 / np.sqrt(3))
        arguments = ["window", "--channel", "FL", "--frequency", "261.6",
                     "--start", str(start), "--end", str(end)]
        cases = [
            ("full volume, expected full", 1.0, full, True),
            ("turned down to 0.85, expected so", 0.85, full + 20 * np.log10(0.85), True),
            ("turned down to 0.85, expected full", 0.85, full, False),
            ("full volume, expected 0.4", 1.0, full + 20 * np.log10(0.4), False),
            ("0.4, expected 0.85", 0.4, full + 20 * np.log10(0.85), False),
        ]
        for name, played, expected, passes in cases:
            with self.subTest(name):
                # A dropout while held must not pass for a lower volume.
                tape = Tape(3.0).lay("FL", 261.6, start, end - start, played)
                tape.drop("FL", start + 0.5, 0.05)
                self.assert_verdict(tape, arguments + ["--level", "%.3f" % expected], passes)


class BreaksTest(unittest.TestCase):
    def test_breaks_inside_a_tone_are_found_and_its_edges_are_not(self):
        tape = Tape(2.0).lay("FC", 293.7, 0.5, 1.0)
        tape.samples[int(0.9 * RATE) : int(0.905 * RATE), 2] = 0
        with tempfile.TemporaryDirectory() as folder:
            recording = analyze.Recording(tape.save(folder))
        span = recording.span_around(2, 1.0)
        self.assertEqual(len(recording.gaps(2, span)), 1)
        self.assertAlmostEqual(recording.gaps(2, span)[0], 0.005, places=4)


if __name__ == "__main__":
    unittest.main()
