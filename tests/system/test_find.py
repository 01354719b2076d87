"""Find, bookmarks, quick filters, highlight rules, selecting and copying
rows, a row's details: the real viewer driven from outside, the list and
the screen read back."""
import os
import time

from e2e import IDS, HeaderClient, Viewer, ini_text, wait_until, start_viewer, stop_viewer

setup = start_viewer
teardown = stop_viewer

WM_CONTEXTMENU, WM_KEYDOWN, BM_SETCHECK = 0x007B, 0x0100, 0x00F1
VK_ESCAPE, VK_F2, VK_F3, VK_DOWN, VK_RETURN = 0x1B, 0x71, 0x72, 0x28, 0x0D
IDOK, IDCANCEL = 1, 2
WRAPPED = ("已到达列表的一端，从另一端继续查找",
           "Reached one end of the list; continued from the other end")


def cmd(w, name):
    w.viewer.command(IDS[name])


def fill(w, lines):
    """A fresh list of (pid, text) rows."""
    cmd(w, "ID_CLEAR")
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")
    for pid, text in lines:
        w.viewer.send(pid, text)
    return w.viewer.wait_rows(len(lines))


def selected(w):
    return w.drv("selected", w.viewer.hwnd)


def wait_selected(w, rows, what="selection"):
    wait_until(lambda: selected(w) == rows, what="%s %r (have %r)" % (what, rows, selected(w)))


def find_dialog(w):
    cmd(w, "ID_FIND")
    dlg = w.drv("waitdialog", None, w.viewer.pid, 10000)
    return dlg, {c["id"]: c["hwnd"] for c in dlg["controls"]}


def set_check(w, ctl, on):
    w.drv("sendmsg", ctl, BM_SETCHECK, 1 if on else 0, 0)


def search(w, text, case=False, word=False, regex=False, up=False):
    """Fills in the find dialog and presses Find Next; returns the dialog."""
    dlg, c = find_dialog(w)
    w.drv("settext", c[IDS["IDC_FIND_TEXT"]], text)
    set_check(w, c[IDS["IDC_FIND_CASE"]], case)
    set_check(w, c[IDS["IDC_FIND_WORD"]], word)
    set_check(w, c[IDS["IDC_FIND_REGEX"]], regex)
    set_check(w, c[IDS["IDC_FIND_UP"]], up)
    set_check(w, c[IDS["IDC_FIND_DOWN"]], not up)
    w.drv("click", dlg["hwnd"], IDOK)
    return dlg


def close_dialog(w, dlg):
    w.drv("click", dlg["hwnd"], IDCANCEL)
    wait_until(lambda: not w.drv("visible", dlg["hwnd"]), what="find dialog hidden")


LINES = [(101, "start"), (101, "an Error here"), (102, "quiet"), (102, "error 42"),
         (103, "terror"), (103, "ERROR: code 7"), (101, "end")]


