"""The release files as a user meets them: the zip unpacked into Program Files,
the per-user installer and its uninstaller, and programs built from nothing
but the shipped sender header. The zips come from the build trees'
package_zip targets and the installer from installer/MakeInstaller.cmake
(scripts/package.sh makes them all, and scripts/test.sh runs it before CTest).

The world runs the architecture of the build tree under test: the zip of
that architecture is unpacked and run; the installer is the release one
where this machine runs 32-bit code, else the same installer script built
with the 64-bit stub (the release installer's x86 stub cannot run here).
"""
import os
import re
import shutil
import struct
import subprocess
import zipfile

import harness
from e2e import Driver, LineReader, Viewer, wait_until
from harness import World

# The shipped English.lng is chosen on a first start under an English locale.
LOCALE = "en_US.UTF-8"

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WM_MENUSELECT = 0x011F
ID_CAPTURE, ID_LOG_TO_FILE = 32776, 32779
SAMPLE = "hello orlix.example.org"
CXX = {"win32": "i686-w64-mingw32-g++-posix", "win64": "x86_64-w64-mingw32-g++-posix"}
# PE machine and optional-header magic of each architecture's programs.
PE_KIND = {"win32": (0x014C, 0x10B), "win64": (0x8664, 0x20B)}


def read_version():
    with open(os.path.join(ROOT, "resources", "version.h")) as f:
        text = f.read()
    return tuple(int(re.search(r"#define\s+ORLIX_VERSION_%s\s+(\d+)" % part, text).group(1))
                 for part in ("MAJOR", "MINOR", "PATCH", "BUILD"))


VERSION = read_version()
VERSION_TEXT = ".".join(map(str, VERSION))
SETUP = "Orlix-%s-setup.exe" % VERSION_TEXT


def stem(arch):
    return "Orlix-%s-%s" % (VERSION_TEXT, arch)


RELEASE_FILES = {"Orlix.exe", "tracedemo.exe", "orlixcap.exe", "English.lng", "UserGuide.txt", "LICENSE.txt",
                 "UserGuide.html",
                 "sdk/DebugTrace.h", "sdk/tracedemo.cpp"}
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orlix"
MENU_ENTRIES = {"Orlix.lnk", "Orlix User Guide.lnk", "Uninstall Orlix.lnk"}


def build_dir(world):
    """The build tree itself (world.build may name the world's program folder)."""
    return getattr(world, "build_dir", world.build)


def setup(world):
    with open(os.path.join(build_dir(world), "orlix-package-dir")) as f:
        world.package_dir = f.read().strip()
    world.stem = stem(world.arch)
    world.zip_path = os.path.join(world.package_dir, world.stem + ".zip")
    world.setup_path = os.path.join(world.package_dir, SETUP)
    if world.arch == "win64" and not harness.arch_runs("win32"):
        world.setup_path = os.path.join(build_dir(world), "installer-amd64", SETUP)
    world.drv = Driver(world)
    return world


def teardown(world):
    world.drv.close()


def need(path):
    assert os.path.isfile(path), (
        "%s is missing: make the release files first with "
        "`cmake --build <build> --target package_zip package_installer` "
        "(scripts/test.sh and scripts/package.sh do)" % path)
    return path


def zip_files(w, arch=None):
    """Release file name (relative, '/'-separated) -> bytes, from the zip of
    the world's architecture (or of `arch`)."""
    top = stem(arch or w.arch)
    with zipfile.ZipFile(need(os.path.join(w.package_dir, top + ".zip"))) as z:
        out = {}
        for info in z.infolist():
            if info.is_dir():
                continue
            assert info.filename.startswith(top + "/"), info.filename
            out[info.filename[len(top) + 1:]] = z.read(info)
        return out


def pe_kind(exe_bytes):
    """(machine, optional-header magic) of a Windows program."""
    assert exe_bytes[:2] == b"MZ"
    pe = struct.unpack_from("<I", exe_bytes, 0x3C)[0]
    assert exe_bytes[pe:pe + 4] == b"PE\0\0"
    machine = struct.unpack_from("<H", exe_bytes, pe + 4)[0]
    magic = struct.unpack_from("<H", exe_bytes, pe + 24)[0]
    return machine, magic


