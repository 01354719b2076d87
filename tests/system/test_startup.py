"""Start-up: the standard command line, the recent-file list, the mutex."""
import os
import subprocess
import time

from e2e import Driver, Viewer, wait_until

KEY = r"HKCU\Software\Local AppWizard-Generated Applications\Orlix\Recent File List"


def setup(world):
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def recent_files(w):
    r = w.run("reg", "query", KEY, capture_output=True)
    out = r.stdout.decode("utf-8", "replace")
    return [line.split("REG_SZ", 1)[1].strip() for line in out.splitlines() if "REG_SZ" in line]


def test_a_file_on_the_command_line_is_opened_and_remembered(w):
    doc = os.path.join(w.prefix, "drive_c", "some log.txt")
    with open(doc, "w") as f:
        f.write("not read\n")
    v = Viewer(w, w.drv, args=[w.winpath(doc)])
    try:
        time.sleep(0.5)
        assert w.drv("title", v.hwnd) == "Orlix"
        assert w.drv("rowcount", v.hwnd) == 0, "nothing is read from the file"
        v.send(0, "still a viewer")
        assert [r[3] for r in v.wait_rows(1)] == ["still a viewer"]
    finally:
        assert v.close() == 0
    assert recent_files(w)[:1] == [w.winpath(doc)]


def test_a_missing_file_is_reported_and_the_start_fails(w):
    missing = w.winpath(os.path.join(w.prefix, "drive_c", "nope.txt"))
    p = w.wine(os.path.join(w.build, "Orlix.exe"), missing)
    box = w.drv("waitdialog", "Orlix", 0, 20000)
    assert box, "an error box names the failed document"
    assert any("nope.txt" in c["text"] for c in box["controls"]), box
    w.drv("click", box["hwnd"], 1)
    p.wait(20)
    assert w.drv("find", "Kesto-Orlix", "Orlix", 0) == 0


def test_a_start_after_the_first_instance_ended_runs_normally(w):
    v = Viewer(w, w.drv)
    assert v.close() == 0
    v2 = Viewer(w, w.drv)
    try:
        assert w.drv("exists", v2.hwnd)
    finally:
        v2.close()


def test_closing_is_prompt(w):
    v = Viewer(w, w.drv)
    for i in range(100):
        v.send(0, "line %d" % i)
    t0 = time.time()
    v.close()
    assert time.time() - t0 < 3.0
