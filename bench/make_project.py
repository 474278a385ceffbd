#!/usr/bin/env python3
"""Writes the benchmark's full-chip voice projects into one folder.

    make_project.py OUT_DIR [TOTAL_BYTES]

OUT_DIR receives:
  wav/V0001.wav .. wav/V0064.wav   64 voices of synthetic 8-bit mono audio whose
                                   sample counts add up to TOTAL_BYTES (4 MiB)
  all.wav                          the same samples, one after another, in one file
  pcm.log, adpcm.log, eq01.log     editor-style scripts, 256 sections each, that
                                   differ only in the keyword of the voice lines

The audio is deterministic: the same arguments give the same bytes.
"""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from voicefiles import editor_script, wav_bytes, write_script  # noqa: E402

VOICES = 64
SECTIONS = 256
RATES = (8000, 12000, 16000)


def clip(v: float) -> int:
    x = int(128.5 + v)
    return 0 if x < 0 else 255 if x > 255 else x


class Lcg:
    """A small fixed generator, so that the audio does not depend on Python's."""

    def __init__(self, seed: int):
        self.state = seed & 0xFFFFFFFF

    def next(self) -> float:  # uniform in [-1, 1)
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 2147483648.0 - 1.0


def synth(kind: int, n: int, rate: int, seed: int) -> bytes:
    """n samples of one of eight kinds of sound: tones, sweeps, noise, speech-like."""
    rnd = Lcg(seed)
    f0 = 110.0 + (seed * 37) % 700
    w = 2.0 * math.pi / rate
    sin = math.sin
    out = bytearray(n)
    if kind == 0:  # decaying bell tone
        for i in range(n):
            out[i] = clip(120.0 * math.exp(-3.0 * i / n) * sin(w * f0 * i))
    elif kind == 1:  # two-tone chord
        for i in range(n):
            out[i] = clip(60.0 * sin(w * f0 * i) + 50.0 * sin(w * f0 * 1.5 * i))
    elif kind == 2:  # linear sweep up to a third of the sample rate
        k = (rate / 3.0 - f0) / (2.0 * n)
        for i in range(n):
            out[i] = clip(110.0 * sin(w * (f0 + k * i) * i))
    elif kind == 3:  # white noise
        for i in range(n):
            out[i] = clip(100.0 * rnd.next())
    elif kind == 4:  # square wave
        period = max(2, int(rate / f0))
        for i in range(n):
            out[i] = 40 if (i % period) < period // 2 else 216
    elif kind == 5:  # vowel-like: harmonics under a slow vibrato and syllable envelope
        for i in range(n):
            t = i / rate
            ph = w * f0 * i + 3.0 * sin(2.0 * math.pi * 5.0 * t)
            env = 0.5 + 0.5 * sin(2.0 * math.pi * 3.0 * t)
            out[i] = clip(env * (70.0 * sin(ph) + 30.0 * sin(2 * ph) + 15.0 * sin(3 * ph)))
    elif kind == 6:  # brown noise (a bounded random walk)
        v = 0.0
        for i in range(n):
            v = 0.98 * v + 8.0 * rnd.next()
            out[i] = clip(v)
    else:  # near silence with sparse clicks
        for i in range(n):
            out[i] = clip(2.0 * rnd.next() + (100.0 if i % 4000 == 0 else 0.0))
    return bytes(out)


def voice_lengths(total: int) -> list:
    """64 lengths between about half and one and a half of the mean, summing to total."""
    weights = [0.5 + ((i * 37) % VOICES) / (VOICES - 1) for i in range(VOICES)]
    scale = total / sum(weights)
    lengths = [int(w * scale) for w in weights]
    lengths[-1] += total - sum(lengths)
    return lengths


def sections(rates: list) -> list:
    """256 sections with mixed attributes and one to four group entries each,
    every voice used."""
    out = []
    for i in range(SECTIONS):
        groups = []
        for j in range(1 + i % 4):
            file_id = (i * 7 + j * 13) % VOICES + 1
            groups.append((file_id, rates[file_id - 1], j & 1))
        out.append((i & 1, (i >> 1) & 1, (i >> 2) & 1, groups))
    return out


def main() -> int:
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out_dir = os.path.abspath(sys.argv[1])
    total = int(sys.argv[2]) if len(sys.argv) == 3 else 4 * 1024 * 1024
    wav_dir = os.path.join(out_dir, "wav")
    os.makedirs(wav_dir, exist_ok=True)

    paths, rates, everything = [], [], []
    for index, n in enumerate(voice_lengths(total), start=1):
        rate = RATES[index % len(RATES)]
        samples = synth((index - 1) % 8, n, rate, index)
        path = os.path.join(wav_dir, "V%04d.wav" % index)
        with open(path, "wb") as f:
            f.write(wav_bytes(samples, rate))
        paths.append(path)
        rates.append(rate)
        everything.append(samples)
    with open(os.path.join(out_dir, "all.wav"), "wb") as f:
        f.write(wav_bytes(b"".join(everything), RATES[0]))

    for name, keyword in (("pcm", ".PCM"), ("adpcm", ".ADPCM"), ("eq01", ".EQ01")):
        write_script(os.path.join(out_dir, name + ".log"),
                     editor_script(paths, sections(rates), keyword))
    return 0


if __name__ == "__main__":
    sys.exit(main())
