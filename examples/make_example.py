#!/usr/bin/env python3
"""Makes the example voice project: four short 8-bit mono 8000 Hz WAV files
and a script in the layout the sound editor saves (demo.log)."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from voicefiles import editor_script, write_script, write_wav  # noqa: E402

RATE = 8000


def tone(freqs, seconds, volume=90):
    n = int(RATE * seconds)
    out = []
    for i in range(n):
        t = i / RATE
        envelope = min(1.0, i / 200, (n - i) / 400)
        v = sum(math.sin(2 * math.pi * f * t) for f in freqs) / len(freqs)
        out.append(128 + int(round(volume * envelope * v)))
    return out


def sweep(f0, f1, seconds, volume=90):
    n = int(RATE * seconds)
    out, phase = [], 0.0
    for i in range(n):
        f = f0 + (f1 - f0) * i / n
        phase += 2 * math.pi * f / RATE
        envelope = min(1.0, i / 200, (n - i) / 400)
        out.append(128 + int(round(volume * envelope * math.sin(phase))))
    return out


write_wav("beep.wav", tone([1000], 0.25))
write_wav("chime.wav", tone([660, 880], 0.5))
write_wav("rise.wav", sweep(300, 2400, 0.4))
write_wav("fall.wav", sweep(2400, 300, 0.4))

# File ids 1..4 in this order; section index -> (edge, hold, retrg, groups).
VOICES = ["beep.wav", "chime.wav", "rise.wav", "fall.wav"]
GROUPS = {
    0: [(1, 8000, 0)],
    1: [(2, 8000, 0)],
    2: [(3, 8000, 0), (4, 8000, 1)],
    3: [(1, 8000, 0), (2, 8000, 0), (1, 8000, 0)],
}
EDGE = {0, 2}
HOLD = {1}
RETRG = {0, 1, 2, 3}
sections = [(i in EDGE, i in HOLD, i in RETRG, GROUPS.get(i, [])) for i in range(256)]
write_script("demo.log", editor_script(VOICES, sections, stamp="12:00:00, 2026/12/09"))
