"""The About dialog of the real Orlix.exe, read from outside: program line,
the sample sender (the shipped header's block, byte for byte) and what a
language file may and may not change."""
import os
import re

from e2e import IDS, Driver, Viewer, wait_until

ID_APP_ABOUT = IDS["ID_APP_ABOUT"]
ABOUT_CAPTION = "关于 Orlix"
HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tracedemo",
                      "DebugTrace.h")
TEST_LANGUAGE = 1031


def setup(world):
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def shipped_sample():
    """The block between the markers of the shipped header, as the dialog shows it."""
    with open(HEADER, encoding="utf-8") as f:
        text = f.read()
    m = re.search(r"// ORLIX-SAMPLE-BEGIN\n(.*)\n// ORLIX-SAMPLE-END", text, re.S)
    assert m, "markers missing in DebugTrace.h"
    return m.group(1).replace("\n", "\r\n")


def open_about(world, viewer):
    assert viewer.command(ID_APP_ABOUT)
    dlg = world.drv("waitdialog", None, viewer.pid, 15000)
    assert dlg, "the About dialog did not open"
    return dlg


def controls(dlg):
    return {c["id"]: c for c in dlg["controls"]}


def close_about(world, dlg):
    world.drv("click", dlg["hwnd"], 1)
    wait_until(lambda: not world.drv("exists", dlg["hwnd"]), what="About dialog closed")


def test_about_shows_program_line_and_the_shipped_sample(w):
    viewer = Viewer(w, w.drv)
    try:
        dlg = open_about(w, viewer)
        ctl = controls(dlg)
        assert dlg["title"] == ABOUT_CAPTION
        assert ctl[1002]["text"] == "Orlixv1.8.0.234"
        sample = ctl[1001]["text"]
        assert sample == shipped_sample()
        # What the sample is, whatever the header says around it.
        lines = sample.split("\r\n")
        assert len(lines) == 37, len(lines)
        assert "\n" not in sample.replace("\r\n", "") and not sample.endswith("\r\n")
        assert "#define DT\tDebugTrace" in lines
        assert any(l.startswith("BOOL DebugTrace(TCHAR *lpszFormat,...)") for l in lines)
        assert '"DebugHelper:Invalid string format!"' in sample
        assert '_T("Kesto-Orlix"), _T("Orlix")' in sample
        assert lines[-2] == "//\tsuport the OutputDebugString trace string, "
        assert lines[-1] == "//\tcan recevie the debug and release information"
        assert any(l.startswith("\t") for l in lines)
        assert ctl[1]["text"] == "确定" and ctl[1]["class"].lower() == "button"
        assert ctl[1001]["class"].lower() == "edit"
        assert ctl[1005]["class"].lower() == "static"
        assert ctl[65535]["text"]
        if os.environ.get("ORLIX_SCREENSHOTS"):
            w.screenshot(os.path.join(os.environ["ORLIX_SCREENSHOTS"], "about.png"))
        close_about(w, dlg)
    finally:
        viewer.close()


def write_language(world, entries):
    body = ["[Language]", "Language=%d" % TEST_LANGUAGE, "Description=Test language", "",
            "[100]"] + ["%s=%s" % kv for kv in entries]
    path = os.path.join(world.build, "Testsprache.lng")
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + ("\r\n".join(body) + "\r\n").encode("utf-16-le"))
    with open(os.path.join(world.build, "Orlix.ini"), "wb") as f:
        f.write(("[Main]\r\nLanguage=%d\r\n" % TEST_LANGUAGE).encode("ascii"))
    return path


def test_language_file_changes_the_caption_but_never_the_sample(w):
    lng = write_language(w, [("0", "About the viewer"), ("1", "Close"),
                             ("65535", "A viewer of debug messages"),
                             ("1001", "not the sample"), ("1002", "not the program line")])
    viewer = Viewer(w, w.drv)
    try:
        dlg = open_about(w, viewer)
        ctl = controls(dlg)
        assert dlg["title"] == "About the viewer"
        assert ctl[1]["text"] == "Close"
        assert ctl[65535]["text"] == "A viewer of debug messages"
        assert ctl[1001]["text"] == shipped_sample()
        assert ctl[1002]["text"] == "Orlixv1.8.0.234"
        close_about(w, dlg)
    finally:
        viewer.close()
        os.remove(lng)
        os.remove(os.path.join(w.build, "Orlix.ini"))
