"""Followed log files, end to end: a writer program (logwriter.exe) appends to,
renames, truncates and deletes files that Orlix.exe (and orlixcap.exe)
follow; the rows are read from the real list."""
import os
import subprocess
import time

from e2e import IDS, LineReader, wait_until, start_viewer, stop_viewer

setup = start_viewer
teardown = stop_viewer
# The rows the viewer writes about a file (its built-in texts).
ANOTHER, TRUNCATED = "现在是另一个文件", "被截短"


class Writer:
    def __init__(self, w):
        self.p = w.wine(os.path.join(w.build, "logwriter.exe"), stdin=subprocess.PIPE,
                        stdout=subprocess.PIPE)
        self.out = LineReader(self.p.stdout)

    def __call__(self, *args):
        self.p.stdin.write((" ".join(str(a) for a in args) + "\n").encode())
        self.p.stdin.flush()
        assert self.out.get(60) == "ok", args   # the writer is never in trouble


def folder(w):
    d = os.path.join(w.prefix, "drive_c", "logs")
    os.makedirs(d, exist_ok=True)
    return lambda name: w.winpath(os.path.join(d, name))


def follow(w, path):
    w.viewer.command(IDS["ID_FOLLOW_FILE"])
    assert w.drv("savedialog", path, w.viewer.pid, 10000)


def rows_from(w, first, n):
    w.viewer.wait_rows(first + n, 20000)
    return w.drv("rows", w.viewer.hwnd, first, -1)


def test_a_file_followed_through_lines_rotation_truncation_and_deletion(w):
    p, write = folder(w), Writer(w)
    log = p("app.log")
    write("append", log, "".join("old-%d\r\n" % i for i in range(5)).encode().hex())
    # Only the last lines (the limit set in its dialog) are shown at first.
    w.viewer.command(IDS["ID_FOLLOW_TAIL"])
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    edit = [c for c in box["controls"] if c["id"] == IDS["IDC_FOLLOW_TAIL_LINES"]][0]
    w.drv("settext", edit["hwnd"], "3")
    w.drv("click", box["hwnd"], 1)
    follow(w, log)
    got = rows_from(w, 0, 3)
    assert [(r[0], r[1], r[3]) for r in got] == [("app.log", "", "old-%d" % i) for i in (2, 3, 4)]
    write("lines", log, "live-", 2000)
    assert [r[3] for r in rows_from(w, 3, 2000)] == ["live-%d" % i for i in range(2000)]
    # A last line without its end shows after a second; its late end adds nothing.
    write("append", log, b"partial".hex())
    assert rows_from(w, 2003, 1)[0][3] == "partial"
    write("append", log, b"\r\nwhole\r\n".hex())
    assert [r[3] for r in rows_from(w, 2004, 1)] == ["whole"]
    # Rotation, truncation, deletion: every line written before and after,
    # in order, and a row saying what happened.
    write("lines", log, "pre-", 50)
    write("rename", log, p("app.1.log"))
    write("lines", log, "rot-", 5)
    got = texts_until(w, 2005, "rot-4")
    assert data(got) == ["pre-%d" % i for i in range(50)] + ["rot-%d" % i for i in range(5)]
    assert any(ANOTHER in t and log in t for t in got), got
    write("truncate", log)
    write("lines", log, "t-", 2)
    got = texts_until(w, 2005 + len(got), "t-1")
    assert data(got) == ["t-0", "t-1"] and TRUNCATED in got[0], got
    # Deleted and made anew: Windows frees the name at once (a row says so),
    # Wine only when the last handle goes (the writer appends to the same file).
    n = w.drv("rowcount", w.viewer.hwnd)
    write("delete", log)
    write("lines", log, "new-", 3)
    assert data(texts_until(w, n, "new-2")) == ["new-0", "new-1", "new-2"]
    stop_first(w)


def stop_first(w):
    """File › Stop Following lists the files; stops the first one."""
    w.viewer.command(IDS["ID_FOLLOW_STOP"])
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    w.drv("click", box["hwnd"], IDS["IDC_FOLLOW_STOP_ONE"])
    w.drv("click", box["hwnd"], 2)


def data(texts):
    return [t for t in texts if not t.startswith("---") and not t.startswith("——")]


def texts_until(w, first, last):
    """The texts of the rows from `first` on, once `last` (None: any row) is there."""
    wait_until(lambda: (lambda t: t and (last is None or last in t))(
        [r[3] for r in w.drv("rows", w.viewer.hwnd, first, -1)]), timeout=20, what=str(last))
    return [r[3] for r in w.drv("rows", w.viewer.hwnd, first, -1)]


def test_encodings_and_several_files_at_once(w):
    p, write = folder(w), Writer(w)
    w.drv("sendcommand", w.viewer.hwnd, IDS["ID_CLEAR"])
    files = {"u16.log": b"\xff\xfe" + "中文 utf-16\r\n".encode("utf-16-le"),
             "u8.log": "中文 utf-8\n".encode("utf-8"),
             "bom8.log": b"\xef\xbb\xbf" + "ok ünï\r".encode("utf-8"),
             "ansi.log": "中文 ansi\r\n".encode("cp936")}
    for i, (name, raw) in enumerate(files.items()):
        write("append", p(name), raw.hex())
        follow(w, p(name))
        w.viewer.wait_rows(i + 1, 20000)
    got = {r[0]: r[3] for r in w.viewer.rows()}
    assert got == {"u16.log": "中文 utf-16", "u8.log": "中文 utf-8", "bom8.log": "ok ünï",
                   "ansi.log": "中文 ansi"}, got
    # Appending to two files: each file's lines in order, all of them.
    write("lines", p("u8.log"), "a-", 300)
    write("lines", p("ansi.log"), "b-", 300)
    got = rows_from(w, 4, 600)
    for name, prefix in (("u8.log", "a-"), ("ansi.log", "b-")):
        assert [r[3] for r in got if r[0] == name] == ["%s%d" % (prefix, i) for i in range(300)]
    # A file no longer followed adds no rows.
    stop_first(w)   # u16.log
    write("append", p("u16.log"), "gone\r\n".encode("utf-16-le").hex())
    write("append", p("u8.log"), b"still\n".hex())
    texts_until(w, 604, "still")
    got = [(r[0], r[1], r[3]) for r in w.viewer.settled_rows()[604:]]
    assert got == [("u8.log", "", "still")], got


def test_orlixcap_follow_interleaves_a_files_new_lines(w):
    w.viewer.close()
    w.viewer = None
    p, write = folder(w), Writer(w)
    write("append", p("cap.log"), b"before\r\n".hex())
    cap = w.wine(os.path.join(w.build, "orlixcap.exe"), "--follow", p("cap.log"),
                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    err = LineReader(cap.stderr)
    assert err.get(30).startswith("orlixcap: capturing")
    write("lines", p("cap.log"), "c-", 3)
    time.sleep(1.5)
    cap.send_signal(2)
    out = cap.stdout.read().decode("utf-8").split("\r\n")
    assert cap.wait(30) == 0
    got = [tuple(ln.split("\t\t")[i] for i in (0, 1, 3)) for ln in out if ln]
    assert got == [("cap.log", "", "c-%d" % i) for i in range(3)], (got, err.drain())
