#!/usr/bin/python3
"""Checks a recording of the 5.1 sink against the tones that should have been heard.

The recording is raw signed 16-bit little-endian PCM, 48 kHz, six channels in the order of the
test tones' channel mask: FL FR FC LFE BL BR.

    analyze.py tour RECORDING --segment CH:HZ:SECONDS ... [--silence-after]
        From the first sound on, one segment after another: each must sound on its channel
        alone (every other channel at least 30 dB quieter) at its frequency (within 1 %), for
        about its length. With --silence-after, nothing may sound after the last one.

    analyze.py window RECORDING --channel CH --frequency HZ (--start T0 --end T1 | --calls LOG)
                      [--level DBFS]
        The tone must sound on its channel from T0 (or at most --latency, 0.4 s, later) to T1,
        and nothing may sound before T0 or after T1 (plus at most --stop-latency, 0.1 s). With
        --level, its RMS level while held must be that many dB of full scale (within
        --level-tolerance, 0.5 dB): what a volume setting does to the sound.

Times are seconds from the first recorded frame, or, with --wall-end (the system time at which
the recording was stopped), seconds since 1970 on the clock of the player. --calls names the
player's log: lines "play TIME NAME" and "stop TIME"; in tour mode it adds the delay from each
call to the sound.

Prints a line per tone and exits with 1 when anything fails (2 on a usage error). Breaks
within a tone (runs of silent frames of 1 ms or more, up to 0.1 s) are counted and shown but do
not fail the check: Wine's looped PlaySound of a clip this short stutters at the start of a
tone and drops a few milliseconds now and then, tens of milliseconds when the machine is busy.
"""

import argparse
import sys

import numpy as np

RATE = 48000
CHANNEL_NAMES = ("FL", "FR", "FC", "LFE", "BL", "BR")
FULL_SCALE = 32768.0

BLOCK_SECONDS = 0.01
SOUND_DB = -40.0  # a 10 ms block louder than this sounds
SILENCE_DB = -60.0  # a block quieter than this on every channel is silence
ISOLATION_DB = 30.0  # how much quieter every other channel must be than the tone's
FREQUENCY_TOLERANCE = 0.01
LOWEST_HZ = 20.0
SHORTEST_GAP = 0.001  # a break in a tone this long or longer is heard as a click
LONGEST_DROPOUT = 0.1  # a break in a tone up to this long is a dropout, not the tone's end
STEADY_SECONDS = 0.1  # the shortest stretch without a break that a frequency is measured on
CLOCK_SLACK = 0.05  # how far the recorder's clock may be off the player's, in seconds


def db(value):
    return 20.0 * np.log10(np.maximum(value, 1e-12))


def format_db(value):
    return "  -inf" if value < -200 else "%6.1f" % value


