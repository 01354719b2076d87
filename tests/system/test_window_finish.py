"""The window's finish on the real Orlix.exe, driven from outside: the message
column filling the width (until the user sizes it), dialogs centred over the
main window, and the status bar's row count, filter note and return to the
idle text. Each is off until switched on, and then survives a restart."""
import os
import subprocess
import time

from e2e import ini_text, IDS, wait_until, start_viewer, stop_viewer, restart_viewer, set_filter

teardown = stop_viewer
restart = restart_viewer

SB_GETPARTS, WM_MENUSELECT = 0x0406, 0x011F
IDLE = "就绪"


setup = start_viewer


def cmd(w, name):
    w.drv("sendcommand", w.viewer.hwnd, IDS[name])


def list_window(w):
    return w.drv("child", w.viewer.hwnd, "SysListView32")


def widths(w):
    return dict(zip(*(w.drv("headerwidths", w.viewer.hwnd)[k] for k in ("order", "widths"))))


def client_width(w):
    left, _, right, _ = w.drv("rect", list_window(w), "client")
    return right - left


def fills(w):
    return sum(widths(w).values()) == client_width(w)


def grow(w, dx, dy=0):
    left, top, right, bottom = w.drv("winrect", w.viewer.hwnd)
    w.drv("placewindow", w.viewer.hwnd, left, top, right - left + dx, bottom - top + dy)


def status(w, pane=0):
    return w.drv("status", w.viewer.hwnd, pane)


def panes(w):
    return w.drv("sendmsg", w.drv("child", w.viewer.hwnd, "msctls_statusbar32"), SB_GETPARTS, 0, 0)


def drag_message_divider(w, dx):
    """Drags the message column's right divider with the mouse, as a user."""
    header = w.drv("child", list_window(w), "SysHeader32")
    left, top, _, bottom = w.drv("rect", header)
    layout = w.drv("headerwidths", w.viewer.hwnd)
    edge = left + sum(layout["widths"][:layout["order"].index(3) + 1])
    y = (top + bottom) // 2
    run = lambda *a: subprocess.run(["xdotool"] + [str(x) for x in a], check=True, timeout=20,
                                    env=dict(os.environ, DISPLAY=w.xvfb.display))
    run("mousemove", edge - 1, y)
    time.sleep(0.3)
    run("mousedown", 1)
    for i in range(1, 6):
        run("mousemove", edge - 1 + dx * i // 5, y)
        time.sleep(0.1)
    run("mouseup", 1)
    run("mousemove", 5, 5)


def test_everything_is_off_at_first(w):
    assert widths(w)[3] == 450, widths(w)
    grow(w, 120)
    time.sleep(0.5)
    assert widths(w)[3] == 450, widths(w)
    assert panes(w) == 1
    # A closed menu leaves the last prompt where it was.
    w.drv("sendmsg", w.viewer.hwnd, WM_MENUSELECT, IDS["ID_CLEAR"], 0)
    prompt = status(w)
    assert prompt and prompt != IDLE, prompt
    w.drv("sendmsg", w.viewer.hwnd, WM_MENUSELECT, 0xFFFF << 16, 0)
    assert status(w) == prompt
    # Dialogs open where their templates put them, not over the window.
    w.viewer.command(IDS["ID_FILTER"])
    dlg = w.drv("waitdialog", None, w.viewer.pid, 10000)
    dl, dt, dr, db = w.drv("winrect", dlg["hwnd"])
    vl, vt, vr, vb = w.drv("winrect", w.viewer.hwnd)
    assert abs((dl + dr) - (vl + vr)) > 8 or abs((dt + db) - (vt + vb)) > 8
    w.drv("click", dlg["hwnd"], 2)
    wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="filter dialog closed")


