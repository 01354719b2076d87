"""What the benchmarks share: settings, the baseline programs, the row
pre-fill, memory readings, statistics and the RESULT lines run.sh collects.

Every figure is a ratio of two things measured in the same run, in the same
Wine world, one right after the other, so the load of the machine (two cores,
often shared) falls on both sides alike. Each pair is measured BENCH_REPS
times, alternating which side goes first, and the median is reported.
"""
import glob
import json
import os
import statistics
import subprocess
import sys
import threading
import time

BENCH = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(BENCH, "..", "tests", "system"))

from e2e import IDS, Driver, LineReader, Viewer, wait_until  # noqa: E402,F401

ID_CLEAR, ID_FILE_SAVE = 32774, 57603
ID_FILE_IMPORT = IDS["ID_FILE_IMPORT"]
WM_NULL, WM_CLOSE = 0x0000, 0x0010

ROWS = int(os.environ.get("BENCH_ROWS", "1000000"))      # rows of a full list
REPS = int(os.environ.get("BENCH_REPS", "7"))            # pairs per figure
LINES = int(os.environ.get("BENCH_LINES", "10000"))      # lines per measured run
SENDERS = int(os.environ.get("BENCH_SENDERS", "2"))      # parallel pre-fill senders
FILL_CHUNK = 25000                                       # lines per pre-fill request
TEXT_CHARS = 100                                         # about this long, every line
VIEWER_EXE = os.environ.get("BENCH_VIEWER")              # another Orlix.exe to measure


def line_prefix(tag, index_digits=5):
    """A trace-like text that, with an index of index_digits appended, is
    TEXT_CHARS characters long."""
    base = ("%s: request done, status 200, 1432 bytes in 3.2 ms, cache hit, "
            "worker 7, queue 0, session " % tag)
    base = (base * 3)[:TEXT_CHARS - index_digits]
    return base


def mean_text_chars(prefix, count):
    """The mean length of prefix + index for index 0..count-1."""
    digits = sum(len(str(i)) for i in range(count))
    return len(prefix) + digits / count


def median(xs):
    return statistics.median(xs)


def spread(xs):
    return "median %.4g (min %.4g, max %.4g, n=%d)" % (median(xs), min(xs), max(xs), len(xs))


def result(name, value, unit="", target=None, met=None):
    """One RESULT line: the figures run.sh gathers into its summary."""
    text = "RESULT %-34s %s%s" % (name, value, (" " + unit) if unit else "")
    if target is not None:
        text += "   target %s: %s" % (target, "MET" if met else "MISSED")
    print(text, flush=True)


def load_note():
    cpus = sorted(os.sched_getaffinity(0))
    try:
        with open("/proc/loadavg") as f:
            load = " ".join(f.read().split()[:3])
    except OSError:
        load = "unknown"
    return "processors %s of %d, load average %s" % (",".join(map(str, cpus)),
                                                     os.cpu_count(), load)


# ---------------------------------------------------------------- programs ---

class BareWindow:
    """bare_window.exe: the cheapest receiver of WM_SETTEXT lines."""

    def __init__(self, world):
        self.proc = world.wine(os.path.join(world.build, "bare_window.exe"),
                               stdout=subprocess.PIPE)
        self.out = LineReader(self.proc.stdout)
        first = self.out.get(30)
        assert isinstance(first, dict) and "ready" in first, first
        self.hwnd = first["ready"]

    def close(self, drv):
        drv("post", self.hwnd, WM_CLOSE, 0, 0)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def start_viewer(world, drv):
    exe = VIEWER_EXE or os.path.join(world.build, "Orlix.exe")
    return Viewer(world, drv, exe=exe)


def clear(viewer):
    viewer.command(ID_CLEAR)
    wait_until(lambda: viewer.drv("rowcount", viewer.hwnd) == 0, timeout=60, what="empty list")


