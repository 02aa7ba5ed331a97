"""A serial line for a program under wine: a pseudo-terminal pair whose
terminal side wine offers as COM<n> (scripts/windows/wine-run.sh --com).

Tests that run at once share wine's prefix, so each one that needs a line has
a COM number of its own.
"""
import contextlib
import os
import subprocess
import tty


@contextlib.contextmanager
def line_on_com(port, wine_run):
    """Yields (master, device): the far end to play, and the terminal side.

    The device end stays open here too: while nothing holds it, reads of the
    master fail (EIO) and the settings made here are forgotten. Bytes pass
    unchanged whatever the program's own settings do meanwhile.
    """
    master, device = os.openpty()
    tty.setraw(device)
    subprocess.run(["bash", wine_run, "--com", str(port), os.ttyname(device)], check=True)
    try:
        yield master, device
    finally:
        # A port whose line has gone opens nothing: the number of a closed
        # pseudo-terminal is soon another program's.
        subprocess.run(["bash", wine_run, "--com", str(port), "/dev/varnica-no-line"],
                       check=False)
