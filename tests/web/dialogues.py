#!/usr/bin/env python3
"""Random dialogues for the web page, with what the Linux tolp says to each.

The dialogues are the Windows comparison's kinds (refusals, long lines, CR LF,
lone CR, limits 0 and 1e999, both who-first answers, input that ends
mid-line), and a few games with n up to 46340. The page's input is a
terminal, where the byte 0x1A ends only the read in progress instead of the
whole input as from a pipe, so these dialogues leave it out; the browser
test plays it apart. Each is played by the Linux tolp on a pipe, named
"tolp" as the page names it, and written out as JSON: a list of
{"args", "input", "output", "status"}, bytes as Latin-1 text.

Usage: dialogues.py LINUX_TOLP COUNT [SEED] > dialogues.json
"""
import json
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows"))
from compare_dialogues import LINE_ENDS, answer, dialogue  # noqa: E402

END_OF_FILE_MARK = b"\x1a"


def large_game(rng):
    """No time to think, so that play does not depend on the clock."""
    n = rng.choice([46340, rng.randint(61, 46340)])
    lines = [str(n).encode(), rng.choice([b"h", b"c"])]
    lines += [answer(rng, False) for _ in range(rng.randint(0, 8))]
    lines += [str(rng.randint(1, n)).encode() for _ in range(rng.randint(0, 4))]
    return ["0"], b"".join(line + rng.choice(LINE_ENDS) for line in lines)


def play(linux, args, data):
    done = subprocess.run(["tolp"] + args, executable=linux, input=data,
                          stdout=subprocess.PIPE, timeout=120, check=False)
    return done.returncode, done.stdout


def main():
    linux, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 2126)
    cases = []
    for _ in range(count):
        args, data = large_game(rng) if rng.random() < 0.05 else dialogue(rng)
        data = data.replace(END_OF_FILE_MARK, b"")
        status, output = play(linux, args, data)
        cases.append({"args": args, "input": data.decode("latin-1"),
                      "output": output.decode("latin-1"), "status": status})
    json.dump(cases, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
