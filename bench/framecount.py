#!/usr/bin/env python3
"""How often the receive box changes on screen while a paced line streams into it.

Starts a private Xvfb and the terminal on a pseudo-terminal (through the peer
harness's sandbox, which binds the pty over the one port the terminal lists),
opens the port, writes ASCII lines at the line's pace (a hundredth of a
second's bytes every 10 ms) and has the harness's framewatch poll the receive
box's pixels every 3 ms. Prints the changes a second and the gaps between them.

    cc -O2 -o /tmp/framewatch ../shared/peer-bench/framewatch.c -lX11
    python3 bench/framecount.py --framewatch /tmp/framewatch build/bin/varnica
"""
import argparse
import os
import pty
import subprocess
import tempfile
import threading
import time
import tty

parser = argparse.ArgumentParser()
parser.add_argument("exe")
parser.add_argument("--seconds", type=float, default=10)
parser.add_argument("--rate", type=int, default=11520, help="bytes a second")
parser.add_argument("--bench", default=os.path.join(os.path.dirname(__file__), "..", "..", "shared", "peer-bench"))
parser.add_argument("--framewatch", default="/tmp/framewatch")
parser.add_argument("--display", default=":93")
args = parser.parse_args()

xvfb = subprocess.Popen(["Xvfb", args.display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                        stderr=subprocess.DEVNULL)
master, slave = pty.openpty()
tty.setraw(slave)
home = tempfile.mkdtemp()
env = dict(os.environ, DISPLAY=args.display, HOME=home, XDG_CONFIG_HOME=home + "/.config")


def xdo(*xargs):
    return subprocess.run(["xdotool", *xargs], env=env, capture_output=True, text=True).stdout.strip()


terminal = None
try:
    for _ in range(100):  # until the server answers
        if subprocess.run(["xdotool", "getdisplaygeometry"], env=env, capture_output=True).returncode == 0:
            break
        time.sleep(0.1)
    terminal = subprocess.Popen(["unshare", "--mount", "--propagation", "private",
                                 os.path.join(args.bench, "sandbox_varnica.sh"), os.ttyname(slave),
                                 os.path.abspath(args.exe)],
                                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = ""
    for _ in range(200):
        window = xdo("search", "--onlyvisible", "--name", "Varnica")
        if window:
            break
        time.sleep(0.1)
    window = window.split()[0]
    xdo("windowfocus", "--sync", window)
    xdo("key", "alt+k")  # open the port
    geometry = dict(line.split("=") for line in xdo("getwindowgeometry", "--shell", window).splitlines())
    # The receive box RTxt: (1860, 120, 5535, 3795) twips, 15 to a pixel.
    box = [int(geometry["X"]) + 124, int(geometry["Y"]) + 8, 369, 253]
    threading.Thread(target=lambda: [os.read(master, 4096) for _ in iter(int, 1)], daemon=True).start()
    time.sleep(2.0)
    watch = subprocess.Popen([args.framewatch, args.display, *map(str, box), str(args.seconds + 3.0), "3000"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
    time.sleep(1.0)
    payload = b"".join(b"%08d ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz\r\n" % i
                       for i in range(int(args.rate * args.seconds / 59) + 2))
    per_tick = args.rate // 100
    start = time.time()
    written = 0
    tick = 0
    while time.time() - start < args.seconds:
        os.write(master, payload[written:written + per_tick])
        written += per_tick
        tick += 1
        delay = start + tick * 0.01 - time.time()
        if delay > 0:
            time.sleep(delay)
    end = time.time()
    out, polled = watch.communicate()
finally:
    if terminal:
        terminal.terminate()
        terminal.wait()
    xvfb.terminate()
    xvfb.wait()

stamps = [int(line.split()[0]) / 1e6 for line in out.splitlines()]
before = [t for t in stamps if t < start]
during = [t for t in stamps if start + 0.5 <= t <= end]  # past the stream's first, quick frames
gaps = sorted((b - a) * 1000 for a, b in zip(during, during[1:]))


def share(p):
    return gaps[min(len(gaps) - 1, int(p * len(gaps)))]


print(f"{args.rate} B/s for {args.seconds:.0f} s: {(len(during) - 1) / (during[-1] - during[0]):.1f} changes a second, "
      f"gaps median {share(0.5):.1f} ms, p95 {share(0.95):.1f} ms, max {gaps[-1]:.1f} ms "
      f"({len(before)} changes before the stream; framewatch: {polled.strip()})")
