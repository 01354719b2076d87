"""The system debug channel, end to end: real OutputDebugStringA writers
(odswriter.exe) against the real Orlix.exe, in a Chinese locale (ANSI code
page 936)."""
import json
import os
import subprocess
import time

from e2e import IDS, LineReader, wait_until, start_viewer, stop_viewer

LOCALE = "zh_CN.UTF-8"

ID_FILE_SAVE, ID_CLEAR, ID_CAPTURE = IDS["ID_FILE_SAVE"], IDS["ID_CLEAR"], IDS["ID_CAPTURE"]
# Wine's OutputDebugStringA gives up on a reader after 10 s per line; a writer
# that a reader holds up shows as calls of that order.
PROMPT_MS = 1000


setup = start_viewer
teardown = stop_viewer


def ods(w, *args, timeout=120):
    """Runs odswriter.exe to its end; returns its report (pid, count, times)."""
    r = w.run(os.path.join(w.build, "odswriter.exe"), *args, capture_output=True,
              timeout=timeout)
    assert r.returncode == 0, r.stderr
    return json.loads(r.stdout.decode().strip().splitlines()[-1])


def ods_text(w, raw, *options):
    return ods(w, "text", raw.hex() if raw else "-", *options)


def clear(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")


def texts(rows):
    return [r[3] for r in rows]


def time_ok(text):
    hh, mm, ss, ms = text.split(":")
    assert ms == "00" and len(hh) == len(mm) == len(ss) == 2, text
    got = int(hh) * 3600 + int(mm) * 60 + int(ss)
    now = time.localtime()
    want = now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec
    return abs(got - want) <= 10 or abs(got - want) >= 86390


def test_a_writers_line_is_one_row_with_its_pid_and_name(w):
    clear(w)
    rep = ods_text(w, b"hello from the debug channel")
    assert rep["count"] == 1 and rep["max_ms"] < PROMPT_MS, rep
    rows = w.viewer.settled_rows()
    assert len(rows) == 1, rows
    name, pid, t, text = rows[0]
    assert (name, pid, text) == ("odswriter.exe", str(rep["pid"]), "hello from the debug channel")
    assert time_ok(t), t


def test_a_writer_that_ends_at_once_is_still_named(w):
    clear(w)
    pids = [ods(w, "lines", 1, "gone-%d-" % i, "--exit-now")["pid"] for i in range(3)]
    # A loaded machine spaces the list's refreshes out (up to a second).
    w.viewer.wait_rows(len(pids))
    rows = w.viewer.settled_rows()
    assert [r[:2] + r[3:] for r in rows] == [
        ["odswriter.exe", str(pid), "gone-%d-0" % i] for i, pid in enumerate(pids)], rows


def test_empty_long_and_ansi_lines_arrive_as_written(w):
    clear(w)
    chinese = "调试信息：中文 ok"
    ods_text(w, b"", "--pause", "0")
    ods_text(w, chinese.encode("cp936"), "--pause", "0")
    # A lead byte with no trail byte at the very end must not run the text
    # into whatever follows it in the buffer.
    ods_text(w, b"ab\xd6", "--pause", "0")
    ods_text(w, b"next", "--pause", "0")
    # Longer than the 1024-byte section the viewer asks for: Wine's writer
    # fills the whole page regardless.
    ods(w, "len", 3000, "--pause", "0")
    rows = w.viewer.settled_rows()
    got = texts(rows)
    assert len(got) == 5, got
    assert got[0] == "" and got[1] == chinese, got[:2]
    assert got[2].startswith("ab") and len(got[2]) <= 3, got[2]
    assert got[3] == "next"
    assert got[4] == "x" * 3000, len(got[4])
    assert all(r[0] == "odswriter.exe" for r in rows), rows


def test_with_capture_off_the_channel_is_still_drained(w):
    clear(w)
    w.drv("sendcommand", w.viewer.hwnd, ID_CAPTURE)
    try:
        rep = ods(w, "lines", 300, "off-", "--pause", "0")
        assert rep["count"] == 300 and rep["max_ms"] < PROMPT_MS, rep
        time.sleep(0.3)
        assert w.drv("rowcount", w.viewer.hwnd) == 0
    finally:
        w.drv("sendcommand", w.viewer.hwnd, ID_CAPTURE)
    ods(w, "lines", 1, "on-", "--pause", "0")
    assert texts(w.viewer.settled_rows()) == ["on-0"]


def test_a_writer_keeps_its_pace_while_the_window_is_busy_saving(w):
    clear(w)
    rows_before = 100000
    busy = 4000  # below the reader's FIFO bound: none of them may wait for the list
    w.drv("sendmany", w.viewer.hwnd, 0, "row-", rows_before, "wide", timeout=300)
    assert w.drv("waitrows", w.viewer.hwnd, rows_before, 60000) == rows_before
    path = os.path.join(w.prefix, "drive_c", "busy.txt")
    w.viewer.command(ID_FILE_SAVE)
    writer = w.wine(os.path.join(w.build, "odswriter.exe"), "lines", busy, "busy-", "--pause", "0",
                    stdout=subprocess.PIPE)
    out = LineReader(writer.stdout)
    # Once the writer is under way, accept the dialog: the list is saved while
    # the writer goes on writing.
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) > rows_before, timeout=30,
               what="the writer's first line")
    assert w.drv("savedialog", w.winpath(path), w.viewer.pid, 10000)
    # How long the window is unanswering while it saves, for comparison with
    # the writer's slowest call.
    t0 = time.time()
    stall = 0.0
    while time.time() - t0 < 2:
        t1 = time.time()
        w.drv("sendmsg", w.viewer.hwnd, 0, 0, 0)  # WM_NULL
        stall = max(stall, time.time() - t1)
    rep = out.get(120)
    assert writer.wait(30) == 0
    print("window unanswering for up to %.0f ms; writer: %d lines in %.0f ms, slowest call "
          "%.1f ms" % (stall * 1000, rep["count"], rep["total_ms"], rep["max_ms"]))
    assert rep["count"] == busy and rep["max_ms"] < PROMPT_MS, rep

    total = rows_before + busy
    assert w.drv("waitrows", w.viewer.hwnd, total, 30000) == total
    tail = w.drv("rows", w.viewer.hwnd, rows_before, -1)
    assert texts(tail) == ["busy-%d" % i for i in range(busy)]
    assert {r[0] for r in tail} == {"odswriter.exe"}

    # The saved list: every earlier row, then the writer's lines taken before
    # the save began (some, but not all: the two overlapped).
    def saved():
        if not os.path.exists(path):
            return None
        size = os.path.getsize(path)
        time.sleep(0.3)
        return size > 2 and size == os.path.getsize(path)
    wait_until(saved, timeout=30, what="saved list")
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"\xff\xfe"
    lines = data[2:].decode("utf-16-le").split("\r\n")
    assert lines.pop() == ""
    cols = [ln.split("\t")[3] for ln in lines]
    assert cols[:rows_before] == ["row-%d" % i for i in range(rows_before)]
    during = cols[rows_before:]
    assert during == ["busy-%d" % i for i in range(len(during))]
    assert 0 < len(during) < busy, len(during)


def test_after_the_viewer_ends_another_reader_takes_the_channel(w):
    assert w.viewer.close() == 0
    reader = w.wine(os.path.join(w.build, "bare_reader.exe"), "--count", 1, "--print",
                    "--seconds", 30, stdout=subprocess.PIPE)
    out = LineReader(reader.stdout)
    first = out.get(20)
    assert first == {"ready": True, "existing": False}, first
    rep = ods_text(w, b"for the next reader", "--pause", "0")
    line = out.get(20)
    assert line == {"pid": rep["pid"], "text": "for the next reader", "len": 19}, line
    assert out.get(20)["count"] == 1
    assert reader.wait(20) == 0
