"""orlixcap.exe, the console capture tool, end to end: real OutputDebugStringA
writers (odswriter.exe), its two modes, its output files, its exit codes, and
the global channel.

A real Ctrl+C is typed once, into orlixcap running on a terminal (tmux): Wine
turns it into the console's Ctrl+C event. The other tests run orlixcap with
pipes for its streams, where no keyboard exists; they interrupt it as a
terminal would (SIGINT to its process), which Wine turns into the same
event."""
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import time

from e2e import GlobalRefused, LineReader, wait_until

READY = "orlixcap: capturing"


def setup(world):
    world.cap = os.path.join(world.build, "orlixcap.exe")
    world.ods = os.path.join(world.build, "odswriter.exe")
    world.serial = 0
    # The first program of a fresh prefix starts the prefix's own services,
    # which would inherit (and hold open) the output pipes of a test's run.
    world.run(world.cap, "--help", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
              timeout=180)
    return world


def scratch(w, name):
    """A fresh path under the prefix's C: drive (Linux path, Windows path)."""
    w.serial += 1
    path = os.path.join(w.prefix, "drive_c", "cap-%d-%s" % (w.serial, name))
    if os.path.exists(path):
        os.remove(path)
    return path, w.winpath(path)


def ods(w, *args, timeout=180):
    r = w.run(w.ods, *args, capture_output=True, timeout=timeout)
    assert r.returncode == 0, r.stderr
    return json.loads(r.stdout.decode().strip().splitlines()[-1])


def parse(data, utf16=False):
    """The log lines: [(name, pid, time, text)]."""
    if utf16:
        assert data[:2] == b"\xff\xfe", data[:8]
        text = data[2:].decode("utf-16-le")
    else:
        text = data.decode("utf-8")
    lines = text.split("\r\n")
    assert lines.pop() == "", "the output does not end with a line end"
    rows = []
    for ln in lines:
        cols = ln.split("\t\t")
        assert len(cols) == 4, ln
        hh, mm, ss, ms = cols[2].split(":")
        assert ms == "00" and len(hh) == len(mm) == len(ss) == 2, cols[2]
        rows.append((cols[0], int(cols[1]), cols[2], cols[3]))
    return rows