class Recording:
    def __init__(self, path, wall_end=None):
        raw = np.fromfile(path, dtype="<i2")
        frames = raw.size // len(CHANNEL_NAMES)
        self.samples = raw[: frames * len(CHANNEL_NAMES)].reshape(frames, len(CHANNEL_NAMES))
        self.samples = self.samples.astype(np.float64) / FULL_SCALE
        self.seconds = frames / RATE
        # The last frame reached the recorder when it was stopped.
        self.wall_start = None if wall_end is None else wall_end - self.seconds
        block = int(RATE * BLOCK_SECONDS)
        blocks = frames // block
        cut = self.samples[: blocks * block].reshape(blocks, block, len(CHANNEL_NAMES))
        self.block_db = db(np.sqrt(np.mean(cut**2, axis=1)))

    def time(self, wall_or_recording):
        """Seconds from the first frame, for a time given on the caller's clock."""
        if self.wall_start is None:
            return wall_or_recording
        return wall_or_recording - self.wall_start

    def frame(self, seconds):
        return int(round(min(max(seconds, 0.0), self.seconds) * RATE))

    def block(self, seconds):
        return int(round(min(max(seconds, 0.0), self.seconds) / BLOCK_SECONDS))

    def onset(self):
        """Seconds of the first block in which anything sounds, or None."""
        loud = np.nonzero(self.block_db.max(axis=1) > SOUND_DB)[0]
        return None if loud.size == 0 else loud[0] * BLOCK_SECONDS

    def levels(self, start, end):
        part = self.samples[self.frame(start) : self.frame(end)]
        return db(np.sqrt(np.mean(part**2, axis=0))) if len(part) else np.full(6, -240.0)

    def span_around(self, channel, seconds):
        """Start and end of the sound of a channel that holds `seconds`: its run of sounding
        blocks, across dropouts (breaks of up to LONGEST_DROPOUT, which `gaps` shows)."""
        sounding = self.block_db[:, channel] > SOUND_DB
        reach = int(round(LONGEST_DROPOUT / BLOCK_SECONDS)) + 1
        middle = min(self.block(seconds), len(sounding) - 1)
        if middle < 0:
            return None
        near = [i for i in range(middle - reach, middle + reach + 1)
                if 0 <= i < len(sounding) and sounding[i]]
        if not near:
            return None
        first = last = min(near, key=lambda i: abs(i - middle))
        while True:
            earlier = [i for i in range(max(first - reach, 0), first) if sounding[i]]
            if not earlier:
                break
            first = earlier[0]
        while True:
            ahead = range(last + 1, min(last + reach + 1, len(sounding)))
            later = [i for i in ahead if sounding[i]]
            if not later:
                break
            last = later[-1]
        return first * BLOCK_SECONDS, (last + 1) * BLOCK_SECONDS

    def sounding_level(self, channel, start, end):
        """RMS level in dBFS of a channel within [start, end), over its sounding blocks only,
        so that a dropout does not lower it."""
        first, last = self.block(start), self.block(end)
        rows = self.block_db[first:last, channel]
        power = [10 ** (value / 10) for value in rows if value > SOUND_DB]
        return -240.0 if not power else float(db(np.sqrt(np.mean(power))))

    def loud_blocks(self, start, end):
        """Times of the blocks within [start, end) in which any channel is above silence."""
        rows = self.block_db[self.block(start) : self.block(end)].max(axis=1)
        return [(self.block(start) + i) * BLOCK_SECONDS for i in np.nonzero(rows > SILENCE_DB)[0]]

    def gaps(self, channel, span):
        """Lengths in seconds of the breaks within a span of a channel's sound: runs of silent
        frames too long to be the zero at the start of a sawtooth's period."""
        if span is None:
            return []
        silent = self.samples[self.frame(span[0]) : self.frame(span[1]), channel] == 0
        edges = np.diff(np.concatenate(([0], silent.astype(np.int8), [0])))
        starts, ends = np.nonzero(edges == 1)[0], np.nonzero(edges == -1)[0]
        # The span is cut at block edges: silence touching its ends is outside the sound.
        inside = (starts > 0) & (ends < len(silent))
        lengths = (ends - starts)[inside] / RATE
        return [length for length in lengths if length >= SHORTEST_GAP]

    def steady_part(self, channel, start, end):
        """The longest stretch of [start, end) without a break in the channel's sound, or the
        whole of it when that stretch is short. A tone resumes after a dropout at another
        phase, which would smear its frequency."""
        first = self.frame(start)
        silent = self.samples[first : self.frame(end), channel] == 0
        edges = np.diff(np.concatenate(([0], silent.astype(np.int8), [0])))
        starts, ends = np.nonzero(edges == 1)[0], np.nonzero(edges == -1)[0]
        breaks = [(a, b) for a, b in zip(starts, ends) if b - a >= SHORTEST_GAP * RATE]
        bounds = [0] + [edge for gap in breaks for edge in gap] + [len(silent)]
        pieces = list(zip(bounds[0::2], bounds[1::2]))
        longest = max(pieces, key=lambda piece: piece[1] - piece[0])
        if longest[1] - longest[0] < STEADY_SECONDS * RATE:
            return start, end
        return (first + longest[0]) / RATE, (first + longest[1]) / RATE

    def dominant_frequency(self, channel, start, end):
        """The strongest frequency above LOWEST_HZ, which for a sawtooth is its fundamental."""
        signal = self.samples[self.frame(start) : self.frame(end), channel]
        if len(signal) < RATE // 20:
            return None
        signal = (signal - signal.mean()) * np.hanning(len(signal))
        size = 1 << (len(signal) * 8 - 1).bit_length()  # zero padding: a finer grid
        magnitude = np.abs(np.fft.rfft(signal, size))
        lowest = int(np.ceil(LOWEST_HZ * size / RATE))
        peak = lowest + int(np.argmax(magnitude[lowest:-1]))
        # The top of a parabola through the log magnitudes of the peak and its neighbours.
        left, centre, right = np.log(magnitude[peak - 1 : peak + 2] + 1e-20)
        bend = left - 2 * centre + right
        offset = 0.0 if bend == 0 else 0.5 * (left - right) / bend
        return (peak + offset) * RATE / size


def channel_index(name):
    upper = name.upper()
    if upper in CHANNEL_NAMES:
        return CHANNEL_NAMES.index(upper)
    raise argparse.ArgumentTypeError(
        "unknown channel %r (one of %s)" % (name, " ".join(CHANNEL_NAMES)))


