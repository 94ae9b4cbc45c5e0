"""The packages of scripts/package.sh: the 64-bit setup under Wine in a prefix of its own (silent
install, the installed program, upgrade, uninstall, and both while the program runs) and the
portable zip run from the folder it was unpacked to."""

import contextlib
import html.parser
import re
import shutil
import struct
import subprocess
import time
import unittest
import zipfile
from pathlib import Path

import rig
from timerwin_helpers import read_ini


def _version():
    text = (rig.ROOT / "src" / "resources" / "version.h").read_text()
    return ".".join(re.search(rf"#define DT_VERSION_{part} (\d+)", text).group(1)
                    for part in ("MAJOR", "MINOR", "BUILD"))


VERSION = _version()
SETUP = rig.DIST / f"dialtick-{VERSION}-setup-x64.exe"
ZIPS = {arch: rig.DIST / f"dialtick-{VERSION}-portable-{arch}.zip" for arch in ("x64", "x86")}
PROGRAMS = {"x64": rig.DIST / "win64" / "dialtick.exe", "x86": rig.DIST / "win32" / "dialtick.exe"}

UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Dialtick"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
# The uninstaller runs from a copy of itself in the temporary folder, under this name.
UNINSTALLER_COPY = "un.exe"
SILENT_REFUSED = 2  # exit code of a silent setup or uninstaller that found the program running


def need(path):
    if path.is_file():
        return
    if path.suffix == ".exe" and shutil.which("makensis") is None:
        raise unittest.SkipTest("NSIS cannot be installed on this platform (no makensis), so "
                                "scripts/package.sh built no setup to test")
    raise AssertionError(f"{path} is missing: run scripts/package.sh")


