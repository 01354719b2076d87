"""Fold Repeats and ANSI Colours, end to end: two programs repeat one line
in a burst, interleaved; each program's repeats fold into one row with its
exact count while the automatic log keeps every line; turned off, every line
is a row again. ANSI sequences colour a message (read back as pixels) and
leave the text the list shows and Copy takes; the log keeps them."""
import json
import os
import subprocess

from e2e import IDS, ini_text, start_viewer, stop_viewer, wait_until
from test_find import wait_selected
from test_logging import log_on, log_off, log_lines, read

REPEATS = 1000
ESC = "\x1b"


def setup(w):
    w.logging = False
    return start_viewer(w)


teardown = stop_viewer


def test_fold_counts_every_line_logged_and_ansi_colours(w):
    path = log_on(w)
    w.viewer.command(IDS["ID_FOLD_REPEATS"])
    writers = [w.wine(os.path.join(w.build, "odswriter.exe"), "text", b"tick".hex(),
                      "--repeat", REPEATS, "--pause", 0, stdout=subprocess.PIPE)
               for _ in range(2)]
    pids = []
    for p in writers:
        out, _ = p.communicate(timeout=300)
        assert p.returncode == 0
        pids.append(str(json.loads(out.decode().splitlines()[-1])["pid"]))
    want = sorted((pid, "tick \u00d7%d" % REPEATS) for pid in pids)
    rows = lambda: sorted((r[1], r[3]) for r in w.viewer.rows())
    wait_until(lambda: rows() == want, timeout=30, what="two folded rows (have %r)" % rows()[:4])

    # Off: every line a row of its own again; on again: folded again.
    w.viewer.command(IDS["ID_FOLD_REPEATS"])
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 2 * REPEATS, what="every line shown")
    w.viewer.command(IDS["ID_FOLD_REPEATS"])
    wait_until(lambda: rows() == want, what="folded again")
    assert "FoldRepeats=1" in ini_text(w)

    # ANSI colours: the sequences leave the text; green background pixels.
    w.viewer.command(IDS["ID_ANSI_COLOURS"])
    raw = ESC + "[42mGREENBG" + ESC + "[0m plain" + ESC + "[2K"
    w.viewer.send(77, raw)
    wait_until(lambda: w.viewer.rows()[-1][3] == "GREENBG plain", what="text without sequences")
    lv = w.drv("child", w.viewer.hwnd, "SysListView32", 0xE900)
    w.drv("placewindow", w.viewer.hwnd, 40, 30, 900, 500)
    start = sum(w.drv("headerwidths", lv)["widths"][:3])
    green = lambda lo, hi: any(w.drv("rowpixel", lv, 2, x) == [0, 128, 0]
                               for x in range(lo, hi, 2))
    wait_until(lambda: green(start, start + 40), what="a green background")
    assert not green(start + 120, start + 200), "colour past the reset"
    w.drv("clearclipboard")
    w.drv("clickrow", w.viewer.hwnd, 2)
    wait_selected(w, [2])
    w.viewer.command(IDS["ID_EDIT_COPY"])
    wait_until(lambda: w.drv("clipboard") == "GREENBG plain", what="Copy without sequences")

    # The log has every line as it came, and the two writers interleaved.
    log_off(w)
    lines = log_lines(read(path))
    assert [(p, t) for _, p, _, t in lines].count((pids[0], "tick")) == REPEATS
    assert [(p, t) for _, p, _, t in lines].count((pids[1], "tick")) == REPEATS
    assert lines[-1][3] == raw and len(lines) == 2 * REPEATS + 1
    switches = sum(a[1] != b[1] for a, b in zip(lines, lines[1:2 * REPEATS]))
    assert switches > 1, "the two bursts did not interleave"
