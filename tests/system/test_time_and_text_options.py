"""The Time column's modes and UTF-8 decoding of debug text, end to end on
the real Orlix.exe in a Chinese locale (ANSI code page 936): each mode
changes the Time column, Save writes the time as shown, the log file keeps
its classic form, and both choices survive a restart through Orlix.ini."""
import json
import os
import re
import time

from e2e import ini_text, IDS, Driver, Viewer, wait_until, start_viewer, stop_viewer, restart_viewer

LOCALE = "zh_CN.UTF-8"

ID_CLEAR, ID_FILE_SAVE, ID_LOG_TO_FILE = IDS["ID_CLEAR"], IDS["ID_FILE_SAVE"], IDS["ID_LOG_TO_FILE"]
ID_TIME_CLOCK, ID_TIME_CLOCK_MS = IDS["ID_TIME_CLOCK"], IDS["ID_TIME_CLOCK_MS"]
ID_TIME_SINCE_FIRST, ID_TIME_DELTA = IDS["ID_TIME_SINCE_FIRST"], IDS["ID_TIME_DELTA"]
ID_DECODE_UTF8 = IDS["ID_DECODE_UTF8"]

CLOCK = re.compile(r"^\d\d:\d\d:\d\d:00$")
CLOCK_MS = re.compile(r"^(\d\d:\d\d:\d\d)\.(\d\d\d)$")
SECONDS = re.compile(r"^\d+\.\d\d\d$")


def setup(w):
    w.ini = os.path.join(w.build, "Orlix.ini")
    return start_viewer(w)


teardown = stop_viewer


restart = restart_viewer


def clear(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")


def times(w):
    """The Time column once the list shows fresh texts (the mode's repaint)."""
    return [r[2] for r in w.viewer.settled_rows()]


def choose(w, command):
    w.drv("sendcommand", w.viewer.hwnd, command)


def ods(w, raw):
    r = w.run(os.path.join(w.build, "odswriter.exe"), "text", raw.hex(), "--pause", "0",
              capture_output=True, timeout=120)
    assert r.returncode == 0, r.stderr
    return json.loads(r.stdout.decode().strip().splitlines()[-1])


def send_spaced(w, texts, gap):
    for i, t in enumerate(texts):
        if i:
            time.sleep(gap)
        w.viewer.send(1234, t)
    w.viewer.wait_rows(len(texts))


def test_clock_is_the_default_and_nothing_is_written_for_it(w):
    clear(w)
    send_spaced(w, ["a", "b"], 0)
    assert all(CLOCK.match(t) for t in times(w)), times(w)
    assert "[View]" not in ini_text(w)


def test_each_mode_changes_the_time_column(w):
    clear(w)
    send_spaced(w, ["first", "second", "third"], 0.4)
    classic = times(w)
    choose(w, ID_TIME_CLOCK_MS)
    wait_until(lambda: all(CLOCK_MS.match(t) for t in times(w)), what="clock with ms")
    with_ms = times(w)
    # Same clock, now with its milliseconds; rows 0.4 s apart differ in them.
    assert [CLOCK_MS.match(t).group(1) + ":00" for t in with_ms] == classic, (with_ms, classic)
    assert len(set(with_ms)) == 3, with_ms

    choose(w, ID_TIME_SINCE_FIRST)
    wait_until(lambda: all(SECONDS.match(t) for t in times(w)), what="seconds since first")
    since = [float(t) for t in times(w)]
    assert since[0] == 0.0 and 0.3 < since[1] < since[2] < 10, since

    choose(w, ID_TIME_DELTA)
    wait_until(lambda: float(times(w)[2]) < since[2] - 0.2, what="deltas")
    delta = [float(t) for t in times(w)]
    assert delta[0] == 0.0 and all(0.3 < d < 5 for d in delta[1:]), delta
    assert abs((delta[1] + delta[2]) - since[2]) < 0.002, (delta, since)

    # After Clear, the count starts again at the first new row.
    choose(w, ID_TIME_SINCE_FIRST)
    clear(w)
    send_spaced(w, ["again"], 0)
    wait_until(lambda: times(w) == ["0.000"], what="0.000 after Clear")


def test_save_writes_the_time_as_shown(w):
    choose(w, ID_TIME_CLOCK_MS)
    clear(w)
    send_spaced(w, ["saved one", "saved two"], 0.2)
    wait_until(lambda: all(CLOCK_MS.match(t) for t in times(w)), what="clock with ms")
    shown = w.viewer.settled_rows()
    path = os.path.join(w.prefix, "drive_c", "timed.txt")
    w.viewer.command(ID_FILE_SAVE)
    assert w.drv("savedialog", w.winpath(path), w.viewer.pid, 10000)
    wait_until(lambda: os.path.exists(path) and os.path.getsize(path) > 2, what="saved file")
    with open(path, "rb") as f:
        data = f.read()
    lines = data[2:].decode("utf-16-le").split("\r\n")
    assert [l.split("\t")[2] for l in lines if l] == [r[2] for r in shown], (lines, shown)


def test_the_log_file_keeps_whole_seconds(w):
    choose(w, ID_TIME_CLOCK_MS)
    before = set(os.listdir(w.documents))
    w.viewer.command(ID_LOG_TO_FILE)
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    assert box, "no box when switching logging on"
    assert w.drv("click", box["hwnd"], 1)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="box closed")
    w.viewer.send(77, "logged line")
    w.viewer.command(ID_LOG_TO_FILE)
    wait_until(lambda: set(os.listdir(w.documents)) - before, what="log file")
    path = os.path.join(w.documents, sorted(set(os.listdir(w.documents)) - before)[0])

    def logged():
        with open(path, "rb") as f:
            return f.read()[2:].decode("utf-16-le")
    wait_until(lambda: "logged line" in logged(), what="the logged line")
    line = [l for l in logged().split("\r\n") if "logged line" in l][0]
    assert re.fullmatch(r"[^\t]*\t\t77\t\t\d\d:\d\d:\d\d:00\t\tlogged line", line), line