def segment(text):
    try:
        name, hertz, seconds = text.split(":")
        return channel_index(name), float(hertz), float(seconds)
    except ValueError:
        raise argparse.ArgumentTypeError("a segment is CHANNEL:HZ:SECONDS, not %r" % text)


def read_calls(path):
    """The times of the play and the stop calls in a player's log."""
    calls = {"play": [], "stop": []}
    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            words = line.split()
            if len(words) >= 2 and words[0] in calls:
                calls[words[0]].append(float(words[1]))
    return calls["play"], calls["stop"]


def tone_failures(recording, channel, hertz, start, end):
    """What is wrong with the tone expected on `channel` within [start, end); its figures."""
    failures = []
    levels = recording.levels(start, end)
    found = None
    if levels[channel] < SOUND_DB:
        failures.append("%s silent" % CHANNEL_NAMES[channel])
    else:
        found = recording.dominant_frequency(channel, *recording.steady_part(channel, start, end))
        if found is None or abs(found - hertz) > FREQUENCY_TOLERANCE * hertz:
            shown = "?" if found is None else "%.2f Hz" % found
            failures.append("frequency %s, expected %.1f Hz" % (shown, hertz))
    for other, level in enumerate(levels):
        if other != channel and level > max(SILENCE_DB, levels[channel] - ISOLATION_DB):
            below = "" if levels[channel] < SOUND_DB else ", only %.1f dB below" % (levels[channel] - level)
            failures.append("%s sounds (%.1f dBFS%s)" % (CHANNEL_NAMES[other], level, below))
    return failures, levels, found


def print_header():
    print("%-4s %-4s %9s %10s %13s %6s %s  %s" % (
        "seg", "ch", "expected", "found", "span (s)", "breaks",
        " ".join("%6s" % n for n in CHANNEL_NAMES), "result"))


def print_row(recording, label, channel, hertz, found, span, levels, failures):
    span_text = "-" if span is None else "%.3f-%.3f" % span
    breaks = recording.gaps(channel, span)
    breaks_text = "0" if not breaks else "%d/%.0fms" % (len(breaks), max(breaks) * 1000)
    found_text = "-" if found is None else "%.2fHz" % found
    verdict = "PASS" if not failures else "FAIL: " + "; ".join(failures)
    print("%-4s %-4s %7.1fHz %10s %13s %6s %s  %s" % (
        label, CHANNEL_NAMES[channel], hertz, found_text, span_text, breaks_text,
        " ".join(format_db(v) for v in levels), verdict))


def check_silence(recording, label, start, end):
    """Nothing may sound within [start, end), which must be long enough to show it."""
    if end - start < 0.2:
        print("FAIL: the recording holds too little %s to show silence" % label)
        return False
    loud = recording.loud_blocks(start, end)
    verdict = "silent PASS" if not loud else "FAIL: sound at %.3f s" % loud[0]
    print("%s, %.3f-%.3f s: %s" % (label, start, end, verdict))
    return not loud


def check_tour(recording, arguments):
    onset = recording.onset()
    if onset is None:
        print("recording %.3f s\nFAIL: nothing sounds in the recording" % recording.seconds)
        return False
    print("recording %.3f s; first sound at %.3f s" % (recording.seconds, onset))
    print_header()
    passed = True
    begin = onset
    spans = []
    for number, (channel, hertz, seconds) in enumerate(arguments.segment, 1):
        end = begin + seconds
        window = (begin + arguments.margin, end - arguments.margin)
        failures, levels, found = tone_failures(recording, channel, hertz, *window)
        span = recording.span_around(channel, (begin + end) / 2)
        if span is None:
            failures.append("not sounding in the middle of its segment")
        elif abs((span[1] - span[0]) - seconds) > arguments.length_tolerance:
            failures.append("sounds %.3f s" % (span[1] - span[0]))
        spans.append(span)
        print_row(recording, str(number), channel, hertz, found, span, levels, failures)
        passed &= not failures
        begin = end
    if arguments.silence_after:
        passed &= check_silence(recording, "after the last segment",
                                begin + arguments.length_tolerance, recording.seconds)
    if arguments.calls:
        print_delays(recording, *read_calls(arguments.calls), spans)
    return passed