def tree(top):
    """Files under top, relative and '/'-separated."""
    found = set()
    for d, _, files in os.walk(top):
        for f in files:
            found.add(os.path.relpath(os.path.join(d, f), top).replace(os.sep, "/"))
    return found


def fixed_versions(exe_bytes):
    """(file version, product version) of a program's version resource."""
    i = exe_bytes.find(struct.pack("<I", 0xFEEF04BD))
    assert i >= 0, "no version resource"
    _, _, fms, fls, pms, pls = struct.unpack_from("<6I", exe_bytes, i)
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return split(fms, fls), split(pms, pls)


def string_value(exe_bytes, key):
    """A StringFileInfo value: the key, zero, padding to 32 bits, the value."""
    k = (key + "\0").encode("utf-16-le")
    i = exe_bytes.find(k)
    assert i >= 0, "no %s in the version resource" % key
    i += len(k)
    i += (-i) % 4
    end = i
    while exe_bytes[end:end + 2] != b"\0\0":
        end += 2
    return exe_bytes[i:end].decode("utf-16-le")


def profile_text(data):
    """A profile (INI) file's text: UTF-16 with a BOM, else the ANSI code page."""
    if data.startswith(b"\xff\xfe"):
        return data.decode("utf-16")
    return data.decode("cp1252")


def profile_value(text, section, key):
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1].lower()
        elif current == section.lower() and "=" in line:
            k, v = line.split("=", 1)
            if k.strip().lower() == key.lower():
                return v
    return None


def unpack_into_program_files(w):
    """Unpacks the zip where a user would; returns (Linux dir, Windows dir)."""
    base = os.path.join(w.prefix, "drive_c", "Program Files")
    folder = os.path.join(base, w.stem)
    if not os.path.isdir(folder):
        with zipfile.ZipFile(need(w.zip_path)) as z:
            z.extractall(base)
    return folder, w.winpath(folder)


def test_each_architecture_has_its_zip_of_its_own_programs(w):
    """Both zips are made on every machine, whatever it can run."""
    header = None
    for arch in ("win32", "win64"):
        files = zip_files(w, arch)
        assert set(files) == RELEASE_FILES, arch
        for exe in ("Orlix.exe", "tracedemo.exe", "orlixcap.exe"):
            assert pe_kind(files[exe]) == PE_KIND[arch], (arch, exe)
            assert fixed_versions(files[exe]) == (VERSION, VERSION), (arch, exe)
        header = header or files["sdk/DebugTrace.h"]
        assert files["sdk/DebugTrace.h"] == header
    # One installer for both: an x86 program, which every Windows runs.
    with open(need(os.path.join(w.package_dir, SETUP)), "rb") as f:
        assert pe_kind(f.read()) == PE_KIND["win32"]


def test_zip_holds_the_release_files_at_this_version(w):
    files = zip_files(w)
    assert set(files) == RELEASE_FILES
    with open(os.path.join(ROOT, "tracedemo", "DebugTrace.h"), "rb") as f:
        assert files["sdk/DebugTrace.h"] == f.read()
    with open(os.path.join(ROOT, "resources", "English.lng"), "rb") as f:
        assert files["English.lng"] == f.read()
    for exe in ("Orlix.exe", "tracedemo.exe", "orlixcap.exe"):
        assert fixed_versions(files[exe]) == (VERSION, VERSION), exe
        assert string_value(files[exe], "FileVersion") == VERSION_TEXT, exe
        assert string_value(files[exe], "ProductVersion") == VERSION_TEXT, exe
    with open(need(w.setup_path), "rb") as f:
        setup_exe = f.read()
    assert fixed_versions(setup_exe)[0] == VERSION
    # Both texts are read on Windows: CRLF line ends throughout.
    for name in ("LICENSE.txt", "UserGuide.txt"):
        text = files[name].decode("ascii")
        assert "\n" not in text.replace("\r\n", ""), name + " has bare line feeds"
    licence = files["LICENSE.txt"].decode("ascii")
    assert licence.startswith("MIT License") and "Orlix developers" in licence
    guide = files["UserGuide.txt"].decode("ascii")
    assert ("Orlix %s" % VERSION_TEXT) in guide
    for limit in ("511", "4095", "5050", "4 KiB"):
        assert limit in guide, limit
    # The page says what the text says, made from it at build time.
    page = files["UserGuide.html"].decode("utf-8")
    assert page.startswith("<!DOCTYPE html>") and ("Orlix %s" % VERSION_TEXT) in page
    for part in ('<h2 id="starting">', "/capture off", "--wait-for", "4095"):
        assert part in page, part


