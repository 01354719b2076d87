"""Followed log files: lines lost and the write-to-row latency of a file
written at logwriter.exe's full speed (against the same lines sent straight
to the window, the bare way in); the time to show the last 10,000 lines of a
large file (sparse, BENCH_FOLLOW_MB) and the bytes the viewer read for it
(against sending 10,000 lines); the processor time the viewer takes while a
followed file is idle (against the viewer idle without it)."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import (LINES, Driver, LineReader, clear, cpu_ms, linux_pid,  # noqa: E402
                      load_note, median, result, send_run, start_viewer, wait_shown,
                      wait_until)

ID_FOLLOW_FILE, ID_FOLLOW_STOP = 33800, 33801
BIG_MB = int(os.environ.get("BENCH_FOLLOW_MB", "1024"))
TAIL = 10000
IDLE_S = float(os.environ.get("BENCH_IDLE_S", "10"))


def setup(world):
    world.drv = Driver(world)
    world.viewer = start_viewer(world, world.drv)
    world.dir = os.path.join(world.prefix, "drive_c", "bench-logs")
    os.makedirs(world.dir, exist_ok=True)
    world.writer = world.wine(os.path.join(world.build, "logwriter.exe"), stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    world.answers = LineReader(world.writer.stdout)
    print("follow: %d lines at full speed; a %d MB file; %s" % (LINES, BIG_MB, load_note()),
          flush=True)
    return world


def teardown(world):
    world.viewer.close()
    world.writer.stdin.close()
    world.drv.close()


def write(w, *args):
    w.writer.stdin.write((" ".join(str(a) for a in args) + "\n").encode())
    w.writer.stdin.flush()
    assert w.answers.get(600) == "ok", args


def follow(w, name):
    w.viewer.command(ID_FOLLOW_FILE)
    assert w.drv("savedialog", w.winpath(os.path.join(w.dir, name)), w.viewer.pid, 10000)


def rows(w):
    return w.drv("rowcount", w.viewer.hwnd)


def io_read(w):
    with open("/proc/%d/io" % linux_pid(w, "Orlix.exe")) as f:
        return int([ln for ln in f if ln.startswith("rchar:")][0].split()[1])


def test_full_speed_file_lost_lines_and_latency(w):
    clear(w.viewer)
    t0 = time.time()
    rate_bare = send_run(w.drv, w.viewer.hwnd, 0, "bare-", LINES)
    wait_shown(w.viewer, LINES)
    bare_s = time.time() - t0
    clear(w.viewer)
    follow(w, "fast.log")   # not there yet: a row says it is waited for
    wait_until(lambda: rows(w) == 1, what="the waiting row")
    t0 = time.time()
    write(w, "lines", w.winpath(os.path.join(w.dir, "fast.log")), "fast-", LINES)
    written = time.time()
    last, progress = 0, time.time()
    while rows(w) < LINES + 1 and time.time() - progress < 60:
        if rows(w) > last:
            last, progress = rows(w), time.time()
        time.sleep(0.002)
    shown = time.time()
    time.sleep(1)
    n = rows(w)
    lost = LINES + 1 - n
    # The first and last lines in their places (reading every row back
    # cross-process takes longer than the run).
    edge = min(200, LINES)
    head = w.drv("rows", w.viewer.hwnd, 1, edge)
    tail = w.drv("rows", w.viewer.hwnd, n - edge, edge)
    order = ([r[3] for r in head] == ["fast-%d" % i for i in range(edge)] and
             [r[3] for r in tail] == ["fast-%d" % i for i in range(LINES - edge, LINES)])
    result("follow_lines_lost", lost, "lines", "0", lost == 0)
    result("follow_in_order", order)
    result("follow_last_line_latency", "%.0f" % ((shown - written) * 1000), "ms", "< 250",
           shown - written < 0.25)
    result("follow_rate_vs_sent_lines", "%.2f" % ((LINES / (shown - t0)) / (LINES / bare_s)),
           "x (writer %.0f lines/s; sent straight %.0f lines/s)" % (LINES / (written - t0), rate_bare))
    # One line at a time into an idle file: write to row.
    lat = []
    for i in range(10):
        before = rows(w)
        t = time.time()
        write(w, "append", w.winpath(os.path.join(w.dir, "fast.log")), ("one-%d\r\n" % i).encode().hex())
        while rows(w) <= before:
            time.sleep(0.005)
        lat.append(time.time() - t)
    result("follow_idle_line_latency", "%.0f" % (median(lat) * 1000), "ms (median of 10)", "< 250",
           median(lat) < 0.25)


def test_big_file_tail_and_idle_cost(w):
    clear(w.viewer)
    # The bare way to 10,000 rows, for comparison.
    t0 = time.time()
    send_run(w.drv, w.viewer.hwnd, 0, "bare-", TAIL)
    wait_shown(w.viewer, TAIL)
    bare_s = time.time() - t0
    clear(w.viewer)
    path = os.path.join(w.dir, "big.log")
    tail = b"".join(b"tail line %06d of a large log, with some text to make it longer\r\n" % i
                    for i in range(2 * TAIL))
    with open(path, "wb") as f:
        f.truncate(BIG_MB * (1 << 20) - len(tail))
        f.seek(0, 2)
        f.write(tail)
    read0 = io_read(w)
    t0 = time.time()
    follow(w, "big.log")
    wait_shown(w.viewer, TAIL, timeout=120)
    took = time.time() - t0
    read = io_read(w) - read0
    first = w.drv("rows", w.viewer.hwnd, 0, 1)[0][3]
    result("follow_tail_first_row_ok", first.startswith("tail line %06d" % TAIL))
    result("follow_big_tail_seconds", "%.2f" % took, "s", "< 1", took < 1)
    result("follow_big_tail_vs_sent", "%.2f" % (took / bare_s), "x (10,000 lines sent: %.2f s)" % bare_s)
    result("follow_big_bytes_read", "%.1f" % (read / 1e6), "MB of %d MB" % BIG_MB, "a few MB",
           read < 8e6)
    # Idle: the viewer's processor time with the followed files idle, against
    # the same viewer with nothing followed (measured after stopping them).
    proc = w.viewer.proc
    c0, t0 = cpu_ms(proc), time.time()
    time.sleep(IDLE_S)
    following = (cpu_ms(proc) - c0) / ((time.time() - t0) * 1000) * 100
    w.viewer.command(ID_FOLLOW_STOP)
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    for _ in range(2):
        w.drv("click", box["hwnd"], 1441)
    w.drv("click", box["hwnd"], 2)
    c0, t0 = cpu_ms(proc), time.time()
    time.sleep(IDLE_S)
    bare = (cpu_ms(proc) - c0) / ((time.time() - t0) * 1000) * 100
    result("follow_idle_cpu_cost", "%.2f" % (following - bare),
           "%% of a core for 2 idle files (viewer %.2f %%; nothing followed %.2f %%)" % (following, bare),
           "< 1", following - bare < 1)
