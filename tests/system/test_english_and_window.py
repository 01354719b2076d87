"""The English interface beyond menus and dialogs, and the window's own
options, on the real Orlix.exe under an English locale with English.lng
beside it: the idle text, the toolbar's tooltips, the logging box, the file
dialogs' types and the new dialogs read in English with no Chinese left;
Always on Top and the window's place survive a restart."""
import os
import re

from e2e import IDS, Driver, Viewer, wait_until, start_viewer, stop_viewer, restart_viewer

LOCALE = "en_US.UTF-8"

WS_EX_TOPMOST = 0x8
ID_LOG_TO_FILE, ID_FILE_OPEN = IDS["ID_LOG_TO_FILE"], IDS["ID_FILE_OPEN"]
ID_FILE_IMPORT, ID_HISTORY_LIMIT = IDS["ID_FILE_IMPORT"], IDS["ID_HISTORY_LIMIT"]
ID_ALWAYS_ON_TOP = IDS["ID_ALWAYS_ON_TOP"]
CHINESE = re.compile("[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]")


def read_profile(path):
    with open(path, "rb") as f:
        data = f.read()
    text = data[2:].decode("utf-16-le") if data.startswith(b"\xff\xfe") else data.decode("utf-8")
    sections, current = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif current is not None and "=" in line and not line.startswith(";"):
            key, value = line.split("=", 1)
            value = value.strip()
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            current.setdefault(key.strip().lower(), value)
    return sections


def setup(w):
    w.english = read_profile(os.path.join(w.build, "English.lng"))
    w.seen = []
    return start_viewer(w)


teardown = stop_viewer


restart = restart_viewer


def seen(w, where, text):
    w.seen.append((where, text))
    return text


def dialog(w, command):
    w.viewer.command(command)
    box = w.drv("waitdialog", None, w.viewer.pid, 15000)
    assert box, "no dialog for %d" % command
    seen(w, "title %d" % command, box["title"])
    for c in box["controls"]:
        if c["visible"]:
            seen(w, "dialog %d control %d" % (command, c["id"]), c["text"])
    return box


def close(w, box, button):
    w.drv("click", box["hwnd"], button)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="dialog closed")


def test_idle_text_reads_ready(w):
    ready = w.english["string"]["57345"]
    assert ready == "Ready"
    assert seen(w, "idle", w.drv("status", w.viewer.hwnd)) == ready


def test_toolbar_tooltips_are_short_english_names(w):
    tips = w.english["tooltip"]
    buttons = [b for b in w.drv("toolbar", w.viewer.hwnd) if not b["separator"]]
    assert len(buttons) == 10
    for b in buttons:
        tip = seen(w, "tooltip %d" % b["id"], w.drv("tooltip", w.viewer.hwnd, b["id"]))
        assert tip == tips[str(b["id"])], (b["id"], tip)
        # Short: the long prompt stays in the status bar.
        assert len(tip) < len(w.english["string"][str(b["id"])]), (tip, b["id"])


def test_logging_box_reads_in_english(w):
    box = dialog(w, ID_LOG_TO_FILE)
    texts = [c["text"] for c in box["controls"]]
    assert any(t.startswith("Auto-save file name: C:\\") for t in texts), texts
    close(w, box, 1)
    w.viewer.command(ID_LOG_TO_FILE)
    wait_until(lambda: not [b for b in w.drv("toolbar", w.viewer.hwnd)
                            if b["id"] == ID_LOG_TO_FILE][0]["checked"], what="logging off")


def test_file_dialogs_name_their_types_in_english(w):
    box = dialog(w, ID_FILE_OPEN)
    combos = [c["text"] for c in box["controls"] if c["class"] == "ComboBox"]
    assert "All files (*.*)" in combos, combos
    close(w, box, 2)
    box = dialog(w, ID_FILE_IMPORT)
    combos = [c["text"] for c in box["controls"] if c["class"] == "ComboBox"]
    assert "Lists and logs (*.txt)" in combos, combos
    close(w, box, 2)


def test_history_dialog_reads_in_english(w):
    box = dialog(w, ID_HISTORY_LIMIT)
    assert box["title"] == "History Limit"
    close(w, box, 2)


def test_no_chinese_is_left_in_what_was_seen(w):
    assert len(w.seen) > 20, w.seen
    chinese = [(where, text) for where, text in w.seen if CHINESE.search(text or "")]
    assert not chinese, chinese


def test_always_on_top_is_kept_across_a_restart(w):
    # Wine without a window manager does not show a live SetWindowPos(HWND_TOPMOST)
    # in the extended style; a window created topmost does carry it.
    ini = os.path.join(w.build, "Orlix.ini")
    assert not w.drv("exstyle", w.viewer.hwnd) & WS_EX_TOPMOST
    w.viewer.command(ID_ALWAYS_ON_TOP)
    wait_until(lambda: read_profile(ini).get("window", {}).get("alwaysontop") == "1",
               what="AlwaysOnTop=1 kept")
    restart(w)
    assert w.drv("exstyle", w.viewer.hwnd) & WS_EX_TOPMOST
    w.viewer.command(ID_ALWAYS_ON_TOP)
    wait_until(lambda: read_profile(ini)["window"]["alwaysontop"] == "0", what="AlwaysOnTop=0")
    restart(w)
    assert not w.drv("exstyle", w.viewer.hwnd) & WS_EX_TOPMOST


def test_window_place_and_size_are_kept_across_a_restart(w):
    assert w.drv("placewindow", w.viewer.hwnd, 40, 30, 700, 500)
    wait_until(lambda: w.drv("winrect", w.viewer.hwnd) == [40, 30, 740, 530], what="moved",
               timeout=10)
    restart(w)
    assert w.drv("winrect", w.viewer.hwnd) == [40, 30, 740, 530], w.drv("winrect", w.viewer.hwnd)
    ini = read_profile(os.path.join(w.build, "Orlix.ini"))["window"]
    assert (ini["left"], ini["top"], ini["right"], ini["bottom"]) == ("40", "30", "740", "530")
    # Too small is not allowed: the message column stays in sight, however
    # wide the columns in front of it are.
    w.drv("placewindow", w.viewer.hwnd, 40, 30, 50, 40)
    l, t, r, b = w.drv("winrect", w.viewer.hwnd)
    assert r - l >= 360 and b - t >= 200, (l, t, r, b)
    lv = w.drv("child", w.viewer.hwnd, "SysListView32")
    w.drv("sendmsg", lv, 0x101E, 0, 400)  # LVM_SETCOLUMNWIDTH: Process 400 wide
    w.drv("placewindow", w.viewer.hwnd, 40, 30, 50, 40)
    ll, _, lr, _ = w.drv("rect", lv, "client")
    assert lr - ll >= 400 + 190 + 100, (ll, lr)
    w.drv("sendmsg", lv, 0x101E, 0, 150)
    # The next viewers start from the place kept here: a usual size again.
    w.drv("placewindow", w.viewer.hwnd, 40, 30, 700, 500)
