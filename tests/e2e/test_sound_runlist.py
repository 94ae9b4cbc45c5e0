"""The sound player and the run-item launcher under Wine, driven by sounddriver.exe, which links
the program's own player and launcher code. Sound is observable through ALSA's file plugin (the
sandbox's .asoundrc), launches through marker files that the launched programs write."""

import array
import shutil
import time
import unittest
import wave

import rig

DRIVER = rig.TOOLS / "sounddriver.exe"
MCI_NOTIFY_SUCCESSFUL = 1
MCI_NOTIFY_ABORTED = 4
IDLE, PLAYING_FILE, BEEPING = 0, 1, 2


def have_driver():
    return rig.have_tools() and DRIVER.is_file()


class DriverSandbox:
    """A rig sandbox with the driver beside the tools."""

    @classmethod
    def setUpClass(cls):
        cls.sb = rig.Sandbox(cls.__name__.lower())
        shutil.copy2(DRIVER, cls.sb.app / DRIVER.name)
        # The first Wine process starts the prefix's services, which can take long on a busy
        # machine; the tests' own time limits should not pay for it.
        cls.sb.tool(DRIVER.name, timeout=120, check=False)

    @classmethod
    def tearDownClass(cls):
        cls.sb.close()

    def drive(self, *args, timeout=90):
        result = self.sb.tool(DRIVER.name, *[str(a) for a in args], timeout=timeout, check=False)
        out = result.stdout.decode(rig.ANSI)
        self.assertEqual(result.returncode, 0, out + result.stderr.decode(errors="replace"))
        values = {}
        for line in out.splitlines():
            key, sep, value = line.partition("=")
            if sep:
                values[key.strip()] = value.strip()
        return {k: int(v) if v.lstrip("-").isdigit() else v for k, v in values.items()}


