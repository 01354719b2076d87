"""Debug-output writer cost: the mean time one OutputDebugStringA call takes
in odswriter.exe (stalls included) while Orlix.exe reads the system debug
channel, against the same writer while bare_reader.exe reads it; with an
empty list and with BENCH_ROWS rows; and the longest single call while the
viewer saves a list of BENCH_ROWS rows.

Only one reader may hold the channel at a time, so the viewer is started and
closed around each empty-list pair, and the full-list runs are bracketed by
bare-reader runs just before the viewer starts and just after it closes.
"""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import (ID_FILE_SAVE, LINES, REPS, ROWS, WM_NULL, Driver,  # noqa: E402
                      LineReader, line_prefix, load_note, median, prefill, result, spread,
                      start_viewer, wait_shown, wait_until)

WRITE_PREFIX = line_prefix("debug")
# Lines the writer keeps writing while a save runs: more than the viewer's
# debug queue holds, so a save that stops the intake shows as a stall.
SAVE_LINES = int(os.environ.get("BENCH_SAVE_LINES", "40000"))


def setup(world):
    world.drv = Driver(world)
    world.figures = {}
    print("debug output: %d reps of %d lines of %d characters; %d rows when full; %s"
          % (REPS, LINES, len(WRITE_PREFIX) + 4, ROWS, load_note()), flush=True)
    return world


def teardown(world):
    world.drv.close()


def write(w, lines, timeout=900):
    """One odswriter run; its report (count, total_ms, max_ms)."""
    r = w.run(os.path.join(w.build, "odswriter.exe"), "lines", lines, WRITE_PREFIX,
              "--pause", "0", capture_output=True, timeout=timeout)
    assert r.returncode == 0, r.stderr
    rep = json.loads(r.stdout.decode().strip().splitlines()[-1])
    rep["mean_us"] = rep["total_ms"] / rep["count"] * 1000.0
    return rep


def bare_run(w):
    """The writer against bare_reader.exe, the only reader of the channel."""
    p = w.wine(os.path.join(w.build, "bare_reader.exe"), "--seconds", "900", "--count",
               str(LINES), stdout=subprocess.PIPE)
    out = LineReader(p.stdout)
    ready = out.get(30)
    assert ready.get("ready") and not ready.get("existing"), \
        "another reader holds the debug channel: %s" % ready
    rep = write(w, LINES)
    end = out.get(60)
    p.wait(30)
    assert end.get("count") == LINES, end
    return rep


def close_viewer(v):
    v.close(timeout=180)


def test_writer_cost_empty_list(w):
    orlix, bare = [], []
    for rep in range(REPS):
        order = ("bare", "orlix") if rep % 2 == 0 else ("orlix", "bare")
        for side in order:
            if side == "bare":
                bare.append(bare_run(w))
            else:
                v = start_viewer(w, w.drv)
                time.sleep(0.5)
                orlix.append(write(w, LINES))
                wait_shown(v, LINES)
                close_viewer(v)
        print("  rep %d: bare reader %.1f us/call (max %.1f ms), Orlix %.1f us/call "
              "(max %.1f ms), ratio %.3f"
              % (rep + 1, bare[-1]["mean_us"], bare[-1]["max_ms"], orlix[-1]["mean_us"],
                 orlix[-1]["max_ms"], orlix[-1]["mean_us"] / bare[-1]["mean_us"]), flush=True)
    w.figures["empty"] = (orlix, bare)


