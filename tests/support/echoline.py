#!/usr/bin/env python3
"""Runs a test program under wine with COM<n> on a pseudo-terminal whose far
end echoes every byte back, and exits with the program's status.

    echoline.py N WINE_RUN PROGRAM [ARGUMENTS...]

WINE_RUN is scripts/windows/wine-run.sh; the program learns its port from
VARNICA_TEST_COM_PORT. Tests that run at once share wine's prefix, so each
one that needs a line has a COM number of its own.
"""
import os
import pty
import select
import subprocess
import sys
import tty


def main():
    port, wine_run, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    master, device = pty.openpty()
    tty.setraw(device)
    # The device end stays open here too: while nothing holds it, reads of
    # the master fail (EIO) and the settings made above are forgotten.
    subprocess.run([wine_run, "--com", port, os.ttyname(device)], check=True)
    program = subprocess.Popen([wine_run] + command,
                               env=dict(os.environ, VARNICA_TEST_COM_PORT=port))
    try:
        echo(master, device, program)
    finally:
        # A port whose line has gone opens nothing: the number of a closed
        # pseudo-terminal is soon another program's.
        subprocess.run([wine_run, "--com", port, "/dev/varnica-no-line"], check=False)
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
