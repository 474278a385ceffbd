#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz harnesses.

    make_seeds.py OUT_DIR [EXAMPLES_DIR]

OUT_DIR/compile gets inputs for fuzz_compile (script, then the WAV files a.wav
and b.wav and the extra command-line words, cut at "@@WAV@@"); OUT_DIR/wave
gets inputs for fuzz_wave (12 control bytes and a WAV file). With
EXAMPLES_DIR, every *.log script there is added too, its first two WAV names
turned into a.wav and b.wav and their files attached.
"""
import math
import os
import re
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from voicefiles import wav_bytes as wav  # noqa: E402

SPLIT = b"@@WAV@@"


def tone(n, period=16, amp=100):
    return [int(128 + amp * math.sin(2 * math.pi * i / period)) & 0xFF for i in range(n)]


RAMP = list(range(0, 256, 5))
TONE = tone(37)

FULL = b"""; a small voice project
.Silence      DefSil    = 8
.Global       $Rck      = 8000000
.Global       $Encoder  = 5 "EQ01" 26
.Global       $Offset   = 0000h
.Global       $RampEn   = "No"
.Global       $FuncCode = 16
.Global       $SbtMax   = 3
.Global       $Cpu      = "Qiph42"
.Global       $GrpAdr   = 3
.Global       $MaxSize  = 20000h
.PCM          V0001     = "a.wav"
.ADPCM        V0002     = "b.wav"
.EQ01         V0003     = "a.wav"
.Section[  1] $Edge     = "Yes"
.Section[  1] $Hold     = "No"
.Section[  1] $ReTrg    = "Yes"
.Section[  1] $Groups   = V0001  ( 8000) :0
.Section[  3] $Groups   = V0002  ( 8000) :1
.Section[  3] $Groups   = V0003  ( 11025) :0
.Section[  3] $Groups   = DefSil  ( 8000) :0
"""

EXPRESSIONS = b""".define A = 2+3*4
.define B = (2+3)*4 - 10-4-3 + 100/10/5
.define C = -2*3 | 1|2^3&6 ^ 6&3|8
.define D = --5 + 0FFFFFFFFh+1 + 101b + 0bh + 12d + 12dh
.define rate = %3
.Silence S = A*B
.Global $Cpu = $4
.Global $Encoder = 5 $5 RATE
.Section[2*2] $Hold = "no"
.Section[A-13] $Groups = S (RATE) : C & 1
"""

ERRORS = b"""Foo = 1
.Global $Rck = 1 2
.PCM V1 = 5
.Global $RampEn = Yes
.Section[1] $Groups = V1 (8000) 0
.Global $Edge
.Global $Rck =
.define = 5
.define X = Y
.define X = 1
.define x = 2
#define Z 3
.Section[0] $Edge = "Yes"
.Section[1024] $Edge = "Yes"
.Section[5] $ReTrg = "Maybe"
.Global $Cpu = "Qiph"
.Global $GrpAdr = 5
.Global $Encoder = 4 "EQ01" 26
.Global $Encoder = 5 "EQ02" 26
.Global $Encoder = 5 "EQ01" 0
.PCM Gone = "c.wav"
.PCM A = "a.wav"
.ADPCM a = "b.wav"
.Section[1] $Groups = Later (8000) : 0
.Section[1] $Groups = A (0) : 0
.define Q = 7 / 0 + (-2147483647-1) / -1 + %9
$Rck = 1.5
"""

PASS2 = b""".Global $Encoder = 5 "eq01" 100
.PCM Short = "a.wav"
.ADPCM Wide = "b.wav"
.EQ01 Odd = "a.wav"
.Section[1023] $Groups = Short (8000) : 0
"""

LINE_ENDS = b".define A = 1\r\n.define B = 2\n\r.define C = 3\r.define D = 4\n;comment\r.Global $Rck = 1\n.PCM V = \"a.wav\"; end"

OFFSETS = b""".Global $Offset = 1000h
.Global $Cpu = "qiph10 board"
.Global $GrpAdr = 1
.Global $MaxSize = 30h
.PCM V = "a.wav"
.Section[2] $Groups = V (3906) : 0
"""

DEEP = b".define A = " + b"(" * 300 + b"1" + b")" * 300 + b"\n.define B = " + b"-" * 300 + b"1\n"


def compile_seeds():
    good = wav(RAMP)
    tone_wav = wav(TONE, rate=11025)
    seeds = {
        "full": [FULL, good, tone_wav],
        "expressions": [EXPRESSIONS, good, good, b"12\nQiph3k170\neq01\nlong\n" + b"w" * 20],
        "errors": [ERRORS, good, good],
        "pass2_errors": [PASS2, wav(RAMP, count=len(RAMP) + 40), wav(TONE, bits=16)],
        "line_ends": [LINE_ENDS, good],
        "offsets": [OFFSETS, good],
        "deep": [DEEP],
        "empty": [b""],
        "huge_count": [b'.PCM A = "a.wav"\n.ADPCM B = "a.wav"\n.EQ01 C = "a.wav"\n',
                       wav(TONE, count=0x7FFFFFF0)],
        "negative_count": [b'.ADPCM B = "a.wav"\n', wav(TONE, count=0x80000000)],
    }
    return {name: SPLIT.join(parts) for name, parts in seeds.items()}


def example_seeds(folder):
    seeds = {}
    for name in sorted(os.listdir(folder)):
        if not name.lower().endswith(".log"):
            continue
        script = open(os.path.join(folder, name), "rb").read()
        paths = []
        for literal in re.findall(rb'^\s*\.(?:PCM|ADPCM|EQ01)\s+\w+\s*=\s*"([^"\n]*)"', script,
                                  re.I | re.M):
            if literal not in paths:
                paths.append(literal)
        parts = [None, None]
        for i, path in enumerate(paths):
            slot = i % 2
            script = script.replace(b'"' + path + b'"', b'"' + (b"a.wav", b"b.wav")[slot] + b'"')
            full = os.path.join(folder, path.decode("latin-1"))
            if parts[slot] is None and os.path.exists(full):
                parts[slot] = open(full, "rb").read()
        body = [script] + [p for p in parts if p is not None]
        seeds["example_" + os.path.splitext(name)[0]] = SPLIT.join(body)
    return seeds


def control(kind, second=False, direct=False, bits=5, mu=26, offset=0, links=0, skew=0):
    flags = kind | (4 if second else 0) | (8 if direct else 0)
    return struct.pack("<BbihHBb", flags, bits, mu, offset, links, 0, skew)


def wave_seeds():
    good = wav(RAMP)
    return {
        "pcm": control(0) + good,
        "adpcm_two": control(1, second=True, links=256) + wav(tone(41)),
        "eq01_two": control(2, second=True, offset=0x1000) + wav(tone(9)),
        "eq01_mu100": control(2, mu=100, bits=5) + wav(list(range(256))),
        "eq01_width8": control(3, bits=8, mu=255) + good,
        "eq01_mu0": control(2, mu=0) + good,
        "adpcm_skew": control(1, direct=True, skew=3) + good,
        "eq01_skew": control(2, direct=True, skew=-8) + good,
        "short_data": control(1, second=True) + wav(TONE, count=1000),
        "stereo": control(0) + wav(TONE, channels=2),
        "header_only": control(0) + wav([])[:44],
        "truncated": control(0) + wav(TONE)[:30],
    }


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    out = sys.argv[1]
    if len(sys.argv) == 3:
        write(os.path.join(out, "compile"), example_seeds(sys.argv[2]))
        return
    write(os.path.join(out, "compile"), compile_seeds())
    write(os.path.join(out, "wave"), wave_seeds())


if __name__ == "__main__":
    main()
