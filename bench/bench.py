#!/usr/bin/env python3
"""Times `vornek flatten` against `cat` on large generated messages.

Generates messages of about 1 MB, 25 MB and 100 MB (a text part, an HTML part and a
base64 attachment) under bench/data/, builds the optimised `release` preset, and
prints for each size the median wall time of `vornek flatten FILE > /dev/null` and of
`cat FILE > /dev/null`, their ratio, and vornek's peak resident memory against the
message size. Targets: on 25 MB within 3x cat, peak memory within 3x the message,
time growing linearly with size. Then times two hostile messages that vornek must
refuse quickly (exit 1): 100,000 nested multipart levels in about 5 MB, and 22,000
levels followed by a million empty lines in about 2 MB. Target: within a second.

Also prints, for two messages that are not multipart (50 MB of empty CR LF lines,
100 MB of LF only), vornek's and cat's times and vornek's peak memory (target:
1.2x the size plus 16 MiB for any input), and the time Python's email package
takes to do the same job on the 25 MB message (target: vornek 20x faster).

Last, the plug-in itself: the memory one strip command adds to the test host
under Wine on a 100 MB source (target: 2.5x the source), and whether a 500 MB
source is flattened or refused with a notice (never a crash).

Usage: bench/bench.py [--runs N] [--sizes 1,25,100]
"""
import argparse
import base64
import os
import random
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "bench", "data")
VORNEK = os.path.join(ROOT, "build", "release", "vornek")
GNU_TIME = "/usr/bin/time"  # Debian package "time"

HEADER = (
    "Return-Path: <taro@example.jp>\r\n"
    "From: Taro Yamada <taro@example.jp>\r\n"
    "To: hanako@example.jp\r\n"
    "Subject: benchmark message\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed;\r\n"
    "\tboundary=\"----=_Part_Mixed\"\r\n"
    "\r\n"
    "This is a multi-part message in MIME format.\r\n"
    "\r\n"
    "------=_Part_Mixed\r\n"
    "Content-Type: multipart/alternative;\r\n"
    "\tboundary=\"----=_Part_Alt\"\r\n"
    "\r\n"
    "------=_Part_Alt\r\n"
    "Content-Type: text/plain; charset=\"iso-2022-jp\"\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "\r\n"
)


def generate(path, megabytes):
    rng = random.Random(megabytes)
    with open(path, "wb") as f:
        f.write(HEADER.encode())
        f.write(b"Hello, this is the text part.\r\n" * 200)
        f.write(b"------=_Part_Alt\r\nContent-Type: text/html; charset=\"iso-2022-jp\"\r\n\r\n")
        f.write(b"<p>Hello, this is the HTML part.</p>\r\n" * 400)
        f.write(b"------=_Part_Alt--\r\n\r\n------=_Part_Mixed\r\n")
        f.write(b"Content-Type: application/octet-stream; name=\"data.bin\"\r\n"
                b"Content-Transfer-Encoding: base64\r\n"
                b"Content-Disposition: attachment; filename=\"data.bin\"\r\n\r\n")
        target = megabytes * 1000 * 1000
        chunk = base64.encodebytes(rng.randbytes(57 * 1000)).replace(b"\n", b"\r\n")
        while f.tell() < target:
            f.write(chunk)
        f.write(b"------=_Part_Mixed--\r\n")


def generate_nested(path, levels, empty_lines):
    """`levels` multipart levels, each the first part of the one above."""
    with open(path, "wb") as f:
        f.write(b"From: a@example.com\r\nContent-Type: multipart/mixed; boundary=\"b0\"\r\n")
        for level in range(levels):
            f.write(b"\r\n--b%d\r\nContent-Type: multipart/mixed; boundary=\"b%d\"\r\n"
                    % (level, level + 1))
        f.write(b"\r\n" * empty_lines)


# Python's email package doing vornek's job: parse, keep the first leaf part as
# the message, write it out.
PYTHON_FLATTEN = """
import email, sys
from email import policy
from email.generator import BytesGenerator
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=policy.compat32)
leaf = m
while leaf.is_multipart():
    leaf = leaf.get_payload(0)
for name, value in m.items():
    if name.lower() != 'content-type':
        leaf[name] = value
BytesGenerator(open('/dev/null', 'wb')).flatten(leaf)
"""


# Messages whose cost once grew with the square of their size.
HOSTILE = (
    ("200000 duplicate Content-ID fields", "many-fields.eml",
     lambda: "From: a@b\n" + "Content-ID: <x>\n" * 200000 +
     "Content-Type: multipart/alternative; boundary=b\n\n--b\nContent-Type: text/plain\n"
     "Content-ID: <y>\n\nhello\n--b\nContent-Type: text/html\n\nx\n--b--\n", 0),
    ("998-byte boundary over 5 MB of hyphens", "long-boundary.eml",
     lambda: "From: a@b\nContent-Type: multipart/alternative; boundary=\"%s\"\n\n%s\n--%s\n\n"
     "hello\n--%s--\n" % ("-" * 998, "-" * 5000000, "-" * 998, "-" * 998), 0),
)


def generate_filler(path, megabytes, line):
    with open(path, "wb") as f:
        block = line * (1 << 16)
        while f.tell() < megabytes * 1000 * 1000:
            f.write(block)


def run_once(argv, expected_code=0):
    """Wall seconds of one run, output to /dev/null."""
    with open(os.devnull, "wb") as null:
        start = time.perf_counter()
        code = subprocess.call(argv, stdout=null, stderr=null)
        elapsed = time.perf_counter() - start
    if code != expected_code:
        sys.exit(f"{argv} exited with {code}")
    return elapsed


