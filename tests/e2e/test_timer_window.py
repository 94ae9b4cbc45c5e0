"""The timer window of the real program under Wine: its cells and colours, showing and hiding,
placement in the work area, dragging, opacity and click-through. Screenshots are kept in
DT_SHOTS (default <build>/e2e-shots) for a person to look at."""

import time
import unittest

import rig
from timerwin_helpers import (BOTTOM_ROW, HOUR_CELLS, MINUTE_CELLS, NAME_CELL, SECOND_CELLS,
                              SIGN_CELL, TOP_ROW, TRAILING_CELL, WS_CAPTION, WS_EX_LAYERED,
                              WS_EX_TOOLWINDOW, WS_EX_TRANSPARENT, TimerRig, keep_shot, read_ini,
                              skip_unless_rig)

_, HOUR_TENS, HOUR_UNITS = HOUR_CELLS

BLACK, YELLOW, GREEN, RED = (0, 0, 0), (255, 255, 0), (0, 255, 0), (255, 0, 0)


def rgb_value(rgb):
    """The settings file's colour number (red in the low byte)."""
    r, g, b = rgb
    return r | g << 8 | b << 16


@skip_unless_rig
class TimerWindowLooks(TimerRig, unittest.TestCase):

    def assert_row_colours(self, image, back, text, what):
        self.assertEqual(image.dominant(), back, f"{what}: background")
        self.assertGreater(image.count(text), 5, f"{what}: text in {text}")

    def test_idle_window_cells_and_default_colours(self):
        hwnd = self.start({"Dialtick": {"Icon": 0}})
        window = self.sb.window(hwnd)
        self.assertFalse(window["visible"], "hidden until shown")
        self.assertTrue(window["topmost"])
        self.assertTrue(window["exstyle"] & WS_EX_TOOLWINDOW)
        self.assertFalse(window["style"] & WS_CAPTION)

        # A second start with the icon off shows the hidden window.
        self.sb.start_second()
        window = self.sb.wait_until(lambda: self.visible_window(hwnd), timeout=5,
                                    message="the window shown by a second start")

        cells = self.cells(hwnd)
        self.assertEqual(cells[NAME_CELL]["text"], " Dialtick ")
        self.assertEqual(cells[SIGN_CELL]["text"], " ")
        for cell in HOUR_CELLS + MINUTE_CELLS + SECOND_CELLS:
            self.assertEqual(cells[cell]["text"], "?")
            self.assertTrue(cells[cell]["visible"], cell)
        self.assertEqual(cells[rig.res.IDC_CELL_HOUR_SEPARATOR]["text"], " : ")

        # Both rows tile the client area exactly: every cell abuts the next.
        client = window["client"]
        self.assertGreaterEqual(client[2] - client[0], 80)
        for row in (TOP_ROW, BOTTOM_ROW):
            rects = [cells[c]["rect"] for c in row]
            self.assertEqual(rects[0][0], client[0])
            self.assertEqual(rects[-1][2], client[2])
            for left, right in zip(rects, rects[1:]):
                self.assertEqual(left[2], right[0])
                self.assertEqual(left[1], right[1])
        self.assertEqual(cells[NAME_CELL]["rect"][1], client[1])
        self.assertEqual(cells[TRAILING_CELL]["rect"][3], client[3])
        self.assertEqual(cells[NAME_CELL]["rect"][3], cells[TRAILING_CELL]["rect"][1])

        top, bottom = self.row_images(hwnd, "timer-idle-default.png")
        # Title colours (the system's button colours) on the name row; yellow on black below.
        self.assertGreater(sum(top.dominant()), 3 * 150, "a light button face on the name row")
        self.assertGreater(top.count(BLACK, tolerance=60), 5, "dark button text")
        self.assert_row_colours(bottom, BLACK, YELLOW, "offline row")

    def test_colours_come_from_the_settings_row_by_row(self):
        title_text, title_back = (255, 255, 255), (0, 0, 128)
        off_text, off_back = (255, 128, 0), (0, 64, 0)
        hwnd = self.start({"Dialtick": {"Icon": 1},
                           "Colours": {"TitleText": rgb_value(title_text),
                                       "TitleBack": rgb_value(title_back),
                                       "OffText": rgb_value(off_text),
                                       "OffBack": rgb_value(off_back)}})
        self.show(hwnd)
        top, bottom = self.row_images(hwnd, "timer-idle-custom.png")
        self.assert_row_colours(top, title_back, title_text, "name row")
        self.assert_row_colours(bottom, off_back, off_text, "offline row")
        # Nothing in either row is left in the dialog's own colour.
        self.assertEqual(top.count(off_back) + bottom.count(title_back), 0)

    def test_a_larger_font_grows_the_window_to_fit(self):
        hwnd = self.start({"Dialtick": {"Icon": 1},
                           "Font": {"Face": "DejaVu Sans", "Size": 24, "Bold": 1}})
        self.show(hwnd)
        client = self.sb.window(hwnd)["client"]
        cells = self.cells(hwnd)
        # The bottom row needs far more than 80 pixels now, and the font is 24-point high.
        self.assertGreater(client[2] - client[0], 150)
        self.assertGreater(client[3] - client[1], 2 * 24)
        self.assertEqual(cells[TRAILING_CELL]["rect"][2], client[2])
        image, _ = self.client_image(hwnd, "timer-idle-dejavu24.png")
        self.assertEqual(image.dominant(), BLACK)
        ini = read_ini(self.sb.ini_path)
        self.assertEqual(ini["Font"]["Size"], "24")

    def test_an_absent_face_falls_back_to_the_message_font(self):
        hwnd = self.start({"Dialtick": {"Icon": 1},
                           "Font": {"Face": "No Such Face 123", "Size": 30, "Italic": 1}})
        self.show(hwnd)
        client = self.sb.window(hwnd)["client"]
        # The message font is small: the window stays near its 80-pixel minimum.
        self.assertLess(client[2] - client[0], 150)
        self.assertLess(client[3] - client[1], 60)


