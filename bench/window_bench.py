#!/usr/bin/env python3
"""The player window against mpv, both playing the same raw clip under Xvfb.

Started by bench/window_bench.sh, which makes the clips, starts the X server
and checks the tools; see docs/PERFORMANCE.md, "Player window against mpv".

Corvane: the real program plays the clip from its command line; the window is
resized with xdotool so that the picture area is 1280x720, its repeat and
"faster" buttons are clicked, and after a settling pause the process's CPU
time (/proc/PID/stat) is read at the start and the end of a window of
SECONDS (the X server's CPU time too); the frames counted are the widget's own record of the pictures it
was handed and painted inside that window (CORVANE_STATS_FILE, written when
the window is closed: WM_DELETE_WINDOW, as a window manager's close button).
Peak memory is VmHWM at the end; beside it the part of the resident memory
that is the clip's own pages mapped from the page cache (RssFile), which the
kernel can take back at any time.

mpv: two runs that play the clip L and 2L times (--loop-file; mpv 0.35 never
ends when --frames and --loop-file are given together), timed by
/usr/bin/time; the rate and the CPU per frame come from the difference of the
two runs, so start-up is not counted. Frames dropped (decoder and output, read
by a small script at shutdown) are not counted as shown. Peak memory is the
larger maximum resident set of the two.
"""

import argparse
import ctypes
import ctypes.util
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

CLIP_FPS = 25.0
STRIP_HEIGHT = 86  # PlayerWindow::kStripHeight: slider, buttons, status line
# Button centres in the strip, x from the left, y from the window's bottom:
# LayoutControls puts the buttons at H - 50 in 20x20 squares.
BTN_FAST_X, BTN_REPEAT_X, BTN_Y_FROM_BOTTOM = 147, 259, 40
PIC_W, PIC_H = 1280, 720
CLK_TCK = os.sysconf("SC_CLK_TCK")


def xdo(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True, text=True).stdout


