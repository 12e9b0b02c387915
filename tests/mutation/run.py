#!/usr/bin/env python3
"""Mutation runner: puts small faults into the code one at a time and runs
the test suite against each, to see which faults the tests catch.

    tests/mutation/run.py [--only PATTERN[,...]] [--list FILE] [--rev COMMIT] [--check] [--keep]

The mutants are listed in tests/mutation/mutants.txt (the format is described
there): each is one exact text edit in one file.  The tree (the working tree,
or with --rev the tree of a commit) is copied once into a temporary folder
outside the working tree, configured with the debug preset and built once;
the unchanged suite must pass there first.  Then, for each mutant: the edit
is applied, unit_tests and the programs it runs are rebuilt, the suite runs
(SUITE below, stopping at the first failure; docs/testing.md says why the
browser, office and package labels are left out), and the file gets its old
bytes back.  The restored file is newer than the objects built from the
mutant, so the next build recompiles it.

Each mutant is reported as killed (some test failed), survived (every test
passed), does-not-build, or equivalent (skipped: the list says why no caller
can tell it apart).  The score is killed / (mutants that built and are not
equivalent).  An edit whose text is not found exactly once stops the run
before anything is built (exit status 2), so the list is kept in step with
the code.  Exit status 0 when no mutant survived, 1 otherwise.
"""

import argparse
import fnmatch
import os
import re
import signal
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SUITE = ["ctest", "--test-dir", "build/debug", "-j2", "--timeout", "120",
         "-LE", "browser|office|package", "-E", "_NOT_BUILT$", "--stop-on-failure"]
BUILD = ["cmake", "--build", "build/debug", "-j2", "--target", "unit_tests"]


class Mutant:
    def __init__(self, label, line):
        self.label, self.line = label, line
        self.file = self.fault = self.old = self.new = self.equivalent = None


def unescape(text):
    # \n is a line break, \t a tab, \\ a backslash; everything else is literal.
    return re.sub(r"\\([nt\\])", lambda m: {"n": "\n", "t": "\t", "\\": "\\"}[m.group(1)], text)


def read_list(path):
    """Parses the list: blocks of 'key value' lines, each block opened by 'mutant LABEL'."""
    mutants = []
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        key, _, value = line.partition(" ")
        value = value.lstrip(" ")
        if key == "mutant":
            mutants.append(Mutant(value, number))
        elif not mutants or key not in ("file", "fault", "from", "to", "equivalent"):
            sys.exit(f"{path}:{number}: unexpected line: {line}")
        else:
            m = mutants[-1]
            attr = {"from": "old", "to": "new"}.get(key, key)
            setattr(m, attr, unescape(value) if key in ("from", "to") else value)
    for m in mutants:
        if None in (m.file, m.fault, m.old, m.new):
            sys.exit(f"{path}:{m.line}: mutant {m.label} needs file, fault, from and to")
    return mutants


def check(mutants, tree):
    """Exit status 2, naming the mutant, when an edit's text is not there exactly once."""
    labels = set()
    for m in mutants:
        if m.label in labels:
            print(f"mutant {m.label}: the label is used twice", file=sys.stderr)
            sys.exit(2)
        labels.add(m.label)
        path = os.path.join(tree, m.file)
        text = open(path, encoding="utf-8").read() if os.path.isfile(path) else ""
        count = text.count(m.old)
        if count != 1:
            print(f"mutant {m.label}: the text to replace is found {count} times in {m.file}, "
                  "not once", file=sys.stderr)
            sys.exit(2)


def run(cmd, cwd, log):
    with open(log, "w") as out:
        return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT).returncode


def failed_tests(work):
    path = os.path.join(work, "build/debug/Testing/Temporary/LastTestsFailed.log")
    if not os.path.exists(path):
        return []
    return [line.strip().split(":", 1)[-1] for line in open(path) if line.strip()]


