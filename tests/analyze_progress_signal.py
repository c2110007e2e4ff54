#!/usr/bin/env python3
"""tolp-analyze on a terminal, stopped by Ctrl-C or SIGTERM while its
progress line shows: the line is blanked out, and the process still dies of
the signal. Also: the line never reaches 40 columns.

Usage: analyze_progress_signal.py TOLP_ANALYZE
"""
import os
import pty
import select
import signal
import sys
import time

ERASE = b"\r" + b" " * 39 + b"\r"


def run(program, sig):
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(program, [program, "--threads", "1", "36"])
    seen = b""
    deadline = time.monotonic() + 60
    while b"layer" not in seen and time.monotonic() < deadline:
        if select.select([fd], [], [], 1)[0]:
            seen += os.read(fd, 4096)
    if b"layer" not in seen:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        return f"no progress line within a minute: {seen!r}"
    os.kill(pid, sig)
    _, status = os.waitpid(pid, 0)
    try:
        while select.select([fd], [], [], 1)[0]:
            seen += os.read(fd, 4096)
    except OSError:
        pass  # the terminal is gone once the process is
    problems = []
    if not os.WIFSIGNALED(status) or os.WTERMSIG(status) != sig:
        problems.append(f"status {status}, not death by signal {sig}")
    if not seen.endswith(ERASE):
        problems.append(f"the progress line was not blanked out: {seen[-80:]!r}")
    for line in seen.split(b"\r"):
        if len(line) >= 40:
            problems.append(f"a progress line of {len(line)} columns: {line!r}")
    return "; ".join(problems)


def main():
    failures = 0
    for sig in (signal.SIGINT, signal.SIGTERM):
        problem = run(sys.argv[1], sig)
        print(f"{signal.Signals(sig).name}: {problem or 'blanked out, died of the signal'}")
        failures += bool(problem)
    print(f"{2 - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