def window_size(wid):
    m = re.search(r"Geometry: (\d+)x(\d+)", xdo("getwindowgeometry", wid))
    return int(m.group(1)), int(m.group(2))


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK  # utime, stime


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def file_rss_kib(pid):
    """The resident pages that are the file's own pages, mapped from the page
    cache (no memory of the process's own), at the time of the call."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("RssFile:"):
                return int(line.split()[1])
    return 0


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def close_window(wid):
    """Sends the window the WM_DELETE_WINDOW message a window manager sends
    for its close button (there is no window manager here); libX11 through
    ctypes, so that nothing beyond Xlib is needed."""
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(_XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        raise RuntimeError("cannot open the X display")
    event = _XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = wid
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, wid, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def find_window(pid, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], capture_output=True, text=True)
        ids = r.stdout.split()
        if ids:
            return ids[0]
        time.sleep(0.1)
    raise RuntimeError("corvane: no window")


def tick_ms(speed_ups):
    # The player's clock ticks every interval / speed whole milliseconds
    # (FrameClock::PeriodFor): 40 ms at speed 16 gives 2 ms, 500 ticks a second.
    return max(1, int(1000.0 / CLIP_FPS / 2**speed_ups))


def run_corvane(exe, clip, w, h, speed_ups, seconds, tmp, xpid):
    stats = os.path.join(tmp, "stats.txt")
    if os.path.exists(stats):
        os.remove(stats)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", HOME=os.path.join(tmp, "home"), CORVANE_STATS_FILE=stats)
    env.pop("XDG_CONFIG_HOME", None)
    os.makedirs(env["HOME"], exist_ok=True)
    proc = subprocess.Popen([exe, clip], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        try:
            wid = find_window(proc.pid)
        except RuntimeError:
            proc.kill()
            raise RuntimeError(f"corvane: no window (exit {proc.wait()}): {proc.stderr.read()[-800:]}")
        # The window sizes itself to the frame once the file is open.
        end = time.monotonic() + 10
        while time.monotonic() < end:
            ww, wh = window_size(wid)
            if ww == w:
                break
            time.sleep(0.1)
        ww, wh = window_size(wid)
        menu = wh - h - STRIP_HEIGHT  # the menu bar; there is no window manager, so no frame
        if ww != w or menu <= 0 or menu > 80:
            raise RuntimeError(f"corvane: window {ww}x{wh} does not hold a {w}x{h} picture")
        xdo("windowsize", wid, PIC_W, PIC_H + STRIP_HEIGHT + menu)
        time.sleep(0.5)
        ww, wh = window_size(wid)
        if (ww, wh) != (PIC_W, PIC_H + STRIP_HEIGHT + menu):
            raise RuntimeError(f"corvane: resize gave {ww}x{wh}")
        y = wh - BTN_Y_FROM_BOTTOM
        xdo("mousemove", "--window", wid, BTN_REPEAT_X, y, "click", "1")
        for _ in range(speed_ups):
            time.sleep(0.1)
            xdo("mousemove", "--window", wid, BTN_FAST_X, y, "click", "1")
        xdo("mousemove", "--window", wid, PIC_W // 2, PIC_H // 2)  # off the buttons: no tooltip
        time.sleep(2.0)
        t0, c0, x0 = time.monotonic(), cpu_seconds(proc.pid), cpu_seconds(xpid)
        time.sleep(seconds)
        t1, c1, x1 = time.monotonic(), cpu_seconds(proc.pid), cpu_seconds(xpid)
        rss = peak_rss_kib(proc.pid)
        rss_file = file_rss_kib(proc.pid)
        # Closed as a window manager closes a window (WM_DELETE_WINDOW), as
        # 文件 › 退出 does, so that the window's destructor runs and writes
        # the record; the menu's items do not matter.
        close_window(int(wid))
        proc.wait(timeout=15)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    presents = paints = 0
    with open(stats) as f:
        for line in f:
            kind, ns = line.split()
            if t0 <= int(ns) / 1e9 <= t1:
                if kind == "present":
                    presents += 1
                else:
                    paints += 1
    dt = t1 - t0
    return {
        "wall": dt,
        "presented": presents,
        "painted": paints,
        "cpu": c1 - c0,
        "xcpu": x1 - x0,
        "rss_kib": rss,
        "rss_file_kib": rss_file,
    }


MPV_COUNT_LUA = """
local drops, vodrops = 0, 0
mp.observe_property("frame-drop-count", "number", function(_, v) if v then drops = v end end)
mp.observe_property("vo-drop-frame-count", "number", function(_, v) if v then vodrops = v end end)
mp.register_event("shutdown", function()
  io.stderr:write(string.format("mpvdrops %d %d\\n", drops, vodrops))
end)
"""


def run_mpv_once(clip, w, h, clip_frames, plays, extra, tmp, xpid):
    lua = os.path.join(tmp, "count.lua")
    with open(lua, "w") as f:
        f.write(MPV_COUNT_LUA)
    cmd = ["/usr/bin/time", "-f", "TIME %e %U %S %M", "mpv", "--no-config", "--vo=x11", "--demuxer=rawvideo",
           f"--demuxer-rawvideo-w={w}", f"--demuxer-rawvideo-h={h}", "--demuxer-rawvideo-mp-format=yuv420p",
           f"--demuxer-rawvideo-fps={CLIP_FPS:g}", f"--geometry={PIC_W}x{PIC_H}", f"--autofit={PIC_W}x{PIC_H}",
           f"--loop-file={plays - 1}", "--really-quiet", f"--script={lua}", *extra, clip]
    x0 = cpu_seconds(xpid)
    r = subprocess.run(cmd, capture_output=True, text=True, env=dict(os.environ, HOME=os.path.join(tmp, "home")))
    xcpu = cpu_seconds(xpid) - x0
    m = re.search(r"TIME (\S+) (\S+) (\S+) (\d+)", r.stderr)
    if r.returncode != 0 or not m:
        raise RuntimeError(f"mpv failed: {r.stderr[-500:]}")
    d = re.search(r"mpvdrops (\d+) (\d+)", r.stderr)
    dropped = int(d.group(1)) + int(d.group(2)) if d else 0
    return {"wall": float(m.group(1)), "cpu": float(m.group(2)) + float(m.group(3)), "rss_kib": int(m.group(4)),
            "xcpu": xcpu, "shown": clip_frames * plays - dropped}


def run_mpv(clip, w, h, clip_frames, plays, extra, tmp, xpid):
    a = run_mpv_once(clip, w, h, clip_frames, plays, extra, tmp, xpid)
    b = run_mpv_once(clip, w, h, clip_frames, 2 * plays, extra, tmp, xpid)
    frames = clip_frames * plays
    dt = b["wall"] - a["wall"]
    shown = b["shown"] - a["shown"]
    return {"wall": dt, "requested": frames, "presented": shown, "painted": shown,
            "cpu": b["cpu"] - a["cpu"], "xcpu": b["xcpu"] - a["xcpu"], "rss_kib": max(a["rss_kib"], b["rss_kib"]),
            "note": f"{frames}/{2 * frames} frames: {a['wall']:.2f}/{b['wall']:.2f} s, "
                    f"{a['cpu']:.2f}/{b['cpu']:.2f} s CPU, shown {a['shown']}/{b['shown']}"}


def row(name, req_fps, r):
    fps = r["painted"] / r["wall"] if r["wall"] > 0 else 0.0
    share = f"{100.0 * r['painted'] / (req_fps * r['wall']):.1f} %" if req_fps else "-"
    cpu_ms = 1000.0 * r["cpu"] / r["painted"] if r["painted"] else float("nan")
    x_ms = 1000.0 * r["xcpu"] / r["painted"] if r["painted"] else float("nan")
    pres = f"{r['presented'] / r['wall']:.1f}" if r["wall"] > 0 else "-"
    print(f"| {name} | {req_fps if req_fps else 'max'} | {pres} | {fps:.1f} | {share} | "
          f"{100.0 * r['cpu'] / r['wall']:.0f} % | {cpu_ms:.2f} | {x_ms:.2f} | {r['rss_kib'] / 1024:.0f} | "
          f"{'%.0f' % (r['rss_file_kib'] / 1024) if 'rss_file_kib' in r else '-'} |",
          flush=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--corvane", required=True)
    ap.add_argument("--clip1080", required=True)
    ap.add_argument("--clip2160", required=True)
    ap.add_argument("--seconds", type=float, default=10.0)
    ap.add_argument("--xvfb-pid", type=int, required=True)
    args = ap.parse_args()
    # Beside the clips, so that the shell script's clean-up removes it as well.
    tmp = tempfile.mkdtemp(prefix="run.", dir=os.path.dirname(os.path.abspath(args.clip1080)))
    os.makedirs(os.path.join(tmp, "home"), exist_ok=True)

    print(f"Picture {PIC_W}x{PIC_H}, clips I420 at {CLIP_FPS:g} fps; Corvane measured over {args.seconds:g} s.")
    print("| run | requested frames/s | handed to the window /s | shown frames/s | shown / requested "
          "| CPU (% of a core) | CPU ms per shown frame | X server CPU ms per shown frame | peak RSS MiB "
          "| of it the file's pages at the end, MiB |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    notes = []
    for size, clip, w, h, n in (("1920x1080", args.clip1080, 1920, 1080, 100),
                                ("3840x2160", args.clip2160, 3840, 2160, 25)):
        for speed_ups in (4, 0):
            r = run_corvane(args.corvane, clip, w, h, speed_ups, args.seconds, tmp, args.xvfb_pid)
            row(f"Corvane {size} speed {2**speed_ups}", 1000.0 / tick_ms(speed_ups), r)
        for name, frames, extra, req in (("--untimed", 400 if n == 100 else 100, ["--untimed"], 0),
                                         ("--speed=16", 1000 if n == 100 else 400, ["--speed=16"], CLIP_FPS * 16),
                                         ("speed 1", 100, [], CLIP_FPS)):
            r = run_mpv(clip, w, h, n, frames // n, extra, tmp, args.xvfb_pid)
            notes.append(f"mpv {size} {name}: {r['note']}")
            row(f"mpv {size} {name}", req, r)
    for n in notes:
        print(n)
    subprocess.run(["rm", "-rf", tmp])


if __name__ == "__main__":
    sys.exit(main())
