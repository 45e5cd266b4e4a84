"""The panel's sounds: the six speaker test tones, the six-channel silence and the surround sound.

All arithmetic is integer or plain IEEE double (+, -, *, /), never a library transcendental, so
the samples cannot drift between machines.
"""

import asset_formats

TONE_RATE = 48000
CHANNEL_MASK_5_1 = 0x3F  # front left, front right, centre, LFE, back left, back right
CHANNELS_5_1 = 6
TONE_PERIODS = 20
SAWTOOTH_TOP = 32767

SURROUND_RATE = 22050
SURROUND_SAMPLES = 13328
SURROUND_MID = 128
SURROUND_SWING = 24  # keeps every sample within 104..152: a quiet sound
SURROUND_SEED = 0x2545F491

SILENCE_FRAMES = 10

# Resource, channel index within CHANNEL_MASK_5_1, frequency in tenths of a hertz. The notes
# rise C, D, E, F, G, A clockwise round the listener, starting at the front left.
TONES = [
    (177, 0, 2616),  # front left
    (181, 2, 2937),  # centre
    (180, 1, 3296),  # front right
    (178, 5, 3492),  # rear right
    (182, 3, 3920),  # subwoofer (LFE)
    (179, 4, 4400),  # rear left
]


def tone_frame_count(tenths_hz):
    """Whole frames nearest to TONE_PERIODS periods of the note."""
    numerator = TONE_PERIODS * TONE_RATE * 10
    return (2 * numerator + tenths_hz) // (2 * tenths_hz)


def sawtooth_sample(frame, tenths_hz):
    """A rising ramp from 0 to SAWTOOTH_TOP, phase kept as an exact fraction of a period."""
    period_scale = TONE_RATE * 10
    phase = frame * tenths_hz % period_scale
    return (phase * SAWTOOTH_TOP + period_scale // 2) // period_scale


def test_tone(channel, tenths_hz):
    frames = []
    for frame in range(tone_frame_count(tenths_hz)):
        samples = [0] * CHANNELS_5_1
        samples[channel] = sawtooth_sample(frame, tenths_hz)
        frames.append(tuple(samples))
    return asset_formats.extensible_wave(TONE_RATE, CHANNELS_5_1, CHANNEL_MASK_5_1, frames)


def silence():
    frames = [(0,) * CHANNELS_5_1] * SILENCE_FRAMES
    return asset_formats.extensible_wave(TONE_RATE, CHANNELS_5_1, CHANNEL_MASK_5_1, frames)


class Xorshift32:
    """A fixed-seed generator of our own, so the noise never depends on a library's choice."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next_unit(self):
        """The next value, uniform in [-1, 1)."""
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0


def surround_sound():
    """Softened white noise that swells towards the middle of the clip.

    The clip plays looped, so its envelope starts and ends at the same level: the loop pulses
    gently instead of clicking.
    """
    generator = Xorshift32(SURROUND_SEED)
    smoothed = []
    level = 0.0
    for _ in range(SURROUND_SAMPLES):
        level += (generator.next_unit() - level) * 0.5
        smoothed.append(level)
    peak = max(abs(value) for value in smoothed)
    samples = []
    for index, value in enumerate(smoothed):
        x = index / SURROUND_SAMPLES
        envelope = 0.55 + 0.45 * (4.0 * x * (1.0 - x))
        samples.append(SURROUND_MID + round(value / peak * envelope * SURROUND_SWING))
    return asset_formats.pcm8_wave_with_fact(SURROUND_RATE, samples)
