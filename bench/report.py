#!/usr/bin/env python3
"""Turns scripts/bench's raw figures into its results table (Markdown).

Input: the runner's lines ("SET ROUND NAME key=value ..."), the time-stamped
traces of the player and the floor, the in-process benchmark's output and a
description of the machine. Round 0 is the warm-up and is not counted.
"""
import argparse
import os
import re
import statistics
import sys

NAMES = {
    "pelorin": "Pelorin",
    "floor2": "floor, opening twice",
    "floor": "floor",
    "floorgrab": "floor + RGB24 grabber",
    "floor2grab": "floor opening twice + RGB24 grabber",
    "mpv": "mpv",
    "ffplay": "ffplay",
    "decode": "ffmpeg -f null (decode only)",
}


def read_raw(path):
    runs = {}  # (set, name) -> {round: figures}
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) < 4:
                continue
            s, r, name = parts[0], int(parts[1]), parts[2]
            fig = {}
            for kv in parts[3:]:
                k, _, v = kv.partition("=")
                try:
                    fig[k] = float(v)
                except ValueError:
                    pass
            runs.setdefault((s, name), {})[r] = fig
    return runs


def counted(runs, key):
    return {r: f for r, f in runs.get(key, {}).items() if r > 0 and f.get("exit", 1) == 0}


def fmt(v, unit):
    if v is None:
        return "–"
    if unit == "s":
        return f"{v:.2f}"
    if unit == "MiB":
        return f"{v:.0f}"
    return f"{v:.2f}"


def cell(values, unit):
    if not values:
        return "–"
    med = statistics.median(values)
    if len(values) == 1:
        return fmt(med, unit)
    return f"{fmt(med, unit)} ({fmt(min(values), unit)}–{fmt(max(values), unit)})"


def pair_ratios(a, b):
    """The ratio of a to b in each round where both ran, in round order."""
    return [a[r] / b[r] for r in sorted(a) if r in b and b[r] > 0]


def ratio_cell(a, b):
    """Ratios of a to b within each round where both ran, as median (min-max)."""
    rs = pair_ratios(a, b)
    if not rs:
        return None, "–"
    med = statistics.median(rs)
    if len(rs) == 1:
        return med, f"{med:.2f}"
    return med, f"{med:.2f} ({min(rs):.2f}–{max(rs):.2f})"


def verdict(med, goal):
    if med is None:
        return "not measured"
    return "met" if med <= goal else "**not met**"


# --------------------------------------------------------------------- traces

def read_trace(path):
    """[(time, label, cpu)]: a trace line is "<Unix time> <label> cpu=<seconds>"."""
    marks = []
    try:
        with open(path, errors="replace") as f:
            for line in f:
                parts = line.split()
                if len(parts) < 2:
                    continue
                try:
                    t = float(parts[0])
                    cpu = float(parts[2][4:]) if len(parts) > 2 and parts[2].startswith("cpu=") else None
                except ValueError:
                    continue
                marks.append((t, parts[1], cpu))
    except OSError:
        pass
    return marks


def nth(marks, label, n):
    """(time, cpu) of the n-th (1-based) mark with this label, or None."""
    k = 0
    for t, what, cpu in marks:
        if what == label:
            k += 1
            if k == n:
                return t, cpu
    return None


