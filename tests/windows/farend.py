#!/usr/bin/env python3
"""Plays the far end of a serial line for a program that runs under wine.

    farend.py --com N -- PROGRAM.exe [ARGUMENTS...]

Makes a pseudo-terminal pair, leads wine's COMN to its terminal side
(scripts/windows/wine-run.sh --com), starts the program under wine with
VARNICA_TEST_COM_PORT=N, and then follows the exchange below, each step waiting
for what the program sends before answering. Ends with the program's exit
status, or 1 when the program sent anything else or the line went quiet.

The program (tests/windows/tst_terminalonport.cpp) does its half in the same
order: the two files change together.
"""
import argparse
import os
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from wineline import line_on_com  # noqa: E402

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                        "scripts", "windows", "wine-run.sh")
# Generous: wine starts in seconds, and the machine may be busy.
STEP_SECONDS = 60

# (what the program sends, what the far end answers). GBK "中文" is d6 d0 ce c4;
# its first character arrives split across two writes, the second waiting for
# the program to say it has counted the first byte.
EXCHANGE = [
    (b"AT+\xd6\xd0\xce\xc4", b"\xd6"),
    (b"1", b"\xd0\xce\xc4OK"),
    (b"\x01\x02\xfe\xff\x00", b"\x00\x7f\x80\xff"),
]


def expect(master, wanted, process):
    got = b""
    deadline = time.monotonic() + STEP_SECONDS
    while len(got) < len(wanted):
        left = deadline - time.monotonic()
        if left <= 0 or process.poll() is not None:
            break
        ready, _, _ = select.select([master], [], [], min(left, 0.5))
        if ready:
            got += os.read(master, len(wanted) - len(got))
    if got != wanted:
        print(f"farend: expected {wanted!r}, got {got!r}", file=sys.stderr)
        return False
    print(f"farend: got {got!r}")
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--com", type=int, required=True)
    parser.add_argument("program", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    program = [a for a in args.program if a != "--"]

    with line_on_com(args.com, WINE_RUN) as (master, _):
        env = dict(os.environ, VARNICA_TEST_COM_PORT=str(args.com))
        process = subprocess.Popen(["bash", WINE_RUN] + program, env=env)
        ok = True
        for sent, answer in EXCHANGE:
            if not expect(master, sent, process):
                ok = False
                break
            os.write(master, answer)
        try:
            status = process.wait(timeout=STEP_SECONDS * 2)
        except subprocess.TimeoutExpired:
            process.kill()
            print("farend: the program did not end", file=sys.stderr)
            status = 1
    return status if ok else 1


if __name__ == "__main__":
    sys.exit(main())
