#!/usr/bin/env python3
"""Plays the same random dialogues with the Linux tolp and with tolp.exe under
wine, through pipes, and checks that they say the same, byte for byte, once
the Windows line breaks (CR LF) are read as LF, and end with the same status.

Usage: compare_dialogues.py LINUX_TOLP WINDOWS_TOLP_EXE [COUNT] [SEED]
"""
import os
import random
import re
import subprocess
import sys
import tempfile

# Time limits whose play does not depend on the clock: no time at all, or
# unlimited time on games small enough to be searched to the end.
NO_TIME = ["0", "-1", "", "word", "-0", "-1e999", "0x10", "nan", "1e-999", " 0.0e5"]
UNLIMITED = ["1e999", "9" * 400, "1" * 5000 + "e-3"]
USAGE = re.compile(rb"^Usage: .*? <")
LINE_ENDS = [b"\n"] * 6 + [b"\r\n"] * 3 + [b"\r\r\n", b"\r", b"\n\r"]


def answer(rng, small):
    kind = rng.random()
    if kind < 0.55:
        return str(rng.randint(-2, 10 if small else 40)).encode()
    if kind < 0.7:
        return rng.choice([b"h", b"c", b"C", b"H", b"", b" c", b"+3", b"-0"])
    if kind < 0.85:
        return bytes(rng.choice(b"0123456789 abc+-\t") for _ in range(rng.randint(8, 25)))
    if kind < 0.95:
        return bytes(rng.randint(1, 255) for _ in range(rng.randint(1, 12)))
    return b"\x1a" if rng.random() < 0.5 else b"7\x1a"


def dialogue(rng):
    unlimited = rng.random() < 0.4
    args = [rng.choice(UNLIMITED if unlimited else NO_TIME)]
    if rng.random() < 0.1:
        args.append("extra")
    n = str(rng.randint(-2, 10 if unlimited else 60)).encode()
    first = rng.choice([b"h", b"c", b"C", b""])
    lines = [n, first] + [answer(rng, unlimited) for _ in range(rng.randint(0, 30))]
    if unlimited:
        # Every answer that reads as n must keep the game small, so only the
        # first line may give n: make sure it really does.
        lines[0] = str(rng.randint(-1, 10)).encode()
    data = b"".join(line + rng.choice(LINE_ENDS) for line in lines)
    if rng.random() < 0.2:
        data = data[: rng.randint(0, len(data))]  # the input ends mid-line
    return args, data


def run(command, data):
    # Standard error goes to a file: a wineserver started by this run lives
    # on and would hold a pipe open.
    with tempfile.TemporaryFile() as errors:
        done = subprocess.run(command, input=data, stdout=subprocess.PIPE, stderr=errors,
                              timeout=120, env=dict(os.environ, WINEDEBUG="-all"))
        errors.seek(0)
        said = errors.read()
    # argv[0] names the program in the usage line (under wine, as a Windows
    # path): compare the rest. Windows line breaks are read as LF.
    out = USAGE.sub(b"Usage: PROGRAM <", done.stdout.replace(b"\r\n", b"\n"), count=1)
    return done.returncode, out, said


def main():
    linux, windows = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 2026)
    differences = 0
    retried = 0
    for i in range(count):
        args, data = dialogue(rng)
        expected = run([linux] + args, data)[:2]
        got = run(["wine", windows] + args, data)
        if got[:2] != expected:
            # wine itself now and then fails to start a program (status 1,
            # no output); a fault of the game's shows again the second time.
            retried += 1
            print(f"dialogue {i}: differs, playing it again (wine said {got[2][-200:]!r})")
            got = run(["wine", windows] + args, data)
        if got[:2] != expected:
            differences += 1
            print(f"dialogue {i}: args {args!r}, input {data!r}")
            print(f"  linux   (status {expected[0]}): {expected[1][-300:]!r}")
            print(f"  windows (status {got[0]}): {got[1][-300:]!r}")
    print(f"{count - differences} passed, {differences} failed ({retried} played twice)")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