# Intervals of a run: (what, (label, occurrence) from, (label, occurrence) to).
# "launch" is the runner's start, "gone" the end of the process.
PELORIN_STEPS = [
    ("process start to WinMain (loader, static start-up)", ("launch", 1), ("main", 1)),
    ("COM initialisation (Application->Initialize)", ("main", 1), ("com", 1)),
    ("main window creation up to OpenFile", ("com", 1), ("open.start", 1)),
    ("OpenFile: (empty) release + build graph", ("open.start", 1), ("open.built", 1)),
    ("OpenFile: RenderFile", ("open.built", 1), ("open.rendered", 1)),
    ("OpenFile: cue (Stop: stop, seek, pause)", ("open.rendered", 1), ("open.cued", 1)),
    ("OpenFile: sizes, OnPosition", ("open.cued", 1), ("open.done", 1)),
    ("after OpenFile until the window is made (frame, topmost, size)", ("open.done", 1), ("created", 1)),
    ("window made to Run (show, start)", ("created", 1), ("run", 1)),
    ("playing: Run to EC_COMPLETE handled", ("run", 1), ("complete", 1)),
    ("EC_COMPLETE to end of message loop (rewind, close)", ("complete", 1), ("loop.end", 1)),
    ("exit: release: Stop", ("release.start", 2), ("release.stopped", 2)),
    ("exit: release: remove filters", ("release.stopped", 2), ("release.removed", 2)),
    ("exit: release: video window off, give back interfaces", ("release.removed", 2), ("release.freed", 2)),
    ("exit: release: CoUninitialize", ("release.freed", 2), ("release.done", 2)),
    ("rest of the shutdown (forms, COM)", ("release.done", 2), ("exit", 1)),
    ("end of WinMain to process gone", ("exit", 1), ("gone", 1)),
]

FLOOR2_STEPS = [
    ("process start to main", ("launch", 1), ("main", 1)),
    ("CoInitialize", ("main", 1), ("com", 1)),
    ("1st graph: build", ("com", 1), ("open1.built", 1)),
    ("1st graph: RenderFile", ("open1.built", 1), ("open1.rendered", 1)),
    ("1st graph: cue (pause, wait for the state)", ("open1.rendered", 1), ("open1.cued", 1)),
    ("1st graph: release", ("open1.cued", 1), ("release1.done", 1)),
    ("2nd graph: build", ("release1.done", 1), ("open2.built", 1)),
    ("2nd graph: RenderFile", ("open2.built", 1), ("open2.rendered", 1)),
    ("Run", ("open2.rendered", 1), ("run", 1)),
    ("playing: Run to EC_COMPLETE", ("run", 1), ("complete", 1)),
    ("release", ("complete", 1), ("release2.done", 1)),
    ("CoUninitialize", ("release2.done", 1), ("exit", 1)),
    ("end of main to process gone", ("exit", 1), ("gone", 1)),
]


def step_table(runs, traces, set_, name, steps):
    """[(step, [wall seconds], [CPU seconds])] over the counted runs."""
    rows = []
    for what, (la, na), (lb, nb) in steps:
        walls, cpus = [], []
        for r, fig in counted(runs, (set_, name)).items():
            marks = read_trace(os.path.join(traces, f"{set_}-{r}-{name}.txt"))
            total = fig["user"] + fig["sys"] if "user" in fig and "sys" in fig else None
            marks = [(fig["start"], "launch", 0.0)] + marks + [(fig["start"] + fig["wall"], "gone", total)]
            a, b = nth(marks, la, na), nth(marks, lb, nb)
            if a is not None and b is not None:
                walls.append(b[0] - a[0])
                if a[1] is not None and b[1] is not None:
                    cpus.append(b[1] - a[1])
        rows.append((what, walls, cpus))
    return rows


def build_text(build):
    """The opening lines: which build of the player (and of the floor) was measured."""
    if build == "i686":
        return ["Made by `scripts/bench`. The player measured is the product itself, the 32-bit",
                "`build/Pelorin.exe`, and the floor is built 32-bit too: this machine runs 32-bit",
                "Windows programs natively."]
    return ["Made by `scripts/bench`. The player measured is the 64-bit build of the same sources",
            "(`build/x64/Pelorin.exe`) and the floor is built 64-bit too: on this machine 32-bit",
            "Windows programs run emulated, so the 32-bit product cannot be timed fairly."]


def desktop_table(runs, per_round, overhead, frame):
    """Start-up overhead and time to first frame on the bare display (set
    "small") beside the same with a window manager on it (set "smallwm"), one
    row a player; [] when no run had a window manager."""
    cols = ["pelorin", "floor2", "floor", "mpv", "ffplay"]
    if not any(counted(runs, ("smallwm", c)) for c in cols):
        return []

    def values(set_, c, f):
        return [v for v in per_round(set_, c, f).values() if v is not None]

    out = ["| player | start-up overhead, s: bare display | start-up overhead, s: window manager "
           "| time to first frame, s: bare display | time to first frame, s: window manager |",
           "|---|---|---|---|---|"]
    for c in cols:
        out.append(f"| {NAMES[c]} | " + " | ".join(
            cell(values(set_, c, f), "s") for f in (overhead, frame) for set_ in ("small", "smallwm")) + " |")
    return out