def read_shortcut(path):
    """Target, arguments, start-in folder and icon of a shell link (.lnk) file."""
    data = Path(path).read_bytes()
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise AssertionError(f"{path} is not a shell link")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & 0x01:  # an item id list
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if flags & 0x02:  # link info, with the local base path
        size, = struct.unpack_from("<I", data, pos)
        base = struct.unpack_from("<I", data, pos + 0x10)[0]
        end = data.index(b"\0", pos + base)
        target = data[pos + base:end].decode(rig.ANSI)
        pos += size
    strings = {}
    for bit, name in ((0x04, "description"), (0x08, "relative"), (0x10, "start_in"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count, = struct.unpack_from("<H", data, pos)
            pos += 2
            if flags & 0x80:
                text = data[pos:pos + 2 * count].decode("utf-16-le")
                pos += 2 * count
            else:
                text = data[pos:pos + count].decode(rig.ANSI)
                pos += count
            strings[name] = text.rstrip("\0")
    return {"target": target, **strings}


class _Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids, self.hrefs, self.images = set(), [], []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "a" and "href" in attrs:
            self.hrefs.append(attrs["href"])
        if tag == "img":
            self.images.append(attrs.get("src", ""))


class SetupUnderWine(unittest.TestCase):
    """One fresh Wine prefix for the class; every test starts with nothing installed."""

    sb = None

    @classmethod
    def setUpClass(cls):
        need(SETUP)
        cls.prefix = rig.BUILD / "setup-prefix"
        cls._end_prefix()
        cls.sb = rig.Sandbox("setup", prefix=cls.prefix)
        folders = cls.wine("cmd", "/c", "echo %LOCALAPPDATA%^|%APPDATA%^|%ProgramFiles%")
        local, roaming, programs = folders.stdout.decode(rig.ANSI).strip().split("|")
        cls.instdir = local + r"\Programs\Dialtick"
        cls.machine_instdir = programs + r"\Dialtick"
        cls.settings_dir = roaming + r"\Dialtick"
        cls.settings_file = cls.settings_dir + r"\Dialtick.ini"
        cls.shortcut = roaming + r"\Microsoft\Windows\Start Menu\Programs\Dialtick.lnk"
        cls.command = f'"{cls.instdir}\\dialtick.exe" /ini:"{cls.settings_file}"'
        with zipfile.ZipFile(ZIPS["x64"]) as z:
            cls.payload = {n.split("/", 1)[1] for n in z.namelist() if not n.endswith("/")}
        cls.before = cls.snapshot()

    @classmethod
    def tearDownClass(cls):
        if cls.sb is not None:
            cls.sb.close()
            cls._end_prefix()

    @classmethod
    def _end_prefix(cls):
        if (cls.prefix / "system.reg").exists():
            subprocess.run([str(Path(rig.WINE).with_name("wineserver")), "-k"],
                           env=rig.wine_env(prefix=cls.prefix), timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not rig.KEEP or cls.sb is None:
            shutil.rmtree(cls.prefix, ignore_errors=True)

    # ----- the prefix -------------------------------------------------------------------------

    @classmethod
    def wine(cls, *args, timeout=120):
        return rig._run([rig.WINE, *args], timeout=timeout, env=cls.sb.env, check=False)

    @classmethod
    def unix(cls, windows_path):
        drive, rest = windows_path.split(":", 1)
        assert drive.upper() == "C", windows_path
        return cls.prefix / "drive_c" / rest.strip("\\").replace("\\", "/")

    @classmethod
    def reg(cls, key):
        """{value name: (type, data)} of a registry key, None when it does not exist."""
        result = cls.wine("reg", "query", key)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.decode(rig.ANSI).splitlines():
            match = re.match(r"^    (.*?)    (REG_\w+)    ?(.*)$", line)
            if match:
                values[match.group(1)] = (match.group(2), match.group(3))
        return values

    @classmethod
    def snapshot(cls):
        """What an installation may touch: the users' and program folders, and the registry
        keys of uninstall entries and log-on programs."""
        drive = cls.prefix / "drive_c"
        files = set()
        for top in [drive / "users", drive / "Program Files", drive / "Program Files (x86)",
                    drive / "ProgramData"]:
            for p in top.rglob("*"):
                relative = p.relative_to(drive).as_posix()
                if "/Temp/" not in relative + "/":
                    files.add(relative)
        keys = {}
        # A key that was missing and is now empty counts as unchanged: the setup may have had
        # to make the system's own list of uninstall entries.
        for key in [RUN_KEY, "HKCU\\" + UNINSTALL_KEY.rsplit("\\", 1)[0],
                    "HKLM\\" + UNINSTALL_KEY.rsplit("\\", 1)[0]]:
            answer = cls.wine("reg", "query", key, "/s")
            listed = answer.stdout.decode(rig.ANSI).strip() if answer.returncode == 0 else ""
            keys[key] = "" if listed.lower() == key.lower() else listed
        return files, keys

    # ----- installing and removing --------------------------------------------------------------

    def setUp(self):
        self.reset()

    def tearDown(self):
        self.sb.stop()

    def reset(self):
        """Back to nothing installed, whatever the last test left."""
        self.sb.stop()
        for hive, folder in (("HKCU", self.instdir), ("HKLM", self.machine_instdir)):
            installed = self.reg(hive + "\\" + UNINSTALL_KEY)
            if installed and self.unix(folder + r"\uninstall.exe").exists():
                self.uninstall("/RemoveSettings", hive=hive)
        for path in (self.instdir, self.machine_instdir, self.settings_dir):
            shutil.rmtree(self.unix(path), ignore_errors=True)
        with contextlib.suppress(FileNotFoundError):
            self.unix(self.shortcut).unlink()
        self.wine("reg", "delete", RUN_KEY, "/v", "Dialtick", "/f")
        for hive in ("HKCU", "HKLM"):
            self.wine("reg", "delete", f"{hive}\\{UNINSTALL_KEY}", "/f")

    def install(self, *args):
        return self.wine(str(SETUP), "/S", *args).returncode

    def uninstall(self, *args, hive="HKCU"):
        """Runs the entry's quiet uninstall command, as Windows would, and waits until the
        uninstaller's copy of itself has ended; returns the entry's command line."""
        entry = self.reg(hive + "\\" + UNINSTALL_KEY)
        command = entry["QuietUninstallString"][1] + "".join(" " + a for a in args)
        self.sb.launch(command, wait=True, cwd=self.sb.app, timeout=60)
        self.sb.wait_until(
            lambda: not [p for p in self.sb.probe("procs")["processes"]
                         if p["name"].lower() in (UNINSTALLER_COPY, "uninstall.exe")],
            timeout=60, message="the uninstaller has ended")
        return command

    def installed_files(self, folder=None):
        root = self.unix(folder or self.instdir)
        return {p.relative_to(root).as_posix() for p in root.rglob("*") if p.is_file()}

    def start_installed(self, command=None, cwd=None):
        """Starts the installed program and waits for its icon in the notification area."""
        self.sb.start(cmdline=command or self.command, cwd=cwd or self.settings_dir)
        self.sb.wait_until(lambda: [i for i in self.sb.tray()
                                    if i["tip"] == "Dialtick\r\nNot Connected"],
                           timeout=20, message="the installed program's icon")

    def assert_installed(self):
        self.assertEqual(self.installed_files(), self.payload | {"uninstall.exe"})
        self.assertTrue(self.unix(self.shortcut).is_file(), "the Start menu shortcut")
        self.assertEqual(self.reg(RUN_KEY).get("Dialtick"), ("REG_SZ", self.command))
        self.assertIsNotNone(self.reg("HKCU\\" + UNINSTALL_KEY), "the uninstall entry")

    # ----- the tests -------------------------------------------------------------------------------

    def test_silent_install_places_files_shortcut_log_on_value_and_entry(self):
        self.assertEqual(self.install(), 0)

        self.assert_installed()
        self.assertEqual(self.unix(self.instdir + r"\dialtick.exe").read_bytes(),
                         PROGRAMS["x64"].read_bytes())
        # Without administrator rights nothing goes to the machine-wide places.
        self.assertIsNone(self.reg("HKLM\\" + UNINSTALL_KEY))
        self.assertFalse(any((self.prefix / "drive_c" / "Program Files").rglob("Dialtick*")))

        link = read_shortcut(self.unix(self.shortcut))
        self.assertEqual(link["target"].lower(), f"{self.instdir}\\dialtick.exe".lower())
        self.assertEqual(link["arguments"], f'/ini:"{self.settings_file}"')
        self.assertEqual(link["start_in"], self.settings_dir)
        self.assertEqual(link["icon"].lower(), f"{self.instdir}\\dialtick.exe".lower())
        # The settings folder exists, so the program can make its file there; the file itself is
        # the program's.
        self.assertTrue(self.unix(self.settings_dir).is_dir())
        self.assertEqual(list(self.unix(self.settings_dir).iterdir()), [])

        entry = self.reg("HKCU\\" + UNINSTALL_KEY)
        total_kb = sum(self.unix(self.instdir).joinpath(f).stat().st_size
                       for f in self.installed_files()) / 1024
        self.assertAlmostEqual(int(entry.pop("EstimatedSize")[1], 16), total_kb, delta=2)
        major, minor, _ = VERSION.split(".")
        self.assertEqual(entry, {
            "DisplayName": ("REG_SZ", "Dialtick"),
            "DisplayVersion": ("REG_SZ", VERSION),
            "VersionMajor": ("REG_DWORD", f"{int(major):#x}"),
            "VersionMinor": ("REG_DWORD", f"{int(minor):#x}"),
            "Publisher": ("REG_SZ", "Dialtick developers"),
            "DisplayIcon": ("REG_SZ", f"{self.instdir}\\dialtick.exe,0"),
            "InstallLocation": ("REG_SZ", self.instdir),
            "UninstallString": ("REG_SZ", f'"{self.instdir}\\uninstall.exe"'),
            "QuietUninstallString": ("REG_SZ", f'"{self.instdir}\\uninstall.exe" /S'),
            "NoModify": ("REG_DWORD", "0x1"),
            "NoRepair": ("REG_DWORD", "0x1"),
        })

    def test_an_elevated_setup_installs_for_all_users_on_request(self):
        # Wine's user is an administrator, as after "Run as administrator".
        self.assertEqual(self.install("/AllUsers"), 0)
        self.assertEqual(self.installed_files(self.machine_instdir),
                         self.payload | {"uninstall.exe"})
        self.assertFalse(self.unix(self.instdir).exists())
        self.assertIsNone(self.reg("HKCU\\" + UNINSTALL_KEY))
        entry = self.reg("HKLM\\" + UNINSTALL_KEY)
        self.assertEqual(entry["InstallLocation"], ("REG_SZ", self.machine_instdir))
        self.assertEqual(entry["QuietUninstallString"],
                         ("REG_SZ", f'"{self.machine_instdir}\\uninstall.exe" /S'))
        # Shortcut, log-on and settings stay the installing user's.
        command = f'"{self.machine_instdir}\\dialtick.exe" /ini:"{self.settings_file}"'
        self.assertEqual(self.reg(RUN_KEY).get("Dialtick"), ("REG_SZ", command))
        self.assertEqual(read_shortcut(self.unix(self.shortcut))["arguments"],
                         f'/ini:"{self.settings_file}"')

        self.uninstall(hive="HKLM")
        self.assertFalse(self.unix(self.machine_instdir).exists())
        self.assertIsNone(self.reg("HKLM\\" + UNINSTALL_KEY))
        self.assertNotIn("Dialtick", self.reg(RUN_KEY) or {})
        self.assertFalse(self.unix(self.shortcut).exists())

    def test_the_installed_program_starts_as_the_shortcut_and_the_log_on_value_start_it(self):
        self.assertEqual(self.install(), 0)
        link = read_shortcut(self.unix(self.shortcut))
        self.start_installed(f'"{link["target"]}" {link["arguments"]}', link["start_in"])
        settings = self.unix(self.settings_file)
        self.assertTrue(settings.is_file(), "the program made its settings file")
        self.sb.stop()

        # At log-on the current folder is not the user's; the program must not write there.
        system32 = r"C:\windows\system32"
        before = set(self.unix(system32).iterdir())
        self.start_installed(self.reg(RUN_KEY)["Dialtick"][1], system32)
        self.sb.stop()
        self.assertEqual(set(self.unix(system32).iterdir()), before)
        self.assertIn("XPos=", settings.read_text(rig.ANSI), "the program wrote its position")

    def test_installing_again_keeps_the_settings_file_and_the_log_on_choice(self):
        self.assertEqual(self.install(), 0)
        self.start_installed()
        self.sb.stop()
        settings = self.unix(self.settings_file)
        # A hand-written file, with what the program would normalise away.
        original = (settings.read_bytes() + b"; my notes\r\n[Office ISP]\r\n Timer = 3540 \r\n"
                    b"Warning=3600\r\n\r\n")
        settings.write_bytes(original)
        self.wine("reg", "delete", RUN_KEY, "/v", "Dialtick", "/f")
        # A picture of an older guide, which the new one no longer has.
        self.unix(self.instdir + r"\guide\old.png").write_bytes(b"an older picture")

        self.assertEqual(self.install(), 0)
        self.assertEqual(settings.read_bytes(), original)
        # The user had turned starting at log-on off: the upgrade leaves it off.
        self.assertNotIn("Dialtick", self.reg(RUN_KEY) or {})
        self.assertEqual(self.installed_files(), self.payload | {"uninstall.exe"})

    def test_silent_uninstall_removes_what_was_installed_and_nothing_else(self):
        self.assertEqual(self.install(), 0)
        self.start_installed()
        self.sb.stop()
        settings = self.unix(self.settings_file)
        saved = settings.read_bytes()
        sound = self.unix(self.settings_dir + r"\alert.wav")
        rig.make_wav(sound)
        self.wine("reg", "add", RUN_KEY, "/v", "Other", "/d", r"C:\other.exe", "/f")
        other_link = self.unix(self.shortcut).with_name("Other.lnk")
        other_link.write_bytes(b"not ours")
        try:
            self.uninstall()
            files, keys = self.snapshot()
            before_files, before_keys = self.before
            own = self.unix(self.settings_dir).relative_to(self.prefix / "drive_c").as_posix()
            other = other_link.relative_to(self.prefix / "drive_c").as_posix()
            # The user's programs folder is one of Windows' own, made by the first setup that
            # needs it; it stays like the Start menu's folder.
            programs = self.unix(self.instdir).parent.relative_to(self.prefix / "drive_c")
            self.assertEqual(files - before_files - {programs.as_posix()},
                             {own, f"{own}/Dialtick.ini", f"{own}/alert.wav", other})
            self.assertEqual(before_files - files, set())
            self.assertEqual(settings.read_bytes(), saved)
            self.assertEqual(self.reg(RUN_KEY).get("Other"), ("REG_SZ", r"C:\other.exe"))
            self.wine("reg", "delete", RUN_KEY, "/v", "Other", "/f")
            self.assertEqual(self.snapshot()[1], before_keys)
        finally:
            other_link.unlink()
            self.wine("reg", "delete", RUN_KEY, "/v", "Other", "/f")

        # Asked to, it takes the settings file too, but not what else the user put there.
        self.assertEqual(self.install(), 0)
        self.uninstall("/RemoveSettings")
        self.assertFalse(settings.exists())
        self.assertTrue(sound.exists())

    def test_with_the_program_running_setup_and_uninstaller_ask_to_close_it(self):
        self.assertEqual(self.install(), 0)
        self.start_installed()
        pid = self.sb.pid
        exe = self.unix(self.instdir + r"\dialtick.exe")
        stamp = exe.stat().st_mtime_ns

        # Silent, they cannot ask: they change nothing and say so in their exit code. (The
        # uninstaller run where it lies reports its own; as Windows runs it, a copy of it in the
        # temporary folder does the work.)
        code, _ = self.sb.launch(f'"{self.instdir}\\uninstall.exe" /S _?={self.instdir}',
                                 wait=True, cwd=self.sb.app)
        self.assertEqual(code, SILENT_REFUSED)
        self.uninstall()
        self.assert_installed()
        self.assertEqual(self.install(), SILENT_REFUSED)
        self.assertEqual(exe.stat().st_mtime_ns, stamp)

        # The setup asks; Cancel leaves everything as it was.
        self.sb.launch(f'"{rig.win_path(SETUP)}"', wait=False, cwd=self.sb.app)
        self.assert_asked_to_close("Dialtick Setup")
        self.sb.press("Cancel", pid=None)
        self.sb.wait_until(lambda: not self.sb.windows(title_contains="Dialtick Setup"),
                           timeout=20, message="the setup has ended")
        self.assert_installed()
        self.assertEqual(exe.stat().st_mtime_ns, stamp)
        self.assertTrue(self.sb.running())
        self.assertEqual(self.sb.pid, pid)

        # The uninstaller asks; the user closes Dialtick, chooses Retry and goes through it.
        self.sb.launch(f'"{self.instdir}\\uninstall.exe"', wait=False, cwd=self.sb.app)
        self.assert_asked_to_close("Dialtick Uninstall")
        self.sb.stop()
        settings = self.unix(self.settings_file).read_bytes()
        self.assertIn(b"XPos=", settings)
        self.sb.press("&Retry", pid=None)
        self.click_through("Dialtick Uninstall")
        self.assertFalse(self.unix(self.instdir).exists())
        self.assertIsNone(self.reg("HKCU\\" + UNINSTALL_KEY))
        self.assertEqual(self.unix(self.settings_file).read_bytes(), settings)

    def assert_asked_to_close(self, caption):
        box = self.sb.msgbox(timeout=30, pid=None)
        self.assertEqual(box["caption"], caption)
        self.assertTrue(box["text"].startswith("Dialtick is running."), box["text"])
        self.assertEqual([b["caption"] for b in box["buttons"]], ["&Retry", "Cancel"])

    def click_through(self, title):
        """Presses the wizard's main button (Next, Uninstall, Close) on every page, each once it
        is enabled, until the wizard has closed."""
        IDOK = 1
        self.sb.wait_until(lambda: self.sb.windows(title_contains=title, visible=True),
                           timeout=20, message=f"the wizard {title!r}")
        deadline = time.monotonic() + 60
        pressed = None
        while time.monotonic() < deadline:
            wizard = self.sb.windows(title_contains=title, visible=True)
            if not wizard:
                return
            button = self.sb.control(wizard[0]["hwnd"], IDOK)
            if button["enabled"] and button["text"] != pressed:
                pressed = button["text"]
                self.sb.send("WM_COMMAND", hwnd=wizard[0]["hwnd"], wparam=IDOK, post=True)
            time.sleep(0.5)
        raise AssertionError(f"the wizard {title!r} is still open")


class PortableZip(unittest.TestCase):

    def test_both_zips_carry_program_guide_and_read_me(self):
        for arch, path in ZIPS.items():
            need(path)
            with zipfile.ZipFile(path) as z, self.subTest(arch=arch):
                names = set(z.namelist())
                self.assertEqual(z.read("Dialtick/dialtick.exe"), PROGRAMS[arch].read_bytes())
                self.assertIn(f"Dialtick {VERSION}", z.read("Dialtick/ReadMe.txt").decode())
                page = _Links()
                page.feed(z.read("Dialtick/Guide.html").decode("utf-8"))
                self.assertTrue(page.images, "the guide shows pictures")
                for src in page.images:
                    self.assertIn("Dialtick/" + src, names, "a picture of the guide")
                for href in page.hrefs:
                    if href.startswith("#"):
                        self.assertIn(href[1:], page.ids, "a link inside the guide")

    def test_unpacked_it_runs_with_the_settings_file_beside_it(self):
        need(ZIPS["x64"])
        with rig.Sandbox("portable") as sb:
            folder = sb.root / "unpacked"
            with zipfile.ZipFile(ZIPS["x64"]) as z:
                z.extractall(folder)
            folder = folder / "Dialtick"
            settings = folder / "Dialtick.ini"
            settings.write_bytes(b"[Dialtick]\r\nIcon=0\r\nXPos=123\r\nYPos=77\r\n")
            # Started by a double-click: no arguments, the current folder is the program's.
            sb.start(cmdline=f'"{rig.win_path(folder / "dialtick.exe")}"', cwd=folder)
            timer = sb.wait_until(
                lambda: next((w for w in sb.program_windows()
                              if w["class"] == "#32770" and w["enabled"]), None),
                timeout=20, message="the timer window")
            sb.send("MsgToggleTimer", hwnd=timer["hwnd"])
            shown = sb.wait_until(lambda: (w := sb.window(timer["hwnd"]))["visible"] and w,
                                  timeout=5, message="the timer window shown")
            self.assertEqual(shown["rect"][:2], [123, 77])
            self.assertEqual([i for i in sb.tray() if i["tip"].startswith("Dialtick")], [])
            sb.stop()
            self.assertEqual(read_ini(settings), {"Dialtick": {"Icon": "0", "XPos": "123",
                                                               "YPos": "77"}})
            self.assertEqual(sorted(p.name for p in folder.iterdir() if p.is_file()),
                             ["Dialtick.ini", "Guide.html", "ReadMe.txt", "dialtick.exe"])


if __name__ == "__main__":
    unittest.main()
