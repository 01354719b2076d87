"""The UDP relay, end to end, inside the world's private network namespace:
the real Orlix.exe, a Linux-side peer that sends to port 5050, and a tap on
the far end of the veth pair that sees every datagram the viewer puts on the
wire. (The viewer's own receive socket holds port 5050 without SO_REUSEADDR,
so no peer socket can bind that port beside it: the tap reads frames.)"""
import os
import select
import socket
import threading
import struct
import subprocess
import time

from e2e import wait_until, start_viewer, stop_viewer

LOCALE = "zh_CN.UTF-8"  # ANSI code page 936 on both sides of the wire

ID_CLEAR, ID_CAPTURE = 32774, 32776
ID_BROADCAST_SEND, ID_BROADCAST_RECEIVE = 32781, 32782
PORT = 5050
PEER = "10.231.0.2"
CLIENT_PID = 4321  # a window-message client; no such process, any non-zero id will do


def private_namespace():
    links = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True,
                           check=True).stdout
    names = sorted(l.split(":")[1].strip().split("@")[0] for l in links.splitlines())
    return names == ["lo", "orx0", "orx1"]


class Tap:
    """UDP datagrams to port 5050 seen arriving on orx1, the veth end facing
    the viewer's default route."""

    def __init__(self, peer_port):
        self.peer_port = peer_port  # the peer's own datagrams are not the viewer's
        self.s = socket.socket(socket.AF_PACKET, socket.SOCK_DGRAM, socket.htons(0x0800))
        # Room for a burst of a few thousand frames between two reads.
        self.s.setsockopt(socket.SOL_SOCKET, 33, 64 << 20)  # SO_RCVBUFFORCE
        self.s.bind(("orx1", 0))

    def datagrams(self, wait=0.5):
        """(source ip, source port, destination ip, payload) until quiet for `wait` s."""
        out = []
        while select.select([self.s], [], [], wait)[0]:
            frame = self.s.recv(65535)
            ihl = (frame[0] & 0x0F) * 4
            if frame[9] != 17:
                continue
            sport, dport, length = struct.unpack("!HHH", frame[ihl:ihl + 6])
            if dport != PORT:
                continue
            out.append((socket.inet_ntoa(frame[12:16]), sport, socket.inet_ntoa(frame[16:20]),
                        frame[ihl + 8:ihl + length]))
        return out

    def from_viewer(self, wait=0.5):
        return [(dst, data) for src, sport, dst, data in self.datagrams(wait)
                if sport != self.peer_port]


def start_viewer_and_peer(world):
    """The viewer (start_viewer) and a broadcasting peer socket, world.peer,
    inside the test's private network namespace."""
    assert private_namespace(), "refusing to touch UDP outside the private namespace"
    start_viewer(world)
    world.peer = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    world.peer.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    world.peer.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    world.peer.bind((PEER, 0))
    return world


def stop_viewer_and_peer(world):
    try:
        stop_viewer(world)
    finally:
        world.peer.close()


def setup(world):
    start_viewer_and_peer(world)
    world.tap = Tap(world.peer.getsockname()[1])
    world.switches = {ID_BROADCAST_SEND: False, ID_BROADCAST_RECEIVE: False}
    return world


teardown = stop_viewer_and_peer


def switch(w, cmd_id, on):
    if w.switches[cmd_id] != on:
        w.drv("sendcommand", w.viewer.hwnd, cmd_id)
        w.switches[cmd_id] = on


def clear(w):
    w.drv("sendcommand", w.viewer.hwnd, ID_CLEAR)
    wait_until(lambda: w.drv("rowcount", w.viewer.hwnd) == 0, what="empty list")


def settle_and_clear(w):
    """Lets what the receive socket queued meanwhile (among it the viewer's
    own broadcasts, which come back to it) run in, then clears the list."""
    w.viewer.settled_rows()
    clear(w)


def peer_send(w, payload, dst="255.255.255.255"):
    assert private_namespace()
    w.peer.sendto(payload, (dst, PORT))


