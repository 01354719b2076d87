"""Helpers shared by the end-to-end tests: fixtures and the viewer under test."""
import json
import os
import queue
import re
import subprocess
import sys
import threading
import time

from harness import Driver, wait_until  # noqa: F401  (re-exported for tests)

VIEWER_CLASS = "Kesto-Orlix"
VIEWER_TITLE = "Orlix"


def _read_ids():
    """The command, control and string ids as the program's headers define
    them: the framework's standard ones and the program's own."""
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ids = {}
    define = re.compile(r"#define\s+(\w+)\s+\(?(-?\d+)\)?\s*(?://.*)?$")
    for rel in ("framework/AfxRes.h", "resources/resource.h"):
        with open(os.path.join(root, rel), encoding="utf-8") as f:
            for line in f:
                m = define.match(line.strip())
                if m:
                    ids[m.group(1)] = int(m.group(2))
    return ids


IDS = _read_ids()


class LineReader:
    """Collects a process's stdout lines (JSON where they parse) in a queue."""

    def __init__(self, stream):
        self.q = queue.Queue()
        self.t = threading.Thread(target=self._run, args=(stream,), daemon=True)
        self.t.start()

    def _run(self, stream):
        for raw in iter(stream.readline, b""):
            s = raw.decode("utf-8", "replace").strip()
            try:
                self.q.put(json.loads(s))
            except ValueError:
                self.q.put(s)
        self.q.put(None)

    def get(self, timeout=10):
        try:
            return self.q.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError("no output within %s s" % timeout)

    def drain(self, wait=0.3):
        out = []
        deadline = time.time() + wait
        while True:
            try:
                out.append(self.q.get(timeout=max(0.0, deadline - time.time())))
            except queue.Empty:
                return out


