#!/usr/bin/env python3
"""Makes the example voice project: four short 8-bit mono 8000 Hz WAV files
and a script in the layout the sound editor saves (demo.log)."""
import math
import struct

RATE = 8000


def write_wav(name, samples):
    data = bytes(samples)
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt "
    header += struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE, 1, 8)
    header += b"data" + struct.pack("<I", len(data))
    with open(name, "wb") as f:
        f.write(header + data)


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

# The script, laid out as the editor writes it: CR LF line ends, fixed columns.
VOICES = ["beep.wav", "chime.wav", "rise.wav", "fall.wav"]  # file ids 1..4
GROUPS = {  # section index -> [(file id, rate, busy)]
    0: [(1, 8000, 0)],
    1: [(2, 8000, 0)],
    2: [(3, 8000, 0), (4, 8000, 1)],
    3: [(1, 8000, 0), (2, 8000, 0), (1, 8000, 0)],
}
EDGE = {0, 2}
HOLD = {1}
RETRG = {0, 1, 2, 3}

sep = ";" + "=-" * 49 + "="
lines = [
    ";" + "=" * 99,
    "; KelvxxM Standard Code Log File Ver: 1.0",
    ";" + " " * 53 + "The file was built up at 12:00:00, 2026/12/09.",
    sep,
    ".Silence      DefSil    = 8",
    ".Global       $Rck      = 8000000",
    '.Global       $Encoder  = 5 "EQ01" 26',
    ".Global       $Offset   = 0000h",
    '.Global       $RampEn   = "No"',
    ".Global       $FuncCode = 16",
    ".Global       $SbtMax   = %d" % (max(GROUPS) + 1),
    sep,
]
for file_id, name in enumerate(VOICES, 1):
    lines.append('.PCM          V%04d     = "%s"' % (file_id, name))
lines.append(sep)
yes_no = lambda flag: '"Yes"' if flag else '"No"'
for i in range(256):
    k = ".Section[%3d] " % (i + 1)
    lines.append(k + "$Edge     = " + yes_no(i in EDGE))
    lines.append(k + "$Hold     = " + yes_no(i in HOLD))
    lines.append(k + "$ReTrg    = " + yes_no(i in RETRG))
    if i in GROUPS:
        for file_id, rate, busy in GROUPS[i]:
            lines.append(k + "$Groups   = V%04d  (%5d) :%d" % (file_id, rate, busy))
    else:
        lines.append(k + "$Groups   = DefSil (8000) :0")
    lines.append(";" + "-" * 99)
with open("demo.log", "w", newline="") as f:
    f.write("".join(line + "\r\n" for line in lines))
