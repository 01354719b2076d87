"""Columns, the history limit and File > Import on the real Orlix.exe, driven
from outside: widths, order and hidden columns survive a restart through
Orlix.ini; with a limit the list keeps N rows and the viewer's memory falls;
a saved list reads back into the list and a foreign file is refused."""
import os

from e2e import ini_text, IDS, Driver, Viewer, wait_until, start_viewer, stop_viewer, restart_viewer

LOCALE = "zh_CN.UTF-8"

ID_CLEAR, ID_FILE_SAVE, ID_FILE_IMPORT = IDS["ID_CLEAR"], IDS["ID_FILE_SAVE"], IDS["ID_FILE_IMPORT"]
ID_HISTORY_LIMIT, ID_COLUMN_FIRST = IDS["ID_HISTORY_LIMIT"], IDS["ID_COLUMN_FIRST"]
IDC_HISTORY_ROWS = IDS["IDC_HISTORY_ROWS"]
LVM_SETCOLUMNWIDTH = 0x101E
DEFAULT = {"order": [0, 1, 2, 3], "widths": [150, 100, 90, 450]}


def setup(w):
    w.ini = os.path.join(w.build, "Orlix.ini")
    return start_viewer(w)


teardown = stop_viewer


restart = restart_viewer


def columns(w):
    return w.drv("headerwidths", w.viewer.hwnd)


def clear(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")


def resident_bytes(w):
    return w.drv("memory", w.viewer.pid)["workingset"]


def test_columns_start_as_they_always_did_and_nothing_is_written(w):
    assert columns(w) == DEFAULT, columns(w)
    restart(w)
    assert "[Columns]" not in ini_text(w)


def test_widths_order_and_hidden_columns_survive_a_restart(w):
    lv = w.drv("child", w.viewer.hwnd, "SysListView32")
    w.drv("sendmsg", lv, LVM_SETCOLUMNWIDTH, 0, 210)
    w.drv("setcolumnorder", w.viewer.hwnd, 3, 0, 2, 1)
    # Hide pID from the header's menu command; Logmessage cannot be hidden.
    w.drv("sendcommand", w.viewer.hwnd, ID_COLUMN_FIRST + 1)
    w.drv("sendcommand", w.viewer.hwnd, ID_COLUMN_FIRST + 3)
    now = columns(w)
    assert now["order"] == [3, 0, 2, 1], now
    assert dict(zip(now["order"], now["widths"])) == {3: 450, 0: 210, 2: 90, 1: 0}, now
    restart(w)
    assert columns(w) == now, (columns(w), now)
    text = ini_text(w)
    assert "[Columns]" in text and "Hidden=1" in text, text
    # Shown again: its old width comes back.
    w.drv("sendcommand", w.viewer.hwnd, ID_COLUMN_FIRST + 1)
    wait_until(lambda: dict(zip(columns(w)["order"], columns(w)["widths"]))[1] == 100,
               what="pID back at its width")


def test_a_damaged_columns_section_falls_back_to_the_default(w):
    w.viewer.close()
    with open(w.ini, "w") as f:
        f.write("[Columns]\r\nOrder=0,0,1,2\r\nWidths=1,2,x,4\r\nHidden=3\r\n")
    w.viewer = Viewer(w, w.drv)
    assert columns(w) == DEFAULT, columns(w)
    w.viewer.close()
    os.remove(w.ini)
    w.viewer = Viewer(w, w.drv)


def set_limit(w, rows):
    w.viewer.command(ID_HISTORY_LIMIT)
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    assert box, "no history limit dialog"
    edit = [c for c in box["controls"] if c["id"] == IDC_HISTORY_ROWS][0]
    w.drv("settext", edit["hwnd"], str(rows))
    w.drv("click", box["hwnd"], 1)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="dialog closed")


