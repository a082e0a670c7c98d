#!/usr/bin/env python3
"""How quickly the player's window answers while a dropped file opens, seen
from another process: the clip is dragged from a real XDND drag source onto
the window (as from a file manager), and answer_times.exe sends the window a
message every 10 ms with a time-out until the trace shows the movie playing.

    bench/answers.py [--rounds N] [--clip FILE] EXE [EXE ...]

Runs each EXE in turn, N rounds each (default 5, after one warm-up round
that is not counted), and prints each round's figures and, per EXE, the worst
answer of every round. Needs DISPLAY (an X server without a window manager,
like the tests' Xvfb), the build's tests/tools/probe.exe and
bench/answer_times.exe (PELORIN_BUILD64, default build/x64), and the
system's Python with GTK 3 (as the desktop test).
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
BUILD64 = os.environ.get("PELORIN_BUILD64", os.path.join(REPO, "build", "x64"))
os.environ.setdefault("PELORIN_PROBE", os.path.join(BUILD64, "tests", "tools", "probe.exe"))
os.environ.setdefault("PELORIN_WINE_RUN", os.path.join(REPO, "scripts", "wine-run"))
sys.path.insert(0, os.path.join(REPO, "tests", "desktop"))
import desktop  # noqa: E402

ANSWER_TIMES = os.path.join(BUILD64, "bench", "answer_times.exe")


def one_round(probe, exe, clip):
    trace = tempfile.NamedTemporaryFile(prefix="pelorin-answers-", suffix=".trace", delete=False)
    trace.close()
    os.environ["PELORIN_TRACE"] = desktop.windows_path(trace.name)
    desktop.EXE = exe
    player = desktop.Player(probe)
    source = pinger = None
    try:
        main = player.wait_main_window()
        pinger = subprocess.Popen([desktop.WINE_RUN, ANSWER_TIMES, str(main["hwnd"]),
                                   desktop.windows_path(trace.name)],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        if pinger.stdout.readline().strip() != "ready":
            raise AssertionError("answer_times did not start")
        time.sleep(0.5)  # the idle window's answers, for comparison
        source = subprocess.Popen([sys.executable, os.path.join(REPO, "tests", "desktop", "dragsource.py"),
                                   "20", "20", clip], stdout=subprocess.PIPE, text=True)
        line = source.stdout.readline().split()
        if line[:1] != ["ready"]:
            raise AssertionError("the drag source did not start")
        x, y, w, h = map(int, line[1:])
        left, top, right, bottom = desktop.client_rect(main)
        desktop.drag((x + w // 2, y + h // 2), ((left + right) // 2, (top + bottom) // 2), steps=20)
        out = pinger.communicate(timeout=150)[0]
        return out
    finally:
        for p in (source, pinger):
            if p and p.poll() is None:
                p.kill()
                p.wait()
        player.close()
        os.unlink(trace.name)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--clip", default=os.path.join(REPO, "tests", "data", "clip640.avi"))
    parser.add_argument("exe", nargs="+")
    args = parser.parse_args()
    desktop.wine_without_window_manager(True)
    probe = desktop.Probe()
    worst = {exe: [] for exe in args.exe}
    try:
        for r in range(args.rounds + 1):
            for exe in args.exe:
                out = one_round(probe, os.path.abspath(exe), os.path.abspath(args.clip))
                label = "warm-up" if r == 0 else "round %d" % r
                print("== %s, %s" % (exe, label))
                print(out.strip(), flush=True)
                m = re.search(r"while opening: .* worst ([0-9.]+) ms", out)
                if r > 0 and m:
                    worst[exe].append(float(m.group(1)))
    finally:
        probe.close()
        desktop.wine_without_window_manager(False)
    for exe, values in worst.items():
        if values:
            values.sort()
            print("%s: worst answer while opening, per round: %s ms; median %.0f ms, max %.0f ms"
                  % (exe, ", ".join("%.0f" % v for v in values), values[len(values) // 2], values[-1]))


if __name__ == "__main__":
    main()