def test_unpacked_zip_runs_from_program_files_in_english(w):
    folder, win = unpack_into_program_files(w)
    assert not os.path.exists(os.path.join(folder, "Orlix.ini"))
    viewer = Viewer(w, w.drv, exe=win + "\\Orlix.exe", cwd=folder)
    try:
        r = w.run(win + "\\tracedemo.exe", capture_output=True, cwd=folder)
        assert (r.returncode, r.stdout) == (0, b"Hello World!\n")
        viewer.wait_rows(1)
        rows = viewer.settled_rows()
        assert len(rows) == 1, rows
        assert rows[0][0] == "tracedemo.exe" and rows[0][3] == SAMPLE, rows
        # The prompt of the highlighted Capture item comes from English.lng.
        with open(os.path.join(folder, "English.lng"), "rb") as f:
            prompt = profile_value(profile_text(f.read()), "String", str(ID_CAPTURE))
        assert prompt and prompt.isascii(), prompt
        w.drv("post", viewer.hwnd, WM_MENUSELECT, ID_CAPTURE, 0)
        wait_until(lambda: w.drv("status", viewer.hwnd) == prompt, what="English prompt")
    finally:
        rc = viewer.close()
    assert rc == 0
    with open(os.path.join(folder, "Orlix.ini"), "rb") as f:
        assert profile_value(profile_text(f.read()), "Main", "Language") == "1033"


def test_f1_opens_the_user_guide_page_or_else_the_text(w):
    folder, win = unpack_into_program_files(w)
    said = os.path.join(w.prefix, "drive_c", "opened.txt")
    classes = "HKLM\\Software\\Classes\\"
    # Handlers that write down what they were given stand in for the browser
    # and the text editor.
    record = "C:\\windows\\system32\\cmd.exe /c echo %1> C:\\opened.txt"
    for ext, progid in ((".html", "OrlixTestPage"), (".txt", "OrlixTestText")):
        for key, value in ((ext, progid), (progid + "\\shell\\open\\command", record)):
            r = w.run("reg", "add", classes + key, "/ve", "/d", value, "/f", capture_output=True)
            assert r.returncode == 0, r
    viewer = Viewer(w, w.drv, exe=win + "\\Orlix.exe", cwd=folder)
    try:
        for gone, want in ((None, "UserGuide.html"), (".html", "UserGuide.txt")):
            if gone:
                w.run("reg", "delete", classes + gone, "/f", capture_output=True)
            if os.path.exists(said):
                os.remove(said)
            w.drv("keys", viewer.hwnd, 0x70)   # F1
            wait_until(lambda: os.path.exists(said) and open(said).read().strip(),
                       timeout=30, what="the guide handed to a handler")
            with open(said) as f:
                assert f.read().strip().lower() == (win + "\\" + want).lower()
    finally:
        assert viewer.close() == 0


