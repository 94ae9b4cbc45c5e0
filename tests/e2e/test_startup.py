"""Start-up of the real program under Wine: single instance, the settings file and its failures."""

import os
import stat
import time
import unittest

import rig

# Extended and plain window styles read back from the timer window.
WS_EX_TOPMOST = 0x8
WS_EX_TOOLWINDOW = 0x80
WS_DISABLED = 0x08000000

GENERAL_FAILURE = "An error has occurred.\r\n\r\nDialtick will now close."
BAD_INI = ("An invalid configuration file parameter was used in the Dialtick command line."
           "\r\n\r\nPlease correct the parameter and restart Dialtick.")


def timer_window(sb, timeout=20):
    return sb.wait_until(sb.timer_window, timeout=timeout, message="the timer window")


@rig.skip_unless_program
class StartupTest(unittest.TestCase):
    def setUp(self):
        self.sb = rig.Sandbox("startup")
        self.addCleanup(self.sb.close)

    def test_normalises_file_creates_hidden_topmost_window_and_saves_position_at_logoff(self):
        sb = self.sb
        sb.ini_path.write_bytes(b"junk before\r\n[ Dialtick ]\r\n  XPos = 140 \r\nYPos=90\r\n"
                                b"[Empty]\r\n[Keep]\r\nA=1 =  2\r\n")
        sb.start()
        w = timer_window(sb)
        self.assertFalse(w["visible"])
        self.assertTrue(w["enabled"])
        self.assertFalse(w["style"] & WS_DISABLED)
        self.assertTrue(w["exstyle"] & WS_EX_TOPMOST)
        self.assertTrue(w["exstyle"] & WS_EX_TOOLWINDOW)
        self.assertEqual(w["rect"][:2], [140, 90])
        # Loaded, normalised and proved writable: the test section came and went.
        self.assertEqual(sb.ini_path.read_bytes(),
                         b"[Dialtick]\r\nXPos=140\r\nYPos=90\r\n[Keep]\r\nA=1 =  2")
        self.assertEqual(sb.stop(), "logoff")
        self.assertEqual(sb.exit_code, 0)
        self.assertEqual(sb.ini_path.read_bytes(),
                         b"[Dialtick]\r\nXPos=140\r\nYPos=90\r\n[Keep]\r\nA=1 =  2")

    def test_moved_window_position_is_written_at_the_end(self):
        sb = self.sb
        sb.start()
        w = timer_window(sb)
        self.assertEqual(w["rect"][:2], [0, 0])
        sb.send("MsgToggleTimer", hwnd=w["hwnd"])
        sb.drag(w["hwnd"], 10, 10, 210, 110)
        left, top = sb.window(w["hwnd"])["rect"][:2]
        self.assertEqual((left, top), (200, 100))
        sb.logoff()
        sb.wait_exit()
        text = sb.ini_path.read_bytes()
        self.assertIn(b"XPos=200\r\nYPos=100", text)
        self.assertNotIn(b"[Test]", text)

    def test_absent_relative_settings_file_is_created_in_the_current_directory(self):
        sb = self.sb
        work = sb.root / "work dir"
        work.mkdir()
        sb.start(args='/ini:"  sub.ini "', cwd=work)
        timer_window(sb)
        self.assertTrue((work / "sub.ini").exists())
        self.assertFalse((sb.app / "sub.ini").exists())
        self.assertEqual((work / "sub.ini").read_bytes(), b"")

    def test_default_settings_file_is_the_product_name_in_the_current_directory(self):
        sb = self.sb
        sb.start(args="")
        timer_window(sb)
        self.assertTrue((sb.app / "Dialtick.ini").exists())

    def test_bad_ini_parameters_are_refused(self):
        sb = self.sb
        for args in ['/ini: "x.ini"', '/ini:"x.ini', '/ini:"   "', "/ini:x.ini",
                     '/ini:"' + "n" * 260 + '"']:
            with self.subTest(args=args[:40]):
                sb.start(args=args)
                box = sb.msgbox(kind="system")
                self.assertEqual(box["text"], BAD_INI)
                self.assertEqual(box["caption"], "Dialtick - Error")
                sb.press(button_id=1)
                sb.wait_exit()
                self.assertFalse(any((sb.app / n).exists() for n in ("x.ini", "Dialtick.ini")))

    def test_options_on_too_long_a_command_line_are_ignored(self):
        sb = self.sb
        filler = "x" * 760
        args = f'/ini:"{rig.win_path(sb.ini_path)}" {filler}'
        self.assertGreater(len(args), 777)
        sb.start(args=args)
        timer_window(sb)
        # The option was not read: the default file in the current directory is used.
        self.assertTrue((sb.app / "Dialtick.ini").exists())
        self.assertFalse(sb.ini_path.exists())


