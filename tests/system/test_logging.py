"""Logging to file, end to end: the real Orlix.exe switched on and off from
outside, its log files read from the world's Documents folder."""
import os
import re
import subprocess
import time

from e2e import IDS, ini_text, wait_until, start_viewer, stop_viewer, resident_kib, set_filter

ID_CLEAR, ID_LOG_TO_FILE = IDS["ID_CLEAR"], IDS["ID_LOG_TO_FILE"]
IDOK = 1
PROMPT = "自动保存文件名:"
DROPPED = re.compile(r"^日志文件写入受阻，有 (\d+) 行没有记入日志。$")
BOM = b"\xff\xfe"
LINE = re.compile(r"^(.*)\t\t(-?\d+)\t\t(\d\d:\d\d:\d\d:00)\t\t(.*)$", re.S)


def setup(world):
    world.logging = False
    return start_viewer(world)


teardown = stop_viewer


def on_failure(world, name):
    print("Documents:", sorted(os.listdir(world.documents)))


def log_button_checked(w):
    return [b for b in w.drv("toolbar", w.viewer.hwnd) if b["id"] == ID_LOG_TO_FILE][0]["checked"]


def stamp_free(w):
    """True once the current second names no log file yet."""
    return not any(n.startswith(time.strftime("%y%m%d-%H%M%S")) for n in os.listdir(w.documents))


def log_on(w):
    """Switches logging on; returns the Linux path that the box announced."""
    assert not w.logging
    wait_until(lambda: stamp_free(w), what="a second that names no file yet")
    w.viewer.command(ID_LOG_TO_FILE)
    box = w.drv("waitdialog", None, w.viewer.pid, 10000)
    assert box, "no box when switching logging on"
    texts = [c["text"] for c in box["controls"] if c["text"].startswith(PROMPT)]
    assert len(texts) == 1, box
    winpath = texts[0][len(PROMPT):]
    user = os.path.basename(w.user_dir)
    m = re.fullmatch(r"C:\\users\\%s\\Documents\\(\d{6}-\d{6})\.txt" % re.escape(user), winpath,
                     re.I)
    assert m, winpath
    # Named after the moment of switching on.
    t = time.mktime(time.strptime(m.group(1), "%y%m%d-%H%M%S"))
    assert abs(time.time() - t) < 10, winpath
    assert w.drv("click", box["hwnd"], IDOK)
    wait_until(lambda: not w.drv("exists", box["hwnd"]), what="box closed")
    wait_until(lambda: log_button_checked(w), what="log button checked")
    w.logging = True
    return os.path.join(w.documents, m.group(1) + ".txt")


def log_off(w):
    assert w.logging
    w.viewer.command(ID_LOG_TO_FILE)
    wait_until(lambda: not log_button_checked(w), what="log button released")
    assert w.drv("dialogs", w.viewer.pid) == [], "no box when switching off"
    w.logging = False


def read(path):
    with open(path, "rb") as f:
        return f.read()


def wait_content(path, want, timeout=10):
    wait_until(lambda: os.path.exists(path) and read(path) == want, timeout=timeout,
               what="%s to hold %r" % (os.path.basename(path), want[-80:]))


def log_lines(data):
    """(name, pid, time, text) of each line of a whole log file."""
    assert data[:2] == BOM, data[:16]
    parts = data[2:].decode("utf-16-le").split("\r\n")
    assert parts.pop() == "", "the last line ends in CR LF"
    out = []
    for p in parts:
        m = LINE.match(p)
        assert m, p
        out.append(m.groups())
    return out


def texts_in(path):
    return [t for _, _, _, t in log_lines(read(path))]


def wait_texts(path, want, timeout=10):
    def ok():
        try:
            return texts_in(path) == want
        except (AssertionError, OSError, UnicodeDecodeError):
            return False
    try:
        wait_until(ok, timeout=timeout, what="log lines")
    except AssertionError:
        raise AssertionError("%s holds %r, want %r" % (path, texts_in(path)[-10:], want[-10:]))


def all_log_text(w):
    out = ""
    for n in os.listdir(w.documents):
        out += read(os.path.join(w.documents, n)).decode("utf-16-le", "replace")
    return out