@unittest.skipUnless(have_driver(), "sounddriver.exe or the rig tools not built")
class SoundPlayerTest(DriverSandbox, unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.short_wav = rig.make_wav(cls.sb.app / "short.wav", seconds=1.0, freq=440.0)
        cls.long_wav = rig.make_wav(cls.sb.app / "long.wav", seconds=30.0, freq=330.0)
        (cls.sb.app / "not-media.xyz").write_bytes(b"this is not a sound")

    def played_bytes(self):
        path = self.sb.sound_path
        return path.read_bytes() if path.exists() else b""

    def forget_played(self):
        # ALSA's file plugin writes the file anew each time the device opens.
        self.sb.sound_path.unlink(missing_ok=True)

    def test_wave_file_plays_through_mci_and_its_end_returns_the_player_to_idle(self):
        self.forget_played()
        r = self.drive("play", rig.win_path(self.short_wav), 1, 1)
        self.assertEqual(r["result"], 0)
        self.assertEqual(r["state-after-play"], PLAYING_FILE)
        # A second alert while the first plays is dropped, not tried.
        self.assertEqual(r["second-result"], 0)
        self.assertEqual(r["quiet"], 1)
        self.assertEqual(r["notifications"], 1)
        self.assertEqual(r["notify-code"], MCI_NOTIFY_SUCCESSFUL)
        self.assertEqual((r["started"], r["ended"]), (1, 1))
        self.assertEqual((r["state"], r["workers"]), (IDLE, 0))
        # What reached the sound device is the tone: as long as the file's samples, not silent.
        played = self.played_bytes()
        with wave.open(str(self.short_wav)) as w:
            data_length = w.getnframes() * w.getsampwidth() * w.getnchannels()
        self.assertGreaterEqual(len(played), data_length)
        samples = array.array("h", played[: len(played) // 2 * 2])
        self.assertGreater(max(abs(s) for s in samples), 5000)

    def test_alert_from_the_settings_ends_at_the_sounds_page_without_a_timer_window(self):
        r = self.drive("play", rig.win_path(self.short_wav), 0, 0, 0, "--no-timer")
        self.assertEqual(r["result"], 0)
        self.assertEqual(r["notify-code"], MCI_NOTIFY_SUCCESSFUL)
        self.assertEqual((r["started"], r["ended"], r["state"]), (1, 1, IDLE))

    def test_stop_keeps_the_file_state_until_the_aborted_notification(self):
        self.forget_played()
        r = self.drive("play", rig.win_path(self.long_wav), 1, 1, 300)
        self.assertEqual(r["state-after-stop"], PLAYING_FILE)
        self.assertEqual(r["notify-code"], MCI_NOTIFY_ABORTED)
        self.assertEqual((r["quiet"], r["state"], r["ended"]), (1, IDLE, 1))
        played = len(self.played_bytes())
        self.assertGreater(played, 0)
        with wave.open(str(self.long_wav)) as w:
            self.assertLess(played, w.getnframes() * w.getsampwidth())

    def test_a_file_mci_cannot_open_gives_its_error_and_sends_nothing(self):
        r = self.drive("play", rig.win_path(self.sb.app / "not-media.xyz"), 1, 1)
        self.assertNotEqual(r["result"], 0)
        self.assertEqual((r["started"], r["ended"], r["notifications"]), (0, 0, 0))
        self.assertEqual(r["state-after-play"], IDLE)

    def test_beep_sequence_takes_a_gap_between_tones_and_ends_idle(self):
        # Wine's Beep returns at once, so three beeps take the two 500 ms gaps.
        r = self.drive("beep", 3, 700)
        self.assertEqual(r["result"], 0)
        self.assertEqual(r["state-after-play"], BEEPING)
        self.assertEqual(r["second-result"], 0)
        self.assertEqual((r["quiet"], r["state"], r["workers"]), (1, IDLE, 0))
        self.assertEqual((r["started"], r["ended"]), (1, 1))
        self.assertGreaterEqual(r["ended-at"], 950)
        self.assertLess(r["ended-at"], 2500)
        one = self.drive("beep", 1, 700)
        self.assertEqual((one["quiet"], one["ended"]), (1, 1))
        self.assertLess(one["ended-at"], 450)

    def test_stop_while_beeping_ends_the_sequence_before_its_next_tone(self):
        r = self.drive("beep", 9, 700, 700)
        self.assertEqual(r["state-after-stop"], IDLE)
        self.assertEqual((r["quiet"], r["workers"], r["ended"]), (1, 0, 1))
        # Nine beeps would take 4 s; the worker leaves at the end of the gap it is in.
        self.assertLess(r["ended-at"], 1600)

    def test_shutdown_waits_for_the_beep_worker_in_half_second_steps(self):
        r = self.drive("shutdown-beep", 9, 700, 600)
        self.assertEqual(r["started-beeps"], 1)
        self.assertEqual((r["left"], r["workers"], r["state"]), (0, 0, IDLE))
        self.assertLessEqual(r["shutdown-wait"], 1200)


@unittest.skipUnless(have_driver(), "sounddriver.exe or the rig tools not built")
class LaunchTest(DriverSandbox, unittest.TestCase):

    def setUp(self):
        sb = self.sb
        self.marks = sb.root / f"marks-{self._testMethodName}"
        self.marks.mkdir()
        sb.env["DT_MARKER_DIR"] = rig.win_path(self.marks)
        self.work = sb.root / "start in"
        self.work.mkdir(exist_ok=True)
        self.driver = rig.win_path(sb.app / DRIVER.name)
        self.bat = sb.app / "closer.bat"
        self.bat.write_bytes(b'@echo off\r\necho %*> "%DT_MARKER_DIR%\\bat.txt"\r\n')

    def write_settings(self, sections):
        ini = self.sb.root / "run.ini"
        lines = ["[Dialtick]", f"RunCount={len(sections)}"]
        for i, keys in enumerate(sections):
            lines.append(f"[Run_{i:02d}]")
            lines += [f"{k}={v}" for k, v in keys.items()]
        ini.write_bytes("\r\n".join(lines).encode(rig.ANSI))
        return rig.win_path(ini)

    @staticmethod
    def written(path):
        return path.is_file() and path.stat().st_size > 0

    def wait_marks(self, names, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            # A mark counts once written: the file appears before its text under a slow start.
            if all(self.written(self.marks / f"{n}.txt") for n in names):
                time.sleep(0.5)  # let any straggler that should not run show itself
                break
            time.sleep(0.1)
        return {p.stem: p.read_bytes().decode(rig.ANSI).splitlines()
                for p in self.marks.iterdir()}

    def test_connection_side_runs_enabled_existing_items_with_exact_parameters(self):
        params = 'mark exact "quoted arg"  two\tspaces'
        ini = self.write_settings([
            {"Title": "Exact", "StartPath": self.driver, "StartParams": params,
             "StartWorkDir": rig.win_path(self.work)},
            {"Title": "Off", "Enable": "0", "StartPath": self.driver,
             "StartParams": "mark disabled"},
            {"Title": "Missing", "StartPath": self.driver + ".gone", "StartParams": "mark missing"},
            {"Title": "No enable key", "StartPath": self.driver, "StartParams": "mark implicit"},
            {"Title": "Close only", "ClosePath": self.driver, "CloseParams": "mark closeonly"},
        ])
        r = self.drive("launch", ini, "connect")
        self.assertEqual(r["left"], 0)
        marks = self.wait_marks(["exact", "implicit"])
        self.assertEqual(sorted(marks), ["exact", "implicit"])
        folder, command_line = marks["exact"]
        self.assertEqual(folder, rig.win_path(self.work))
        # The store turns the tab into a space; otherwise the text arrives as stored, with
        # no quotes added around it.
        self.assertTrue(command_line.endswith(' mark exact "quoted arg"  two spaces'),
                        command_line)
        self.assertEqual(command_line.count('"quoted arg"'), 1)

    def test_disconnection_side_runs_a_batch_file_and_skips_missing_start_files(self):
        ini = self.write_settings([
            {"Title": "Bat", "StartPath": self.driver + ".gone",
             "ClosePath": rig.win_path(self.bat), "CloseParams": 'x "y z"'},
            {"Title": "Off", "Enable": "0", "ClosePath": self.driver,
             "CloseParams": "mark disabled"},
        ])
        self.assertEqual(self.drive("launch", ini, "connect")["left"], 0)
        self.assertEqual(self.wait_marks([], timeout=2), {})
        self.assertEqual(self.drive("launch", ini, "disconnect")["left"], 0)
        marks = self.wait_marks(["bat"])
        self.assertEqual(list(marks), ["bat"])
        self.assertEqual(marks["bat"], ['x "y z"'])

    def test_the_launcher_returns_without_waiting_for_the_programs(self):
        ini = self.write_settings(
            [{"StartPath": self.driver, "StartParams": f"mark item{i}"} for i in range(25)])
        r = self.drive("launch", ini, "connect")
        self.assertEqual(r["left"], 0)
        marks = self.wait_marks([f"item{i}" for i in range(25)], timeout=60)
        self.assertEqual(len(marks), 25)


if __name__ == "__main__":
    unittest.main()