@rig.skip_unless_program
class SingleInstanceTest(unittest.TestCase):
    def setUp(self):
        self.sb = rig.Sandbox("instance")
        self.addCleanup(self.sb.close)

    def test_second_copy_signals_the_first_and_ends(self):
        sb = self.sb
        # Without the notification icon the signal shows the hidden timer window.
        sb.ini_path.write_bytes(b"[Dialtick]\r\nIcon=0")
        sb.start()
        w = timer_window(sb)
        self.assertFalse(w["visible"])
        started = time.monotonic()
        self.assertEqual(sb.start_second(), 0)
        self.assertLess(time.monotonic() - started, 10)
        sb.wait_until(lambda: sb.window(w["hwnd"])["visible"], message="timer window shown")
        # Only the first copy runs, and it has no other window.
        self.assertEqual(len(sb.probe("procs", "--name", "dialtick.exe")["processes"]), 1)

    def test_second_copy_with_set_and_the_icon_on_changes_nothing_visible(self):
        sb = self.sb
        sb.start()
        w = timer_window(sb)
        for args in ("/set", "/SET", None):
            self.assertEqual(sb.start_second(args=args), 0)
        self.assertFalse(sb.window(w["hwnd"])["visible"])
        self.assertTrue(sb.running())
        self.assertEqual(len(sb.probe("procs", "--name", "dialtick.exe")["processes"]), 1)

    def test_set_alone_shows_only_the_settings_window_and_ends_with_it(self):
        sb = self.sb
        sb.start(args=f'/Set /ini:"{rig.win_path(sb.ini_path)}"')
        settings = sb.wait_window(title="Dialtick - Settings", pid=sb.pid, visible=True)
        self.assertEqual([w for w in sb.program_windows(visible=True)
                          if w["hwnd"] != settings["hwnd"]], [])
        sb.send("WM_COMMAND", hwnd=settings["hwnd"], wparam=2, post=True)
        self.assertEqual(sb.wait_exit(), 0)