def median_time(argv, runs, expected_code=0):
    run_once(argv, expected_code)  # warm the page cache
    return statistics.median(run_once(argv, expected_code) for _ in range(runs))


def peak_kilobytes(argv, expected_code=0):
    """Peak resident memory of one run. A child forked from Python would report
    Python's own size, so GNU time measures it from a small process of its own."""
    if not os.path.exists(GNU_TIME):
        return None
    with open(os.devnull, "wb") as null:
        out = subprocess.run([GNU_TIME, "-f", "%M"] + argv, stdout=null, stderr=subprocess.PIPE)
    if out.returncode != expected_code:
        sys.exit(f"{argv} exited with {out.returncode}")
    return int(out.stderr.decode().strip().splitlines()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--sizes", default="1,25,100")
    args = parser.parse_args()

    subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "release", "--target", "vornek"], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    os.makedirs(DATA, exist_ok=True)

    print(f"{'message':>10} {'vornek ms':>10} {'cat ms':>8} {'ratio':>6} "
          f"{'vornek MiB':>11} {'x size':>7} {'ms per MB':>10}")
    for mb in (int(s) for s in args.sizes.split(",")):
        path = os.path.join(DATA, f"message-{mb}mb.eml")
        if not os.path.exists(path):
            generate(path, mb)
        size = os.path.getsize(path)
        vornek_t = median_time([VORNEK, "flatten", path], args.runs)
        cat_t = median_time(["cat", path], args.runs)
        kb = peak_kilobytes([VORNEK, "flatten", path])
        memory = f"{kb / 1024:>11.1f} {kb * 1024 / size:>7.2f}" if kb else f"{'n/a':>11} {'n/a':>7}"
        print(f"{size / 1e6:>8.1f}MB {vornek_t * 1e3:>10.2f} {cat_t * 1e3:>8.2f} "
              f"{vornek_t / cat_t:>6.2f} {memory} {vornek_t * 1e3 / (size / 1e6):>10.3f}")
    if not os.path.exists(GNU_TIME):
        print("peak memory needs GNU time: apt-get install time")

    print(f"\n{'not multipart (exit 1)':>26} {'size':>8} {'vornek ms':>10} {'cat ms':>8} "
          f"{'vornek MiB':>11} {'x size':>7} {'target MiB':>11}")
    for label, mb, line in (("empty CR LF lines", 50, b"\r\n"), ("LF only", 100, b"\n")):
        path = os.path.join(DATA, f"filler-{mb}mb-{len(line)}.eml")
        if not os.path.exists(path):
            generate_filler(path, mb, line)
        size = os.path.getsize(path)
        vornek_t = median_time([VORNEK, "flatten", path], max(1, args.runs // 3), expected_code=1)
        cat_t = median_time(["cat", path], max(1, args.runs // 3))
        kb = peak_kilobytes([VORNEK, "flatten", path], expected_code=1)
        target = 1.2 * size / (1 << 20) + 16
        print(f"{label:>26} {size / 1e6:>6.1f}MB {vornek_t * 1e3:>10.2f} {cat_t * 1e3:>8.2f} "
              f"{kb / 1024:>11.1f} {kb * 1024 / size:>7.2f} {target:>11.1f}")

    path = os.path.join(DATA, "message-25mb.eml")
    if not os.path.exists(path):
        generate(path, 25)
    vornek_t = median_time([VORNEK, "flatten", path], args.runs)
    python_t = median_time([sys.executable, "-c", PYTHON_FLATTEN, path], 3)
    print(f"\n25 MB message: Python's email package {python_t * 1e3:.0f} ms, "
          f"vornek {vornek_t * 1e3:.1f} ms: {python_t / vornek_t:.0f}x faster")

    print(f"\n{'hostile message':>40} {'size':>8} {'vornek ms':>10}")
    for levels, empty_lines in ((100000, 0), (22000, 1000000)):
        path = os.path.join(DATA, f"nested-{levels}-{empty_lines}.eml")
        if not os.path.exists(path):
            generate_nested(path, levels, empty_lines)
        t = median_time([VORNEK, "flatten", path], max(1, args.runs // 5), expected_code=1)
        label = f"{levels} levels" + (f" + {empty_lines} empty lines" if empty_lines else "")
        print(f"{label:>40} {os.path.getsize(path) / 1e6:>6.1f}MB {t * 1e3:>10.2f}")
    for label, name, text, code in HOSTILE:
        path = os.path.join(DATA, name)
        if not os.path.exists(path):
            with open(path, "w") as f:
                f.write(text())
        t = median_time([VORNEK, "flatten", path], max(1, args.runs // 5), expected_code=code)
        print(f"{label:>40} {os.path.getsize(path) / 1e6:>6.1f}MB {t * 1e3:>10.2f}")

    plugin_memory()


def plugin_memory():
    """The test host's own figure for one strip command, on the Windows build this
    machine can run."""
    launcher = ["bash", os.path.join(ROOT, "scripts", "wine-run.sh")]
    preset = "win32" if subprocess.call(launcher + ["--can-run-i386"]) == 0 else "win64"
    subprocess.run(["cmake", "--preset", preset], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", preset, "--target", "TestHost"], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    host = os.path.join(ROOT, "build", preset, "TestHost.exe")
    print(f"\nthe plug-in ({preset} build under Wine), one strip command:")
    for mb in (100, 500):
        out = subprocess.run(launcher + [host, "measure_strip", str(mb)], capture_output=True)
        lines = out.stdout.decode(errors="replace").splitlines()
        print("  " + (lines[0] if lines else f"{mb} MB: no answer (exit {out.returncode})"))


if __name__ == "__main__":
    main()