def test_find_next_previous_and_wrap(w):
    fill(w, LINES)
    dlg = search(w, "error")
    wait_selected(w, [1], "first match")
    w.drv("click", dlg["hwnd"], IDOK)
    wait_selected(w, [3], "second match")
    # The find window has the focus; the list still shows the row found.
    # (The window moves out of the way of the rows looked at first.)
    # (A window of a usual size, whatever place earlier runs kept; the find
    # window out of the way of the rows looked at.)
    w.drv("placewindow", w.viewer.hwnd, 40, 30, 760, 560)
    dl, dt, dr, db = w.drv("winrect", dlg["hwnd"])
    w.drv("placewindow", dlg["hwnd"], 40, 30 + 330, dr - dl, db - dt)
    # Across the row, not at one point: a point may fall on a letter that
    # both rows share, or on a column's edge.
    seen = {}

    def drawn_selected():
        for name, row in (("found", 3), ("plain", 2)):
            seen[name] = [w.drv("rowpixel", w.viewer.hwnd, row, x) for x in range(60, 620, 70)]
        return sum(a != b for a, b in zip(seen["found"], seen["plain"])) >= 4
    try:
        wait_until(drawn_selected, what="found row drawn selected")
    except AssertionError:
        raise AssertionError("found row %r, plain row %r; window %r, find window %r, rows %r"
                             % (seen.get("found"), seen.get("plain"),
                                w.drv("winrect", w.viewer.hwnd), w.drv("winrect", dlg["hwnd"]),
                                w.drv("itemrect", w.viewer.hwnd, 3)))
    close_dialog(w, dlg)
    cmd(w, "ID_FIND_NEXT")
    wait_selected(w, [4], "a part of a word matches too")
    cmd(w, "ID_FIND_NEXT")
    wait_selected(w, [5])
    cmd(w, "ID_FIND_NEXT")
    wait_selected(w, [1], "wrapped to the top")
    wait_until(lambda: w.drv("status", w.viewer.hwnd, 0) in WRAPPED, what="wrap note")
    cmd(w, "ID_FIND_PREV")
    wait_selected(w, [5], "wrapped back to the bottom")
    cmd(w, "ID_FIND_PREV")
    wait_selected(w, [4])
    # Nothing found: the selection stays, the status bar says so.
    search(w, "no such text anywhere")
    wait_until(lambda: "no such text anywhere" in w.drv("status", w.viewer.hwnd, 0),
               what="not-found note")
    assert selected(w) == [4]


def test_find_options_case_word_regex_and_a_bad_pattern(w):
    fill(w, LINES)
    dlg = search(w, "ERROR", case=True)
    wait_selected(w, [5], "only the upper-case line")
    dlg = search(w, "error", word=True)
    wait_selected(w, [1], "whole word: from the selection on, 'terror' passed over")
    w.drv("click", dlg["hwnd"], IDOK)
    wait_selected(w, [3])
    w.drv("click", dlg["hwnd"], IDOK)
    wait_selected(w, [5], "'terror' is not the word 'error'")
    dlg = search(w, r"error\s+\d+$", regex=True)
    wait_selected(w, [3], "regular expression")
    dlg = search(w, "code [0-9]", regex=True, up=True)
    wait_selected(w, [5], "upwards, wrapping")
    # An invalid expression: a clear message, nothing changes.
    search(w, "err(or", regex=True)
    box = w.drv("waitdialog", "Orlix", w.viewer.pid, 10000)
    texts = " ".join(c["text"] for c in box["controls"])
    assert "err(or" in texts, texts
    w.drv("click", box["hwnd"], IDOK)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="message closed")
    assert selected(w) == [5]
    close_dialog(w, dlg)


def test_a_regular_expression_over_a_whole_long_line_does_not_end_the_viewer(w):
    """The matcher recurses once per character: a repeated group over the
    longest line the list keeps needs more than the usual stack."""
    fill(w, [(1, "a" * 4095), (1, "a" * 4094 + "c")])
    w.drv("selectrows", w.viewer.hwnd, [0])
    dlg = search(w, "(a|b)*c", regex=True)
    wait_selected(w, [1], "the long line that ends in c")
    close_dialog(w, dlg)
    w.viewer.send(1, "still here")
    w.viewer.wait_rows(3)


def test_find_reaches_the_far_end_of_a_large_list(w):
    """Found across 3,000 rows, from the first to the last (the speed
    itself is measured in bench/)."""
    cmd(w, "ID_CLEAR")
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")
    w.drv("sendmany", w.viewer.hwnd, 7, "bulk line ", 3000)
    w.viewer.send(7, "the needle")
    w.viewer.wait_rows(3001, 50000)
    w.drv("selectrows", w.viewer.hwnd, [0])
    dlg = search(w, "NEEDLE")
    wait_selected(w, [3000], "the last row")
    close_dialog(w, dlg)
    cmd(w, "ID_FIND_NEXT")
    time.sleep(0.3)
    assert selected(w) == [3000]
    wait_until(lambda: w.drv("status", w.viewer.hwnd, 0) in WRAPPED, what="wrap note")
    cmd(w, "ID_CLEAR")