def datagram(raw):
    assert len(raw) <= 1024
    return raw + b"\0" * (1024 - len(raw))


def test_a_client_line_goes_out_as_one_1024_byte_datagram(w):
    switch(w, ID_BROADCAST_RECEIVE, False)
    switch(w, ID_BROADCAST_SEND, True)
    w.tap.datagrams(0.2)
    w.viewer.send(CLIENT_PID, "abc")
    got = w.tap.from_viewer()
    assert got == [("255.255.255.255", datagram(b"abc"))], got


def test_texts_are_sent_in_the_code_page_and_cut_at_a_character(w):
    w.tap.datagrams(0.2)
    w.viewer.send(CLIENT_PID, "中文 abc")
    # 1023 bytes of a, then a two-byte character that does not fit.
    w.viewer.send(CLIENT_PID, "a" * 1023 + "中")
    # 600 two-byte characters: 512 fill the datagram exactly, no zero byte.
    w.viewer.send(CLIENT_PID, "中" * 600)
    w.viewer.send(CLIENT_PID, "b" * 2000)
    # Lines that name no process are never sent.
    w.viewer.send(0, "pid zero")
    got = [data for _, data in w.tap.from_viewer()]
    assert got == [datagram("中文 abc".encode("cp936")), datagram(b"a" * 1023),
                   ("中" * 512).encode("cp936"), b"b" * 1024], [g[:16] for g in got]


def test_with_capture_off_lines_are_still_sent(w):
    clear(w)
    w.tap.datagrams(0.2)
    w.drv("sendcommand", w.viewer.hwnd, ID_CAPTURE)
    try:
        w.viewer.send(CLIENT_PID, "while capture is off")
        got = w.tap.from_viewer()
        assert got == [("255.255.255.255", datagram(b"while capture is off"))], got
        time.sleep(0.2)
        assert w.drv("rowcount", w.viewer.hwnd) == 0
    finally:
        w.drv("sendcommand", w.viewer.hwnd, ID_CAPTURE)


def test_a_received_datagram_is_a_row_of_pid_zero_and_is_not_sent_again(w):
    switch(w, ID_BROADCAST_SEND, True)
    switch(w, ID_BROADCAST_RECEIVE, True)
    settle_and_clear(w)
    w.tap.datagrams(0.2)
    peer_send(w, b"from the peer")
    peer_send(w, "对端 消息".encode("cp936") + b"\0trailing bytes after the zero",
              dst="10.231.0.255")
    w.viewer.wait_rows(2)
    rows = w.viewer.settled_rows()
    assert [r[:2] + r[3:] for r in rows] == [["", "0", "from the peer"], ["", "0", "对端 消息"]]
    assert w.tap.from_viewer(0.8) == [], "a received line was broadcast again"


def test_datagrams_of_odd_sizes(w):
    switch(w, ID_BROADCAST_RECEIVE, True)
    settle_and_clear(w)
    peer_send(w, b"")
    peer_send(w, b"y" * 2000)
    peer_send(w, b"z" * 1024)
    peer_send(w, b"marker")
    w.viewer.wait_rows(2)
    rows = w.viewer.settled_rows()
    assert [r[3] for r in rows] == ["z" * 1024, "marker"], [r[3][:20] for r in rows]


def test_with_receiving_off_datagrams_wait_until_it_is_on(w):
    switch(w, ID_BROADCAST_RECEIVE, False)
    # The receive thread looks at the switch once per round (25 ms waits);
    # give a round already under way time to end.
    time.sleep(0.2)
    clear(w)
    for i in range(3):
        peer_send(w, b"queued %d" % i)
    time.sleep(0.5)
    assert w.drv("rowcount", w.viewer.hwnd) == 0
    switch(w, ID_BROADCAST_RECEIVE, True)
    rows = w.viewer.wait_rows(3)
    time.sleep(0.3)
    assert [r[3] for r in w.viewer.rows()] == ["queued 0", "queued 1", "queued 2"]