@rig.skip_unless_program
class SettingsFileFailureTest(unittest.TestCase):
    def setUp(self):
        self.sb = rig.Sandbox("failures")
        self.addCleanup(self.sb.close)
        self.sb.ini_path.write_bytes(b"[Dialtick]\r\nXPos=5")

    def test_locked_file_asks_and_retry_goes_on_once_released(self):
        sb = self.sb
        with sb.lock_file(sb.ini_path, share="none"):
            sb.start()
            box = sb.msgbox(kind="app")
            self.assertEqual(box["caption"], "Dialtick - Error")
            expected = f"Dialtick is unable to open the file\r\n'{rig.win_path(sb.ini_path)}'."
            self.assertTrue(box["text"].startswith(expected + "\r\n\r\n"), box["text"])
            self.assertGreater(len(box["text"]), len(expected) + 4)  # the system's text follows
            self.assertEqual([b["caption"] for b in box["buttons"]], ["&Cancel", "&Retry"])
        sb.press("&Retry")
        timer_window(sb)
        self.assertEqual(sb.ini_path.read_bytes(), b"[Dialtick]\r\nXPos=5")

    def test_cancel_and_escape_end_with_the_general_message(self):
        sb = self.sb
        for answer in ("cancel", "escape"):
            with self.subTest(answer=answer), sb.lock_file(sb.ini_path, share="none"):
                sb.start()
                box = sb.msgbox(kind="app")
                if answer == "cancel":
                    sb.press("&Cancel")
                else:
                    sb.key(box["hwnd"], 0x1B)  # Esc answers Cancel
                general = sb.msgbox(kind="system")
                self.assertEqual(general["text"], GENERAL_FAILURE)
                sb.press(button_id=1)
                sb.wait_exit()

    def test_a_file_another_program_reads_is_saved_at_every_step_without_a_question(self):
        sb = self.sb
        sb.set_entries(["Work"])
        # Another program reads the file and lets others read and write but not replace it.
        with sb.lock_file(sb.ini_path, share="rw", access="r"):
            sb.start()
            timer_window(sb)
            self.assertEqual(sb.ini_path.read_bytes(), b"[Dialtick]\r\nXPos=5")
            sb.connect("Work")
            sb.wait_until(lambda: b"Last=Work" in sb.ini_path.read_bytes(), timeout=10,
                          message="Last written at the connection")
            time.sleep(1.5)
            sb.disconnect("Work")
            sb.wait_until(lambda: b"[Work]\r\nTimer=" in sb.ini_path.read_bytes(),
                          timeout=10, message="the time written at the disconnection")
            self.assertTrue(sb.no_msgbox())
            sb.logoff()
            self.assertEqual(sb.wait_exit(), 0)
        text = sb.ini_path.read_bytes()
        self.assertRegex(text, rb"^\[Dialtick\]\r\nXPos=5\r\nLast=Work\r\nYPos=0\r\n"
                               rb"\[Work\]\r\nTimer=[12]$")
        self.assertEqual(sorted(p.name for p in sb.app.glob("dialtick.ini*")), ["dialtick.ini"])

    def full_disk_file(self):
        """The settings file on a full disk: a device that takes no byte (Linux's "full")."""
        self.sb.ini_path.unlink()
        os.mknod(self.sb.ini_path, stat.S_IFCHR | 0o666, os.makedev(1, 7))

    def test_a_file_that_cannot_be_written_asks_at_the_write_test(self):
        sb = self.sb
        self.full_disk_file()
        # Held by another program as well, it cannot be replaced either.
        with sb.lock_file(sb.ini_path, share="rw", access="r"):
            sb.start()
            box = sb.msgbox(kind="app")
            self.assertTrue(box["text"].startswith(
                "Unable to save configuration information.\r\n\r\n"), box["text"])
            self.assertEqual([b["caption"] for b in box["buttons"]], ["&Cancel", "&Try Again"])
            buttons = box["buttons"]
            self.assertLess(buttons[0]["rect"][0], buttons[1]["rect"][0])
            # The text that did not land is kept beside the file.
            self.assertEqual((sb.app / "dialtick.ini.tmp").read_bytes(),
                             b"[Test]\r\nDialtick=Dialtick")
        # Room on the disk again: Try Again goes on.
        sb.ini_path.unlink()
        sb.ini_path.write_bytes(b"")
        sb.press("&Try Again")
        timer_window(sb)
        # The test section came and went; nothing was read from the full disk.
        self.assertEqual(sb.ini_path.read_bytes(), b"")
        self.assertFalse((sb.app / "dialtick.ini.tmp").exists())

    def test_unwritable_file_cancel_ends(self):
        sb = self.sb
        self.full_disk_file()
        with sb.lock_file(sb.ini_path, share="rw", access="r"):
            sb.start()
            sb.msgbox(kind="app")
            sb.press("&Cancel")
            self.assertEqual(sb.msgbox(kind="system")["text"], GENERAL_FAILURE)
            sb.press(button_id=1)
            sb.wait_exit()
        self.assertTrue(stat.S_ISCHR(sb.ini_path.stat().st_mode))

    def test_unreadable_setting_offers_the_buttons_of_the_system(self):
        sb = self.sb
        # A face name longer than any buffer is a read error of the program-wide settings.
        sb.ini_path.write_bytes(b"[Font]\r\nFace=" + b"F" * 800 + b"\r\nSize=12")
        for version, buttons, go_on in (
                (None, ["&Cancel", "&Try Again", "C&ontinue"], "C&ontinue"),
                ("win98", ["&Abort", "&Retry", "&Ignore"], "&Ignore")):
            with self.subTest(version=version):
                if version:
                    sb.set_windows_version(version)
                sb.start()
                box = sb.msgbox(kind="app")
                self.assertTrue(box["text"].startswith(
                    "Unable to load configuration information.\r\n\r\n"), box["text"])
                self.assertEqual([b["caption"] for b in box["buttons"]], buttons)
                sb.press(go_on)
                timer_window(sb)
                sb.stop()

    def test_too_old_a_system_is_refused(self):
        sb = self.sb
        sb.set_windows_version("nt351")
        sb.start()
        box = sb.msgbox(kind="system")
        self.assertEqual(box["text"], "Dialtick requires Windows 95, Windows NT 4, or later."
                         "\r\n\r\nYou have attempted to run Dialtick on Windows NT 3.1.")
        self.assertEqual(box["caption"], "Dialtick - Error")
        sb.press(button_id=1)
        sb.wait_exit()


if __name__ == "__main__":
    unittest.main()
