#!/usr/bin/env python3
"""Runs a test program under wine with COM<n> on a pseudo-terminal whose far
end echoes every byte back, and exits with the program's status.

    echoline.py N WINE_RUN PROGRAM [ARGUMENTS...]

WINE_RUN is scripts/windows/wine-run.sh; the program learns its port from
VARNICA_TEST_COM_PORT.
"""
import os
import select
import subprocess
import sys

from wineline import line_on_com


def main():
    port, wine_run, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    with line_on_com(port, wine_run) as (master, device):
        program = subprocess.Popen([wine_run] + command,
                                   env=dict(os.environ, VARNICA_TEST_COM_PORT=port))
        echo(master, device, program)
    sys.exit(program.returncode)


def echo(master, device, program):
    hang_up = b"<hang up>"
    recent = b""
    while program.poll() is None:
        readable, _, _ = select.select([master], [], [], 0.1)
        if readable:
            data = os.read(master, 65536)
            recent = (recent + data)[-len(hang_up):]
            if recent == hang_up:
                os.close(master)
                os.close(device)
                program.wait()
                return
            while data:
                data = data[os.write(master, data):]


if __name__ == "__main__":
    main()
