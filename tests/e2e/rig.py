"""Test rig of the end-to-end tests: the real program under Wine, simulated dial-up, UI probe.

Runs on a private X display and Wine prefix. Standard library only.

Typical use:

    with rig.Sandbox("start") as sb:
        sb.set_entries(["Work", "Home"])
        sb.start()
        sb.wait_window(pid=sb.pid, cls="#32770", visible=None)
        handle = sb.connect("Work")
        ...
"""

import contextlib
import fcntl
import json
import math
import os
import queue
import re
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import types
import unittest
import wave
from pathlib import Path

# Every default path comes from this checkout, so the rig works wherever it was cloned.
ROOT = Path(__file__).resolve().parents[2]
DIST = Path(os.environ.get("DT_DIST", str(ROOT / "dist")))
WIN64 = DIST / "win64"
PROGRAM = WIN64 / "dialtick.exe"
TOOLS = WIN64 / "testrig"
BUILD = Path(os.environ.get("DT_BUILD", str(ROOT / "build" / "native")))
PREFIX = BUILD / "wineprefix"
RIG_HOME = BUILD / "winehome"
WINE = "/usr/lib/wine/wine64"
DISPLAY = os.environ.get("DT_DISPLAY", ":77")
SCREEN = "1280x1024x24"
KEEP = os.environ.get("DT_KEEP") == "1"  # keep sandboxes for a post-mortem

# Texts crossing into Windows are ANSI; Wine runs with code page 1252 here.
ANSI = "cp1252"

TOOL_FILES = ("uiprobe.exe", "launch.exe", "rasapi32.dll")

