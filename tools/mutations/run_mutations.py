#!/usr/bin/env python3
"""Tries each deliberate fault of mutations.txt on a scratch copy of the
repository, one at a time: applies it, rebuilds, runs the tests, and reports
the faults that no test catches (the survivors). A tool for developers, not
part of CI's verdict.

Usage: tools/mutations/run_mutations.py [SCRATCH_DIR] [--only TEXT] [--lines N,M,...]
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def read_mutations():
    mutations = []
    with open(os.path.join(HERE, "mutations.txt"), encoding="utf-8") as listing:
        for number, line in enumerate(listing, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            parts = [p.strip() for p in line.split(" @@ ")]
            long_too = parts[0] == "long"
            if long_too:
                parts = parts[1:]
            path, old, new = parts[0], parts[1], parts[2] if len(parts) > 2 else ""
            mutations.append((number, path, old.replace("{NL}", "\n"), new.replace("{NL}", "\n"), long_too))
    return mutations


def run(command, cwd, timeout=3600):
    done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          timeout=timeout)
    return done.returncode, done.stdout.decode(errors="replace")


def main():
    args = [a for i, a in enumerate(sys.argv[1:], 1)
            if not a.startswith("--") and sys.argv[i - 1] not in ("--only", "--lines")]
    only = sys.argv[sys.argv.index("--only") + 1] if "--only" in sys.argv else None
    lines = (set(map(int, sys.argv[sys.argv.index("--lines") + 1].split(",")))
             if "--lines" in sys.argv else None)
    scratch = args[0] if args else "/tmp/tolp-mutations"
    shutil.rmtree(scratch, ignore_errors=True)
    files = run(["git", "ls-files"], ROOT)[1].split()
    for f in files:
        os.makedirs(os.path.join(scratch, os.path.dirname(f)), exist_ok=True)
        shutil.copy2(os.path.join(ROOT, f), os.path.join(scratch, f))
    build = os.path.join(scratch, "build")
    # Warnings are not errors here: a fault may well leave a variable unused.
    status, out = run(["cmake", "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                       "-DTOLP_BUILD_TESTS=ON", "-DTOLP_LONG_TESTS=ON"], scratch)
    if status != 0 or run(["cmake", "--build", build, "-j2"], scratch)[0] != 0:
        print(out)
        return 2
    if run(["ctest", "--test-dir", build, "-j2"], scratch)[0] != 0:
        print("the tests fail before any fault is made")
        return 2

    survivors, caught, broken = [], 0, 0
    for number, path, old, new, long_too in read_mutations():
        if (only and only not in old and only not in path) or (lines and number not in lines):
            continue
        target = os.path.join(scratch, path)
        with open(target, encoding="utf-8") as f:
            original = f.read()
        if original.count(old) != 1:
            print(f"line {number}: not found exactly once in {path}: {old!r}")
            broken += 1
            continue
        with open(target, "w", encoding="utf-8") as f:
            f.write(original.replace(old, new))
        try:
            if run(["cmake", "--build", build, "-j2"], scratch)[0] != 0:
                verdict = "does not build"
            else:
                tests = ["ctest", "--test-dir", build, "-j2", "--stop-on-failure"]
                if not long_too:
                    tests += ["-LE", "long"]
                verdict = "caught" if run(tests, scratch)[0] != 0 else "SURVIVES"
        finally:
            with open(target, "w", encoding="utf-8") as f:
                f.write(original)
        print(f"line {number}: {verdict:14} {path}: {old.strip()[:60]!r} -> {new.strip()[:60]!r}", flush=True)
        if verdict == "SURVIVES":
            survivors.append(number)
        else:
            caught += 1
    run(["cmake", "--build", build, "-j2"], scratch)
    print(f"{caught} caught, {len(survivors)} survive, {broken} not applied"
          + (f": lines {', '.join(map(str, survivors))}" if survivors else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
