"""Views of one capture, end to end: presets loaded from files open views
with their rules (one process, a regular expression, an exclusion with a
token colour, a stop), live lines reach each view as its rules say (read
from each view's own list), a token colours only the matched text, a stop
turns auto-scroll off, the views come back after a restart and /view opens
one from the command line."""
import os
import time

from e2e import IDS, Viewer, ini_text, start_viewer, stop_viewer, wait_until

setup = start_viewer
teardown = stop_viewer

PANE_FIRST = 0xE900
GREEN = [0, 255, 0]
PRESETS = {
    "only111": "name=Only 111\nrule=include,pid,equals,-,000000,FFFF99,111\n",
    "errors": "# errors of any process\nrule=include,text,regex,-,000000,FFFF99,err\\d+\n",
    "quiet": ("name=Quiet\nrule=exclude,text,contains,-,000000,FFFF99,noise\n"
              "rule=token,text,contains,c,000000,00FF00,TOKEN\n"
              "rule=stop,text,contains,-,000000,FFFF99,STOP\n"),
}


def preset(w, name):
    path = os.path.join(w.prefix, "drive_c", name + ".orlixview")
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(PRESETS[name])
    return path


def load(w, path):
    views = len(w.drv("dialogs", w.viewer.pid))
    w.viewer.command(IDS["ID_VIEW_LOAD_RULES"])
    assert w.drv("savedialog", w.winpath(path), w.viewer.pid, 10000)
    # The file window is gone before the next command.
    wait_until(lambda: len(w.drv("dialogs", w.viewer.pid)) == views, what="open dialog closed")


def view_list(w, index):
    return w.drv("child", w.viewer.hwnd, "SysListView32", PANE_FIRST + index)


def texts(w, index):
    lv = view_list(w, index)
    return [r[3] for r in w.drv("rows", lv, 0, -1)]


def wait_texts(w, index, want):
    wait_until(lambda: texts(w, index) == want, timeout=15,
               what="view %d shows %r (has %r)" % (index, want, texts(w, index)))


def test_timeline_draws_each_second_and_moves_and_narrows_the_list(w):
    v = w.viewer
    v.command(IDS["ID_VIEW_TIMELINE"])
    strip = w.drv("child", v.hwnd, "OrlixTimeline")
    try:
        timeline_cases(w, v, strip)
    finally:   # the next case starts from an empty list and no strip
        v.command(IDS["ID_VIEW_TIMELINE"])
        v.command(IDS["ID_CLEAR"])
    wait_until(lambda: not w.drv("visible", strip) and v.settled_rows() == [], what="off")


def timeline_cases(w, v, strip):
    wait_until(lambda: w.drv("visible", strip), what="the timeline strip")
    # Lines in three seconds: 2, then 7, then 1.
    groups = [["a%d" % i for i in range(2)], ["b%d" % i for i in range(7)], ["c0"]]
    for texts_of_second in groups:
        time.sleep(1.05 - time.time() % 1)
        for t in texts_of_second:
            v.send(7, t)
    rows = v.wait_rows(10)
    clock = [sum(int(x) * m for x, m in zip(r[2].split(":")[:3], (3600, 60, 1))) for r in rows]
    n = clock[-1] - clock[0] + 1
    count = [clock.count(clock[0] + i) for i in range(n)]
    _, _, width, height = w.drv("rect", strip, "client")
    left, right, bottom = 4, width - 4, height - 14

    def x_of(second, at=0.5):
        return int(left + (second + at) * (right - left) / n)

    def y_at(share):   # the height of `share` of the busiest second's bar
        return int(bottom - (bottom - 2) * share)
    # The one process's colour at the foot of each second with lines, as high
    # as its share of the busiest second and no higher.
    blue = [31, 119, 180]
    peak = max(count)

    def bars_right():   # the strip follows the lines within a refresh or two
        return all((not c or w.drv("pixel", strip, x_of(i), y_at(c / peak - 0.1)) == blue) and
                   (c >= peak * 0.7 or w.drv("pixel", strip, x_of(i), y_at(c / peak + 0.2)) != blue)
                   for i, c in enumerate(count))
    wait_until(bars_right, what="bars of %r lines a second" % count)
    # A click goes to that moment: its first row selected, auto-scroll off.
    last = clock[-1] - clock[0]
    mid = bottom // 2 << 16
    w.drv("post", strip, 0x0201, 1, x_of(last) | mid)   # WM_LBUTTONDOWN
    w.drv("post", strip, 0x0202, 0, x_of(last) | mid)   # WM_LBUTTONUP
    wait_until(lambda: w.drv("selected", v.hwnd) == [clock.index(clock[-1])],
               what="the first row of the last second")
    # A drag over one second narrows the view to its rows; Esc undoes it.
    second = clock[2] - clock[0]
    w.drv("post", strip, 0x0201, 1, x_of(second, 0.1) | mid)
    w.drv("post", strip, 0x0200, 1, x_of(second, 0.9) | mid)   # WM_MOUSEMOVE
    w.drv("post", strip, 0x0202, 0, x_of(second, 0.9) | mid)
    want = [r[3] for r, c in zip(rows, clock) if c == clock[2]]
    wait_until(lambda: [r[3] for r in v.settled_rows()] == want, what="one second's rows")
    w.drv("post", w.drv("child", v.hwnd, "SysListView32"), 0x0100, 0x1B, 0)   # WM_KEYDOWN Esc
    wait_until(lambda: len(v.settled_rows()) == 10, what="every row again")
    assert "Timeline=1" in ini_text(w)


