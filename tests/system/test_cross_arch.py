"""32-bit and 64-bit programs together, in one win64 prefix (WoW64): a 32-bit
client into the 64-bit viewer, and 64-bit clients into the 32-bit viewer.
Runs from the x86-64 tree where this machine also runs 32-bit code, with the
i686 tree beside it (build/win32 beside build/win64)."""
import json
import os
import shutil
import subprocess

import harness
from e2e import IDS, Driver, HeaderClient, Viewer, wait_until

SAMPLE = "hello orlix.example.org"
ID_CLEAR = IDS["ID_CLEAR"]


def skip_reason(build):
    if harness.build_arch(build) != "win64":
        return "runs from the x86-64 tree"
    if not harness.arch_runs("win32"):
        return "this machine runs no 32-bit code: no 32-bit program can meet a 64-bit one here"
    if not harness.sibling_tree(build, "win32"):
        return "no i686 build tree beside this one"
    return None


def setup(world):
    # The 32-bit programs, renamed so the rows tell the architectures apart.
    tree32 = harness.sibling_tree(world.build_dir, "win32")
    for name in ("Orlix.exe", "tracedemo.exe", "odswriter.exe", "orlixdrv.exe"):
        stem, ext = os.path.splitext(name)
        shutil.copy2(os.path.join(tree32, name), os.path.join(world.build, stem + "32" + ext))
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def clear(w, viewer):
    w.drv("sendcommand", viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", viewer.hwnd) == 0, what="empty list")


def test_32_bit_clients_reach_the_64_bit_viewer(w):
    viewer = Viewer(w, w.drv)
    try:
        clear(w, viewer)
        r = w.run(os.path.join(w.build, "tracedemo32.exe"), capture_output=True)
        assert (r.returncode, r.stdout) == (0, b"Hello World!\n")
        r = w.run(os.path.join(w.build, "odswriter32.exe"), "text",
                  "from a 32-bit writer".encode().hex(), capture_output=True, timeout=60)
        assert r.returncode == 0, r.stderr
        ods_pid = json.loads(r.stdout.decode().strip().splitlines()[-1])["pid"]
        viewer.wait_rows(2)
        rows = viewer.settled_rows()
        assert [(x[0], x[3]) for x in rows] == [("tracedemo32.exe", SAMPLE),
                                                ("odswriter32.exe", "from a 32-bit writer")], rows
        assert rows[1][1] == str(ods_pid)
    finally:
        assert viewer.close() == 0


def test_64_bit_clients_reach_the_32_bit_viewer_which_names_them(w):
    # The list is read through an LVITEMW placed in the viewer's memory, whose
    # layout is the viewer's: a 32-bit driver reads a 32-bit viewer.
    drv32 = Driver(w, exe=os.path.join(w.build, "orlixdrv32.exe"))
    viewer = Viewer(w, drv32, exe=os.path.join(w.build, "Orlix32.exe"))
    client = None
    try:
        drv32("sendcommand", viewer.hwnd, ID_CLEAR)
        wait_until(lambda: drv32("rowcount", viewer.hwnd) == 0, what="empty list")
        client = HeaderClient(w)
        client.trace("from a 64-bit client")
        r = w.run(os.path.join(w.build, "tracedemo.exe"), capture_output=True)
        assert (r.returncode, r.stdout) == (0, b"Hello World!\n")
        viewer.wait_rows(2)
        rows = viewer.settled_rows()
        assert rows[0][:2] == ["headerclient_a.exe", str(client.pid)], rows
        assert [(x[0], x[3]) for x in rows] == [("headerclient_a.exe", "from a 64-bit client"),
                                                ("tracedemo.exe", SAMPLE)], rows
    finally:
        if client:
            client.close()
        try:
            assert viewer.close() == 0
        finally:
            drv32.close()
