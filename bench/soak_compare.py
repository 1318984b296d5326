#!/usr/bin/env python3
"""A long soak of the player window in compare mode (bench/soak_compare.sh).

Starts `corvane A --compare B --view side`, turns repeat on and plays, then
for MINUTES does one random action every 0.3 to 1.5 s: play keys, steps,
seeks, speeds, the compare views and the flip, zoom (keys and Ctrl + wheel),
drags of the zoomed picture, clicks and drags on the slider, clicks on the
quality graph, the 50/100/200 % sizes, full screen, and dialogs (go to frame,
cut, splice, the options sheet, the parameter dialog, the coordinate window,
help and about, the exports' file choosers), each closed again with Escape.
Every 15 s it reads the player's VmRSS and VmHWM from /proc.

Never used: the file menu's close, exit and open (the run must keep its two
files) and the manual (it would start a PDF viewer).
"""

import argparse
import random
import re
import subprocess
import sys
import threading
import time

STRIP_HEIGHT = 86   # the slider, the button row and the status line
GRAPH_HEIGHT = 140  # the quality graph under the picture
BUTTON_XS = [15, 35, 55, 75, 107, 127, 147, 167, 199, 219, 239, 259]  # centres, Capture's (239) left out below
REPEAT_X = 259
SAMPLE_SECONDS = 15


def xdo(*args, check=False):
    r = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    if check and r.returncode != 0:
        raise RuntimeError(f"xdotool {args}: {r.stderr}")
    return r.stdout.strip()


def active_window():
    return xdo("getactivewindow")


def client_geometry(wid):
    out = subprocess.run(["xwininfo", "-id", str(wid)], capture_output=True, text=True).stdout
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
    return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")