def copy_tree(dest, rev):
    """The files git knows, committed or not, without build folders; or the tree of a commit."""
    if rev:
        archive = subprocess.run(["git", "archive", rev], cwd=ROOT, check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", dest], input=archive, check=True)
        return
    names = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                           cwd=ROOT, check=True, capture_output=True).stdout.split(b"\0")
    for name in filter(None, names):
        name = name.decode()
        src = os.path.join(ROOT, name)
        if not os.path.lexists(src):
            continue  # deleted in the working tree and not yet committed
        os.makedirs(os.path.dirname(os.path.join(dest, name)) or dest, exist_ok=True)
        shutil.copy2(src, os.path.join(dest, name), follow_symlinks=False)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--only", help="labels to run: shell patterns, comma-separated")
    ap.add_argument("--list", default=os.path.join(ROOT, "tests/mutation/mutants.txt"),
                    help="the mutant list (default: tests/mutation/mutants.txt)")
    ap.add_argument("--check", action="store_true",
                    help="only check that every edit applies, build nothing")
    ap.add_argument("--rev", help="mutate the tree of this commit instead of the working tree "
                    "(the list is still read from the working tree)")
    ap.add_argument("--keep", action="store_true", help="keep the temporary copy")
    args = ap.parse_args()
    # A stop ends the run through the finally clauses: the file and the folder are cleaned up.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))

    mutants = read_list(args.list)
    if not args.rev:
        check(mutants, ROOT)
    if args.only:
        patterns = args.only.split(",")
        mutants = [m for m in mutants if any(fnmatch.fnmatch(m.label, p) for p in patterns)]
    if args.check:
        print(f"{len(mutants)} mutants, every edit found exactly once")
        return 0

    work = tempfile.mkdtemp(prefix="pfs2vnk-mutation-")
    os.chmod(work, 0o755)  # some tests run the programs as another user
    log = os.path.join(work, "last.log")
    print(f"copy of the tree: {work}", flush=True)
    try:
        copy_tree(work, args.rev)
        check(mutants, work)
        if (run(["cmake", "--preset", "debug"], work, log) != 0 or run(BUILD, work, log) != 0):
            print(f"the unchanged tree does not build; see {log}", file=sys.stderr)
            args.keep = True
            return 2
        if run(SUITE, work, log) != 0:
            print(f"the unchanged suite fails ({', '.join(failed_tests(work))}); see {log}",
                  file=sys.stderr)
            args.keep = True
            return 2
        counts = {"killed": 0, "survived": 0, "does-not-build": 0, "equivalent": 0}
        survivors = []
        for i, m in enumerate(mutants, 1):
            head = f"[{i:2}/{len(mutants)}] "
            if m.equivalent:
                counts["equivalent"] += 1
                print(f"{head}equivalent (skipped)  {m.label}: {m.equivalent}", flush=True)
                continue
            path = os.path.join(work, m.file)
            original = open(path, "rb").read()
            start = time.monotonic()
            try:
                with open(path, "wb") as f:
                    f.write(original.replace(m.old.encode(), m.new.encode(), 1))
                if run(BUILD, work, log) != 0:
                    outcome, detail = "does-not-build", ""
                elif run(SUITE, work, log) != 0:
                    outcome, detail = "killed", " by " + ", ".join(failed_tests(work)[:3])
                else:
                    outcome, detail = "survived", ""
            finally:
                # The old bytes, with a new time: the next build recompiles the file.
                with open(path, "wb") as f:
                    f.write(original)
                now = time.time_ns()
                os.utime(path, ns=(now, now))
            counts[outcome] += 1
            if outcome == "survived":
                survivors.append(m)
            secs = time.monotonic() - start
            print(f"{head}{outcome:<21} {m.label} ({secs:.0f} s){detail}", flush=True)
        scored = counts["killed"] + counts["survived"]
        print("\n" + ", ".join(f"{n} {k}" for k, n in counts.items()))
        if scored:
            print(f"score: {counts['killed']}/{scored} = {100 * counts['killed'] / scored:.1f}% "
                  "of the mutants that build and are not equivalent")
        for m in survivors:
            print(f"survived: {m.label} ({m.file}): {m.fault}")
        return 1 if survivors else 0
    finally:
        if args.keep:
            print(f"kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
