#!/usr/bin/env bash
# Compares two behaviour snapshots made by snapshot.sh (see the notes at its top).
#
#   tools/behaviour/compare.sh [-v] DIR_A DIR_B
#
# Prints, for each case that differs, what differs: command line, stdout, stderr, exit
# status, the list of written files, and per file its size, mode, normalised hash and
# modification-time class. A file whose raw hash differs while its normalised hash is the
# same differs only in the fields normalisation blanks (run time, new XMP IDs): that is
# reported as a note and is not a difference. -v also lists the cases that match and
# shows these notes.
#
# Exit status: 0 when every case matches, 1 when any differs, 2 on a usage error.
# The snapshots' inputs (inputs.sha256) must agree as well; their meta files (binary hash,
# date, fonts) are shown when they differ but never fail the comparison.
set -uo pipefail

verbose=0
if [[ ${1:-} == -v ]]; then
    verbose=1
    shift
fi
if [[ $# -ne 2 || ! -d $1/cases || ! -d $2/cases ]]; then
    echo "usage: $0 [-v] DIR_A DIR_B   (two folders written by snapshot.sh)" >&2
    exit 2
fi

exec python3 - "$1" "$2" "$verbose" <<'EOF'
import difflib
import os
import sys

a_dir, b_dir, verbose = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
MAX_DIFF_LINES = 12


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return None


def text_diff(a, b, label):
    lines = list(difflib.unified_diff(a.splitlines(), b.splitlines(), "A/" + label, "B/" + label,
                                      lineterm="", n=1))
    shown = lines[:MAX_DIFF_LINES]
    if len(lines) > MAX_DIFF_LINES:
        shown.append("... (%d more diff lines)" % (len(lines) - MAX_DIFF_LINES))
    return ["    " + line for line in shown]


def parse_files(text):
    rows = {}
    for line in (text or "").splitlines():
        cols = line.split("\t")
        if len(cols) >= 7:
            rows[cols[0]] = {"size": cols[1], "mode": cols[2], "raw": cols[3], "norm": cols[4],
                             "mtime": cols[5], "flags": cols[7:]}
        else:  # a free-form line (the environment listing): compared as a whole
            rows[line] = {"line": line}
    return rows


failures = 0
notes_total = 0
report = []

# Inputs and meta data
ia, ib = read(os.path.join(a_dir, "inputs.sha256")), read(os.path.join(b_dir, "inputs.sha256"))
if ia != ib:
    failures += 1
    report.append("INPUTS differ: the two snapshots did not convert the same files")
    report += text_diff(ia or "", ib or "", "inputs.sha256")
ma, mb = read(os.path.join(a_dir, "meta")), read(os.path.join(b_dir, "meta"))
meta_skip = ("date:", "seconds:", "binary:")
if ma is not None and mb is not None:
    fa = [l for l in ma.splitlines() if not l.startswith(meta_skip)]
    fb = [l for l in mb.splitlines() if not l.startswith(meta_skip)]
    if fa != fb:
        report.append("meta (informational, not a failure):")
        report += text_diff("\n".join(fa), "\n".join(fb), "meta")

cases_a = set(os.listdir(os.path.join(a_dir, "cases")))
cases_b = set(os.listdir(os.path.join(b_dir, "cases")))
all_cases = sorted(cases_a | cases_b)
same = 0
for case in all_cases:
    problems, notes = [], []
    if case not in cases_a or case not in cases_b:
        problems.append("only in " + ("A" if case in cases_a else "B"))
    else:
        pa, pb = os.path.join(a_dir, "cases", case), os.path.join(b_dir, "cases", case)
        for part in ("cmd", "status", "stdout", "stderr"):
            ta, tb = read(os.path.join(pa, part)), read(os.path.join(pb, part))
            if ta != tb:
                if part == "status":
                    problems.append("status: %s -> %s" % ((ta or "?").strip(), (tb or "?").strip()))
                else:
                    problems.append(part + " differs:")
                    problems += text_diff(ta or "", tb or "", part)
        fa, fb = parse_files(read(os.path.join(pa, "files"))), parse_files(read(os.path.join(pb, "files")))
        if sorted(fa) != sorted(fb):
            problems.append("file list differs:")
            for name in sorted(set(fa) - set(fb)):
                problems.append("    only in A: " + name)
            for name in sorted(set(fb) - set(fa)):
                problems.append("    only in B: " + name)
        for name in sorted(set(fa) & set(fb)):
            ra, rb = fa[name], fb[name]
            if "line" in ra or "line" in rb:
                continue
            for key, label in (("size", "size"), ("mode", "mode"), ("mtime", "modification time")):
                if ra[key] != rb[key]:
                    problems.append("%s: %s %s -> %s" % (name, label, ra[key], rb[key]))
            if ra["norm"] != rb["norm"]:
                what = "raw and normalised hash" if ra["raw"] != rb["raw"] else "normalised hash"
                problems.append("%s: %s differ (%s.. -> %s..)" % (name, what, ra["norm"][:12], rb["norm"][:12]))
            elif ra["raw"] != rb["raw"]:
                if "pixels-blanked" in ra["flags"] + rb["flags"]:
                    notes.append("%s: raw hash differs; pixels not compared (not reproducible), "
                                 "structure and metadata the same" % name)
                else:
                    notes.append("%s: raw hash differs only in normalised fields (run time, new IDs)" % name)
    notes_total += len(notes)
    if problems:
        failures += 1
        report.append("DIFFERS " + case)
        report += ["  " + p for p in problems]
        if verbose:
            report += ["  note: " + n for n in notes]
    else:
        same += 1
        if verbose:
            report.append("same    " + case)
            report += ["  note: " + n for n in notes]

print("\n".join(report))
print("compared %d cases: %d same, %d differ; %d raw-only hash differences in normalised fields"
      % (len(all_cases), same, len(all_cases) - same, notes_total))
if failures == 0:
    print("IDENTICAL (after normalisation)")
sys.exit(1 if failures else 0)
EOF
