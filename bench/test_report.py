#!/usr/bin/env python3
"""Checks how bench/report.py turns raw runs into figures (which runs count,
how ratios are paired, how trace steps are found) and what bench/runner.c
measures of a program. Runs no player."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import report  # noqa: E402


def fig(**kw):
    base = dict(start=1000.0, wall=10.0, frame=2.0, user=1.0, sys=0.5, helpers=0.5, xcpu=0.1, maxrss=102400, exit=0)
    base.update(kw)
    return " ".join(f"{k}={v}" for k, v in base.items())


class Runs(unittest.TestCase):
    def write(self, text):
        f = tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False)
        f.write(text)
        f.close()
        self.addCleanup(os.unlink, f.name)
        return f.name

    def test_warm_up_and_failed_runs_do_not_count(self):
        raw = self.write(
            f"small 0 pelorin {fig(wall=99)}\n"
            f"small 1 pelorin {fig(wall=10)}\n"
            f"small 2 pelorin {fig(wall=11, exit=124)}\n"
            f"small 3 pelorin {fig(wall=12)}\n"
            "garbage\n")
        runs = report.read_raw(raw)
        self.assertEqual(sorted(report.counted(runs, ("small", "pelorin"))), [1, 3])
        self.assertEqual(report.counted(runs, ("small", "floor")), {})

    def test_ratios_pair_runs_of_the_same_round_only(self):
        # Round 2 of b is missing: its a must not be paired with another round.
        a = {1: 2.0, 2: 100.0, 3: 3.0}
        b = {1: 1.0, 3: 2.0}
        med, text = report.ratio_cell(a, b)
        self.assertAlmostEqual(med, 1.75)
        self.assertEqual(text, "1.75 (1.50–2.00)")
        self.assertEqual(report.ratio_cell({1: 1.0}, {2: 1.0}), (None, "–"))
        self.assertEqual(report.pair_ratios({3: 3.0, 1: 2.0}, {1: 1.0, 3: 2.0}), [2.0, 1.5])

    def test_verdict_against_goal(self):
        self.assertEqual(report.verdict(1.2, 1.2), "met")
        self.assertEqual(report.verdict(1.21, 1.2), "**not met**")
        self.assertEqual(report.verdict(None, 1.2), "not measured")

    def test_trace_steps_by_occurrence_with_launch_and_exit(self):
        d = tempfile.mkdtemp()
        self.addCleanup(lambda: [os.unlink(os.path.join(d, f)) for f in os.listdir(d)] and os.rmdir(d))
        with open(os.path.join(d, "small-1-pelorin.txt"), "w") as f:
            f.write("1000.500000 main cpu=0.100\r\n1000.600000 open.start cpu=0.200\r\n"
                    "1001.000000 open.start cpu=0.300\r\n1001.250000 open.built cpu=0.550\r\n"
                    "not a line\r\n1009.000000 exit\r\n")
        runs = {("small", "pelorin"): {1: dict(start=1000.0, wall=10.0, user=1.0, sys=0.5, exit=0)}}
        steps = [("start", ("launch", 1), ("main", 1)),
                 ("second open to built", ("open.start", 2), ("open.built", 1)),
                 ("exit to gone", ("exit", 1), ("gone", 1)),
                 ("never", ("open.start", 3), ("exit", 1))]
        got = {what: (walls, cpus) for what, walls, cpus in report.step_table(runs, d, "small", "pelorin", steps)}
        self.assertAlmostEqual(got["start"][0][0], 0.5)
        self.assertAlmostEqual(got["start"][1][0], 0.1)
        self.assertAlmostEqual(got["second open to built"][0][0], 0.25)
        self.assertAlmostEqual(got["second open to built"][1][0], 0.25)
        # A mark without CPU time gives a wall time only.
        self.assertAlmostEqual(got["exit to gone"][0][0], 1.0)
        self.assertEqual(got["exit to gone"][1], [])
        self.assertEqual(got["never"], ([], []))

    def test_whole_report_states_each_goal(self):
        lines = []
        for r in range(3):
            for name, wall, rss in (("pelorin", 11.0, 120), ("floor2", 10.5, 118), ("floor", 10.0, 100),
                                    ("mpv", 6.0, 150), ("ffplay", 6.0, 150)):
                lines.append(f"small {r} {name} {fig(wall=wall, maxrss=rss * 1024)}")
            for name, cpu in (("pelorin", 5.0), ("floor", 4.0), ("floorgrab", 5.0), ("mpv", 4.0),
                              ("ffplay", 4.0), ("decode", 2.0)):
                lines.append(f"large {r} {name} {fig(user=cpu, sys=0, helpers=0)}")
        raw = self.write("\n".join(lines) + "\n")
        machine = self.write("date: 2026-01-01 00:00 UTC\ncores: 2\n")
        inproc = self.write("open_ms median=300.0 min=250.0 max=400.0 n=20\n"
                            "after_cycles=10 virtual_kb=1000 working_set_kb=900 handles=100 windows=3\n"
                            "after_cycles=20 virtual_kb=1000 working_set_kb=900 handles=100 windows=3\n")
        out = subprocess.run(
            [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "report.py"),
             "--raw", raw, "--traces", tempfile.gettempdir(), "--machine", machine, "--inprocess", inproc,
             "--small-duration", "5", "--large-duration", "10"],
            capture_output=True, text=True, check=True).stdout
        # Overheads 6.0 against the floor's 5.0: 1.20, over 1.1; against the
        # floor opening twice (5.5), 1.09, shown without a goal. CPU 5.0 / 4.0:
        # 1.25, over 1.1.
        self.assertIn("| start-up overhead, Pelorin / floor | 1.20 (1.20–1.20) | ≤ 1.1 | **not met** | 1.20 1.20 |",
                      out)
        self.assertIn("| start-up overhead, Pelorin / floor opening twice | 1.09 (1.09–1.09) | – | | 1.09 1.09 |",
                      out)
        self.assertIn("| CPU (10 s 1080p), Pelorin / floor | 1.25 (1.25–1.25) | ≤ 1.1 | **not met** | 1.25 1.25 |", out)
        self.assertIn("| movie control, growth per cycle | +0.0 | +0.0 | +0.0 | +0.0 |", out)
        self.assertIn("Counted rounds: 2", out)
        self.assertIn("64-bit build of the same sources", out)
        # No runs under a window manager: neither their table nor their ratios.
        self.assertNotIn("with a window manager", out)

    def test_window_manager_runs_stand_beside_the_bare_display(self):
        lines = []
        for r in range(3):
            for name, bare, wm in (("pelorin", 8.4, 6.3), ("floor2", 8.4, 6.6), ("floor", 8.0, 6.0),
                                   ("mpv", 5.6, 5.7), ("ffplay", 5.5, 5.5)):
                lines.append(f"small {r} {name} {fig(wall=bare, frame=1.0)}")
                # The window manager's first frame comes later for ffplay only.
                lines.append(f"smallwm {r} {name} {fig(wall=wm, frame=1.5 if name == 'ffplay' else 1.0)}")
        raw = self.write("\n".join(lines) + "\n")
        machine = self.write("date: 2026-01-01 00:00 UTC\n")
        inproc = self.write("")
        out = subprocess.run(
            [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "report.py"),
             "--raw", raw, "--traces", tempfile.gettempdir(), "--machine", machine, "--inprocess", inproc,
             "--small-duration", "5", "--large-duration", "10", "--build", "i686"],
            capture_output=True, text=True, check=True).stdout
        self.assertIn("the product itself, the 32-bit", out)
        # Overhead bare, overhead with the manager, first frame bare, with the manager.
        self.assertIn("| Pelorin | 3.40 (3.40–3.40) | 1.30 (1.30–1.30) | 1.00 (1.00–1.00) | 1.00 (1.00–1.00) |", out)
        self.assertIn("| ffplay | 0.50 (0.50–0.50) | 0.50 (0.50–0.50) | 1.00 (1.00–1.00) | 1.50 (1.50–1.50) |", out)
        # Paired within the manager's rounds: 1.3 / 1.0 against the goal, 1.3 / 1.6 beside it.
        self.assertIn("| start-up overhead with a window manager, Pelorin / floor "
                      "| 1.30 (1.30–1.30) | ≤ 1.1 | **not met** | 1.30 1.30 |", out)
        self.assertIn("| start-up overhead with a window manager, Pelorin / floor opening twice "
                      "| 0.81 (0.81–0.81) | – | | 0.81 0.81 |", out)


class Runner(unittest.TestCase):
    """bench/runner.c, built here with the host's compiler, on small shell commands."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        cls.exe = os.path.join(cls.dir, "runner")
        src = os.path.join(os.path.dirname(os.path.abspath(__file__)), "runner.c")
        try:
            subprocess.run(["gcc", "-O2", "-o", cls.exe, src, "-lX11", "-lXext"], check=True,
                           capture_output=True)
        except (OSError, subprocess.CalledProcessError) as e:
            raise unittest.SkipTest(f"cannot build the runner here: {e}")

    def run_runner(self, *args):
        out = subprocess.run([self.exe, *args], capture_output=True, text=True).stdout
        return {k: float(v) for k, v in (kv.split("=") for kv in out.split())}

    def test_exit_status_and_wall_time(self):
        f = self.run_runner("--", "sh", "-c", "sleep 0.3; exit 3")
        self.assertEqual(f["exit"], 3)
        self.assertGreaterEqual(f["wall"], 0.3)
        self.assertLess(f["wall"], 5)
        self.assertEqual(f["frame"], -1)

    def test_a_program_that_overruns_is_killed(self):
        f = self.run_runner("--timeout", "0.5", "--", "sleep", "30")
        self.assertEqual(f["exit"], 124)
        self.assertLess(f["wall"], 5)

    def test_cpu_of_the_program_and_of_the_prefix_processes(self):
        # Busy work in the program, and in a process of the "prefix" that runs
        # alongside, as wineserver would; the program ends after the other's work.
        done = os.path.join(self.dir, "done")
        busy = "i=0; while [ $i -lt 200000 ]; do i=$((i+1)); done"
        prefix = os.path.join(self.dir, "prefix")
        # exec: the kill below must end the waiting itself, not only its shell.
        helper = subprocess.Popen(["sh", "-c", f"sleep 0.3; {busy}; touch {done}; exec sleep 60"],
                                  env=dict(os.environ, WINEPREFIX=prefix), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            f = self.run_runner("--prefix", prefix, "--", "sh", "-c",
                                f"{busy}; while [ ! -e {done} ]; do sleep 0.05; done")
        finally:
            helper.kill()
            helper.wait()
        self.assertEqual(f["exit"], 0)
        self.assertGreater(f["user"] + f["sys"], 0.05)
        self.assertGreater(f["helpers"], 0.05)
        self.assertGreater(f["maxrss"], 0)

    def test_unknown_option_is_refused(self):
        r = subprocess.run([self.exe, "--bogus", "--", "true"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)


if __name__ == "__main__":
    unittest.main()
