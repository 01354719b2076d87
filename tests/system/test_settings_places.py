"""Where the real viewer keeps its settings when the folder beside it will
not take them (held files stand in for a folder a standard user cannot
write), and when the program's own path is longer than 260 units."""
import os
import subprocess
import time

from e2e import IDS, Driver, Viewer, set_filter, wait_until
from test_language_en import read_profile

LOCALE = "en_US.UTF-8"
WM_MENUSELECT = 0x011F
ID_CAPTURE, ID_FILTER = IDS["ID_CAPTURE"], IDS["ID_FILTER"]
ID_LANGUAGE_FIRST = IDS["ID_LANGUAGE_FIRST"]


def setup(w):
    w.drv = Driver(w)
    w.per_user = os.path.join(w.user_dir, "AppData", "Roaming", "Orlix")
    return w


def teardown(w):
    w.drv.close()


def english(w, folder=None):
    return read_profile(os.path.join(folder or w.build, "English.lng"))


def hold(w, path):
    """Holds the file (made if missing) open for nobody else until released."""
    p = w.wine(os.path.join(w.build, "holdfile.exe"), w.winpath(path),
               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    assert p.stdout.readline().strip() == b"held"
    return p


def release(p):
    p.stdin.close()
    p.wait(10)


def prompt(w, v, item, expected):
    w.drv("post", v.hwnd, WM_MENUSELECT, item, 0)
    wait_until(lambda: w.drv("status", v.hwnd) == expected, timeout=10,
               what="status %r (have %r)" % (expected, w.drv("status", v.hwnd)))


def language_in_use_is_checked(w, v):
    """Choosing the checked language entry does nothing; an unchecked one
    would switch to it and show its description in the status bar."""
    capture = english(w)["string"][str(ID_CAPTURE)]
    prompt(w, v, ID_CAPTURE, capture)
    v.command(ID_LANGUAGE_FIRST)
    time.sleep(1.0)
    return w.drv("status", v.hwnd) == capture


def test_first_start_beside_a_settings_file_it_cannot_write_keeps_english_for_the_run(w):
    beside = os.path.join(w.build, "Orlix.ini")
    assert not os.path.exists(beside)
    held = hold(w, beside)
    try:
        v = Viewer(w, w.drv)
        v.command(ID_FILTER)
        box = w.drv("waitdialog", None, v.pid, 10000)
        assert box["title"] == "Debug Message Filter", box["title"]
        w.drv("click", box["hwnd"], 2)
        wait_until(lambda: not w.drv("exists", box["hwnd"]), what="dialog closed")
        assert language_in_use_is_checked(w, v), "English is not the checked language"
        assert v.close() == 0
    finally:
        release(held)
    # The choice went to the user's own folder; the file beside was not touched.
    mine = os.path.join(w.per_user, "Orlix.ini")
    assert read_profile(mine)["main"]["language"] == "1033"
    assert os.path.getsize(beside) == 0
    os.unlink(beside)
    os.unlink(mine)


def test_a_filter_that_cannot_be_saved_beside_the_program_is_kept_per_user(w):
    beside = os.path.join(w.build, "param.ini")
    if os.path.exists(beside):
        os.unlink(beside)
    held = hold(w, beside)
    try:
        w.viewer = v = Viewer(w, w.drv)
        set_filter(w, "keep", "")
        assert v.close() == 0
        mine = os.path.join(w.per_user, "param.ini")
        with open(mine, "rb") as f:
            assert f.read() == b"[Filter]\r\ninclude=keep;\r\nexclude=;\r\n"
        # The next start (the folder still closed to it) reads it back.
        w.viewer = v = Viewer(w, w.drv)
        v.send(0, "drop this")
        v.send(0, "keep this")
        assert [r[3] for r in v.settled_rows()] == ["keep this"]
        assert v.close() == 0
    finally:
        release(held)
    assert os.path.getsize(beside) == 0
    os.unlink(beside)
    os.unlink(os.path.join(w.per_user, "param.ini"))


def test_a_program_path_past_260_units_keeps_its_settings_beside_it(w):
    folder = w.build
    while len(w.winpath(os.path.join(folder, "Orlix.exe"))) < 300:
        folder = os.path.join(folder, "a-rather-long-folder-name-%d" % len(folder))
    os.makedirs(folder)
    for name in ("Orlix.exe", "English.lng"):
        os.link(os.path.join(w.build, name), os.path.join(folder, name))
    exe = os.path.join(folder, "Orlix.exe")
    assert len(w.winpath(exe)) >= 300
    w.viewer = v = Viewer(w, w.drv, exe=exe, cwd=w.user_dir)
    set_filter(w, "deep", "")
    assert language_in_use_is_checked(w, v)
    assert v.close() == 0
    with open(os.path.join(folder, "param.ini"), "rb") as f:
        assert f.read() == b"[Filter]\r\ninclude=deep;\r\nexclude=;\r\n"
    assert read_profile(os.path.join(folder, "Orlix.ini"))["main"]["language"] == "1033"
    strays = [n for n in os.listdir(w.user_dir) if n.lower().endswith(".ini")]
    assert strays == [], strays
    windows = os.path.join(w.prefix, "drive_c", "windows")
    assert [n for n in os.listdir(windows) if n.lower() in (".ini", "param.ini")] == []
    assert not os.path.exists(w.per_user) or os.listdir(w.per_user) == []