def test_writer_cost_full_list(w):
    # The bare-reader runs just before the viewer starts.
    before = [bare_run(w) for _ in range((REPS + 1) // 2)]
    v = start_viewer(w, w.drv)
    w.viewer = v
    seconds, chars = prefill(w, v, v.pid, ROWS)
    wait_shown(v, ROWS, timeout=300)
    print("pre-fill: %d rows of %.1f characters in %.1f s" % (ROWS, chars, seconds), flush=True)
    orlix = []
    for rep in range(REPS):
        shown = w.drv("rowcount", v.hwnd)
        orlix.append(write(w, LINES))
        wait_shown(v, shown + LINES)
        time.sleep(0.3)
        print("  rep %d: Orlix %.1f us/call (max %.1f ms)"
              % (rep + 1, orlix[-1]["mean_us"], orlix[-1]["max_ms"]), flush=True)
    w.figures["full"] = (orlix, before)
    w.figures["fill"] = (seconds, chars)


def save_list(w, path, during=None):
    """File › Save of the viewer's list to `path`; `during` (a callable) runs
    while the save dialog is up. Seconds from the file's appearance until
    the window answers again, and the file's size."""
    v = w.viewer
    if os.path.exists(path):
        os.unlink(path)
    v.command(ID_FILE_SAVE)
    assert w.drv("waitdialog", None, v.pid, 20000), "no save dialog"
    if during:
        during()
    assert w.drv("savedialog", w.winpath(path), v.pid, 20000)
    wait_until(lambda: os.path.exists(path), timeout=60, interval=0.002, what="the saved file")
    t0 = time.time()
    # The user-interface thread saves: it answers again once the file is written.
    while True:
        try:
            w.drv("sendmsg", v.hwnd, WM_NULL, 0, 0, timeout=120)
            break
        except Exception:  # no answer within the driver's 10 s: still saving
            continue
    return time.time() - t0, os.path.getsize(path)


def plain_write_seconds(w, path, size, block=64 * 1024):
    """The least a save could take: the same bytes, one WriteFile per 64 KiB
    (or per `block` bytes)."""
    if os.path.exists(path):
        os.unlink(path)
    for attempt in (1, 2):
        r = w.run(os.path.join(w.build, "procmem.exe"), "--write", w.winpath(path), size, block,
                  capture_output=True, timeout=600)
        out = r.stdout.decode(errors="replace").strip()
        if out:
            break
        # Every path of procmem prints a line: nothing at all means the
        # program never ran (once, in a loaded clean-clone run). Said, and
        # tried once more.
        print("procmem --write printed nothing (attempt %d, exit %s): %s" % (
            attempt, r.returncode, r.stderr.decode(errors="replace")[-2000:]), flush=True)
        if os.path.exists(path):
            os.unlink(path)
    assert out, "procmem --write printed nothing twice"
    base = json.loads(out.splitlines()[-1])
    assert "ms" in base, base
    os.unlink(path)
    return base["ms"] / 1000.0


def test_longest_call_while_saving(w):
    v = w.viewer
    rows = w.drv("rowcount", v.hwnd)
    path = os.path.join(w.prefix, "drive_c", "bench-save.txt")
    started = []

    def start_writer():
        started.append(w.wine(os.path.join(w.build, "odswriter.exe"), "lines", SAVE_LINES,
                              WRITE_PREFIX, "--pause", "0", stdout=subprocess.PIPE))
        time.sleep(1.0)  # the writer is in its stride when the save begins

    save_s, size = save_list(w, path, start_writer)
    out, _ = started[0].communicate(timeout=900)
    rep = json.loads(out.decode().strip().splitlines()[-1])
    time.sleep(1)
    got = w.drv("waitrows", v.hwnd, rows + SAVE_LINES, 60000, timeout=120) - rows
    os.unlink(path)
    w.figures["save_base"] = plain_write_seconds(w, path, size)
    w.figures["save"] = (save_s, size, rep, got, rows)
    print("save: %d rows, %.0f MiB in %.1f s; writer: %d calls, mean %.1f us, max %.1f ms; "
          "%d of %d lines reached the list"
          % (rows, size / 1048576.0, save_s, rep["count"], rep["total_ms"] / rep["count"] * 1000,
             rep["max_ms"], got, SAVE_LINES), flush=True)
    # The same list again with nothing else running: what the save itself costs.
    quiet = []
    for _ in range(3):
        seconds, qsize = save_list(w, path)
        os.unlink(path)
        quiet.append((seconds, plain_write_seconds(w, path, qsize), qsize,
                      plain_write_seconds(w, path, qsize, 1 << 20)))
    w.figures["save_quiet"] = quiet
    close_viewer(v)
    # The bare-reader runs just after the viewer has closed.
    after = [bare_run(w) for _ in range(REPS // 2 + 1)]
    w.figures["after"] = after
    report(w)


def report(w):
    eo, eb = w.figures["empty"]
    fo, before = w.figures["full"]
    after = w.figures["after"]
    save_s, size, srep, got, rows = w.figures["save"]
    ratios = [o["mean_us"] / b["mean_us"] for o, b in zip(eo, eb)]
    bare_full = [b["mean_us"] for b in before + after]
    print("empty list: Orlix %s us/call; bare reader %s us/call; ratio %s"
          % (spread([o["mean_us"] for o in eo]), spread([b["mean_us"] for b in eb]),
             spread(ratios)))
    print("full list: Orlix %s us/call; bare reader (around it) %s us/call"
          % (spread([o["mean_us"] for o in fo]), spread(bare_full)))
    print("--- debug output, %s" % load_note())
    result("debugout.orlix_us_per_call_empty", "%.1f" % median([o["mean_us"] for o in eo]), "us")
    result("debugout.bare_us_per_call_empty", "%.1f" % median([b["mean_us"] for b in eb]), "us")
    result("debugout.ratio_empty", "%.3f" % median(ratios), "(Orlix / bare reader)", "<= 1.15",
           median(ratios) <= 1.15)
    full_ratio = median([o["mean_us"] for o in fo]) / median(bare_full)
    result("debugout.orlix_us_per_call_full", "%.1f" % median([o["mean_us"] for o in fo]),
           "us (%d rows)" % ROWS)
    result("debugout.bare_us_per_call_full", "%.1f" % median(bare_full),
           "us (just before and after)")
    result("debugout.ratio_full", "%.3f" % full_ratio, "(Orlix / bare reader)", "<= 1.15",
           full_ratio <= 1.15)
    result("debugout.max_call_ms_empty", "%.1f" % max(o["max_ms"] for o in eo),
           "ms (bare reader: %.1f ms)" % max(b["max_ms"] for b in eb))
    result("debugout.max_call_ms_full", "%.1f" % max(o["max_ms"] for o in fo),
           "ms (bare reader: %.1f ms)" % max(b["max_ms"] for b in before + after))
    result("debugout.save_seconds", "%.1f" % save_s,
           "s to save %d rows (%.0f MiB) while a writer writes" % (rows, size / 1048576.0))
    base = w.figures["save_base"]
    result("debugout.save_write_seconds", "%.2f" % base,
           "s to write the same bytes, one WriteFile per 64 KiB")
    result("debugout.save_with_writer_over_write", "%.2f" % (save_s / base),
           "(the writer and the viewer's reader share the processors with the save)")
    quiet = w.figures["save_quiet"]
    q_ratio = median([q[0] / q[1] for q in quiet])
    result("debugout.save_quiet_seconds", "%.2f" % median([q[0] for q in quiet]),
           "s (%s) to save the same list, nothing else running; plain writes %s s"
           % (spread([q[0] for q in quiet]), spread([q[1] for q in quiet])))
    # The save itself writes 1 MiB a call: the same bytes written that way.
    result("debugout.save_over_write_1mib", "%.2f" % median([q[0] / q[3] for q in quiet]),
           "(quiet save / plain writes of 1 MiB a call, %s s)" % spread([q[3] for q in quiet]))
    result("debugout.save_over_write", "%.2f" % q_ratio, "(quiet save / plain writes)", "<= 2",
           q_ratio <= 2)
    result("debugout.max_call_ms_while_saving", "%.1f" % srep["max_ms"],
           "ms (writer mean %.1f us over %d calls; %d of %d lines reached the list)"
           % (srep["total_ms"] / srep["count"] * 1000, srep["count"], got, SAVE_LINES))