class Capture:
    """orlixcap in capture-until-stopped mode, stopped by an interrupt."""

    def __init__(self, w, *options, wait_ready=True):
        self.w = w
        self.proc = w.wine(w.cap, *options, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.err = LineReader(self.proc.stderr)
        if wait_ready:
            first = self.err.get(30)
            assert isinstance(first, str) and first.startswith(READY), first

    def stop(self, timeout=60):
        self.proc.send_signal(signal.SIGINT)
        out = self.proc.stdout.read()
        rc = self.proc.wait(timeout)
        return rc, out


def test_help_and_bad_usage(w):
    r = w.run(w.cap, "--help", capture_output=True)
    assert r.returncode == 0, r
    text = r.stdout.decode("utf-8")
    for part in ("usage: orlixcap [options]", "-- PROGRAM ARGS", "-o FILE", "--append",
                 "--utf16", "--include LIST", "--exclude LIST", "--global", "exit codes:",
                 "3   another reader", "--duration SECONDS", "--max-lines N", "--wait-for",
                 "--fail-on", "--format text|json", "1   --wait-for", "7   --fail-on", "8   "):
        assert part in text, part
    assert r.stderr == b""

    for args, why in ((("--bogus",), "unknown option '--bogus'"),
                      (("-o",), "option '-o' needs a file name"),
                      (("--include",), "option '--include' needs a list"),
                      (("--",), "'--' must be followed by the program to run"),
                      (("--append",), "'--append' needs '-o FILE'"),
                      (("--duration", "soon"), "option '--duration' needs a number"),
                      (("--max-lines", "0"), "option '--max-lines' needs a number"),
                      (("--wait-for", "/(/"), "option '--wait-for' has a regular expression"),
                      (("--fail-on", "//"), "option '--fail-on' needs a text or /REGEX/"),
                      (("--format", "xml"), "option '--format' needs 'text' or 'json'"),
                      (("--format", "json", "--utf16"), "'--format json' writes UTF-8")):
        r = w.run(w.cap, *args, capture_output=True)
        assert r.returncode == 2, (args, r)
        assert r.stdout == b"", args
        err = r.stderr.decode("utf-8")
        assert err.startswith("orlixcap: " + why), err
        assert "orlixcap --help" in err, err


def test_capture_until_stopped_writes_every_line_in_order(w):
    cap = Capture(w)
    a = ods(w, "lines", 5, "first-", "--pause", "0")
    # A writer that ends right after its line is still named.
    b = ods(w, "text", b"one\ttab, then the end".hex(), "--exit-now")
    c = ods(w, "lines", 3, "third-", "--pause", "0")
    rc, out = cap.stop()
    assert rc == 0, cap.err.drain()
    rows = parse(out)
    want = ([("odswriter.exe", a["pid"], "first-%d" % i) for i in range(5)] +
            [("odswriter.exe", b["pid"], "one\ttab, then the end")] +
            [("odswriter.exe", c["pid"], "third-%d" % i) for i in range(3)])
    assert [(r[0], r[1], r[3]) for r in rows] == want, rows
    assert all(r[1] > 0 for r in rows)


def test_ctrl_c_typed_at_the_console_stops_after_writing_everything(w):
    assert shutil.which("tmux"), "tmux is needed (scripts/setup.sh installs it)"
    path, win = scratch(w, "ctrlc.txt")
    done = path + ".rc"
    env = " ".join("%s=%s" % (k, shlex.quote(v)) for k, v in w.env.items())
    # The shell outlives the Ctrl+C (a handler, not an ignore, which the
    # program would inherit) to write down the exit code.
    command = "trap true INT; env -i %s %s %s -o %s; echo $? > %s" % (
        env, w.loader, shlex.quote(w.cap), shlex.quote(win), shlex.quote(done))
    tmux = ["tmux", "-L", "orlixcap-%d" % os.getpid()]
    subprocess.run(tmux + ["new-session", "-d", "-s", "cap", "-x", "160", "-y", "20",
                           "sh", "-c", command], check=True)
    try:
        screen = lambda: subprocess.run(tmux + ["capture-pane", "-p", "-t", "cap"],
                                        capture_output=True, text=True).stdout
        wait_until(lambda: READY in screen(), timeout=60, what="orlixcap on the terminal")
        a = ods(w, "lines", 3, "typed-", "--pause", "0")
        subprocess.run(tmux + ["send-keys", "-t", "cap", "C-c"], check=True)
        try:
            wait_until(lambda: os.path.exists(done) and open(done).read().strip(), timeout=30,
                       what="orlixcap ended")
        except AssertionError:
            print(screen())
            raise
        with open(done) as f:
            assert f.read().strip() == "0", screen()
    finally:
        subprocess.run(tmux + ["kill-server"], stderr=subprocess.DEVNULL)
    with open(path, "rb") as f:
        rows = parse(f.read())
    assert [(r[1], r[3]) for r in rows] == [(a["pid"], "typed-%d" % i) for i in range(3)]


def test_files_utf8_utf16_append_and_filters(w):
    path, win = scratch(w, "log16.txt")
    cap = Capture(w, "-o", win, "--utf16")
    ods(w, "lines", 2, "one-", "--pause", "0")
    assert cap.stop() == (0, b"")
    cap = Capture(w, "--output", win, "--utf16", "--append")
    ods(w, "lines", 2, "two-", "--pause", "0")
    assert cap.stop()[0] == 0
    with open(path, "rb") as f:
        data = f.read()
    assert data.count(b"\xff\xfe") == 1, "one byte-order mark, at the start"
    assert [r[3] for r in parse(data, utf16=True)] == ["one-0", "one-1", "two-0", "two-1"]

    # UTF-8, replaced (not appended) by the next run; the viewer's filter lists.
    path, win = scratch(w, "log8.txt")
    with open(path, "wb") as f:
        f.write(b"old content\r\n")
    cap = Capture(w, "-o", win, "--include", "keep;also;", "--exclude", "not")
    ods(w, "text", b"keep this".hex(), "--pause", "0")
    ods(w, "text", b"drop this".hex(), "--pause", "0")
    ods(w, "text", b"keep not this".hex(), "--pause", "0")
    ods(w, "text", "also \u4e2d\u6587".encode("gbk").hex(), "--pause", "0")
    assert cap.stop()[0] == 0
    with open(path, "rb") as f:
        data = f.read()
    assert [r[3] for r in parse(data)] == ["keep this", "also \u4e2d\u6587"]

    # A file that cannot be made: exit code 5, nothing started.
    r = w.run(w.cap, "-o", "C:\\no-such-folder\\x.txt", capture_output=True)
    assert r.returncode == 5, r
    assert b"x.txt" in r.stderr, r.stderr


def test_run_mode_takes_only_the_program_tree_and_returns_its_exit_code(w):
    # An unrelated writer keeps writing the whole time.
    other = w.wine(w.ods, "lines", 200000, "other-", "--pause", "0",
                   stdout=subprocess.DEVNULL)
    try:
        path, win = scratch(w, "tree.txt")
        child = '"%s" lines 3 child- --pause 0' % w.winpath(w.ods)
        r = w.run(w.cap, "-o", win, "--", w.winpath(w.ods), "lines", 4, "parent-", "--pause",
                  "0", "--spawn", child, "--exit-code", 7, capture_output=True, timeout=120)
        assert r.returncode == 7, r
        reports = [json.loads(x) for x in r.stdout.decode().splitlines()]
        child_pid, parent_pid = reports[0]["pid"], reports[1]["pid"]
        with open(path, "rb") as f:
            rows = parse(f.read())
        assert [(x[1], x[3]) for x in rows] == (
            [(child_pid, "child-%d" % i) for i in range(3)] +
            [(parent_pid, "parent-%d" % i) for i in range(4)]), rows
        assert other.poll() is None, "the other writer was running throughout"
    finally:
        other.kill()
        other.wait(10)

    # Exit code 0 passes through too; a program that cannot start gives 6.
    path, win = scratch(w, "zero.txt")
    r = w.run(w.cap, "-o", win, "--", w.winpath(w.ods), "lines", 1, "zero-", "--pause", "0",
              capture_output=True)
    assert r.returncode == 0, r
    with open(path, "rb") as f:
        assert [x[3] for x in parse(f.read())] == ["zero-0"]
    r = w.run(w.cap, "--", "C:\\no-such-program.exe", capture_output=True)
    assert r.returncode == 6, r
    assert b"no-such-program.exe" in r.stderr


def test_a_burst_of_100000_lines_loses_none(w):
    path, win = scratch(w, "burst.txt")
    t0 = time.time()
    r = w.run(w.cap, "-o", win, "--", w.winpath(w.ods), "lines", 100000, "burst-", "--pause",
              "0", capture_output=True, timeout=600)
    took = time.time() - t0
    assert r.returncode == 0, r
    rep = json.loads(r.stdout.decode().strip().splitlines()[-1])
    with open(path, "rb") as f:
        rows = parse(f.read())
    print("100000 lines in %.1f s (writer's slowest call %.1f ms)" % (took, rep["max_ms"]))
    assert len(rows) == 100000
    assert [x[3] for x in rows] == ["burst-%d" % i for i in range(100000)]
    assert {x[1] for x in rows} == {rep["pid"]}


def test_a_second_reader_is_refused_with_its_own_exit_code(w):
    cap = Capture(w)
    try:
        r = w.run(w.cap, capture_output=True)
        assert r.returncode == 3, r
        assert b"another reader" in r.stderr, r.stderr
        r = w.run(w.cap, "--", w.winpath(w.ods), "lines", 1, "x-", capture_output=True)
        assert r.returncode == 3, r
        assert r.stdout == b"", "the program was not started"
    finally:
        assert cap.stop()[0] == 0


def test_global_channel_lines_arrive_beside_the_session_ones(w):
    path, win = scratch(w, "global.txt")
    cap = Capture(w, "--global", "-o", win)
    g = ods(w, "lines", 3, "service-", "--global", "--pause", "0")
    s = ods(w, "lines", 2, "session-", "--pause", "0")
    assert cap.stop()[0] == 0
    with open(path, "rb") as f:
        rows = parse(f.read())
    assert [(x[1], x[3]) for x in rows] == (
        [(g["pid"], "service-%d" % i) for i in range(3)] +
        [(s["pid"], "session-%d" % i) for i in range(2)]), rows
    # Without --global nobody made the global objects: a writer finds none.
    r = w.run(w.ods, "lines", 1, "nobody-", "--global", capture_output=True)
    assert r.returncode == 2 and b"no reader" in r.stderr, r


def test_global_channel_refused_says_why(w):
    refused = GlobalRefused(w)
    r = w.run(w.cap, "--global", capture_output=True)
    refused.close()
    assert r.returncode == 4, r
    err = r.stderr.decode("utf-8")
    assert "privilege to create global objects" in err, err
    # The session channel was let go again: the next reader has it.
    cap = Capture(w)
    assert cap.stop()[0] == 0


def test_scripted_stops_json_and_exit_codes(w):
    # --format json: JSON Lines, escaped, valid UTF-8; --duration ends it with 0.
    cap = Capture(w, "--format", "json", "--duration", "4")
    sent = 'q"b\\s\ttab\x01 \u4e2d\u6587'
    a = ods(w, "text", sent.encode("gbk").hex(), "--pause", "0")
    rc = cap.proc.wait(60)
    out = cap.proc.stdout.read()
    assert rc == 0, cap.err.drain()
    raw = out.decode("utf-8")
    assert raw.endswith("}\n") and "\\u0001" in raw and "\\t" in raw, raw
    rec = [json.loads(x) for x in raw.splitlines()]
    assert len(rec) == 1 and set(rec[0]) == {"time", "pid", "process", "text"}, rec
    assert (rec[0]["pid"], rec[0]["process"]) == (a["pid"], "odswriter.exe"), rec
    assert rec[0]["text"] == sent, rec
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}", rec[0]["time"]), rec

    # --max-lines: exactly N lines, then 0.
    cap = Capture(w, "--max-lines", "3")
    ods(w, "lines", 5, "max-", "--pause", "0")
    assert cap.proc.wait(60) == 0
    assert [r[3] for r in parse(cap.proc.stdout.read())] == ["max-0", "max-1", "max-2"]

    # --wait-for /REGEX/: 0 at the matching line (the last one written) ...
    cap = Capture(w, "--wait-for", r"/ready\s+\d+/", "--duration", "60")
    ods(w, "lines", 2, "starting-", "--pause", "0")
    ods(w, "text", b"service ready 42".hex(), "--pause", "0")
    assert cap.proc.wait(60) == 0
    assert [r[3] for r in parse(cap.proc.stdout.read())] == [
        "starting-0", "starting-1", "service ready 42"]
    # ... 1 when none comes in time, or the program ends without it.
    t0 = time.time()
    r = w.run(w.cap, "--wait-for", "never", "--duration", "1.5", capture_output=True)
    assert r.returncode == 1 and time.time() - t0 >= 1.5, r
    r = w.run(w.cap, "--wait-for", "Ready", "--", w.winpath(w.ods), "text",
              b"ready (lower case)".hex(), capture_output=True)
    assert r.returncode == 1, r

    # --fail-on: 7 although the program succeeded, the line named; a program's
    # own failure keeps its code; a run cut short by --max-lines gives 8.
    r = w.run(w.cap, "--fail-on", r"/ERR\d/", "--", w.winpath(w.ods), "text",
              b"ERR7 disk full".hex(), capture_output=True)
    assert r.returncode == 7 and "ERR7 disk full" in r.stderr.decode(), r
    r = w.run(w.cap, "--fail-on", "ERR", "--", w.winpath(w.ods), "text", b"ERR".hex(),
              "--exit-code", 3, capture_output=True)
    assert r.returncode == 3, r
    r = w.run(w.cap, "--fail-on", "ERR", "--", w.winpath(w.ods), "text", b"all well".hex(),
              capture_output=True)
    assert r.returncode == 0 and b"fail-on" not in r.stderr, r
    path, win = scratch(w, "cut.txt")
    r = w.run(w.cap, "-o", win, "--max-lines", "1", "--", w.winpath(w.ods), "lines", 3, "cut-",
              "--pause", "3000", capture_output=True)
    with open(path, "rb") as f:
        assert r.returncode == 8 and [x[3] for x in parse(f.read())] == ["cut-0"], r
