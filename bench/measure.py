#!/usr/bin/env python3
"""Times tessor on the projects of make_project.py against cat and sox.

    measure.py TESSOR PROJECT_DIR [RUNS]

Each command runs once untimed (to warm the page cache and check its result),
then RUNS times (default 5), tessor and its reference taking turns; the table
shows the median wall-clock time of each. Exits 1 when a target is missed.
"""

import glob
import os
import statistics
import subprocess
import sys
import time


def run(argv, stdout=subprocess.DEVNULL):
    """Runs one command to its end; returns (seconds, exit code)."""
    start = time.perf_counter()
    code = subprocess.run(argv, stdout=stdout, stderr=subprocess.STDOUT).returncode
    return time.perf_counter() - start, code


class Job:
    """Commands timed together. Before each run their output files are removed,
    outside the timing, so that every command creates its output afresh; a
    command whose output is its standard output (cat) has it opened to that file."""

    def __init__(self, label, commands, outputs, stdout_file=False):
        self.label = label
        self.commands = commands
        self.outputs = outputs  # one output file per command
        self.stdout_file = stdout_file

    def once(self):
        total = 0.0
        for argv, output in zip(self.commands, self.outputs):
            if os.path.exists(output):
                os.remove(output)
            if self.stdout_file:
                with open(output, "wb") as f:
                    seconds, code = run(argv, f)
            else:
                seconds, code = run(argv)
            if code != 0:
                sys.exit("%s: %s exited with %d" % (self.label, " ".join(argv), code))
            total += seconds
        return total


def check_tessor(tessor, script, image):
    """One compile with its console kept: it must end without errors."""
    log = image + ".txt"
    with open(log, "wb") as f:
        _, code = run([tessor, script, image], f)
    with open(log, "rb") as f:
        text = f.read()
    if code != 0 or b"Complete with 0 Errors" not in text:
        sys.exit("tessor %s: exit code %d, console in %s" % (script, code, log))


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__.strip())
    tessor = os.path.abspath(sys.argv[1])
    d = os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) == 4 else 5
    wavs = sorted(glob.glob(os.path.join(d, "wav", "*.wav")))
    sox_dir = os.path.join(d, "sox")
    os.makedirs(sox_dir, exist_ok=True)

    def tessor_job(case):
        script, image = os.path.join(d, case + ".log"), os.path.join(d, case + ".data")
        check_tessor(tessor, script, image)
        return Job("tessor " + case, [[tessor, script, image]], [image])

    def sox_one(encoding, name):
        out = os.path.join(sox_dir, name + ".wav")
        return Job("sox " + name, [["sox", os.path.join(d, "all.wav"), "-e", encoding, out]], [out])

    def sox_each(encoding, name):
        outs = [os.path.join(sox_dir, name + "-" + os.path.basename(w)) for w in wavs]
        commands = [["sox", w, "-e", encoding, out] for w, out in zip(wavs, outs)]
        return Job("sox %s x%d" % (name, len(wavs)), commands, outs)

    pcm = tessor_job("pcm")
    # The PCM image must end with every sample, in voice order.
    with open(os.path.join(d, "all.wav"), "rb") as f:
        samples = f.read()[44:]
    with open(os.path.join(d, "pcm.data"), "rb") as f:
        if not f.read().endswith(samples):
            sys.exit("tessor pcm: the image does not end with the voices' samples")
    adpcm, eq01 = tessor_job("adpcm"), tessor_job("eq01")

    cat = Job("cat", [["cat", os.path.join(d, "pcm.log")] + wavs], [os.path.join(d, "cat.out")], True)
    cases = [  # name, tessor job, reference job, the ratio not to exceed (None: shown only)
        ("pcm / cat", pcm, cat, 1.5),
        ("eq01 / cat", eq01, cat, 2.0),
        ("adpcm / sox ima-adpcm", adpcm, sox_one("ima-adpcm", "ima"), 0.05),
        ("eq01 / sox u-law", eq01, sox_one("u-law", "ulaw"), 0.5),
        ("adpcm / sox ima-adpcm, 64 runs", adpcm, sox_each("ima-adpcm", "ima"), None),
        ("eq01 / sox u-law, 64 runs", eq01, sox_each("u-law", "ulaw"), None),
    ]

    print("%d voices, %d samples, median of %d runs" % (len(wavs), len(samples), runs))
    print()
    print("%-31s %10s %10s %7s %7s  %s" % ("case", "tessor s", "ref s", "ratio", "target", "result"))
    missed = False
    for name, ours, ref, target in cases:
        ours.once(), ref.once()
        ours_times, ref_times = [], []
        for _ in range(runs):
            ours_times.append(ours.once())
            ref_times.append(ref.once())
        a, b = statistics.median(ours_times), statistics.median(ref_times)
        ratio = a / b
        if target is None:
            verdict, limit = "info", "-"
        else:
            verdict, limit = ("PASS" if ratio <= target else "FAIL"), "<=%g" % target
            missed |= ratio > target
        print("%-31s %10.4f %10.4f %7.3f %7s  %s" % (name, a, b, ratio, limit, verdict))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