def test_a_long_find_runs_in_pieces_and_a_runaway_pattern_is_named(w):
    """A search that takes seconds: the window answers throughout, its
    progress shows, lines sent meanwhile all arrive, Esc stops it. A pattern
    that backtracks without end is stopped with a message that names it."""
    cmd(w, "ID_CLEAR")
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")
    # Rows a regular expression without plain text takes a while to read.
    r = w.run(os.path.join(w.build, "odswriter.exe"), "lines", 20000, "ab 12 cd 345 " * 230,
              "--pause", "0", capture_output=True, timeout=300)
    assert r.returncode == 0, r.stderr
    assert w.drv("waitrows", w.viewer.hwnd, 20000, 120000) >= 20000
    w.drv("selectrows", w.viewer.hwnd, [0])
    status = lambda: w.drv("status", w.viewer.hwnd, 0)
    dlg = search(w, r"(?:\w+ ){3}\d{7}", regex=True)
    wait_until(lambda: "%" in status(), what="the search's progress (status %r)" % status())
    pings = [w.drv("ping", w.viewer.hwnd, 1000) for _ in range(10)]
    assert all(0 <= p < 100 for p in pings), pings
    for i in range(20):
        w.viewer.send(9, "during %d" % i)
    assert w.drv("waitrows", w.viewer.hwnd, 20020, 20000) >= 20020
    assert "%" in status(), "the search ran on while lines came: %r" % status()
    w.drv("click", dlg["hwnd"], IDCANCEL)
    wait_until(lambda: status() in ("查找已停止", "Search stopped"), timeout=5, what="stopped")
    assert selected(w) == [0]


    fill(w, [(5, "a" * 4000 + "b"), (5, "aaa")])
    w.drv("selectrows", w.viewer.hwnd, [1])
    dlg = search(w, "(a+)+$", regex=True)
    box = w.drv("waitdialog", "Orlix", w.viewer.pid, 10000)
    assert box, "no message"
    text = " ".join(c["text"] for c in box["controls"])
    assert "(a+)+$" in text and ("复杂" in text or "complex" in text), text
    assert 0 <= w.drv("ping", w.viewer.hwnd, 1000) < 100
    w.drv("click", box["hwnd"], IDOK)
    close_dialog(w, dlg)


def test_find_choices_survive_a_restart(w):
    fill(w, LINES)
    dlg = search(w, "code", case=True, word=True)
    wait_selected(w, [5])
    close_dialog(w, dlg)
    w.viewer.close()
    ini = os.path.join(w.build, "Orlix.ini")
    with open(ini, "rb") as f:
        data = f.read()
    text = data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("utf-8", "replace")
    assert "[Find]" in text and "Text=code" in text, text
    w.viewer = Viewer(w, w.drv)
    fill(w, LINES)
    dlg, c = find_dialog(w)
    assert w.drv("gettext", c[IDS["IDC_FIND_TEXT"]]) == "code"
    BM_GETCHECK = 0x00F0
    assert w.drv("sendmsg", c[IDS["IDC_FIND_CASE"]], BM_GETCHECK, 0, 0) == 1
    assert w.drv("sendmsg", c[IDS["IDC_FIND_WORD"]], BM_GETCHECK, 0, 0) == 1
    assert w.drv("sendmsg", c[IDS["IDC_FIND_REGEX"]], BM_GETCHECK, 0, 0) == 0
    close_dialog(w, dlg)
    # F3 uses the kept pattern at once.
    w.drv("selectrows", w.viewer.hwnd, [0])
    cmd(w, "ID_FIND_NEXT")
    wait_selected(w, [5])


