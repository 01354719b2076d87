"""Forwarding to syslog, end to end: the real Orlix.exe forwards what it
takes in to a real rsyslogd (Debian's), which this file starts inside the
world's private network namespace on a port of its own, listening on the
far end of the veth pair (10.231.0.2) for UDP and TCP and writing every
message it receives to files in the test's own folder. Each message is read
back raw and as rsyslog parsed it, field by field. Nothing leaves the
namespace."""
import datetime
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time

from e2e import IDS, Viewer, start_viewer, stop_viewer, wait_until

SERVER = "10.231.0.2"
UDP_SAFE_BYTES = 1472
QUEUE_LINES = 200
BM_SETCHECK, BST_CHECKED, BST_UNCHECKED = 0x00F1, 1, 0
CB_SETCURSEL = 0x014E
LOCAL3 = 19
DIALOG_TITLE = "转发到 syslog"
RAW = re.compile(r"^<(\d+)>1 (\S+) (\S+) (\S+) (\S+) (\S+) (\S+) \ufeff(.*)$", re.S)
STAMP = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$")


def skip_reason(build):
    if not shutil.which("rsyslogd"):
        return "rsyslogd is not installed (scripts/setup.sh installs it)"
    return None


class Rsyslog:
    """A private rsyslogd: its own configuration, pid file, work folder and
    output files, one port for UDP and TCP, inputs bound to their own rule
    set so rsyslog's own notices never reach the files."""

    def __init__(self, folder):
        self.folder = folder
        self.port = self._free_port()
        self.raw = os.path.join(folder, "raw.log")
        self.fields = os.path.join(folder, "fields.log")
        self.conf = os.path.join(folder, "rsyslog.conf")
        self.pidfile = os.path.join(folder, "rsyslogd.pid")
        os.makedirs(os.path.join(folder, "work"), exist_ok=True)
        with open(self.conf, "w") as f:
            f.write("""
global(workDirectory="{work}" maxMessageSize="64k")
module(load="imudp")
module(load="imtcp")
template(name="raw" type="string" string="%rawmsg%\\n")
template(name="fields" type="string"
         string="%pri% %hostname% %app-name% %procid% %msgid% %structured-data% %msg%\\n")
ruleset(name="forwarded") {{
    action(type="omfile" file="{raw}" template="raw")
    action(type="omfile" file="{fields}" template="fields")
}}
input(type="imudp" address="{host}" port="{port}" ruleset="forwarded")
input(type="imtcp" address="{host}" port="{port}" ruleset="forwarded")
""".format(work=os.path.join(folder, "work"), raw=self.raw, fields=self.fields,
           host=SERVER, port=self.port))
        self.proc = None
        self.start()

    @staticmethod
    def _free_port():
        for _ in range(50):
            t = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            t.bind((SERVER, 0))
            port = t.getsockname()[1]
            u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            try:
                u.bind((SERVER, port))
                return port
            except OSError:
                continue
            finally:
                u.close()
                t.close()
        raise AssertionError("no free port")

    def _listening(self):
        for kind in ("-ltnH", "-lunH"):
            out = subprocess.run(["ss", kind, "sport = :%d" % self.port],
                                 capture_output=True, text=True).stdout
            if not out.strip():
                return False
        return True

    def start(self):
        self.proc = subprocess.Popen(["rsyslogd", "-n", "-f", self.conf, "-i", self.pidfile],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(self._listening, timeout=20, what="rsyslogd listening")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        self.proc = None

    def _lines(self, path):
        try:
            with open(path, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        return [l.decode("utf-8") for l in data.split(b"\n")[:-1]]

    def received(self, tag):
        """(raw, fields) of every message whose text starts with `tag`, in order."""
        raw = [l for l in self._lines(self.raw) if "\ufeff" + tag in l]
        fields = [l for l in self._lines(self.fields) if "\ufeff" + tag in l]
        return raw, fields

    def wait_for(self, tag, n, timeout=30):
        wait_until(lambda: len(self.received(tag)[0]) >= n and len(self.received(tag)[1]) >= n,
                   timeout=timeout, what="%d messages %r at rsyslog (have %d)"
                   % (n, tag, len(self.received(tag)[0])))
        time.sleep(0.5)  # anything beyond n would show now
        return self.received(tag)


def settings_path(world):
    return os.path.join(world.build, "Orlix.ini")


def read_settings(world):
    """The [Syslog] keys of the program's settings file ({} without one)."""
    try:
        with open(settings_path(world), "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return {}
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else \
        data.decode("utf-8", "replace")
    out, section = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line.strip("[]")
        elif section == "Syslog" and "=" in line:
            k, v = line.split("=", 1)
            out[k.strip()] = v.strip()
    return out


def status_pane(world):
    return world.drv("status", world.viewer.hwnd, 1)


def dropped(world):
    m = re.search(r"\d+", status_pane(world))
    return int(m.group()) if m else None


def configure(world, tcp, enable=True):
    """Through the dialog, as a person would: host, port, protocol, facility."""
    v = world.viewer
    v.command(IDS["ID_SYSLOG_FORWARD"])
    dlg = world.drv("waitdialog", DIALOG_TITLE, v.pid, 10000)
    assert dlg, "the syslog dialog did not open"
    ctl = {c["id"]: c["hwnd"] for c in dlg["controls"]}
    world.drv("settext", ctl[IDS["IDC_SYSLOG_HOST"]], SERVER)
    world.drv("settext", ctl[IDS["IDC_SYSLOG_PORT"]], str(world.rsyslog.port))
    world.drv("sendmsg", ctl[IDS["IDC_SYSLOG_UDP"]], BM_SETCHECK,
              BST_UNCHECKED if tcp else BST_CHECKED)
    world.drv("sendmsg", ctl[IDS["IDC_SYSLOG_TCP"]], BM_SETCHECK,
              BST_CHECKED if tcp else BST_UNCHECKED)
    world.drv("sendmsg", ctl[IDS["IDC_SYSLOG_FACILITY"]], CB_SETCURSEL, LOCAL3)
    world.drv("sendmsg", ctl[IDS["IDC_SYSLOG_ENABLE"]], BM_SETCHECK,
              BST_CHECKED if enable else BST_UNCHECKED)
    world.drv("click", dlg["hwnd"], 1)  # IDOK
    wait_until(lambda: not world.drv("exists", dlg["hwnd"]), timeout=10, what="dialog closed")


def expected_hostname():
    return socket.gethostname().split(".")[0].lower()


def check_messages(world, raw, fields, texts, t0, t1, udp):
    """Every field of every message, in the order the lines were sent."""
    assert len(raw) == len(texts), (len(raw), len(texts))
    assert len(fields) == len(texts)
    stamps = []
    for line, parsed, text in zip(raw, fields, texts):
        m = RAW.match(line)
        assert m, line[:200]
        pri, stamp, host, app, procid, msgid, sd, msg = m.groups()
        assert int(pri) == LOCAL3 * 8 + 6, pri  # local3.info
        assert STAMP.match(stamp), stamp
        when = datetime.datetime.fromisoformat(stamp)
        assert t0 - 2 <= when.timestamp() <= t1 + 2, (stamp, t0, t1)
        # The offset is the one in force at that moment where the viewer runs.
        local = datetime.datetime.fromtimestamp(when.timestamp()).astimezone()
        assert when.utcoffset() == local.utcoffset(), (stamp, local)
        stamps.append(when)
        assert host.lower() == expected_hostname(), host
        assert app == "Orlix.exe", app
        assert procid == str(world.viewer.pid), procid
        assert msgid == "-" and sd == "-", (msgid, sd)
        # rsyslog parsed it the same way, field by field.
        assert parsed == "%s %s %s %s - - \ufeff%s" % (pri, host, app, procid, msg), parsed[:200]
        # Control characters come back as rsyslog escapes them.
        sent = text.replace("\n", "#012")
        if udp and len(("<%s>1 %s %s %s %s - - \ufeff" % (pri, stamp, host, app, procid)
                        + text).encode("utf-8")) > UDP_SAFE_BYTES:
            whole = ("<%s>1 %s %s %s %s - - \ufeff%s" % (pri, stamp, host, app, procid, msg))
            assert len(whole.encode("utf-8")) <= UDP_SAFE_BYTES
            assert len(whole.encode("utf-8")) > UDP_SAFE_BYTES - 4
            assert sent.startswith(msg) and len(msg) < len(sent), len(msg)
        else:
            assert msg == sent, (msg[:80], sent[:80])
    assert stamps == sorted(stamps)
    # Milliseconds are real: a burst does not all land on whole seconds.
    assert any(s.microsecond != 0 for s in stamps)


def burst(tag):
    texts = ["%s %03d plain line" % (tag, i) for i in range(150)]
    texts += [tag + " 中文信息 ünïcödé",
              tag + " emoji \U0001F600\U0001F680 end",
              tag + " long " + "中" * 2000,
              tag + " two\nlines in one message"]
    texts += ["%s %03d tail" % (tag, i) for i in range(150)]
    return texts


def send_all(world, texts):
    for t in texts:
        world.viewer.send(world.viewer.pid, t)


# ------------------------------------------------------------------ world ---

def setup(world):
    world.tmp = tempfile.mkdtemp(prefix="syslog-", dir=world.prefix)
    world.rsyslog = Rsyslog(world.tmp)
    start_viewer(world)
    return world


def teardown(world):
    try:
        stop_viewer(world)
    finally:
        world.rsyslog.stop()


def on_failure(world, name):
    raw, _ = world.rsyslog.received("")
    print("rsyslog has %d messages; settings %r; pane %r"
          % (len(raw), read_settings(world), status_pane(world)))


# ------------------------------------------------------------------ tests ---

def test_off_by_default(world):
    v = world.viewer
    send_all(world, ["OFF line %d" % i for i in range(20)])
    v.wait_rows(20)
    time.sleep(1.5)
    assert world.rsyslog.received("OFF")[0] == []
    assert read_settings(world) == {}
    # The status bar is the single message pane.
    assert status_pane(world) == ""


def test_udp_burst_through_the_dialog(world):
    configure(world, tcp=False)
    # Written once the dialog has closed.
    wait_until(lambda: "QueueLines" in read_settings(world), timeout=10, what="settings")
    s = read_settings(world)
    assert s.get("Enabled") == "1" and s.get("Protocol") == "udp", s
    assert s.get("Host") == SERVER and s.get("Port") == str(world.rsyslog.port), s
    assert s.get("Facility") == "local3", s
    wait_until(lambda: dropped(world) == 0, timeout=5, what="status pane")
    texts = burst("UDP")
    t0 = time.time()
    send_all(world, texts)
    t1 = time.time()
    raw, fields = world.rsyslog.wait_for("UDP", len(texts))
    check_messages(world, raw, fields, texts, t0, t1, udp=True)
    assert dropped(world) == 0


def test_tcp_burst_with_octet_counting(world):
    configure(world, tcp=True)
    wait_until(lambda: read_settings(world).get("Protocol") == "tcp" and
               "QueueLines" in read_settings(world), timeout=10, what="settings")
    texts = burst("TCP")
    t0 = time.time()
    send_all(world, texts)
    t1 = time.time()
    raw, fields = world.rsyslog.wait_for("TCP", len(texts))
    # Whole lines over TCP: the long one arrives uncut, the one with a line
    # break as one message (octet counting, not line framing).
    check_messages(world, raw, fields, texts, t0, t1, udp=False)


def test_tcp_server_restart_mid_burst(world):
    # Persisted settings, plus a small queue bound, read at the next start.
    world.viewer.close()
    with open(settings_path(world), "rb") as f:
        data = f.read()
    wide = data[:2] == b"\xff\xfe"
    text = data.decode("utf-16" if wide else "utf-8")
    text = text.replace("QueueLines=%d" % 10000, "QueueLines=%d" % QUEUE_LINES)
    assert "QueueLines=%d" % QUEUE_LINES in text, text
    with open(settings_path(world), "wb") as f:
        f.write(text.encode("utf-16") if wide else text.encode("utf-8"))
    world.viewer = Viewer(world, world.drv)
    wait_until(lambda: dropped(world) == 0, timeout=10, what="forwarding on after restart")

    before = ["RST A %03d" % i for i in range(50)]
    during = ["RST B %03d" % i for i in range(QUEUE_LINES + 120)]
    after = ["RST C %03d" % i for i in range(30)]
    t0 = time.time()
    send_all(world, before)
    world.rsyslog.wait_for("RST A", len(before))
    world.rsyslog.stop()
    send_all(world, during)
    # Beyond the bound, lines are counted, not queued; the intake went on.
    wait_until(lambda: dropped(world) == len(during) - QUEUE_LINES, timeout=10,
               what="dropped count %d in the status bar" % (len(during) - QUEUE_LINES))
    world.viewer.wait_rows(len(before) + len(during))
    time.sleep(1.0)
    world.rsyslog.start()
    world.rsyslog.wait_for("RST B", QUEUE_LINES, timeout=30)
    send_all(world, after)
    t1 = time.time()
    raw, fields = world.rsyslog.wait_for("RST", len(before) + QUEUE_LINES + len(after))
    check_messages(world, raw, fields, before + during[:QUEUE_LINES] + after, t0, t1, udp=False)
    assert dropped(world) == len(during) - QUEUE_LINES