def test_dark_theme_colours_every_part_and_its_dialogs(w):
    v = w.viewer
    v.command(IDS["ID_THEME_DARK"])
    v.command(IDS["ID_VIEW_NEW"])   # two views: the tab strip shows
    v.send(7, "plain row")
    dark = lambda px: max(px) < 90   # noqa: E731
    lv = w.drv("child", v.hwnd, "SysListView32")
    header = w.drv("child", lv, "SysHeader32")
    parts = {"list": (lv, 300, 200), "header": (header, 600, 5), "header's end": (header, 840, 5),
             "status bar": (w.drv("child", v.hwnd, "msctls_statusbar32"), 5, 5),
             "toolbar": (w.drv("child", v.hwnd, "ToolbarWindow32"), 400, 5),
             "tabs": (w.drv("child", v.hwnd, "SysTabControl32"), 500, 5)}
    try:
        w.drv("placewindow", v.hwnd, 40, 30, 900, 500)
        for name, (h, x, y) in parts.items():
            wait_until(lambda: dark(w.drv("pixel", h, x, y)), what="the %s dark" % name)
        if os.environ.get("ORLIX_DARK_SHOT"):
            w.screenshot(os.environ["ORLIX_DARK_SHOT"])
        v.command(IDS["ID_HISTORY_LIMIT"])   # a dialog of the program's
        dlg = w.drv("waitdialog", None, v.pid, 10000)
        assert dlg and dark(w.drv("pixel", dlg["hwnd"], 5, 5)), "the dialog dark"
        w.drv("click", dlg["hwnd"], 2)
        assert "Theme=1" in ini_text(w)
    finally:
        v.command(IDS["ID_THEME_LIGHT"])
        v.command(IDS["ID_VIEW_CLOSE"])
        v.command(IDS["ID_CLEAR"])
    lv = w.drv("child", v.hwnd, "SysListView32")
    wait_until(lambda: not dark(w.drv("pixel", lv, 300, 200)), what="light again")


def test_views_from_presets_filter_live_lines_and_come_back(w):
    for name in ("only111", "errors", "quiet"):
        load(w, preset(w, name))
    tabs = w.drv("child", w.viewer.hwnd, "SysTabControl32")
    wait_until(lambda: w.drv("visible", tabs), what="the tab strip with four views")
    lines = [(111, "hello err1"), (222, "err22 noise"), (111, "quiet noise"),
             (333, "TOKEN here")]
    for pid, text in lines:
        w.viewer.send(pid, text)
    wait_texts(w, 0, [t for _, t in lines])
    wait_texts(w, 1, ["hello err1", "quiet noise"])
    wait_texts(w, 2, ["hello err1", "err22 noise"])
    wait_texts(w, 3, ["hello err1", "TOKEN here"])
    assert "Name4=Quiet" in ini_text(w)

    # The active view is the last one loaded: its token rule colours the
    # token's own pixels green, and nothing after it.
    lv = view_list(w, 3)
    w.drv("placewindow", w.viewer.hwnd, 40, 30, 900, 500)
    start = sum(w.drv("headerwidths", lv)["widths"][:3])

    def green_in(lo, hi):
        return any(w.drv("rowpixel", lv, 1, x) == GREEN for x in range(lo, hi, 2))
    wait_until(lambda: green_in(start, start + 40), what="the token drawn green")
    assert not green_in(start + 60, start + 140), "colour beyond the token"

    # A stop rule turns auto-scroll off when its row comes.
    def auto_scroll_off():
        return [b for b in w.drv("toolbar", w.viewer.hwnd)
                if b["id"] == IDS["ID_AUTO_SCROLL"]][0]["checked"]
    assert not auto_scroll_off()
    w.viewer.send(5, "STOP here")
    wait_until(auto_scroll_off, what="auto-scroll off at the stop row")

    # Kept: the views and their rules come back, filling from new lines.
    assert w.viewer.close() == 0
    kept = ini_text(w)
    assert "[Views]" in kept and "Count=4" in kept, kept
    w.viewer = Viewer(w, w.drv)
    w.viewer.send(222, "err5 after the restart")
    w.viewer.send(111, "one more")
    wait_texts(w, 1, ["one more"])
    wait_texts(w, 2, ["err5 after the restart"])

    # /view opens one more from the command line.
    assert w.viewer.close() == 0
    w.viewer = Viewer(w, w.drv, args=["/view", w.winpath(preset(w, "only111"))])
    w.viewer.send(111, "by the command line")
    wait_texts(w, 4, ["by the command line"])