def test_keyboard_f3_and_bookmarks(w):
    fill(w, [(200 + i % 3, "line %d" % i) for i in range(12)])
    w.drv("clickrow", w.viewer.hwnd, 2)
    wait_selected(w, [2])
    # Ctrl+F2 on rows 2 and 7, by keyboard and by command.
    w.drv("keys", w.viewer.hwnd, VK_F2, "ctrl")
    # The key arrives in its own time: wait for its mark on the screen.
    wait_until(lambda: w.drv("rowpixel", w.viewer.hwnd, 2, 2) == [0, 70, 200], what="mark")
    w.drv("selectrows", w.viewer.hwnd, [7])
    w.drv("sendcommand", w.viewer.hwnd, IDS["ID_BOOKMARK_TOGGLE"])
    w.drv("selectrows", w.viewer.hwnd, [0])
    w.drv("keys", w.viewer.hwnd, VK_F2)
    wait_selected(w, [2], "next bookmark (F2)")
    w.drv("keys", w.viewer.hwnd, VK_F2)
    wait_selected(w, [7])
    w.drv("keys", w.viewer.hwnd, VK_F2)
    wait_selected(w, [2], "wraps")
    w.drv("keys", w.viewer.hwnd, VK_F2, "shift")
    wait_selected(w, [7], "previous bookmark (Shift+F2)")
    # The mark is drawn at the start of a bookmarked row, not on others.
    w.drv("selectrows", w.viewer.hwnd, [])
    time.sleep(0.5)
    mark = w.drv("rowpixel", w.viewer.hwnd, 2, 2)
    plain = w.drv("rowpixel", w.viewer.hwnd, 3, 2)
    assert mark == [0, 70, 200], mark
    assert plain != mark, plain
    # A second Ctrl+F2 removes it.
    w.drv("selectrows", w.viewer.hwnd, [2])
    w.drv("sendcommand", w.viewer.hwnd, IDS["ID_BOOKMARK_TOGGLE"])
    w.drv("selectrows", w.viewer.hwnd, [0])
    cmd(w, "ID_BOOKMARK_NEXT")
    wait_selected(w, [7], "only row 7 left")
    # Find next / previous after a search, from the selection.
    dlg = search(w, "line 1")
    wait_selected(w, [10], "from the selection (row 7) on")
    close_dialog(w, dlg)
    w.drv("clickrow", w.viewer.hwnd, 1)
    wait_selected(w, [1])
    w.drv("keys", w.viewer.hwnd, VK_F3)
    wait_selected(w, [10], "F3")
    w.drv("keys", w.viewer.hwnd, VK_F3, "shift")
    wait_selected(w, [1], "Shift+F3")
    # Clear drops the bookmarks with the rows.
    fill(w, [(1, "a"), (1, "b")])
    w.drv("selectrows", w.viewer.hwnd, [0])
    cmd(w, "ID_BOOKMARK_NEXT")
    time.sleep(0.5)
    assert selected(w) == [0]


def visible_texts(w):
    return [r[3] for r in w.viewer.settled_rows()]