# ----------------------------------------------------------------------- main

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--raw", required=True)
    ap.add_argument("--traces", required=True)
    ap.add_argument("--machine", required=True)
    ap.add_argument("--inprocess", required=True)
    ap.add_argument("--inprocess-bare")
    ap.add_argument("--small-duration", type=float, required=True)
    ap.add_argument("--large-duration", type=float, required=True)
    ap.add_argument("--notes")
    ap.add_argument("--build", choices=("i686", "x86_64"), default="x86_64",
                    help="which build of the player and the floor was measured")
    a = ap.parse_args()

    runs = read_raw(a.raw)
    out = []
    w = out.append

    def per_round(set_, name, f):
        return {r: f(fig) for r, fig in counted(runs, (set_, name)).items()}

    overhead = lambda fig: fig["wall"] - a.small_duration
    frame = lambda fig: fig["frame"] if fig["frame"] >= 0 else None
    cpu = lambda fig: fig["user"] + fig["sys"] + fig["helpers"]
    cpu_x = lambda fig: fig["user"] + fig["sys"] + fig["helpers"] + fig["xcpu"]
    mem = lambda fig: fig["maxrss"] / 1024

    def clean(d):
        return {r: v for r, v in d.items() if v is not None}

    with open(a.machine) as f:
        machine = f.read().strip().splitlines()
    date = next((l.split(": ", 1)[1] for l in machine if l.startswith("date: ")), "")

    w(f"# Benchmark results ({date})")
    w("")
    for line in build_text(a.build):
        w(line)
    w("")
    w("Machine:")
    w("")
    for l in machine:
        w(f"- {l}")
    w("")
    n = len(counted(runs, ("small", "pelorin")))
    w(f"Counted rounds: {n}, after one warm-up round of the first clip. Each round runs every")
    w("player once, in an order that turns by one place from round to round. Each cell: median")
    w("(min–max) over the rounds; ratios are taken within each round, then summarised the same way.")
    w("")

    # Measures 1, 2 and 4 (small clip).
    cols = ["pelorin", "floor2", "floor", "mpv", "ffplay"]
    w(f"## Start-up, first frame and memory: {a.small_duration:.1f} s 640x480 H.264/AAC clip")
    w("")
    w("| measure | " + " | ".join(NAMES[c] for c in cols) + " |")
    w("|---" * (len(cols) + 1) + "|")
    rows = [
        ("start-up overhead, s (wall time to exit minus the clip's length)", overhead, "s"),
        ("time to first frame, s", frame, "s"),
        ("wall time, s", lambda fig: fig["wall"], "s"),
        ("CPU, s (process + Wine's server and services)", cpu, "s"),
        ("peak resident memory, MiB", mem, "MiB"),
    ]
    for label, f, unit in rows:
        w(f"| {label} | " + " | ".join(cell(list(clean(per_round("small", c, f)).values()), unit) for c in cols) + " |")
    w("")

    # The same clip on a display with a window manager, as users have one.
    table = desktop_table(runs, per_round, overhead, frame)
    if table:
        w(f"## Start-up and first frame with a window manager: {a.small_duration:.1f} s 640x480 clip")
        w("")
        w("The same clip on a second private display that runs a window manager (Openbox), as a")
        w("user's desktop does: windows get their frames and captions, and a window that goes is")
        w("confirmed by the manager at once instead of after Wine's 2 s wait on a bare display.")
        w("Rounds and order as above; its own warm-up round.")
        w("")
        for line in table:
            w(line)
        w("")

    # Measure 3 (large clip).
    cols = ["pelorin", "floor", "floorgrab", "floor2grab", "mpv", "ffplay", "decode"]
    w(f"## CPU and memory: {a.large_duration:.1f} s 1920x1080 H.264/AAC clip")
    w("")
    w("| measure | " + " | ".join(NAMES[c] for c in cols) + " |")
    w("|---" * (len(cols) + 1) + "|")
    rows = [
        ("CPU, s (process + Wine's server and services)", cpu, "s"),
        ("CPU with the X server's share, s", cpu_x, "s"),
        ("wall time, s", lambda fig: fig["wall"], "s"),
        ("peak resident memory, MiB", mem, "MiB"),
    ]
    for label, f, unit in rows:
        w(f"| {label} | " + " | ".join(cell(list(per_round("large", c, f).values()), unit) for c in cols) + " |")
    w("")

    # Ratios against the goals.
    w("## Ratios against the goals")
    w("")
    w("| ratio | median (min–max) | goal | | round by round |")
    w("|---|---|---|---|---|")
    goals = [
        ("start-up overhead, Pelorin / floor", "small", overhead, "floor", 1.1),
        ("time to first frame, Pelorin / floor", "small", frame, "floor", 1.1),
        ("CPU (10 s 1080p), Pelorin / floor", "large", cpu, "floor", 1.1),
        ("peak memory (10 s 1080p), Pelorin / floor", "large", mem, "floor", 1.2),
        ("peak memory (5 s 640x480), Pelorin / floor", "small", mem, "floor", 1.2),
        ("start-up overhead with a window manager, Pelorin / floor", "smallwm", overhead, "floor", 1.1),
        ("time to first frame with a window manager, Pelorin / floor", "smallwm", frame, "floor", 1.1),
    ]
    def pairs_text(x, base):
        return " ".join(f"{r:.2f}" for r in pair_ratios(x, base))

    for label, s, f, base, goal in goals:
        if s == "smallwm" and not counted(runs, ("smallwm", "pelorin")):
            continue
        x, y = clean(per_round(s, "pelorin", f)), clean(per_round(s, base, f))
        med, text = ratio_cell(x, y)
        w(f"| {label} | {text} | ≤ {goal} | {verdict(med, goal)} | {pairs_text(x, y)} |")
    info = [
        ("start-up overhead, Pelorin / floor opening twice", "small", overhead, "pelorin", "floor2"),
        ("time to first frame, Pelorin / floor opening twice", "small", frame, "pelorin", "floor2"),
        ("start-up overhead, Pelorin / mpv", "small", overhead, "pelorin", "mpv"),
        ("start-up overhead, Pelorin / ffplay", "small", overhead, "pelorin", "ffplay"),
        ("time to first frame, Pelorin / mpv", "small", frame, "pelorin", "mpv"),
        ("start-up overhead with a window manager, Pelorin / floor opening twice", "smallwm", overhead, "pelorin",
         "floor2"),
        ("start-up overhead with a window manager, Pelorin / mpv", "smallwm", overhead, "pelorin", "mpv"),
        ("start-up overhead with a window manager, Pelorin / ffplay", "smallwm", overhead, "pelorin", "ffplay"),
        ("time to first frame with a window manager, Pelorin / mpv", "smallwm", frame, "pelorin", "mpv"),
        ("CPU (10 s 1080p), floor + grabber / floor (the grabber's own cost)", "large", cpu, "floorgrab", "floor"),
        ("CPU (10 s 1080p), floor opening twice + grabber / floor", "large", cpu, "floor2grab", "floor"),
        ("CPU (10 s 1080p), Pelorin / floor + grabber", "large", cpu, "pelorin", "floorgrab"),
        ("CPU (10 s 1080p), Pelorin / floor opening twice + grabber", "large", cpu, "pelorin", "floor2grab"),
        ("CPU (10 s 1080p), Pelorin / mpv", "large", cpu, "pelorin", "mpv"),
        ("CPU (10 s 1080p), Pelorin / decoding alone", "large", cpu, "pelorin", "decode"),
        ("CPU (10 s 1080p), floor / decoding alone", "large", cpu, "floor", "decode"),
    ]
    for label, s, f, x, base in info:
        if s == "smallwm" and not counted(runs, (s, x)):
            continue
        xs, ys = clean(per_round(s, x, f)), clean(per_round(s, base, f))
        med, text = ratio_cell(xs, ys)
        w(f"| {label} | {text} | – | | {pairs_text(xs, ys)} |")
    w("")

    # Where the time goes.
    w("## Where the viewer mode's time goes (from the programs' own traces)")
    w("")
    w("Seconds, median (min–max). Set `PELORIN_TRACE` to a file name and Pelorin (or the floor)")
    w("appends a time-stamped line, with the CPU time used so far, at each of these steps;")
    w("without it nothing is written. CPU is the process's own (user + kernel), not Wine's server's.")
    w("")
    for set_, clip, floor2 in (("small", "5 s 640x480", "floor2"),
                               ("smallwm", "5 s 640x480 with a window manager", "floor2"),
                               ("large", "10 s 1920x1080", "floor2grab")):
        for title, name, steps in (("Pelorin", "pelorin", PELORIN_STEPS), (NAMES[floor2], floor2, FLOOR2_STEPS)):
            rows = step_table(runs, a.traces, set_, name, steps)
            if not any(walls for _, walls, _ in rows):
                continue
            w(f"| {title[0].upper() + title[1:]}, {clip}: step | wall s | CPU s |")
            w("|---|---|---|")
            for what, walls, cpus in rows:
                w(f"| {what} | {cell(walls, 's')} | {cell(cpus, 's')} |")
            w("")

    # Measure 5.
    w("## In process: the movie control (`bench/movie_bench.cpp`, 5 s 640x480 clip)")
    w("")
    w("`OpenFile` timed after an explicit `ReleaseGraph`, so that it is render plus cue alone;")
    w("then open/release cycles. The same cycles with bare DirectShow calls (graph, grabber,")
    w("render, video window owned by the same control, cue, release: `--bare`) show what the")
    w("platform keeps per cycle by itself. Wine counts neither handles (`GetProcessHandleCount`)")
    w("nor user and GDI objects (`GetGuiResources`): handles are counted in the system's handle")
    w("table, user objects as the thread's windows; \"virtual\" is the address space in use.")
    w("")

    def read_lines(path):
        try:
            with open(path) as f:
                return [l.strip() for l in f if l.strip()]
        except (OSError, TypeError):
            return []

    def usage_of(lines):
        return [dict(kv.split("=", 1) for kv in l.split()) for l in lines if l.startswith("after_cycles=")]

    lines = read_lines(a.inprocess)
    bare = read_lines(a.inprocess_bare)
    if not lines:
        w("Not measured: the in-process benchmark printed nothing (see build/bench/movie_bench.log).")
    else:
        stats = {}
        for l in lines:
            m = re.match(r"(\w+)_ms median=([\d.]+) min=([\d.]+) max=([\d.]+) n=(\d+)", l)
            if m:
                stats[m.group(1)] = m.groups()[1:]
        w("| step | median ms | min–max ms | n |")
        w("|---|---|---|---|")
        for k, label in (("open", "`OpenFile` (render and cue)"), ("release", "`ReleaseGraph`")):
            if k in stats:
                med, lo, hi, n = stats[k]
                w(f"| {label} | {float(med):.0f} | {float(lo):.0f}–{float(hi):.0f} | {n} |")
        for l in lines:
            if l.startswith("first_open_ms="):
                w(f"| first `OpenFile` in the process | {float(l.split('=')[1]):.0f} | | 1 |")
        w("")
        keys = ("virtual_kb", "working_set_kb", "handles", "windows")
        w("| cycles | " + " | ".join(keys) + " |")
        w("|---" * (len(keys) + 1) + "|")
        rows = [("movie control", usage_of(lines)), ("bare DirectShow", usage_of(bare))]
        for who, us in rows:
            for u in us:
                w(f"| {who}, after {u['after_cycles']} | " + " | ".join(u.get(k, "–") for k in keys) + " |")
        for who, us in rows:
            if len(us) == 2:
                e, l_ = us
                n = int(l_["after_cycles"]) - int(e["after_cycles"])
                w(f"| {who}, growth per cycle | " + " | ".join(
                    f"{(int(l_[k]) - int(e[k])) / n:+.1f}" if k in l_ and k in e else "–" for k in keys) + " |")
    w("")

    if a.notes and os.path.exists(a.notes):
        with open(a.notes) as f:
            w(f.read().strip())
        w("")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
