"""param.ini files that other tools or other machines made: UTF-16 with a
byte-order mark, and UTF-8 with one stray byte, read and written back by
the real viewer without losing or garbling the filter."""
import os

from e2e import Driver, Viewer


def setup(world):
    world.drv = Driver(world)
    world.ini = os.path.join(world.build, "param.ini")
    return world


def teardown(world):
    world.drv.close()


def run_viewer(w, lines):
    v = Viewer(w, w.drv)
    for text in lines:
        v.send(0, text)
    rows = [r[3] for r in v.settled_rows()]
    assert v.close() == 0
    return rows


def read_ini(w):
    with open(w.ini, "rb") as f:
        return f.read()


def test_a_utf16_file_keeps_its_filter_through_a_start_and_close(w):
    text = "[Filter]\r\ninclude=keep;过滤;\r\nexclude=drop;\r\n[Other]\r\nnote=UTF-16 too\r\n"
    with open(w.ini, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))
    rows = run_viewer(w, ["keep this", "not wanted", "keep but drop", "过滤 line"])
    assert rows == ["keep this", "过滤 line"]
    # Written back in the program's own form, same meaning.
    saved = read_ini(w).decode("utf-8")
    assert "[Filter]\r\ninclude=keep;过滤;\r\nexclude=drop;\r\n" in saved, saved
    assert "[Other]\r\nnote=UTF-16 too\r\n" in saved, saved
    # And a second start reads what the first one wrote.
    assert run_viewer(w, ["keep again", "drop keep"]) == ["keep again"]


def test_a_stray_byte_does_not_turn_the_utf8_filter_into_mojibake(w):
    data = ("[Filter]\r\ninclude=错误;\r\nexclude=调试;\r\n".encode("utf-8")
            + b"[Notes]\r\nby=caf\xe9\r\n")
    with open(w.ini, "wb") as f:
        f.write(data)
    rows = run_viewer(w, ["错误 one", "plain", "错误 调试"])
    assert rows == ["错误 one"]
    saved = read_ini(w)
    assert "[Filter]\r\ninclude=错误;\r\nexclude=调试;\r\n".encode("utf-8") in saved, saved
    assert b"[Notes]\r\nby=caf" in saved, saved