def test_quick_filters_hide_show_only_and_clear(w):
    fill(w, [(301, "a1"), (302, "b1"), (303, "c1"), (301, "a2"), (302, "b2")])
    w.drv("selectrows", w.viewer.hwnd, [1])
    cmd(w, "ID_QUICK_HIDE_PROCESS")
    wait_until(lambda: visible_texts(w) == ["a1", "c1", "a2"], what="302 hidden")
    # A rule of the view, kept as its rules are.
    wait_until(lambda: "=exclude,pid,equals,-,000000,FFFF99,302" in ini_text(w), what="kept")
    # New lines of a hidden process stay hidden; others appear.
    w.viewer.send(302, "b3")
    w.viewer.send(303, "c2")
    wait_until(lambda: visible_texts(w) == ["a1", "c1", "a2", "c2"], what="new rows filtered")
    w.drv("selectrows", w.viewer.hwnd, [1])
    cmd(w, "ID_QUICK_ONLY_PROCESS")
    wait_until(lambda: visible_texts(w) == ["c1", "c2"], what="only 303")
    # Find and copy act on what is shown.
    w.drv("clearclipboard")
    w.drv("clickrow", w.viewer.hwnd, 1)
    wait_selected(w, [1])
    cmd(w, "ID_EDIT_COPY")
    wait_until(lambda: w.drv("clipboard") == "c2", what="copied the shown row")
    cmd(w, "ID_QUICK_CLEAR")
    wait_until(lambda: visible_texts(w) == ["a1", "b1", "c1", "a2", "b2", "b3", "c2"],
               what="every stored row again")
    # The selected row stays selected through the change.
    assert selected(w) == [6], selected(w)
    # Find next of this process.
    w.drv("selectrows", w.viewer.hwnd, [1])
    cmd(w, "ID_QUICK_FIND_PROCESS")
    wait_selected(w, [4], "next row of 302")
    cmd(w, "ID_QUICK_FIND_PROCESS")
    wait_selected(w, [5])
    cmd(w, "ID_QUICK_FIND_PROCESS")
    wait_selected(w, [1], "wrapped")


def test_context_menu_copy_by_keyboard(w):
    """Shift+F10's message on the list opens the row menu; Down and Enter
    choose its first item, Copy."""
    fill(w, [(401, "x"), (402, "the chosen row")])
    w.drv("clearclipboard")
    w.drv("clickrow", w.viewer.hwnd, 1)
    wait_selected(w, [1])
    lv = w.drv("child", w.viewer.hwnd, "SysListView32")
    w.drv("post", lv, WM_CONTEXTMENU, lv, -1)
    time.sleep(1.0)
    w.drv("post", w.viewer.hwnd, WM_KEYDOWN, VK_DOWN, 0)
    w.drv("post", w.viewer.hwnd, WM_KEYDOWN, VK_RETURN, 0)
    wait_until(lambda: w.drv("clipboard") == "the chosen row", what="copied from the menu")


def row_pixels(w, row):
    """Screen colours across a row: the margin and the gaps between texts."""
    return [w.drv("rowpixel", w.viewer.hwnd, row, x) for x in (2, 3, 90, 180, 260, 400)]


def test_highlight_this_process_colours_its_rows_and_is_kept(w):
    # Screen pixels are read: start afresh, so no window an earlier case
    # left open (the find window, a details window) lies over the rows.
    w.viewer.close()
    w.viewer = Viewer(w, w.drv)
    fill(w, [(0, "zero")])
    client = HeaderClient(w)
    try:
        client.trace("from the client")
        client.trace("again from it")
    finally:
        client.close()
    w.viewer.send(0, "another zero")
    rows = w.viewer.wait_rows(4)
    name = rows[1][0]
    assert name, rows
    w.drv("selectrows", w.viewer.hwnd, [1])
    wait_until(lambda: w.drv("selected", w.viewer.hwnd) == [1], what="row 1 selected")
    cmd(w, "ID_QUICK_HIGHLIGHT")
    w.drv("selectrows", w.viewer.hwnd, [])
    # Light yellow behind the client's rows, the usual white elsewhere.
    yellow = [255, 255, 153]
    wait_until(lambda: yellow in row_pixels(w, 1), what="row 1 coloured")
    assert yellow in row_pixels(w, 2)
    assert yellow not in row_pixels(w, 0)
    assert yellow not in row_pixels(w, 3)
    w.viewer.close()
    with open(os.path.join(w.build, "Orlix.ini"), "rb") as f:
        data = f.read()
    text = data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("utf-8", "replace")
    assert "[Highlight]" in text and ("process,-,000000,FFFF99," + name) in text, text
    # A new start colours the same process's rows.
    w.viewer = Viewer(w, w.drv)
    client = HeaderClient(w)
    try:
        client.trace("after the restart")
    finally:
        client.close()
    w.viewer.wait_rows(1)
    wait_until(lambda: yellow in row_pixels(w, 0), what="kept rule colours")


