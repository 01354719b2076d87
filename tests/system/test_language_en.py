"""The real Orlix.exe under an English locale with the shipped English.lng
beside it: the first start chooses English by itself, keeps the choice, and
the dialogs and status-bar prompts read in English."""
import os
import subprocess

from e2e import IDS, Driver, Viewer, wait_until

LOCALE = "en_US.UTF-8"

WM_MENUSELECT, WM_SYSCOMMAND, WM_KEYDOWN = 0x011F, 0x0112, 0x0100
SC_KEYMENU, VK_ESCAPE = 0xF100, 0x1B
ID_FILTER, ID_CAPTURE, ID_EDIT_COPY, ID_APP_ABOUT = (IDS["ID_FILTER"], IDS["ID_CAPTURE"],
                                                    IDS["ID_EDIT_COPY"], IDS["ID_APP_ABOUT"])
ID_LANGUAGE_DEFAULT, ID_LANGUAGE_FIRST = IDS["ID_LANGUAGE_DEFAULT"], IDS["ID_LANGUAGE_FIRST"]


def read_profile(path):
    """Sections of an INI file as Windows' profile reader sees them: names
    without regard to case, the first occurrence of a key counts."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xff\xfe"):
        text = data[2:].decode("utf-16-le")
    else:
        text = data.decode("utf-8", "replace")
    sections, current = {}, None
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            value = value.strip()
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            current.setdefault(key.strip().lower(), value)
    return sections


def settings_file(w):
    return os.path.join(w.build, "Orlix.ini")


def saved_language(w):
    path = settings_file(w)
    if not os.path.exists(path):
        return None
    return read_profile(path).get("main", {}).get("language")


def english(w):
    return read_profile(os.path.join(w.build, "English.lng"))


def start(w):
    w.viewer = Viewer(w, w.drv)
    return w.viewer


def restart(w):
    w.viewer.close()
    return start(w)


def prompt_after_menuselect(w, item_id, expected):
    """Posts the frame a WM_MENUSELECT for one item; waits for `expected`."""
    w.drv("post", w.viewer.hwnd, WM_MENUSELECT, item_id, 0)
    wait_until(lambda: w.drv("status", w.viewer.hwnd) == expected, timeout=10,
               what="status %r (have %r)" % (expected, w.drv("status", w.viewer.hwnd)))


def open_dialog(w, command, title=None):
    """Fires a command that opens a dialog; returns it as the driver reads it."""
    w.viewer.command(command)
    box = w.drv("waitdialog", title, w.viewer.pid, 10000)
    assert box, "no dialog for command %d" % command
    return box


def close_dialog(w, box, button):
    w.drv("click", box["hwnd"], button)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="dialog closed")


def texts_by_id(box):
    return {c["id"] & 0xFFFF: c["text"] for c in box["controls"]}


def shot_with_menu_open(w, name, first_prompt):
    """Opens the Edit menu (Alt+E, as the keyboard would), waits until the
    highlighted first item's prompt shows, takes a screenshot into the build
    folder (or $ORLIX_LANGUAGE_SHOTS), closes the menu."""
    w.drv("post", w.viewer.hwnd, WM_SYSCOMMAND, SC_KEYMENU, ord("e"))
    wait_until(lambda: w.drv("status", w.viewer.hwnd) == first_prompt, timeout=10,
               what="prompt of the highlighted item (have %r)"
               % w.drv("status", w.viewer.hwnd))
    w.drv("sleep", 300)
    folder = os.environ.get("ORLIX_LANGUAGE_SHOTS") or w.build_dir
    path = w.screenshot(os.path.join(folder, name))
    for _ in range(2):
        subprocess.run(["xdotool", "key", "Escape"], timeout=20,
                       env=dict(os.environ, DISPLAY=w.xvfb.display))
        w.drv("sleep", 200)
    print("screenshot:", path, flush=True)
    return path


def setup(w):
    assert sorted(n for n in os.listdir(w.build) if n.lower().endswith(".lng")) \
        == ["English.lng"]
    assert not os.path.exists(settings_file(w)), "a first start needs no settings file"
    w.drv = Driver(w)
    start(w)
    return w


def teardown(w):
    w.viewer.close()
    w.drv.close()


def test_first_start_under_an_english_locale_saves_english(w):
    assert english(w)["language"]["language"] == "1033"
    assert saved_language(w) == "1033"


def test_filter_dialog_reads_in_english(w):
    en = english(w)["130"]
    box = open_dialog(w, ID_FILTER)
    assert box["title"] == en["0"] == "Debug Message Filter", box["title"]
    texts = texts_by_id(box)
    for control in ("1", "2", "1003", "1004"):
        assert texts[int(control)] == en[control], (control, texts)
    assert (texts[1], texts[2], texts[1003], texts[1004]) == ("OK", "Cancel", "Include", "Exclude")
    close_dialog(w, box, 2)


def test_about_dialog_reads_in_english_with_its_own_program_line(w):
    en = english(w)["100"]
    box = open_dialog(w, ID_APP_ABOUT)
    assert box["title"] == en["0"], box["title"]
    texts = texts_by_id(box)
    assert texts[1] == en["1"]
    assert texts[65535] == en["65535"]
    assert texts[1002] == "Orlixv1.8.0.234"
    close_dialog(w, box, 1)


def test_highlighted_items_show_the_files_prompts(w):
    strings = english(w)["string"]
    prompt_after_menuselect(w, ID_CAPTURE, strings[str(ID_CAPTURE)])
    assert strings[str(ID_CAPTURE)] != "Capture", "the file's own text, not the built-in one"
    prompt_after_menuselect(w, ID_FILTER, strings[str(ID_FILTER)])
    # The language entry shows its file's description.
    prompt_after_menuselect(w, ID_LANGUAGE_FIRST, english(w)["language"]["description"])


def test_choice_survives_a_restart_and_default_language_brings_back_chinese(w):
    restart(w)
    assert saved_language(w) == "1033"
    box = open_dialog(w, ID_FILTER)
    assert box["title"] == "Debug Message Filter"
    close_dialog(w, box, 2)
    # The built-in entry: Chinese texts, 0 saved, and so at the next start.
    w.viewer.command(ID_LANGUAGE_DEFAULT)
    wait_until(lambda: saved_language(w) == "0", what="0 saved")
    wait_until(lambda: w.drv("status", w.viewer.hwnd) == "默认语言", what="built-in prompt")
    box = open_dialog(w, ID_FILTER)
    assert box["title"] == "调试信息过滤设置", box["title"]
    close_dialog(w, box, 2)
    restart(w)
    assert saved_language(w) == "0"
    prompt_after_menuselect(w, ID_CAPTURE, "Capture")
    # And English again from the submenu.
    w.viewer.command(ID_LANGUAGE_FIRST)
    wait_until(lambda: saved_language(w) == "1033", what="1033 saved")
    wait_until(lambda: w.drv("status", w.viewer.hwnd) == english(w)["language"]["description"],
               what="the description of English")


def test_print_preview_reads_in_english(w):
    strings = english(w)["string"]
    title = strings[str(IDS["IDS_PREVIEW_TITLE"])]
    assert title == "Print Preview - Orlix"
    w.drv("sendmany", w.viewer.hwnd, os.getpid(), "preview row ", 300)
    w.viewer.wait_rows(300)
    assert w.viewer.command(IDS["ID_FILE_PRINT_PREVIEW"])
    preview = w.drv("find", "OrlixPrintPreview", title, 45000)
    assert preview, "no preview titled %r" % title
    # The page label is made after the buttons: all are there once it is.
    wait_until(lambda: w.drv("child", preview, "Static", 0x7106), what="preview controls")
    buttons = {IDS["ID_FILE_PRINT"]: "IDS_PREVIEW_PRINT", 0x7101: "IDS_PREVIEW_PREV",
               0x7102: "IDS_PREVIEW_NEXT", 0x7103: "IDS_PREVIEW_ZOOM_IN",
               0x7104: "IDS_PREVIEW_ZOOM_OUT", 0x7105: "IDS_PREVIEW_CLOSE"}
    for control, name in buttons.items():
        text = w.drv("gettext", w.drv("child", preview, "Button", control))
        assert text == strings[str(IDS[name])], (name, text)
    assert strings[str(IDS["IDS_PREVIEW_CLOSE"])] == "&Close"
    label = w.drv("child", preview, "Static", 0x7106)
    # 300 rows of 9 points on an A4 sheet: five pages.
    wait_until(lambda: w.drv("gettext", label).startswith("Page 1 of 5    Whole page"),
               what="English page label (have %r)" % w.drv("gettext", label))
    w.drv("click", preview, 0x7105)
    wait_until(lambda: not w.drv("exists", preview), what="preview closed")


def test_screenshot_of_the_english_window_with_a_menu_open(w):
    shot_with_menu_open(w, "orlix-language-en.png", english(w)["string"][str(ID_EDIT_COPY)])
