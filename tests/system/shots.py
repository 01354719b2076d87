"""Screenshots of the main window for the README, taken from the real program:
a few lines from two clients, highlight rules colouring some of them, and the
Find dialog open over the list with the row it found selected.

scripts/screenshots.sh runs this once per language through the harness:

    ORLIX_SHOT_LANG=en python3 tests/system/harness.py run --build B tests/system/shots.py

ORLIX_SHOT_LANG is "en" (English locale: the shipped English.lng is chosen at
the first start) or "zh" (Chinese locale: the built-in texts); the picture goes
to ORLIX_SHOT_DIR (default docs/) as screenshot-<lang>.png. Any step that does
not come out as expected fails the run, so a stale picture is never kept.
"""
import os
import shutil
import subprocess
import time

from e2e import IDS, Driver, HeaderClient, LineReader, Viewer, wait_until

LANG = os.environ.get("ORLIX_SHOT_LANG", "zh")
LOCALES = {"en": "en_US.UTF-8", "zh": "zh_CN.UTF-8"}
if LANG not in LOCALES:
    raise SystemExit("ORLIX_SHOT_LANG must be one of: " + ", ".join(sorted(LOCALES)))
LOCALE = LOCALES[LANG]

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT_DIR = os.environ.get("ORLIX_SHOT_DIR") or os.path.join(ROOT, "docs")
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
# Window size of the picture (outer frame, pixels).
WIDTH, HEIGHT = 860, 540

# (client, text): "a" a narrow client, "w" a UNICODE one, both built from the
# shipped header and installed under names of their own.
LINES = {
    "en": [
        ("w", r"scan started: C:\Users\ann\Pictures"),
        ("w", "found 1284 files, 37 new"),
        ("a", "connect backup.example.org:443 ok"),
        ("w", "upload IMG_2041.jpg  2.4 MB  310 ms"),
        ("a", "queue length 3"),
        ("w", "upload IMG_2042.jpg  2.1 MB  287 ms"),
        ("a", "warning: chunk 17 timed out, retry 1 of 3"),
        ("a", "chunk 17 stored"),
        ("w", "done: 37 uploaded, 0 failed"),
    ],
    "zh": [
        ("w", r"开始扫描：C:\Users\ann\Pictures"),
        ("w", "找到 1284 个文件，其中 37 个是新的"),
        ("a", "连接 backup.example.org:443 成功"),
        ("w", "上传 IMG_2041.jpg  2.4 MB  用时 310 ms"),
        ("a", "队列长度 3"),
        ("w", "上传 IMG_2042.jpg  2.1 MB  用时 287 ms"),
        ("a", "警告：数据块 17 超时，第 1 次重试（共 3 次）"),
        ("a", "数据块 17 已保存"),
        ("w", "完成：上传 37 个，失败 0 个"),
    ],
}
CLIENT_NAMES = {"a": "backupd.exe", "w": "PhotoSync.exe"}
# Highlight rules (kind, flags, text RRGGBB, background RRGGBB, pattern), the
# text Find looks for, and the row it must select.
RULES = {
    "en": ["text,-,9C0006,FFC7CE,warning", "process,-,1F3864,DDEBF7,backupd.exe"],
    "zh": ["text,-,9C0006,FFC7CE,警告", "process,-,1F3864,DDEBF7,backupd.exe"],
}
# Two more views beside the first, so the picture shows the tabs.
VIEWS = {
    "en": [("All", None), ("Warnings", "warning"), ("backupd", None)],
    "zh": [("全部", None), ("警告", "警告"), ("backupd", None)],
}
FIND_TEXT, FIND_ROW = "IMG_2042", 6


