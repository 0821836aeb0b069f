#!/usr/bin/env python3
"""Turns the raw outputs of bench/run.sh into the Markdown table of bench/RESULTS.md.

Usage: report.py MUSIC_JSON SHOW_TXT SPLIT_TXT HEADER_TXT
Any input file may be missing or empty; its section then says so.
"""
import json
import os
import sys


def read(path):
    return open(path).read() if path and os.path.exists(path) else ""


def music_section(path):
    out = ["## Song render speed (times real time, one core, processor time)", ""]
    text = read(path)
    if not text:
        return out + ["(not measured)", ""]
    rows = {}
    for b in json.loads(text)["benchmarks"]:
        parts = b["name"].split("/")
        if len(parts) < 3 or parts[0] != "render":
            continue
        song, player = parts[1], parts[2]
        rows.setdefault(song, {})[player] = b.get("x_realtime")
    out += ["| song | ours | libopenmpt | xmp | ours / faster peer | goal >= 2x |", "|---|---:|---:|---:|---:|---|"]
    for song, r in rows.items():
        ours, mpt, xmp = r.get("ours"), r.get("libopenmpt"), r.get("xmp")
        peers = [v for v in (mpt, xmp) if v]
        ratio = ours / max(peers) if ours and peers else None
        fmt = lambda v: f"{v:.0f}" if v else "-"
        out.append(f"| {song} | {fmt(ours)} | {fmt(mpt)} | {fmt(xmp)} | "
                   f"{ratio:.2f} | {'met' if ratio and ratio >= 2 else 'NOT met'} |" if ratio else
                   f"| {song} | {fmt(ours)} | {fmt(mpt)} | {fmt(xmp)} | - | - |")
    return out + [""]


def show_section(show_path, split_path):
    lines = read(show_path).splitlines()
    split = {}
    for l in read(split_path).splitlines():
        f = l.split("\t")
        if f[0] == "share":
            split[f[1]] = f[2:]
    out = ["## Start-up (ms, headless llvmpipe)", "", "| step | ms |", "|---|---:|"]
    for l in lines:
        f = l.split("\t")
        if f[0] == "startup":
            out.append(f"| {f[1]} | {f[2]} |")
    out += ["", "## Scenes at 640x480 on llvmpipe (virtual 60 fps timeline; frame = frameStep + glFinish)", "",
            "| scene | enter ms | frames | median ms | p95 ms | max ms | main-thread CPU ms (median) | "
            "own code % | driver % | libc % | other % |",
            "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    audio = None
    for l in lines:
        f = l.split("\t")
        if f[0] == "scene":
            s = split.get(f[1], ["-"] * 4)
            out.append("| " + " | ".join(f[1:8] + s[:4]) + " |")
        elif f[0] == "audio":
            audio = f[1]
    out += ["", "## Audio thread", ""]
    if audio:
        out.append(f"CPU time per second of music: {audio} ms ({float(audio) / 10:.3f} % of one core; goal < 1 %)")
    else:
        out.append("(not measured)")
    return out + [""]


def main():
    music, show, split, header = sys.argv[1:5]
    out = read(header).splitlines() + [""]
    out += music_section(music)
    out += show_section(show, split)
    print("\n".join(out))


if __name__ == "__main__":
    main()