def test_datagrams_taken_while_the_window_is_held_all_arrive_in_order(w):
    """The window's thread held still for 7 s (as a long save or print would):
    every datagram taken meanwhile becomes a row once it runs again."""
    switch(w, ID_BROADCAST_RECEIVE, True)
    settle_and_clear(w)
    held = threading.Thread(target=lambda: w.drv("freeze", w.viewer.hwnd, 7000, timeout=60))
    held.start()
    try:
        time.sleep(0.5)
        for i in range(50):
            peer_send(w, b"held %d" % i)
            time.sleep(0.05)
    finally:
        held.join()
    w.viewer.wait_rows(50)
    rows = w.viewer.settled_rows()
    assert [r[3] for r in rows] == ["held %d" % i for i in range(50)]


def test_own_broadcast_comes_back_once_and_stops_there(w):
    # Both switches on: the viewer hears its own datagram, shows it with pid 0,
    # and does not send that again, so nothing echoes.
    switch(w, ID_BROADCAST_SEND, True)
    switch(w, ID_BROADCAST_RECEIVE, True)
    settle_and_clear(w)
    w.tap.datagrams(0.2)
    w.viewer.send(CLIENT_PID, "round trip")
    w.viewer.wait_rows(2)
    time.sleep(0.5)
    rows = w.viewer.rows()
    assert [(r[1], r[3]) for r in rows] == [(str(CLIENT_PID), "round trip"), ("0", "round trip")]
    assert w.tap.from_viewer() == [("255.255.255.255", datagram(b"round trip"))]


def test_a_burst_of_lines_is_sent_whole_and_in_order(w):
    switch(w, ID_BROADCAST_RECEIVE, False)
    switch(w, ID_BROADCAST_SEND, True)
    w.tap.datagrams(0.2)
    n = 2000
    # A live process's id (the viewer's own): an id that names no process
    # costs the intake a look at the whole process list per line.
    w.drv("sendmany", w.viewer.hwnd, w.viewer.pid, "burst ", n, "wide", timeout=120)
    got = w.tap.from_viewer(1.0)
    assert [data.rstrip(b"\0") for _, data in got] == [b"burst %d" % i for i in range(n)], len(got)
    assert {len(data) for _, data in got} == {1024}


def test_the_viewers_sockets_are_in_this_namespace(w):
    ss = subprocess.run(["ss", "-uapnH"], capture_output=True, text=True, check=True).stdout
    mine = os.readlink("/proc/self/ns/net")
    owners = set()
    for line in ss.splitlines():
        for part in line.split("pid=")[1:]:
            owners.add(int(part.split(",")[0]))
    bound = [line for line in ss.splitlines() if ":%d " % PORT in line + " " and "users:" in line]
    assert bound, ss
    # The sockets belong to this world's Wine: its processes, in this namespace.
    ours = []
    for pid in owners:
        try:
            with open("/proc/%d/environ" % pid, "rb") as f:
                env = f.read().split(b"\0")
            ns = os.readlink("/proc/%d/ns/net" % pid)
        except OSError:
            continue
        if ("WINEPREFIX=" + w.prefix).encode() in env:
            assert ns == mine
            ours.append(pid)
    assert ours, ss
    # The receive socket on 5050 and the send socket, which has sent by now.
    assert len([l for l in ss.splitlines() if any("pid=%d," % p in l for p in ours)]) >= 2, ss


def test_the_viewer_ends_promptly_while_receiving(w):
    # With receiving on and no datagram coming, the receive thread is waiting
    # for one; the close must not sit out the whole 1000 ms the view gives its
    # workers.
    switch(w, ID_BROADCAST_RECEIVE, True)
    settle_and_clear(w)
    t0 = time.time()
    assert w.viewer.close() == 0
    took = time.time() - t0
    print("ended %.2f s after WM_CLOSE" % took)
    assert took < 0.95, took
