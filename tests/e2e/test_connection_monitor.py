"""The connection monitor of the real program under Wine with the dial-up simulator: timing a
connection, the warning, the periodic save, hanging up, a second connection, failing status
calls, a reset while connected, the run items, the exit wait and quiet help calls."""

import array
import os
import time
import unittest
from pathlib import Path

import rig
from timerwin_helpers import (HOUR_CELLS, MINUTE_CELLS, NAME_CELL, SECOND_CELLS, SIGN_CELL,
                              TimerRig, keep_shot, read_ini, skip_unless_rig)

WM_COMMAND = 0x111
BLACK, GREEN, RED = (0, 0, 0), (0, 255, 0), (255, 0, 0)
WARN_HZ, LOST_HZ = 880, 330
RATE = 22050


def local_count(seconds_ahead=0.0):
    """The local time in the program's 10 ms units since 1601, as Wine reports it."""
    now = time.time() + seconds_ahead
    return int((now + time.localtime(now).tm_gmtoff + 11644473600) * 100)


def tone_hz(raw):
    """The frequency of a captured mono 16-bit tone, from its zero crossings (0 for silence)."""
    samples = array.array("h", raw[: len(raw) // 2 * 2])
    loud = [i for i, s in enumerate(samples) if abs(s) > 1000]
    if len(loud) < RATE // 10:
        return 0
    tone = samples[loud[0]:loud[-1] + 1]
    crossings = sum(1 for a, b in zip(tone, tone[1:]) if (a < 0) != (b < 0))
    return crossings / 2 / (len(tone) / RATE)


@skip_unless_rig
class ConnectionMonitorTest(TimerRig, unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        sb = cls.sb
        cls.warn_wav = rig.make_wav(sb.app / "warn.wav", seconds=0.6, freq=WARN_HZ)
        cls.lost_wav = rig.make_wav(sb.app / "lost.wav", seconds=0.6, freq=LOST_HZ)
        cls.marks = sb.root / "marks"
        cls.marks.mkdir()
        # A run item that leaves a file named after its parameter.
        cls.marker_bat = sb.app / "mark.bat"
        cls.marker_bat.write_bytes(
            f'@echo off\r\necho %1> "{rig.win_path(cls.marks)}\\%1.txt"\r\n'.encode(rig.ANSI))

    def setUp(self):
        for mark in self.marks.iterdir():
            mark.unlink()
        self.sb.clear_sound()
        self.sb.set_hangup_behaviour()
        for function in ("RasEnumConnectionsA", "RasGetConnectStatusA", "RasHangUpA"):
            self.sb.inject_error(function, None)

    def start_monitor(self, account, lost_sound=False, warn_sound=False, run_item=False):
        """Starts the program with the account "Acc"; returns the timer window."""
        sections = {"Dialtick": {"Icon": 1}, "Acc": account}
        sections["Sound"] = ({"Play": 1, "File": rig.win_path(self.lost_wav)} if lost_sound
                             else {"Play": 0})
        sections["WarnSound"] = ({"Play": 1, "File": rig.win_path(self.warn_wav)}
                                 if warn_sound else {"Play": 0})
        if run_item:
            bat = rig.win_path(self.marker_bat)
            sections["Dialtick"]["RunCount"] = 1
            sections["Run_00"] = {"Title": "Marks", "Enable": 1, "StartPath": bat,
                                  "StartParams": "on", "ClosePath": bat, "CloseParams": "off"}
        return self.start(sections, entries=["Acc"])

    def connect(self, hwnd, name="Acc"):
        handle = self.sb.connect(name)
        self.sb.wait_until(lambda: self.text(hwnd, NAME_CELL) == f" {name} ", timeout=5,
                           message="the name cell")
        self.sb.wait_until(lambda: self.visible_window(hwnd), timeout=5,
                           message="shown at connection")
        return handle

    def shown_seconds(self, hwnd):
        """The time the cells show, in seconds (negative with the sign)."""
        wanted = (SIGN_CELL,) + HOUR_CELLS + MINUTE_CELLS + SECOND_CELLS
        for _ in range(3):
            # Now and then a listing under Wine comes back without some cells: ask again.
            cells = self.cells(hwnd)
            if all(c in cells for c in wanted):
                break
            time.sleep(0.1)
        else:
            self.fail(f"the time cells of {hwnd} could not be read")
        digits = "".join(cells[c]["text"] for c in HOUR_CELLS + MINUTE_CELLS + SECOND_CELLS)
        if not digits.isdigit():
            return None
        h, m, s = int(digits[:3]), int(digits[3:5]), int(digits[5:])
        value = h * 3600 + m * 60 + s
        return -value if cells[SIGN_CELL]["text"] == " - " else value

    def saved(self, key, section="Acc"):
        return read_ini(self.sb.ini_path).get(section, {}).get(key)

    def wait_hidden(self, hwnd):
        self.sb.wait_until(lambda: not self.sb.window(hwnd)["visible"], timeout=5,
                           message="hidden at the end of the connection")

    def tooltip(self):
        tips = [icon["tip"] for icon in self.sb.tray()]
        return tips[0] if tips else None

    def disconnect_command(self, hwnd):
        """"&Disconnect" from the menu, answered Yes."""
        self.sb.send(WM_COMMAND, hwnd=hwnd, wparam=rig.res.IDM_DISCONNECT, post=True)
        box = self.sb.msgbox()
        self.assertEqual(box["text"], "Close connection to Acc?")
        self.sb.press("Yes")

    # ----- a connection from start to end -----------------------------------------------------

    def test_a_connection_is_timed_saved_and_runs_its_items_on_both_sides(self):
        hwnd = self.start_monitor({"Timer": 100}, run_item=True)
        self.assertFalse(self.sb.window(hwnd)["visible"])
        before = time.monotonic()
        self.connect(hwnd)
        self.assertEqual(self.saved("Last", "Dialtick"), "Acc")
        self.sb.wait_until(lambda: (self.marks / "on.txt").is_file(), timeout=15,
                           message="the On Connection item")
        self.assertIn("Connected to Acc", self.tooltip())
        first = self.shown_seconds(hwnd)
        self.assertIn(first, (100, 101, 102))
        time.sleep(3)
        self.assertGreaterEqual(self.shown_seconds(hwnd), first + 2)
        keep_shot(self.sb.screenshot(hwnd=hwnd), "monitor-connected.png")

        self.sb.disconnect("Acc")
        self.wait_hidden(hwnd)
        counted = time.monotonic() - before
        self.sb.wait_until(lambda: (self.marks / "off.txt").is_file(), timeout=15,
                           message="the On Disconnection item")
        self.assertEqual(self.text(hwnd, NAME_CELL), " Dialtick ")
        self.assertEqual(self.text(hwnd, SECOND_CELLS[1]), "?")
        self.assertIn("Not Connected", self.tooltip())
        timer = int(self.saved("Timer"))
        # The last counting poll may lie up to half a second before the end was seen.
        self.assertGreaterEqual(timer, 102)
        self.assertLessEqual(timer, 100 + counted + 1)
        self.assertFalse(self.sb.sound_played(), "no lost-connection sound was chosen")

    def test_the_warning_changes_the_colours_and_sounds_once_when_crossed(self):
        hwnd = self.start_monitor({"Timer": 3597, "Warning": 3600, "EnableWarning": 1},
                                  warn_sound=True)
        self.connect(hwnd)
        _, bottom = self.row_images(hwnd)
        self.assertEqual(bottom.dominant(), BLACK)
        self.assertGreater(bottom.count(GREEN), 5)
        self.assertFalse(self.sb.sound_played())

        self.sb.wait_until(lambda: self.shown_seconds(hwnd) >= 3601, timeout=8,
                           message="past the warning time")
        _, bottom = self.row_images(hwnd, "monitor-warning.png")
        self.assertGreater(bottom.count(RED), 5)
        self.assertEqual(bottom.count(GREEN), 0)
        self.sb.wait_until(self.sb.sound_played, timeout=5, message="the warning sound")
        time.sleep(1)
        self.assertAlmostEqual(tone_hz(self.sb.sound_bytes()), WARN_HZ, delta=20)
        self.sb.clear_sound()
        time.sleep(2)
        self.assertFalse(self.sb.sound_played(), "the warning sounds once")

    def test_the_time_is_saved_about_every_thirty_seconds_while_connected(self):
        hwnd = self.start_monitor({"Timer": 100})
        self.connect(hwnd)
        connected = time.monotonic()
        time.sleep(max(0.0, connected + 26 - time.monotonic()))
        self.assertEqual(self.saved("Timer"), "100", "not before the 61st poll")
        saved = self.sb.wait_until(lambda: int(self.saved("Timer")) > 100 and
                                   int(self.saved("Timer")), timeout=12,
                                   message="the periodic save")
        after = time.monotonic() - connected
        self.assertTrue(28 <= after <= 38, after)
        self.assertTrue(128 <= saved <= 133, saved)
        self.assertTrue(self.sb.window(hwnd)["visible"])

    # ----- hanging up and losing the line -----------------------------------------------------

    def test_disconnect_hangs_up_quietly_and_a_dropped_line_sounds(self):
        hwnd = self.start_monitor({"Timer": 0}, lost_sound=True)
        handle = self.connect(hwnd)
        earlier = len(self.sb.hangups())
        self.disconnect_command(hwnd)
        self.sb.wait_until(lambda: len(self.sb.hangups()) > earlier, timeout=5,
                           message="the hang-up")
        self.assertEqual(self.sb.hangups()[-1]["handle"], handle)
        self.wait_hidden(hwnd)
        time.sleep(1.5)
        self.assertFalse(self.sb.sound_played(), "no lost-connection sound after Disconnect")

        self.sb.disconnect(handle)
        self.connect(hwnd)
        self.sb.disconnect("Acc")
        self.wait_hidden(hwnd)
        self.sb.wait_until(self.sb.sound_played, timeout=5, message="the lost-connection sound")
        time.sleep(1)
        self.assertAlmostEqual(tone_hz(self.sb.sound_bytes()), LOST_HZ, delta=20)

    def test_at_exit_a_hang_up_not_yet_done_is_awaited_for_at_most_three_and_a_half_seconds(self):
        hwnd = self.start_monitor({"Timer": 0})
        self.connect(hwnd)
        started = time.monotonic()
        self.sb.logoff()
        self.sb.wait_exit(timeout=10)
        quick = time.monotonic() - started
        self.assertEqual(self.saved("Timer"), str(int(self.saved("Timer"))))
        self.assertIsNotNone(self.saved("XPos", "Dialtick"))

        self.sb.disconnect("Acc")
        self.sb.set_hangup_behaviour(ignore=True)
        hwnd = self.start_monitor({"Timer": 0})
        self.connect(hwnd)
        earlier = len(self.sb.hangups())
        self.disconnect_command(hwnd)
        self.sb.wait_until(lambda: len(self.sb.hangups()) > earlier, timeout=5,
                           message="the hang-up")
        time.sleep(1)
        started = time.monotonic()
        self.sb.logoff(timeout_ms=10000)
        self.sb.wait_exit(timeout=15)
        waited = time.monotonic() - started
        self.assertGreaterEqual(waited - quick, 2.5, (quick, waited))
        self.assertLess(waited, quick + 6, (quick, waited))

    # ----- errors ---------------------------------------------------------------------------

    def test_a_second_connection_closes_the_program_after_message_2083(self):
        hwnd = self.start_monitor({"Timer": 50})
        self.connect(hwnd)
        self.sb.connect("Other")
        box = self.sb.msgbox()
        self.assertEqual(box["caption"], "Dialtick - Error")
        self.assertEqual(box["text"], "Dialtick does not support multiple simultaneous "
                                      "connections.\r\nDialtick will now close.")
        self.assertEqual([b["caption"].replace("&", "").upper() for b in box["buttons"]], ["OK"])
        # The polls that go on while it is open do not ask again.
        time.sleep(1.5)
        boxes = self.sb.windows(pid=self.sb.pid, title="Dialtick - Error", visible=True)
        self.assertEqual(len(boxes), 1)
        self.sb.press("OK")
        self.sb.wait_exit(timeout=10)
        self.assertGreaterEqual(int(self.saved("Timer")), 50)
        self.sb.disconnect("Other")

    def test_a_failing_status_call_changes_nothing_and_the_time_catches_up(self):
        hwnd = self.start_monitor({"Timer": 0})
        self.connect(hwnd)
        connected = time.monotonic()
        self.sb.inject_error("RasGetConnectStatusA", 668)
        time.sleep(1)
        frozen = self.shown_seconds(hwnd)
        time.sleep(3)
        self.assertEqual(self.shown_seconds(hwnd), frozen)
        self.assertTrue(self.sb.window(hwnd)["visible"])
        self.assertEqual(self.text(hwnd, NAME_CELL), " Acc ")

        self.sb.inject_error("RasGetConnectStatusA", None)
        self.sb.wait_until(lambda: self.shown_seconds(hwnd) >= frozen + 3, timeout=3,
                           message="the time catching up")
        elapsed = time.monotonic() - connected
        self.assertLessEqual(abs(self.shown_seconds(hwnd) - elapsed), 2)

    def test_a_particular_day_reset_happens_while_connected_and_turns_itself_off(self):
        hwnd = self.start_monitor({"Timer": 500, "ResetOption": 3, "ResetTime": 0,
                                   "ResetNext": local_count(6)})
        self.connect(hwnd)
        self.assertGreaterEqual(self.shown_seconds(hwnd), 500)
        self.sb.wait_until(lambda: self.shown_seconds(hwnd) < 10, timeout=12,
                           message="the reset")
        self.assertEqual(self.saved("ResetOption"), "0")
        self.assertEqual(self.saved("Timer"), "0")

    # ----- help and idle cost ---------------------------------------------------------------

    def test_help_without_a_help_file_shows_nothing(self):
        hwnd = self.start_monitor({"Timer": 0})
        before = {w["hwnd"] for w in self.sb.windows(visible=True)}
        self.sb.send(WM_COMMAND, hwnd=hwnd, wparam=rig.res.IDM_HELP_CONTENTS, post=True)
        time.sleep(2)
        self.assertTrue(self.sb.no_msgbox())
        self.assertEqual({w["hwnd"] for w in self.sb.windows(visible=True)} - before, set())
        self.assertTrue(self.sb.running())

    def test_the_program_uses_no_measurable_cpu_while_connected(self):
        hwnd = self.start_monitor({"Timer": 0})
        self.connect(hwnd)
        pids = [p for p in os.listdir("/proc") if p.isdigit() and self._is_program(p)]
        self.assertTrue(pids, "the program's process")
        ticks = os.sysconf("SC_CLK_TCK")
        before = sum(self._cpu(p) for p in pids)
        time.sleep(10)
        used = (sum(self._cpu(p) for p in pids) - before) / ticks
        print(f"\nCPU used by the program in 10 s while connected: {used:.2f} s")
        self.assertLess(used, 0.3)

    def _is_program(self, pid):
        try:
            cmdline = Path(f"/proc/{pid}/cmdline").read_bytes()
        except OSError:
            return False
        # Wine shows the Windows command line: the sandbox's settings file names the sandbox.
        return (cmdline.startswith(b"dialtick.exe") and
                rig.win_path(self.sb.ini_path).encode(rig.ANSI) in cmdline)

    @staticmethod
    def _cpu(pid):
        fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])


if __name__ == "__main__":
    unittest.main()
