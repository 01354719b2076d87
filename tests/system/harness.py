#!/usr/bin/env python3
"""Test harness: runs Windows programs under Wine in an isolated world.

Every run gets
  - its own network namespace (loopback plus a veth pair of its own), so no
    datagram can reach the machine's real network and port 5050 of one run
    never meets another run's;
  - its own X display (Xvfb);
  - its own Wine prefix (a hard-linked copy of a template prefix made once per
    build directory), whose wineserver is started inside the namespace;
  - its own Documents folder (a real folder inside the prefix, never $HOME).

Usage:
  harness.py template --build DIR            make DIR/wine-template
  harness.py exec --build DIR -- PROG ARGS   run one Windows program (CTest's
                                             cross-compiling emulator)
  harness.py run --build DIR TEST.py         run an end-to-end test script
  harness.py shell --build DIR -- CMD ARGS   run a Linux command in the world
  harness.py viewer --build DIR              run Orlix.exe for a person to use
  harness.py probe                           print the architectures (win32,
                                             win64) this machine can run

A build tree names its architecture in DIR/orlix-arch: win32 programs run
under Debian's 32-bit loader in win32 prefixes, win64 programs under the
64-bit loader in win64 prefixes.
"""
import argparse
import fcntl
import importlib.util
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
NETNS_MARK = "ORLIX_HARNESS_NETNS"
WINE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
}
# Debian's loaders: the 32-bit one runs only where the kernel runs 32-bit
# code; the 64-bit one runs x86-64 programs in a win64 prefix.
LOADERS = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}
ARCHES = ("win32", "win64")


def arch_runs(arch):
    """True when this machine can run Windows programs of `arch` under Wine.
    ORLIX_ARCHES (e.g. "win64") narrows what counts, to take the path of a
    machine that runs less than this one."""
    allowed = os.environ.get("ORLIX_ARCHES")
    if allowed and arch not in allowed.replace(",", " ").split():
        return False
    loader = LOADERS[arch]
    if not os.access(loader, os.X_OK):
        return False
    try:
        r = subprocess.run([loader, "--version"], capture_output=True, timeout=60)
    except OSError:  # "Exec format error": the kernel runs no 32-bit code
        return False
    return r.returncode == 0


def build_arch(build):
    """The architecture a build tree holds (CMake writes it into orlix-arch)."""
    try:
        with open(os.path.join(build, "orlix-arch")) as f:
            arch = f.read().strip()
    except OSError:
        return "win32"
    if arch not in ARCHES:
        raise RuntimeError("%s/orlix-arch: unknown architecture %r" % (build, arch))
    return arch
DEFAULT_LOCALE = "zh_CN.UTF-8"
# veth pair inside the private namespace: the viewer's broadcasts leave by
# veth0 and arrive at veth1, where a test's Linux-side peer listens.
VETH_SETUP = [
    ["ip", "link", "set", "lo", "up"],
    ["ip", "link", "add", "orx0", "type", "veth", "peer", "name", "orx1"],
    ["ip", "addr", "add", "10.231.0.1/24", "dev", "orx0"],
    ["ip", "addr", "add", "10.231.0.2/24", "dev", "orx1"],
    ["ip", "link", "set", "orx0", "up"],
    ["ip", "link", "set", "orx1", "up"],
    ["ip", "route", "add", "default", "dev", "orx0"],
]


def log(*a):
    print("[harness]", *a, file=sys.stderr, flush=True)


# ------------------------------------------------------------------ world ---

def enter_private_network(argv):
    """Re-executes this script inside a new network namespace (once)."""
    if os.environ.get(NETNS_MARK) == "1":
        return
    env = dict(os.environ, **{NETNS_MARK: "1"})
    cmd = ["unshare", "--net", "--", sys.executable, os.path.abspath(__file__)] + argv
    os.execvpe(cmd[0], cmd, env)


def setup_network():
    for c in VETH_SETUP:
        r = subprocess.run(c, capture_output=True, text=True)
        if r.returncode != 0 and "File exists" not in r.stderr:
            raise RuntimeError("network setup failed: %s: %s" % (" ".join(c), r.stderr))
    # Refuse to go on unless this namespace really is private: only our links.
    links = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True).stdout
    names = sorted(l.split(":")[1].strip().split("@")[0] for l in links.splitlines())
    if names != ["lo", "orx0", "orx1"]:
        raise RuntimeError("not in a private network namespace: " + ",".join(names))


class Xvfb:
    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        buf = b""
        deadline = time.time() + 20
        while not buf.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            buf += chunk
        os.close(r)
        if not buf.strip():
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + buf.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()


