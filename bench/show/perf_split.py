#!/usr/bin/env python3
"""Splits a profile of show_bench into our own code and the OpenGL driver, per scene.

Usage: perf_split.py PERF_DATA SCENES_FILE
SCENES_FILE holds "name begin_ns end_ns" lines (CLOCK_MONOTONIC), written by show_bench;
the profile must be recorded with -k CLOCK_MONOTONIC so the two clocks agree.
Samples of the audio thread are left out (they are the music's, not the frame's).
"""
import collections
import os
import re
import subprocess
import sys

OURS = ("show_bench", "libstdc++", "libm.so", "libm-")
DRIVER = ("libgallium", "mesa", "libGL", "libglapi", "libEGL", "libGLX", "libLLVM", "swrast", "[unknown]",
          "[JIT]", "//anon", "perf-")
LINE = re.compile(r"^\s*(?P<comm>.+?)\s+(?P<tid>\d+)\s+(?P<time>\d+\.\d+):.*\((?P<dso>[^()]*)\)\s*$")


def category(comm, dso):
    if comm.startswith("show-audio"):
        return "audio"
    if comm.startswith("llvmpipe"):
        return "driver"
    base = os.path.basename(dso)
    if any(k in base for k in OURS):
        return "ours"
    if any(k in dso for k in DRIVER):
        return "driver"
    if "libc.so" in base or "libc-" in base:
        return "libc"
    return "other"


def main():
    data, scenes_file = sys.argv[1], sys.argv[2]
    scenes = []
    with open(scenes_file) as f:
        for line in f:
            name, begin, end = line.split()
            scenes.append((name, float(begin) * 1e-9, float(end) * 1e-9))
    out = subprocess.run(["perf", "script", "-i", data, "-F", "comm,tid,time,ip,dso"], capture_output=True,
                         text=True, check=True).stdout
    counts = collections.defaultdict(collections.Counter)
    for line in out.splitlines():
        m = LINE.match(line)
        if not m:
            continue
        t = float(m["time"])
        for name, begin, end in scenes:
            if begin <= t < end:
                counts[name][category(m["comm"].strip(), m["dso"])] += 1
                break
    print("# profile share of each scene's samples, audio thread excluded: ours driver libc other samples")
    for name, _, _ in scenes:
        c = counts[name]
        total = sum(v for k, v in c.items() if k != "audio")
        if total == 0:
            continue
        share = lambda k: 100.0 * c[k] / total
        print(f"share\t{name}\t{share('ours'):.1f}\t{share('driver'):.1f}\t{share('libc'):.1f}\t{share('other'):.1f}\t{total}")


if __name__ == "__main__":
    main()