class Receiver:
    """recvwin.exe: a top-level window that reports every WM_SETTEXT."""

    def __init__(self, world, cls=VIEWER_CLASS, title=VIEWER_TITLE):
        self.proc = world.wine(os.path.join(world.build, "recvwin.exe"), cls, title,
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.out = LineReader(self.proc.stdout)
        first = self.out.get(20)
        assert isinstance(first, dict) and "ready" in first, first
        self.hwnd = first["ready"]

    def messages(self, wait=0.5):
        return [m for m in self.out.drain(wait) if isinstance(m, dict) and "text" in m]

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class HeaderClient:
    """A long-lived client built from the shipped header: one DT per line."""

    def __init__(self, world, wide=False):
        exe = "headerclient_w.exe" if wide else "headerclient_a.exe"
        self.proc = world.wine(os.path.join(world.build, exe),
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.out = LineReader(self.proc.stdout)
        self.pid = int(self.ask("!pid"))

    def ask(self, line, timeout=20):
        self.proc.stdin.write((line + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        return self.out.get(timeout)

    def trace(self, text):
        assert self.ask(text) == "sent"

    def close(self):
        try:
            self.proc.stdin.close()
            self.proc.wait(10)
        except Exception:
            self.proc.kill()


class Viewer:
    """The real Orlix.exe, started in a world and found by class and title."""

    def __init__(self, world, drv, exe=None, args=(), cwd=None, env=None, wait=True):
        self.world = world
        self.drv = drv
        self.exe = exe or os.path.join(world.build, "Orlix.exe")
        start = lambda: world.wine(self.exe, *args, cwd=cwd, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.proc = start()
        self.hwnd = 0
        if wait:
            self.hwnd = drv("find", VIEWER_CLASS, VIEWER_TITLE, 30000)
            if not self.hwnd:
                # Seen once in many hundred starts on a loaded machine: no
                # window after 30 s. Say what was there, then start once more
                # (a second miss fails the test).
                code = self.proc.poll()
                sys.stderr.write("viewer window did not appear (process %s); starting again\n"
                                 % ("ended with %s" % code if code is not None else "still running"))
                if code is None:
                    self.proc.kill()
                    self.proc.wait(10)
                self.proc = start()
                self.hwnd = drv("find", VIEWER_CLASS, VIEWER_TITLE, 30000)
            assert self.hwnd, "viewer window did not appear"
            wait_until(lambda: drv("pid", self.hwnd), what="viewer pid")
            self.pid = drv("pid", self.hwnd)
            # The window exists before its bars and list; wait for all of them.
            wait_until(lambda: self._ready(), timeout=30, what="viewer ready")

    def _ready(self):
        try:
            self.drv("rowcount", self.hwnd)
            self.drv("status", self.hwnd)
            return len(self.drv("toolbar", self.hwnd)) > 0
        except Exception:
            return False

    def send(self, pid, text, mode="wide"):
        return self.drv("send", self.hwnd, pid, text, mode)

    def rows(self):
        return self.drv("rows", self.hwnd, 0, -1)

    def settled_rows(self, quiet=0.3):
        """The rows once the list has stopped growing (updates are coalesced)."""
        last = -1
        while True:
            time.sleep(quiet)
            n = self.drv("rowcount", self.hwnd)
            if n == last:
                return self.rows()
            last = n

    def wait_rows(self, n, timeout=10000):
        got = self.drv("waitrows", self.hwnd, n, timeout)
        assert got >= n, "expected %d rows, have %d" % (n, got)
        return self.rows()

    def command(self, cmd_id):
        return self.drv("command", self.hwnd, cmd_id)

    def close(self, timeout=20):
        if self.hwnd and self.drv("exists", self.hwnd):
            self.drv("post", self.hwnd, 0x0010, 0, 0)  # WM_CLOSE
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise AssertionError("viewer did not end")
        return self.proc.returncode


def start_viewer(world):
    """The usual world of an end-to-end file: a driver and the viewer,
    as world.drv and world.viewer (its setup)."""
    world.drv = Driver(world)
    world.viewer = Viewer(world, world.drv)
    return world


def stop_viewer(world):
    """Ends what start_viewer started (its teardown); a viewer that a test
    closed and could not start again is None."""
    try:
        if world.viewer:
            world.viewer.close()
    finally:
        world.drv.close()


def restart_viewer(world):
    """Closes the viewer and starts it again (settings are read anew)."""
    world.viewer.close()
    world.viewer = Viewer(world, world.drv)


def resident_kib(world, name="Orlix.exe"):
    """Resident memory (KiB) of the world's one Windows process of that
    program, read from Linux's view of it; None when it is not running."""
    mark = ("WINEPREFIX=" + world.prefix).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = f.read().split(b"\0")
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read().lower()
            if mark not in env or name.lower().encode() not in cmd:
                continue
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            continue
    return None


def ini_text(world):
    """The viewer's settings file beside the build's Orlix.ini (UTF-16 with a
    BOM, else UTF-8 text); empty when there is none."""
    path = os.path.join(world.build, "Orlix.ini")
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        data = f.read()
    return data[2:].decode("utf-16-le") if data.startswith(b"\xff\xfe") else data.decode("utf-8")


def set_filter(world, include, exclude):
    """Sets the viewer's filter through its dialog, as a user would."""
    v = world.viewer
    v.command(IDS["ID_FILTER"])
    dlg = world.drv("waitdialog", None, v.pid, 10000)
    assert dlg, "no filter dialog"
    edits = {c["id"]: c["hwnd"] for c in dlg["controls"] if c["class"].lower() == "edit"}
    world.drv("settext", edits[1000], include)
    world.drv("settext", edits[1001], exclude)
    world.drv("click", dlg["hwnd"], 1)
    wait_until(lambda: not world.drv("exists", dlg["hwnd"]), what="filter dialog closed")


class GlobalRefused:
    """While it lives, creating the global debug channel is refused (access
    denied), as for a user without the privilege to create global objects:
    a helper holds its event with an access list that grants nothing."""

    def __init__(self, world):
        self.proc = world.wine(os.path.join(world.build, "holdfile.exe"), "--denied-event",
                               "Global\\DBWIN_BUFFER_READY",
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        line = self.proc.stdout.readline().strip()
        assert line == b"held", line

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(30)
