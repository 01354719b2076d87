"""Mixed load on the real viewer for about a minute: a debug-channel writer,
a window-message sender and a broadcasting peer at once, with logging on
and a filter set. Every line taken is in the log exactly once and in its
source's order, the list holds exactly the lines the filter passes, the
window keeps answering (the typical probe within 100 ms; slow ones are
counted), and memory stays bounded."""
import os
import subprocess
import threading
import time

from e2e import IDS, Driver, resident_kib, set_filter, wait_until
from test_logging import log_on, log_off, log_lines, read
from test_udp import peer_send, start_viewer_and_peer, stop_viewer_and_peer

ID_BROADCAST_RECEIVE = IDS["ID_BROADCAST_RECEIVE"]
DEBUG_LINES, WINDOW_LINES, BROADCAST_LINES = 4000, 20000, 600
BROADCAST_PER_S = 15  # the receiver takes one datagram per 25 ms at most
LIMIT_S = 120


def setup(w):
    start_viewer_and_peer(w)
    w.logging = False
    return w


teardown = stop_viewer_and_peer


def shown(text):
    """The filter of the run: include "77", exclude "777"."""
    return "77" in text and "777" not in text


def test_a_minute_of_mixed_load_loses_nothing_and_the_window_keeps_answering(w):
    set_filter(w, "77", "777")
    w.drv("sendcommand", w.viewer.hwnd, ID_BROADCAST_RECEIVE)
    path = log_on(w)
    before_kib = resident_kib(w)
    sender, pinger = Driver(w), Driver(w)
    worst = [0.0]
    unanswered = []   # probes not answered within 1 s
    slow = []         # probes answered, but after more than 100 ms
    probes = [0]
    answers = []
    peak = [before_kib]
    done = threading.Event()
    errors = []

    def window_lines():
        try:
            sender("sendmany", w.viewer.hwnd, 4242, "W-", WINDOW_LINES, "wide", timeout=LIMIT_S * 2)
        except Exception as e:  # reported below
            errors.append(e)

    def broadcasts():
        for i in range(BROADCAST_LINES):
            if done.is_set():
                break
            peer_send(w, ("B-%d" % i).encode())
            time.sleep(1.0 / BROADCAST_PER_S)

    def ping():
        while not done.is_set():
            ms = pinger("ping", w.viewer.hwnd, 1000)
            probes[0] += 1
            answers.append(ms if ms >= 0 else 1000.0)
            if ms < 0:
                unanswered.append(ms)
            elif ms > 100:
                slow.append(ms)
            worst[0] = max(worst[0], ms if ms >= 0 else 1000.0)
            peak[0] = max(peak[0], resident_kib(w) or 0)
            time.sleep(0.05)

    t0 = time.time()
    threads = [threading.Thread(target=f) for f in (window_lines, broadcasts, ping)]
    for t in threads:
        t.start()
    ods = w.wine(os.path.join(w.build, "odswriter.exe"), "lines", DEBUG_LINES, "D-",
                 "--pause", "0", stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        ods.wait(LIMIT_S)
        threads[0].join(LIMIT_S)
        threads[1].join(LIMIT_S)
    finally:
        done.set()
        threads[2].join(10)
        sender.close()
        pinger.close()
    elapsed = time.time() - t0
    assert not errors, errors
    assert ods.returncode == 0

    want = {"D": DEBUG_LINES, "W": WINDOW_LINES, "B": BROADCAST_LINES}

    def complete():
        try:
            got = [t for _, _, _, t in log_lines(read(path))]
        except (AssertionError, OSError, UnicodeDecodeError):
            return False
        return sum(t.startswith(("D-", "W-")) for t in got) >= want["D"] + want["W"]
    wait_until(complete, timeout=120, what="all debug and window lines in the log")
    time.sleep(2.0)
    texts = [t for _, _, _, t in log_lines(read(path))]
    seen = {k: [] for k in want}
    for t in texts:
        src, _, n = t.partition("-")
        seen[src].append(int(n))
    lost = {k: want[k] - len(set(v)) for k, v in seen.items()}
    dups = {k: len(v) - len(set(v)) for k, v in seen.items()}
    n = -1
    while n != w.drv("rowcount", w.viewer.hwnd):
        n = w.drv("rowcount", w.viewer.hwnd)
        time.sleep(0.5)
    rows = w.drv("rows", w.viewer.hwnd, 0, -1, timeout=300)
    after_kib = resident_kib(w)
    print("soak %.0f s: debug %d, window %d, broadcast %d (of %d sent) lines; lost %s, duplicates %s; "
          "worst answer %.1f ms (%d of %d probes over 100 ms); resident %.0f MiB before, %.0f MiB after, "
          "peak %.0f MiB; rows %d"
          % (elapsed, len(seen["D"]), len(seen["W"]), len(seen["B"]), want["B"], lost, dups, worst[0],
             len(slow), probes[0], before_kib / 1024.0, after_kib / 1024.0, peak[0] / 1024.0,
             len(rows)))
    for k in ("D", "W"):
        assert seen[k] == list(range(want[k])), "%s: lost or out of order" % k
    # Datagrams the system's receive queue had no room for never reached the
    # viewer; those it took are there once and in order.
    assert seen["B"] == sorted(set(seen["B"])), "B: duplicated or out of order"
    assert len(texts) == sum(len(v) for v in seen.values())
    assert sorted(r[3] for r in rows) == sorted(t for t in texts if shown(t))
    # The window answers: the typical probe within 100 ms. Single probes on a
    # machine shared with other work can wait for the processor itself, so
    # the slow ones are counted and printed above rather than failed on.
    answers.sort()
    print("answer times: median %.1f ms, 90th percentile %.1f ms, %d unanswered within 1 s"
          % (answers[len(answers) // 2], answers[len(answers) * 9 // 10], len(unanswered)))
    assert answers[len(answers) // 2] <= 100, answers[len(answers) // 2]
    # The rows and the process's own growth: far below what a leak would add.
    assert (after_kib - before_kib) / 1024.0 < 64
    log_off(w)
