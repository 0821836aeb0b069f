#!/usr/bin/env python3
"""Turns the raw outputs of bench/run.sh into the Markdown table of bench/RESULTS.md.

Usage: report.py MUSIC_JSON SHOW_TXT SPLIT_TXT HEADER_TXT [SURFACE_640 SURFACE_1920 [DESKTOP_TXT [WEB_TXT]]]
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


def surface_section(small_path, large_path):
    def whole(path):
        for l in read(path).splitlines():
            f = l.split("\t")
            if f[0] == "show":
                return int(f[1]), float(f[2]), float(f[3]), float(f[4])
        return None
    small, large = whole(small_path), whole(large_path)
    out = ["## Full screen on a 1920x1080 screen (llvmpipe, the whole show at 20 fps; picture drawn at "
           "640x480 into a framebuffer object, then scaled to 1440x1080 in one copy)", ""]
    if not small or not large:
        return out + ["(not measured)", ""]
    ratio, cpu_ratio = large[1] / small[1], large[3] / small[3]
    out += ["| screen | frames | mean ms | median ms | processor ms per frame (all threads) |", "|---|---:|---:|---:|---:|",
            f"| 640x480 | {small[0]} | {small[1]:.2f} | {small[2]:.2f} | {small[3]:.2f} |",
            f"| 1920x1080 | {large[0]} | {large[1]:.2f} | {large[2]:.2f} | {large[3]:.2f} |", "",
            f"1920x1080 / 640x480: mean frame time {ratio:.2f}, processor time {cpu_ratio:.2f} "
            f"(goal <= 1.5: {'met' if ratio <= 1.5 else 'missed'}; the processor-time ratio is the one machine load moves least)"]
    return out + [""]


def desktop_section(path):
    rows = [l for l in read(path).splitlines() if l.startswith("|")]
    out = ["## On a desktop (the real program under Xvfb with openbox, llvmpipe, no vertical sync; "
           "processor time of all threads as a share of one core)", ""]
    if not rows:
        return out + ["(not measured)", ""]
    return out + ["| state | frames per second | processor |", "|---|---:|---:|"] + rows + [""]


def web_section(path):
    lines = [l.split("\t") for l in read(path).splitlines()]
    out = ["## In a browser (headless chromium, WebGL on SwiftShader) beside the native build (llvmpipe), "
           "the whole show on the same virtual timeline; frame = the frame's pass closed by a wait for the rasteriser", ""]
    native = {f[1]: f[2:] for f in lines if f[0] == "nativescene"}
    web = {f[1]: f[2:] for f in lines if f[0] == "webscene"}
    if not web:
        return out + ["(not measured)", ""]
    out += ["| scene | native frames | native mean ms | browser frames | browser mean ms | browser / native | "
            "browser draw calls per frame | browser ms before the wait (page's own) | goal <= 1.5x |",
            "|---|---:|---:|---:|---:|---:|---:|---:|---|"]
    for name in list(native) + [n for n in web if n not in native]:
        n, w = native.get(name), web.get(name)
        ratio = float(w[1]) / float(n[1]) if n and w and float(n[1]) > 0 else None
        out.append(f"| {name} | {n[0] if n else '-'} | {n[1] if n else '-'} | {w[0] if w else '-'} | "
                   f"{w[1] if w else '-'} | {f'{ratio:.2f}' if ratio else '-'} | {w[2] if w else '-'} | "
                   f"{w[3] if w and len(w) > 3 else '-'} | "
                   f"{('met' if ratio <= 1.5 else 'missed') if ratio else '-'} |")
    out.append("")
    for f in lines:
        if f[0] == "size":
            raw, packed = int(f[1]), int(f[2])
            out.append(f"Download: {raw / 1e6:.2f} MB ({raw} bytes; goal <= 4 MB: {'met' if raw <= 4e6 else 'missed'}), "
                       f"{packed / 1e6:.2f} MB compressed file by file with gzip -9 "
                       f"(goal <= 2 MB: {'met' if packed <= 2e6 else 'missed'}).")
    parts = [f"{f[1]} {int(f[2]) / 1e6:.2f} MB ({int(f[3]) / 1e6:.2f} MB compressed)" for f in lines if f[0] == "part"]
    if parts:
        out.append("Of which " + ", ".join(parts) + ".")
    for f in lines:
        if f[0] == "firstframe":
            out.append(f"Start click to the first frame drawn: {f[1]} ms, the median of page loads taking {f[2]} ms "
                       f"(goal <= 1000 ms: {'met' if int(f[1]) <= 1000 else 'missed'}).")
        elif f[0] == "webrun":
            out.append(f"The browser's show: {f[1]} frames timed in {f[3]} s"
                       f"{f', {f[2]} without a scene' if f[2] != '0' else ''}; scenes named by "
                       f"{'the page' if f[4] == 'page' else 'the native run of the same frames'}.")
        elif f[0] == "bare":
            out.append(f"A bare 640x480 canvas cleared and read back takes {f[1]} ms a frame in this browser: "
                       f"the least any browser frame above can take.")
        elif f[0] == "browser":
            out.append(f"Browser: {f[1]}.")
    return out + [""]


def main():
    music, show, split, header = sys.argv[1:5]
    out = read(header).splitlines() + [""]
    out += music_section(music)
    out += show_section(show, split)
    if len(sys.argv) > 6:
        out += surface_section(sys.argv[5], sys.argv[6])
    if len(sys.argv) > 7:
        out += desktop_section(sys.argv[7])
    if len(sys.argv) > 8:
        out += web_section(sys.argv[8])
    print("\n".join(out))


if __name__ == "__main__":
    main()