def test_history_limit_keeps_n_rows_and_memory_falls(w):
    clear(w)
    big = "x" * 3000
    w.drv("sendmany", w.viewer.hwnd, 0, big, 12000, "wide", timeout=600)
    assert w.drv("waitrows", w.viewer.hwnd, 12000, 120000) == 12000
    before = resident_bytes(w)
    set_limit(w, 1000)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 1000, what="1000 rows kept")
    rows = w.viewer.settled_rows()
    assert rows[-1][3].endswith("11999") and rows[0][3].endswith("11000"), (rows[0], rows[-1])
    after = resident_bytes(w)
    # 11000 rows of 3000 ASCII characters went: 33 MB of text at one byte
    # a character in the store.
    assert before - after > 20 * 1024 * 1024, (before, after)
    # A stream on top of the limit: still N rows, the newest ones.
    w.drv("sendmany", w.viewer.hwnd, 0, "more-", 2500, "wide", timeout=300)
    wait_until(lambda: w.viewer.settled_rows()[-1][3] == "more-2499", what="the stream's end")
    rows = w.viewer.settled_rows()
    assert len(rows) == 1000 and rows[0][3] == "more-1500", (len(rows), rows[0])
    assert "HistoryLimit=1000" in ini_text(w)
    restart(w)
    w.drv("sendmany", w.viewer.hwnd, 0, "r-", 1200, "wide", timeout=300)
    wait_until(lambda: w.viewer.settled_rows()[-1][3] == "r-1199", what="rows after restart")
    assert len(w.viewer.settled_rows()) == 1000
    set_limit(w, 0)
    w.drv("sendmany", w.viewer.hwnd, 0, "s-", 200, "wide", timeout=300)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 1200, what="no limit again")


def import_file(w, path):
    w.viewer.command(ID_FILE_IMPORT)
    assert w.drv("savedialog", w.winpath(path), w.viewer.pid, 10000)


def test_import_reads_a_saved_list_back_and_refuses_other_files(w):
    clear(w)
    for i in range(5):
        w.viewer.send(300 + i, "saved\trow %d 中文" % i)
    saved = w.viewer.wait_rows(5)
    path = os.path.join(w.prefix, "drive_c", "list.txt")
    w.viewer.command(ID_FILE_SAVE)
    assert w.drv("savedialog", w.winpath(path), w.viewer.pid, 10000)
    wait_until(lambda: os.path.exists(path) and os.path.getsize(path) > 100, what="saved")
    clear(w)
    # A line in neither form in between: kept as text.
    with open(path, "ab") as f:
        f.write("a note\r\n".encode("utf-16-le"))
    import_file(w, path)
    w.viewer.wait_rows(6)
    rows = w.viewer.settled_rows()
    assert rows[:5] == saved, (rows, saved)
    assert rows[5][3] == "a note" and rows[5][1] == "0", rows[5]

    foreign = os.path.join(w.prefix, "drive_c", "foreign.txt")
    with open(foreign, "wb") as f:
        f.write(b"plain ASCII notes\r\nnothing of ours\r\n")
    import_file(w, foreign)

    def message():
        for box in w.drv("dialogs", w.viewer.pid):
            if any("Orlix" in c["text"] and "foreign.txt" in c["text"] for c in box["controls"]):
                return box
        return None
    wait_until(message, timeout=15, what="the message for a foreign file")
    box = message()
    w.drv("click", box["hwnd"], 1)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="box closed")
    assert len(w.viewer.settled_rows()) == 6


def test_a_large_import_runs_in_pieces_and_esc_stops_it(w):
    """Imported a piece at a time: the window answers, its progress shows,
    and Esc stops it with the rows read so far."""
    clear(w)
    path = os.path.join(w.prefix, "drive_c", "large.txt")
    n = 2000000   # about 220 MB: a few seconds to read
    with open(path, "wb") as f:
        f.write(b"\xff\xfe")
        for start in range(0, n, 100000):
            f.write("".join("big.exe\t42\t10:00:00:00\timported row %d of a large list\t\r\n"
                            % i for i in range(start, start + 100000)).encode("utf-16-le"))
    import_file(w, path)
    status = lambda: w.drv("status", w.viewer.hwnd, 0)
    wait_until(lambda: "%" in status(), what="the import's progress (status %r)" % status())
    pings = [w.drv("ping", w.viewer.hwnd, 1000) for _ in range(5)]
    assert all(0 <= p < 100 for p in pings), pings
    w.drv("keys", w.viewer.hwnd, 0x1B)   # Esc
    wait_until(lambda: status().startswith(("导入已停止", "Import stopped")), timeout=5,
               what="import stopped (status %r)" % status())
    count = w.drv("rowcount", w.viewer.hwnd)
    assert 1 < count < n, count
    os.unlink(path)
    clear(w)