def wine_env(prefix, display, locale, arch="win32"):
    env = dict(os.environ)
    env.update(WINE_ENV)
    env["WINEARCH"] = arch
    env["WINELOADER"] = LOADERS[arch]
    env["WINEPREFIX"] = prefix
    env["DISPLAY"] = display
    env["HOME"] = os.path.join(prefix, "home")
    for k in ("LC_ALL", "LANGUAGE", "LC_CTYPE", "LC_MESSAGES"):
        env.pop(k, None)
    env["LANG"] = locale
    env["LC_ALL"] = locale
    return env


REG_TEMPLATE = r"""Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"SimSun"="WenQuanYi Zen Hei"
"NSimSun"="WenQuanYi Zen Hei"
"宋体"="WenQuanYi Zen Hei"
"新宋体"="WenQuanYi Zen Hei"
"Microsoft YaHei"="WenQuanYi Zen Hei"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1280x1000"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
"""


def make_template(build):
    """Boots the template prefix once per build directory (under a lock)."""
    arch = build_arch(build)
    wine = LOADERS[arch]
    if not arch_runs(arch):
        raise RuntimeError("this machine cannot run %s programs (%s fails); "
                           "test a build tree of another architecture" % (arch, wine))
    tpl = os.path.join(build, "wine-template")
    os.makedirs(build, exist_ok=True)
    with open(os.path.join(build, "wine-template.lock"), "w") as lk:
        fcntl.flock(lk, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(tpl, ".orlix-ready")):
            return tpl
        shutil.rmtree(tpl, ignore_errors=True)
        os.makedirs(os.path.join(tpl, "home"))
        x = Xvfb()
        try:
            env = wine_env(tpl, x.display, DEFAULT_LOCALE, arch)
            t0 = time.time()
            subprocess.run([wine, "wineboot", "-i"], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            regfile = os.path.join(tpl, "orlix.reg")
            with open(regfile, "w", encoding="utf-16") as f:
                f.write(REG_TEMPLATE.replace("\n", "\r\n"))
            subprocess.run([wine, "regedit", "/S", regfile], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=env, check=True)
            log("%s template prefix booted in %.1f s" % (arch, time.time() - t0))
        finally:
            x.stop()
        # Caption-button glyphs; only marlett (other fonts would shadow CJK).
        for src in ("/usr/share/wine/fonts/marlett.ttf",):
            if os.path.exists(src):
                shutil.copy(src, os.path.join(tpl, "drive_c", "windows", "Fonts"))
        # Special folders point at $HOME by default: make them real folders.
        users = os.path.join(tpl, "drive_c", "users")
        for user in os.listdir(users):
            for entry in os.listdir(os.path.join(users, user)):
                p = os.path.join(users, user, entry)
                if os.path.islink(p):
                    os.unlink(p)
                    os.makedirs(p)
        open(os.path.join(tpl, ".orlix-ready"), "w").close()
        return tpl


class World:
    """One isolated Wine world: namespace (already entered), display, prefix."""

    def __init__(self, build, locale=DEFAULT_LOCALE, name="run"):
        self.build = os.path.abspath(build)
        self.locale = locale
        setup_network()
        tpl = make_template(self.build)
        root = os.path.join(self.build, "wine-runs")
        os.makedirs(root, exist_ok=True)
        self.prefix = tempfile.mkdtemp(prefix=name + "-", dir=root)
        os.rmdir(self.prefix)
        # Hard links for the (never written) system files, real copies for
        # everything Wine rewrites.
        subprocess.run(["cp", "-al", tpl, self.prefix], check=True)
        for reg in ("system.reg", "user.reg", "userdef.reg"):
            shutil.copy(os.path.join(tpl, reg), os.path.join(self.prefix, reg + ".tmp"))
            os.replace(os.path.join(self.prefix, reg + ".tmp"), os.path.join(self.prefix, reg))
        self.xvfb = Xvfb()
        self.arch = build_arch(self.build)
        self.loader = LOADERS[self.arch]
        self.env = wine_env(self.prefix, self.xvfb.display, locale, self.arch)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        self.procs = []
        user = os.listdir(os.path.join(self.prefix, "drive_c", "users"))
        user = [u for u in user if u != "Public"][0]
        self.user_dir = os.path.join(self.prefix, "drive_c", "users", user)
        self.documents = os.path.join(self.user_dir, "Documents")
        # The programs run from a private folder of this world, so files they
        # write beside themselves (param.ini, Orlix.ini) never meet another
        # run's. `build` names that folder from here on.
        self.build_dir = self.build
        self.build = os.path.join(self.prefix, "drive_c", "orlix")
        os.makedirs(self.build)
        for name in os.listdir(self.build_dir):
            if name.lower().endswith((".exe", ".lng")):
                src = os.path.join(self.build_dir, name)
                try:
                    os.link(src, os.path.join(self.build, name))
                except OSError:
                    shutil.copy2(src, os.path.join(self.build, name))

    # Paths -----------------------------------------------------------------
    def winpath(self, path):
        """A Linux path as this prefix sees it: C:\\... inside drive_c, else Z:\\..."""
        path = os.path.abspath(path)
        drive_c = os.path.join(self.prefix, "drive_c")
        if path == drive_c or path.startswith(drive_c + os.sep):
            return "C:\\" + os.path.relpath(path, drive_c).replace("/", "\\").lstrip(".")
        return "Z:" + path.replace("/", "\\")

    # Processes -------------------------------------------------------------
    def wine(self, exe, *args, **kw):
        """Starts a Windows program; returns its Popen (ended at teardown)."""
        env = dict(self.env)
        env.update(kw.pop("env", {}) or {})
        p = subprocess.Popen([self.loader, exe] + [str(a) for a in args], env=env, **kw)
        self.procs.append(p)
        return p

    def run(self, exe, *args, timeout=60, **kw):
        env = dict(self.env)
        env.update(kw.pop("env", {}) or {})
        return subprocess.run([self.loader, exe] + [str(a) for a in args], env=env,
                              timeout=timeout, **kw)

    def teardown(self):
        for p in self.procs:
            if p.poll() is None:
                try:
                    p.kill()
                except OSError:
                    pass
        subprocess.run(["wineserver", "-k"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for p in self.procs:
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                pass
        self.xvfb.stop()
        if os.environ.get("ORLIX_KEEP_PREFIX") != "1":
            shutil.rmtree(self.prefix, ignore_errors=True)

    def screenshot(self, path):
        """Saves the whole display as PNG (ImageMagick's import)."""
        subprocess.run(["import", "-display", self.xvfb.display, "-window", "root", path],
                       check=True, timeout=30)
        return path


# ----------------------------------------------------------------- driver ---

class DriverError(Exception):
    pass


class Driver:
    """Talks to orlixdrv.exe, which serves one JSON request per line."""

    def __init__(self, world, exe=None):
        exe = exe or os.path.join(world.build, "orlixdrv.exe")
        self.proc = world.wine(exe, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.lock = threading.Lock()

    def __call__(self, cmd, *args, timeout=60):
        line = json.dumps([cmd] + list(args)) + "\n"
        with self.lock:
            self.proc.stdin.write(line.encode("utf-8"))
            self.proc.stdin.flush()
            reply = _readline(self.proc.stdout, timeout)
        if not reply:
            raise DriverError("driver ended (request %s)" % line.strip())
        r = json.loads(reply.decode("utf-8"))
        if not r.get("ok"):
            raise DriverError("%s: %s" % (cmd, r.get("error")))
        return r.get("result")

    def close(self):
        try:
            self.proc.stdin.close()
            self.proc.wait(10)
        except Exception:
            self.proc.kill()


def _readline(stream, timeout):
    result = []

    def reader():
        result.append(stream.readline())

    t = threading.Thread(target=reader, daemon=True)
    t.start()
    t.join(timeout)
    if t.is_alive():
        raise DriverError("no reply within %s s" % timeout)
    return result[0]


def wait_until(pred, timeout=30.0, interval=0.05, what="condition"):
    deadline = time.time() + timeout
    while True:
        v = pred()
        if v:
            return v
        if time.time() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


# ----------------------------------------------------------------- runner ---

SKIPPED = 77  # CTest's SKIP_RETURN_CODE for the end-to-end files


def sibling_tree(build, arch):
    """The build tree of another architecture beside this one (build/win32
    beside build/win64), or None."""
    other = os.path.join(os.path.dirname(os.path.abspath(build)), arch)
    if not os.path.isfile(os.path.join(other, "orlix-arch")):
        return None
    return other if build_arch(other) == arch else None


def run_script(build, script, only=None):
    spec = importlib.util.spec_from_file_location("e2e_test", script)
    mod = importlib.util.module_from_spec(spec)
    sys.path.insert(0, HERE)
    spec.loader.exec_module(mod)
    locale = getattr(mod, "LOCALE", DEFAULT_LOCALE)
    tests = [(n, f) for n, f in vars(mod).items() if n.startswith("test_") and callable(f)]
    tests.sort(key=lambda nf: nf[1].__code__.co_firstlineno)
    if only:
        tests = [t for t in tests if t[0] in only]
    reason = mod.skip_reason(build) if hasattr(mod, "skip_reason") else None
    if reason:
        print("SKIP %s: %s" % (os.path.basename(script), reason), flush=True)
        return SKIPPED
    world = World(build, locale=locale, name=os.path.splitext(os.path.basename(script))[0])
    passed = failed = 0
    try:
        ctx = mod.setup(world) if hasattr(mod, "setup") else world
        for name, fn in tests:
            t0 = time.time()
            try:
                fn(ctx)
                passed += 1
                print("PASS %s (%.1f s)" % (name, time.time() - t0), flush=True)
            except Exception:
                failed += 1
                print("FAIL %s (%.1f s)" % (name, time.time() - t0), flush=True)
                traceback.print_exc(file=sys.stdout)
                if hasattr(mod, "on_failure"):
                    try:
                        mod.on_failure(ctx, name)
                    except Exception:
                        traceback.print_exc(file=sys.stdout)
        if hasattr(mod, "teardown"):
            mod.teardown(ctx)
    finally:
        world.teardown()
    print("%d passed, %d failed" % (passed, failed), flush=True)
    return 0 if failed == 0 and passed > 0 else 1


def run_viewer(build, locale, args):
    """A persistent prefix for people: build/wine-viewer, kept between runs."""
    setup_network()
    tpl = make_template(build)
    prefix = os.path.join(build, "wine-viewer")
    if not os.path.exists(os.path.join(prefix, ".orlix-ready")):
        shutil.rmtree(prefix, ignore_errors=True)
        subprocess.run(["cp", "-a", tpl, prefix], check=True)
    xvfb = None
    display = os.environ.get("DISPLAY", "")
    if not display or subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(
            os.environ, DISPLAY=display), capture_output=True).returncode != 0:
        xvfb = Xvfb()
        display = xvfb.display
        log("no display: started Xvfb on %s (screenshot: import -display %s -window root "
            "shot.png)" % (display, display))
    arch = build_arch(build)
    env = wine_env(prefix, display, locale, arch)
    exe = os.path.join(build, "Orlix.exe")
    if not os.path.exists(exe):
        log("the viewer is not built yet; running the sample client tracedemo.exe instead")
        exe = os.path.join(build, "tracedemo.exe")
    log("running %s (prefix %s)" % (exe, prefix))
    try:
        return subprocess.run([LOADERS[arch], exe] + args, env=env).returncode
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        if xvfb:
            xvfb.stop()


def probe(require=None):
    """Prints the architectures this machine can run, one per line; fails
    loudly when it can run none. With `require`, says whether that one runs
    here and exits 77 (a skip for CTest) when it does not."""
    if require:
        if arch_runs(require):
            print("%s programs run here (%s)" % (require, LOADERS[require]))
            return 0
        print("%s programs cannot run here (%s fails: %s); they are built and packaged, "
              "their tests run on a machine that can run them"
              % (require, LOADERS[require], "this kernel runs no 32-bit code"
                 if require == "win32" else "no 64-bit Wine"))
        return 77
    runs = [a for a in ARCHES if arch_runs(a)]
    for a in runs:
        print(a)
    if not runs:
        log("this machine runs neither 32-bit (%s) nor 64-bit (%s) Windows programs: "
            "install wine64 (and wine32:i386 where the kernel runs 32-bit code)"
            % (LOADERS["win32"], LOADERS["win64"]))
        return 1
    return 0


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument("mode", choices=["template", "exec", "run", "shell", "viewer", "probe"])
    ap.add_argument("--build")
    ap.add_argument("--locale", default=DEFAULT_LOCALE)
    ap.add_argument("--only", action="append")
    ap.add_argument("--require", choices=ARCHES)
    ap.add_argument("script", nargs="?")
    head, rest = (argv[:argv.index("--")], argv[argv.index("--") + 1:]) if "--" in argv \
        else (argv, [])
    a = ap.parse_intermixed_args(head)
    if a.script:
        rest = [a.script] + rest
    if a.mode == "probe":
        return probe(a.require)
    if not a.build:
        ap.error("--build is required")
    enter_private_network(argv)
    if a.mode == "template":
        setup_network()
        make_template(os.path.abspath(a.build))
        return 0
    if a.mode == "run":
        return run_script(os.path.abspath(a.build), rest[0], a.only)
    if a.mode == "viewer":
        return run_viewer(os.path.abspath(a.build), a.locale, rest)
    world = World(a.build, locale=a.locale, name="exec")
    try:
        if a.mode == "exec":
            exe = rest[0]
            local = os.path.join(world.build, os.path.basename(exe))
            if not os.path.exists(local):
                shutil.copy2(exe, local)
            r = subprocess.run([world.loader, local] + rest[1:], env=world.env)
        else:
            r = subprocess.run(rest, env=world.env)
        return r.returncode
    finally:
        world.teardown()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