def build_header_client(w, header, out_dir, wide):
    """headerclient.cpp compiled against the zip's header and nothing else of
    the source tree: the two files are laid out as the client expects them."""
    src = os.path.join(out_dir, "src")
    client = os.path.join(src, "tests", "system", "clients", "headerclient.cpp")
    os.makedirs(os.path.dirname(client), exist_ok=True)
    os.makedirs(os.path.join(src, "tracedemo"), exist_ok=True)
    shutil.copy(os.path.join(ROOT, "tests", "system", "clients", "headerclient.cpp"), client)
    with open(os.path.join(src, "tracedemo", "DebugTrace.h"), "wb") as f:
        f.write(header)
    exe = os.path.join(out_dir, "hdrclient_%s.exe" % ("w" if wide else "a"))
    deps = exe + ".d"
    cmd = [CXX[w.arch], "-O2", "-static", "-Wall", "-MMD", "-MF", deps, client, "-o", exe, "-luser32"]
    if wide:
        cmd[1:1] = ["-DUNICODE", "-D_UNICODE"]
    r = subprocess.run(cmd, capture_output=True, text=True, timeout=180)
    assert r.returncode == 0, r.stderr
    with open(deps) as f:
        used = f.read().replace("\\\n", " ").split()[1:]
    used = [os.path.normpath(u) for u in used]
    assert used == [client, os.path.join(src, "tracedemo", "DebugTrace.h")], used
    return exe


