"""Checks the test rig itself (dial-up simulator, launcher, UI probe) without the program."""

import time
import unittest

import rig

RASCS_CONNECT_DEVICE = 2
RASCS_CONNECTED = 0x2000
RASCS_DISCONNECTED = 0x2001
ERROR_INSUFFICIENT_BUFFER = 122


@unittest.skipUnless(rig.have_tools(), "rig tools not built")
class SimulatorTest(unittest.TestCase):
    """rasclient calls the simulator as a program would."""

    @classmethod
    def setUpClass(cls):
        cls.sb = rig.Sandbox("sim")

    @classmethod
    def tearDownClass(cls):
        cls.sb.close()

    def setUp(self):
        # Each test starts from an empty simulator.
        sb = self.sb
        sb._entries, sb._conns, sb._errors, sb._error_texts, sb._options = [], [], {}, {}, {}
        sb._write_state()
        if sb.hangup_log.exists():
            sb.hangup_log.unlink()

    def test_entries_grow_one_at_a_time_until_they_fit(self):
        long_name = "L" * 256
        names = ["Work", " spaced name ", long_name]
        self.sb.set_entries(names)
        for size in rig.RASENTRYNAME_SIZES:
            answer = self.sb.rasclient("entries-grow", "--size", size)
            calls = answer["calls"]
            self.assertEqual([c["rc"] for c in calls], [603, 603, 0], answer)
            # Each 603 tells the size needed and the number of entries.
            for call in calls:
                self.assertEqual(call["cb"], 3 * size)
                self.assertEqual(call["count"], 3)
            self.assertEqual(answer["entries"], names)

    def test_ansi_names_pass_unchanged_and_calls_can_be_traced(self):
        self.sb.trace_calls()
        self.sb.set_entries(["Caf\u00e9 \u00bd"])
        handle = self.sb.connect("Caf\u00e9 \u00bd")
        self.assertEqual(self.sb.rasclient("entries")["entries"][0]["name"], "Caf\u00e9 \u00bd")
        self.assertEqual(self.sb.rasclient("conns")["connections"][0]["name"], "Caf\u00e9 \u00bd")
        self.sb.rasclient("status", handle + 1)
        calls = [(name, rc) for _, name, rc in self.sb.calls()]
        self.assertEqual(calls[-3:], [("RasEnumEntriesA", 0), ("RasEnumConnectionsA", 0),
                                      ("RasGetConnectStatusA", rig.ERROR_INVALID_HANDLE)])
        with self.assertRaises(ValueError):
            self.sb.set_entries(["two\nlines"])

    def test_a_too_small_buffer_still_gets_the_records_that_fit(self):
        self.sb.set_entries(["A", "B", "C"])
        answer = self.sb.rasclient("entries", "--size", 264, "--slots", 2)
        self.assertEqual(answer["rc"], 603)
        self.assertEqual([e["name"] for e in answer["entries"]], ["A", "B"])
        answer = self.sb.rasclient("entries", "--null", "--cb", 0)
        self.assertEqual((answer["rc"], answer["cb"], answer["count"]), (603, 3 * 532, 3))

    def test_only_the_record_sizes_of_the_platform_are_accepted(self):
        self.sb.set_entries(["A"])
        handle = self.sb.connect("A")
        for size in rig.RASENTRYNAME_SIZES:
            self.assertEqual(self.sb.rasclient("entries", "--size", size)["rc"], 0, size)
        for size in rig.RASCONN_SIZES:
            answer = self.sb.rasclient("conns", "--size", size)
            self.assertEqual(answer["rc"], 0, size)
            self.assertEqual(answer["connections"][0]["size"], size)
        for size in rig.RASCONNSTATUS_SIZES:
            answer = self.sb.rasclient("status", handle, "--size", size)
            self.assertEqual(answer["rc"], 0, size)
        # 412 is the 32-bit RASCONN; a 64-bit caller that uses it must be refused.
        for size in (0, 260, 412, 420, 709, 10000):
            answer = self.sb.rasclient("conns", "--size", size, "--cb", 20000)
            self.assertEqual(answer["rc"], 632, size)
        for size in (0, 263, 268, 533):
            answer = self.sb.rasclient("entries", "--size", size, "--cb", 20000)
            self.assertEqual(answer["rc"], 632, size)
        for size in (0, 156, 164, 289):
            self.assertEqual(self.sb.rasclient("status", handle, "--size", size)["rc"], 632, size)

    def test_a_connection_goes_through_its_states_and_disappears(self):
        handle = self.sb.connect("Work", state="dialling")
        conns = self.sb.rasclient("conns")
        self.assertEqual(conns["count"], 1)
        self.assertEqual(conns["connections"][0]["handle"], handle)
        self.assertEqual(conns["connections"][0]["name"], "Work")
        self.assertEqual(self.sb.rasclient("status", handle)["state"], RASCS_CONNECT_DEVICE)
        self.sb.set_state("Work", "connected")
        self.assertEqual(self.sb.rasclient("status", handle)["state"], RASCS_CONNECTED)
        self.sb.set_state(handle, "disconnected:629")
        status = self.sb.rasclient("status", handle)
        self.assertEqual((status["state"], status["error"]), (RASCS_DISCONNECTED, 629))
        self.sb.disconnect(handle)
        self.assertEqual(self.sb.rasclient("conns")["count"], 0)
        self.assertEqual(self.sb.rasclient("status", handle)["rc"], rig.ERROR_INVALID_HANDLE)

    def test_two_connections_do_not_fit_one_record(self):
        first = self.sb.connect("One")
        self.sb.connect("Two")
        answer = self.sb.rasclient("conns", "--size", 416, "--slots", 1)
        self.assertEqual((answer["rc"], answer["cb"], answer["count"]), (603, 2 * 416, 2))
        self.assertEqual(answer["connections"][0]["handle"], first)

    def test_injected_errors_replace_the_answers_until_cleared(self):
        handle = self.sb.connect("Work")
        self.sb.set_entries(["Work"])
        self.sb.inject_error("RasEnumConnectionsA", 668)
        self.sb.inject_error("RasGetConnectStatusA", 6)
        self.sb.inject_error("RasEnumEntriesA", 8)
        self.assertEqual(self.sb.rasclient("conns")["rc"], 668)
        self.assertEqual(self.sb.rasclient("status", handle)["rc"], 6)
        self.assertEqual(self.sb.rasclient("entries")["rc"], 8)
        for function in ("RasEnumConnectionsA", "RasGetConnectStatusA", "RasEnumEntriesA"):
            self.sb.inject_error(function, None)
        self.assertEqual(self.sb.rasclient("conns")["count"], 1)
        self.assertEqual(self.sb.rasclient("status", handle)["state"], RASCS_CONNECTED)

    def test_a_hang_up_is_logged_and_ends_the_connection(self):
        kept = self.sb.connect("Other")
        handle = self.sb.connect("Work")
        self.assertEqual(self.sb.rasclient("hangup", handle)["rc"], 0)
        hangups = self.sb.hangups()
        self.assertEqual([(h["handle"], h["name"]) for h in hangups], [(handle, "Work")])
        self.assertLess(abs(hangups[0]["time_ms"] - time.time() * 1000), 10000)
        listed = self.sb.rasclient("conns", "--slots", 4)["connections"]
        self.assertEqual([c["handle"] for c in listed], [kept])
        self.assertEqual(self.sb.rasclient("status", handle)["rc"], rig.ERROR_INVALID_HANDLE)
        self.assertEqual(self.sb.rasclient("hangup", handle)["rc"], rig.ERROR_INVALID_HANDLE)
        self.assertEqual(len(self.sb.hangups()), 1)
        self.assertEqual([c["handle"] for c in self.sb.connections()], [kept])
        with self.assertRaises(ValueError):
            self.sb.connect("Work", handle=handle)

    def test_a_hang_up_can_linger_or_be_ignored(self):
        self.sb.set_hangup_behaviour(linger_ms=4000)
        handle = self.sb.connect("Work")
        self.sb.rasclient("hangup", handle)
        self.assertEqual(self.sb.rasclient("status", handle)["state"], RASCS_DISCONNECTED)
        self.assertEqual(self.sb.rasclient("hangup", handle)["rc"], 0)
        self.assertEqual(len(self.sb.hangups()), 1, "a second hang-up while lingering")
        self.sb.wait_until(
            lambda: self.sb.rasclient("status", handle)["rc"] == rig.ERROR_INVALID_HANDLE,
            timeout=15, message="lingering connection to vanish")

        self.sb.set_hangup_behaviour(ignore=True)
        stubborn = self.sb.connect("Stubborn")
        self.assertEqual(self.sb.rasclient("hangup", stubborn)["rc"], 0)
        self.assertEqual(self.sb.rasclient("status", stubborn)["state"], RASCS_CONNECTED)
        self.assertEqual(self.sb.hangups()[-1]["linger_ms"], -1)

    def test_error_strings_follow_the_buffer_rules(self):
        self.assertEqual(self.sb.rasclient("errstr", 603)["text"], "RAS error 603")
        text = "Line one\r\nline two with \\ backslash"
        self.sb.set_error_text(651, text)
        self.assertEqual(self.sb.rasclient("errstr", 651)["text"], text)
        answer = self.sb.rasclient("errstr", 651, "--bufsize", len(text))
        self.assertEqual(answer["rc"], ERROR_INSUFFICIENT_BUFFER)
        self.assertEqual(self.sb.rasclient("errstr", 651, "--bufsize", len(text) + 1)["rc"], 0)

    def test_a_malformed_state_file_does_not_break_the_simulator(self):
        junk = (b"conn=0 connected Zero\nconn=12 flying Bad\nconn=zz connected Bad\n"
                b"conn=0x99999999999999999999 connected Big\nerror.RasEnumEntriesA=-3\n"
                b"\x00\xff\xfe garbage without equals\nconn=0x20 connected Good one\n"
                b"entry=" + b"N" * 400 + b"\nhangup_linger_ms=abc\n")
        self.sb.state_path.write_bytes(junk)
        conns = self.sb.rasclient("conns", "--slots", 4)
        self.assertEqual(conns["rc"], 0)
        self.assertEqual([(c["handle"], c["name"]) for c in conns["connections"]],
                         [(0x20, "Good one")])
        entries = self.sb.rasclient("entries-grow")
        self.assertEqual(entries["entries"], ["N" * 256])
        self.sb.hangup_log.write_bytes(b"\t\t\nnot a line\n32\tx\t0\tGood one\n")
        self.assertEqual(self.sb.rasclient("status", 0x20)["state"], RASCS_CONNECTED)
        self.sb.hangup_log.unlink()


