"""High DPI: the real Orlix.exe at 96, 144 and 192 pixels per inch (Wine
takes the DPI from the registry at each program's start), and its answer to
WM_DPICHANGED when a window moves to a screen of another DPI."""
import os
import re
import subprocess

from e2e import IDS, Driver, Viewer, wait_until

LVM_GETCOLUMNWIDTH, LVM_SETCOLUMNWIDTH = 0x101D, 0x101E
TB_GETBUTTONSIZE = 0x043A
ID_FILE_PRINT_PREVIEW = 57609
PREVIEW_CLASS = "OrlixPrintPreview"
IDC_PREVIEW_CLOSE = 0x7105
DESKTOP = r"HKCU\Control Panel\Desktop"
# The sizes the program is written for, at 96 DPI: the list's columns, and a
# toolbar button (a 16x15 image with 7 and 6 pixels around it).
COLUMNS_96 = [150, 100, 90, 450]
BUTTON_96 = (23, 21)


def setup(world):
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def set_dpi(w, dpi):
    """The DPI programs started from now on run at."""
    r = w.run("reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f",
              capture_output=True, timeout=180)
    assert r.returncode == 0, r.stderr


def scaled(px, dpi):
    """px at 96 DPI carried to dpi, rounded as MulDiv rounds."""
    return (px * dpi + 48) // 96


def height(r):
    return r[3] - r[1]


def width(r):
    return r[2] - r[0]


class Metrics:
    """What the viewer's window measures, read from outside."""

    def __init__(self, w, v):
        drv = w.drv
        self.list = drv("child", v.hwnd, "SysListView32")
        self.toolbar = drv("child", v.hwnd, "ToolbarWindow32")
        self.columns = [drv("sendmsg", self.list, LVM_GETCOLUMNWIDTH, i, 0) for i in range(4)]
        size = drv("sendmsg", self.toolbar, TB_GETBUTTONSIZE, 0, 0)
        self.button = (size & 0xFFFF, size >> 16)
        self.rebar = height(drv("rect", drv("child", v.hwnd, "ReBarWindow32")))
        self.status = height(drv("rect", drv("child", v.hwnd, "msctls_statusbar32")))
        self.header = height(drv("rect", drv("child", self.list, "SysHeader32")))
        self.window = drv("rect", v.hwnd)


def pictures(w, v):
    """The image index of each button (a separator's "image" is its width)."""
    return [(b["id"], b["image"]) for b in w.drv("toolbar", v.hwnd) if not b["separator"]]


def viewer_at(w, dpi):
    # A fresh prefix runs at 96 DPI: no need to say so.
    if dpi != 96 or getattr(w, "dpi_set", False):
        set_dpi(w, dpi)
        w.dpi_set = True
    return Viewer(w, w.drv)


def shot(w, name):
    folder = os.environ.get("ORLIX_SCREENSHOTS")
    if folder:
        w.screenshot(os.path.join(folder, name))


def toolbar_ink_height(w, toolbar):
    """How many pixel rows of the toolbar, on a screenshot, hold black: the
    outlines of its pictures."""
    l, t, r, b = w.drv("rect", toolbar)
    png = w.screenshot(os.path.join(w.prefix, "toolbar.png"))
    ppm = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (r - l, b - t, l, t),
                          "+repage", "-depth", "8", "ppm:-"],
                         capture_output=True, check=True, timeout=60).stdout
    # P6 header: magic, width, height, maximum, one white space, RGB bytes.
    head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    width, height, pixels = int(head.group(1)), int(head.group(2)), ppm[head.end():]
    stride = 3 * width
    rows = [pixels[y * stride:(y + 1) * stride] for y in range(height)]
    return sum(1 for row in rows
               if any(row[i:i + 3] == b"\0\0\0" for i in range(0, stride, 3)))


def filter_dialog_size(w, v):
    """Width and height of the Filter dialog, opened and cancelled."""
    v.command(IDS["ID_FILTER"])
    dlg = w.drv("waitdialog", None, v.pid, 10000)
    assert dlg, "the Filter dialog did not open"
    r = w.drv("rect", dlg["hwnd"])
    w.drv("click", dlg["hwnd"], 2)
    wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="dialog closed")
    return width(r), height(r)


def preview_button_height(w, v):
    """Height of the print preview's Close button; the preview stays open."""
    v.command(ID_FILE_PRINT_PREVIEW)
    preview = w.drv("find", PREVIEW_CLASS, None, 45000)
    assert preview, "no preview window"
    wait_until(lambda: w.drv("visible", preview), what="preview shown")
    return preview, height(w.drv("rect", w.drv("child", preview, "Button", IDC_PREVIEW_CLOSE)))


