"""Account records under Wine: the phonebook through the system's dial-up layer, the load-time
resets and the program-wide settings read from a hand-written file."""

import re
import unittest

import rig


def run_driver(sb, connected=None):
    """Lists the accounts as the Connections page does; returns (ok, [(name, timer, option, next)])."""
    args = [rig.win_path(sb.ini_path)] + ([connected] if connected else [])
    result = sb.tool("accountsdriver.exe", *args, timeout=60, check=False)
    out = result.stdout.decode(rig.ANSI)
    head = re.search(r"ok=(\d) count=(\d+)", out)
    if head is None:
        raise AssertionError(f"accountsdriver said: {out!r} {result.stderr!r}")
    accounts = []
    for line in out.splitlines():
        if line.startswith("account="):
            name, timer, option, next_reset = line[len("account="):].rsplit("|", 3)
            accounts.append((name, int(timer), int(option), int(next_reset)))
    return head.group(1) == "1", accounts


def have_driver():
    return (rig.TOOLS / "accountsdriver.exe").exists()


@unittest.skipUnless(rig.have_tools() and have_driver(), "accounts driver not built")
class PhonebookTest(unittest.TestCase):
    def setUp(self):
        self.sb = rig.Sandbox("accounts")
        self.addCleanup(self.sb.close)
        for tool in ("accountsdriver.exe",):
            (self.sb.app / tool).write_bytes((rig.TOOLS / tool).read_bytes())

    def test_thirty_two_entries_are_listed_and_thirty_three_are_not(self):
        sb = self.sb
        names = [f"Entry {i:02d}" for i in range(33)]
        sb.ini_path.write_bytes(b"[Entry 05]\r\nTimer=-5\r\n")
        sb.set_entries(names[:32])
        ok, accounts = run_driver(sb)
        self.assertTrue(ok)
        self.assertEqual([a[0] for a in accounts], names[:32])
        self.assertEqual(accounts[5][1], -500)
        sb.set_entries(names)
        ok, accounts = run_driver(sb)
        self.assertFalse(ok)
        self.assertEqual(accounts, [])

    def test_connected_entry_missing_from_the_phonebook_is_added(self):
        sb = self.sb
        sb.set_entries(["Work", "Home"])
        ok, accounts = run_driver(sb, connected="Hotel Modem")
        self.assertTrue(ok)
        self.assertEqual([a[0] for a in accounts], ["Work", "Home", "Hotel Modem"])
        ok, accounts = run_driver(sb, connected="WORK")
        self.assertEqual([a[0] for a in accounts], ["Work", "Home"])

    def test_overdue_resets_are_carried_out_and_written_while_loading(self):
        sb = self.sb
        sb.set_entries(["Daily", "OnceOnly", "Long " + "n" * 251])
        # Due long ago: the daily schedule resets and moves on; the one-off reset turns itself off.
        sb.ini_path.write_bytes(
            b"[Dialtick]\r\nXPos=3\r\n"
            b"[Daily]\r\nTimer=500\r\nResetOption=2\r\nResetTime=60\r\nResetPeriod=1\r\n"
            b"ResetCount=1\r\nResetNext=1000000000\r\n"
            b"[OnceOnly]\r\nTimer=700\r\nResetOption=3\r\nResetTime=-30\r\nResetNext=1000000000\r\n")
        ok, accounts = run_driver(sb)
        self.assertTrue(ok)
        by_name = {a[0]: a for a in accounts}
        self.assertEqual(by_name["Daily"][1:3], (6000, 2))
        self.assertGreater(by_name["Daily"][3], 1000000000)
        self.assertEqual(by_name["OnceOnly"][1:3], (-3000, 0))
        self.assertEqual(len(accounts[2][0]), 256)
        text = sb.ini_path.read_bytes().decode(rig.ANSI)
        daily = text[text.index("[Daily]"):text.index("[OnceOnly]")]
        self.assertIn("Timer=60\r\n", daily)
        self.assertIn(f"ResetNext={by_name['Daily'][3]}", daily)
        once = text[text.index("[OnceOnly]"):]
        self.assertIn("Timer=-30", once)
        self.assertIn("ResetOption=0", once)
        # A second load finds nothing due.
        before = sb.ini_path.read_bytes()
        run_driver(sb)
        self.assertEqual(sb.ini_path.read_bytes(), before)


if __name__ == "__main__":
    unittest.main()


@rig.skip_unless_program
class ProgramReadsItsFileTest(unittest.TestCase):
    """The real program, a hand-written file and the simulator's phonebook."""

    def setUp(self):
        self.sb = rig.Sandbox("accounts-program")
        self.addCleanup(self.sb.close)

    def test_overdue_reset_is_written_when_the_account_connects(self):
        sb = self.sb
        sb.set_entries(["Work", "Home"])
        sb.ini_path.write_bytes(
            b"[Colours]\r\nOKText=16777215\r\nOKBack=8388608\r\n"
            b"[Dialtick]\r\nXPos=300\r\nYPos=200\r\nIcon=0\r\n"
            b"[Work]\r\nTimer=700\r\nResetOption=3\r\nResetTime=-30\r\nResetNext=1000000000\r\n")
        sb.start()
        w = sb.wait_until(sb.timer_window, timeout=20, message="the timer window")
        sb.connect("Work")
        sb.wait_until(lambda: sb.window(w["hwnd"])["visible"], timeout=10,
                      message="the window shown at connection")
        text = sb.wait_until(
            lambda: (t := sb.ini_path.read_bytes()) and b"ResetOption=0" in t and t,
            timeout=10, message="the one-off reset turned off in the file")
        work = text[text.index(b"[Work]"):]
        self.assertIn(b"Timer=-30", work)
        # The reset time counts on from minus thirty seconds, shown with a minus sign.
        self.assertEqual(sb.control(w["hwnd"], rig.res.IDC_CELL_SIGN)["text"].strip(), "-")
        self.assertEqual(sb.control(w["hwnd"], rig.res.IDC_CELL_NAME)["text"].strip(), "Work")
        self.assertEqual(sb.window(w["hwnd"])["rect"][:2], [300, 200])
        # The hand-written connected colours: white on navy.
        cell = sb.control(w["hwnd"], rig.res.IDC_CELL_SECOND_UNITS)["rect"]
        image = sb.image(rect=cell)
        self.assertEqual(tuple(image.dominant()), (0, 0, 128))
        self.assertGreater(image.count((255, 255, 255)), 0)
