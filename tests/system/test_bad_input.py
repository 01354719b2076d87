"""Odd and hostile input to the real viewer, end to end: datagrams of every
awkward size, debug-channel lines at the edges of the channel's page, window
messages with lone surrogates, control characters and 100,000 characters,
language files that are empty, huge, malformed or enormous, and a param.ini
that is a folder or garbage. Each time the viewer goes on, keeps every line
it took, and says nothing unless asked."""
import json
import os
import time

from e2e import IDS, Viewer, wait_until
from test_logging import log_on, log_off, log_lines, read
import test_udp
from test_udp import peer_send, start_viewer_and_peer, stop_viewer_and_peer

LOCALE = "zh_CN.UTF-8"  # ANSI code page 936
ID_CLEAR, ID_FILTER = IDS["ID_CLEAR"], IDS["ID_FILTER"]
ID_BROADCAST_RECEIVE = IDS["ID_BROADCAST_RECEIVE"]
ID_LANGUAGE_DEFAULT, ID_LANGUAGE_FIRST = IDS["ID_LANGUAGE_DEFAULT"], IDS["ID_LANGUAGE_FIRST"]


def setup(w):
    start_viewer_and_peer(w)
    w.logging = False
    return w


teardown = stop_viewer_and_peer


def clear(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")


def answers(w):
    """The window still answers a message at once."""
    return w.drv("sendmsg", w.viewer.hwnd, 0, 0, 0) is not None


def no_box(w):
    assert w.drv("dialogs", w.viewer.pid) == [], "a box nobody asked for"


def ods(w, *args):
    r = w.run(os.path.join(w.build, "odswriter.exe"), *args, capture_output=True, timeout=120)
    assert r.returncode == 0, r.stderr
    return json.loads(r.stdout.decode().strip().splitlines()[-1])


def test_datagrams_of_every_awkward_size(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_BROADCAST_RECEIVE)
    time.sleep(0.5)
    clear(w)
    lead = "末".encode("cp936")[:1]  # a lead byte with nothing after it
    sends = [b"", b"a", b"b" * 1023, b"c" * 1024, b"d" * 1025, b"e" * 65000, b"\0" * 1024,
             b"f" * 1023 + lead, "中文".encode("cp936") + b"\0" * 1020, b"marker"]
    for raw in sends:
        peer_send(w, raw)
    # Up to 1024 bytes make a line (its text ends at the first zero byte);
    # an empty datagram and a longer one show nothing.
    rows = [r[3] for r in w.viewer.settled_rows(0.8)]
    assert rows[:3] == ["a", "b" * 1023, "c" * 1024], [r[:20] for r in rows]
    assert rows[3] == "", "all zeros: an empty line"
    assert rows[4].startswith("f" * 1023) and len(rows[4]) <= 1024, rows[4][-4:]
    assert rows[5:] == ["中文", "marker"], rows[5:]
    assert answers(w)
    no_box(w)
    w.drv("sendcommand", w.viewer.hwnd, ID_BROADCAST_RECEIVE)


def test_debug_lines_at_the_edges_of_the_channel(w):
    clear(w)
    ods(w, "text", "-", "--pause", "0")
    ods(w, "len", 4000, "--pause", "0")
    ods(w, "len", 4095, "--pause", "0")
    ods(w, "len", 9000, "--pause", "0")
    ods(w, "text", ("ab".encode() + "末".encode("cp936")[:1]).hex(), "--pause", "0")
    ods(w, "text", "next".encode().hex(), "--pause", "0")
    rows = [r[3] for r in w.viewer.settled_rows(0.8)]
    assert len(rows) == 6, [len(r) for r in rows]
    assert rows[0] == "" and rows[1] == "x" * 4000
    # The channel's page holds 4,092 bytes of text: longer lines are cut there.
    assert set(rows[2]) == {"x"} and 4000 < len(rows[2]) <= 4095, len(rows[2])
    assert set(rows[3]) == {"x"} and 4000 < len(rows[3]) <= 4095, len(rows[3])
    assert rows[4].startswith("ab") and len(rows[4]) <= 3
    assert rows[5] == "next"
    no_box(w)


def test_window_messages_with_lone_surrogates_controls_and_100000_characters(w):
    clear(w)
    path = log_on(w)
    texts = ["lone high \ud800 here", "lone low \udc00", "\udbff", "ends high \ud83d",
             "tab\there\r\nline\x01\x07\x1b\x7f\x85 end", "\u2028\u2029\ufeff\ufffe\uffff",
             "y" * 100000]
    for t in texts:
        w.viewer.send(77, t)
    kept = texts[:-1] + ["y" * 4095]
    rows = w.viewer.wait_rows(len(texts))
    assert [r[3] for r in rows] == kept
    # The log file holds each line's UTF-16 units as they came, lone halves
    # of pairs included.
    def logged():
        data = read(path)
        return data[2:].decode("utf-16-le", "surrogatepass")
    wait_until(lambda: "y" * 4095 in logged(), what="the long line in the log")
    body = logged()
    for t in kept:
        assert "\t\t77\t\t" in body and t in body, repr(t[:30])
    log_off(w)
    assert answers(w)
    no_box(w)


def restart(w, prepare):
    """Closes the viewer, lets `prepare` change its files, starts it again."""
    assert w.viewer.close() == 0
    w.viewer = None
    prepare()
    w.viewer = Viewer(w, w.drv)


def open_filter_dialog_and_cancel(w):
    w.viewer.command(ID_FILTER)
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    assert box, "no filter dialog"
    w.drv("click", box["hwnd"], 2)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="dialog closed")
    return box


