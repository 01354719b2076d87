"""The sample client and the shipped sender header, against receiving windows
of the tests (the viewer's own tests drive the real Orlix.exe)."""
import os
import subprocess

from e2e import Driver, HeaderClient, Receiver, wait_until

SAMPLE = "hello orlix.example.org"


def setup(world):
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def run_demo(world):
    r = world.run(os.path.join(world.build, "tracedemo.exe"), capture_output=True, timeout=60)
    return r.returncode, r.stdout


def test_greets_and_exits_zero_without_a_viewer(world):
    assert world.drv("find", "Kesto-Orlix", "Orlix", 0) == 0
    assert world.drv("find", None, "Orlix", 0) == 0
    rc, out = run_demo(world)
    assert rc == 0
    assert out == b"Hello World!\n"


def test_one_line_reaches_the_viewer_window_as_utf16(world):
    rx = Receiver(world)
    try:
        rc, out = run_demo(world)
        assert (rc, out) == (0, b"Hello World!\n")
        msgs = rx.messages(1.0)
        assert len(msgs) == 1, msgs
        assert msgs[0]["text"] == SAMPLE
        assert msgs[0]["unicode"], "the receiving window is a Unicode window"
        assert msgs[0]["pid"] > 0
    finally:
        rx.close()


def test_wparam_is_the_clients_pid(world):
    # tracedemo ends at once; a header client stays to be asked for its pid.
    rx = Receiver(world)
    client = HeaderClient(world)
    try:
        client.trace("first")
        msgs = rx.messages(0.5)
        assert [(m["pid"], m["text"]) for m in msgs] == [(client.pid, "first")]
    finally:
        client.close()
        rx.close()


def test_title_only_lookup_finds_another_class(world):
    rx = Receiver(world, cls="SomethingElse", title="Orlix")
    try:
        rc, out = run_demo(world)
        assert rc == 0 and out == b"Hello World!\n"
        msgs = rx.messages(1.0)
        assert [m["text"] for m in msgs] == [SAMPLE]
    finally:
        rx.close()


def test_class_lookup_wins_over_a_title_only_window(world):
    other = Receiver(world, cls="SomethingElse", title="Orlix")
    viewer = Receiver(world)
    try:
        run_demo(world)
        assert [m["text"] for m in viewer.messages(1.0)] == [SAMPLE]
        assert other.messages(0.2) == []
    finally:
        viewer.close()
        other.close()


def test_client_finds_a_viewer_started_later_and_after_a_restart(world):
    client = HeaderClient(world)
    try:
        client.trace("nobody listens")          # first call: no window at all
        rx = Receiver(world)
        client.trace("now somebody does")
        assert [m["text"] for m in rx.messages(0.5)] == ["now somebody does"]
        rx.close()
        wait_until(lambda: world.drv("find", None, "Orlix", 0) == 0, what="window gone")
        client.trace("gone again")
        rx2 = Receiver(world)
        client.trace("restarted")
        assert [m["text"] for m in rx2.messages(0.5)] == ["restarted"]
        rx2.close()
    finally:
        client.close()


def test_long_format_result_is_cut_to_511_characters(world):
    rx = Receiver(world)
    try:
        for wide in (False, True):
            client = HeaderClient(world, wide=wide)
            client.ask("!long 2000")
            client.trace("still alive")
            msgs = rx.messages(0.5)
            assert len(msgs) == 2, msgs
            expected = "".join(chr(ord("a") + i % 26) for i in range(511))
            assert msgs[0]["text"] == expected
            assert msgs[1]["text"] == "still alive"
            client.close()
            assert client.proc.returncode == 0
    finally:
        rx.close()


def test_narrow_and_wide_header_clients_send_non_ascii(world):
    rx = Receiver(world)
    try:
        for wide in (False, True):
            client = HeaderClient(world, wide=wide)
            client.trace("调试信息 ok")
            assert [m["text"] for m in rx.messages(0.5)] == ["调试信息 ok"], wide
            client.close()
    finally:
        rx.close()
