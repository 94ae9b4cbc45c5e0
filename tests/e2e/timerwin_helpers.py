"""Shared steps of the timer window and menu tests: starting the program with a settings file,
finding the timer window, reading its cells, and reading the popup menu from a screenshot
(Wine keeps another process's menu items out of reach, so the menu is read from its pixels)."""

import os
import shutil
import time
import unittest
from pathlib import Path

import rig

# Screenshots worth a look are kept here (beside the build's other output).
SHOTS = Path(os.environ.get("DT_SHOTS", rig.BUILD / "e2e-shots"))

# The timer window's cells, left to right.
R = rig.res
NAME_CELL, SIGN_CELL, TRAILING_CELL = R.IDC_CELL_NAME, R.IDC_CELL_SIGN, R.IDC_CELL_TRAILING
HOUR_CELLS = (R.IDC_CELL_HOUR_HUNDREDS, R.IDC_CELL_HOUR_TENS, R.IDC_CELL_HOUR_UNITS)
MINUTE_CELLS = (R.IDC_CELL_MINUTE_TENS, R.IDC_CELL_MINUTE_UNITS)
SECOND_CELLS = (R.IDC_CELL_SECOND_TENS, R.IDC_CELL_SECOND_UNITS)
TOP_ROW = (R.IDC_CELL_TOP_LEFT, NAME_CELL, R.IDC_CELL_TOP_RIGHT)
BOTTOM_ROW = ((R.IDC_CELL_BOTTOM_LEFT, SIGN_CELL) + HOUR_CELLS + (R.IDC_CELL_HOUR_SEPARATOR,)
              + MINUTE_CELLS + (R.IDC_CELL_MINUTE_SEPARATOR,) + SECOND_CELLS + (TRAILING_CELL,))

WS_CAPTION = 0x00C00000
WS_EX_TOOLWINDOW = 0x80
WS_EX_TRANSPARENT = 0x20
WS_EX_LAYERED = 0x80000
WM_RBUTTONDOWN = 0x204
WM_LBUTTONDBLCLK = 0x203
VK_ESCAPE = 0x1B

MONITOR_MISSING = ("the program did not take up the simulated connection within 3 s "
                   "(no connection monitor, or it cannot enumerate the simulated line)")


def ini_text(sections):
    """A settings file from {section: {key: value}}, with the CR LF line ends Windows writes."""
    lines = []
    for section, keys in sections.items():
        lines.append(f"[{section}]")
        lines += [f"{key}={value}" for key, value in keys.items()]
    return "\r\n".join(lines) + "\r\n"


def read_ini(path):
    """{section: {key: value}} of a settings file, keys as written."""
    result, section = {}, None
    for line in Path(path).read_text(rig.ANSI).splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = result.setdefault(line[1:-1], {})
        elif "=" in line and section is not None:
            key, _, value = line.partition("=")
            section[key.strip()] = value.strip()
    return result


def keep_shot(path, name):
    SHOTS.mkdir(parents=True, exist_ok=True)
    target = SHOTS / name
    shutil.copy2(path, target)
    return target