# Bumped whenever the prefix settings below change, so that old prefixes are brought up to date.
PREFIX_VERSION = "3"
PREFIX_SETTINGS = [
    # No window manager runs: unmanaged windows avoid Wine's wait for one on every hide.
    (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N"),
    (r"HKCU\Software\Wine\Drivers", "Audio", "REG_SZ", "alsa"),
    # A crash must end the process, not wait for someone to close a debugger dialog.
    (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
]

# The program's registered window messages and single-instance mutex.
MESSAGES = {
    "MsgRunPageUpdate": "77483215-A63F-41f6-ACED-858440EF4C8B",
    "MsgRefreshName": "462E033B-ADB3-4948-82D0-3CA2E3587CB6",
    "MsgAccountEdited": "57265DA6-4013-4c0c-8A22-90BB34F5C086",
    "MsgTrayCallback": "8DA7CCE8-53D6-40c2-88B6-70DD5CDBB935",
    "MsgTimeTick": "A794F247-9345-4dd6-A281-A9D320320A08",
    "MsgConnectionChanged": "96F3B66A-C40D-4da5-95B9-2EB036F160A8",
    "MsgToggleTimer": "02BD072F-107C-42bf-BCBD-F5F7689CBF4F",
    "MsgShowFontTexts": "ABD07DFF-3353-4eab-B9FF-BB7B60FF7AFC",
    "MsgSoundStarted": "2CED12A0-E1A8-4df1-9D36-59687C4F9F45",
    "MsgSoundEnded": "1434D528-B158-44e3-839A-A5439AF729E3",
    "MsgLinkInit": "05C4A226-EC4F-491b-B582-6720FFBCC746",
    "MsgHoverInit": "3EE8E631-CC86-43dd-9A32-07BACD38CC7C",
    "MsgPageChanged": "460FB440-AAB3-4f65-9CBF-85DE3168B3FF",
    "MsgSavePage": "6FCB96DB-4892-4bc9-9A2A-74CC993AF9C1",
    "MsgOpenSettings": "E133319C-F57A-47db-8D99-8006A16FD566",
    "MsgActivateInstance": "1706A5A0-BF74-4ad1-B7C4-54D53B6BAB45",
    "MsgQueryCloseSettings": "C60706C4-FEE6-4889-AF58-975EC1A4A05F",
    "MsgResetOccurred": "47E25B53-B3FD-4851-8926-23FA71E3537A",
}
MUTEX_NAME = "2C30EC4A-9A2C-46ba-AC6F-FEDC484BC117"



def _resource_ids(header=ROOT / "src" / "resources" / "resource_ids.h"):
    """The program's resource ids by name, read from the header it is built with."""
    found = re.findall(r"^#define\s+(ID[A-Z]*_\w+)\s+(\d+)\s*$", header.read_text(), re.M)
    return types.SimpleNamespace(**{name: int(value) for name, value in found})


# Dialogs, controls and texts by their names in resource_ids.h: res.IDC_CELL_NAME.
res = _resource_ids()

# Dial-up error codes the simulator is usually asked for.
ERROR_INVALID_HANDLE = 6
ERROR_BUFFER_TOO_SMALL = 603
ERROR_INVALID_SIZE = 632

# Record sizes of the 64-bit platform structures, by version (the header packs them to 4).
RASCONN_SIZES = (416, 680, 696, 708, 724)
RASENTRYNAME_SIZES = (264, 532)
RASCONNSTATUS_SIZES = (160, 288, 332)


class RigError(Exception):
    """The rig itself failed: a tool did not answer, timed out or reported an error."""


def have_program():
    return PROGRAM.is_file()


def have_tools():
    return all((TOOLS / name).is_file() for name in TOOL_FILES)


def skip_unless_program(test):
    """Decorator: skips a test (or class) when the program has not been built."""
    return unittest.skipUnless(have_program() and have_tools(),
                               f"{PROGRAM} or the rig tools not built")(test)


def win_path(path):
    """The Windows name of a Unix path, through Wine's Z: drive."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def _windows_dir(path):
    """A folder for a Windows process: a Windows path given as text is taken as it stands."""
    if isinstance(path, str) and path[1:3] == ":\\":
        return path
    return win_path(path)


def _run(cmd, timeout, env=None, cwd=None, check=True):
    """Runs a command to its end. Output goes through files, not pipes: processes that Wine
    starts on the way (its services, the desktop) inherit the standard streams and keep
    running, so a pipe would not see its end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            proc = subprocess.run(cmd, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=err, timeout=timeout)
        except subprocess.TimeoutExpired as e:
            raise RigError(f"timed out after {timeout}s: {cmd}") from e
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(cmd, proc.returncode, out.read(), err.read())
    if check and result.returncode != 0:
        raise RigError(f"{cmd} failed with {result.returncode}: "
                         f"{result.stderr.decode(errors='replace').strip()}")
    return result


def _popen(cmd, env, cwd, stdin=subprocess.DEVNULL):
    """Starts a Wine process whose output lines are read from a pipe; its errors go to a file
    (see _run for why)."""
    err = tempfile.TemporaryFile()
    proc = subprocess.Popen(cmd, env=env, cwd=cwd, stdin=stdin, stdout=subprocess.PIPE,
                            stderr=err)
    proc.err_file = err
    return proc


def _error_text(proc):
    proc.err_file.seek(0)
    return proc.err_file.read().decode(errors="replace").strip()


def _close_streams(proc):
    for stream in (proc.stdin, proc.stdout, proc.err_file):
        if stream is not None:
            with contextlib.suppress(OSError):
                stream.close()


@contextlib.contextmanager
def _file_lock(path, timeout):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "a+") as f:
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.monotonic() > deadline:
                    raise RigError(f"could not get the lock {path} in {timeout}s")
                time.sleep(0.1)
        try:
            yield
        finally:
            fcntl.flock(f, fcntl.LOCK_UN)


def _display_alive():
    try:
        return subprocess.run(["xdpyinfo", "-display", DISPLAY], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=10).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def ensure_display():
    """Starts the rig's Xvfb if it does not run yet and points DISPLAY at it. The server is
    left running for the next tests."""
    with _file_lock(Path(tempfile.gettempdir()) / "dt-rig-display.lock", 60):
        if not _display_alive():
            subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", SCREEN, "-nolisten", "tcp"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, start_new_session=True)
            deadline = time.monotonic() + 20
            while not _display_alive():
                if time.monotonic() > deadline:
                    raise RigError(f"Xvfb did not come up on {DISPLAY}")
                time.sleep(0.2)
    os.environ["DISPLAY"] = DISPLAY


def wine_env(home=None, prefix=None):
    """Environment for every Wine process of the rig (in the rig's shared prefix by default)."""
    env = dict(os.environ)
    env.update({
        "DISPLAY": DISPLAY,
        "WINEPREFIX": str(prefix or PREFIX),
        "WINELOADER": WINE,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=;rasapi32=n,b",
        "HOME": str(home or RIG_HOME),
    })
    return env


def ensure_prefix(prefix=None):
    """Creates a Wine prefix (the rig's shared one by default) once and reuses it afterwards."""
    prefix = Path(prefix or PREFIX)
    marker = prefix / ".dt-rig-ready"
    with _file_lock(prefix.parent / f"{prefix.name}.lock", 600):
        if marker.is_file() and marker.read_text() == PREFIX_VERSION:
            return
        RIG_HOME.mkdir(parents=True, exist_ok=True)
        env = wine_env(prefix=prefix)
        if not (prefix / "system.reg").is_file():
            _run([WINE, "wineboot", "-i"], timeout=300, env=env, check=False)
        # The server holds the registry: later processes see these at once.
        for key, name, kind, value in PREFIX_SETTINGS:
            _run([WINE, "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"],
                 timeout=60, env=env)
        marker.write_text(PREFIX_VERSION)


def make_wav(path, seconds=0.5, freq=440.0, rate=22050, amplitude=12000):
    """Writes a mono 16-bit sine tone."""
    frames = int(seconds * rate)
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(
            struct.pack("<h", int(amplitude * math.sin(2 * math.pi * freq * i / rate)))
            for i in range(frames)))
    return Path(path)


