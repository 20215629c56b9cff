#!/usr/bin/env python3
"""Times how long the restore dialog takes to open under Wine.

Builds the plug-in and the test host (the 32-bit build where this machine runs
32-bit code, else the 64-bit one), and has the test host capture messages of about
1, 6 and 25 MiB through the strip command and open the plug-in's setup dialog on
each a few times. Prints, per size, every run and the median time from the setup
call to the dialog on the screen with the capture in its memo (captures above
8 MiB show their first 8 MiB).

Usage: bench/dialog_open.py [--runs N] [--sizes 1,6,25]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sizes", default="1,6,25")
    args = parser.parse_args()

    wine_run = os.path.join(ROOT, "scripts", "wine-run.sh")
    can_run_i386 = subprocess.run(["bash", wine_run, "--can-run-i386"]).returncode == 0
    preset = "win32" if can_run_i386 else "win64"
    for step in (["cmake", "--preset", preset],
                 ["cmake", "--build", "--preset", preset, "-j2", "--target", "QuenlowPlugin", "TestHost"]):
        subprocess.run(step, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)

    host = os.path.join(ROOT, "build", preset, "TestHost.exe")
    fixtures = os.path.join(ROOT, "tests", "fixtures")
    run = subprocess.run(["bash", wine_run, host, "bench_open", fixtures, args.sizes, str(args.runs)],
                         cwd=ROOT, capture_output=True, text=True)
    times = {}
    for line in run.stdout.splitlines():
        match = re.match(r"open (\d+) MiB run \d+: (\d+) ms", line)
        if match:
            times.setdefault(int(match.group(1)), []).append(int(match.group(2)))
    if run.returncode != 0 or not times:
        sys.stderr.write(run.stdout + run.stderr)
        sys.exit("dialog_open: the test host failed")

    print(f"Restore dialog open time under Wine ({preset} build), {args.runs} runs each")
    print(f"{'capture':>10} {'median':>10}   runs")
    for size in sorted(times):
        runs = " ".join(f"{t}" for t in times[size])
        print(f"{size:>6} MiB {statistics.median(times[size]):>7.0f} ms   {runs}")


if __name__ == "__main__":
    main()