class TimerRig:
    """Mixin of a unittest.TestCase with one sandbox per class and one program run per test."""

    sb = None

    @classmethod
    def setUpClass(cls):
        cls.sb = rig.Sandbox(cls.__name__.lower())

    @classmethod
    def tearDownClass(cls):
        if cls.sb is not None:
            cls.sb.close()

    def tearDown(self):
        self.sb.stop()
        self.sb.set_entries([])
        for conn in list(self.sb._conns):
            self.sb.disconnect(conn[0])

    def start(self, sections=None, entries=()):
        """Starts the program with this settings file; returns the timer window's handle."""
        self.sb.set_entries(list(entries))
        self.sb.ini_path.write_bytes(ini_text(sections or {}).encode(rig.ANSI))
        self.sb.start()
        return self.timer_window()

    def timer_window(self, timeout=15):
        return self.sb.wait_until(self.sb.timer_window, timeout=timeout,
                                  message="the timer window")["hwnd"]

    def show(self, hwnd):
        """Shows the hidden timer window through MsgToggleTimer."""
        answer = self.sb.send("MsgToggleTimer", hwnd=hwnd)
        self.assertEqual(answer["result"], 1)
        return self.sb.wait_until(lambda: self.visible_window(hwnd), timeout=5,
                                  message="the timer window shown")

    def visible_window(self, hwnd):
        w = self.sb.window(hwnd)
        return w if w["visible"] else None

    def cells(self, hwnd):
        """{control id: control} of the timer window."""
        return {c["id"]: c for c in self.sb.controls(hwnd)}

    def text(self, hwnd, control_id):
        return self.sb.control(hwnd, control_id)["text"]

    def connect_or_skip(self, hwnd, name):
        """Connects the simulated line; skips the test when the program does not notice."""
        self.sb.connect(name)
        try:
            # A long name shows shortened: any name but the product's will do.
            self.sb.wait_until(lambda: self.text(hwnd, NAME_CELL) != " Dialtick ", timeout=3,
                               message="the name cell")
        except AssertionError:
            self.skipTest(MONITOR_MISSING)

    def client_image(self, hwnd, shot_name=None):
        client = self.sb.window(hwnd)["client"]
        path = self.sb.screenshot(rect=client)
        if shot_name:
            keep_shot(path, shot_name)
        return rig.Image(path), client

    def row_images(self, hwnd, shot_name=None):
        """The top and bottom rows of the client area, each as (image, its rect on screen)."""
        client = self.sb.window(hwnd)["client"]
        top = self.sb.control(hwnd, NAME_CELL)["rect"]
        split = top[3]
        rows = []
        for rect in ([client[0], client[1], client[2], split],
                     [client[0], split, client[2], client[3]]):
            rows.append(rig.Image(self.sb.screenshot(rect=rect)))
        if shot_name:
            keep_shot(self.sb.screenshot(rect=client), shot_name)
        return rows

    # ----- the popup menu ---------------------------------------------------------------------

    def park_cursor(self, hwnd):
        """Moves the mouse away from the timer window: the menu opens at the cursor, and under
        Wine the topmost timer window would cover it in a picture."""
        window = self.sb.window(hwnd)
        left, top, right, bottom = window["rect"]
        x = 700 if not left <= 700 <= right + 250 else max(left - 300, 300)
        y = 600 if not top <= 600 <= bottom + 200 else max(top - 250, 300)
        # The point is given in the timer's client coordinates; the click goes to the timer
        # window itself, which takes a press without a move as a drag of no distance.
        self.sb.click(hwnd, x - window["client"][0], y - window["client"][1])

    def open_menu(self, hwnd, via_timer=False):
        """Opens the popup menu as a right click on the icon does (or on the timer window at
        its bottom-left corner); returns the menu's window."""
        if via_timer:
            client = self.sb.window(hwnd)["client"]
            self.sb.click(hwnd, 1, client[3] - client[1] - 1, right=True)
        else:
            self.park_cursor(hwnd)
            self.sb.send("MsgTrayCallback", hwnd=hwnd, lparam=WM_RBUTTONDOWN, post=True)
        return self.sb.wait_until(self.menu_window, timeout=5, message="the popup menu")

    def menu_window(self):
        shown = [w for w in self.sb.windows(cls="#32768") if w["visible"]]
        return shown[0] if shown else None

    def close_menu(self, hwnd):
        self.sb.key(hwnd, VK_ESCAPE)
        self.sb.wait_until(lambda: self.menu_window() is None, timeout=5,
                           message="the menu closed")

    def menu_key(self, hwnd, letter):
        """Chooses a menu item by its underlined letter."""
        self.sb.key(hwnd, ord(letter.upper()))


class MenuPicture:
    """The items of a popup menu read from its screenshot: bands of rows with ink, each either a
    text item (black ink when enabled, only grey ink when greyed) or the separator line."""

    def __init__(self, image):
        self.image = image
        self.background = image.dominant()
        width, height = image.width, image.height
        # Leave out the menu's own border, and on the right a margin where no item text goes:
        # a menu opened from the timer window has the window's corner over its top right.
        self.left, self.right = 3, width - 8
        ink_rows = []
        for y in range(3, height - 3):
            ink_rows.append((y, [x for x in range(self.left, self.right)
                                 if self._ink(image.pixel(x, y))]))
        self.bands = []
        current = []
        for y, xs in ink_rows:
            if xs:
                current.append((y, xs))
            elif current:
                self.bands.append(current)
                current = []
        if current:
            self.bands.append(current)
        # A mnemonic's underline can sit a row or two below its text: it belongs to that item.
        merged = []
        for band in self.bands:
            thin = len(band) <= 2 and not self._is_separator(band)
            if merged and thin and band[0][0] - merged[-1][-1][0] <= 3:
                merged[-1] = merged[-1] + band
            else:
                merged.append(band)
        self.bands = merged

    def _ink(self, rgb):
        return sum(abs(a - b) for a, b in zip(rgb, self.background)) > 60

    def _is_separator(self, band):
        span = self.right - self.left
        return len(band) <= 3 and all(len(xs) > span * 0.8 for _, xs in band)

    def items(self):
        """One dict per band from top to bottom: {"separator": bool, "enabled", "bold", ...}."""
        out = []
        for band in self.bands:
            if self._is_separator(band):
                out.append({"separator": True})
                continue
            colours = [self.image.pixel(x, y) for y, xs in band for x in xs]
            black = sum(1 for c in colours if max(c) < 80)
            inked = {(x, y) for y, xs in band for x in xs}
            # Bold strokes are two pixels wide: most ink has ink to its right.
            doubled = sum(1 for (x, y) in inked if (x + 1, y) in inked)
            xs = [x for _, row in band for x in row]
            out.append({"separator": False, "enabled": black > 0, "ink": len(inked),
                        "bold_ratio": doubled / max(1, len(inked)),
                        "top": band[0][0], "bottom": band[-1][0],
                        "width": max(xs) - min(xs) + 1})
        return out

    def crop(self, item):
        """The pixels of one item's band, for comparing two pictures of the same menu."""
        return [self.image.pixel(x, y) for y in range(item["top"], item["bottom"] + 1)
                for x in range(self.left, self.right)]


def skip_unless_rig(test):
    return unittest.skipUnless(rig.have_program() and rig.have_tools(),
                               "the program or the rig tools are not built")(test)


def wait(seconds):
    time.sleep(seconds)
