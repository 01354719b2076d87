"""Views of one capture: what views and their rules cost.

- the viewer's processor time per incoming line with one view, then with one
  more view of 16 rules, then with ten such views (each against the first);
- a burst of lines into ten views of 16 rules: every line arrives, and the
  rate against a bare window;
- a new view of 16 rules worked out over the full list (BENCH_ROWS rows):
  seconds, and the longest the window took to answer meanwhile;
- the filter box at the full list: how long each key holds the window.

Run by the harness (bench/run.sh views); the figures are RESULT lines.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchlib import (LINES, ROWS, BareWindow, Driver, clear, cpu_ms,  # noqa: E402
                      import_saved_list, line_prefix, load_note, median, result, send_run,
                      spread, start_viewer, wait_shown, wait_until)

from e2e import IDS  # noqa: E402

BURST = int(os.environ.get("BENCH_BURST", "100000"))
RUN_PREFIX = line_prefix("views")

# Sixteen rules that look at every line and keep it (excludes and highlights
# of text no line holds, regular expressions among them).
RULES = ["rule=exclude,text,contains,-,000000,FFFF99,no such text %d" % i for i in range(6)] + \
        ["rule=highlight,text,regex,-,000000,FFFF99,zz%d\\d{3}q" % i for i in range(6)] + \
        ["rule=exclude,process,equals,-,000000,FFFF99,nobody%d.exe" % i for i in range(2)] + \
        ["rule=track,text,word,-,000000,FFFF99,nowhere%d" % i for i in range(2)]


def setup(world):
    world.drv = Driver(world)
    world.bare = BareWindow(world)
    world.viewer = start_viewer(world, world.drv)
    world.preset = os.path.join(world.prefix, "drive_c", "sixteen.orlixview")
    with open(world.preset, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("name=Sixteen\n" + "\n".join(RULES) + "\n")
    print("views: %d lines a run; %d rows when full; %s" % (LINES, ROWS, load_note()), flush=True)
    return world


def teardown(world):
    world.viewer.close(timeout=120)
    world.bare.close(world.drv)
    world.drv.close()


def add_view(w):
    v, drv = w.viewer, w.drv
    before = len(drv("dialogs", v.pid))
    v.command(IDS["ID_VIEW_LOAD_RULES"])
    assert drv("savedialog", w.winpath(w.preset), v.pid, 10000)
    wait_until(lambda: len(drv("dialogs", v.pid)) == before, what="open dialog closed")


def cpu_per_line(w, runs=3):
    """The viewer's own processor time per line (microseconds), median of runs."""
    v, drv = w.viewer, w.drv
    out = []
    for _ in range(runs):
        clear(v)
        time.sleep(0.3)
        c0 = cpu_ms(v.proc)
        send_run(drv, v.hwnd, v.pid, RUN_PREFIX, LINES)
        wait_shown(v, LINES)
        out.append((cpu_ms(v.proc) - c0) * 1000.0 / LINES)
    return median(out)


def test_processor_time_per_line_by_views(w):
    one = cpu_per_line(w)
    add_view(w)
    two = cpu_per_line(w)
    for _ in range(8):
        add_view(w)
        w.viewer.command(IDS["ID_VIEW_NEXT"])
    ten = cpu_per_line(w)
    result("views.cpu_us_per_line_one_view", "%.1f" % one, "us")
    result("views.extra_view_cost", "%.3f" % (two / one - 1),
           "(processor time per line with a second view of 16 rules, over one view)",
           "<= 0.10", two / one - 1 <= 0.10)
    result("views.cpu_us_per_line_ten_views", "%.1f" % ten, "us (%.2fx one view)" % (ten / one))


def test_burst_into_ten_views(w):
    v, drv = w.viewer, w.drv
    clear(v)
    time.sleep(0.3)
    bare = send_run(drv, w.bare.hwnd, v.pid, RUN_PREFIX, BURST)
    rate = send_run(drv, v.hwnd, v.pid, RUN_PREFIX, BURST)
    wait_shown(v, BURST, timeout=300)
    got = drv("rowcount", v.hwnd)
    result("views.burst_lines_lost", "%d" % (BURST - got), "of %d into ten views" % BURST,
           "0", got == BURST)
    result("views.burst_rate_ratio", "%.2f" % (rate / bare),
           "(%.0f lines/s against a bare window's %.0f)" % (rate, bare), ">= 0.8",
           rate / bare >= 0.8)


def test_refilter_and_filter_box_at_the_full_list(w):
    v, drv = w.viewer, w.drv
    clear(v)
    have = 0
    if ROWS:   # read in from a saved list: far quicker than sending them
        import_saved_list(w, v, ROWS, line_prefix("fill", 9))
        have = drv("rowcount", v.hwnd)
    # A new view of sixteen rules over every row, from when it is made.
    add_view(w)
    start = time.perf_counter()
    lists = [c for c in range(0xE900, 0xE900 + 16)
             if drv("child", v.hwnd, "SysListView32", c)]
    newest = drv("child", v.hwnd, "SysListView32", lists[-1])
    worst = 0.0
    while drv("rowcount", newest) < have:
        answer = drv("ping", v.hwnd, 1000)
        worst = max(worst, answer if answer >= 0 else 1000.0)
        assert time.perf_counter() - start < 600, "the new view did not fill"
    seconds = time.perf_counter() - start
    per_million = seconds * 1e6 / max(have, 1)
    result("views.refilter_seconds_per_million_rows", "%.2f" % per_million,
           "s (%d rows, 16 rules)" % have, "<= 0.2", per_million <= 0.2)
    result("views.refilter_worst_answer_ms", "%.0f" % worst, "ms", "<= 100", worst <= 100)
    # The filter box: each key starts the view's rows over; the window is
    # held only for the key itself.
    v.command(IDS["ID_VIEW_FILTER_BOX"])
    edit = drv("child", v.hwnd, "Edit", 1430)
    keys = []
    for text in ("s", "se", "ses", "sess", "sessi", "sessio", "session"):
        t0 = time.perf_counter()
        drv("settext", edit, text)
        keys.append((time.perf_counter() - t0) * 1000)
    result("views.filter_box_key_ms", "%.0f" % max(keys), "ms the longest key held the window (%s)"
           % spread(keys), "<= 100", max(keys) <= 100)