def setup(world):
    # Run from a folder of the prefix's own, as after an install: a language
    # choice saved beside the build's Orlix.exe by other runs stays out.
    world.app_dir = os.path.join(world.prefix, "drive_c", "Program Files", "Orlix")
    os.makedirs(world.app_dir)
    for name in ("Orlix.exe", "tracedemo.exe", "English.lng"):
        shutil.copy(os.path.join(world.build, name), world.app_dir)
    for kind, name in CLIENT_NAMES.items():
        shutil.copy(os.path.join(world.build, "headerclient_%s.exe" % kind),
                    os.path.join(world.app_dir, name))
    # The options a picture shows: highlight rules, the message column
    # filling the width, the row count in the status bar.
    views = ["[Views]", "Count=%d" % len(VIEWS[LANG]), "Active=0"]
    for i, (name, text) in enumerate(VIEWS[LANG]):
        views.append("Name%d=%s" % (i + 1, name))
        rule = ("include,text,contains,-,000000,FFFF99," + text if text
                else "include,process,equals,-,000000,FFFF99,backupd.exe" if i else None)
        views.append("Rules%d=%d" % (i + 1, 1 if rule else 0))
        if rule:
            views.append("Rule%d_1=%s" % (i + 1, rule))
    ini = "\r\n".join(["[View]", "FitMessageColumn=1", "Timeline=1", "[Window]", "StatusDetails=1",
                        "[Highlight]", "Count=%d" % len(RULES[LANG])] +
                       ["Rule%d=%s" % (i + 1, r) for i, r in enumerate(RULES[LANG])] +
                       views) + "\r\n"
    with open(os.path.join(world.app_dir, "Orlix.ini"), "wb") as f:
        f.write(b"\xff\xfe" + ini.encode("utf-16-le"))
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def app(name):
    return "C:\\Program Files\\Orlix\\" + name


def xdotool(world, *args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=20,
                   env=dict(os.environ, DISPLAY=world.xvfb.display))


def convert(*args):
    r = subprocess.run([CONVERT] + [str(a) for a in args], capture_output=True, text=True,
                       timeout=60)
    assert r.returncode == 0, "convert %s: %s" % (" ".join(map(str, args)), r.stderr)
    return r.stdout.strip()


def desktop_colour(png):
    # A corner of the virtual desktop that no window covers.
    return convert(png, "-format", "%[pixel:p{1270,990}]", "info:")


def window_box(world, png):
    """Bounding box (w, h, x, y) of what is not desktop background."""
    bg = desktop_colour(png)
    box = convert(png, "-crop", "1280x1000+0+0", "+repage", "-bordercolor", bg, "-border", "1",
                  "-trim", "-format", "%w %h %X %Y", "info:")
    w, h, x, y = box.split()
    return int(w), int(h), int(x) - 1, int(y) - 1