def test_at_96_dpi_the_sizes_are_those_the_program_is_written_for(w):
    v = viewer_at(w, 96)
    try:
        m = Metrics(w, v)
        assert m.columns == COLUMNS_96
        assert m.button == BUTTON_96, m.button
        w.m96 = m
        w.ink96 = toolbar_ink_height(w, m.toolbar)
        assert 10 <= w.ink96 <= 17, w.ink96
        w.dialog96 = filter_dialog_size(w, v)
        preview, w.preview_button96 = preview_button_height(w, v)
        w.drv("click", preview, IDC_PREVIEW_CLOSE)
    finally:
        assert v.close() == 0


def test_at_192_dpi_columns_buttons_bars_dialogs_and_preview_double(w):
    v = viewer_at(w, 192)
    try:
        m = Metrics(w, v)
        assert m.columns == [2 * c for c in COLUMNS_96]
        assert m.button == (46, 42), "32x30 images with 14 and 12 pixels around them"
        # Bars and the list's header follow their fonts and buttons.
        assert m.rebar >= w.m96.rebar + 20, (m.rebar, w.m96.rebar)
        assert m.status >= w.m96.status * 1.5, (m.status, w.m96.status)
        assert m.header >= w.m96.header * 1.5, (m.header, w.m96.header)
        # Dialogs scale with their font.
        dw, dh = filter_dialog_size(w, v)
        assert 1.7 <= dw / w.dialog96[0] <= 2.3 and 1.5 <= dh / w.dialog96[1] <= 2.3, \
            ((dw, dh), w.dialog96)
        # The pictures themselves are drawn twice as large.
        shot(w, "dpi-192.png")
        ink = toolbar_ink_height(w, m.toolbar)
        assert 2 * w.ink96 - 3 <= ink <= 2 * w.ink96 + 3, (ink, w.ink96)
        preview, button = preview_button_height(w, v)
        assert button == 2 * w.preview_button96, (button, w.preview_button96)
        w.drv("click", preview, IDC_PREVIEW_CLOSE)
    finally:
        assert v.close() == 0


def test_at_144_dpi_sizes_grow_by_half(w):
    v = viewer_at(w, 144)
    try:
        m = Metrics(w, v)
        assert m.columns == [scaled(c, 144) for c in COLUMNS_96]
        assert m.button == (24 + 11, 23 + 9), m.button
        shot(w, "dpi-144.png")
    finally:
        assert v.close() == 0


def test_a_move_to_another_dpi_rescales_and_keeps_the_users_widths(w):
    v = viewer_at(w, 96)
    try:
        drv = w.drv
        m = Metrics(w, v)
        images = pictures(w, v)
        # The user widened the first column.
        drv("sendmsg", m.list, LVM_SETCOLUMNWIDTH, 0, 200)
        suggested = [40, 30, 1040, 830]
        drv("dpichanged", v.hwnd, 192, *suggested)
        big = Metrics(w, v)
        assert big.columns == [400, 200, 180, 900], big.columns
        assert big.button == (46, 42), big.button
        assert big.window == suggested, (big.window, suggested)
        assert big.rebar >= m.rebar + 20, (big.rebar, m.rebar)
        assert big.status >= m.status * 1.5, (big.status, m.status)
        assert big.header >= m.header * 1.5, (big.header, m.header)
        # Every button keeps its picture, and Capture still swaps its own.
        assert pictures(w, v) == images
        capture = [b for b in drv("toolbar", v.hwnd) if b["id"] == IDS["ID_CAPTURE"]][0]
        v.command(IDS["ID_CAPTURE"])
        wait_until(lambda: [b for b in drv("toolbar", v.hwnd)
                            if b["id"] == IDS["ID_CAPTURE"]][0]["image"] == capture["image"] - 1,
                   what="capture-off picture")
        v.command(IDS["ID_CAPTURE"])
        # Still a working viewer.
        v.send(0, "after the move")
        assert [row[3] for row in v.wait_rows(1)] == ["after the move"]
        shot(w, "dpi-moved-192.png")
        # And back: the sizes of before, the user's width included.
        suggested = [40, 30, 540, 430]
        drv("dpichanged", v.hwnd, 96, *suggested)
        back = Metrics(w, v)
        assert back.columns == [200, 100, 90, 450]
        assert back.button == BUTTON_96
        assert back.window == suggested, (back.window, suggested)
        assert back.rebar == m.rebar and back.status == m.status, (back.__dict__, m.__dict__)
        # The print preview follows a move as well.
        preview, before = preview_button_height(w, v)
        pr = drv("rect", preview)
        drv("dpichanged", preview, 192, pr[0], pr[1], pr[2] + 100, pr[3])
        after = height(drv("rect", drv("child", preview, "Button", IDC_PREVIEW_CLOSE)))
        assert after == 2 * before, (after, before)
        drv("click", preview, IDC_PREVIEW_CLOSE)
    finally:
        assert v.close() == 0
