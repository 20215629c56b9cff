#!/usr/bin/env python3
"""Runs `vornek flatten` on every message in the given folders and judges each
result on its own with Python's email package (compat32), never against another
flattener.

- Exit 1 (left unchanged): the output must be the input, byte for byte.
- Exit 0 (rewritten): the output must be the input's first leaf part as a
  single-part message: the same body and decoded payload (followed at most by
  blank lines or the epilogues), every header field of the message and of each
  lifted part still there in order (only the multipart Content-Type fields go,
  and the content fields that a deeper part replaces may go), one Content-Type
  at most, naming text/plain, and no parse defect the input did not have.
- Anything else (exit 2, a crash, a time-out) fails.

Prints counts by outcome and by reason, one line for every failure, and exits 1
when anything failed.

Usage: check_corpus.py [--vornek PATH] FOLDER...
"""
import argparse
import collections
import concurrent.futures
import email
import os
import re
import subprocess
import sys
from email import policy

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# Content fields that a deeper part brings in place of the message's own.
CONTENT_FIELDS = {"content-transfer-encoding", "content-disposition",
                  "content-description", "content-id"}
REASON = re.compile(r"^vornek: .*: (.*) - left unchanged$")


def parse(data):
    return email.message_from_bytes(data, policy=policy.compat32)


def first_leaf_path(message):
    """The message, each first part on the way down, and the first leaf part."""
    path = [message]
    while path[-1].is_multipart():
        parts = path[-1].get_payload()
        if not parts:
            return None
        path.append(parts[0])
    return path


def defect_names(message):
    return {type(d).__name__ for part in message.walk() for d in part.defects}


def squeeze(text):
    return "".join((text or "").split())


def judge_rewritten(source, output):
    """None when `output` is the first leaf part of `source`, else what is wrong."""
    original = parse(source)
    result = parse(output)
    path = first_leaf_path(original)
    if path is None or len(path) < 2:
        return "rewritten, but the input has no first part"
    leaf = path[-1]
    if result.is_multipart():
        return "the output is still multipart"
    if leaf.get_content_type() != "text/plain":
        return "kept a %s part" % leaf.get_content_type()
    if result.get_unixfrom() != original.get_unixfrom():
        return "the envelope line changed"

    # Header fields, in order.
    required, optional = [], set()
    for depth, entity in enumerate(path):
        is_leaf = depth == len(path) - 1
        for name, value in entity.items():
            value = str(value)  # a Header object where the value has 8-bit bytes
            lowered = name.lower()
            if not is_leaf and lowered == "content-type":
                continue
            if not is_leaf and lowered in CONTENT_FIELDS:
                optional.add((name, value))
                continue
            required.append((name, value))
    items = [(name, str(value)) for name, value in result.items()]
    got = [item for item in items if item not in optional or item in required]
    if got != required:
        missing = [f for f in required if f not in got]
        extra = [f for f in got if f not in required]
        return "header fields differ: missing %s, extra %s" % (
            [n for n, _ in missing][:3], [n for n, _ in extra][:3])
    for name in ["Content-Type"] + sorted(CONTENT_FIELDS):
        if len(result.get_all(name) or []) > max(1, len(leaf.get_all(name) or [])):
            return "more than one %s" % name
    if result.get_content_type() != "text/plain":
        return "the output's type is %s" % result.get_content_type()

    # Body: the leaf's own, then at most blank lines or the epilogues.
    body, kept = leaf.get_payload(), result.get_payload()
    if not isinstance(body, str) or not isinstance(kept, str) or not kept.startswith(body):
        return "the body is not the first part's body"
    rest = squeeze(kept[len(body):])
    epilogues = squeeze("".join(e.epilogue or "" for e in reversed(path[:-1])))
    base64 = (leaf.get("Content-Transfer-Encoding") or "").strip().lower() == "base64"
    if rest and (base64 or rest != epilogues):
        return "text after the first part's body that is not its epilogue"
    decoded, decoded_kept = leaf.get_payload(decode=True), result.get_payload(decode=True)
    if decoded is None or decoded_kept is None or not decoded_kept.startswith(decoded):
        return "the decoded text differs from the first part's"
    if base64 and decoded_kept != decoded:
        return "the decoded base64 text has more after it"

    new = defect_names(result) - defect_names(original)
    if new:
        return "new parse defects: %s" % ", ".join(sorted(new))
    return None


def check(vornek, path):
    """(outcome, detail): outcome is rewritten, unchanged or failed."""
    with open(path, "rb") as f:
        source = f.read()
    try:
        run = subprocess.run([vornek, "flatten", path], capture_output=True, timeout=60)
    except subprocess.TimeoutExpired:
        return "failed", "no answer within 60 s"
    if run.returncode == 1:
        if run.stdout != source:
            return "failed", "exit 1, but the output differs from the input"
        lines = run.stderr.decode("utf-8", "replace").splitlines()
        match = REASON.match(lines[0]) if len(lines) == 1 else None
        if not match:
            return "failed", "exit 1 without one line saying why"
        return "unchanged", match.group(1)
    if run.returncode == 0:
        try:
            wrong = judge_rewritten(source, run.stdout)
        except Exception as e:  # the judge itself must not hide a message
            wrong = "cannot judge: %s: %s" % (type(e).__name__, e)
        return ("failed", wrong) if wrong else ("rewritten", "")
    err = run.stderr.decode("utf-8", "replace").strip().splitlines()
    return "failed", "exit %d: %s" % (run.returncode, err[-1] if err else "")


def messages(folders):
    for folder in folders:
        for base, dirs, files in os.walk(folder):
            dirs[:] = sorted(d for d in dirs if not d.startswith("."))
            for name in sorted(files):
                upper = name.upper()
                if name.startswith(".") or upper.startswith(("README", "LICENSE")):
                    continue
                yield os.path.join(base, name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--vornek", default=os.path.join(ROOT, "build", "native", "vornek"),
                        help="the vornek binary (default: %(default)s)")
    parser.add_argument("folders", nargs="+", metavar="FOLDER")
    args = parser.parse_args()
    if not os.access(args.vornek, os.X_OK):
        sys.exit("check_corpus: no vornek binary at %s; build it first" % args.vornek)
    paths = list(messages(args.folders))
    if not paths:
        sys.exit("check_corpus: no messages in %s" % " ".join(args.folders))

    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        results = list(pool.map(lambda p: check(args.vornek, p), paths))

    counts = collections.Counter(outcome for outcome, _ in results)
    reasons = collections.Counter(detail for outcome, detail in results if outcome == "unchanged")
    for path, (outcome, detail) in zip(paths, results):
        if outcome == "failed":
            print("FAILED %s: %s" % (path, detail))
    print("%d messages: %d rewritten, %d unchanged, %d failed"
          % (len(paths), counts["rewritten"], counts["unchanged"], counts["failed"]))
    for reason, n in reasons.most_common():
        print("  unchanged, %s: %d" % (reason, n))
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