class DemoClient(HeaderClient):
    """A header client under the name it was installed as."""

    def __init__(self, world, name):
        self.proc = world.wine(app(name), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.out = LineReader(self.proc.stdout)
        self.pid = int(self.ask("!pid"))


def test_screenshot(w):
    viewer = Viewer(w, w.drv, exe=app("Orlix.exe"), cwd=w.app_dir)
    clients = {}
    try:
        r = w.run(app("tracedemo.exe"), capture_output=True, cwd=w.app_dir)
        assert r.returncode == 0 and r.stdout == b"Hello World!\n", r
        viewer.wait_rows(1)
        # The picture must show the language it is named after: in English
        # the viewer chose English.lng at its first start and saved that
        # choice; in Chinese it kept the built-in texts and saved nothing.
        ini = read_ini_text(os.path.join(w.app_dir, "Orlix.ini"))
        if LANG == "en":
            assert "[Main]" in ini and "Language=1033" in ini, ini
        else:
            assert "Language=1033" not in ini, ini
        clients = {k: DemoClient(w, n) for k, n in CLIENT_NAMES.items()}
        for kind, text in LINES[LANG]:   # over a few seconds, for the timeline
            clients[kind].trace(text)
            time.sleep(0.35)
        rows = viewer.wait_rows(1 + len(LINES[LANG]))
        assert [r[0] for r in rows] == ["tracedemo.exe"] + [CLIENT_NAMES[k] for k, _ in
                                                            LINES[LANG]], rows
        assert [r[3] for r in rows[1:]] == [t for _, t in LINES[LANG]], rows

        # Bring the window to the picture's size by dragging its corner, as
        # a person would (nothing else can size another program's window).
        probe = os.path.join(w.prefix, "probe.png")
        w.screenshot(probe)
        ww, wh, wx, wy = window_box(w, probe)
        assert ww > 300 and wh > 200, "no viewer window on the screen"
        right, bottom = wx + ww - 2, wy + wh - 2
        xdotool(w, "mousemove", right, bottom)
        time.sleep(0.3)
        xdotool(w, "mousedown", 1)
        steps = 6
        for i in range(1, steps + 1):
            xdotool(w, "mousemove", right + (wx + WIDTH - 2 - right) * i // steps,
                    bottom + (wy + HEIGHT - 2 - bottom) * i // steps)
            time.sleep(0.15)
        xdotool(w, "mouseup", 1)
        xdotool(w, "mousemove", 1200, 950)
        wait_until(lambda: w.drv("status", viewer.hwnd), timeout=10, what="status text")

        # Find, as a user would: Ctrl+F's dialog, the text, Find Next. The
        # dialog goes to the list's empty lower right part.
        w.drv("keys", viewer.hwnd, ord("F"), "ctrl")
        dlg = w.drv("waitdialog", None, viewer.pid, 10000)
        assert dlg, "no find dialog"
        controls = {c["id"]: c["hwnd"] for c in dlg["controls"]}
        w.drv("settext", controls[IDS["IDC_FIND_TEXT"]], FIND_TEXT)
        w.drv("click", dlg["hwnd"], 1)
        wait_until(lambda: w.drv("selected", viewer.hwnd) == [FIND_ROW], timeout=10,
                   what="the found row selected")
        dl, dt, dr, db = w.drv("winrect", dlg["hwnd"])
        vl, vt, vr, vb = w.drv("winrect", viewer.hwnd)
        w.drv("placewindow", dlg["hwnd"], vr - (dr - dl) - 24, vb - (db - dt) - 48,
              dr - dl, db - dt)
        # Back to the main window (a click on its title bar): the dialog
        # stays open and the found row shows in the selection's colour.
        xdotool(w, "mousemove", vl + 300, vt + 10)
        xdotool(w, "click", 1)
        xdotool(w, "mousemove", 1200, 950)
        # Without a window manager the click stacked the main window over
        # its dialog; put the dialog back on top, as Windows keeps it.
        title = w.drv("title", dlg["hwnd"])
        xdotool(w, "search", "--name", "^%s$" % title, "windowraise")
        time.sleep(1.5)  # list updates and the resize repaint are coalesced

        full = os.path.join(w.prefix, "full.png")
        w.screenshot(full)
        ww, wh, wx, wy = window_box(w, full)
        assert abs(ww - WIDTH) <= 4 and abs(wh - HEIGHT) <= 4, \
            "window is %dx%d, not %dx%d" % (ww, wh, WIDTH, HEIGHT)
        out = os.path.join(OUT_DIR, "screenshot-%s.png" % LANG)
        tmp = out + ".tmp.png"
        convert(full, "-crop", "%dx%d+%d+%d" % (ww, wh, wx, wy), "+repage", "-strip", tmp)
        colours = int(convert(tmp, "-format", "%k", "info:"))
        assert colours > 16, "the picture is nearly blank (%d colours)" % colours
        # The highlighted row's background is in the picture.
        assert "FFC7CE" in convert(tmp, "-unique-colors", "txt:").upper(), \
            "no highlighted row in the picture"
        os.replace(tmp, out)
        print("wrote %s (%dx%d)" % (out, ww, wh))
    finally:
        for c in clients.values():
            c.close()
        viewer.close()


def read_ini_text(path):
    """A profile file as text (UTF-16 with a BOM, else the ANSI code page)."""
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        data = f.read()
    return data.decode("utf-16") if data.startswith(b"\xff\xfe") else data.decode("latin-1")