class Image:
    """Pixels of a screenshot, read through ImageMagick as PPM."""

    def __init__(self, path):
        self.path = Path(path)
        data = _run(["convert", str(path), "-depth", "8", "ppm:-"], timeout=30).stdout
        fields, pos = [], 0
        while len(fields) < 4:  # magic, width, height, maxval
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6":
            raise RigError(f"unexpected image format {fields[0]!r}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self._rgb = data[pos + 1:pos + 1 + self.width * self.height * 3]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self._rgb[i:i + 3])

    def histogram(self):
        counts = {}
        for i in range(0, len(self._rgb), 3):
            rgb = tuple(self._rgb[i:i + 3])
            counts[rgb] = counts.get(rgb, 0) + 1
        return counts

    def count(self, rgb, tolerance=0):
        return sum(n for c, n in self.histogram().items()
                   if all(abs(a - b) <= tolerance for a, b in zip(c, rgb)))

    def dominant(self):
        return max(self.histogram().items(), key=lambda item: item[1])[0]


class _ProbeServer:
    """One long-lived uiprobe process answering requests over its standard streams; much
    faster than starting Wine for every question."""

    def __init__(self, directory, env):
        self.proc = _popen([WINE, str(directory / "uiprobe.exe"), "serve"], env,
                           str(directory), stdin=subprocess.PIPE)
        self.replies = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.replies.put(line.decode("ascii", errors="replace").strip())
        self.replies.put(None)

    def call(self, args, timeout):
        request = " ".join(a.encode(ANSI).hex() or "-" for a in args) + "\n"
        try:
            self.proc.stdin.write(request.encode("ascii"))
            self.proc.stdin.flush()
            reply = self.replies.get(timeout=timeout)
        except (BrokenPipeError, queue.Empty):
            self.close()
            raise RigError(f"uiprobe {' '.join(args)}: no answer within {timeout}s")
        if reply is None:
            self.close()
            raise RigError(f"uiprobe {' '.join(args)}: the probe ended")
        rc, out, err = reply.split(" ")
        decode = lambda h: "" if h == "-" else bytes.fromhex(h).decode("ascii", "replace")
        return int(rc), decode(out), decode(err)

    def alive(self):
        return self.proc.poll() is None

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
                self.proc.wait(timeout=5)
            except (BrokenPipeError, subprocess.TimeoutExpired, OSError):
                self.proc.kill()
                self.proc.wait(timeout=5)
        _close_streams(self.proc)


# Commands of the probe that must run as processes of their own (they block).
_ONE_SHOT = {"lock-file"}


class Sandbox:
    """A fresh directory with the program, the tools and the simulator beside it, the state of
    the simulated dial-up connections, and the running program under Wine."""

    def __init__(self, name="test", prefix=None):
        """prefix: a Wine prefix of its own (made when missing) instead of the shared one."""
        if not have_tools():
            raise RigError(f"rig tools missing in {TOOLS}; build the mingw x86_64 targets")
        ensure_display()
        ensure_prefix(prefix)
        self.root = Path(tempfile.mkdtemp(prefix=f"dtrig-{name}-"))
        self.app = self.root / "app"
        self.home = self.root / "home"
        self.app.mkdir()
        self.home.mkdir()
        for tool in TOOL_FILES:
            shutil.copy2(TOOLS / tool, self.app / tool)
        if have_program():
            shutil.copy2(PROGRAM, self.app / PROGRAM.name)
        self.ini_path = self.app / "dialtick.ini"
        self.sound_path = self.root / "sound.raw"
        (self.home / ".asoundrc").write_text(
            'pcm.!default {\n  type file\n  slave.pcm "null"\n'
            f'  file "{self.sound_path}"\n  format "raw"\n}}\n')
        self.env = wine_env(self.home, prefix)
        self._entries = []
        self._conns = []  # [handle, state, name]
        self._errors = {}
        self._options = {}
        self._next_handle = 0x10000
        self._write_state()
        # The probe server also keeps Wine's server and desktop process warm: without a
        # Wine process alive, every tool call would start them again (seconds each time).
        # Its first answer also means that Wine's server and services run, started with
        # harmless standard streams.
        self._probe = _ProbeServer(self.app, self.env)
        self.probe("info", timeout=120)
        self._proc = None
        self.pid = None
        self._exit_code = None
        self._version_set = False

    # ----- context -----------------------------------------------------------------------

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Ends the program and every helper process, then removes the directory."""
        try:
            self.stop()
        finally:
            if self._probe is not None:
                self._probe.close()
                self._probe = None
            if self._version_set:
                self.set_windows_version(None)
            if not KEEP:
                shutil.rmtree(self.root, ignore_errors=True)

    # ----- simulated dial-up ---------------------------------------------------------------

    @property
    def state_path(self):
        return self.app / "rassim.ini"

    @property
    def hangup_log(self):
        return self.app / "rassim_hangups.log"

    def _write_state(self):
        lines = ["# dial-up simulator state, written by the rig"]
        lines += [f"entry={name}" for name in self._entries]
        for handle, state, name in self._conns:
            lines.append(f"conn={handle:#x} {state} {name}")
        lines += [f"error.{func}={code}" for func, code in self._errors.items()]
        lines += [f"{key}={value}" for key, value in self._options.items()]
        data = ("\n".join(lines) + "\n").encode(ANSI)
        tmp = self.state_path.with_suffix(".tmp")
        tmp.write_bytes(data)
        os.replace(tmp, self.state_path)  # atomic: the simulator reads it at any moment

    @staticmethod
    def _check_name(name):
        if "\n" in name or "\r" in name:
            raise ValueError(f"names cannot hold line breaks: {name!r}")
        name.encode(ANSI)

    def set_entries(self, names):
        """The phonebook entries, in order."""
        for name in names:
            self._check_name(name)
        self._entries = list(names)
        self._write_state()

    def connect(self, name, state="connected", handle=None):
        """Adds a connection (a fresh handle unless one is given) and returns its handle.
        state: "connected", "dialling", "disconnected", "disconnected:ERROR" or a number."""
        self._check_name(name)
        if handle is None:
            handle = self._next_handle
            self._next_handle += 0x10
        elif any(h["handle"] == handle for h in self.hangups()):
            raise ValueError(f"handle {handle:#x} was hung up already; use a fresh one")
        self._conns.append([handle, state, name])
        self._write_state()
        return handle

    def _find(self, which):
        for conn in self._conns:
            if which in (conn[0], conn[2]):
                return conn
        raise KeyError(f"no connection {which!r}")

    def disconnect(self, which):
        """The connection disappears from the list (as when the line drops and RAS clears it)."""
        self._conns.remove(self._find(which))
        self._write_state()

    def inject_error(self, function, code):
        """Makes a dial-up call answer an error; code None or 0 clears it. function is one of
        RasEnumEntriesA, RasEnumConnectionsA, RasGetConnectStatusA, RasHangUpA,
        RasGetErrorStringA."""
        if code:
            self._errors[function] = int(code)
        else:
            self._errors.pop(function, None)
        self._write_state()

    def set_hangup_behaviour(self, ignore=False, linger_ms=0):
        """ignore: hang-ups are logged but the connection stays; linger_ms: a hung-up connection
        still answers (as disconnected) for that long before it disappears."""
        self._options["hangup"] = "ignore" if ignore else "remove"
        self._options["hangup_linger_ms"] = int(linger_ms)
        self._write_state()

    def hangups(self):
        """Hang-ups the simulator received: dicts with handle, time_ms, linger_ms, name."""
        if not self.hangup_log.exists():
            return []
        out = []
        for line in self.hangup_log.read_bytes().decode(ANSI).splitlines():
            parts = line.split("\t", 3)
            if len(parts) == 4:
                out.append({"handle": int(parts[0]), "time_ms": int(parts[1]),
                            "linger_ms": int(parts[2]), "name": parts[3]})
        return out

    def connections(self):
        """The connections as the next enumeration will list them (hang-ups applied)."""
        now_ms = int(time.time() * 1000)
        listed = []
        for handle, state, name in self._conns:
            gone = False
            for h in self.hangups():
                if h["handle"] != handle or h["linger_ms"] < 0:
                    continue
                if now_ms < h["time_ms"] + h["linger_ms"]:
                    state = "disconnected"
                else:
                    gone = True
            if not gone:
                listed.append({"handle": handle, "state": state, "name": name})
        return listed

    # ----- Windows-side tools ---------------------------------------------------------------

    def tool(self, exe, *args, timeout=30, check=True):
        """Runs a tool of the sandbox once and returns its completed process."""
        return _run([WINE, str(self.app / exe), *[str(a) for a in args]], timeout=timeout,
                    env=self.env, cwd=str(self.app), check=check)

    def launch(self, cmdline, wait=True, cwd=None, timeout=60):
        """Starts a program with exactly this command line through launch.exe. With wait,
        returns (exit code, output); otherwise the Windows pid."""
        args = ["--wait" if wait else "--nowait", "--timeout", str(int(timeout * 1000))]
        if cwd is not None:
            args += ["--cwd", win_path(cwd)]
        args += ["--hex", cmdline.encode(ANSI).hex()]
        result = self.tool("launch.exe", *args, timeout=timeout + 15, check=False)
        out = result.stdout.decode(ANSI)
        if result.returncode >= 120 and "exit=" not in out:
            raise RigError(f"launch failed ({result.returncode}): "
                             f"{result.stderr.decode(errors='replace').strip()}")
        if not wait:
            return _parse_pid(out)
        return result.returncode, out

    def probe(self, *args, timeout=20, check=True):
        """One UI-probe command; returns its parsed JSON answer (None when it printed none).
        With check, a non-zero result raises RigError with the probe's message."""
        args = [str(a) for a in args]
        if args and args[0] in _ONE_SHOT:
            result = self.tool("uiprobe.exe", *args, timeout=timeout, check=False)
            rc, out, err = (result.returncode, result.stdout.decode(ANSI),
                            result.stderr.decode(ANSI))
        else:
            if self._probe is None or not self._probe.alive():
                self._probe = _ProbeServer(self.app, self.env)
            rc, out, err = self._probe.call(args, timeout)
        if check and rc != 0:
            raise RigError(f"uiprobe {' '.join(args)} -> {rc}: {err.strip()}")
        out = out.strip()
        return json.loads(out.splitlines()[0]) if out else None

    @staticmethod
    def _filters(cls=None, title=None, title_contains=None, pid=None, visible=None):
        args = []
        if cls is not None:
            args += ["--class", cls]
        if title is not None:
            args += ["--title", title]
        if title_contains is not None:
            args += ["--title-contains", title_contains]
        if pid is not None:
            args += ["--pid", pid]
        if visible:
            args.append("--visible")
        return args

    def windows(self, **filters):
        """Top-level windows, hidden ones too unless visible=True. Filters: cls, title,
        title_contains, pid, visible."""
        return self.probe("list", *self._filters(**filters))["windows"]

    def timer_window(self):
        """The program's main window once start-up has placed it (created disabled, it is enabled
        last); None before."""
        if self.pid is None:
            return None
        for w in self.windows(pid=self.pid, cls="#32770"):
            if w["enabled"] and any(c["id"] == res.IDC_CELL_NAME for c in self.controls(w["hwnd"])):
                return w
        return None

    def program_windows(self, visible=None):
        if self.pid is None:
            return []
        return self.windows(pid=self.pid, visible=visible)

    def wait_window(self, timeout=15, **filters):
        """Waits for a top-level window and returns it."""
        answer = self.probe("wait-window", *self._filters(**filters), "--timeout", timeout,
                            timeout=timeout + 10, check=False)
        if answer is None:
            raise AssertionError(f"no window {filters} within {timeout}s; windows of the "
                                 f"program: {self._describe_windows()}")
        return answer["window"]

    def _describe_windows(self, pid="program"):
        pid = self.pid if pid == "program" else pid
        try:
            if pid is None:
                return [(w["class"], w["title"], w["pid"]) for w in self.windows(visible=True)]
            return [(w["class"], w["title"], w["visible"]) for w in self.windows(pid=pid)]
        except RigError as e:
            return f"(cannot list: {e})"

    def window(self, hwnd):
        return self.probe("window", hwnd)

    def controls(self, hwnd):
        return self.probe("controls", hwnd)["controls"]

    def control(self, hwnd, control_id):
        """A dialog control: text, visible, enabled, rect, client, style, exstyle, class."""
        return self.probe("control", hwnd, control_id)

    def alpha(self, hwnd):
        """Layered-window state: layered, transparent, and alpha when set."""
        return self.probe("alpha", hwnd)

    def send(self, message, hwnd=None, broadcast=False, wparam=0, lparam=0, post=False,
             notify=False, timeout_ms=3000):
        """Sends (or posts) a message: a number, a WM_ name, a Msg... name of the program, or
        any name to register. Returns the probe's answer (result, ok)."""
        name = MESSAGES.get(message, message)
        args = ["send", name, "--wparam", int(wparam), "--lparam", int(lparam),
                "--timeout", timeout_ms]
        args += ["--broadcast"] if broadcast else ["--hwnd", hwnd]
        if post:
            args.append("--post")
        if notify:
            args.append("--notify")
        return self.probe(*args, check=False)

    def msgbox(self, timeout=10, kind=None, pid="program"):
        """Waits for a message box and describes it: kind ("app" for the program's own, "system"
        for the platform's), caption, text, buttons [{id, caption, rect}] left to right, icon."""
        args = ["msgbox", "--timeout", timeout]
        if kind:
            args += ["--kind", kind]
        pid = self.pid if pid == "program" else pid
        if pid is not None:
            args += ["--pid", pid]
        answer = self.probe(*args, timeout=timeout + 10, check=False)
        if answer is None:
            raise AssertionError(f"no message box within {timeout}s; windows: "
                                 f"{self._describe_windows(pid)}")
        return answer

    def no_msgbox(self, pid="program"):
        """True when no message box is showing."""
        pid = self.pid if pid == "program" else pid
        args = ["msgbox"] + (["--pid", pid] if pid is not None else [])
        return self.probe(*args, check=False) is None

    def press(self, caption=None, button_id=None, timeout=10, pid="program"):
        """Presses a message-box button by caption ("&Retry" or leniently "retry") or id."""
        args = ["press"]
        args += [caption] if caption is not None else ["--id", button_id]
        args += ["--timeout", timeout]
        pid = self.pid if pid == "program" else pid
        if pid is not None:
            args += ["--pid", pid]
        return self.probe(*args, timeout=timeout + 10)

    def key(self, hwnd, vk, direct=False, real=False, shift=False):
        """Posts a key press to the focus of the window's thread (or to hwnd with direct); real
        sends it as input, with shift held down while it is pressed."""
        return self.probe("key", hwnd, vk, *(["--direct"] if direct else []),
                          *(["--real"] if real else []), *(["--shift"] if shift else []))

    def click(self, hwnd, x, y, double=False, right=False, real=False, child=False):
        """Clicks at a point of the window's client area (posted messages unless real)."""
        flags = [f for f, on in (("--double", double), ("--right", right), ("--real", real),
                                 ("--child", child)) if on]
        return self.probe("click", hwnd, x, y, *flags)

    def drag(self, hwnd, x1, y1, x2, y2, steps=10, delay_ms=30, real=False):
        """Drags with the left button from one client point to another; returns the window's
        rect afterwards."""
        return self.probe("drag", hwnd, x1, y1, x2, y2, "--steps", steps, "--delay", delay_ms,
                          *(["--real"] if real else []), timeout=30)["rect"]

    # ----- dialog controls (as a user works them) ----------------------------------------------

    def focus(self, hwnd):
        """The control with the keyboard focus in the window's thread: hwnd (0 for none), id,
        class, text, parent, parent_id."""
        return self.probe("focus", hwnd)

    def focus_control(self, control):
        """Moves the focus to a control through its dialog, as a click or Tab would."""
        return self.probe("focus-control", control)

    def type_text(self, control, text):
        """Types characters into a control, one after the other, each taken before the call
        returns."""
        return self.probe("type", control, text)

    def press_control(self, control):
        """Clicks a button, check box or radio button (not waited for). Fails for a disabled or
        hidden control, which a user cannot press."""
        return self.probe("press-control", control)

    def select(self, combo, index):
        """Chooses an item of a drop-down list as a user does (the list's owner is told)."""
        return self.probe("select", combo, index)

    def combo(self, combo):
        """A drop-down list: {"selected": index, "items": [texts]}."""
        return self.probe("combo", combo)

    def tabs(self, tab_control):
        """A tab control: {"selected": index, "tabs": [{"text", "rect"}]}, rects in the tab
        control's client coordinates."""
        return self.probe("tabs", tab_control)

    def set_clipboard(self, text):
        self.probe("clipboard", text)

    def paste(self, edit):
        """Asks an edit field to paste the clipboard, as Ctrl+V does."""
        return self.probe("paste", edit)

    def tray(self):
        """Notification icons shown by Wine's tray: [{icon_window, tip, rect, visible}]."""
        return self.probe("tray")["icons"]

    def work_area(self):
        """{"work": [l, t, r, b], "screen_w", "screen_h", ...}."""
        return self.probe("workarea")

    @contextlib.contextmanager
    def lock_file(self, path, share="none", access="rw", seconds=120, byte_range=False):
        """Holds a file open with the given share mode (letters of "rwd", "none" or a number)
        while the block runs."""
        args = [WINE, str(self.app / "uiprobe.exe"), "lock-file", win_path(path), str(seconds),
                share, "--access", access] + (["--range"] if byte_range else [])
        proc = _popen(args, self.env, str(self.app))
        try:
            line = _readline(proc.stdout, 20)
            if b'"locked":true' not in line:
                proc.kill()
                proc.wait(timeout=10)
                raise RigError(f"lock-file failed: {line!r} {_error_text(proc)}")
            yield
        finally:
            proc.kill()
            proc.wait(timeout=10)
            _close_streams(proc)

    def set_windows_version(self, version):
        """Makes Wine report another Windows version to the program ("winxp", "win2k",
        "nt40", "win7", ...); None restores the default."""
        key = r"HKCU\Software\Wine\AppDefaults\dialtick.exe"
        if version is None:
            _run([WINE, "reg", "delete", key, "/f"], timeout=60, env=self.env, check=False)
            self._version_set = False
        else:
            _run([WINE, "reg", "add", key, "/v", "Version", "/d", version, "/f"], timeout=60,
                 env=self.env)
            self._version_set = True

    # ----- the program ------------------------------------------------------------------------

    def start(self, args=None, cmdline=None, cwd=None, kill_strays=True):
        """Starts the program with an exact command line and returns its Windows pid.
        Default: "dialtick.exe /ini:"<sandbox ini>"". args replaces what follows the program
        name; cmdline replaces the whole line (and may start any program of the sandbox).
        cwd (a Unix path, or a Windows one as text) defaults to the sandbox's app dir."""
        if cmdline is None and not have_program():
            raise RigError(f"{PROGRAM} not built")
        if self.running():
            raise RigError("the program already runs in this sandbox")
        if kill_strays:
            self.kill_strays()
        if cmdline is None:
            if args is None:
                args = f'/ini:"{win_path(self.ini_path)}"'
            cmdline = "dialtick.exe" + (" " + args if args else "")
        launch_args = ["--wait", "--cwd", _windows_dir(cwd or self.app),
                       "--hex", cmdline.encode(ANSI).hex()]
        self._proc = _popen([WINE, str(self.app / "launch.exe"), *launch_args], self.env,
                            str(self.app))
        self._exit_code = None
        try:
            first = _readline(self._proc.stdout, 30)
        except RigError:
            first = b""
        self.pid = _parse_pid(first.decode(ANSI, errors="replace"))
        if self.pid is None:
            self._proc.kill()
            self._proc.wait(timeout=10)
            raise RigError(f"could not start {cmdline!r}: {first!r} {_error_text(self._proc)}")
        return self.pid

    def start_second(self, args=None, timeout=20):
        """Starts another copy while the first runs and waits for it to end; returns its exit
        code."""
        if args is None:
            args = f'/ini:"{win_path(self.ini_path)}"'
        code, _ = self.launch("dialtick.exe" + (" " + args if args else ""), wait=True,
                              cwd=self.app, timeout=timeout)
        return code

    def running(self):
        return self._proc is not None and self._proc.poll() is None

    def wait_exit(self, timeout=15):
        """Waits for the program to end and returns its exit code (AssertionError if it goes
        on running)."""
        if self._proc is None:
            raise RigError("the program was not started")
        try:
            self._proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program still runs after {timeout}s; windows: "
                                 f"{self._describe_windows()}")
        return self._collect_exit()

    def _collect_exit(self):
        if self._exit_code is None and self._proc is not None:
            # launch.exe reports the whole exit code; its own is cut to 8 bits by Unix.
            try:
                line = _readline(self._proc.stdout, 5).decode(ANSI, errors="replace")
            except RigError:
                line = ""
            code = self._proc.returncode
            if line.startswith("exit="):
                code = int(line[5:])
            self._exit_code = code
            _close_streams(self._proc)
        return self._exit_code

    @property
    def exit_code(self):
        return self._exit_code

    def logoff(self, timeout_ms=5000):
        """Ends the program as a Windows log-off does (query, then end session)."""
        return self.probe("logoff", "--pid", self.pid, "--timeout", timeout_ms,
                          timeout=timeout_ms / 1000 * 4 + 10)

    def kill(self):
        if self.pid is not None:
            self.probe("kill", self.pid, check=False)
        if self._proc is not None and self._proc.poll() is None:
            with contextlib.suppress(subprocess.TimeoutExpired):
                self._proc.wait(timeout=10)
            if self._proc.poll() is None:
                self._proc.kill()
                self._proc.wait(timeout=10)
        self._collect_exit()

    def stop(self, timeout=10):
        """Ends the program: log-off style first, killed if that does not end it. Returns
        "not running", "logoff" or "killed"."""
        if not self.running():
            if self._proc is not None:
                self._collect_exit()
            return "not running"
        try:
            if self.program_windows():
                self.logoff()
                self._proc.wait(timeout=timeout)
                self._collect_exit()
                return "logoff"
        except (RigError, subprocess.TimeoutExpired):
            pass
        self.kill()
        return "killed"

    def kill_strays(self):
        """Kills copies of the program left over in the rig's prefix by earlier tests."""
        for p in self.probe("procs", "--name", PROGRAM.name)["processes"]:
            self.probe("kill", p["pid"], check=False)

    # ----- waiting, screenshots, sound ----------------------------------------------------------

    @staticmethod
    def wait_until(predicate, timeout=10, interval=0.2, message="condition"):
        """Calls predicate until it returns something true and returns that. Probe failures
        while waiting count as false."""
        deadline = time.monotonic() + timeout
        last, error = None, None
        while True:
            try:
                last = predicate()
                if last:
                    return last
            except RigError as e:
                error = e
            if time.monotonic() > deadline:
                raise AssertionError(f"{message} not met within {timeout}s "
                                     f"(last value {last!r}, last error {error})")
            time.sleep(interval)

    def screenshot(self, rect=None, hwnd=None, name=None):
        """A PNG of the screen, of rect [l, t, r, b], or of a window. Returns its path."""
        if hwnd is not None:
            rect = self.window(hwnd)["rect"]
        path = self.root / (name or f"shot-{time.monotonic_ns()}.png")
        cmd = ["import", "-display", DISPLAY, "-window", "root"]
        if rect is not None:
            left, top, right, bottom = rect
            cmd += ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
        _run(cmd + [str(path)], timeout=30)
        return path

    def image(self, rect=None, hwnd=None):
        """A screenshot read into an Image."""
        return Image(self.screenshot(rect=rect, hwnd=hwnd))

    def sound_bytes(self):
        """Everything played so far, as raw samples in the format of the sound played."""
        return self.sound_path.read_bytes() if self.sound_path.exists() else b""

    def sound_played(self):
        """True when something audible (a non-zero sample) was played."""
        return any(self.sound_bytes())

    def clear_sound(self):
        with contextlib.suppress(FileNotFoundError):
            self.sound_path.unlink()


def _parse_pid(text):
    for line in text.splitlines():
        if line.startswith("pid="):
            return int(line[4:])
    return None


def _readline(stream, timeout):
    """Reads one line from a pipe, failing instead of hanging."""
    box = []
    reader = threading.Thread(target=lambda: box.append(stream.readline()), daemon=True)
    reader.start()
    reader.join(timeout)
    if not box:
        raise RigError(f"no output line within {timeout}s")
    return box[0]