def test_language_files_that_are_empty_huge_malformed_or_enormous(w):
    files = {
        "Empty.lng": b"",
        "Garbage.lng": bytes(range(256)) * 64,
        "Broken.lng": "\ufeff[Language\r\nLanguage=1031\r\n[String\r\n=\r\n=32772\r\n"
                      "32772\r\n[100]\r\n0=\r\n".encode("utf-16-le"),
        "Huge.lng": ("\ufeff[Language]\r\nLanguage=1036\r\nDescription=Huge\r\n[String]\r\n"
                     "32772=%s\r\n" % ("h" * 200000)).encode("utf-16-le"),
        "Many.lng": ("\ufeff[Language]\r\nLanguage=1040\r\nDescription=Many\r\n[String]\r\n" +
                     "".join("%d=value %d\r\n" % (40000 + i, i) for i in range(10000)) +
                     "32772=Filter from many\r\n").encode("utf-16-le"),
    }

    def put():
        for name, data in files.items():
            with open(os.path.join(w.build, name), "wb") as f:
                f.write(data)
    restart(w, put)
    try:
        no_box(w)
        # Every entry of the submenu can be chosen; the viewer goes on.
        for i in range(8):
            w.viewer.command(ID_LANGUAGE_FIRST + i)
            open_filter_dialog_and_cancel(w)
            w.viewer.send(1, "still here %d" % i)
            assert answers(w)
        w.viewer.command(ID_LANGUAGE_DEFAULT)
        box = open_filter_dialog_and_cancel(w)
        assert box["title"] == "调试信息过滤设置", box["title"]
        no_box(w)
    finally:
        restart(w, lambda: [os.unlink(os.path.join(w.build, n)) for n in files])


def test_param_ini_that_is_a_folder_or_garbage(w):
    ini = os.path.join(w.build, "param.ini")

    def folder():
        if os.path.exists(ini):
            os.unlink(ini)
        os.mkdir(ini)
        with open(os.path.join(ini, "inside.txt"), "wb") as f:
            f.write(b"kept")
    restart(w, folder)
    no_box(w)
    w.viewer.send(0, "shown")
    assert [r[3] for r in w.viewer.wait_rows(1)][-1] == "shown"

    def garbage():
        assert os.path.isdir(ini) and os.listdir(ini) == ["inside.txt"]
        os.unlink(os.path.join(ini, "inside.txt"))
        os.rmdir(ini)
        with open(ini, "wb") as f:
            f.write(bytes(range(256)) * 16 + b"\r\n[Filter]\r\ninclude=\xff\xfe\x00;\r\n")
    restart(w, garbage)
    no_box(w)
    w.viewer.send(0, "after garbage")
    assert answers(w)
    restart(w, lambda: None)
    no_box(w)
    # The garbage before the first section is gone (as for any file); the
    # value the load could not read is written back as it was.
    with open(ini, "rb") as f:
        assert f.read() == b"[Filter]\r\ninclude=\xff\xfe\x00;\r\nexclude=;\r\n"
