"""Capture Global in the viewer: a second reader of the global debug channel
(the one services write to), merged into the same list; off at each start.
Wine grants the privilege to create global objects, so the refusal is made
from outside: a helper holds the channel's event with an access list that
grants nothing, so creating it fails as access denied, as it does for a user
without the privilege."""
import json
import os

from e2e import IDS, GlobalRefused, Viewer, start_viewer, stop_viewer, wait_until

ID_CAPTURE_GLOBAL = IDS["ID_CAPTURE_GLOBAL"]
ID_CLEAR = IDS["ID_CLEAR"]

setup = start_viewer
teardown = stop_viewer


def ods(w, *args):
    r = w.run(os.path.join(w.build, "odswriter.exe"), *args, capture_output=True, timeout=60)
    return r.returncode, r.stdout, r.stderr


def report(w, *args):
    rc, out, err = ods(w, *args)
    assert rc == 0, err
    return json.loads(out.decode().strip().splitlines()[-1])


def no_global_reader(w):
    rc, _, err = ods(w, "lines", 1, "nobody-", "--global", "--pause", "0")
    return rc == 2 and b"no reader" in err


def clear(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")


def test_global_lines_join_the_list_while_switched_on(w):
    clear(w)
    assert no_global_reader(w), "off at start: nobody reads the global channel"
    w.viewer.command(ID_CAPTURE_GLOBAL)
    wait_until(lambda: not no_global_reader(w), what="global channel made")
    # The probe that found the channel wrote its line into the list.
    wait_until(lambda: "nobody-0" in [r[3] for r in w.viewer.rows()], what="the probe's row")
    clear(w)
    g = report(w, "lines", 3, "service-", "--global", "--pause", "0")
    s = report(w, "lines", 2, "session-", "--pause", "0")
    w.viewer.wait_rows(5)
    rows = w.viewer.settled_rows()
    assert [(r[0], r[1], r[3]) for r in rows] == (
        [("odswriter.exe", str(g["pid"]), "service-%d" % i) for i in range(3)] +
        [("odswriter.exe", str(s["pid"]), "session-%d" % i) for i in range(2)]), rows
    # Switched off: the reader ends and lets the objects go.
    w.viewer.command(ID_CAPTURE_GLOBAL)
    wait_until(lambda: no_global_reader(w), what="global channel closed")
    report(w, "lines", 1, "still-", "--pause", "0")
    assert [r[3] for r in w.viewer.settled_rows()][-1] == "still-0"


def test_a_refused_global_channel_is_reported_and_the_switch_stays_off(w):
    assert w.viewer.close() == 0
    refused = GlobalRefused(w)
    w.viewer = Viewer(w, w.drv)
    for attempt in range(2):
        # Each time a box: the first refusal left the switch off.
        w.viewer.command(ID_CAPTURE_GLOBAL)
        box = w.drv("waitdialog", "Orlix", w.viewer.pid, 10000)
        assert box, "no box after attempt %d" % attempt
        text = " ".join(c["text"] for c in box["controls"])
        assert "全局" in text and "5" in text and "管理员" in text, text
        w.drv("click", box["hwnd"], 1)
        wait_until(lambda: not w.drv("exists", box["hwnd"]), what="box closed")
    refused.close()
    assert no_global_reader(w)
    # Nothing else changed: the session channel is read as before.
    s = report(w, "lines", 1, "as-before-", "--pause", "0")
    rows = w.viewer.wait_rows(1)
    assert (rows[-1][1], rows[-1][3]) == (str(s["pid"]), "as-before-0")
