"""Voice project files for the tools around the tool chain (the example, the
benchmark, the fuzz seeds): WAV files and scripts in the sound editor's layout."""
import struct
import time

CRLF = "\r\n"


def wav_bytes(samples, rate=8000, channels=1, bits=8, count=None):
    """A canonical 44-byte-header WAV file. `count`, when given, is written as the
    data size instead of the real number of sample bytes."""
    data = bytes(samples)
    n = len(data) if count is None else count
    align = channels * bits // 8
    head = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt "
    head += struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * align, align, bits)
    head += b"data" + struct.pack("<I", n & 0xFFFFFFFF)
    return head + data


def write_wav(path, samples, rate=8000):
    with open(path, "wb") as f:
        f.write(wav_bytes(samples, rate))


def editor_script(voices, sections, keyword=".PCM", stamp=None):
    """A script as the sound editor saves it: CR LF line ends, fixed columns.

    voices: the WAV paths, file ids 1, 2, ... in order.
    sections: 256 tuples (edge, hold, retrg, groups), groups a list of
    (file id, rate, busy); an empty list links the silence voice DefSil.
    stamp: the time-stamp text (default: now)."""
    if stamp is None:
        stamp = time.strftime("%H:%M:%S, %Y/%m/%d")
    separator = ";" + "=-" * 49 + "="
    sbt_max = max((i + 1 for i, s in enumerate(sections) if s[3]), default=0)
    lines = [
        ";" + "=" * 99,
        "; KelvxxM Standard Code Log File Ver: 1.0",
        ";" + " " * 53 + "The file was built up at " + stamp + ".",
        separator,
        ".Silence      DefSil    = 8",
        ".Global       $Rck      = 8000000",
        '.Global       $Encoder  = 5 "EQ01" 26',
        ".Global       $Offset   = 0000h",
        '.Global       $RampEn   = "No"',
        ".Global       $FuncCode = 16",
        ".Global       $SbtMax   = %d" % sbt_max,
        separator,
    ]
    for file_id, path in enumerate(voices, 1):
        lines.append('%-14sV%04d     = "%s"' % (keyword, file_id, path))
    lines.append(separator)
    yes_no = lambda flag: '"Yes"' if flag else '"No"'
    for i, (edge, hold, retrg, groups) in enumerate(sections):
        head = ".Section[%3d] " % (i + 1)
        lines.append(head + "$Edge     = " + yes_no(edge))
        lines.append(head + "$Hold     = " + yes_no(hold))
        lines.append(head + "$ReTrg    = " + yes_no(retrg))
        for file_id, rate, busy in groups:
            lines.append(head + "$Groups   = V%04d  (%5d) :%d" % (file_id, rate, busy))
        if not groups:
            lines.append(head + "$Groups   = DefSil (8000) :0")
        lines.append(";" + "-" * 99)
    return CRLF.join(lines) + CRLF


def write_script(path, text):
    # newline="" keeps the CR LF line ends exactly as written.
    with open(path, "w", newline="", encoding="latin-1") as f:
        f.write(text)
