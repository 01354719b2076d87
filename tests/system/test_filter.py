"""The filter kept in param.ini beside the executable, with the real viewer."""
import os
import shutil
import stat
import subprocess

from e2e import IDS, Driver, Viewer, wait_until


def setup(world):
    world.drv = Driver(world)
    world.ini = os.path.join(world.build, "param.ini")
    return world


def teardown(world):
    world.drv.close()


def write_ini(w, text):
    with open(w.ini, "wb") as f:
        f.write(text.encode("ascii"))


def read_ini(w):
    with open(w.ini, "rb") as f:
        return f.read()


def run_viewer(w, lines=(), cwd=None, exe=None):
    v = Viewer(w, w.drv, exe=exe, cwd=cwd)
    for text in lines:
        v.send(0, text)
    rows = [r[3] for r in v.settled_rows()] if lines else []
    assert v.close() == 0
    return rows


def test_first_run_creates_exactly_a_filter_section(w):
    if os.path.exists(w.ini):
        os.unlink(w.ini)
    run_viewer(w)
    assert read_ini(w) == b"[Filter]\r\ninclude=;\r\nexclude=;\r\n"


def test_other_sections_keep_their_order_and_filter_comes_last(w):
    write_ini(w, "; a comment line\r\n\r\n[First]\r\na=1\r\nno equals here\r\n"
                 "[Second]\r\n b = 2 \r\n\r\n[First]\r\nc=3\r\n")
    run_viewer(w)
    assert read_ini(w) == (b"[First]\r\na=1\r\n[Second]\r\n b = 2 \r\n[First]\r\nc=3\r\n"
                           b"[Filter]\r\ninclude=;\r\nexclude=;\r\n")


def test_stored_filter_hides_lines_from_the_first_line_on(w):
    write_ini(w, "[Filter]\r\ninclude=err;\r\nexclude=noise;\r\n")
    rows = run_viewer(w, ["first line", "an err", "err noise", "err again"])
    assert rows == ["an err", "err again"]
    assert read_ini(w) == b"[Filter]\r\ninclude=err;\r\nexclude=noise;\r\n"


def test_missing_keys_and_section_give_empty_texts(w):
    write_ini(w, "[Filter]\r\ninclude=keep;\r\n")
    assert run_viewer(w, ["keep me", "drop me"]) == ["keep me"]
    assert read_ini(w) == b"[Filter]\r\ninclude=keep;\r\nexclude=;\r\n"
    write_ini(w, "[Other]\r\nx=y\r\n")
    assert run_viewer(w, ["shown"]) == ["shown"]
    assert read_ini(w) == b"[Other]\r\nx=y\r\n[Filter]\r\ninclude=;\r\nexclude=;\r\n"


def test_another_working_directory_still_uses_the_file_beside_the_exe(w):
    write_ini(w, "[Filter]\r\ninclude=beside;\r\nexclude=;\r\n")
    elsewhere = os.path.join(w.prefix, "drive_c", "elsewhere")
    os.makedirs(elsewhere, exist_ok=True)
    with open(os.path.join(elsewhere, "param.ini"), "wb") as f:
        f.write(b"[Filter]\r\ninclude=wrong;\r\nexclude=;\r\n")
    rows = run_viewer(w, ["beside it", "wrong one"], cwd=elsewhere)
    assert rows == ["beside it"]
    with open(os.path.join(elsewhere, "param.ini"), "rb") as f:
        assert f.read() == b"[Filter]\r\ninclude=wrong;\r\nexclude=;\r\n"


def test_read_only_file_loses_nothing(w):
    text = "[Keep]\r\nk=v\r\n[Filter]\r\ninclude=ro;\r\nexclude=;\r\n"
    write_ini(w, text)
    os.chmod(w.ini, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    try:
        rows = run_viewer(w, ["ro line", "other"])
        assert rows == ["ro line"]
        assert read_ini(w) == text.encode("ascii")
        assert [n for n in os.listdir(w.build) if "param" in n.lower()] == ["param.ini"], \
            "no temporary file left beside it"
    finally:
        os.chmod(w.ini, 0o644)


def test_non_ascii_filter_survives_a_restart(w):
    write_ini(w, "")
    v = Viewer(w, w.drv)
    # Set the filter through the dialog, as a user would.
    v.command(IDS["ID_FILTER"])
    dlg = w.drv("waitdialog", None, v.pid, 10000)
    edits = {c["id"]: c["hwnd"] for c in dlg["controls"] if c["class"].lower() == "edit"}
    w.drv("settext", edits[1000], "错误;err")
    w.drv("settext", edits[1001], "")
    w.drv("click", dlg["hwnd"], 1)
    wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="dialog closed")
    v.send(0, "一个错误")
    v.send(0, "nothing")
    assert [r[3] for r in v.wait_rows(1)] == ["一个错误"]
    v.close()
    assert run_viewer(w, ["err 1", "其他", "错误 2"]) == ["err 1", "错误 2"]