def print_delays(recording, plays, stops, spans):
    """From each call to the sound it started, on the recorder's clock (about +-20 ms)."""
    delays = ["%.0f" % ((span[0] - recording.time(play)) * 1000) if span else "?"
              for play, span in zip(plays, spans)]
    print("delay from each play call to its sound, ms: %s" % " ".join(delays))
    if stops and spans and spans[-1]:
        print("delay from the stop call to silence, ms: %.0f"
              % ((spans[-1][1] - recording.time(stops[-1])) * 1000))


def window_times(recording, arguments):
    """The start and the end of the window on the recording, or None."""
    if not arguments.calls:
        return recording.time(arguments.start), recording.time(arguments.end)
    plays, stops = read_calls(arguments.calls)
    if not plays or not stops:
        return None
    return recording.time(plays[0]), recording.time(stops[-1])


def check_window(recording, arguments):
    times = window_times(recording, arguments)
    if times is None:
        print("FAIL: %s holds no play and stop" % arguments.calls)
        return False
    start, end = times
    latest_start = start + arguments.latency
    print("recording %.3f s; tone expected from %.3f s (at the latest %.3f s) to %.3f s" % (
        recording.seconds, start, latest_start, end))
    if latest_start >= end:
        print("FAIL: the window is shorter than the allowed delay %.3f s" % arguments.latency)
        return False
    print_header()
    channel, hertz = arguments.channel, arguments.frequency
    failures, levels, found = tone_failures(recording, channel, hertz, latest_start, end)
    level = recording.sounding_level(channel, latest_start, end)
    if arguments.level is not None and abs(level - arguments.level) > arguments.level_tolerance:
        failures.append("level %.2f dBFS, expected %.2f dBFS" % (level, arguments.level))
    span = recording.span_around(channel, (latest_start + end) / 2)
    surely_held = end - CLOCK_SLACK
    if span is None or span[0] > latest_start or span[1] < surely_held:
        failures.append("does not sound throughout %.3f-%.3f s" % (latest_start, surely_held))
    print_row(recording, "1", channel, hertz, found, span, levels, failures)
    if arguments.level is not None:
        print("level while held, dropouts left out: %.2f dBFS, expected %.2f dBFS" % (
            level, arguments.level))
    passed = not failures
    passed &= check_silence(recording, "before the window", 0.0, start - CLOCK_SLACK)
    passed &= check_silence(recording, "after the window", end + arguments.stop_latency,
                            recording.seconds)
    if span and arguments.calls:
        print("delay from the play call to the sound: %.0f ms; from the stop call to silence: "
              "%.0f ms" % ((span[0] - start) * 1000, (span[1] - end) * 1000))
    return passed


def parse(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    modes = parser.add_subparsers(dest="mode", required=True)
    tour, window = modes.add_parser("tour"), modes.add_parser("window")
    for mode in (tour, window):
        mode.add_argument("recording")
        mode.add_argument("--wall-end", type=float,
                          help="system time at which the recording stopped")
        mode.add_argument("--calls", help="the player's log of play and stop calls")
    tour.add_argument("--segment", type=segment, action="append", required=True,
                      help="CHANNEL:HZ:SECONDS, in the order heard")
    tour.add_argument("--margin", type=float, default=0.25,
                      help="seconds left out at each end of a segment when measuring it")
    tour.add_argument("--length-tolerance", type=float, default=0.3,
                      help="how far a segment's sounding length may be off, in seconds")
    tour.add_argument("--silence-after", action="store_true",
                      help="nothing may sound after the last segment")
    window.add_argument("--channel", type=channel_index, required=True)
    window.add_argument("--frequency", type=float, required=True)
    window.add_argument("--start", type=float)
    window.add_argument("--end", type=float)
    window.add_argument("--latency", type=float, default=0.4,
                        help="longest delay allowed from the play call to the sound, in seconds")
    window.add_argument("--stop-latency", type=float, default=0.1,
                        help="longest delay allowed from the stop call to silence, in seconds")
    window.add_argument("--level", type=float,
                        help="RMS level of the tone while held, in dB of full scale")
    window.add_argument("--level-tolerance", type=float, default=0.5,
                        help="how far the level may be off, in dB")
    arguments = parser.parse_args(argv)
    if arguments.mode == "window" and not arguments.calls and (
            arguments.start is None or arguments.end is None):
        parser.error("window needs --start and --end, or --calls")
    if arguments.calls and arguments.wall_end is None:
        parser.error("--calls needs --wall-end: the calls are timed on the player's clock")
    return arguments


def main(argv):
    arguments = parse(argv)
    recording = Recording(arguments.recording, arguments.wall_end)
    check = check_tour if arguments.mode == "tour" else check_window
    passed = check(recording, arguments)
    print("RESULT: %s" % ("PASS" if passed else "FAIL"))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