def test_switching_on_names_the_file_and_starts_it_with_the_mark_alone(w):
    assert not log_button_checked(w)
    path = log_on(w)
    wait_content(path, BOM)
    time.sleep(0.3)
    assert read(path) == BOM
    log_off(w)


def test_lines_reach_the_file_byte_exact(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    path = log_on(w)
    wait_content(path, BOM)
    w.viewer.send(412, "hi")
    w.viewer.send(0, "中文 ünïcødé 😀")
    rows = w.viewer.wait_rows(2)
    name, pid, t, text = rows[0]
    assert (pid, text) == ("412", "hi")
    assert name == "", "no process 412 in this world, so no name"
    want = BOM + ("%s\t\t412\t\t%s\t\thi\r\n" % (name, t)).encode("utf-16-le") + \
        ("\t\t0\t\t%s\t\t中文 ünïcødé 😀\r\n" % rows[1][2]).encode("utf-16-le")
    wait_content(path, want)
    log_off(w)


def test_off_and_on_again_starts_a_second_file_and_off_lines_go_nowhere(w):
    first = log_on(w)
    w.viewer.send(7, "first period")
    wait_texts(first, ["first period"])
    log_off(w)
    for i in range(3):
        w.viewer.send(7, "while off %d" % i)
    second = log_on(w)
    assert second != first
    wait_content(second, BOM)
    w.viewer.send(7, "second period")
    wait_texts(second, ["second period"])
    log_off(w)
    w.viewer.send(7, "off again")
    time.sleep(1.0)
    assert texts_in(first) == ["first period"]
    assert texts_in(second) == ["second period"]
    assert "while off" not in all_log_text(w) and "off again" not in all_log_text(w)


def test_a_foreign_file_of_the_new_name_is_left_alone(w):
    # Whatever second the switch lands on, a file of someone else's is there.
    foreign = b"someone else's notes\r\n"
    wait_until(lambda: stamp_free(w), what="a second that names no log file yet")
    decoys = []
    now = time.time()
    for d in range(-1, 20):
        p = os.path.join(w.documents, time.strftime("%y%m%d-%H%M%S", time.localtime(now + d)) +
                         ".txt")
        if not os.path.exists(p):
            with open(p, "wb") as f:
                f.write(foreign)
            decoys.append(p)
    try:
        w.viewer.command(ID_LOG_TO_FILE)
        box = w.drv("waitdialog", None, w.viewer.pid, 10000)
        text = [c["text"] for c in box["controls"] if c["text"].startswith(PROMPT)][0]
        named = os.path.join(w.documents, text.split("\\")[-1])
        w.drv("click", box["hwnd"], IDOK)
        wait_until(lambda: log_button_checked(w), what="log button checked")
        w.logging = True
        assert named in decoys, (named, decoys)
        beside = named[:-len(".txt")] + "-2.txt"
        wait_content(beside, BOM)
        w.viewer.send(9, "into the free name")
        wait_texts(beside, ["into the free name"])
        log_off(w)
        assert read(named) == foreign
    finally:
        for p in decoys:
            if os.path.exists(p):
                assert read(p) == foreign, p
                os.unlink(p)


def test_a_line_that_cannot_be_appended_waits_and_is_retried(w):
    path = log_on(w)
    w.viewer.send(5, "before")
    wait_texts(path, ["before"])
    holder = w.wine(os.path.join(w.build, "holdfile.exe"), w.winpath(path),
                    stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        assert holder.stdout.readline().strip() == b"held"
        for i in range(3):
            w.viewer.send(5, "held %d" % i)
        time.sleep(1.5)
        assert texts_in(path) == ["before"]
    finally:
        holder.stdin.close()
        holder.wait(10)
    wait_texts(path, ["before", "held 0", "held 1", "held 2"], timeout=5)
    w.viewer.send(5, "after")
    wait_texts(path, ["before", "held 0", "held 1", "held 2", "after"])
    # Removed under its feet: the file starts again, as a log file.
    os.unlink(path)
    w.viewer.send(5, "again")
    wait_texts(path, ["again"])
    log_off(w)


def test_a_new_file_that_cannot_be_made_is_reported_and_the_last_file_goes_on(w):
    earlier = log_on(w)
    w.viewer.send(3, "earlier period")
    wait_texts(earlier, ["earlier period"])
    log_off(w)
    # Folders in the way of every name the next switch can give (and that
    # next name not the earlier file's own, which would simply be reused).
    wait_until(lambda: stamp_free(w), what="a second that names no file yet")
    blocks = []
    now = time.time()
    for d in range(0, 20):
        p = os.path.join(w.documents, time.strftime("%y%m%d-%H%M%S", time.localtime(now + d)) +
                         ".txt")
        if not os.path.exists(p):
            os.mkdir(p)
            blocks.append(p)
    try:
        w.viewer.command(ID_LOG_TO_FILE)
        box = w.drv("waitdialog", None, w.viewer.pid, 10000)
        path = [c["text"] for c in box["controls"] if c["text"].startswith(PROMPT)][0][len(PROMPT):]
        w.drv("click", box["hwnd"], IDOK)
        wait_until(lambda: log_button_checked(w), what="log button checked")
        w.logging = True
        failed = w.drv("waitdialog", "Orlix", w.viewer.pid, 10000)
        assert failed, "no box for the file that could not be made"
        texts = [c["text"] for c in failed["controls"]]
        assert "Open File %s failed" % path in texts, texts
        # Lines wait while the writer's box is up, then go to the file of the
        # earlier period, which is still the current one.
        w.viewer.send(3, "after the failure")
        time.sleep(0.5)
        assert texts_in(earlier) == ["earlier period"]
        w.drv("click", failed["hwnd"], IDOK)
        wait_texts(earlier, ["earlier period", "after the failure"])
        log_off(w)
    finally:
        for p in blocks:
            assert os.listdir(p) == [], p
            os.rmdir(p)


def test_a_burst_of_100000_lines_reaches_the_file_whole_and_in_order(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    n = 100000
    path = log_on(w)
    wait_content(path, BOM)
    t0 = time.time()
    ms = w.drv("sendmany", w.viewer.hwnd, 0, "L", n, "wide", timeout=300)
    # Each line: two tabs, "0", two tabs, the 11-unit time, two tabs, text, CR LF.
    size = 2 + 2 * sum(2 + 1 + 2 + 11 + 2 + len("L%d" % i) + 2 for i in range(n))
    wait_until(lambda: os.path.getsize(path) >= size, timeout=60, what="the whole burst")
    print("%d lines sent in %.0f ms; file complete after %.1f s" % (n, ms, time.time() - t0))
    time.sleep(0.3)
    assert os.path.getsize(path) == size
    lines = log_lines(read(path))
    assert [t for _, _, _, t in lines] == ["L%d" % i for i in range(n)]
    assert {(name, pid) for name, pid, _, _ in lines} == {("", "0")}
    log_off(w)
    w.viewer.send(0, "after the burst")
    time.sleep(0.5)
    assert os.path.getsize(path) == size


def test_a_held_file_bounds_what_waits_and_the_gap_is_noted_in_the_file(w):
    """While the file cannot be written, lines wait up to 64 MiB; those past
    it are dropped, counted, and the count goes into the file where the gap
    is once writing resumes."""
    n, body = 16000, "F" * 4000
    path = log_on(w)
    w.viewer.send(5, "before")
    wait_texts(path, ["before"])
    # Hidden rows: the list does not grow, only what waits for the writer.
    set_filter(w, "", body[:8])
    holder = w.wine(os.path.join(w.build, "holdfile.exe"), w.winpath(path),
                    stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        assert holder.stdout.readline().strip() == b"held"
        before = resident_kib(w)
        peak = before
        for start in range(0, n, 2000):
            w.drv("sendmany", w.viewer.hwnd, 5, body + "%06d-" % start, 2000, "wide", timeout=300)
            peak = max(peak, resident_kib(w))
        # Each line counts 8 KiB and more: 16,000 of them (over 125 MiB) are
        # far past the 64 MiB bound, which must keep the viewer below that.
        grew_mib = (peak - before) / 1024.0
        print("held file: %d lines of %d units sent; resident %.0f MiB before, peak +%.0f MiB"
              % (n, len(body) + 13, before / 1024.0, grew_mib))
        assert grew_mib < 100, grew_mib
        assert w.drv("sendmsg", w.viewer.hwnd, 0, 0, 0) is not None  # still answers
    finally:
        holder.stdin.close()
        holder.wait(10)
    set_filter(w, "", "")
    w.viewer.send(5, "after")

    def complete():
        try:
            t = texts_in(path)
        except (AssertionError, OSError, UnicodeDecodeError):
            return False
        return t and t[-1] == "after"
    wait_until(complete, timeout=60, what="the file to catch up")
    lines = log_lines(read(path))
    texts = [t for _, _, _, t in lines]
    assert texts[0] == "before" and texts[-1] == "after"
    note = lines[-2]
    m = DROPPED.match(note[3])
    assert m, texts[-3:]
    assert note[0].lower() == "orlix.exe" and int(note[1]) == w.viewer.pid, note[:2]
    kept = texts[1:-2]
    # What was taken is there once, in order; the rest is what the note counts.
    assert kept == [t for t in kept if t.startswith(body)]
    numbers = [int(t[len(body):].split("-")[0]) + int(t.split("-")[1]) for t in kept]
    assert numbers == list(range(len(kept))), "lines taken are a gapless start"
    assert int(m.group(1)) == n - len(kept) > 0
    print("kept %d lines (%.0f MiB of text), noted %s dropped" %
          (len(kept), len(kept) * (len(body) + 40) * 2 / 2**20, m.group(1)))
    log_off(w)


def set_log_options(w, size_kb, keep):
    """File > Log File Options, as a user fills it in."""
    w.viewer.command(IDS["ID_LOG_OPTIONS"])
    dlg = w.drv("waitdialog", None, w.viewer.pid, 10000)
    assert dlg, "no log options dialog"
    c = {x["id"]: x for x in dlg["controls"]}
    if not c[IDS["IDC_LOG_MAX_KB"]]["enabled"]:   # the size is asked for once it counts
        w.drv("sendmsg", c[IDS["IDC_LOG_BY_SIZE"]]["hwnd"], 0x00F5, 0, 0)   # BM_CLICK
    w.drv("settext", c[IDS["IDC_LOG_MAX_KB"]]["hwnd"], str(size_kb))
    w.drv("settext", c[IDS["IDC_LOG_KEEP"]]["hwnd"], str(keep))
    w.drv("click", dlg["hwnd"], IDOK)
    wait_until(lambda: not w.drv("exists", dlg["hwnd"]), what="log options closed")


def test_new_files_at_a_size_keep_every_line_of_a_burst_and_only_the_newest_stay(w):
    set_log_options(w, 32, 0)
    n = 8000
    for keep, prefix in ((0, "R"), (3, "S")):
        if keep:
            set_log_options(w, 32, keep)
        w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
        first = log_on(w)
        stem = first[:-len(".txt")]
        w.drv("sendmany", w.viewer.hwnd, 0, prefix, n, "wide", timeout=300)

        def files():
            names = [p for p in os.listdir(w.documents) if p.startswith(os.path.basename(stem))]
            seq = lambda p: int(p.split(".")[1]) if p.count(".") == 2 else 1
            return [os.path.join(w.documents, p) for p in sorted(names, key=seq)]

        def texts():
            try:
                return [t for f in files() for t in texts_in(f)]
            except (AssertionError, OSError, UnicodeDecodeError):
                return []
        want = ["%s%d" % (prefix, i) for i in range(n)]
        wait_until(lambda: texts()[-1:] == want[-1:], timeout=60, what="the burst's last line")
        log_off(w)
        got = texts()
        assert all(os.path.getsize(f) <= 32 * 1024 for f in files())
        if keep:   # only the newest files stay, and they end the burst whole
            assert len(files()) == keep and got == want[-len(got):], (files(), got[:3])
        else:      # every line once, in order, across many files
            assert len(files()) >= 10 and got == want, (files(), len(got))
    assert "[Log]" in ini_text(w) and "MaxKB=32" in ini_text(w) and "Keep=3" in ini_text(w)