def test_the_mode_survives_a_restart_and_a_damaged_value_means_clock(w):
    choose(w, ID_TIME_DELTA)
    wait_until(lambda: "TimeMode=3" in ini_text(w), what="TimeMode=3 kept")
    restart(w)
    send_spaced(w, ["x", "y"], 0.1)
    assert all(SECONDS.match(t) for t in times(w)), times(w)
    w.viewer.close()
    with open(w.ini, "w") as f:
        f.write("[View]\r\nTimeMode=9x\r\n")
    w.viewer = Viewer(w, w.drv)
    send_spaced(w, ["z"], 0)
    assert CLOCK.match(times(w)[0]), times(w)


UTF8_TEXT = "UTF-8 中文 ✓ naïve"
GBK_TEXT = "代码页 936 中文"


def test_utf8_debug_text_arrives_right_with_the_option_and_as_before_without(w):
    clear(w)
    ods(w, UTF8_TEXT.encode("utf-8"))
    ods(w, GBK_TEXT.encode("cp936"))
    w.viewer.wait_rows(2)
    off = [r[3] for r in w.viewer.settled_rows()]
    assert len(off) == 2 and off[0] != UTF8_TEXT and off[1] == GBK_TEXT, off

    choose(w, ID_DECODE_UTF8)
    clear(w)
    ods(w, UTF8_TEXT.encode("utf-8"))
    ods(w, GBK_TEXT.encode("cp936"))
    ods(w, b"plain ascii")
    w.viewer.wait_rows(3)
    on = [r[3] for r in w.viewer.settled_rows()]
    assert on == [UTF8_TEXT, GBK_TEXT, "plain ascii"], on

    # Kept across a restart, and switched off again from the menu.
    restart(w)
    ods(w, UTF8_TEXT.encode("utf-8"))
    w.viewer.wait_rows(1)
    assert [r[3] for r in w.viewer.settled_rows()] == [UTF8_TEXT]
    choose(w, ID_DECODE_UTF8)
    clear(w)
    ods(w, UTF8_TEXT.encode("utf-8"))
    w.viewer.wait_rows(1)
    assert [r[3] for r in w.viewer.settled_rows()] == off[:1]