@skip_unless_rig
class TimerWindowPlacement(TimerRig, unittest.TestCase):

    def test_toggle_shows_and_hides(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        self.show(hwnd)
        self.assertEqual(self.sb.send("MsgToggleTimer", hwnd=hwnd)["result"], 1)
        self.sb.wait_until(lambda: not self.sb.window(hwnd)["visible"], timeout=5,
                           message="hidden again")
        self.show(hwnd)

    def test_second_start_with_the_icon_shown_does_nothing(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        self.sb.start_second()
        time.sleep(1.0)
        self.assertFalse(self.sb.window(hwnd)["visible"])

    def test_a_far_position_is_brought_to_the_work_area_corner_at_first_showing(self):
        hwnd = self.start({"Dialtick": {"Icon": 1, "Constrain": 1, "XPos": -5000,
                                        "YPos": -5000}})
        window = self.show(hwnd)
        work = self.sb.work_area()["work"]
        self.assertEqual(window["rect"][:2], work[:2])

    def test_without_constrain_the_stored_position_is_kept(self):
        hwnd = self.start({"Dialtick": {"Icon": 1, "Constrain": 0, "XPos": -5000,
                                        "YPos": -5000}})
        window = self.show(hwnd)
        self.assertEqual(window["rect"][:2], [-5000, -5000])

    def test_position_is_saved_when_the_program_ends(self):
        hwnd = self.start({"Dialtick": {"Icon": 1, "XPos": 321, "YPos": 234}})
        window = self.show(hwnd)
        self.assertEqual(window["rect"][:2], [321, 234])
        self.sb.logoff()
        self.sb.wait_exit()
        saved = read_ini(self.sb.ini_path)["Dialtick"]
        self.assertEqual((saved["XPos"], saved["YPos"]), ("321", "234"))

    def drag_out(self, constrain):
        hwnd = self.start({"Dialtick": {"Icon": 1, "Constrain": constrain, "XPos": 200,
                                        "YPos": 200}})
        window = self.show(hwnd)
        width = window["rect"][2] - window["rect"][0]
        work = self.sb.work_area()["work"]
        # Drag it by the name row until most of it hangs past the right edge of the work area.
        dx = work[2] - window["rect"][0] - width // 3
        rect = self.sb.drag(hwnd, 5, 5, 5 + dx, 5 - 150, steps=12, real=True)
        return rect, width, work, window

    def test_a_drag_outside_the_work_area_snaps_back_with_constrain(self):
        rect, width, work, before = self.drag_out(constrain=1)
        self.assertEqual(rect[2], work[2], f"right edge pulled back to the work area: {rect}")
        self.assertEqual(rect[1], before["rect"][1] - 150, "moved up with the mouse")
        self.assertEqual(rect[2] - rect[0], width)

    def test_a_drag_outside_the_work_area_stays_without_constrain(self):
        rect, width, work, before = self.drag_out(constrain=0)
        self.assertGreater(rect[2], work[2], f"left where it was dropped: {rect}")
        self.assertEqual(rect[1], before["rect"][1] - 150)
        # Still there when the position is saved.
        self.sb.logoff()
        self.sb.wait_exit()
        self.assertEqual(read_ini(self.sb.ini_path)["Dialtick"]["XPos"], str(rect[0]))

    def test_opacity_20_is_alpha_51_and_clicks_pass_through(self):
        hwnd = self.start({"Dialtick": {"Icon": 1},
                           "Opacity": {"Value": 20, "CatchClicks": 1}})
        alpha = self.sb.alpha(hwnd)
        self.assertTrue(alpha["layered"])
        self.assertEqual(alpha["alpha"], 51)
        self.assertTrue(alpha["transparent"])
        self.assertTrue(self.sb.window(hwnd)["exstyle"] & WS_EX_TRANSPARENT)

    def test_full_opacity_catches_clicks(self):
        hwnd = self.start({"Dialtick": {"Icon": 1},
                           "Opacity": {"Value": 100, "CatchClicks": 0}})
        alpha = self.sb.alpha(hwnd)
        self.assertTrue(self.sb.window(hwnd)["exstyle"] & WS_EX_LAYERED)
        self.assertEqual(alpha["alpha"], 255)
        self.assertFalse(alpha["transparent"])


@skip_unless_rig
class TimerWindowConnected(TimerRig, unittest.TestCase):
    """States only a timed connection brings; skipped while the program cannot time one."""

    def start_connected(self, name, account=None, font=None):
        sections = {"Dialtick": {"Icon": 1}}
        if account:
            sections[name] = account
        if font:
            sections["Font"] = font
        hwnd = self.start(sections, entries=[name])
        self.connect_or_skip(hwnd, name)
        self.sb.wait_until(lambda: self.visible_window(hwnd), timeout=5,
                           message="shown at connection")
        return hwnd

    def shown_hour_cells(self, hwnd):
        cells = self.cells(hwnd)
        return [c for c in HOUR_CELLS if cells[c]["visible"]]

    def test_connected_is_green_on_black_and_past_the_warning_red(self):
        hwnd = self.start_connected("Work", {"Timer": 100, "Warning": 3600, "EnableWarning": 1})
        top, bottom = self.row_images(hwnd, "timer-connected.png")
        self.assertEqual(bottom.dominant(), BLACK)
        self.assertGreater(bottom.count(GREEN), 5)
        self.assertGreater(sum(top.dominant()), 3 * 150, "the name row keeps the title colours")
        self.sb.stop()
        self.sb.disconnect("Work")

        hwnd = self.start_connected("Work", {"Timer": 7200, "Warning": 3600,
                                             "EnableWarning": 1})
        top, bottom = self.row_images(hwnd, "timer-warning.png")
        self.assertEqual(bottom.dominant(), BLACK)
        self.assertGreater(bottom.count(RED), 5)

    def test_an_hour_cell_is_added_at_10_and_at_100_hours(self):
        hwnd = self.start_connected("Work", {"Timer": 9 * 3600 + 59 * 60 + 58})
        self.assertEqual(self.shown_hour_cells(hwnd), [HOUR_UNITS])
        width = self.sb.window(hwnd)["rect"]
        self.sb.wait_until(lambda: self.shown_hour_cells(hwnd) == [HOUR_TENS, HOUR_UNITS], timeout=6,
                           message="two hour cells at 10 hours")
        self.assertEqual(self.text(hwnd, HOUR_TENS) + self.text(hwnd, HOUR_UNITS), "10")
        keep_shot(self.sb.screenshot(hwnd=hwnd), "timer-10-hours.png")
        self.assertGreaterEqual(self.sb.window(hwnd)["rect"][2] - self.sb.window(hwnd)["rect"][0],
                                width[2] - width[0])
        self.sb.stop()
        self.sb.disconnect("Work")

        hwnd = self.start_connected("Work", {"Timer": 99 * 3600 + 59 * 60 + 58})
        self.sb.wait_until(lambda: self.shown_hour_cells(hwnd) == list(HOUR_CELLS), timeout=6,
                           message="three hour cells at 100 hours")
        keep_shot(self.sb.screenshot(hwnd=hwnd), "timer-100-hours.png")

    def test_a_negative_time_shows_the_minus_sign(self):
        # Two seconds counted down: past zero the time is negative.
        hwnd = self.start_connected("Work", {"Timer": 2, "CountDirection": 1})
        self.sb.wait_until(lambda: self.text(hwnd, SIGN_CELL) == " - ", timeout=6,
                           message="the minus sign")
        keep_shot(self.sb.screenshot(hwnd=hwnd), "timer-negative.png")

    def test_a_name_wider_than_630_pixels_is_shortened_with_an_ellipsis(self):
        name = "A very long dial-up connection name " * 4
        name = name[:200].strip()
        hwnd = self.start_connected(name, font={"Face": "DejaVu Sans", "Size": 14})
        window = self.sb.window(hwnd)
        self.assertEqual(window["client"][2] - window["client"][0], 630)
        shown = self.text(hwnd, NAME_CELL)
        self.assertTrue(shown.rstrip().endswith("..."), shown)
        self.assertLess(len(shown), len(name))
        keep_shot(self.sb.screenshot(hwnd=hwnd), "timer-long-name.png")


if __name__ == "__main__":
    unittest.main()
