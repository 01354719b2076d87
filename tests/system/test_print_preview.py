"""Print preview and printing of the real Orlix.exe, driven from outside."""
import os

from e2e import wait_until, start_viewer, stop_viewer

ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW = 57607, 57608, 57609
PREVIEW_CLASS, PREVIEW_TITLE = "OrlixPrintPreview", "打印预览 - Orlix"
IDC_PREVIEW_NEXT, IDC_PREVIEW_ZOOM_IN, IDC_PREVIEW_CLOSE = 0x7102, 0x7103, 0x7105
IDC_PREVIEW_PAGE_LABEL = 0x7106
NO_PRINTER = "没有安装打印机"


setup = start_viewer
teardown = stop_viewer


def shot(world, name):
    folder = os.environ.get("ORLIX_SCREENSHOTS")
    if folder:
        world.screenshot(os.path.join(folder, name))


def label(world, preview):
    return world.drv("gettext", world.drv("child", preview, "Static", IDC_PREVIEW_PAGE_LABEL))


def answer_box(world, want):
    """The message box the viewer shows: its texts must hold `want`; OK ends it."""
    box = world.drv("waitdialog", None, world.viewer.pid, 15000)
    assert box, "no message box"
    texts = " ".join(c["text"] for c in box["controls"])
    world.drv("click", box["hwnd"], 1)
    wait_until(lambda: not world.drv("exists", box["hwnd"]), what="box closed")
    assert want in texts, texts


def test_preview_pages_the_list(w):
    v = w.viewer
    w.drv("sendmany", v.hwnd, os.getpid(), "preview row ", 300)
    v.wait_rows(300)
    assert v.command(ID_FILE_PRINT_PREVIEW)
    preview = w.drv("find", PREVIEW_CLASS, PREVIEW_TITLE, 45000)
    assert preview
    # Found as soon as it exists; shown a moment later.
    wait_until(lambda: w.drv("visible", preview), what="preview shown")
    # 300 rows of 9 points on an A4 sheet: five pages.
    wait_until(lambda: label(w, preview).startswith("第 1 页 / 共 5 页"), what="page label")
    # The main window keeps its title, so clients still find the viewer.
    assert w.drv("title", v.hwnd) == "Orlix"
    shot(w, "preview-page.png")
    w.drv("click", preview, IDC_PREVIEW_ZOOM_IN)
    w.drv("click", preview, IDC_PREVIEW_NEXT)
    wait_until(lambda: label(w, preview).startswith("第 2 页 / 共 5 页"), what="next page")
    shot(w, "preview-zoomed.png")
    w.drv("click", preview, IDC_PREVIEW_CLOSE)
    wait_until(lambda: not w.drv("exists", preview), what="preview closed")


def test_print_without_printer_says_so(w):
    v = w.viewer
    for cmd in (ID_FILE_PRINT, ID_FILE_PRINT_DIRECT):
        assert v.command(cmd)
        answer_box(w, NO_PRINTER)
    # The preview's own Print button too; the preview stays open.
    assert v.command(ID_FILE_PRINT_PREVIEW)
    preview = w.drv("find", PREVIEW_CLASS, PREVIEW_TITLE, 45000)
    assert preview
    w.drv("click", preview, ID_FILE_PRINT)
    answer_box(w, NO_PRINTER)
    assert w.drv("exists", preview)
    w.drv("click", preview, IDC_PREVIEW_CLOSE)
    wait_until(lambda: not w.drv("exists", preview), what="preview closed")