def test_a_runaway_highlight_rule_is_refused_and_never_kept(w):
    fill(w, [(5, "a" * 300 + "b")])
    cmd(w, "ID_HIGHLIGHT_RULES")
    dlg = w.drv("waitdialog", None, w.viewer.pid, 10000)
    c = {x["id"]: x["hwnd"] for x in dlg["controls"]}
    w.drv("settext", c[IDS["IDC_RULE_PATTERN"]], "(a+)+$")
    set_check(w, c[IDS["IDC_RULE_REGEX"]], True)
    w.drv("click", dlg["hwnd"], IDS["IDC_RULE_ADD"])
    box = w.drv("waitdialog", "Orlix", w.viewer.pid, 10000)
    assert box, "no message"
    text = " ".join(x["text"] for x in box["controls"])
    assert "(a+)+$" in text and ("复杂" in text or "complex" in text), text
    assert 0 <= w.drv("ping", w.viewer.hwnd, 1000) < 100
    w.drv("click", box["hwnd"], IDOK)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="message closed")
    w.drv("click", dlg["hwnd"], IDOK)
    wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="rules dialog closed")
    w.viewer.close()
    assert "(a+)+$" not in ini_text(w)
    w.viewer = Viewer(w, w.drv)


def test_damaged_highlight_settings_fall_back_quietly(w):
    w.viewer.close()
    with open(os.path.join(w.build, "Orlix.ini"), "w", encoding="utf-8") as f:
        f.write("[Highlight]\nCount=zz\nRule1=garbage\n[Find]\nText=\nRegex=7\n")
    w.viewer = Viewer(w, w.drv)
    fill(w, [(1, "plain row")])
    assert w.drv("dialogs", w.viewer.pid) == []
    assert [255, 255, 153] not in row_pixels(w, 0)


def test_select_all_copy_and_copy_rows(w):
    rows = fill(w, [(501, "one"), (502, "two\tt"), (503, "three")])
    w.drv("clearclipboard")
    w.drv("clickrow", w.viewer.hwnd, 0)
    wait_selected(w, [0])
    w.drv("keys", w.viewer.hwnd, ord("A"), "ctrl")
    wait_selected(w, [0, 1, 2], "Ctrl+A")
    cmd(w, "ID_EDIT_COPY")
    wait_until(lambda: w.drv("clipboard") == "one\r\ntwo\tt\r\nthree", what="all texts")
    w.drv("selectrows", w.viewer.hwnd, [0, 2])
    cmd(w, "ID_COPY_ROWS")
    want = "".join("\t".join(r) + "\r\n" for r in (rows[0], rows[2]))
    wait_until(lambda: w.drv("clipboard") == want, what="rows with all columns")
    # One row: Copy is still the message text alone.
    w.drv("clickrow", w.viewer.hwnd, 1)
    wait_selected(w, [1])
    cmd(w, "ID_EDIT_COPY")
    wait_until(lambda: w.drv("clipboard") == "two\tt", what="single text")


def test_double_click_shows_the_rows_details(w):
    long = "wrap me " * 200
    rows = fill(w, [(601, "short"), (602, long.strip())])
    w.drv("dblclickrow", w.viewer.hwnd, 1)
    dlg = w.drv("waitdialog", None, w.viewer.pid, 10000)
    edit = [c for c in dlg["controls"] if c["id"] == IDS["IDC_DETAILS_TEXT"]][0]
    text = w.drv("gettext", edit["hwnd"])
    assert long.strip() in text
    assert rows[1][1] in text and rows[1][2] in text
    w.drv("clearclipboard")
    w.drv("click", dlg["hwnd"], IDS["IDC_DETAILS_COPY"])
    wait_until(lambda: w.drv("clipboard") == text, what="details copied")
    w.drv("click", dlg["hwnd"], IDOK)
    wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="details closed")