def cpu_ms(proc):
    """Processor time (user and system) the process of a Popen has used, in
    milliseconds (a Windows program under Wine is that very process)."""
    with open("/proc/%d/stat" % proc.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")


def send_run(drv, hwnd, pid, prefix, lines):
    """lines WM_SETTEXT lines from the driver; returns lines per second."""
    ms = drv("sendmany", hwnd, pid, prefix, lines, "wide", timeout=900)
    return lines / (ms / 1000.0)


def wait_shown(viewer, rows, timeout=120):
    got = viewer.drv("waitrows", viewer.hwnd, rows, int(timeout * 1000), timeout=timeout + 30)
    assert got >= rows, "the list shows %d rows, expected %d" % (got, rows)


def import_saved_list(world, viewer, rows, prefix, name="bench-import.txt"):
    """Writes a saved list of `rows` rows (prefix + a 9-digit index) and reads
    it in with File › Import, the quick way to a full list. Returns
    (seconds, the longest the window took to answer meanwhile in ms)."""
    drv = world.drv
    path = os.path.join(world.prefix, "drive_c", name)
    line = "app.exe\t1234\t12:34:56:00\t%s%09d\t\r\n"
    with open(path, "wb") as f:
        f.write(b"\xff\xfe")
        for start in range(0, rows, 100000):
            f.write("".join(line % (prefix, i) for i in range(start, min(rows, start + 100000)))
                    .encode("utf-16-le"))
    have = drv("rowcount", viewer.hwnd)
    viewer.command(ID_FILE_IMPORT)
    assert drv("savedialog", world.winpath(path), viewer.pid, 10000)
    start = time.perf_counter()
    worst = 0.0
    while drv("rowcount", viewer.hwnd) < have + rows or "%" in drv("status", viewer.hwnd, 0):
        answer = drv("ping", viewer.hwnd, 1000)
        worst = max(worst, answer if answer >= 0 else 1000.0)
        assert time.perf_counter() - start < 1800, "the import did not end"
        time.sleep(0.01)
    seconds = time.perf_counter() - start
    os.unlink(path)
    return seconds, worst


def prefill(world, viewer, pid, rows, senders=SENDERS):
    """Brings the viewer's list to `rows` more rows of TEXT_CHARS characters,
    sent by `senders` drivers at once (the viewer takes one line at a time;
    a second sender keeps it busy while the first waits for its answer).
    Returns (seconds, mean text length)."""
    chunks = [(i, min(FILL_CHUNK, rows - i * FILL_CHUNK))
              for i in range((rows + FILL_CHUNK - 1) // FILL_CHUNK)]
    chars = sum(mean_text_chars(line_prefix("fill %04d" % i), n) * n for i, n in chunks) / rows
    todo = list(reversed(chunks))
    lock = threading.Lock()
    errors = []
    done = [0]
    drivers = [Driver(world) for _ in range(senders)]
    t0 = time.time()
    next_report = [t0 + 30]

    def work(drv):
        while True:
            with lock:
                if not todo or errors:
                    return
                i, n = todo.pop()
            try:
                drv("sendmany", viewer.hwnd, pid, line_prefix("fill %04d" % i), n, "wide",
                    timeout=1800)
            except Exception as e:  # reported below, after the other senders stop
                with lock:
                    errors.append(e)
                return
            with lock:
                done[0] += n
                if time.time() >= next_report[0]:
                    next_report[0] = time.time() + 30
                    el = time.time() - t0
                    print("  pre-fill: %d of %d rows in %.0f s (%.0f lines/s)"
                          % (done[0], rows, el, done[0] / el), flush=True)

    threads = [threading.Thread(target=work, args=(d,)) for d in drivers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for d in drivers:
        d.close()
    if errors:
        raise errors[0]
    return time.time() - t0, chars


# ------------------------------------------------------------------ memory ---

def linux_pid(world, exe_name):
    """The Linux process of a Windows program of this world (its prefix)."""
    want_env = ("WINEPREFIX=" + world.prefix).encode()
    for d in glob.glob("/proc/[0-9]*"):
        try:
            with open(d + "/cmdline", "rb") as f:
                cmd = f.read().split(b"\0")[0]
            with open(d + "/environ", "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if cmd.lower().endswith(exe_name.lower().encode()) and want_env in env:
            return int(d[len("/proc/"):])
    return None


def memory(world, win_pid, exe_name="Orlix.exe"):
    """procmem.exe's view of the process, plus RssAnon of its Linux process."""
    r = world.run(os.path.join(world.build, "procmem.exe"), win_pid, capture_output=True,
                  timeout=120)
    m = json.loads(r.stdout.decode().strip().splitlines()[-1])
    if "error" in m:
        raise AssertionError("procmem: " + m["error"])
    lp = linux_pid(world, exe_name)
    if lp:
        with open("/proc/%d/status" % lp) as f:
            for line in f:
                if line.startswith(("RssAnon:", "VmRSS:")):
                    k, v = line.split(":")
                    m["linux_" + k.lower()] = int(v.split()[0]) * 1024
    return m


def settle_memory(world, win_pid, exe_name="Orlix.exe", tries=10):
    """A reading once two in a row agree within 1 MiB (the heap may still be
    giving back what a burst took)."""
    last = memory(world, win_pid, exe_name)
    for _ in range(tries):
        time.sleep(1)
        m = memory(world, win_pid, exe_name)
        if abs(m["committed_private"] - last["committed_private"]) < (1 << 20):
            return m
        last = m
    return last