def test_message_column_fills_the_width_until_the_user_sizes_it(w):
    cmd(w, "ID_FIT_MESSAGE_COLUMN")
    wait_until(lambda: fills(w), what="message column filling the list")
    grow(w, 150)
    wait_until(lambda: fills(w), what="filling after a resize")
    # Enough rows for a vertical scroll bar: the column gives it room.
    w.drv("sendmany", w.viewer.hwnd, 0, "row ", 300, "wide")
    w.viewer.wait_rows(300)
    wait_until(lambda: fills(w), what="filling beside the scroll bar")
    # Hiding a column gives its width to the message column.
    cmd(w, "ID_COLUMN_FIRST")
    wait_until(lambda: widths(w)[0] == 0 and fills(w), what="filling with a column hidden")
    cmd(w, "ID_COLUMN_FIRST")
    wait_until(lambda: widths(w)[0] == 150 and fills(w), what="column back")
    restart(w)
    assert "FitMessageColumn=1" in ini_text(w), ini_text(w)
    # The filled width is the window's, not a width the user chose.
    assert "[Columns]" not in ini_text(w), ini_text(w)
    wait_until(lambda: fills(w), what="filling after a restart")

    drag_message_divider(w, -120)
    wait_until(lambda: not fills(w), what="the user's width")
    sized = widths(w)[3]
    grow(w, -100)
    time.sleep(0.5)
    assert widths(w)[3] == sized, (widths(w), sized)
    # Switched off: the column goes back to its own width.
    cmd(w, "ID_FIT_MESSAGE_COLUMN")
    restart(w)
    assert "FitMessageColumn=0" in ini_text(w)
    assert not fills(w)


def test_dialogs_open_centred_over_the_main_window(w):
    cmd(w, "ID_CENTER_DIALOGS")
    w.drv("placewindow", w.viewer.hwnd, 300, 200, 700, 500)
    for command in ("ID_FILTER", "ID_HISTORY_LIMIT", "ID_APP_ABOUT"):
        w.viewer.command(IDS[command])
        dlg = w.drv("waitdialog", None, w.viewer.pid, 10000)
        dl, dt, dr, db = w.drv("winrect", dlg["hwnd"])
        vl, vt, vr, vb = w.drv("winrect", w.viewer.hwnd)
        assert abs((dl + dr) - (vl + vr)) <= 2 and abs((dt + db) - (vt + vb)) <= 2, \
            (command, (dl, dt, dr, db), (vl, vt, vr, vb))
        w.drv("click", dlg["hwnd"], 2)
        wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="dialog closed")
    restart(w)
    assert "CentreDialogs=1" in ini_text(w)
    cmd(w, "ID_CENTER_DIALOGS")
    assert "CentreDialogs=0" in ini_text(w)


def test_status_bar_shows_rows_filters_and_the_idle_text_again(w):
    cmd(w, "ID_CLEAR")
    cmd(w, "ID_STATUS_DETAILS")
    wait_until(lambda: panes(w) == 3 and status(w, 2) == "0 行", what="row count pane")
    assert status(w, 1) == ""
    for pid, text in ((401, "a1"), (402, "b1"), (401, "a2")):
        w.viewer.send(pid, text)
    wait_until(lambda: status(w, 2) == "3 行", what="three rows counted")
    w.drv("selectrows", w.viewer.hwnd, [1])
    cmd(w, "ID_QUICK_HIDE_PROCESS")
    wait_until(lambda: status(w, 2) == "显示 2 行，共 3 行", what="shown of stored")
    assert status(w, 1) == "快速过滤已生效"
    set_filter(w, "a;", "")
    wait_until(lambda: status(w, 1) == "过滤和快速过滤已生效", what="both filters noted")
    cmd(w, "ID_QUICK_CLEAR")
    wait_until(lambda: status(w, 1) == "过滤已生效" and status(w, 2) == "3 行",
               what="intake filter noted")
    set_filter(w, "", "")
    wait_until(lambda: status(w, 1) == "", what="no filter")
    # A menu that closes puts the idle text back.
    w.drv("sendmsg", w.viewer.hwnd, WM_MENUSELECT, IDS["ID_CLEAR"], 0)
    assert status(w) not in ("", IDLE)
    w.drv("sendmsg", w.viewer.hwnd, WM_MENUSELECT, 0xFFFF << 16, 0)
    assert status(w) == IDLE
    restart(w)
    assert "StatusDetails=1" in ini_text(w)
    wait_until(lambda: panes(w) == 3, what="details after a restart")
    cmd(w, "ID_STATUS_DETAILS")
    wait_until(lambda: panes(w) == 1, what="one pane again")