def test_programs_built_from_the_shipped_header_reach_the_viewer(w):
    header = zip_files(w)["sdk/DebugTrace.h"]
    out_dir = os.path.join(w.prefix, "drive_c", "clients")
    folder, win = unpack_into_program_files(w)
    viewer = Viewer(w, w.drv, exe=win + "\\Orlix.exe", cwd=folder)
    try:
        w.drv("command", viewer.hwnd, 32774)  # Clear
        expected = []
        for wide, text in ((False, "narrow café, 1252"), (True, "wide 调试 ok 😀")):
            exe = build_header_client(w, header, out_dir, wide)
            name = os.path.basename(exe)
            proc = w.wine(w.winpath(exe), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            out = LineReader(proc.stdout)

            def ask(line):
                proc.stdin.write((line + "\n").encode("utf-8"))
                proc.stdin.flush()
                return out.get(20)

            pid = str(ask("!pid"))
            assert ask(text) == "sent"
            assert ask("!long 2000") == "sent"
            proc.stdin.close()
            assert proc.wait(20) == 0
            cut = "".join(chr(ord("a") + i % 26) for i in range(511))
            expected += [[name, pid, text], [name, pid, cut]]
        viewer.wait_rows(len(expected))
        rows = viewer.settled_rows()
        assert [[r[0], r[1], r[3]] for r in rows] == expected
    finally:
        viewer.close()


def fresh_world(w, name):
    """A second world inside this run's network namespace, whose links the
    first world has already set up: a prefix and display of its own."""
    saved = harness.setup_network
    harness.setup_network = lambda: None
    try:
        return World(build_dir(w), locale=LOCALE, name=name)
    finally:
        harness.setup_network = saved


def wine_processes(world, name):
    """Linux ids of the world's Windows processes whose command line names
    the given program (Wine puts the Windows path there)."""
    mark = ("WINEPREFIX=" + world.prefix).encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = f.read().split(b"\0")
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read().lower()
        except OSError:
            continue
        if mark in env and name.lower().encode() in cmd:
            found.append(int(pid))
    return found


def reg_query(world, key):
    r = world.run("reg", "query", key, capture_output=True, timeout=60)
    return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else None


def test_installer_installs_for_the_user_and_uninstalls_leaving_user_files(w):
    files = zip_files(w)
    setup_exe = need(w.setup_path)
    iw = fresh_world(w, "installer")
    drv = None
    try:
        drv = Driver(iw)
        # Once the driver answers, the prefix's own services run; a program
        # started earlier could spawn them with its output pipes open.
        assert drv("find", "Kesto-Orlix", "Orlix", 0) == 0
        r = iw.run(setup_exe, "/S", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=180)
        assert r.returncode == 0, r
        local = os.path.join(iw.user_dir, "AppData", "Local")
        inst = os.path.join(local, "Programs", "Orlix")
        inst_win = iw.winpath(inst)
        installed = RELEASE_FILES | {"Uninstall.exe"}
        assert tree(inst) == installed
        # The programs of the prefix's architecture: 64-bit on 64-bit Windows.
        for name in RELEASE_FILES:
            with open(os.path.join(inst, name), "rb") as f:
                assert f.read() == files[name], name
        with open(os.path.join(inst, "Orlix.exe"), "rb") as f:
            assert pe_kind(f.read()) == PE_KIND[iw.arch]
        assert not os.path.exists(os.path.join(iw.prefix, "drive_c", "Program Files", "Orlix"))
        menu = os.path.join(iw.user_dir, "AppData", "Roaming", "Microsoft", "Windows",
                            "Start Menu", "Programs", "Orlix")
        assert set(os.listdir(menu)) == MENU_ENTRIES
        entry = reg_query(iw, UNINSTALL_KEY)
        assert entry and "Uninstall.exe" in entry and VERSION_TEXT in entry, entry

        # The Start menu entry starts the installed viewer, which takes a line.
        # (start returns at once: the viewer is no child of it.)
        viewer = Viewer(iw, drv, exe="start", args=(iw.winpath(os.path.join(menu, "Orlix.lnk")),))
        try:
            r = iw.run(inst_win + "\\tracedemo.exe", capture_output=True)
            assert (r.returncode, r.stdout) == (0, b"Hello World!\n")
            viewer.wait_rows(1)
            rows = viewer.settled_rows()
            assert [(x[0], x[3]) for x in rows] == [("tracedemo.exe", SAMPLE)], rows
            assert wine_processes(iw, "Orlix.exe"), "the running viewer is not seen"
            # Setup does not replace files in use: silent, it gives up.
            r = iw.run(setup_exe, "/S", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120)
            assert r.returncode == 2, r
            # A log file of the user's, in Documents.
            viewer.command(ID_LOG_TO_FILE)
            box = drv("waitdialog", "Orlix", viewer.pid, 10000)
            assert box, "no box naming the log file"
            drv("click", box["hwnd"], 1)
            viewer.send(0, "kept in the log")
            logs = lambda: [f for f in os.listdir(iw.documents) if f.endswith(".txt")]
            wait_until(lambda: logs() and os.path.getsize(os.path.join(iw.documents,
                                                                       logs()[0])) > 2,
                       timeout=30, what="log file written")
            viewer.command(ID_LOG_TO_FILE)
        finally:
            viewer.close()
        # Files in use stay behind an uninstall: let the viewer end first.
        wait_until(lambda: not wine_processes(iw, "Orlix.exe"), timeout=20, what="viewer ended")
        log_name = logs()[0]
        with open(os.path.join(iw.documents, log_name), "rb") as f:
            log_data = f.read()
        user_files = {"Orlix.ini", "param.ini"}
        assert tree(inst) == installed | user_files, tree(inst) ^ (installed | user_files)

        r = iw.run(inst_win + "\\Uninstall.exe", "/S", stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
        assert r.returncode == 0, r
        # The uninstaller goes on from a copy of itself (in %TEMP%, started
        # with "_?=<folder>") after this one ends.
        wait_until(lambda: not os.path.exists(os.path.join(inst, "Uninstall.exe"))
                   and not wine_processes(iw, "Uninstall.exe")
                   and not wine_processes(iw, "_?="), timeout=60, what="the uninstaller to end")
        assert not os.path.exists(menu), os.listdir(menu)
        left = tree(inst) if os.path.isdir(inst) else set()
        assert left == user_files, "left behind: %s" % sorted(left)
        assert reg_query(iw, UNINSTALL_KEY) is None
        with open(os.path.join(iw.documents, log_name), "rb") as f:
            assert f.read() == log_data
        with open(os.path.join(inst, "Orlix.ini"), "rb") as f:
            assert profile_value(profile_text(f.read()), "Main", "Language") == "1033"
    finally:
        if drv:
            drv.close()
        iw.teardown()


def test_readme_shows_both_screenshots(w):
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    for lang in ("en", "zh"):
        name = "docs/screenshot-%s.png" % lang
        assert "](%s)" % name in readme, name
        with open(os.path.join(ROOT, name), "rb") as f:
            head = f.read(24)
        assert head[:8] == b"\x89PNG\r\n\x1a\n", name
        width, height = struct.unpack(">II", head[16:24])
        assert width >= 600 and height >= 300, (name, width, height)
