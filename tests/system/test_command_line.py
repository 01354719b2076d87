"""The standard switches on the command line, from outside: /p and /pt
print the named document (the empty list: its header page) and end, the
OLE and DDE switches start the viewer as usual, and an argument the viewer
does not know is answered with a box before it starts as usual."""
import os
import time

from e2e import Driver, Viewer, wait_until

NO_PRINTER = "没有安装打印机"
UNKNOWN_ZH = "无法识别命令行参数"
UNKNOWN_EN = "is not known; Orlix starts as usual"


def setup(world):
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def document(w, name="print me.txt"):
    path = os.path.join(w.prefix, "drive_c", name)
    with open(path, "w") as f:
        f.write("not read\n")
    return w.winpath(path)


def texts(box):
    return " ".join(c["text"] for c in box["controls"])


def answer(w, box):
    w.drv("click", box["hwnd"], 1)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="box closed")


def no_box_within(w, pid, seconds):
    return not w.drv("waitdialog", None, pid, int(seconds * 1000))


def test_print_switches_print_the_document_and_end(w):
    for args in (["/p", document(w)],
                 ["/pt", document(w), "Office Laser", "winspool", "LPT1:"],
                 [document(w), "-p"]):
        param = os.path.join(w.build, "param.ini")
        if os.path.exists(param):
            os.remove(param)
        p = w.wine(os.path.join(w.build, "Orlix.exe"), *args)
        # No printer here: printing says so, as the Print command does.
        box = w.drv("waitdialog", None, 0, 30000)
        assert box, "printing %r showed nothing" % (args,)
        assert NO_PRINTER in texts(box), texts(box)
        hwnd = w.drv("find", "Kesto-Orlix", "Orlix", 0)
        assert hwnd and not w.drv("visible", hwnd), "the window stays hidden while printing"
        answer(w, box)
        assert p.wait(30) == 0
        assert w.drv("find", "Kesto-Orlix", "Orlix", 0) == 0
        # An orderly end: the settings were written back.
        assert os.path.exists(param)


def test_print_of_a_missing_document_is_reported_and_ends(w):
    missing = w.winpath(os.path.join(w.prefix, "drive_c", "gone.txt"))
    p = w.wine(os.path.join(w.build, "Orlix.exe"), "/p", missing)
    box = w.drv("waitdialog", None, 0, 30000)
    assert box and "gone.txt" in texts(box), box
    answer(w, box)
    assert p.wait(30) == 0


def test_dde_and_ole_switches_start_the_viewer_as_usual(w):
    for args in (["/dde"], ["/Embedding"], ["-Automation"]):
        v = Viewer(w, w.drv, args=args)
        try:
            assert w.drv("visible", v.hwnd), args
            assert no_box_within(w, v.pid, 1.5), "%r answered with a box" % (args,)
            v.send(0, "started with %s" % args[0])
            assert [r[3] for r in v.wait_rows(1)] == ["started with %s" % args[0]]
        finally:
            assert v.close() == 0


def test_an_unknown_switch_is_answered_then_the_viewer_starts(w):
    v = Viewer(w, w.drv, args=["/frobnicate", "-x"], wait=False)
    box = w.drv("waitdialog", None, 0, 30000)
    assert box, "an unknown switch passed silently"
    said = texts(box)
    assert UNKNOWN_ZH in said and "/frobnicate -x" in said, said
    answer(w, box)
    v.hwnd = w.drv("find", "Kesto-Orlix", "Orlix", 30000)
    assert v.hwnd
    v.pid = w.drv("pid", v.hwnd)
    try:
        wait_until(lambda: v._ready(), timeout=30, what="viewer ready")
        assert w.drv("visible", v.hwnd)
        assert w.drv("title", v.hwnd) == "Orlix"
        v.send(0, "after the box")
        assert [r[3] for r in v.wait_rows(1)] == ["after the box"]
    finally:
        assert v.close() == 0


def test_the_unknown_switch_box_speaks_the_chosen_language(w):
    with open(os.path.join(w.build, "Orlix.ini"), "w") as f:
        f.write("[Main]\r\nLanguage=1033\r\n")
    try:
        v = Viewer(w, w.drv, args=["/nonsense"], wait=False)
        box = w.drv("waitdialog", None, 0, 30000)
        assert box
        said = texts(box)
        assert UNKNOWN_EN in said and "/nonsense" in said, said
        answer(w, box)
        v.hwnd = w.drv("find", "Kesto-Orlix", "Orlix", 30000)
        assert v.close() == 0
    finally:
        os.remove(os.path.join(w.build, "Orlix.ini"))


def test_switches_for_scripts_and_their_help(w):
    ini = os.path.join(w.build, "Orlix.ini")
    # /? lists them in a box (built-in Chinese, then English.lng) and ends.
    for lang, parts in ((None, ["/log 文件", "/capture off", "/limit N", "/view 文件", "/?"]),
                        ("1033", ["/log FILE - log every", "/capture off - start with capture",
                                  "/limit N - keep at most", "/view FILE", "/? - show"])):
        with open(ini, "w") as f:
            f.write("[Main]\r\nLanguage=%s\r\n" % (lang or "0"))
        p = w.wine(os.path.join(w.build, "Orlix.exe"), "-?")
        box = w.drv("waitdialog", None, 0, 30000)
        assert box and all(x in texts(box) for x in parts), texts(box)
        assert not w.drv("find", "Kesto-Orlix", "Orlix", 0)
        answer(w, box)
        assert p.wait(30) == 0
    # Paused, a limit for this run only (the kept one stays), logging into
    # the named file.
    with open(ini, "w") as f:
        f.write("[View]\r\nHistoryLimit=7\r\n")
    log = os.path.join(w.prefix, "drive_c", "run log.txt")
    v = Viewer(w, w.drv, args=["/capture", "off", "/LIMIT", "3", "/log", w.winpath(log)])
    try:
        assert no_box_within(w, v.pid, 1.0)
        v.send(0, "while paused")
        time.sleep(0.5)
        assert v.rows() == []
        v.command(32776)   # Capture on
        for i in range(5):
            v.send(0, "line %d" % i)
        wait_until(lambda: [r[3] for r in v.rows()] == ["line 2", "line 3", "line 4"],
                   what="the last three rows")
    finally:
        assert v.close() == 0
    with open(log, "rb") as f:
        data = f.read()
    assert [l.split("\t\t")[3] for l in data[2:].decode("utf-16-le").split("\r\n")[:-1]] == [
        "line %d" % i for i in range(5)], data
    with open(ini, "rb") as f:
        assert b"HistoryLimit=7" in f.read().replace(b"\0", b""), "the kept limit changed"
    os.remove(ini)

    # Wrong values: one box names each switch; the viewer starts as usual.
    v = Viewer(w, w.drv, args=["/limit", "abc", "/capture", "maybe", "/log"], wait=False)
    box = w.drv("waitdialog", None, 0, 30000)
    said = texts(box)
    assert all(x in said for x in ("/limit", "“abc”", "/capture", "“maybe”", "/log")), said
    answer(w, box)
    v.hwnd = w.drv("find", "Kesto-Orlix", "Orlix", 30000)
    wait_until(lambda: v._ready(), timeout=30, what="viewer ready")
    try:
        v.send(0, "captured")
        assert [r[3] for r in v.wait_rows(1)] == ["captured"]
    finally:
        assert v.close() == 0
