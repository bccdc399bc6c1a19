#!/usr/bin/env python3
"""Mutation check: do the tests catch small faults in the code they cover?

Picks small changes ("mutants") in C++ source files -- a comparison
flipped, an off-by-one, a logical or bit operator swapped, a shift turned
round, a constant nudged, a rounding direction or an extreme changed, a
boolean or a condition inverted, a statement deleted -- applies each one
alone, rebuilds, runs the tests and counts how many mutants the tests "kill"
(a failing, crashing or hanging test run).
A mutant that no longer compiles is not counted, nor one whose object file
comes out byte for byte as before (code the build leaves out, such as another
system's, or a change the compiler proves to mean nothing): it is reported
as "same object".  Every file is restored after its mutant, also on Ctrl+C.
The test command sees the mutant's number in $MUTANT (for a log per mutant).
With --sanitized-build and --sanitized-test (a build of the same tests with
AddressSanitizer and UndefinedBehaviorSanitizer, as CI runs them), each
survivor is tried there too: a mutant that writes past an array or overflows
may pass the plain tests and still fail under the sanitizers, and then it is
counted as killed ("killed by sanitizer").
With --equivalent FILE, a survivor that the file lists as computing the same
as the code (with the reason: a bound with room to spare, a path taken only
for speed, a guard that another one makes redundant) is reported as
"equivalent" and left out of the rate, as a mutation score leaves out the
equivalent mutants; it is still built and run, so an entry that a test
catches is reported.  With --listed, every mutant of the list is tried
instead of a sample, to check that the list still holds.

    python3 tools/mutate.py                      # 30 mutants of what the build compiles under src/
    python3 tools/mutate.py -n 60 --seed 7 src/core/edit src/core/mesh
    python3 tools/mutate.py --list src/core/zip/zip_inflate.cpp   # show candidates only

By default it configures a core-only build (-DDELVA_CORE_ONLY=ON) in
build-mutate/ and runs `ctest` there; --configure/--build/--test replace
those commands (run in the repository root) when the project is laid out
differently.  Only files that the configured build compiles are mutated
(read from its compile_commands.json; keep CMAKE_EXPORT_COMPILE_COMMANDS=ON
in a --configure of your own), so a full build and a ctest over every test
give the whole picture.  Run from the repository root.  Last line:
"mutants: K killed, S survived, C did not compile, E same object, Q equivalent
(kill rate P%)", with "(Z of them by the sanitizer build)" after K when that
build is used.
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

OPERATORS = [
    # (name, regex, replacement)
    ("<= to <", r"(?<=\s)<=(?=\s)", "<"),
    ("< to <=", r"(?<=\s)<(?=\s)", "<="),
    (">= to >", r"(?<=\s)>=(?=\s)", ">"),
    ("> to >=", r"(?<=\s)>(?=\s)", ">="),
    ("== to !=", r"(?<=\s)==(?=\s)", "!="),
    ("!= to ==", r"(?<=\s)!=(?=\s)", "=="),
    ("&& to ||", r"(?<=\s)&&(?=\s)", "||"),
    ("|| to &&", r"(?<=\s)\|\|(?=\s)", "&&"),
    ("+ to -", r"(?<=\s)\+(?=\s)", "-"),
    ("- to +", r"(?<=\s)-(?=\s)", "+"),
    ("drop + 1", r"\s\+\s1\b(?![.\d])", ""),
    ("drop - 1", r"\s-\s1\b(?![.\d])", ""),
    ("+= to -=", r"(?<=\s)\+=(?=\s)", "-="),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("int n to n+1", r"(?<![\w.])([2-9]|[1-9]\d{1,5})(?![\w.'])", None),
    # rounding direction and clamping: a quotient truncated where it should
    # be floored, or an extreme kept on the wrong side, is a plausible slip
    ("trunc to floor", r"\bstd::trunc\(", "std::floor("),
    ("floor to ceil", r"\bstd::floor\(", "std::ceil("),
    ("ceil to floor", r"\bstd::ceil\(", "std::floor("),
    ("round to trunc", r"\bstd::(l?l?round)\(", "std::trunc("),
    ("min to max", r"\bstd::min\b", "std::max"),
    ("max to min", r"\bstd::max\b", "std::min"),
    # bit fields of the formats (deflate codes, CRC, headers, masks): a wrong
    # operator or shift direction is a slip that compiles
    ("& to |", r"(?<=\s)&(?=\s)", "|"),
    ("| to &", r"(?<=\s)\|(?=\s)", "&"),
    ("^ to |", r"(?<=\s)\^(?=\s)", "|"),
    ("<< to >>", r"(?<=\s)<<(?=\s)", ">>"),
    (">> to <<", r"(?<=\s)>>(?=\s)", "<<"),
    ("negate condition", r"\bif \(", "NEGATE"),
    ("delete statement", r"^(\s*)(?!return\b|break\b|continue\b|case\b|default\b|else\b)"
                         r"[A-Za-z_][\w:.>\[\]-]*(\s*(=|\+=|-=|\*=|/=|\|=|&=|<<=|>>=)\s*[^=].*"
                         r"|\(.*\)|\+\+|--);\s*$", "DELETE"),
]

SKIP_LINE = re.compile(r"^\s*(#|//|\*|/\*|static_assert|namespace|using |template|\}|\{)")


def strip_strings(line):
    """The line with string and char literals blanked, so no operator inside
    them is picked; returns the blanked copy (same length)."""
    out, q, esc = [], None, False
    for ch in line:
        if q:
            out.append(" ")
            if esc:
                esc = False
            elif ch == "\\":
                esc = True
            elif ch == q:
                q = None
            continue
        if ch in "\"'":
            q = ch
            out.append(" ")
            continue
        out.append(ch)
    s = "".join(out)
    i = s.find("//")
    return s if i < 0 else s[:i] + " " * (len(s) - i)


def matching_paren(text, open_at):
    """Index of the ")" closing the "(" at open_at on the same line, or -1."""
    depth = 0
    for i in range(open_at, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


def candidates(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    found = []
    in_block = False
    for no, line in enumerate(lines):
        s = line.strip()
        if in_block:
            if "*/" in s:
                in_block = False
            continue
        if s.startswith("/*") and "*/" not in s:
            in_block = True
            continue
        if not s or SKIP_LINE.match(line):
            continue
        blank = strip_strings(line)
        for name, rx, rep in OPERATORS:
            for m in re.finditer(rx, blank):
                if rep is None:
                    mutated = line[:m.start()] + str(int(m.group(1)) + 1) + line[m.end():]
                elif rep == "NEGATE":
                    close = matching_paren(blank, m.end() - 1)
                    if close < 0:
                        continue
                    mutated = (line[:m.end()] + "!(" + line[m.end():close] + ")" +
                               line[close:])
                elif rep == "DELETE":
                    if "{" in blank or "}" in blank or blank.rstrip().endswith(","):
                        continue
                    mutated = m.group(1) + ";  // deleted: " + line.strip()
                else:
                    mutated = line[:m.start()] + rep + line[m.end():]
                if mutated != line:
                    found.append((path, no, name, line, mutated))
    return found


def read_equivalents(path):
    """The mutants a list declares equivalent: {(source path, mutated line
    stripped)}. An entry is "path: mutated line"; each block of entries comes
    after "#" lines that say why they change nothing."""
    keys, reason = set(), False
    with open(path, encoding="utf-8") as f:
        for n, raw in enumerate(f, 1):
            line = raw.strip()
            if not line:
                reason = False
            elif line.startswith("#"):
                reason = True
            elif not reason or ": " not in line:
                raise SystemExit("%s:%d: an entry is \"path: mutated line\", after \"#\" "
                                 "lines with its reason" % (path, n))
            else:
                src, mutated = line.split(": ", 1)
                keys.add((os.path.normpath(src), mutated.strip()))
    return keys


def equivalent_key(path, mutated):
    return (os.path.normpath(os.path.relpath(path)), mutated.strip())


def source_files(paths):
    out = []
    for p in paths:
        if os.path.isfile(p):
            out.append(p)
            continue
        for root, _, files in os.walk(p):
            for fn in sorted(files):
                if fn.endswith((".cpp", ".cc", ".h", ".hpp")):
                    out.append(os.path.join(root, fn))
    return sorted(out)


def compiled_only(files, build_dir):
    """Keep the sources the configured build compiles (from its
    compile_commands.json) and the headers beside them: a mutant in a file the
    build never reads would count as a survivor."""
    db = os.path.join(build_dir, "compile_commands.json")
    if not os.path.exists(db):
        return files
    import json
    with open(db) as f:
        compiled = {os.path.realpath(e["file"]) for e in json.load(f)}
    # headers the build really read: Ninja's dependency log, else every header
    # beside a compiled source
    read_headers = None
    rc, out = run("ninja -C %s -t deps" % build_dir, 120)
    if rc == 0 and out.strip():
        read_headers = {os.path.realpath(os.path.join(build_dir, l.strip()))
                        for l in out.splitlines() if l.startswith("    ")}
    folders = {os.path.dirname(c) for c in compiled}
    keep = []
    for f in files:
        r = os.path.realpath(f)
        if r in compiled:
            keep.append(f)
        elif f.endswith((".h", ".hpp")):
            if (r in read_headers) if read_headers is not None else (os.path.dirname(r) in folders):
                keep.append(f)
    skipped = len(files) - len(keep)
    if skipped:
        print("%d files left out: the build does not compile them" % skipped)
    return keep


def object_files(build_dir):
    """Object file of each compiled source (realpath -> path), from the -o of
    compile_commands.json; empty when the build has no such database."""
    db = os.path.join(build_dir, "compile_commands.json")
    if not os.path.exists(db):
        return {}
    import json
    import shlex
    out = {}
    with open(db) as f:
        for e in json.load(f):
            args = e.get("arguments") or shlex.split(e.get("command", ""))
            obj = e.get("output") or (args[args.index("-o") + 1] if "-o" in args else None)
            if obj:
                out[os.path.realpath(e["file"])] = os.path.join(e["directory"], obj)
    return out


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def run(cmd, timeout):
    try:
        r = subprocess.run(cmd, shell=True, capture_output=True, timeout=timeout)
        return r.returncode, (r.stdout + r.stderr).decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return 124, "timed out"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("paths", nargs="*", default=["src"])
    ap.add_argument("-n", type=int, default=30, help="mutants to try (default 30)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--list", action="store_true", help="print the candidates and stop")
    ap.add_argument("--build-dir", default="build-mutate")
    ap.add_argument("--configure", default=None)
    ap.add_argument("--build", default=None)
    ap.add_argument("--test", default=None)
    ap.add_argument("--test-timeout", type=int, default=60)
    ap.add_argument("--sanitized-build", default=None,
                    help="builds the sanitizer build of the tests (survivors are tried there)")
    ap.add_argument("--sanitized-test", default=None, help="runs the sanitizer build's tests")
    ap.add_argument("--equivalent", default=None,
                    help="a list of mutants that change nothing, with the reasons")
    ap.add_argument("--listed", action="store_true",
                    help="try every mutant of the --equivalent list instead of a sample")
    a = ap.parse_args()
    if bool(a.sanitized_build) != bool(a.sanitized_test):
        ap.error("--sanitized-build and --sanitized-test go together")
    if a.listed and not a.equivalent:
        ap.error("--listed needs --equivalent")
    equivalent = read_equivalents(a.equivalent) if a.equivalent else set()

    configure = a.configure or (
        "cmake -S . -B %s -G Ninja -DCMAKE_BUILD_TYPE=Release -DDELVA_CORE_ONLY=ON "
        "-DDELVA_BENCH=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null" % a.build_dir)
    build = a.build or "cmake --build %s -j %d" % (a.build_dir, os.cpu_count() or 2)
    test = a.test or "cd %s && ctest -j %d --timeout %d" % (
        a.build_dir, os.cpu_count() or 2, a.test_timeout)

    files = source_files(a.paths)
    if not a.list:
        rc, out = run(configure, 900)
        if rc:
            print("configure failed:\n" + out[-3000:])
            return 2
        rc, out = run(build, 1800)
        if rc:
            print("the unmutated tree does not build:\n" + out[-3000:])
            return 2
        files = compiled_only(files, a.build_dir)
    pool = []
    for f in files:
        pool.extend(candidates(f))
    if a.list:
        for path, no, name, line, mutated in pool:
            print("%s:%d  %-16s %s" % (path, no + 1, name, mutated.strip()))
        print("%d candidates" % len(pool))
        return 0
    if not pool:
        print("no candidates under %s" % " ".join(a.paths))
        return 2
    # An entry for a file being mutated that names none of its mutants is out
    # of date: the line has changed.
    mutated_files = {os.path.normpath(os.path.relpath(f)) for f in files}
    present = {equivalent_key(c[0], c[4]) for c in pool}
    for src, mutated in sorted(k for k in equivalent if k[0] in mutated_files and k not in present):
        print("listed as equivalent, but no such mutant: %s: %s" % (src, mutated))
    if a.listed:
        picked = [c for c in pool if equivalent_key(c[0], c[4]) in equivalent]
    else:
        rng = random.Random(a.seed)
        picked = rng.sample(pool, min(a.n, len(pool)))

    rc, out = run(test, 3600)
    if rc:
        print("the unmutated tree fails its tests; fix that first:\n" + out[-3000:])
        return 2
    sanitized = a.sanitized_build and a.sanitized_test
    if sanitized:
        rc, out = run(a.sanitized_build, 3600)
        if not rc:
            rc, out = run(a.sanitized_test, 3600)
        if rc:
            print("the unmutated tree fails its sanitizer build or tests:\n" + out[-3000:])
            return 2

    # objects of the unmutated tree, read before any mutant replaces one
    wanted = {os.path.realpath(p[0]) for p in picked}
    objects = {src: (obj, read_bytes(obj)) for src, obj in object_files(a.build_dir).items()
               if src in wanted}
    killed = survived = broken = same = by_sanitizer = listed = 0
    survivors, caught_listed = [], []
    current = {}

    def restore(*_):
        for path, text in current.items():
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        current.clear()

    signal.signal(signal.SIGINT, lambda *_: (restore(), sys.exit(130)))
    signal.signal(signal.SIGTERM, lambda *_: (restore(), sys.exit(143)))
    for i, (path, no, name, line, mutated) in enumerate(picked, 1):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        lines = text.split("\n")
        lines[no] = mutated
        current[path] = text
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        t0 = time.monotonic()
        obj, before = objects.get(os.path.realpath(path), (None, None))
        os.environ["MUTANT"] = str(i)
        is_listed = equivalent_key(path, mutated) in equivalent
        try:
            rc, _ = run(build, 900)
            if rc:
                verdict = "does not compile"
                broken += 1
            elif before is not None and read_bytes(obj) == before:
                verdict = "same object"
                same += 1
            else:
                rc, _ = run(test, 3600)
                if rc:
                    verdict = "killed"
                    killed += 1
                elif sanitized and (run(a.sanitized_build, 900)[0] == 0 and
                                    run(a.sanitized_test, 3600)[0] != 0):
                    verdict = "killed by sanitizer"
                    killed += 1
                    by_sanitizer += 1
                elif is_listed:
                    verdict = "equivalent"
                    listed += 1
                else:
                    verdict = "SURVIVED"
                    survived += 1
                    survivors.append("%s:%d  %s   %s" % (path, no + 1, name, mutated.strip()))
            if is_listed and verdict.startswith("killed"):
                caught_listed.append("%s:%d  %s" % (path, no + 1, mutated.strip()))
        finally:
            restore()
            now = time.time()
            os.utime(path, (now, now))   # newer than the mutant's object: rebuilt
        print("[%2d/%d] %-19s %-17s %s:%d  (%.0f s)" % (i, len(picked), verdict, name, path,
                                                      no + 1, time.monotonic() - t0), flush=True)
    run(build, 1800)          # leave the build matching the restored sources
    if sanitized:
        run(a.sanitized_build, 1800)
    if survivors:
        print("\nsurvivors (each is a fault no test noticed, or a change that means nothing):")
        for s in survivors:
            print("  " + s)
    if caught_listed:
        print("\nlisted as equivalent, yet caught (take them off the list):")
        for s in caught_listed:
            print("  " + s)
    valid = killed + survived
    rate = 100.0 * killed / valid if valid else 0.0
    print("mutants: %d killed%s, %d survived, %d did not compile, %d same object, "
          "%d equivalent (kill rate %.0f%%)" % (
              killed, " (%d of them by the sanitizer build)" % by_sanitizer if sanitized else "",
              survived, broken, same, listed, rate))
    return 0


if __name__ == "__main__":
    sys.exit(main())
