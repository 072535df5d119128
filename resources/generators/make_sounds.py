#!/usr/bin/python3
"""Synthesises the launcher's five feedback sounds as PCM WAV files in resources/sounds.

Each file has a fixed chunk layout (RIFF header, format chunk, "fact" chunk with the frame count,
an optional INFO list, the data chunk, a pad byte after an odd chunk), so its byte size is fixed
too; the script checks every size before it writes anything.

    /usr/bin/python3 resources/generators/make_sounds.py
"""

import math
import random
import struct
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "sounds"


# ---------------------------------------------------------------- chunk writing


def chunk(tag, payload):
    """A RIFF chunk: tag, payload size, payload and a pad byte when the size is odd."""
    data = tag + struct.pack("<I", len(payload)) + payload
    return data + b"\0" if len(payload) % 2 else data


def fmt_chunk(channels, rate, bits, extended):
    """The PCM format chunk; `extended` adds the zero extension size (18-byte payload)."""
    block = channels * bits // 8
    payload = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits)
    if extended:
        payload += struct.pack("<H", 0)
    return chunk(b"fmt ", payload)


def info_list(size, entries):
    """A LIST/INFO chunk of exactly `size` bytes; the last entry's text is padded with NULs to fit."""
    body = b"INFO"
    for tag, text in entries[:-1]:
        body += chunk(tag, text.encode("ascii") + b"\0")
    tag, text = entries[-1]
    room = size - 8 - len(body) - 8
    raw = text.encode("ascii") + b"\0"
    assert room >= len(raw) and room % 2 == 0, "INFO list too small for its texts"
    body += chunk(tag, raw.ljust(room, b"\0"))
    result = chunk(b"LIST", body)
    assert len(result) == size
    return result


def wave_file(channels, rate, bits, samples, extended_fmt=True, info=None):
    """The whole file image. `samples` are the encoded sample bytes (interleaved for stereo)."""
    frames = len(samples) // (channels * bits // 8)
    body = b"WAVE" + fmt_chunk(channels, rate, bits, extended_fmt)
    body += chunk(b"fact", struct.pack("<I", frames))
    if info:
        body += info
    body += chunk(b"data", samples)
    return b"RIFF" + struct.pack("<I", len(body)) + body


# ---------------------------------------------------------------- sample encoding


def clamp(value):
    return max(-1.0, min(1.0, value))


def u8(signal):
    """Unsigned 8-bit samples, silence at 128."""
    return bytes(max(0, min(255, int(round(128 + 127 * clamp(s))))) for s in signal)


def s16_stereo(left, right):
    out = bytearray()
    for a, b in zip(left, right):
        out += struct.pack("<hh", int(round(32767 * clamp(a))), int(round(32767 * clamp(b))))
    return bytes(out)


def normalised(signal, peak):
    """The signal scaled so its largest magnitude is `peak`."""
    largest = max(abs(s) for s in signal)
    return [s * peak / largest for s in signal]


def envelope(i, count, rate, attack, release):
    """Raised-cosine fades at both ends, so no sound starts or stops with a pop."""
    t = i / rate
    remaining = (count - 1 - i) / rate
    gain = 1.0
    if t < attack:
        gain *= 0.5 - 0.5 * math.cos(math.pi * t / attack)
    if remaining < release:
        gain *= 0.5 - 0.5 * math.cos(math.pi * max(0.0, remaining) / release)
    return gain


# ---------------------------------------------------------------- the sounds


def beep(count=1600, rate=8000):
    """A soft two-partial chime at about 660 Hz that dies away: "nothing to do here"."""
    out = []
    for i in range(count):
        t = i / rate
        tone = math.sin(2 * math.pi * 659.3 * t) + 0.25 * math.sin(2 * math.pi * 1318.5 * t)
        decay = math.exp(-t / 0.09)
        out.append(0.55 * tone * decay * envelope(i, count, rate, 0.004, 0.02))
    return out


def click(count=1577, rate=8000):
    """A wooden "tock": a bright tick on top of a short low thump."""
    rng = random.Random(7)
    out = []
    for i in range(count):
        t = i / rate
        tick = math.sin(2 * math.pi * 1750 * t) * math.exp(-t / 0.006)
        thump = math.sin(2 * math.pi * 190 * t) * math.exp(-t / 0.03)
        noise = (rng.random() * 2 - 1) * math.exp(-t / 0.002)
        out.append((0.45 * tick + 0.5 * thump + 0.25 * noise) * envelope(i, count, rate, 0.0005, 0.03))
    return out


def step(frames=1660, rate=44100):
    """A crisp, short detent tick, slightly wider in the right channel."""
    rng = random.Random(11)
    left, right = [], []
    lowpassed = 0.0
    for i in range(frames):
        t = i / rate
        lowpassed += 0.35 * ((rng.random() * 2 - 1) - lowpassed)
        body = math.sin(2 * math.pi * 2300 * t) * math.exp(-t / 0.004)
        knock = math.sin(2 * math.pi * 620 * t) * math.exp(-t / 0.008)
        grit = lowpassed * math.exp(-t / 0.0015)
        gain = envelope(i, frames, rate, 0.0003, 0.006)
        left.append((0.32 * body + 0.22 * knock + 0.35 * grit) * gain)
        right.append((0.28 * body + 0.26 * knock + 0.3 * grit) * gain)
    return left, right


def slide(count=16669, rate=22050):
    """A whoosh: noise through a resonant band-pass whose centre sweeps up and back down."""
    rng = random.Random(23)
    low = band = 0.0
    out = []
    duration = count / rate
    for i in range(count):
        t = i / rate
        x = t / duration
        centre = 350 + 2600 * math.sin(math.pi * x) ** 1.5
        f = 2 * math.sin(math.pi * centre / rate)
        q = 0.35  # damping of the state-variable filter
        high = (rng.random() * 2 - 1) - low - q * band
        band += f * high
        low += f * band
        swell = math.sin(math.pi * x) ** 2 * (0.6 + 0.4 * x)
        out.append(band * swell * envelope(i, count, rate, 0.01, 0.03))
    return normalised(out, 0.6)


def lock():
    """Eleven samples: the tiniest latch tick, starting and ending at silence."""
    shape = [0.0, 0.55, -0.7, 0.45, -0.3, 0.2, -0.12, 0.07, -0.04, 0.02, 0.0]
    return shape


# ---------------------------------------------------------------- output


def build_all():
    click_info = info_list(108, [(b"INAM", "Tessaro click"), (b"ISFT", "Tessaro sound generator")])
    step_info = info_list(56, [(b"INAM", "Tessaro step"), (b"ISFT", "Tessaro")])
    return {
        "BEEP.wav": (wave_file(1, 8000, 8, u8(beep())), 1658),
        "CLICK.wav": (wave_file(1, 8000, 8, u8(click()), info=click_info), 1744),
        "STEP.wav": (wave_file(2, 44100, 16, s16_stereo(*step()), extended_fmt=False, info=step_info), 6752),
        "SLIDE.wav": (wave_file(1, 22050, 8, u8(slide())), 16728),
        "LOCK.wav": (wave_file(1, 8000, 8, u8(lock())), 70),
    }


def main():
    files = build_all()
    for name, (image, size) in files.items():
        assert len(image) == size, f"{name}: {len(image)} bytes, expected {size}"
    OUT.mkdir(parents=True, exist_ok=True)
    for name, (image, size) in files.items():
        (OUT / name).write_bytes(image)
        print(f"{name}: {size} bytes")


if __name__ == "__main__":
    main()