def find_player(timeout=30.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        ids = xdo("search", "--onlyvisible", "--name", "^Corvane$").split()
        if ids:
            return ids[0]
        time.sleep(0.2)
    raise RuntimeError("no player window")


def memory_mib(pid):
    """VmRSS, VmHWM and the RSS's parts: anonymous, file-backed, shared memory."""
    keys = ["VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem"]
    values = dict.fromkeys(keys, 0.0)
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            name = line.split(":")[0]
            if name in values:
                values[name] = int(line.split()[1]) / 1024
    return [values[k] for k in keys]


class Soak:
    def __init__(self, wid, rng, frames):
        self.wid = wid
        self.rng = rng
        self.frames = frames
        self.actions = 0

    def key(self, *keys):
        for k in keys:
            xdo("key", "--window", self.wid, k)
            time.sleep(0.05)

    def geometry(self):
        x, y, w, h = client_geometry(self.wid)
        return x, y, w, h

    def picture_point(self):
        x, y, w, h = self.geometry()
        # The menu bar is about 25 pixels; the graph and strip are at the bottom.
        top, bottom = y + 30, y + h - STRIP_HEIGHT - GRAPH_HEIGHT - 5
        if bottom <= top:
            bottom = top + 10
        return self.rng.randint(x + 5, x + max(6, w - 5)), self.rng.randint(top, bottom)

    def recover(self):
        """Closes whatever dialog or chooser took the focus, and any open menu."""
        for _ in range(5):
            active = active_window()
            if not active or active == self.wid:
                break
            xdo("key", "--window", active, "Escape")
            time.sleep(0.4)
        xdo("key", "--window", self.wid, "Escape")

    # The actions.
    def play_key(self):
        self.key(self.rng.choice(["space", "period", "Up", "Down", "Home", "End", "Left", "Right", "ctrl+Left",
                                  "ctrl+Right"]))

    def view_key(self):
        self.key(self.rng.choice(["a", "b", "s", "w", "d", "f", "s", "d"]))

    def zoom(self):
        if self.rng.random() < 0.5:
            self.key(*[self.rng.choice(["plus", "minus"]) for _ in range(self.rng.randint(1, 4))])
        else:
            px, py = self.picture_point()
            xdo("mousemove", px, py)
            xdo("keydown", "ctrl")
            for _ in range(self.rng.randint(1, 5)):
                xdo("click", self.rng.choice([4, 5]))
                time.sleep(0.03)
            xdo("keyup", "ctrl")

    def drag(self):
        px, py = self.picture_point()
        xdo("mousemove", px, py)
        xdo("mousedown", 1)
        for _ in range(self.rng.randint(3, 15)):
            px += self.rng.randint(-40, 40)
            py += self.rng.randint(-30, 30)
            xdo("mousemove", px, py)
            time.sleep(0.02)
        xdo("mouseup", 1)

    def graph_click(self):
        x, y, w, h = self.geometry()
        gy = y + h - STRIP_HEIGHT - self.rng.randint(5, GRAPH_HEIGHT - 5)
        xdo("mousemove", self.rng.randint(x + 2, x + w - 2), gy)
        xdo("click", 1)

    def slider(self):
        x, y, w, h = self.geometry()
        sy = y + h - STRIP_HEIGHT + 10
        xdo("mousemove", self.rng.randint(x + 5, x + w - 5), sy)
        if self.rng.random() < 0.5:
            xdo("click", 1)
        else:
            xdo("mousedown", 1)
            for _ in range(self.rng.randint(3, 12)):
                xdo("mousemove_relative", "--", self.rng.randint(-60, 60), 0)
                time.sleep(0.03)
            xdo("mouseup", 1)

    def button(self):
        x, y, w, h = self.geometry()
        bx = self.rng.choice([b for b in BUTTON_XS if b != 239])  # no stills: they would fill the disk
        xdo("mousemove", x + bx, y + h - 40)
        xdo("click", 1)

    def size(self):
        self.key(self.rng.choice(["ctrl+1", "ctrl+2", "ctrl+3", "ctrl+2"]))

    def full_screen(self):
        if self.rng.random() < 0.5:
            self.key("F2")
        else:
            px, py = self.picture_point()
            xdo("mousemove", px, py)
            xdo("click", "--repeat", 2, "--delay", 80, 1)
        time.sleep(self.rng.uniform(0.5, 2.0))
        self.key("Escape")

    def typed_frame(self):
        digits = str(self.rng.randint(1, self.frames))
        self.key(*[f"KP_{d}" for d in digits], "Return")

    def dialog(self):
        choice = self.rng.randrange(4)
        if choice == 0:
            self.key(self.rng.choice(["ctrl+g", "ctrl+t", "ctrl+m"]))
        else:
            # Through the menu bar: Alt, then to 视图 (2), 工具 (3) or 帮助 (4)
            # and an item of it. 帮助's first item (the manual) is skipped.
            menu = self.rng.choice([2, 3, 3, 4])
            item = self.rng.randint(1, 2) if menu == 4 else self.rng.randint(0, 7)
            # Menus take typed keys (XTEST), not keys sent to a window.
            xdo("windowactivate", "--sync", self.wid)
            for k in ["alt"] + ["Right"] * menu + ["Down"] * (item + 1) + ["Return"]:
                xdo("key", k)
                time.sleep(0.08)
        time.sleep(self.rng.uniform(0.8, 2.5))
        self.recover()
        for _ in range(2):  # a submenu left open holds the keyboard
            xdo("key", "Escape")
            time.sleep(0.1)

    def step(self):
        kinds = [(self.play_key, 6), (self.view_key, 4), (self.zoom, 4), (self.drag, 4), (self.graph_click, 3),
                 (self.slider, 3), (self.button, 3), (self.size, 1), (self.full_screen, 1), (self.typed_frame, 1),
                 (self.dialog, 2)]
        action = self.rng.choices([k for k, _ in kinds], weights=[w for _, w in kinds])[0]
        action()
        self.actions += 1
        if active_window() not in ("", self.wid):
            time.sleep(0.5)
            self.recover()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--corvane", required=True)
    p.add_argument("--a", required=True)
    p.add_argument("--b", required=True)
    p.add_argument("--minutes", type=float, default=30)
    p.add_argument("--frames", type=int, default=750)
    p.add_argument("--seed", type=int, default=None)
    p.add_argument("--csv", default=None)
    p.add_argument("--wrapper", default="", help="a command to start the player under (heaptrack)")
    args = p.parse_args()
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)

    cmd = args.wrapper.split() + [args.corvane, args.a, "--compare", args.b, "--view", "side"]
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wid = find_player()
    pid = int(re.search(r"= (\d+)", subprocess.run(["xprop", "-id", wid, "_NET_WM_PID"], capture_output=True,
                                                    text=True).stdout).group(1))
    time.sleep(2)
    soak = Soak(wid, rng, args.frames)
    x, y, w, h = soak.geometry()
    xdo("mousemove", x + REPEAT_X, y + h - 40)
    xdo("click", 1)
    soak.key("Down")

    samples = []
    csv = open(args.csv, "w") if args.csv else None
    header = "t_s,rss_mib,hwm_mib,anon_mib,file_mib,shmem_mib,actions"
    print(f"seed {seed}, player pid {pid}\n{header}", flush=True)
    if csv:
        print(header, file=csv, flush=True)
    start = time.monotonic()
    stop = threading.Event()
    alive = [True]

    def sampler():
        while not stop.is_set():
            t = time.monotonic() - start
            try:
                rss, hwm, anon, file_backed, shmem = memory_mib(pid)
            except OSError:
                alive[0] = False
                stop.set()
                return
            samples.append((t, rss))
            line = f"{t:.0f},{rss:.1f},{hwm:.1f},{anon:.1f},{file_backed:.1f},{shmem:.1f},{soak.actions}"
            print(line, flush=True)
            if csv:
                print(line, file=csv, flush=True)
            stop.wait(SAMPLE_SECONDS)

    thread = threading.Thread(target=sampler, daemon=True)
    thread.start()
    end = start + args.minutes * 60
    try:
        while time.monotonic() < end and not stop.is_set() and proc.poll() is None:
            try:
                soak.step()
            except (RuntimeError, AttributeError) as e:
                print(f"action failed: {e}", file=sys.stderr)
            time.sleep(rng.uniform(0.3, 1.5))
    finally:
        stop.set()
        thread.join()
    died = proc.poll() is not None
    if not died:
        proc.terminate()
        try:
            proc.wait(20)
        except subprocess.TimeoutExpired:
            proc.kill()
    err = proc.stderr.read()
    if err.strip():
        print("player's standard error:\n" + err[-4000:], file=sys.stderr)
    after_minute = [r for t, r in samples if t >= 60]
    if after_minute:
        print(f"actions {soak.actions}; RSS after the first minute: first {after_minute[0]:.1f} MiB, "
              f"min {min(after_minute):.1f}, max {max(after_minute):.1f}, last {after_minute[-1]:.1f} MiB")
    if died:
        print(f"the player ended during the run (exit {proc.returncode})", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