@unittest.skipUnless(rig.have_tools(), "rig tools not built")
class LaunchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sb = rig.Sandbox("launch")

    @classmethod
    def tearDownClass(cls):
        cls.sb.close()

    def cmdline_of(self, cmdline, **kw):
        code, out = self.sb.launch(cmdline, **kw)
        self.assertEqual(code, 0, out)
        line = next(l for l in out.splitlines() if l.startswith("{"))
        return rig.json.loads(line)

    def test_the_command_line_arrives_byte_for_byte(self):
        for cmdline in ('rasclient.exe cmdline /ini:"Z:\\tmp\\a b.ini"',
                        'rasclient.exe cmdline  two  spaces "unclosed ',
                        "rasclient.exe cmdline\ttab and trailing blank ",
                        "rasclient.exe cmdline caf\u00e9 /SET",
                        "rasclient.exe cmdline " + "x" * 800):
            got = self.cmdline_of(cmdline)
            self.assertEqual(bytes.fromhex(got["hex"]), cmdline.encode(rig.ANSI))

    def test_a_windows_caller_can_use_the_separator_form(self):
        inner = 'rasclient.exe cmdline  /ini:"q" '
        got = self.cmdline_of("launch.exe --wait -- " + inner)
        self.assertEqual(bytes.fromhex(got["hex"]), inner.encode(rig.ANSI))

    def test_exit_code_and_working_directory(self):
        self.assertEqual(self.sb.launch("rasclient.exe exit 7")[0], 7)
        got = self.cmdline_of("rasclient.exe cmdline", cwd=self.sb.home)
        self.assertEqual(got["cwd"], rig.win_path(self.sb.home))
        pid = self.sb.launch("rasclient.exe exit 0", wait=False)
        self.assertGreater(pid, 0)


if __name__ == "__main__":
    unittest.main()
